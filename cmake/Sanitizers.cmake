# TIVRA_SANITIZE=address,undefined or thread instruments every target of the build.
if(TIVRA_SANITIZE)
    add_compile_options(-fsanitize=${TIVRA_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=${TIVRA_SANITIZE})
endif()

# The fuzz build instruments everything for coverage, with ASan and UBSan watching.
if(TIVRA_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined)
endif()
