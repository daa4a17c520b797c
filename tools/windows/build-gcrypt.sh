#!/usr/bin/env bash
# Cross-build libgpg-error and then libgcrypt (both static) for Windows from
# Debian's libgpg-error and libgcrypt20 source packages, with the mingw-w64
# compilers of the toolchain files.
#
#   tools/windows/build-gcrypt.sh ARCH CACHE_DIR    (ARCH: x86_64 | i686)
#
# Result: CACHE_DIR/ARCH/{include/gcrypt.h, include/gpg-error.h,
#         lib/libgcrypt.a, lib/libgpg-error.a, lib/pkgconfig/...}
# Skipped when CACHE_DIR/ARCH already holds these versions. A program links
# both, and ws2_32 (libgpg-error's sockets).
# Needs tools/windows/install-deps.sh to have run (as root) first.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

GPG_ERROR_DEB_VERSION=${GPG_ERROR_DEB_VERSION:-1.46-1}
GCRYPT_DEB_VERSION=${GCRYPT_DEB_VERSION:-1.10.1-3+deb12u1}

if [ $# -ne 2 ]; then
    echo "usage: $0 x86_64|i686 CACHE_DIR" >&2
    exit 2
fi
ARCH=$1
case "$ARCH" in x86_64|i686) ;; *) echo "$0: bad ARCH '$ARCH'" >&2; exit 2;; esac
mkdir -p "$2"
CACHE_DIR=$(cd "$2" && pwd)
PREFIX=$CACHE_DIR/$ARCH
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
HOST=$ARCH-w64-mingw32
STAMP=$PREFIX/.gcrypt-$GCRYPT_DEB_VERSION+gpg-error-$GPG_ERROR_DEB_VERSION
OUTPUTS=(include/gpg-error.h include/gcrypt.h lib/libgpg-error.a lib/libgcrypt.a)

built() {
    local f
    for f in "${OUTPUTS[@]}"; do
        [ -f "$PREFIX/$f" ] || return 1
    done
}
if [ -f "$STAMP" ] && built; then
    echo "build-gcrypt.sh: $ARCH already built in $PREFIX"
    exit 0
fi

# shellcheck source=tools/windows/debian-source.sh
. "$HERE/debian-source.sh"

# build PACKAGE VERSION NAME [CONFIGURE_OPTION...] -- [SUBDIR...]: configures
# Debian's source of PACKAGE outside its tree (which both architectures
# share) and builds and installs the SUBDIRs in order, or everything.
build() {
    local package=$1 version=$2 name=$3
    shift 3
    local options=() subdirs=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    subdirs=("$@")
    [ ${#subdirs[@]} -gt 0 ] || subdirs=(.)

    debian_source "$package" "$version" "$CACHE_DIR"
    local build_dir=$CACHE_DIR/build-$name-$ARCH
    rm -rf "$build_dir"
    mkdir -p "$build_dir"
    # The -win32 compilers, as in cmake/toolchains: native Win32 threads.
    (cd "$build_dir" &&
        "$DEBIAN_SOURCE_DIR/configure" --host="$HOST" --prefix="$PREFIX" \
            CC="$HOST-gcc-win32" AR="$HOST-ar" RANLIB="$HOST-ranlib" \
            --enable-static --disable-shared --disable-doc \
            --disable-silent-rules "${options[@]}")
    local d
    for d in "${subdirs[@]}"; do
        make -C "$build_dir/$d" -j "$(nproc)"
    done
    for d in "${subdirs[@]}"; do
        make -C "$build_dir/$d" install
    done
    rm -rf "$build_dir"
}

# libgcrypt's configure finds libgpg-error through gpg-error-config: its
# other way, gpgrt-config, needs a pkgconfig directory beside the
# compiler's libraries, which mingw-w64 has none of.
build libgpg-error "$GPG_ERROR_DEB_VERSION" gpg-error \
    --disable-nls --disable-languages --disable-tests \
    --enable-install-gpg-error-config
# Without the tests (which configure cannot leave out) and the manual.
build libgcrypt20 "$GCRYPT_DEB_VERSION" gcrypt \
    --with-libgpg-error-prefix="$PREFIX" \
    -- compat mpi cipher random src

if ! built; then
    echo "build-gcrypt.sh: libraries missing in $PREFIX after install" >&2
    exit 1
fi
touch "$STAMP"
echo "build-gcrypt.sh: installed libgpg-error $GPG_ERROR_DEB_VERSION and" \
     "libgcrypt $GCRYPT_DEB_VERSION ($ARCH) into $PREFIX"
