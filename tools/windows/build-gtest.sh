#!/usr/bin/env bash
# Cross-build GoogleTest/GoogleMock (static) for Windows from Debian's
# googletest package sources (/usr/src/googletest), with the mingw-w64
# toolchain files:
#
#   tools/windows/build-gtest.sh ARCH CACHE_DIR     (ARCH: x86_64 | i686)
#
# Result: CACHE_DIR/ARCH/{include/gtest, lib/libgtest*.a, lib/libgmock*.a,
#         lib/cmake/GTest/...}; skipped when already there. Use with
# -DQUILLFEN_WIN_DEPS=CACHE_DIR/ARCH and find_package(GTest).
#
# GCC 12's win32 thread model has no std::mutex / std::condition_variable,
# which GoogleTest's thread-safe mode needs. So GoogleTest is built with
# GTEST_IS_THREADSAFE=0, and the installed GTestConfig.cmake is extended to
# put the same definition on the GTest:: targets, so every consumer
# compiles the GoogleTest headers the same way.
set -euo pipefail
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
TOOLCHAIN=$HERE/../../cmake/toolchains/mingw-w64-$ARCH.cmake
SRC=/usr/src/googletest
VERSION=$(dpkg-query -W -f='${Version}' googletest 2>/dev/null || true)
if [ -z "$VERSION" ] || [ ! -f "$SRC/CMakeLists.txt" ]; then
    echo "build-gtest.sh: Debian package googletest is not installed" \
         "(tools/windows/install-deps.sh)" >&2
    exit 1
fi
STAMP=$PREFIX/.googletest-$VERSION
if [ -f "$STAMP" ] && [ -f "$PREFIX/lib/libgtest.a" ]; then
    echo "build-gtest.sh: $ARCH already built in $PREFIX"
    exit 0
fi

BUILD_DIR=$CACHE_DIR/build-googletest-$ARCH
rm -rf "$BUILD_DIR"
GEN=()
command -v ninja >/dev/null && GEN=(-G Ninja)
cmake -S "$SRC" -B "$BUILD_DIR" "${GEN[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DBUILD_SHARED_LIBS=OFF \
    -DBUILD_GMOCK=ON \
    -DINSTALL_GTEST=ON \
    -Dgtest_disable_pthreads=ON \
    -DCMAKE_CXX_FLAGS=-DGTEST_IS_THREADSAFE=0
cmake --build "$BUILD_DIR" --parallel "$(nproc)"
cmake --install "$BUILD_DIR"
rm -rf "$BUILD_DIR"
[ -f "$PREFIX/lib/libgtest.a" ] || { echo "build-gtest.sh: libgtest.a missing" >&2; exit 1; }
CONFIG=$PREFIX/lib/cmake/GTest/GTestConfig.cmake
[ -f "$CONFIG" ] || { echo "build-gtest.sh: $CONFIG missing" >&2; exit 1; }
cat >> "$CONFIG" <<'EOC'

# Added by Quillfen's tools/windows/build-gtest.sh: this GoogleTest was
# built with GTEST_IS_THREADSAFE=0 (mingw-w64 win32 thread model).
foreach(_qf_gtest_target GTest::gtest GTest::gtest_main GTest::gmock GTest::gmock_main)
  if(TARGET ${_qf_gtest_target})
    set_property(TARGET ${_qf_gtest_target} APPEND PROPERTY
                 INTERFACE_COMPILE_DEFINITIONS GTEST_IS_THREADSAFE=0)
  endif()
endforeach()
unset(_qf_gtest_target)
EOC
touch "$STAMP"
echo "build-gtest.sh: installed GoogleTest $VERSION ($ARCH) into $PREFIX"
