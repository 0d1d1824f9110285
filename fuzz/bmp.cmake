# Fuzz target for the texture kit's BMP loaders (single level and mipmap).
# The loaders live in the texmill library: in a libFuzzer build it gets the
# coverage instrumentation too, or the fuzzer would be blind to their branches.
if(TARGET texmill AND CMAKE_SYSTEM_NAME STREQUAL "Linux")
if(KIT_FUZZ)
  target_compile_options(texmill PRIVATE -fsanitize=fuzzer-no-link)
endif()
kit_add_fuzzer(bmp_fuzzer SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bmp_fuzzer.cpp LIBS texmill gx_standin
               CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/bmp_fuzzer)
endif()
