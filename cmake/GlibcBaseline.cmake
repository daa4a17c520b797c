# The packaged Linux program starts on glibc 2.28 and needs no libstdc++ of
# the system: libstdc++ and libgcc are linked in, and the few glibc symbols
# that a Debian 12 link would take at a newer version (for the program, the
# static libstdc++, libgcc, libgcrypt and libgpg-error) go to the stand-ins
# in host/glibc_baseline_posix.cpp, each named here once. libpthread.so.0 is
# linked whatever the linker thinks of it: in 2.28 pthread_once lives there.
# Only the program gets this; the tests link the system's GoogleTest, which
# needs the system's libstdc++.
option(QUILLFEN_GLIBC_BASELINE "Link the program to run on glibc 2.28 and later" OFF)
if(NOT QUILLFEN_GLIBC_BASELINE)
  return()
endif()
if(WIN32 OR NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  message(FATAL_ERROR "QUILLFEN_GLIBC_BASELINE is written for x86_64 Linux only")
endif()

set(QUILLFEN_GLIBC_WRAPPED
  __libc_start_main       # 2.34
  __libc_single_threaded  # 2.32
  __pthread_key_create    # 2.34
  _dl_find_object         # 2.35
  arc4random              # 2.36
  fstat                   # 2.33
  fstat64                 # 2.33
  fstatat                 # 2.33
  lstat                   # 2.33
  pthread_mutex_trylock   # 2.34
  pthread_once            # 2.34
  stat)                   # 2.33
target_sources(quillfen PRIVATE host/glibc_baseline_posix.cpp)
target_link_options(quillfen PRIVATE -static-libstdc++ -static-libgcc)
foreach(symbol IN LISTS QUILLFEN_GLIBC_WRAPPED)
  target_link_options(quillfen PRIVATE "LINKER:--wrap=${symbol}")
endforeach()
# A DT_HASH table beside the GNU one: rpmbuild then asks for no
# rtld(GNU_HASH), a name that an RPM distribution's glibc need not provide.
target_link_options(quillfen PRIVATE "LINKER:--hash-style=both")
target_link_libraries(quillfen PRIVATE "-Wl,--push-state,--no-as-needed" -l:libpthread.so.0
                                       "-Wl,--pop-state")
