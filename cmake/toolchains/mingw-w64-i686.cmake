# CMake toolchain file: cross-compile for Windows (i686) with Debian's
# mingw-w64 (win32 thread model), run results under Wine.
#
#   cmake -S . -B build-win-i686 -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-i686.cmake \
#         -DQUILLFEN_WIN_DEPS=/path/to/cache/i686
#
# QUILLFEN_WIN_DEPS (cache variable or environment variable) is an install
# prefix holding cross-built libraries (e.g. from
# tools/windows/build-pcre2.sh); it is added to the find root path.
set(QUILLFEN_MINGW_ARCH i686)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake")
