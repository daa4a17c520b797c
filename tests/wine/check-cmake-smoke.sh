#!/usr/bin/env bash
# Configure, build and ctest tests/wine/cmake-smoke for both Windows
# architectures with the mingw-w64 toolchain files; tests run under Wine.
#
#   tests/wine/check-cmake-smoke.sh DEPS_CACHE WORK_DIR
#
# DEPS_CACHE: the cache given to tools/windows/build-pcre2.sh and
# build-gtest.sh (both are run here; they skip what is already built).
set -euo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
if [ $# -ne 2 ]; then echo "usage: $0 DEPS_CACHE WORK_DIR" >&2; exit 2; fi
mkdir -p "$1" "$2"
DEPS=$(cd "$1" && pwd)
WORK=$(cd "$2" && pwd)
. "$ROOT/tools/windows/wine-env.sh" "$WORK/wineprefix"
status=0
for arch in x86_64 i686; do
    bash "$ROOT/tools/windows/build-pcre2.sh" "$arch" "$DEPS"
    bash "$ROOT/tools/windows/build-gtest.sh" "$arch" "$DEPS"
    build=$WORK/build-$arch
    cmake -S "$HERE/cmake-smoke" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchains/mingw-w64-$arch.cmake" \
        -DQUILLFEN_WIN_DEPS="$DEPS/$arch" -DCMAKE_BUILD_TYPE=Release
    cmake --build "$build"
    ctest --test-dir "$build" --output-on-failure || status=1
done
wineserver -w
exit $status
