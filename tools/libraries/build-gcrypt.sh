#!/usr/bin/env bash
# Builds libgpg-error and then libgcrypt (both static) from Debian 12's
# libgpg-error and libgcrypt20 source packages: for Windows with the
# mingw-w64 compilers of the toolchain files, and for the program of the
# Linux packages with the machine's own gcc.
#
#   tools/libraries/build-gcrypt.sh TARGET CACHE_DIR
#       (TARGET: x86_64 | i686 for Windows, linux-x86_64 for Linux)
#
# Result: CACHE_DIR/TARGET/{include/gcrypt.h, include/gpg-error.h,
#         lib/libgcrypt.a, lib/libgpg-error.a, lib/pkgconfig/...}
# Skipped when CACHE_DIR/TARGET already holds these versions. A program links
# both; on Windows also ws2_32 (libgpg-error's sockets).
# Needs tools/libraries/enable-deb-src.sh (tools/windows/install-deps.sh
# runs it, with the cross-compilers) to have run as root first.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

GPG_ERROR_DEB_VERSION=${GPG_ERROR_DEB_VERSION:-1.46-1}
GCRYPT_DEB_VERSION=${GCRYPT_DEB_VERSION:-1.10.1-3+deb12u1}

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
LIBRARY_TARGETS="x86_64 i686 linux-x86_64"
# shellcheck source=tools/libraries/library-build.sh
. "$HERE/library-build.sh"
library_build_start "$@"
STAMP=$PREFIX/.gcrypt-$GCRYPT_DEB_VERSION+gpg-error-$GPG_ERROR_DEB_VERSION
OUTPUTS=(include/gpg-error.h include/gcrypt.h lib/libgpg-error.a lib/libgcrypt.a)
library_built "$STAMP" "${OUTPUTS[@]}" && exit 0

# libgcrypt's configure finds libgpg-error through gpg-error-config: its
# other way, gpgrt-config, needs a pkgconfig directory beside the
# compiler's libraries, which mingw-w64 has none of.
autotools_build libgpg-error "$GPG_ERROR_DEB_VERSION" gpg-error \
    --disable-nls --disable-languages --disable-tests \
    --enable-install-gpg-error-config
# Without the tests (which configure cannot leave out) and the manual.
autotools_build libgcrypt20 "$GCRYPT_DEB_VERSION" gcrypt \
    --with-libgpg-error-prefix="$PREFIX" \
    -- compat mpi cipher random src

library_done "$STAMP" "libgpg-error $GPG_ERROR_DEB_VERSION and libgcrypt $GCRYPT_DEB_VERSION" \
    "${OUTPUTS[@]}"
