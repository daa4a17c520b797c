# libtasn1 decodes and encodes DER by the structures of an ASN.1 module; the
# module of the program is compiled into a table by libtasn1's own asn1Parser
# at build time (support/quillfen.asn -> quillfen_asn1_tab.c).
include(${CMAKE_CURRENT_LIST_DIR}/Library.cmake)
quillfen_library(tasn1 libtasn1 libtasn1.h tasn1 DEFINITIONS ASN1_STATIC)
# The parser runs on the build machine, also when cross-building.
find_program(QUILLFEN_ASN1_PARSER asn1Parser REQUIRED)
