# The Linux layout of an installed TIVRA: the programs in bin/, libkemcmprs in lib/ (with its
# versioned soname), the files the program ships in share/tivra/ (where an installed program
# looks for its loader programs and pictures), the desktop entry, its icon and the AppStream
# metainfo.
include(GNUInstallDirs)

# libkemcmprs.so.1: the soname carries the interface version, the file the full version.
set_target_properties(kemcmprs PROPERTIES
    VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}
    SOVERSION ${PROJECT_VERSION_MAJOR})

# Installed programs find the library in ../lib wherever the tree is unpacked (a staging folder
# as well as /usr).
set(tivra_programs kemcmprs_tool)
if(TARGET tivra)
    list(APPEND tivra_programs tivra)
endif()
if(TARGET tivra-apsim)
    list(APPEND tivra_programs tivra-apsim)
endif()
set_target_properties(${tivra_programs} PROPERTIES
    INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

install(TARGETS ${tivra_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS kemcmprs LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_SKIP)

# share/tivra always exists, so the installed program never falls back to its bin/ folder.
# The loader programs ("*.com"), the optional pictures and CFG8019.INI belong to the access
# point's maker and are not in the source tree: -DTIVRA_VENDOR_FILES=DIR installs them from DIR.
set(TIVRA_VENDOR_FILES "" CACHE PATH "Folder with the loader programs and pictures to install")
install(DIRECTORY DESTINATION ${CMAKE_INSTALL_DATADIR}/tivra)
if(TIVRA_VENDOR_FILES)
    install(DIRECTORY ${TIVRA_VENDOR_FILES}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tivra
        FILES_MATCHING PATTERN "*.com" PATTERN "*.jpg" PATTERN "CFG8019.INI")
endif()

set(tivra_linux_files ${CMAKE_SOURCE_DIR}/data/linux)
install(FILES ${tivra_linux_files}/org.tivra.Tivra.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${tivra_linux_files}/org.tivra.Tivra.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${tivra_linux_files}/org.tivra.Tivra.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
