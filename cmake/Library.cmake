# quillfen_library(NAME MODULE HEADER LIBRARY [PREFIX DIR] [DEFINITIONS ...] [LINK ...])
#
# Makes the target quillfen::NAME of a library the program links. On Linux
# it is the pkg-config module MODULE. For Windows, and on Linux when PREFIX
# names a directory, it is the static library LIBRARY with its header HEADER,
# built into the dependency prefix (PREFIX, or for Windows the toolchain's
# root) by tools/windows/build-*.sh or tools/libraries/build-*.sh; the
# host's pkg-config files must not be taken for it. A user of the static
# library compiles with DEFINITIONS and links LINK besides.
include_guard(GLOBAL)

function(quillfen_library name module header library)
  if(TARGET quillfen::${name})
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 4 ARG "" "PREFIX" "DEFINITIONS;LINK")
  if(NOT WIN32 AND NOT ARG_PREFIX)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(QUILLFEN_${name} REQUIRED IMPORTED_TARGET ${module})
    add_library(quillfen::${name} ALIAS PkgConfig::QUILLFEN_${name})
  else()
    set(only_prefix)
    if(ARG_PREFIX)
      set(only_prefix PATHS ${ARG_PREFIX} NO_DEFAULT_PATH)
    endif()
    find_path(QUILLFEN_${name}_INCLUDE_DIR ${header} PATH_SUFFIXES include ${only_prefix} REQUIRED)
    find_library(QUILLFEN_${name}_LIBRARY NAMES lib${library}.a ${library} PATH_SUFFIXES lib
                 ${only_prefix} REQUIRED)
    add_library(quillfen::${name} STATIC IMPORTED)
    set_target_properties(quillfen::${name} PROPERTIES
      IMPORTED_LOCATION ${QUILLFEN_${name}_LIBRARY}
      INTERFACE_INCLUDE_DIRECTORIES ${QUILLFEN_${name}_INCLUDE_DIR}
      INTERFACE_COMPILE_DEFINITIONS "${ARG_DEFINITIONS}"
      INTERFACE_LINK_LIBRARIES "${ARG_LINK}")
  endif()
endfunction()
