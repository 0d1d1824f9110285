# Benchmarks of the texture kit: the tiler against memcpy, the BMP loader
# against stb_image's decoder, the mipmap BMP loader's time and peak heap.
# The bench brings its own lean graphics services (no call log, no flush
# checksum), so the timings are the module's own work.
find_path(KIT_STB_INCLUDE stb/stb_image.h)
if(TARGET texmill AND KIT_STB_INCLUDE AND NOT CMAKE_CROSSCOMPILING)
  add_executable(texmill_bench ${CMAKE_CURRENT_SOURCE_DIR}/texmill_bench.cpp)
  target_include_directories(texmill_bench SYSTEM PRIVATE ${KIT_STB_INCLUDE})
  target_link_libraries(texmill_bench PRIVATE texmill benchmark::benchmark kit_warnings)
endif()
