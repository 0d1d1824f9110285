// texblocks_dump: loads a fixed set of generated images and BMP files with
// texmill and prints one line per load: the result, the record's size, the
// size and FNV-1a hash of the tiled block, and what the graphics services
// were told. The inputs are built byte by byte, so the output must be the
// same on every host; tools/cross.sh compares the little-endian run with the
// big-endian one.
//   texblocks_dump WORKDIR    (BMP files are written there)
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "gx_standin.h"
#include "texmill.h"

namespace {

struct Rng {
  uint32_t s;
  uint8_t next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return static_cast<uint8_t>(s >> 24);
  }
};

std::vector<uint8_t> random_bytes(size_t n, uint32_t seed) {
  Rng r{seed};
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = r.next();
  return v;
}

uint64_t fnv1a(const uint8_t* p, uint64_t n) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (uint64_t i = 0; i < n; ++i) {
    h ^= p[i];
    h *= 0x100000001b3ull;
  }
  return h;
}

void put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = static_cast<uint8_t>(x);
  v[at + 1] = static_cast<uint8_t>(x >> 8);
}

void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

// An uncompressed bottom-up BMP, little-endian fields written byte by byte.
std::vector<uint8_t> make_bmp(uint32_t w, uint32_t h, uint32_t bpp, uint32_t colours,
                              uint32_t entry_bytes, uint32_t compression, uint32_t seed) {
  const uint32_t row = (w * bpp / 8 + 3) / 4 * 4;
  const uint32_t table = colours * entry_bytes;
  const uint32_t offset = 54 + table;
  std::vector<uint8_t> f(offset + row * h, 0);
  f[0] = 'B';
  f[1] = 'M';
  put32(f, 2, static_cast<uint32_t>(f.size()));
  put32(f, 10, offset);
  put32(f, 14, 40);
  put32(f, 18, w);
  put32(f, 22, h);
  put16(f, 26, 1);
  put16(f, 28, bpp);
  put32(f, 30, compression);
  put32(f, 34, row * h);
  put32(f, 46, colours);
  const std::vector<uint8_t> body = random_bytes(f.size() - 54, seed);
  memcpy(f.data() + 54, body.data(), body.size());
  if (colours != 0 && colours < 256) {
    // Indices, fill bytes included, must stay inside the table.
    for (uint32_t y = 0; y < h; ++y) {
      for (uint32_t x = 0; x < row; ++x) f[offset + y * row + x] %= static_cast<uint8_t>(colours);
    }
  }
  return f;
}

void print_result(const char* name, u32 ok, const GX_LOCAL_TEX_OBJ_TYPE& tex) {
  printf("%s: ret=%u", name, static_cast<unsigned>(ok));
  if (ok) {
    const uint64_t size = gx_standin_block_size(tex.data);
    printf(" size=%ux%u block=%llu fnv=%016llx", static_cast<unsigned>(tex.width),
           static_cast<unsigned>(tex.height), static_cast<unsigned long long>(size),
           static_cast<unsigned long long>(fnv1a(tex.data, size)));
  }
  for (u32 i = 0; i < gx_standin_call_count(); ++i) {
    const GX_STANDIN_CALL_TYPE* c = gx_standin_call(i);
    if (c->kind == GX_STANDIN_INIT_TEX_OBJ) {
      printf(" obj=%ux%u,fmt%u,wrap%u/%u,mip%u", static_cast<unsigned>(c->width),
             static_cast<unsigned>(c->height), static_cast<unsigned>(c->format),
             static_cast<unsigned>(c->wrap_s), static_cast<unsigned>(c->wrap_t),
             static_cast<unsigned>(c->mipmap));
    } else if (c->kind == GX_STANDIN_INIT_TEX_OBJ_LOD) {
      printf(" lod=%u/%u,%.9g..%.9g,bias%.9g,%u,%u,%u", static_cast<unsigned>(c->min_filter),
             static_cast<unsigned>(c->mag_filter), static_cast<double>(c->min_lod),
             static_cast<double>(c->max_lod), static_cast<double>(c->lod_bias),
             static_cast<unsigned>(c->bias_clamp), static_cast<unsigned>(c->edge_lod),
             static_cast<unsigned>(c->max_aniso));
    }
  }
  printf("\n");
  fflush(stdout);
  if (ok) free(tex.data);
}

void images(bool mipmap) {
  static const struct {
    u16 w, h;
  } sizes[] = {{4, 4}, {5, 3}, {13, 7}, {16, 16}, {64, 64}};
  std::vector<GX_COLOUR_TYPE> palette(256);
  const std::vector<uint8_t> pal_bytes = random_bytes(4 * 256, 99);
  for (size_t i = 0; i < 256; ++i) {
    palette[i] = GX_COLOUR_TYPE{pal_bytes[4 * i], pal_bytes[4 * i + 1], pal_bytes[4 * i + 2],
                                pal_bytes[4 * i + 3]};
  }
  for (const auto& s : sizes) {
    for (int depth = 0; depth <= 4; ++depth) {  // 0: palette indices
      for (u8 flip = 0; flip < 2; ++flip) {
        const RGB_ENUM_TYPE code = static_cast<RGB_ENUM_TYPE>(depth == 0 ? 1 : depth);
        const std::vector<uint8_t> data =
            random_bytes(size_t{s.w} * s.h * static_cast<size_t>(code), 1000u * s.w + s.h);
        GX_LOCAL_TEX_OBJ_TYPE tex{};
        gx_standin_reset();
        const GX_COLOUR_TYPE* pal = depth == 0 ? palette.data() : nullptr;
        const u32 ok = mipmap ? texmill_load_mipmap_image(s.w, s.h, data.data(), code, &tex, pal, flip)
                              : texmill_load_image(s.w, s.h, data.data(), code, &tex, pal, flip);
        char name[96];
        snprintf(name, sizeof name, "%s %ux%u %s flip%u", mipmap ? "mipimage" : "image",
                 static_cast<unsigned>(s.w), static_cast<unsigned>(s.h),
                 depth == 0 ? "palette" : (std::to_string(depth * 8) + "bit").c_str(),
                 static_cast<unsigned>(flip));
        print_result(name, ok, tex);
      }
    }
  }
}

int bmps(const std::string& dir) {
  static const struct {
    const char* name;
    uint32_t w, h, bpp, colours, entry, compression;
  } files[] = {
      {"bmp24_5x3", 5, 3, 24, 0, 0, 0},        {"bmp32_4x4", 4, 4, 32, 0, 0, 0},
      {"bmp16_7x2", 7, 2, 16, 0, 0, 0},        {"bmp8_6x5_pal256x4", 6, 5, 8, 256, 4, 0},
      {"bmp8_3x3_pal16x3", 3, 3, 8, 16, 3, 0}, {"bmp24_260x3", 260, 3, 24, 0, 0, 0},
      {"bmp24_8x8", 8, 8, 24, 0, 0, 0},        {"bmp32_16x16", 16, 16, 32, 0, 0, 0},
      {"bmp8_32x32_pal256x4", 32, 32, 8, 256, 4, 0},
      {"bmp24_4x4_rle", 4, 4, 24, 0, 0, 1},    {"bmp12_4x4", 4, 4, 12, 0, 0, 0},
  };
  uint32_t seed = 7;
  for (const auto& f : files) {
    const std::vector<uint8_t> bytes =
        make_bmp(f.w, f.h, f.bpp, f.colours, f.entry, f.compression, seed++);
    const std::string path = dir + "/" + f.name + ".bmp";
    FILE* out = fopen(path.c_str(), "wb");
    if (out == nullptr || fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
      printf("texblocks_dump: cannot write %s\n", path.c_str());
      if (out != nullptr) fclose(out);
      return 1;
    }
    fclose(out);
    for (int mip = 0; mip < 2; ++mip) {
      GX_LOCAL_TEX_OBJ_TYPE tex{};
      gx_standin_reset();
      const u32 ok = mip ? texmill_load_mipmap_bmp(path.c_str(), &tex)
                         : texmill_load_bmp(path.c_str(), &tex);
      print_result((std::string(mip ? "mipbmp " : "bmp ") + f.name).c_str(), ok, tex);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: texblocks_dump WORKDIR\n");
    return 2;
  }
  images(false);
  images(true);
  return bmps(argv[1]);
}
