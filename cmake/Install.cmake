# Where `cmake --install` and the packages put the program and its papers:
# on Linux the program, its manual page, its README and its licence in the
# system's places; for Windows the program with the README, the licence and
# the LGPL beside it, as a zip holds them (cmake/Package.cmake).
include(GNUInstallDirs)

if(WIN32)
  # Notepad shows a text with Windows line breaks, and Notepad before
  # Windows 10 reads it as UTF-8 only after a byte-order mark.
  set(QUILLFEN_WINDOWS_TEXTS)
  foreach(pair README.md:README.txt LICENSE:LICENSE.txt LICENSES/LGPL-2.1.txt:LGPL-2.1.txt)
    string(REPLACE ":" ";" pair "${pair}")
    list(GET pair 0 input)
    list(GET pair 1 output)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/doc/${output})
    add_custom_command(
      OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -DINPUT=${CMAKE_CURRENT_SOURCE_DIR}/${input} -DOUTPUT=${output} -P
              ${CMAKE_CURRENT_SOURCE_DIR}/cmake/WindowsText.cmake
      DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${input} ${CMAKE_CURRENT_SOURCE_DIR}/cmake/WindowsText.cmake
      VERBATIM)
    list(APPEND QUILLFEN_WINDOWS_TEXTS ${output})
  endforeach()
  add_custom_target(quillfen_windows_texts ALL DEPENDS ${QUILLFEN_WINDOWS_TEXTS})
  install(TARGETS quillfen RUNTIME DESTINATION .)
  install(FILES ${QUILLFEN_WINDOWS_TEXTS} DESTINATION .)
  include(cmake/Package.cmake)
  return()
endif()

install(TARGETS quillfen RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Debian keeps manual pages compressed; -n leaves the name and time out of the
# header, so the same page gives the same bytes in every build.
set(QUILLFEN_MAN_PAGE ${CMAKE_CURRENT_SOURCE_DIR}/doc/quillfen.1)
find_program(QUILLFEN_GZIP gzip)
if(QUILLFEN_GZIP)
  set(QUILLFEN_MAN_PAGE_GZ ${CMAKE_CURRENT_BINARY_DIR}/doc/quillfen.1.gz)
  add_custom_command(
    OUTPUT ${QUILLFEN_MAN_PAGE_GZ}
    COMMAND ${CMAKE_COMMAND} -E copy ${QUILLFEN_MAN_PAGE} ${CMAKE_CURRENT_BINARY_DIR}/doc/quillfen.1
    COMMAND ${QUILLFEN_GZIP} -9nf ${CMAKE_CURRENT_BINARY_DIR}/doc/quillfen.1
    DEPENDS ${QUILLFEN_MAN_PAGE}
    VERBATIM)
  add_custom_target(quillfen_man_page ALL DEPENDS ${QUILLFEN_MAN_PAGE_GZ})
  install(FILES ${QUILLFEN_MAN_PAGE_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  install(FILES ${QUILLFEN_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The licence goes where each kind of package keeps it: a .deb as Debian's
# machine-readable copyright file, doc/copyright (Debian's packages leave the
# LGPL and the GPL to /usr/share/common-licenses), an .rpm as LICENSE under
# /usr/share/licenses, marked %license there (cmake/Package.cmake), with the
# LGPL beside it. Each package takes its own component
# (cmake/PackageComponents.cmake); a plain `cmake --install` takes the first.
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/doc/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR}
        COMPONENT deb_licence)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSES/LGPL-2.1.txt
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/licenses/quillfen COMPONENT rpm_licence EXCLUDE_FROM_ALL)

include(cmake/Package.cmake)
