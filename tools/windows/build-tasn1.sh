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
STAMP=$PREFIX/.tasn1-$TASN1_DEB_VERSION

if [ -f "$STAMP" ] && [ -f "$PREFIX/include/libtasn1.h" ] && [ -f "$PREFIX/lib/libtasn1.a" ]; then
    echo "build-tasn1.sh: $ARCH already built in $PREFIX"
    exit 0
fi

# shellcheck source=tools/windows/debian-source.sh
. "$HERE/debian-source.sh"
debian_source libtasn1-6 "$TASN1_DEB_VERSION" "$CACHE_DIR"
SRC_DIR=$DEBIAN_SOURCE_DIR

# Built outside the source tree, which both architectures share.
BUILD_DIR=$CACHE_DIR/build-tasn1-$ARCH
rm -rf "$BUILD_DIR"
mkdir -p "$BUILD_DIR"
cd "$BUILD_DIR"
# The -win32 compilers, as in cmake/toolchains: native Win32 threads.
"$SRC_DIR/configure" --host="$HOST" --prefix="$PREFIX" \
    CC="$HOST-gcc-win32" AR="$HOST-ar" RANLIB="$HOST-ranlib" \
    --enable-static --disable-shared \
    --disable-doc --disable-gtk-doc --disable-valgrind-tests \
    --disable-gcc-warnings --disable-silent-rules
# The library alone: the tools, fuzzers, tests and examples are not needed.
make -C lib -j "$(nproc)"
make -C lib install
cd "$CACHE_DIR"
rm -rf "$BUILD_DIR"

for f in include/libtasn1.h lib/libtasn1.a; do
    [ -f "$PREFIX/$f" ] || { echo "build-tasn1.sh: $PREFIX/$f missing after install" >&2; exit 1; }
done
touch "$STAMP"
echo "build-tasn1.sh: installed libtasn1 $TASN1_DEB_VERSION ($ARCH) into $PREFIX"
