# Debian package of both programs: `cpack -G DEB` in the build folder, or
# scripts/package.sh. The run-time dependencies are computed by
# dpkg-shlibdeps from what the binaries link, so they follow the Qt and
# TinyXML packages of the distribution the package is built on (libmosquitto1
# through the capture tool; scripts/check-package.sh insists); the private
# device library is found through the programs' RUNPATH and needs none.

set(CPACK_PACKAGE_NAME "kivra-lite")
set(CPACK_PACKAGE_VENDOR "Orvane GmbH")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Orvane GmbH <support@orvane.com>" CACHE STRING
    "Maintainer field of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "data acquisition and calibration for Kivra Tolm sensor boards")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "DEB")
set(CPACK_SOURCE_GENERATOR "")

set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The toolkit's own German texts (standard buttons and dialogs), loaded
# beside the programs' compiled-in German translation; no library links them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qttranslations5-l10n")
# The extended description; CPack puts the summary above it and indents it
# the Debian way.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Kivra DAQ lite acquires frames from an Orvane Kivra Tolm measurement board
over USB or Ethernet, shows its 8 x 8 sensor array as bar graphs and as a
grid together with the analog inputs, the digital I/O lines and the
hardware counter, and captures frames into a CSV log around a trigger
event.

Kivra CAL lite records calibration points and column sensitivities for the
sensors and keeps them in a .tolmcal3 calibration file that Kivra DAQ lite
loads.

The package carries the board emulator as the device library, so both
programs run on an emulated board (their window titles say so) and on a
network board served by kivratolm-board-emulator.")

include(CPack)
