# Read by cpack before it builds each package (CPACK_PROJECT_CONFIG_FILE):
# the .deb and the .rpm hold the same files but the licence, which each
# takes in the place its distributions keep it, as a component of its own
# (cmake/Install.cmake). Unspecified holds every other file. The package is
# still installed in one piece, component after component, into one tree.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(quillfen_licence deb_licence)
elseif(CPACK_GENERATOR STREQUAL "RPM")
  set(quillfen_licence rpm_licence)
endif()
if(DEFINED quillfen_licence)
  list(GET CPACK_INSTALL_CMAKE_PROJECTS 0 quillfen_build_dir)
  set(CPACK_INSTALL_CMAKE_PROJECTS
      "${quillfen_build_dir};quillfen;Unspecified;/"
      "${quillfen_build_dir};quillfen;${quillfen_licence};/")
endif()
