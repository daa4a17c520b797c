#!/usr/bin/env bash
# Cross-build libtasn1 (static) for Windows from Debian's libtasn1-6 source
# package, with the mingw-w64 compilers of the toolchain files.
#
#   tools/windows/build-tasn1.sh ARCH CACHE_DIR     (ARCH: x86_64 | i686)
#
# Result: CACHE_DIR/ARCH/{include/libtasn1.h, lib/libtasn1.a,
#         lib/pkgconfig/libtasn1.pc}
# Skipped when CACHE_DIR/ARCH already holds this version. Only the library
# is built: its tools (asn1Parser among them) run on the build machine and
# come from Debian's libtasn1-bin.
# Needs tools/windows/install-deps.sh to have run (as root) first.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

TASN1_DEB_VERSION=${TASN1_DEB_VERSION:-4.19.0-2+deb12u1}

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/libraries/library-build.sh
. "$HERE/../libraries/library-build.sh"
library_build_start "$@"
STAMP=$PREFIX/.tasn1-$TASN1_DEB_VERSION
OUTPUTS=(include/libtasn1.h lib/libtasn1.a)
library_built "$STAMP" "${OUTPUTS[@]}" && exit 0

# The library alone: the tools, fuzzers, tests and examples are not needed.
autotools_build libtasn1-6 "$TASN1_DEB_VERSION" tasn1 \
    --disable-gtk-doc --disable-valgrind-tests --disable-gcc-warnings \
    -- lib

library_done "$STAMP" "libtasn1 $TASN1_DEB_VERSION" "${OUTPUTS[@]}"
