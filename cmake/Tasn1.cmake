# libtasn1 decodes and encodes DER by the structures of an ASN.1 module; the
# module of the program is compiled into a table by libtasn1's own asn1Parser
# at build time (support/quillfen.asn -> quillfen_asn1_tab.c).
if(TARGET quillfen::tasn1)
  return()
endif()
if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(TASN1 REQUIRED IMPORTED_TARGET libtasn1)
  add_library(quillfen::tasn1 ALIAS PkgConfig::TASN1)
else()
  # Cross-built as a static library (tools/windows/build-tasn1.sh).
  find_path(TASN1_INCLUDE_DIR libtasn1.h REQUIRED)
  find_library(TASN1_LIBRARY NAMES libtasn1.a tasn1 REQUIRED)
  add_library(quillfen::tasn1 STATIC IMPORTED)
  set_target_properties(quillfen::tasn1 PROPERTIES
    IMPORTED_LOCATION ${TASN1_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${TASN1_INCLUDE_DIR}
    INTERFACE_COMPILE_DEFINITIONS "ASN1_STATIC")
endif()
# The parser runs on the build machine, also when cross-building.
find_program(QUILLFEN_ASN1_PARSER asn1Parser REQUIRED)
