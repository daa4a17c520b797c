# CMake toolchain file: cross-compile for Windows (x86_64) with Debian's
# mingw-w64 (win32 thread model), run results under Wine.
#
#   cmake -S . -B build-win-x86_64 -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
#         -DQUILLFEN_WIN_DEPS=/path/to/cache/x86_64
#
# QUILLFEN_WIN_DEPS (cache variable or environment variable) is an install
# prefix holding cross-built libraries (e.g. from
# tools/windows/build-pcre2.sh); it is added to the find root path.
set(QUILLFEN_MINGW_ARCH x86_64)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake")
