// Benchmarks of the texture kit, side by side in one run:
//   Tile/1024 vs Memcpy/1024            the tiler against a plain copy of the bytes
//   LoadBmp/1024 vs StbDecode/1024       BMP decode + tile against stb_image's decode to RGBA
//   LoadMipmapBmp/1024                   decode, mipmap chain and tiling; peak heap
// Peak heap is counted here: the bench supplies the graphics services and
// the module's heap seam itself (and routes stb_image's heap through the same
// counter), so `peak_MiB` is the most bytes live at once during one call,
// the texture block included. Each result is checked after timing.
//   texmill_bench --tile-once   tiles one 1024 x 1024 image and exits (for
//                               bench/texmill-instructions.sh under callgrind)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "texmill.h"

// --- Heap counter shared by the module's seam and stb_image ---------------

namespace {

struct Heap {
  struct Block {
    void* at;
    size_t size;
  };
  Block blocks[64] = {};
  size_t live = 0;
  size_t peak = 0;

  void add(void* p, size_t size) {
    if (!p) return;
    for (Block& b : blocks)
      if (!b.at) {
        b = {p, size};
        live += size;
        if (live > peak) peak = live;
        return;
      }
    std::fputs("texmill_bench: too many live blocks\n", stderr);
    std::abort();
  }
  size_t remove(void* p) {
    if (!p) return 0;
    for (Block& b : blocks)
      if (b.at == p) {
        size_t size = b.size;
        live -= size;
        b = {};
        return size;
      }
    return 0;
  }
  void restart_peak() { peak = live; }
};

Heap heap;

void* counted_malloc(size_t n) {
  void* p = std::malloc(n ? n : 1);
  heap.add(p, n);
  return p;
}

void counted_free(void* p) {
  heap.remove(p);
  std::free(p);
}

[[maybe_unused]] void* counted_realloc(void* p, size_t n) {
  heap.remove(p);
  void* q = std::realloc(p, n ? n : 1);
  heap.add(q, n);
  return q;
}

}  // namespace

#define STBI_MALLOC(n) counted_malloc(n)
#define STBI_REALLOC(p, n) counted_realloc(p, n)
#define STBI_FREE(p) counted_free(p)
#define STBI_ONLY_BMP
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

// --- Lean graphics services: what the console's would cost, nearly nothing --

extern "C" {

void* gx_standin_memalign(size_t alignment, size_t size) {
  void* p = nullptr;
  if (posix_memalign(&p, alignment < sizeof(void*) ? sizeof(void*) : alignment, size ? size : 1) != 0) return nullptr;
  heap.add(p, size);
  return p;
}
void* gx_standin_malloc(size_t size) { return counted_malloc(size); }
void* gx_standin_calloc(size_t count, size_t size) {
  if (size != 0 && count > SIZE_MAX / size) return nullptr;
  size_t bytes = count * size;
  void* p = std::calloc(bytes ? bytes : 1, 1);
  heap.add(p, bytes);
  return p;
}
void gx_standin_free(void* block) { counted_free(block); }
void dc_flush_range(void* start, u32 length) { benchmark::DoNotOptimize(static_cast<char*>(start)[length - 1]); }
void gx_init_tex_obj(GX_TEX_OBJ_TYPE* obj, void* image, u16 width, u16 height, u8 format, u8 wrap_s, u8 wrap_t,
                     u8 mipmap) {
  obj->val[0] = static_cast<u32>(reinterpret_cast<uintptr_t>(image));
  obj->val[1] = u32(width) << 16 | height;
  obj->val[2] = u32(format) << 24 | u32(wrap_s) << 16 | u32(wrap_t) << 8 | mipmap;
}
void gx_init_tex_obj_LOD(GX_TEX_OBJ_TYPE* obj, u8 min_filter, u8 mag_filter, f32 min_lod, f32 max_lod, f32 lod_bias,
                         u8 bias_clamp, u8 edge_lod, u8 max_aniso) {
  obj->val[3] = u32(min_filter) << 24 | u32(mag_filter) << 16 | u32(bias_clamp) << 8 | edge_lod;
  obj->val[4] = static_cast<u32>(min_lod + 16 * max_lod + 256 * lod_bias) | u32(max_aniso) << 24;
}

}  // extern "C"

namespace {

constexpr uint32_t kSide = 1024;
constexpr size_t kBytes = size_t(kSide) * kSide * 4;

// Byte of texel (x, y)'s alpha in a tiled image of padded width `width`.
size_t offset_of(uint32_t width, uint32_t x, uint32_t y) {
  return 64 * (size_t(y / 4) * (width / 4) + x / 4) + 2 * (4 * (y % 4) + x % 4);
}

// Compares a tiled image with a linear RGBA8 one, texel by texel.
bool tiled_matches(const uint8_t* tiled, const uint8_t* linear, uint32_t w, uint32_t h) {
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      const uint8_t* t = tiled + offset_of(w, x, y);
      const uint8_t* p = linear + (size_t(y) * w + x) * 4;
      if (t[0] != p[3] || t[1] != p[0] || t[32] != p[1] || t[33] != p[2]) return false;
    }
  return true;
}

std::vector<uint8_t> pattern_rgba(uint32_t side) {
  std::vector<uint8_t> v(size_t(side) * side * 4);
  uint32_t s = 12345;
  for (uint8_t& b : v) {
    s = s * 1103515245u + 12345u;
    b = static_cast<uint8_t>(s >> 16);
  }
  return v;
}

// A 24-bit BMP of side x side pixels in a temporary file, removed at exit.
struct BmpFile {
  std::string path;
  explicit BmpFile(uint32_t side) {
    char name[] = "/tmp/texmill_bench_XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) {
      std::perror("texmill_bench: mkstemp");
      std::exit(1);
    }
    path = name;
    const uint32_t row = (side * 3 + 3) & ~3u;
    const uint32_t image = row * side;
    std::vector<uint8_t> f(54 + image, 0);
    auto le32 = [&](size_t at, uint32_t v) {
      for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    le32(2, 54 + image);
    le32(10, 54);
    le32(14, 40);
    le32(18, side);
    le32(22, side);
    f[26] = 1;
    f[28] = 24;
    le32(34, image);
    std::vector<uint8_t> px = pattern_rgba(side);
    for (uint32_t y = 0; y < side; ++y)
      for (uint32_t x = 0; x < side; ++x)
        std::memcpy(&f[54 + size_t(y) * row + x * 3], &px[(size_t(y) * side + x) * 4], 3);
    bool ok = write(fd, f.data(), f.size()) == static_cast<ssize_t>(f.size());
    close(fd);
    if (!ok) {
      std::fputs("texmill_bench: cannot write the BMP file\n", stderr);
      std::exit(1);
    }
  }
  ~BmpFile() { unlink(path.c_str()); }
};

const BmpFile& bmp_1024() {
  static BmpFile f(kSide);
  return f;
}

uint8_t* aligned_block(size_t n) {
  void* p = nullptr;
  if (posix_memalign(&p, 32, n) != 0) std::abort();
  return static_cast<uint8_t*>(p);
}

void BM_Tile(benchmark::State& state) {
  std::vector<uint8_t> src = pattern_rgba(kSide);
  uint8_t* dst = aligned_block(kBytes);
  for (auto _ : state) {
    benchmark::DoNotOptimize(texmill_tex_to_gx_RGBA8(src.data(), kSide, kSide, dst));
    benchmark::ClobberMemory();
  }
  if (!tiled_matches(dst, src.data(), kSide, kSide)) state.SkipWithError("tiled image differs from the reference");
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
  std::free(dst);
}
BENCHMARK(BM_Tile)->Name("Tile/1024")->Unit(benchmark::kMicrosecond);

void BM_Memcpy(benchmark::State& state) {
  std::vector<uint8_t> src = pattern_rgba(kSide);
  uint8_t* dst = aligned_block(kBytes);
  for (auto _ : state) {
    std::memcpy(dst, src.data(), kBytes);
    benchmark::ClobberMemory();
  }
  if (std::memcmp(dst, src.data(), kBytes) != 0) state.SkipWithError("copy differs");
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
  std::free(dst);
}
BENCHMARK(BM_Memcpy)->Name("Memcpy/1024")->Unit(benchmark::kMicrosecond);

// The picture of the bench BMP as stb_image decodes it, for the checks.
std::vector<uint8_t> stb_picture() {
  int w = 0, h = 0, n = 0;
  stbi_uc* px = stbi_load(bmp_1024().path.c_str(), &w, &h, &n, 4);
  std::vector<uint8_t> v;
  if (px && w == int(kSide) && h == int(kSide)) v.assign(px, px + kBytes);
  stbi_image_free(px);
  return v;
}

// Runs `load` once outside the timing and returns its block (or an empty
// vector when it failed), and the peak heap of that call in `peak`.
template <typename Load>
std::vector<uint8_t> checked_load(Load load, size_t len, size_t& peak) {
  GX_LOCAL_TEX_OBJ_TYPE tex{};
  size_t before = heap.live;
  heap.restart_peak();
  std::vector<uint8_t> block;
  if (load(&tex) == 1) {
    peak = heap.peak - before;
    block.assign(tex.data, tex.data + len);
    counted_free(tex.data);
  }
  return block;
}

void BM_LoadBmp(benchmark::State& state) {
  const char* path = bmp_1024().path.c_str();
  GX_LOCAL_TEX_OBJ_TYPE tex{};
  for (auto _ : state) {
    if (texmill_load_bmp(path, &tex) != 1) state.SkipWithError("load failed");
    counted_free(tex.data);
  }
  size_t peak = 0;
  std::vector<uint8_t> block = checked_load([&](GX_LOCAL_TEX_OBJ_TYPE* t) { return texmill_load_bmp(path, t); },
                                            kBytes, peak);
  std::vector<uint8_t> want = stb_picture();
  if (block.empty() || want.empty() || !tiled_matches(block.data(), want.data(), kSide, kSide))
    state.SkipWithError("texture differs from stb_image's picture");
  state.counters["peak_MiB"] = double(peak) / (1 << 20);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}
BENCHMARK(BM_LoadBmp)->Name("LoadBmp/1024/24bit")->Unit(benchmark::kMillisecond);

void BM_StbDecode(benchmark::State& state) {
  const char* path = bmp_1024().path.c_str();
  size_t peak = 0;
  for (auto _ : state) {
    size_t before = heap.live;
    heap.restart_peak();
    int w = 0, h = 0, n = 0;
    stbi_uc* px = stbi_load(path, &w, &h, &n, 4);
    peak = heap.peak - before;
    benchmark::DoNotOptimize(px);
    if (!px) state.SkipWithError("stb_image failed");
    stbi_image_free(px);
  }
  state.counters["peak_MiB"] = double(peak) / (1 << 20);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}
BENCHMARK(BM_StbDecode)->Name("StbDecode/1024/24bit")->Unit(benchmark::kMillisecond);

// Reference mipmap chain of a linear picture: 2 x 2 means, fraction dropped,
// levels tiled one after the other, the 2 x 2 and 1 x 1 levels in one
// 64-byte tile each with zeros around them.
std::vector<uint8_t> reference_chain(std::vector<uint8_t> level, uint32_t side) {
  std::vector<uint8_t> out;
  for (uint32_t n = side; n >= 1; n /= 2) {
    uint32_t pw = n < 4 ? 4 : n;
    std::vector<uint8_t> tiled(size_t(pw) * pw * 4, 0);
    for (uint32_t y = 0; y < n; ++y)
      for (uint32_t x = 0; x < n; ++x) {
        const uint8_t* p = &level[(size_t(y) * n + x) * 4];
        uint8_t* t = &tiled[offset_of(pw, x, y)];
        t[0] = p[3];
        t[1] = p[0];
        t[32] = p[1];
        t[33] = p[2];
      }
    out.insert(out.end(), tiled.begin(), tiled.end());
    if (n == 1) break;
    std::vector<uint8_t> next(size_t(n / 2) * (n / 2) * 4);
    for (uint32_t y = 0; y < n / 2; ++y)
      for (uint32_t x = 0; x < n / 2; ++x)
        for (int c = 0; c < 4; ++c) {
          auto at = [&](uint32_t i, uint32_t j) { return uint32_t(level[(size_t(j) * n + i) * 4 + c]); };
          next[(size_t(y) * (n / 2) + x) * 4 + c] =
              static_cast<uint8_t>((at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) +
                                    at(2 * x + 1, 2 * y + 1)) >> 2);
        }
    level.swap(next);
  }
  return out;
}

void BM_LoadMipmapBmp(benchmark::State& state) {
  const char* path = bmp_1024().path.c_str();
  const size_t chain = 5592404 + 108;  // tiled chain of side 1024
  GX_LOCAL_TEX_OBJ_TYPE tex{};
  for (auto _ : state) {
    if (texmill_load_mipmap_bmp(path, &tex) != 1) state.SkipWithError("load failed");
    counted_free(tex.data);
  }
  size_t peak = 0;
  std::vector<uint8_t> block = checked_load(
      [&](GX_LOCAL_TEX_OBJ_TYPE* t) { return texmill_load_mipmap_bmp(path, t); }, chain, peak);
  std::vector<uint8_t> want = stb_picture();
  if (block.empty() || want.empty() || block != reference_chain(want, kSide))
    state.SkipWithError("mipmap chain differs from the reference built from stb_image's picture");
  state.counters["peak_MiB"] = double(peak) / (1 << 20);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}
BENCHMARK(BM_LoadMipmapBmp)->Name("LoadMipmapBmp/1024/24bit")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--tile-once") == 0) {
    std::vector<uint8_t> src = pattern_rgba(kSide);
    uint8_t* dst = aligned_block(kBytes);
    texmill_tex_to_gx_RGBA8(src.data(), kSide, kSide, dst);
    bool ok = tiled_matches(dst, src.data(), kSide, kSide);
    std::free(dst);
    std::puts(ok ? "tiled 1024 x 1024" : "tiled image differs from the reference");
    return ok ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
