// Fuzz target for the two BMP loaders of the texture kit. Each input is
// handed, as a file, to texmill_load_bmp and to texmill_load_mipmap_bmp, and
// the loaders' contract is checked on every call:
//   - a failed load prints exactly one line, leaves the record byte for byte
//     as it was and leaves the heap as it was;
//   - a successful load prints nothing, hands back a 32-byte-aligned block of
//     the length its size calls for (every byte readable), and leaves exactly
//     that block allocated; the block is released here;
//   - the same load with one of its allocations failing fails cleanly.
// The target brings its own heap seam for the module (it wins over the
// stand-in's): it counts the blocks, fails the one planned to fail, and holds
// the heap to the console's 24 MiB of main memory, so that a header claiming
// a huge picture costs an allocation failure, not gigabytes and seconds.
// Crashes, leaks and out-of-bounds reads are caught by the sanitizers.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <map>

#include "gx_standin.h"
#include "texmill.h"

namespace {

// --- Heap seam: counted, capped, failable -----------------------------------

constexpr size_t kHeapBytes = size_t(24) << 20;
// Fill of blocks from malloc and memalign: no loader may leave it in a texture.
constexpr uint8_t kJunk = 0xCD;

struct Heap {
  std::map<void*, size_t> blocks;
  size_t live = 0;
  uint32_t allocations = 0;
  uint32_t fail_at = 0;  // allocation number that fails, 0 for none

  void reset(uint32_t fail) {
    allocations = 0;
    fail_at = fail;
  }
  bool admit(size_t n) {
    ++allocations;
    return allocations != fail_at && n <= kHeapBytes - live;
  }
  void* add(void* p, size_t n) {
    if (p) {
      blocks[p] = n;
      live += n;
    }
    return p;
  }
  size_t size_of(const void* p) const {
    auto it = blocks.find(const_cast<void*>(p));
    return it == blocks.end() ? 0 : it->second;
  }
};

Heap& heap() {
  static Heap h;
  return h;
}

}  // namespace

extern "C" {

void* gx_standin_memalign(size_t alignment, size_t size) {
  if (!heap().admit(size)) return nullptr;
  void* p = nullptr;
  if (posix_memalign(&p, alignment < sizeof(void*) ? sizeof(void*) : alignment, size ? size : 1) != 0) return nullptr;
  std::memset(p, kJunk, size);  // bytes the loader forgets to write show up
  return heap().add(p, size);
}

void* gx_standin_malloc(size_t size) {
  if (!heap().admit(size)) return nullptr;
  void* p = std::malloc(size ? size : 1);
  if (p) std::memset(p, kJunk, size);
  return heap().add(p, size);
}

void* gx_standin_calloc(size_t count, size_t size) {
  if (size != 0 && count > SIZE_MAX / size) return nullptr;
  const size_t bytes = count * size;
  if (!heap().admit(bytes)) return nullptr;
  return heap().add(std::calloc(bytes ? bytes : 1, 1), bytes);
}

void gx_standin_free(void* block) {
  if (!block) return;
  auto it = heap().blocks.find(block);
  if (it != heap().blocks.end()) {
    heap().live -= it->second;
    heap().blocks.erase(it);
  }
  std::free(block);
}

}  // extern "C"

namespace {

#define FUZZ_CHECK(cond, what)                                             \
  do {                                                                     \
    if (!(cond)) {                                                         \
      std::fprintf(stderr, "bmp_fuzzer: %s (%s)\n", what, #cond);          \
      std::abort();                                                        \
    }                                                                      \
  } while (0)

// The input lives in one memory file that the loaders open by path; their
// output goes to a second one while they run, so it can be checked.
struct Files {
  int input = -1;
  int output = -1;
  int saved_stdout = -1;
  char path[64] = {};
};

Files& files() {
  static Files f = [] {
    Files n;
    // A fixed buffer keeps stdout's buffer out of the heap accounting.
    static char stdout_buffer[1 << 12];
    std::setvbuf(stdout, stdout_buffer, _IOFBF, sizeof stdout_buffer);
    n.input = memfd_create("bmp_fuzzer_input", 0);
    n.output = memfd_create("bmp_fuzzer_output", 0);
    n.saved_stdout = dup(1);
    if (n.input < 0 || n.output < 0 || n.saved_stdout < 0) {
      std::perror("bmp_fuzzer: memfd");
      std::abort();
    }
    std::snprintf(n.path, sizeof n.path, "/proc/self/fd/%d", n.input);
    return n;
  }();
  return f;
}

void put_input(const uint8_t* data, size_t size) {
  Files& f = files();
  FUZZ_CHECK(ftruncate(f.input, 0) == 0, "truncate input");
  size_t done = 0;
  while (done < size) {
    ssize_t n = pwrite(f.input, data + done, size - done, static_cast<off_t>(done));
    FUZZ_CHECK(n > 0, "write input");
    done += static_cast<size_t>(n);
  }
}

void capture_stdout() {
  Files& f = files();
  std::fflush(stdout);
  FUZZ_CHECK(ftruncate(f.output, 0) == 0 && lseek(f.output, 0, SEEK_SET) == 0, "reset output");
  FUZZ_CHECK(dup2(f.output, 1) == 1, "redirect stdout");
}

// Restores stdout and returns the number of lines written, -1 when the output
// does not end with a line end.
int release_stdout() {
  Files& f = files();
  std::fflush(stdout);
  FUZZ_CHECK(dup2(f.saved_stdout, 1) == 1, "restore stdout");
  char buf[512];
  ssize_t n = pread(f.output, buf, sizeof buf, 0);
  FUZZ_CHECK(n >= 0 && n < static_cast<ssize_t>(sizeof buf), "loader output too long");
  int lines = 0;
  for (ssize_t i = 0; i < n; ++i) lines += buf[i] == '\n';
  if (n > 0 && buf[n - 1] != '\n') return -1;
  return lines;
}

bool power_of_two(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

// Length of the block a successful load must hand back.
size_t block_length(const GX_LOCAL_TEX_OBJ_TYPE& rec, bool mipmap) {
  if (!mipmap) return size_t((rec.width + 3u) & ~3u) * ((rec.height + 3u) & ~3u) * 4;
  size_t len = 0;
  for (size_t n = rec.width; n >= 4; n /= 2) len += n * n * 4;
  return len + 128;  // the 2 x 2 and 1 x 1 levels, one tile each
}

// Texel (x, y) of a tiled image of padded width pw as R, G, B, A.
void texel(const uint8_t* tiled, uint32_t pw, uint32_t x, uint32_t y, uint8_t out[4]) {
  const uint8_t* t = tiled + 64 * (size_t(y / 4) * (pw / 4) + x / 4) + 2 * (4 * (y % 4) + x % 4);
  out[0] = t[1];
  out[1] = t[32];
  out[2] = t[33];
  out[3] = t[0];
}

// One level: the texels past the picture's right and bottom edges are 0, 0, 0, 0.
void check_padding(const uint8_t* tiled, uint32_t w, uint32_t h) {
  const uint32_t pw = (w + 3) & ~3u, ph = (h + 3) & ~3u;
  uint8_t px[4];
  for (uint32_t y = 0; y < ph; ++y)
    for (uint32_t x = (y < h ? w : 0); x < pw; ++x) {
      texel(tiled, pw, x, y, px);
      FUZZ_CHECK((px[0] | px[1] | px[2] | px[3]) == 0, "padding texel is not transparent black");
    }
}

// A mipmap chain: every level is the 2 x 2 mean of the one before (fraction
// dropped), and the padded tiles of the 2 x 2 and 1 x 1 levels are zero
// outside those levels.
void check_chain(const uint8_t* chain, uint32_t side) {
  const uint8_t* level = chain;
  for (uint32_t n = side; n > 1; n /= 2) {
    const uint32_t pw = n < 4 ? 4 : n;
    const uint8_t* next = level + size_t(pw) * pw * 4;
    const uint32_t half = n / 2, next_pw = half < 4 ? 4 : half;
    for (uint32_t y = 0; y < next_pw; ++y)
      for (uint32_t x = 0; x < next_pw; ++x) {
        uint8_t got[4];
        texel(next, next_pw, x, y, got);
        if (x >= half || y >= half) {
          FUZZ_CHECK((got[0] | got[1] | got[2] | got[3]) == 0, "padding of a small level is not zero");
          continue;
        }
        uint32_t sum[4] = {0, 0, 0, 0};
        for (uint32_t j = 0; j < 2; ++j)
          for (uint32_t i = 0; i < 2; ++i) {
            uint8_t px[4];
            texel(level, pw, 2 * x + i, 2 * y + j, px);
            for (int c = 0; c < 4; ++c) sum[c] += px[c];
          }
        for (int c = 0; c < 4; ++c) FUZZ_CHECK(got[c] == sum[c] / 4, "level is not the mean of the one before");
      }
    level = next;
  }
}

struct Outcome {
  u32 result;
  int lines;
  bool record_kept;
};

// One load into a record full of a marker pattern, with its output captured.
Outcome load(bool mipmap, GX_LOCAL_TEX_OBJ_TYPE& rec) {
  GX_LOCAL_TEX_OBJ_TYPE before;
  std::memset(&rec, 0xA5, sizeof rec);
  std::memcpy(&before, &rec, sizeof rec);
  capture_stdout();
  const char* path = files().path;
  u32 ok = mipmap ? texmill_load_mipmap_bmp(path, &rec) : texmill_load_bmp(path, &rec);
  int lines = release_stdout();
  return {ok, lines, std::memcmp(&rec, &before, sizeof rec) == 0};
}

void check_failure(const Outcome& o) {
  FUZZ_CHECK(o.result == 0, "result is neither 0 nor 1");
  FUZZ_CHECK(o.record_kept, "a failed load changed the record");
  FUZZ_CHECK(heap().blocks.empty(), "a failed load left a block allocated");
}

void load_once(bool mipmap, uint32_t seed) {
  gx_standin_reset();  // the stand-in's call log
  heap().reset(0);
  GX_LOCAL_TEX_OBJ_TYPE rec;
  Outcome o = load(mipmap, rec);
  if (o.result != 1) {
    check_failure(o);
    FUZZ_CHECK(o.lines == 1, "a failed load prints exactly one line");
    return;
  }
  FUZZ_CHECK(o.lines == 0, "a successful load prints nothing");
  FUZZ_CHECK(rec.data != nullptr && reinterpret_cast<uintptr_t>(rec.data) % 32 == 0, "block not 32-byte aligned");
  if (mipmap) {
    FUZZ_CHECK(rec.width == rec.height && power_of_two(rec.width) && rec.width >= 4 && rec.width <= 1024,
               "mipmap load of a size it must reject");
  }
  size_t len = block_length(rec, mipmap);
  FUZZ_CHECK(heap().blocks.size() == 1 && heap().size_of(rec.data) == len,
             "a successful load must leave exactly the texture block allocated");
  if (mipmap) {
    check_chain(rec.data, rec.width);
  } else {
    check_padding(rec.data, rec.width, rec.height);
  }
  // Read the whole block: the sanitizers catch one shorter than its size.
  uint32_t sum = 0;
  for (size_t i = 0; i < len; ++i) sum += rec.data[i];
  volatile uint32_t sink = sum;
  (void)sink;
  gx_standin_free(rec.data);

  // The same load again with one of its allocations failing, picked by the
  // input: it must fail cleanly, whatever it prints (at most one line).
  uint32_t taken = heap().allocations;
  gx_standin_reset();
  heap().reset(1 + seed % taken);
  o = load(mipmap, rec);
  check_failure(o);
  FUZZ_CHECK(o.lines == 0 || o.lines == 1, "an allocation failure prints at most one line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  put_input(data, size);
  uint32_t seed = 0;
  for (size_t i = 0; i < size; ++i) seed = seed * 31 + data[i];
  load_once(false, seed);
  load_once(true, seed);
  return 0;
}
