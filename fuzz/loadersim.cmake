# The simulated loader's receiver and upload checks on arbitrary line bytes.
# Compiled into the target (not linked from loadersim_core) so that
# libFuzzer's coverage instrumentation reaches them.
if(TARGET loadersim_core)
kit_add_fuzzer(loadersim_rx_fuzzer
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/loadersim_rx_fuzzer.cpp
          ${CMAKE_SOURCE_DIR}/tools/loadersim/line.cpp
          ${CMAKE_SOURCE_DIR}/tools/loadersim/receiver.cpp
          ${CMAKE_SOURCE_DIR}/tools/loadersim/upload-check.cpp
          ${CMAKE_SOURCE_DIR}/tools/loadersim/lzw-dec.cpp
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/loadersim_rx_fuzzer)
target_include_directories(loadersim_rx_fuzzer PRIVATE ${CMAKE_SOURCE_DIR}/tools/loadersim)
endif()
