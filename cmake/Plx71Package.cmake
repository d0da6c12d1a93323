# The Debian package (cpack -G DEB in a release build folder, or
# scripts/build_deb.sh). Installs under /usr; the run-time libraries it
# needs (Qt 6, the C++ library) are found by dpkg-shlibdeps.
if(NOT UNIX OR APPLE OR CMAKE_CROSSCOMPILING)
  return()
endif()

set(PLX71_DEB_RELEASE 1)
set(PLX71_DEB_VERSION ${PROJECT_VERSION}-${PLX71_DEB_RELEASE})
set(PLX71_MAINTAINER "PLX-71RD suite developers <plx71@example.org>")

# Files only the package carries: the Debian change log and copyright,
# copied into the package root as they lie in PLX71_DEB_EXTRA.
set(PLX71_DEB_EXTRA ${PROJECT_BINARY_DIR}/deb-extra)
set(PLX71_DEB_DOCDIR ${PLX71_DEB_EXTRA}/usr/share/doc/plx71)
file(MAKE_DIRECTORY ${PLX71_DEB_DOCDIR})
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${PROJECT_BINARY_DIR}/changelog.Debian @ONLY)
execute_process(COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/changelog.Debian
  OUTPUT_FILE ${PLX71_DEB_DOCDIR}/changelog.Debian.gz RESULT_VARIABLE gzip_rc)
if(NOT gzip_rc EQUAL 0)
  message(FATAL_ERROR "gzip failed for changelog.Debian")
endif()
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${PLX71_DEB_DOCDIR}/copyright COPYONLY)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME plx71)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "PLX-71RD suite developers")
set(CPACK_PACKAGE_CONTACT ${PLX71_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "PC suite of the PLX-71RD flash writer box")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALLED_DIRECTORIES "${PLX71_DEB_EXTRA};.")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${PLX71_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${PLX71_DEB_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion, udev")
# The summary above makes the first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Prepares programming jobs for M16C microcontrollers (device type, User ROM
and Boot ROM data from Intel HEX and S-record files, blocks, lock bits,
check ID), stores them in the PLX-71RD writer box over RS-232C, reads them
back, and updates the box's firmware.
.
Holds the writer control program PLX71RD, the firmware loader Plx71Ldr and
the production station Plx71Station (Qt 6), the command-line tool plx71, the writer box in software plx71sim,
the line server plx71line (every station's records in SQLite or PostgreSQL), and the device definition table.")

include(CPack)
