# Embeds the program's version block into a target. The block lives in its own ELF section
# (".tivra.version") as a list of zero-terminated key/value pairs, the Linux counterpart of a
# Windows version resource; platform/VersionBlock reads it back from the file.
set(TIVRA_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${PROJECT_VERSION_TWEAK}")
set(TIVRA_VERSION_SOURCE ${CMAKE_BINARY_DIR}/generated/VersionBlock.c)
configure_file(${CMAKE_CURRENT_LIST_DIR}/VersionBlock.c.in ${TIVRA_VERSION_SOURCE} @ONLY)

function(tivra_embed_version target)
    target_sources(${target} PRIVATE ${TIVRA_VERSION_SOURCE})
endfunction()
