# Where `cmake --install` and the Debian package put the program, its manual
# page and its README.
include(GNUInstallDirs)

install(TARGETS quillfen RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Debian keeps manual pages compressed; -n leaves the name and time out of the
# header, so the same page gives the same bytes in every build.
set(QUILLFEN_MAN_PAGE ${CMAKE_CURRENT_SOURCE_DIR}/doc/quillfen.1)
find_program(QUILLFEN_GZIP gzip)
if(QUILLFEN_GZIP AND NOT WIN32)
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

if(NOT WIN32)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME quillfen)
  set(CPACK_PACKAGE_VENDOR Velmora)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
      "move a CryptoPro key container out of a Windows registry export")
  # CPack puts each line of the long description on a control-file line of
  # its own, so the lines are kept short here.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Quillfen reads a Windows registry export (.reg) that holds a CryptoPro
key container's key and writes a key-container directory: one file per
value of the key, named as the value and holding exactly its bytes.
It never overwrites, leaves nothing behind when it fails, and makes the
directory and files readable by their owner only.")
  set(CPACK_PACKAGE_CONTACT "Velmora <packages@velmora.example>")
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velmora <packages@velmora.example>")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Debian's own naming (name_version_architecture.deb) rather than CPack's,
  # so the file reads like any package from the archive.
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # The libraries the program needs are read from the binary by
  # dpkg-shlibdeps, so Depends follows whatever the build linked against.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # A root umask of 002 would otherwise leave group-writable directories such
  # as /usr/share/doc/quillfen in the package.
  set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
      OWNER_READ OWNER_WRITE OWNER_EXECUTE
      GROUP_READ GROUP_EXECUTE
      WORLD_READ WORLD_EXECUTE)
  set(CPACK_STRIP_FILES ON)

  # `make package_source` would otherwise pack the build tree and Git's data.
  set(CPACK_SOURCE_GENERATOR TGZ)
  # The patterns are written into CPackSourceConfig.cmake and parsed again, so
  # a literal dot needs its backslash escaped twice.
  set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "/\\\\.cache/")

  include(CPack)
endif()
