// PNG writer: signature, IHDR, one IDAT holding a zlib stream of stored
// deflate blocks, IEND. Stored blocks keep the writer tiny and exact; the
// previews it makes are debugging pictures, not files to ship.
#include "png-write.h"

#include <cstdio>

namespace {

// A stored deflate block holds at most 65535 bytes.
constexpr size_t kStoredMax = 65535;
// A PNG chunk length is at most 2^31 - 1; stay well below it.
constexpr uint64_t kChunkMax = 0x7fff0000u;

void put_be32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 24));
  out.push_back(static_cast<uint8_t>(v >> 16));
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

// Appends length, type, data and the CRC of type and data.
void put_chunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  put_be32(out, static_cast<uint32_t>(data.size()));
  size_t type_at = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  put_be32(out, png_crc32(out.data() + type_at, 4 + data.size()));
}

}  // namespace

uint32_t png_crc32(const uint8_t* data, size_t len) {
  static uint32_t table[256];
  static bool ready = false;
  if (!ready) {
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
    ready = true;
  }
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < len; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

uint32_t png_adler32(const uint8_t* data, size_t len) {
  // 5552 is the largest run whose sums cannot overflow 32 bits before the modulo.
  uint32_t a = 1, b = 0;
  while (len > 0) {
    size_t run = len < 5552 ? len : 5552;
    len -= run;
    while (run--) {
      a += *data++;
      b += a;
    }
    a %= 65521;
    b %= 65521;
  }
  return (b << 16) | a;
}

bool png_encode_rgba(const uint8_t* rgba, uint32_t width, uint32_t height, std::vector<uint8_t>& out) {
  if (width == 0 || height == 0 || width > 0x7fffffffu || height > 0x7fffffffu) return false;
  const uint64_t row = uint64_t(width) * 4 + 1;  // filter byte + pixels
  const uint64_t raw_len = row * height;
  const uint64_t blocks = (raw_len + kStoredMax - 1) / kStoredMax;
  if (2 + raw_len + 5 * blocks + 4 > kChunkMax) return false;

  // Scanlines with filter type 0 (none) in front of each row.
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(raw_len));
  for (uint32_t y = 0; y < height; ++y) {
    raw.push_back(0);
    const uint8_t* src = rgba + size_t(y) * width * 4;
    raw.insert(raw.end(), src, src + size_t(width) * 4);
  }

  std::vector<uint8_t> z;
  z.reserve(static_cast<size_t>(2 + raw_len + 5 * blocks + 4));
  z.push_back(0x78);  // deflate, 32 KiB window
  z.push_back(0x01);  // no dictionary, check bits make 0x7801 a multiple of 31
  for (size_t at = 0; at < raw.size(); at += kStoredMax) {
    size_t n = raw.size() - at < kStoredMax ? raw.size() - at : kStoredMax;
    bool last = at + n == raw.size();
    z.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00 (stored), then byte-aligned
    z.push_back(static_cast<uint8_t>(n));
    z.push_back(static_cast<uint8_t>(n >> 8));
    z.push_back(static_cast<uint8_t>(~n));
    z.push_back(static_cast<uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
  }
  put_be32(z, png_adler32(raw.data(), raw.size()));

  std::vector<uint8_t> ihdr;
  put_be32(ihdr, width);
  put_be32(ihdr, height);
  ihdr.push_back(8);  // bits per channel
  ihdr.push_back(6);  // colour type: truecolour with alpha
  ihdr.push_back(0);  // deflate
  ihdr.push_back(0);  // adaptive filtering (every row uses type 0)
  ihdr.push_back(0);  // no interlace

  static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  out.assign(signature, signature + 8);
  put_chunk(out, "IHDR", ihdr);
  put_chunk(out, "IDAT", z);
  put_chunk(out, "IEND", {});
  return true;
}

bool png_write_rgba(const char* path, const uint8_t* rgba, uint32_t width, uint32_t height) {
  std::vector<uint8_t> png;
  if (!png_encode_rgba(rgba, width, height, png)) return false;
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}
