# libgcrypt: the GOST hashes and cipher, big numbers and the GOST curves.
include(${CMAKE_CURRENT_LIST_DIR}/Library.cmake)
if(WIN32)
  # Cross-built with libgpg-error, which libgcrypt needs. libgpg-error's
  # sockets need ws2_32; libgcrypt's entropy gatherer reads the registry
  # (advapi32) and the desktop's state (user32), which the compiler links by
  # default but are named to be sure.
  find_library(GPG_ERROR_LIBRARY NAMES libgpg-error.a gpg-error REQUIRED)
endif()
quillfen_library(gcrypt libgcrypt gcrypt.h gcrypt
  LINK ${GPG_ERROR_LIBRARY} ws2_32 advapi32 user32)
