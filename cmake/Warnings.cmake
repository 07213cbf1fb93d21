# Warnings for the project's own targets: -Wall -Wextra, and the build must stay free of them.
function(tivra_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
