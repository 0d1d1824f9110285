// BMP headers and pixel rows. Every multi-byte field is assembled from the
// file's little-endian bytes one by one, so the reader works the same on
// either byte order; offsets and lengths from the file are checked in
// 64-bit arithmetic, and bytes the file does not have read as zero.
#include <cstring>

#include "texmill_bmp.h"
#include "texmill_heap.h"
#include "texmill_pixels.h"
#include "texmill_upload.h"

namespace texmill_bmp {
namespace {

constexpr u32 file_header_bytes = 14;
constexpr u32 info_header_bytes = 40;

u16 le16(const u8* p) { return static_cast<u16>(p[0] | p[1] << 8); }
u32 le32(const u8* p) {
  return static_cast<u32>(p[0]) | static_cast<u32>(p[1]) << 8 | static_cast<u32>(p[2]) << 16 |
         static_cast<u32>(p[3]) << 24;
}

// Reads up to length bytes at position into out, zero-filling what the file
// does not hold.
void read_at(Source* bmp, u64 position, u8* out, u32 length) {
  size_t got = 0;
  if (position < bmp->file_length &&
      std::fseek(bmp->file, static_cast<long>(position), SEEK_SET) == 0)
    got = std::fread(out, 1, length, bmp->file);
  std::memset(out + got, 0, length - got);
}

bool refuse(Source* bmp, const char* line) {
  std::puts(line);
  close(bmp);
  return false;
}

// The checks past the fixed ones: sizes the record and the 32-bit block
// arithmetic can hold, and a colour table that can be read. Prints the line.
bool check_sizes(Source* bmp) {
  const DIB_FILE_HEADER_TYPE& info = bmp->info;
  const u32 w = info.bit_map_width;
  const u32 h = info.bit_map_height;
  if (static_cast<s32>(h) < 0) return refuse(bmp, "BMP top-down files are not supported !");
  if (w == 0 || h == 0) return refuse(bmp, "BMP image has no pixels !");
  if (w > 65535 || h > 65535) {
    std::printf("BMP image of %lu x %lu pixels is too large !\n", static_cast<unsigned long>(w),
                static_cast<unsigned long>(h));
    close(bmp);
    return false;
  }
  bmp->pw2_width = (w + 3) & ~3u;
  bmp->pw2_height = (h + 3) & ~3u;
  const u64 block = static_cast<u64>(bmp->pw2_width) * bmp->pw2_height * 4;
  if (block > texmill_upload::max_block_bytes || block > SIZE_MAX) {
    std::printf("BMP image of %lu x %lu pixels is too large !\n", static_cast<unsigned long>(w),
                static_cast<unsigned long>(h));
    close(bmp);
    return false;
  }

  if (info.colours_in_pal != 0) {
    // The colour table follows the info header the file declares.
    if (info.header_size < info_header_bytes) {
      std::printf("BMP info header of %lu bytes not supported !\n",
                  static_cast<unsigned long>(info.header_size));
      close(bmp);
      return false;
    }
    bmp->palette_path = true;
    bmp->table_start = static_cast<u64>(file_header_bytes) + info.header_size;
    const u64 offset = bmp->header1.offset;
    const u64 palette_size = offset > bmp->table_start ? offset - bmp->table_start : 0;
    const u64 palette_bpp = palette_size / info.colours_in_pal;
    if (palette_bpp == 0 || palette_bpp > 4) {
      std::printf("BMP colour table (%llu bytes, %lu colours) not supported !\n",
                  static_cast<unsigned long long>(palette_size),
                  static_cast<unsigned long>(info.colours_in_pal));
      close(bmp);
      return false;
    }
    bmp->palette_bpp = static_cast<u32>(palette_bpp);
    return true;
  }

  // Direct path. Rows are at least as long as the format defines them
  // (pixels, then fill to a multiple of 4 bytes); an image_size too small
  // for that, 0 included, is taken as exactly that.
  const u64 pixels = static_cast<u64>(w) * bmp->bytes_per_pixel;
  const u64 standard_row = (pixels + 3) & ~static_cast<u64>(3);
  u64 image_size = info.image_size;
  if (image_size < standard_row * h) image_size = standard_row * h;
  const u64 padding = (image_size - pixels * h) / h;
  bmp->row_length = pixels + padding;
  bmp->first_row = bmp->header1.offset + image_size - bmp->row_length * h;
  return true;
}

bool read_palette_rows(Source* bmp, u8* dst, u32 dst_stride) {
  const DIB_FILE_HEADER_TYPE& info = bmp->info;
  const u32 w = info.bit_map_width;
  const u32 h = info.bit_map_height;
  // An index is one byte, so at most 256 entries can be used.
  const u32 entries = info.colours_in_pal < 256 ? info.colours_in_pal : 256;
  u8 table[256 * 4];
  read_at(bmp, bmp->table_start, table, entries * bmp->palette_bpp);
  u8 texels[256 * 4];
  for (u32 e = 0; e < entries; ++e)
    texmill_pixels::expand_bmp_row(table + e * bmp->palette_bpp, 1, bmp->palette_bpp,
                                   texels + e * 4);

  // One index byte per pixel; each stored row is pw2_width bytes.
  const u32 stored = bmp->pw2_width;
  u8* row = static_cast<u8*>(texmill_heap::take(stored));
  if (!row) {
    std::puts("Not enough memory to load the texture !");
    return false;
  }
  bool readable = bmp->header1.offset < bmp->file_length &&
                  std::fseek(bmp->file, static_cast<long>(bmp->header1.offset), SEEK_SET) == 0;
  u8 pal_byte = 0;  // past the end of the file the last index read repeats
  for (u32 k = 0; k < h; ++k) {
    const size_t got = readable ? std::fread(row, 1, stored, bmp->file) : 0;
    if (got < stored) readable = false;
    for (size_t i = 0; i < got; ++i) {
      if (row[i] >= entries || row[i] >= info.colours_in_pal) {
        std::printf("BMP colour index %u outside the colour table of %lu colours !\n",
                    static_cast<unsigned>(row[i]), static_cast<unsigned long>(info.colours_in_pal));
        texmill_heap::give_back(row);
        return false;
      }
    }
    if (got > 0) pal_byte = row[got - 1];
    std::memset(row + got, pal_byte, stored - got);
    u8* out = dst + static_cast<size_t>(h - 1 - k) * dst_stride * 4;
    for (u32 c = 0; c < w; ++c) std::memcpy(out + c * 4, texels + row[c] * 4, 4);
  }
  texmill_heap::give_back(row);
  return true;
}

bool read_direct_rows(Source* bmp, u8* dst, u32 dst_stride) {
  const u32 w = bmp->info.bit_map_width;
  const u32 h = bmp->info.bit_map_height;
  const u32 pixels = w * bmp->bytes_per_pixel;
  u8* row = static_cast<u8*>(texmill_heap::take(pixels));
  if (!row) {
    std::puts("Not enough memory to load the texture !");
    return false;
  }
  // Stored rows in file order: the first is the bottom row of the picture.
  u64 position = bmp->first_row;
  u64 at = ~static_cast<u64>(0);  // where the stream stands, when known
  for (u32 k = 0; k < h; ++k, position += bmp->row_length) {
    size_t got = 0;
    if (position < bmp->file_length) {
      if (position != at && std::fseek(bmp->file, static_cast<long>(position), SEEK_SET) != 0)
        at = ~static_cast<u64>(0);
      else
        got = std::fread(row, 1, pixels, bmp->file);
      at = position + got;
    }
    std::memset(row + got, 0, pixels - got);
    texmill_pixels::expand_bmp_row(row, w, bmp->bytes_per_pixel,
                                   dst + static_cast<size_t>(h - 1 - k) * dst_stride * 4);
  }
  texmill_heap::give_back(row);
  return true;
}

}  // namespace

bool open(const char* file_name, Source* bmp) {
  *bmp = Source{};
  bmp->file = std::fopen(file_name, "rb");
  if (!bmp->file) {
    std::printf("Failed to open file %s on SD card !\n", file_name);
    return false;
  }
  long end = -1;
  if (std::fseek(bmp->file, 0, SEEK_END) == 0) end = std::ftell(bmp->file);
  std::rewind(bmp->file);
  if (end < 0 || static_cast<u32>(end) <= 55) return refuse(bmp, "invalid bmp file size ");
  bmp->file_length = static_cast<u64>(end);

  u8 bytes[file_header_bytes + info_header_bytes];
  read_at(bmp, 0, bytes, sizeof bytes);
  if (bytes[0] != 0x42 || bytes[1] != 0x4D)
    return refuse(bmp, "BMP header magic number is not BM !");
  std::memcpy(&bmp->header1.magic_number, bytes, 2);  // kept as stored
  bmp->header1.size = le32(bytes + 2);
  bmp->header1.reserved = le32(bytes + 6);
  bmp->header1.offset = le32(bytes + 10);

  const u8* d = bytes + file_header_bytes;
  DIB_FILE_HEADER_TYPE& info = bmp->info;
  info.header_size = le32(d + 0);
  info.bit_map_width = le32(d + 4);
  info.bit_map_height = le32(d + 8);
  info.colour_planes = le16(d + 12);
  info.bits_per_pixel = le16(d + 14);
  info.compression = le32(d + 16);
  info.image_size = le32(d + 20);
  info.horizontal_res = static_cast<s32>(le32(d + 24));
  info.vertical_res = static_cast<s32>(le32(d + 28));
  info.colours_in_pal = le32(d + 32);
  info.important_colours = le32(d + 36);

  if (info.compression != 0) return refuse(bmp, "File should not be compressed !");
  const u16 bpp = info.bits_per_pixel;
  if (bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
    std::printf("BMP colour depth of %d not supported !\n", static_cast<int>(bpp));
    close(bmp);
    return false;
  }
  bmp->bytes_per_pixel = bpp / 8u;
  return check_sizes(bmp);
}

bool read_pixels(Source* bmp, u8* dst, u32 dst_stride) {
  return bmp->palette_path ? read_palette_rows(bmp, dst, dst_stride)
                           : read_direct_rows(bmp, dst, dst_stride);
}

void close(Source* bmp) {
  if (bmp->file) std::fclose(bmp->file);
  bmp->file = nullptr;
}

}  // namespace texmill_bmp
