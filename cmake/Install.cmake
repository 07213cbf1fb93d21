# The Linux layout of an installed TIVRA, split into the install components that become the
# Debian packages (cmake/Package.cmake):
#   Wizard  bin/tivra, the desktop entry, its icon and the AppStream metainfo   -> tivra
#   Cli     bin/tivra-cli                                                        -> tivra-cli
#   Apsim   bin/tivra-apsim                                                      -> tivra-apsim
#   Lib     lib/libkemcmprs.so.1 (the versioned soname)                          -> libkemcmprs1
#   Dev     the header, the unversioned link, kemcmprs.pc, the CMake package
#           and the kemcmprs tool                                                -> libkemcmprs-dev
#   Data    the maker's loader programs and pictures in share/tivra (only with
#           -DTIVRA_VENDOR_FILES)                                                -> tivra-data
# Every component carries its manual pages and its copyright and changelog files.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# libkemcmprs.so.1: the soname carries the interface version, the file the full version.
set(KEMCMPRS_SOVERSION ${PROJECT_VERSION_MAJOR})
set_target_properties(kemcmprs PROPERTIES
    VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}
    SOVERSION ${KEMCMPRS_SOVERSION})

# The Debian package name of each component; Package.cmake and the documentation files use it.
set(TIVRA_COMPONENT_PACKAGES
    Wizard tivra Cli tivra-cli Apsim tivra-apsim
    Lib libkemcmprs${KEMCMPRS_SOVERSION} Dev libkemcmprs-dev Data tivra-data)
function(tivra_component_package component out)
    list(FIND TIVRA_COMPONENT_PACKAGES ${component} at)
    math(EXPR at "${at} + 1")
    list(GET TIVRA_COMPONENT_PACKAGES ${at} package)
    set(${out} ${package} PARENT_SCOPE)
endfunction()

set(TIVRA_PACKAGE_MAINTAINER "TIVRA maintainers <maintainers@tivra.org>"
    CACHE STRING "Maintainer named in the Debian packages and their changelog")
# The Debian revision of the packages built from this version.
set(TIVRA_DEB_VERSION ${TIVRA_VERSION_TEXT}-1)

# Installed programs that use the library find it in ../lib wherever the tree is unpacked (a
# staging folder as well as /usr).
set(tivra_programs kemcmprs_tool)
if(TARGET tivra)
    list(APPEND tivra_programs tivra)
endif()
set_target_properties(${tivra_programs} PROPERTIES
    INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

if(TARGET tivra)
    install(TARGETS tivra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Wizard)
endif()
install(TARGETS tivra-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Cli)
install(TARGETS tivra-apsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Apsim)
install(TARGETS kemcmprs_tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Dev)

# The library: the soname file in Lib, the link "libkemcmprs.so" that the linker looks for in
# Dev, with the header and the files that let pkg-config and find_package(kemcmprs) find it.
install(TARGETS kemcmprs EXPORT kemcmprsTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Lib NAMELINK_COMPONENT Dev)
install(FILES ${CMAKE_SOURCE_DIR}/compress/kemcmprs.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT Dev)
set(kemcmprs_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/kemcmprs)
install(EXPORT kemcmprsTargets NAMESPACE kemcmprs:: DESTINATION ${kemcmprs_cmake_dir}
    COMPONENT Dev)
set(kemcmprs_generated ${CMAKE_BINARY_DIR}/generated/kemcmprs)
configure_package_config_file(${CMAKE_SOURCE_DIR}/compress/kemcmprsConfig.cmake.in
    ${kemcmprs_generated}/kemcmprsConfig.cmake INSTALL_DESTINATION ${kemcmprs_cmake_dir})
write_basic_package_version_file(${kemcmprs_generated}/kemcmprsConfigVersion.cmake
    VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}
    COMPATIBILITY SameMajorVersion)
install(FILES ${kemcmprs_generated}/kemcmprsConfig.cmake
    ${kemcmprs_generated}/kemcmprsConfigVersion.cmake
    DESTINATION ${kemcmprs_cmake_dir} COMPONENT Dev)
file(RELATIVE_PATH kemcmprs_pc_to_prefix /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${CMAKE_SOURCE_DIR}/compress/kemcmprs.pc.in ${kemcmprs_generated}/kemcmprs.pc
    @ONLY)
install(FILES ${kemcmprs_generated}/kemcmprs.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT Dev)

# share/tivra always exists, so an installed program never falls back to its bin/ folder; both
# the wizard and the command line read their loader programs there. The loader programs
# ("*.com"), the optional pictures and CFG8019.INI belong to the access point's maker and are
# not in the source tree: -DTIVRA_VENDOR_FILES=DIR installs them from DIR.
set(TIVRA_VENDOR_FILES "" CACHE PATH "Folder with the loader programs and pictures to install")
install(DIRECTORY DESTINATION ${CMAKE_INSTALL_DATADIR}/tivra COMPONENT Wizard)
install(DIRECTORY DESTINATION ${CMAKE_INSTALL_DATADIR}/tivra COMPONENT Cli)
if(TIVRA_VENDOR_FILES)
    install(DIRECTORY ${TIVRA_VENDOR_FILES}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tivra
        COMPONENT Data
        FILES_MATCHING PATTERN "*.com" PATTERN "*.jpg" PATTERN "CFG8019.INI")
endif()

set(tivra_linux_files ${CMAKE_SOURCE_DIR}/data/linux)
install(FILES ${tivra_linux_files}/org.tivra.Tivra.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT Wizard)
install(FILES ${tivra_linux_files}/org.tivra.Tivra.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT Wizard)
install(FILES ${tivra_linux_files}/org.tivra.Tivra.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT Wizard)

# Manual pages, compressed as Debian installs them: tivra-cli's comes from its option tables
# (cli/), tivra-apsim's and kemcmprs's from their --help text (help2man), the wizard's, which
# has no option table, is written by hand.
set(tivra_man_dir ${CMAKE_BINARY_DIR}/man/man1)
find_program(HELP2MAN_EXECUTABLE help2man REQUIRED)
set(tivra_gzip_to sh -c "gzip -9n -c \"$0\" > \"$1\"")
set(tivra_manual_pages)
function(tivra_compressed_page page source component)
    add_custom_command(OUTPUT ${tivra_man_dir}/${page}.1.gz
        COMMAND ${tivra_gzip_to} ${source} ${tivra_man_dir}/${page}.1.gz
        DEPENDS ${source} VERBATIM)
    install(FILES ${tivra_man_dir}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT ${component})
    set(tivra_manual_pages ${tivra_manual_pages} ${tivra_man_dir}/${page}.1.gz PARENT_SCOPE)
endfunction()
function(tivra_help2man_page target page name component)
    add_custom_command(OUTPUT ${tivra_man_dir}/${page}.1
        COMMAND ${CMAKE_COMMAND} -E make_directory ${tivra_man_dir}
        COMMAND ${HELP2MAN_EXECUTABLE} --no-info --no-discard-stderr
            --version-string=${TIVRA_VERSION_TEXT} --name=${name}
            --output=${tivra_man_dir}/${page}.1 $<TARGET_FILE:${target}>
        DEPENDS ${target} VERBATIM)
    tivra_compressed_page(${page} ${tivra_man_dir}/${page}.1 ${component})
    set(tivra_manual_pages ${tivra_manual_pages} PARENT_SCOPE)
endfunction()
tivra_compressed_page(tivra-cli ${tivra_man_dir}/tivra-cli.1 Cli)
tivra_help2man_page(tivra-apsim tivra-apsim "simulated wireless LAN access point" Apsim)
tivra_help2man_page(kemcmprs_tool kemcmprs "compress and expand KEMCMPRS container files" Dev)
if(TARGET tivra)
    configure_file(${CMAKE_SOURCE_DIR}/data/debian/tivra.1 ${tivra_man_dir}/tivra.1 @ONLY)
    tivra_compressed_page(tivra ${tivra_man_dir}/tivra.1 Wizard)
endif()

# The components this build installs (each one a package), and each package's copyright and
# changelog in /usr/share/doc/<package>.
set(TIVRA_INSTALL_COMPONENTS Cli Apsim Lib Dev)
if(TARGET tivra)
    list(APPEND TIVRA_INSTALL_COMPONENTS Wizard)
endif()
if(TIVRA_VENDOR_FILES)
    list(APPEND TIVRA_INSTALL_COMPONENTS Data)
endif()
set(tivra_changelog ${CMAKE_BINARY_DIR}/generated/debian/changelog.Debian)
configure_file(${CMAKE_SOURCE_DIR}/data/debian/changelog.in ${tivra_changelog} @ONLY)
add_custom_command(OUTPUT ${tivra_changelog}.gz
    COMMAND ${tivra_gzip_to} ${tivra_changelog} ${tivra_changelog}.gz
    DEPENDS ${tivra_changelog} VERBATIM)
add_custom_target(tivra-package-docs ALL DEPENDS ${tivra_changelog}.gz ${tivra_manual_pages})
# tivra-cli.1 is made in cli/ from the option tables.
add_dependencies(tivra-package-docs tivra-cli-man)
# The lintian overrides say why each package leaves a check's finding as it is.
set(tivra_overrides ${CMAKE_BINARY_DIR}/generated/debian/lintian-overrides)
foreach(component IN LISTS TIVRA_INSTALL_COMPONENTS)
    tivra_component_package(${component} package)
    install(FILES ${CMAKE_SOURCE_DIR}/data/debian/copyright ${tivra_changelog}.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
    configure_file(${CMAKE_SOURCE_DIR}/data/debian/lintian-overrides ${tivra_overrides}/${package}
        COPYONLY)
    install(FILES ${tivra_overrides}/${package}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides COMPONENT ${component})
endforeach()
