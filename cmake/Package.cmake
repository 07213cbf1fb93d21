# The Debian package (CPack DEB): "cpack -G DEB" in a build tree, or scripts/package. The
# package installs under /usr; its dependencies come from the programs' libraries
# (dpkg-shlibdeps) plus what the program needs at run time without linking to it: the Qt
# platform plugins, a Japanese font, and Qt's Japanese translations for the file dialogs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tivra)
set(CPACK_PACKAGE_VENDOR "TIVRA")
set(CPACK_PACKAGE_VERSION ${TIVRA_VERSION_TEXT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Service tool for a wireless LAN access point")
set(CPACK_PACKAGE_DESCRIPTION
    "Firmware upload and download over the LAN or a serial cable, BIOS update, the Ethernet
controller's MAC address and the access point's MAC address filter, in a Japanese wizard.
Includes the KEMCMPRS compression library and tool, and a simulated access point.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "TIVRA developers <tivra@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-ipafont-gothic | fonts-noto-cjk | fonts-vlgothic, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
