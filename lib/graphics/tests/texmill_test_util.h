// Helpers shared by the texmill tests: the naive per-texel reference of the
// tiled layout, the stand-in's call log as a vector, captured console
// output, hand-built BMP files and a scratch directory.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gx_standin.h"
#include "texmill.h"

namespace texmill_test {

using Bytes = std::vector<u8>;

// Byte offset of texel (x, y) in an RGBA8 tiled image `width` texels wide
// (a multiple of 4): the tile, then the texel inside it; alpha and red at
// offset and offset + 1, green and blue 32 bytes further on.
inline size_t offset_of(u32 x, u32 y, u32 width) {
  const size_t tile = static_cast<size_t>(y / 4) * (width / 4) + x / 4;
  const size_t texel = (y % 4) * 4 + x % 4;
  return tile * 64 + texel * 2;
}

struct Rgba {
  u8 r, g, b, a;
  bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};
inline std::ostream& operator<<(std::ostream& os, const Rgba& c) {
  return os << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ", " << int(c.a)
            << ")";
}

// Texel (x, y) read back from a tiled image through offset_of.
inline Rgba texel_at(const u8* tiled, u32 x, u32 y, u32 width) {
  const size_t o = offset_of(x, y, width);
  return Rgba{tiled[o + 1], tiled[o + 32], tiled[o + 33], tiled[o]};
}

// The recorded service calls, copied out of the stand-in.
inline std::vector<GX_STANDIN_CALL_TYPE> calls() {
  std::vector<GX_STANDIN_CALL_TYPE> out;
  for (u32 i = 0; i < gx_standin_call_count(); ++i) out.push_back(*gx_standin_call(i));
  return out;
}

// A record filled with a marker pattern, to show a failed load left it alone.
inline GX_LOCAL_TEX_OBJ_TYPE marked_record() {
  GX_LOCAL_TEX_OBJ_TYPE rec;
  std::memset(&rec, 0xA5, sizeof rec);
  return rec;
}
inline bool same_bytes(const GX_LOCAL_TEX_OBJ_TYPE& a, const GX_LOCAL_TEX_OBJ_TYPE& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Console output of one call, captured.
template <typename F>
std::string stdout_of(F&& f) {
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  f();
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

// Resets the stand-in before each test and releases what a test loaded.
class Services : public testing::Test {
 protected:
  void SetUp() override {
    gx_standin_reset();
    base_blocks_ = gx_standin_live_blocks();
  }
  void TearDown() override {
    for (u8* b : loaded_) gx_standin_free(b);
    EXPECT_EQ(gx_standin_live_blocks(), base_blocks_) << "blocks left allocated";
  }
  // Keeps the texture block of a successful load for release at the end.
  void keep(const GX_LOCAL_TEX_OBJ_TYPE& rec) { loaded_.push_back(rec.data); }
  u32 blocks_now() const { return gx_standin_live_blocks() - base_blocks_; }

  // Makes each allocation of `load` fail in turn, the first, then the
  // second, ..., until a run completes with none failing. Every failed run
  // must return 0, print `message` (nothing for a silent loader), leave the
  // record byte for byte as it was, leave no block allocated and make no
  // service call but the memalign that failed. Returns how many failed.
  template <typename Load>
  u32 each_allocation_failure(const std::string& what, Load&& load, const std::string& message) {
    const u32 kept = blocks_now();
    u32 failures = 0;
    for (u32 n = 1;; ++n) {
      gx_standin_reset();
      gx_standin_fail_allocation(n);
      GX_LOCAL_TEX_OBJ_TYPE rec = marked_record();
      const GX_LOCAL_TEX_OBJ_TYPE before = rec;
      u32 result = 0;
      const std::string out = stdout_of([&] { result = load(&rec); });
      if (gx_standin_allocations() < n) {  // nothing failed: the load is complete
        EXPECT_EQ(result, 1u) << what;
        if (result == 1) keep(rec);
        return failures;
      }
      ++failures;
      EXPECT_EQ(result, 0u) << what << ", allocation " << n;
      EXPECT_EQ(out, message) << what << ", allocation " << n;
      EXPECT_TRUE(same_bytes(rec, before)) << what << ", allocation " << n;
      EXPECT_EQ(blocks_now(), kept) << what << ", allocation " << n;
      const std::vector<GX_STANDIN_CALL_TYPE> log = calls();
      EXPECT_LE(log.size(), 1u) << what << ", allocation " << n;
      if (!log.empty()) {
        EXPECT_EQ(log[0].kind, GX_STANDIN_MEMALIGN) << what << ", allocation " << n;
        EXPECT_EQ(log[0].address, nullptr) << what << ", allocation " << n;
      }
    }
  }

 private:
  u32 base_blocks_ = 0;
  std::vector<u8*> loaded_;
};

// Open file descriptors of the process, -1 where that cannot be told.
int open_files();

// Scratch files, one directory per test binary.
std::string scratch_path(const std::string& name);
void write_file(const std::string& path, const Bytes& bytes);

// A BMP file built byte by byte. The defaults give a well-formed
// uncompressed file: `offset` defaults to right after the headers and the
// colour table, `image_size` to the length of `pixels`. `pixels` is the
// pixel block as stored (bottom row first, fill bytes included).
struct BmpFile {
  u32 width = 0;
  u32 height = 0;  // cast a negative height in
  u16 bits_per_pixel = 24;
  u32 compression = 0;
  u32 header_size = 40;
  u32 colours_in_pal = 0;
  Bytes palette;  // colour table as stored
  long offset = -1;
  long image_size = -1;
  Bytes pixels;

  Bytes build() const;
};

// Stored rows of a 24-bit picture: pixel (x, y) of the picture (y = 0 the
// top row) is colour(x, y); rows go bottom first, padded to 4 bytes.
template <typename F>
Bytes rows24(u32 width, u32 height, F colour) {
  Bytes out;
  for (u32 k = 0; k < height; ++k) {
    const u32 y = height - 1 - k;
    for (u32 x = 0; x < width; ++x) {
      const Rgba c = colour(x, y);
      out.insert(out.end(), {c.b, c.g, c.r});
    }
    while (out.size() % 4) out.push_back(0);
  }
  return out;
}

// Writes the file under a fresh scratch name and returns its path.
std::string bmp_on_disk(const std::string& name, const BmpFile& bmp);

}  // namespace texmill_test
