# PCRE2's 16-bit library: it matches UTF-16 code units one by one, which is
# the unit in which the conversion counts positions.
if(TARGET quillfen::pcre2)
  return()
endif()
if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(PCRE2_16 REQUIRED IMPORTED_TARGET libpcre2-16)
  add_library(quillfen::pcre2 ALIAS PkgConfig::PCRE2_16)
else()
  # Cross-built as a static library (tools/windows/build-pcre2.sh); the
  # host's pkg-config files must not be taken for it.
  find_path(PCRE2_INCLUDE_DIR pcre2.h REQUIRED)
  find_library(PCRE2_16_LIBRARY NAMES libpcre2-16.a pcre2-16 REQUIRED)
  add_library(quillfen::pcre2 STATIC IMPORTED)
  set_target_properties(quillfen::pcre2 PROPERTIES
    IMPORTED_LOCATION ${PCRE2_16_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${PCRE2_INCLUDE_DIR}
    INTERFACE_COMPILE_DEFINITIONS "PCRE2_STATIC")
endif()
