# libgcrypt: the GOST hashes and cipher, big numbers and the GOST curves.
include(${CMAKE_CURRENT_LIST_DIR}/Library.cmake)
# The program of the Linux packages contains its libgcrypt, as the Windows
# program does: the systems the packages are for have libgcrypt 1.8, which
# lacks GOST algorithms the program needs (README, "Installing").
set(QUILLFEN_GCRYPT_PREFIX "" CACHE PATH
    "Link the static libgcrypt and libgpg-error of this prefix (tools/package/build-gcrypt.sh) instead of the system's")
if(WIN32)
  # Cross-built with libgpg-error, which libgcrypt needs. libgpg-error's
  # sockets need ws2_32; libgcrypt's entropy gatherer reads the registry
  # (advapi32) and the desktop's state (user32), which the compiler links by
  # default but are named to be sure.
  find_library(GPG_ERROR_LIBRARY NAMES libgpg-error.a gpg-error REQUIRED)
  quillfen_library(gcrypt libgcrypt gcrypt.h gcrypt
    LINK ${GPG_ERROR_LIBRARY} ws2_32 advapi32 user32)
elseif(QUILLFEN_GCRYPT_PREFIX)
  if(NOT EXISTS ${QUILLFEN_GCRYPT_PREFIX}/lib/libgcrypt.a)
    message(FATAL_ERROR "${QUILLFEN_GCRYPT_PREFIX} holds no libgcrypt.a: "
                        "build it first with tools/package/build-gcrypt.sh (as root)")
  endif()
  find_library(GPG_ERROR_LIBRARY NAMES libgpg-error.a PATHS ${QUILLFEN_GCRYPT_PREFIX}/lib
               NO_DEFAULT_PATH REQUIRED)
  quillfen_library(gcrypt libgcrypt gcrypt.h gcrypt PREFIX ${QUILLFEN_GCRYPT_PREFIX}
    LINK ${GPG_ERROR_LIBRARY})
else()
  quillfen_library(gcrypt libgcrypt gcrypt.h gcrypt)
endif()
