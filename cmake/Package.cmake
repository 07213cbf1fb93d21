# The Debian packages (CPack DEB, one package per install component of cmake/Install.cmake):
# "cpack -G DEB" in a build tree, or scripts/package. They install under /usr.
#   tivra            the wizard (Qt); needs libkemcmprs1
#   tivra-cli        the command line; no Qt, no X11, for headless service machines
#   tivra-apsim      the simulated access point
#   libkemcmprs1     the shared library (soname package: shlibs, symbols, ldconfig trigger)
#   libkemcmprs-dev  header, unversioned link, pkg-config and CMake files, the kemcmprs tool
#   tivra-data       the maker's loader programs and pictures (only with -DTIVRA_VENDOR_FILES)
# The programs' dependencies come from their libraries (dpkg-shlibdeps); the wizard adds what it
# needs at run time without linking to it: the Qt platform plugins, a Japanese font, and Qt's
# Japanese translations for the file dialogs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tivra)
set(CPACK_PACKAGE_VENDOR "TIVRA")
set(CPACK_PACKAGE_VERSION ${TIVRA_VERSION_TEXT})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${TIVRA_INSTALL_COMPONENTS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SOURCE tivra)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TIVRA_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs' dpkg-shlibdeps run finds libkemcmprs.so.1 in the build tree; the dependency on
# libkemcmprs1 comes from the component dependencies below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

foreach(component IN LISTS CPACK_COMPONENTS_ALL)
    tivra_component_package(${component} package)
    string(TOUPPER ${component} upper)
    set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package})
endforeach()

# Descriptions: the synopsis, then the long text (lines under 80 characters).
set(CPACK_DEBIAN_WIZARD_DESCRIPTION "service wizard for a wireless LAN access point
Uploads and downloads the firmware over the LAN or a serial cable, updates
the BIOS, programs the Ethernet controller's MAC address and edits the
access point's MAC address filter, in a Japanese wizard (Qt).")
set(CPACK_DEBIAN_CLI_DESCRIPTION "command line service tool for a wireless LAN access point
Runs the operations of the TIVRA wizard without a window, for scripts and
batch work: firmware upload, download and verify over the network or the
serial port, the BIOS update, the MAC address setting and the MAC address
filter. It needs neither Qt nor X11.")
set(CPACK_DEBIAN_APSIM_DESCRIPTION "simulated wireless LAN access point for TIVRA
Answers like the access point on a loopback address (its web pages and its
firmware image port) and plays its boot code, firmware loader and EEPROM
programmer on a pseudo-terminal, for trying TIVRA without hardware.")
set(CPACK_DEBIAN_LIB_DESCRIPTION "KEMCMPRS compressed container library
Turns a file into a compressed container file (run-length coding with a
checksum and a short memo) and back.")
set(CPACK_DEBIAN_DEV_DESCRIPTION "KEMCMPRS compressed container library - development files
The header kemcmprs.h, the link libkemcmprs.so, the pkg-config file
kemcmprs.pc and the CMake package (find_package(kemcmprs)), and the tool
kemcmprs that compresses and expands container files.")
set(CPACK_DEBIAN_DATA_DESCRIPTION "loader programs and pictures for TIVRA
The access point maker's loader programs for the serial operations and the
pictures the wizard shows.")

set(CPACK_DEBIAN_WIZARD_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_CLI_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_APSIM_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_LIB_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DATA_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_DATA_PACKAGE_ARCHITECTURE all)

set(CPACK_COMPONENT_WIZARD_DEPENDS Lib)
set(CPACK_COMPONENT_DEV_DEPENDS Lib)
set(CPACK_DEBIAN_WIZARD_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-ipafont-gothic | fonts-noto-cjk | fonts-vlgothic, qt6-translations-l10n")
if(TIVRA_VENDOR_FILES)
    set(CPACK_COMPONENT_WIZARD_DEPENDS Lib Data)
    set(CPACK_COMPONENT_CLI_DEPENDS Data)
endif()

# The library package: its shlibs and symbols files and the ldconfig trigger. CPack's own
# dependency scan is off for it, because that scan also writes maintainer scripts that call
# ldconfig, which the trigger replaces; cmake/PackageLibraryDepends.cmake runs dpkg-shlibdeps
# on the staged library instead.
set(tivra_debian_generated ${CMAKE_BINARY_DIR}/generated/debian)
configure_file(${CMAKE_SOURCE_DIR}/data/debian/libkemcmprs1.shlibs.in
    ${tivra_debian_generated}/shlibs @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/data/debian/libkemcmprs1.symbols.in
    ${tivra_debian_generated}/symbols @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/data/debian/libkemcmprs1.triggers
    ${tivra_debian_generated}/triggers COPYONLY)
set(CPACK_DEBIAN_LIB_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_LIB_PACKAGE_CONTROL_EXTRA ${tivra_debian_generated}/shlibs
    ${tivra_debian_generated}/symbols ${tivra_debian_generated}/triggers)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackageLibraryDepends.cmake)

include(CPack)
