# libgcrypt: the GOST hashes and cipher, big numbers and the GOST curves.
if(TARGET quillfen::gcrypt)
  return()
endif()
if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(GCRYPT REQUIRED IMPORTED_TARGET libgcrypt)
  add_library(quillfen::gcrypt ALIAS PkgConfig::GCRYPT)
else()
  # Cross-built as static libraries with libgpg-error, which libgcrypt needs
  # (tools/windows/build-gcrypt.sh); the host's pkg-config files must not be
  # taken for them. libgpg-error's sockets need ws2_32; libgcrypt's entropy
  # gatherer reads the registry (advapi32) and the desktop's state (user32),
  # which the compiler links by default but are named to be sure.
  find_path(GCRYPT_INCLUDE_DIR gcrypt.h REQUIRED)
  find_library(GCRYPT_LIBRARY NAMES libgcrypt.a gcrypt REQUIRED)
  find_library(GPG_ERROR_LIBRARY NAMES libgpg-error.a gpg-error REQUIRED)
  add_library(quillfen::gcrypt STATIC IMPORTED)
  set_target_properties(quillfen::gcrypt PROPERTIES
    IMPORTED_LOCATION ${GCRYPT_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${GCRYPT_INCLUDE_DIR}
    INTERFACE_LINK_LIBRARIES "${GPG_ERROR_LIBRARY};ws2_32;advapi32;user32")
endif()
