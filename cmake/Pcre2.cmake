# PCRE2's 16-bit library: it matches UTF-16 code units one by one, which is
# the unit in which the conversion counts positions.
if(TARGET quillfen::pcre2)
  return()
endif()
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(PCRE2_16 IMPORTED_TARGET libpcre2-16)
endif()
if(PCRE2_16_FOUND)
  add_library(quillfen::pcre2 ALIAS PkgConfig::PCRE2_16)
else()
  find_path(PCRE2_INCLUDE_DIR pcre2.h REQUIRED)
  find_library(PCRE2_16_LIBRARY NAMES pcre2-16 pcre2-16-static REQUIRED)
  add_library(quillfen::pcre2 UNKNOWN IMPORTED)
  set_target_properties(quillfen::pcre2 PROPERTIES
    IMPORTED_LOCATION ${PCRE2_16_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${PCRE2_INCLUDE_DIR}
    INTERFACE_COMPILE_DEFINITIONS "PCRE2_STATIC")
endif()
