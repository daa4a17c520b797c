# libhivex reads registry hive files. It is not built for the Windows
# program: its sources need an iconv and POSIX pieces that mingw-w64 lacks, so
# there a hive file is refused with a message instead.
if(WIN32 OR TARGET quillfen::hivex)
  return()
endif()
find_package(PkgConfig REQUIRED)
pkg_check_modules(HIVEX REQUIRED IMPORTED_TARGET hivex)
add_library(quillfen::hivex ALIAS PkgConfig::HIVEX)
