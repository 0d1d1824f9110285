// PNG writer for RGBA8 pictures: 8 bits per channel, colour type 6, the image
// data in stored (uncompressed) deflate blocks inside a zlib stream, with its
// own Adler-32 and CRC-32. The caller owns the pixels; the writer only reads
// them. Failure is a false result; nothing is printed.
#ifndef TEXDUMP_PNG_WRITE_H
#define TEXDUMP_PNG_WRITE_H

#include <cstddef>
#include <cstdint>
#include <vector>

// Encodes width x height RGBA8 pixels (rows top first, no gap) into `out`;
// false for a zero size or one whose data would not fit a PNG chunk.
bool png_encode_rgba(const uint8_t* rgba, uint32_t width, uint32_t height, std::vector<uint8_t>& out);
// Encodes as above and writes the file at `path`; false on any failure.
bool png_write_rgba(const char* path, const uint8_t* rgba, uint32_t width, uint32_t height);
// CRC-32 (reflected, polynomial 0xEDB88320) of `len` bytes, as PNG chunks use it.
uint32_t png_crc32(const uint8_t* data, size_t len);
// Adler-32 of `len` bytes, the zlib stream's trailer.
uint32_t png_adler32(const uint8_t* data, size_t len);

#endif
