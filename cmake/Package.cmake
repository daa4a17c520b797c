# The packages: a .deb and an .rpm of the Linux program (built by the
# `package` preset, which links it for glibc 2.28 and later), and a zip of the
# Windows program. `cmake --workflow --preset deb|rpm` and tools/test-windows
# build them.
set(CPACK_PACKAGE_NAME quillfen)
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Velmora <packages@velmora.example>")
# The manual page's NAME line says the same (tools/test-package checks it).
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "move CryptoPro key containers, show what they hold, export keys to PEM and PFX")
# Both formats take each line of the long description as it stands, so the
# lines are kept short; each kind of key file has a line of its own.
set(QUILLFEN_PACKAGE_DESCRIPTION
    "Quillfen reads CryptoPro key containers from a Windows registry export
(.reg), a registry hive file or a key-container directory. It writes
each container as a key-container directory (one file per value of its
key, holding exactly its bytes), installs containers into a Linux user's
key store, and writes a container directory back into a .reg file for
Windows. It lists the containers of an export, shows what a container
holds (whose key it is, its certificate and when it expires), saves its
certificate, and exports its private key, proved against the
certificate before it is written:
 - as a PEM file for OpenSSL;
 - as a PFX file that Windows, CryptoPro CSP and OpenSSL import.
It never overwrites, leaves nothing behind when it fails, and makes the
directories and key files readable by their owner only.")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # Unpacked anywhere and run from there: no installer, no rights needed.
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_PACKAGE_FILE_NAME quillfen-${PROJECT_VERSION}-win64)
  else()
    set(CPACK_PACKAGE_FILE_NAME quillfen-${PROJECT_VERSION}-win32)
  endif()
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  include(CPack)
  return()
endif()

set(CPACK_GENERATOR DEB)
# A root umask of 002 would otherwise leave group-writable directories such
# as /usr/share/doc/quillfen in the packages.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${QUILLFEN_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Debian's own naming (name_version_architecture.deb) rather than CPack's,
# so the file reads like any package from the archive.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The shared libraries the program links, at the oldest versions that have
# the sonames and symbol versions it asks for; libgcrypt is linked in
# (cmake/Gcrypt.cmake). Written out rather than read by dpkg-shlibdeps:
# Debian 12's symbol file of libtasn1-6 gives every symbol the version that
# built it (4.14), which would keep the package off Debian 10 and Astra
# Linux SE 1.7 (libtasn1 4.13), whose library exports the same symbols under
# the same version (LIBTASN1_0_3). tools/test-package checks that the list
# names exactly the packages of the libraries the program links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.25), libhivex0 (>= 1.3.18), libpcre2-16-0 (>= 10.22), libtasn1-6 (>= 4.13)")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# rpmbuild's own naming (name-version-release.arch.rpm). Its Requires are
# the sonames and symbol versions rpmbuild reads from the program, which
# every RPM distribution resolves whatever it names its packages.
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_PACKAGE_DESCRIPTION "${QUILLFEN_PACKAGE_DESCRIPTION}")
set(CPACK_RPM_PACKAGE_GROUP "Applications/System")
# The License field names the terms of everything the package holds, in
# SPDX's words: Quillfen's own code (MIT), the libgcrypt and libgpg-error
# linked into the program (LGPL 2.1 or later; BSD-3-Clause for a few of
# libgcrypt's files), and GCC's libstdc++ and libgcc linked in under their
# runtime exception. LICENSE and doc/copyright give each in full.
set(CPACK_RPM_PACKAGE_LICENSE
    "MIT AND LGPL-2.1-or-later AND BSD-3-Clause AND GPL-3.0-or-later WITH GCC-exception-3.1")
# Marked %license, rpm installs them even where documentation is left out
# (--excludedocs, tsflags=nodocs), and `rpm -qL` lists them.
set(CPACK_RPM_USER_FILELIST "%license /usr/share/licenses/quillfen/LICENSE"
                            "%license /usr/share/licenses/quillfen/LGPL-2.1.txt")
# Installed where the files say, as the .deb is.
set(CPACK_PACKAGE_RELOCATABLE OFF)
set(CPACK_RPM_PACKAGE_RELOCATABLE OFF)
# The package owns /usr/share/doc/quillfen and /usr/share/licenses/quillfen
# and nothing that the system's own packages own, nor rpmbuild's links from
# build ids to the program.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/share/man /usr/share/man/man1 /usr/share/licenses)
set(CPACK_RPM_SPEC_MORE_DEFINE "%define _build_id_links none")
set(CPACK_RPM_PACKAGE_AUTOREQ ON)
set(CPACK_RPM_PACKAGE_AUTOPROV OFF)
# rpm 4.14 of RHEL 8 and the rpm of ALT read xz; newer rpmbuilds default to
# zstd, which older ones do not.
set(CPACK_RPM_COMPRESSION_TYPE xz)

# Each package takes the licence in its own place (cmake/Install.cmake).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/cmake/PackageComponents.cmake)

# `make package_source` would otherwise pack the build tree and Git's data.
set(CPACK_SOURCE_GENERATOR TGZ)
# The patterns are written into CPackSourceConfig.cmake and parsed again, so
# a literal dot needs its backslash escaped twice.
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "/\\\\.cache/")

include(CPack)
