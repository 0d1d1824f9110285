# The loader's LZW decoder on arbitrary streams, and round trips of
# arbitrary input through the upload tool's encoder and that decoder.
# Both are compiled into the target (not linked from their libraries) so
# that libFuzzer's coverage instrumentation reaches them.
if(TARGET ostrel_lzw AND TARGET lzw_dec)
kit_add_fuzzer(lzw_dec_fuzzer
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/lzw_dec_fuzzer.cpp
          ${CMAKE_SOURCE_DIR}/tools/loadersim/lzw-dec.cpp
          ${CMAKE_SOURCE_DIR}/host/ostrel/lzw-enc.cpp
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/lzw_dec_fuzzer)
target_include_directories(lzw_dec_fuzzer PRIVATE
  ${CMAKE_SOURCE_DIR}/tools/loadersim ${CMAKE_SOURCE_DIR}/host/ostrel)
endif()
