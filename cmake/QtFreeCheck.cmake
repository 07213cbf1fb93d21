# Only the wizard (app/) and the serial dialogs (serial/ui/) know Qt. Everything else, the
# engine, the front-end core and tivra-cli above all, must build and run without it: the
# configuration fails when a source of those folders includes a Qt header or a header of the
# wizard's own folder, so that Qt never creeps in by one include.
file(GLOB tivra_wizard_headers RELATIVE ${CMAKE_SOURCE_DIR}/app ${CMAKE_SOURCE_DIR}/app/*.h)
set(tivra_qt_free_folders compress platform util http engine serial front cli tools/apsim)
foreach(folder ${tivra_qt_free_folders})
    file(GLOB_RECURSE sources ${CMAKE_SOURCE_DIR}/${folder}/*.h ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
    list(FILTER sources EXCLUDE REGEX "/serial/ui/")
    foreach(source ${sources})
        file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
        foreach(line ${includes})
            if(line MATCHES "<Q[A-Za-z]*>|<Qt[A-Za-z]*/|\"ui_")
                message(FATAL_ERROR "${source} includes a Qt header: ${line}")
            endif()
            foreach(header ${tivra_wizard_headers})
                if(line MATCHES "\"${header}\"")
                    message(FATAL_ERROR "${source} includes the wizard's ${header}: ${line}")
                endif()
            endforeach()
        endforeach()
    endforeach()
endforeach()
