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
# which GoogleTest's header uses for its internal Notification class.
# gtest-overlay/gtest/internal/custom/gtest-port.h (GoogleTest's own
# customization hook) supplies Notification without them: it is found
# first while building (-iquote: GoogleTest includes it with quotes, and
# -iquote dirs come before -I dirs) and installed over the empty original,
# so consumers need no extra flags.
set -euo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/libraries/library-build.sh
. "$HERE/../libraries/library-build.sh"
library_build_start "$@"
SRC=/usr/src/googletest
VERSION=$(dpkg-query -W -f='${Version}' googletest 2>/dev/null || true)
if [ -z "$VERSION" ] || [ ! -f "$SRC/CMakeLists.txt" ]; then
    echo "build-gtest.sh: Debian package googletest is not installed" \
         "(tools/windows/install-deps.sh)" >&2
    exit 1
fi
STAMP=$PREFIX/.googletest-$VERSION
library_built "$STAMP" lib/libgtest.a && exit 0

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
    -DCMAKE_CXX_FLAGS="-iquote $HERE/gtest-overlay"
cmake --build "$BUILD_DIR" --parallel "$(nproc)"
cmake --install "$BUILD_DIR"
rm -rf "$BUILD_DIR"
install -m 644 "$HERE/gtest-overlay/gtest/internal/custom/gtest-port.h" \
    "$PREFIX/include/gtest/internal/custom/gtest-port.h"
library_done "$STAMP" "GoogleTest $VERSION" lib/libgtest.a
