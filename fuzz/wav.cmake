# The console stand-in's WAV parser (what mini_ax_read_audio accepts) on
# arbitrary bytes. The parser is compiled into the target so that libFuzzer's
# coverage instrumentation reaches it.
if(TARGET consolelib_standin)
kit_add_fuzzer(wav_fuzzer
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/wav_fuzzer.cpp
          ${CMAKE_SOURCE_DIR}/standins/consolelib/src/wav_reader.cpp
  CORPUS ${CMAKE_SOURCE_DIR}/fuzz/corpus/wav_fuzzer)
target_include_directories(wav_fuzzer PRIVATE ${CMAKE_SOURCE_DIR}/standins/consolelib/include
                                              ${CMAKE_SOURCE_DIR}/standins/consolelib/src)
endif()
