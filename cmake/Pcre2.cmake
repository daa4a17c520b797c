# PCRE2's 16-bit library: it matches UTF-16 code units one by one, which is
# the unit in which the conversion counts positions.
include(${CMAKE_CURRENT_LIST_DIR}/Library.cmake)
quillfen_library(pcre2 libpcre2-16 pcre2.h pcre2-16 DEFINITIONS PCRE2_STATIC)
