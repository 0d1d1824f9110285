# LZW: encoder and decoder throughput on 4 MiB of real PowerPC code and of
# random bytes, and the encoder's start-up (lzw_bench); lzw_pack, a stdin
# to stdout filter, lets bench/lzw-compare.sh time the encoder the same way
# as other compressors.
if(TARGET ostrel_lzw AND TARGET lzw_dec AND NOT CMAKE_CROSSCOMPILING)
  add_library(lzw_bench_inputs STATIC ${CMAKE_CURRENT_SOURCE_DIR}/lzw_bench_inputs.cpp)
  target_link_libraries(lzw_bench_inputs PRIVATE kit_warnings)

  add_executable(lzw_bench ${CMAKE_CURRENT_SOURCE_DIR}/lzw_bench.cpp)
  target_link_libraries(lzw_bench PRIVATE ostrel_lzw lzw_dec lzw_bench_inputs
                        benchmark::benchmark kit_warnings)

  add_executable(lzw_pack ${CMAKE_CURRENT_SOURCE_DIR}/lzw_pack.cpp)
  target_link_libraries(lzw_pack PRIVATE ostrel_lzw lzw_dec lzw_bench_inputs kit_warnings)
endif()
