# Shared part of mingw-w64-x86_64.cmake and mingw-w64-i686.cmake.
# Expects QUILLFEN_MINGW_ARCH (x86_64 or i686) to be set by the includer.
if(NOT QUILLFEN_MINGW_ARCH MATCHES "^(x86_64|i686)$")
  message(FATAL_ERROR "QUILLFEN_MINGW_ARCH must be x86_64 or i686")
endif()

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)   # Windows 7 and later
set(CMAKE_SYSTEM_PROCESSOR ${QUILLFEN_MINGW_ARCH})

set(_qf_triple ${QUILLFEN_MINGW_ARCH}-w64-mingw32)

# Debian ships two thread models; the -win32 ones use native Win32
# threads (no winpthread dependency).
set(CMAKE_C_COMPILER   ${_qf_triple}-gcc-win32)
set(CMAKE_CXX_COMPILER ${_qf_triple}-g++-win32)
set(CMAKE_RC_COMPILER  ${_qf_triple}-windres)
set(CMAKE_AR           /usr/bin/${_qf_triple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB       /usr/bin/${_qf_triple}-ranlib CACHE FILEPATH "")

# Link libgcc/libstdc++ statically: the .exe then needs only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Look for headers/libraries only in the mingw sysroot (and the optional
# dependency prefix), never in the host's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${_qf_triple})
if(NOT DEFINED QUILLFEN_WIN_DEPS AND DEFINED ENV{QUILLFEN_WIN_DEPS})
  set(QUILLFEN_WIN_DEPS "$ENV{QUILLFEN_WIN_DEPS}")
endif()
# Forward it to try_compile() projects, which re-read this file.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUILLFEN_WIN_DEPS)
if(QUILLFEN_WIN_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH "${QUILLFEN_WIN_DEPS}")
  list(APPEND CMAKE_PREFIX_PATH "${QUILLFEN_WIN_DEPS}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Run cross-built programs (CTest, gtest_discover_tests) through Wine.
# On Debian 12 /usr/bin/wine handles both 32- and 64-bit programs
# (/usr/lib/wine/wine hands PE32+ files to /usr/lib/wine/wine64).
find_program(QUILLFEN_WINE_EXECUTABLE NAMES wine wine-stable)
if(QUILLFEN_WINE_EXECUTABLE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${QUILLFEN_WINE_EXECUTABLE}")
endif()
