# Where `cmake --install` and the packages put the program and its papers:
# on Linux the program, its manual page and its README in the system's
# places; for Windows the program and the README beside it, as a zip holds
# them (cmake/Package.cmake).
include(GNUInstallDirs)

if(WIN32)
  # Notepad shows a text with Windows line breaks, and Notepad before
  # Windows 10 reads it as UTF-8 only after a byte-order mark.
  set(QUILLFEN_README_TXT ${CMAKE_CURRENT_BINARY_DIR}/doc/README.txt)
  add_custom_command(
    OUTPUT ${QUILLFEN_README_TXT}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${CMAKE_CURRENT_SOURCE_DIR}/README.md
            -DOUTPUT=${QUILLFEN_README_TXT} -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/WindowsText.cmake
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/README.md ${CMAKE_CURRENT_SOURCE_DIR}/cmake/WindowsText.cmake
    VERBATIM)
  add_custom_target(quillfen_readme_txt ALL DEPENDS ${QUILLFEN_README_TXT})
  install(TARGETS quillfen RUNTIME DESTINATION .)
  install(FILES ${QUILLFEN_README_TXT} DESTINATION .)
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

include(cmake/Package.cmake)
