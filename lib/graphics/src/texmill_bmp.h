// texmill_bmp: reads an uncompressed BMP file for the BMP loaders. open()
// checks the file and its headers and prints the one line that refuses
// it; read_pixels() converts the stored rows, bottom row of the file last,
// into a linear RGBA8 image the caller owns (top row first). The reader's
// only working buffer, one file row, lives inside read_pixels(). Both
// return false after printing their line; the caller still calls close()
// after a successful open(). Internal to the module.
#pragma once
#include <cstdio>

#include "texmill.h"

namespace texmill_bmp {

struct Source {
  std::FILE* file = nullptr;
  u64 file_length = 0;
  BITMAP_FILE_HEADER_TYPE header1{};
  DIB_FILE_HEADER_TYPE info{};  // bit_map_width and _height are 1..65535 after open()
  u32 bytes_per_pixel = 0;
  u32 pw2_width = 0;  // the size rounded up to multiples of 4
  u32 pw2_height = 0;
  bool palette_path = false;
  // Palette path: where the colour table starts and its entry size (1..4).
  u64 table_start = 0;
  u32 palette_bpp = 0;
  // Direct path: file position of the first stored row and the distance
  // between stored rows, fill bytes included.
  u64 first_row = 0;
  u64 row_length = 0;
};

bool open(const char* file_name, Source* bmp);
bool read_pixels(Source* bmp, u8* dst, u32 dst_stride);
void close(Source* bmp);

}  // namespace texmill_bmp
