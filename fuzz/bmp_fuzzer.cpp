// Fuzz target for the two BMP loaders of the texture kit. Each input is
// handed, as a file, to texmill_load_bmp and to texmill_load_mipmap_bmp, and
// the loaders' contract is checked on every call:
//   - a failed load prints exactly one line, leaves the record byte for byte
//     as it was and leaves the heap as it was;
//   - a successful load prints nothing, hands back a 32-byte-aligned block of
//     the length its size calls for (every byte readable), and leaves exactly
//     that block allocated; the block is released here.
// Crashes, leaks and out-of-bounds reads are caught by the sanitizers.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "texmill.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BMP_FUZZ_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define BMP_FUZZ_ASAN 1
#endif

#ifdef BMP_FUZZ_ASAN
#include <sanitizer/allocator_interface.h>
#else
#include <malloc.h>
#endif

namespace {

#define FUZZ_CHECK(cond, what)                                             \
  do {                                                                     \
    if (!(cond)) {                                                         \
      std::fprintf(stderr, "bmp_fuzzer: %s (%s)\n", what, #cond);          \
      std::abort();                                                        \
    }                                                                      \
  } while (0)

// Bytes of heap in use right now, from the sanitizer's allocator or glibc.
size_t live_heap_bytes() {
#ifdef BMP_FUZZ_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

// An aligned block may carry allocator bookkeeping and alignment slack.
constexpr size_t kBlockSlack = 96;

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

void load_once(bool mipmap) {
  Files& f = files();
  GX_LOCAL_TEX_OBJ_TYPE rec, before;
  std::memset(&rec, 0xA5, sizeof rec);
  std::memcpy(&before, &rec, sizeof rec);

  capture_stdout();
  size_t heap_before = live_heap_bytes();
  u32 ok = mipmap ? texmill_load_mipmap_bmp(f.path, &rec) : texmill_load_bmp(f.path, &rec);
  size_t heap_after = live_heap_bytes();
  int lines = release_stdout();

  if (ok != 1) {
    FUZZ_CHECK(ok == 0, "result is neither 0 nor 1");
    FUZZ_CHECK(lines == 1, "a failed load prints exactly one line");
    FUZZ_CHECK(std::memcmp(&rec, &before, sizeof rec) == 0, "a failed load changed the record");
    FUZZ_CHECK(heap_after == heap_before, "a failed load left memory allocated");
    return;
  }
  FUZZ_CHECK(lines == 0, "a successful load prints nothing");
  FUZZ_CHECK(rec.data != nullptr && reinterpret_cast<uintptr_t>(rec.data) % 32 == 0, "block not 32-byte aligned");
  if (mipmap) {
    FUZZ_CHECK(rec.width == rec.height && power_of_two(rec.width) && rec.width >= 4 && rec.width <= 1024,
               "mipmap load of a size it must reject");
  }
  size_t len = block_length(rec, mipmap);
  FUZZ_CHECK(heap_after >= heap_before + len && heap_after <= heap_before + len + kBlockSlack,
             "a successful load must leave exactly the texture block allocated");
  // Read the whole block: the sanitizers catch a block shorter than its size.
  uint32_t sum = 0;
  for (size_t i = 0; i < len; ++i) sum += rec.data[i];
  volatile uint32_t sink = sum;
  (void)sink;
  std::free(rec.data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  put_input(data, size);
  load_once(false);
  load_once(true);
  return 0;
}
