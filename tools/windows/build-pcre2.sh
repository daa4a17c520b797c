#!/usr/bin/env bash
# Cross-build PCRE2 (16-bit code units, JIT, static) for Windows from
# Debian's source package, with the mingw-w64 toolchain files.
#
#   tools/windows/build-pcre2.sh ARCH CACHE_DIR     (ARCH: x86_64 | i686)
#
# Result: CACHE_DIR/ARCH/{include/pcre2.h, lib/libpcre2-16.a,
#         lib/pkgconfig/libpcre2-16.pc, lib/cmake/pcre2/...}
# Skipped when CACHE_DIR/ARCH already holds the library.
# Consumers must compile with -DPCRE2_STATIC -DPCRE2_CODE_UNIT_WIDTH=16.
# Needs tools/windows/install-deps.sh to have run (as root) first.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

PCRE2_DEB_VERSION=${PCRE2_DEB_VERSION:-10.42-1}

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/libraries/library-build.sh
. "$HERE/../libraries/library-build.sh"
library_build_start "$@"
STAMP=$PREFIX/.pcre2-$PCRE2_DEB_VERSION
OUTPUTS=(include/pcre2.h lib/libpcre2-16.a)
library_built "$STAMP" "${OUTPUTS[@]}" && exit 0

# --- source: Debian's pcre2 source package, fetched once into the cache ---
debian_source pcre2 "$PCRE2_DEB_VERSION" "$CACHE_DIR"
SRC_DIR=$DEBIAN_SOURCE_DIR

# --- build ---
BUILD_DIR=$CACHE_DIR/build-pcre2-$ARCH
# Not the prefix: the other libraries for Windows are installed there too.
rm -rf "$BUILD_DIR"
GEN=()
command -v ninja >/dev/null && GEN=(-G Ninja)
cmake -S "$SRC_DIR" -B "$BUILD_DIR" "${GEN[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DPCRE2_BUILD_PCRE2_8=OFF \
    -DPCRE2_BUILD_PCRE2_16=ON \
    -DPCRE2_BUILD_PCRE2_32=OFF \
    -DPCRE2_SUPPORT_JIT=ON \
    -DPCRE2_SUPPORT_UNICODE=ON \
    -DBUILD_SHARED_LIBS=OFF \
    -DPCRE2_STATIC_PIC=OFF \
    -DPCRE2_BUILD_TESTS=OFF \
    -DPCRE2_BUILD_PCRE2GREP=OFF \
    -DPCRE2_SUPPORT_LIBBZ2=OFF \
    -DPCRE2_SUPPORT_LIBZ=OFF \
    -DPCRE2_SUPPORT_LIBEDIT=OFF \
    -DPCRE2_SUPPORT_LIBREADLINE=OFF
cmake --build "$BUILD_DIR" --parallel "$(nproc)"
cmake --install "$BUILD_DIR"
rm -rf "$BUILD_DIR"

library_done "$STAMP" "PCRE2 $PCRE2_DEB_VERSION" "${OUTPUTS[@]}"
