// lzw_pack: the upload tool's LZW encoder as a filter, so that
// bench/lzw-compare.sh times it the way it times other compressors.
//   lzw_pack < file > stream          encode (256-byte pieces, as the driver)
//   lzw_pack -d < stream > file       decode with the loader's decoder
//   lzw_pack --inputs DIR             write the benchmark inputs real.bin
//                                     and random.bin (4 MiB each) into DIR
//   lzw_pack --init-time              time lzw_enc_init(): the first call
//                                     (fresh pages) and the best warm one
// Failure: one line on stderr, exit status 1.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "lzw-dec.h"
#include "lzw-enc.h"
#include "lzw_bench_inputs.h"

namespace {

lzw_enc_state g_lzw;
bool g_write_failed = false;

int fail(const std::string& msg) {
  std::fprintf(stderr, "lzw_pack: %s\n", msg.c_str());
  return 1;
}

std::vector<uint8_t> read_stdin() {
  std::vector<uint8_t> v;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0) v.insert(v.end(), buf, buf + n);
  return v;
}

bool write_file(const std::string& path, const std::vector<uint8_t>& v) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(v.data(), 1, v.size(), f) == v.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

extern "C" void lzw_writebuf(const uint8_t* src, uint32_t len) {
  if (len && std::fwrite(src, 1, len, stdout) != len) g_write_failed = true;
}

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--inputs") == 0) {
    const std::vector<uint8_t> real = lzw_bench_real();
    if (real.empty()) return fail("no PowerPC binaries under /usr/powerpc-linux-gnu/lib");
    const std::string dir = argv[2];
    if (!write_file(dir + "/real.bin", real) || !write_file(dir + "/random.bin", lzw_bench_random()))
      return fail("cannot write the inputs into " + dir);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--init-time") == 0) {
    using clock = std::chrono::steady_clock;
    double first = 0, warm = 1e9;
    for (int i = 0; i < 20; ++i) {
      const clock::time_point t0 = clock::now();
      lzw_enc_init(&g_lzw);
      const double ms = std::chrono::duration<double, std::milli>(clock::now() - t0).count();
      if (i == 0) first = ms;
      else if (ms < warm) warm = ms;
    }
    std::printf("lzw_enc_init: first call %.3f ms, warm %.3f ms (best of 19)\n", first, warm);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "-d") == 0) {
    const std::vector<uint8_t> stream = read_stdin();
    std::vector<uint8_t> out;
    std::string err;
    if (!lzw_decode(stream.data(), stream.size(), out, err)) return fail(err);
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) return fail("write error");
    return 0;
  }
  if (argc != 1) return fail("usage: lzw_pack [-d | --inputs DIR | --init-time] < in > out");

  // Feed the input while it is read, 256 bytes at a time.
  lzw_enc_init(&g_lzw);
  uint8_t piece[256];
  size_t n;
  while ((n = std::fread(piece, 1, sizeof piece, stdin)) > 0)
    lzw_encode(&g_lzw, piece, static_cast<uint32_t>(n));
  lzw_enc_end(&g_lzw);
  if (std::ferror(stdin)) return fail("read error");
  if (std::fflush(stdout) != 0 || g_write_failed) return fail("write error");
  return 0;
}
