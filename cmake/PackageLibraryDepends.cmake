# Run by cpack once the components are staged (CPACK_PRE_BUILD_SCRIPTS): the dependencies of the
# library package libkemcmprs1, found by dpkg-shlibdeps on the staged library as for the other
# packages (whose scan CPack runs itself).
file(GLOB_RECURSE library "${CPACK_TEMPORARY_DIRECTORY}/Lib/libkemcmprs.so.*.*")
if(NOT library)
    message(FATAL_ERROR "no staged libkemcmprs in ${CPACK_TEMPORARY_DIRECTORY}/Lib")
endif()
set(work "${CPACK_TEMPORARY_DIRECTORY}/shlibdeps-Lib")
file(MAKE_DIRECTORY "${work}/debian")
file(WRITE "${work}/debian/control" "")
execute_process(COMMAND dpkg-shlibdeps -O ${library}
    WORKING_DIRECTORY "${work}"
    OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result)
file(REMOVE_RECURSE "${work}")
if(NOT result EQUAL 0 OR NOT output MATCHES "shlibs:Depends=([^\n]*)")
    message(FATAL_ERROR "dpkg-shlibdeps on ${library} failed: ${errors}")
endif()
set(CPACK_DEBIAN_LIB_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
