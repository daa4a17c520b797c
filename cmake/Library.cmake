# quillfen_library(NAME MODULE HEADER LIBRARY [DEFINITIONS ...] [LINK ...])
#
# Makes the target quillfen::NAME of a library the program links. On Linux
# it is the pkg-config module MODULE. For Windows it is the static library
# LIBRARY with its header HEADER, cross-built into the dependency prefix by
# tools/windows/build-*.sh; the host's pkg-config files must not be taken
# for it. A user of the static library compiles with DEFINITIONS and links
# LINK besides.
include_guard(GLOBAL)

function(quillfen_library name module header library)
  if(TARGET quillfen::${name})
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 4 ARG "" "" "DEFINITIONS;LINK")
  if(NOT WIN32)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(QUILLFEN_${name} REQUIRED IMPORTED_TARGET ${module})
    add_library(quillfen::${name} ALIAS PkgConfig::QUILLFEN_${name})
  else()
    find_path(QUILLFEN_${name}_INCLUDE_DIR ${header} REQUIRED)
    find_library(QUILLFEN_${name}_LIBRARY NAMES lib${library}.a ${library} REQUIRED)
    add_library(quillfen::${name} STATIC IMPORTED)
    set_target_properties(quillfen::${name} PROPERTIES
      IMPORTED_LOCATION ${QUILLFEN_${name}_LIBRARY}
      INTERFACE_INCLUDE_DIRECTORIES ${QUILLFEN_${name}_INCLUDE_DIR}
      INTERFACE_COMPILE_DEFINITIONS "${ARG_DEFINITIONS}"
      INTERFACE_LINK_LIBRARIES "${ARG_LINK}")
  endif()
endfunction()
