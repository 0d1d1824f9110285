#include "lzw_bench_inputs.h"

#include <fstream>
#include <iterator>
#include <random>

std::vector<uint8_t> lzw_bench_real() {
  static const char* const files[] = {"/usr/powerpc-linux-gnu/lib/libc.so.6",
                                      "/usr/powerpc-linux-gnu/lib/libstdc++.so.6.0.30"};
  std::vector<uint8_t> v;
  for (const char* f : files) {
    std::ifstream in(f, std::ios::binary);
    if (!in) return {};
    v.insert(v.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (v.size() < kLzwBenchSize) return {};
  v.resize(kLzwBenchSize);
  return v;
}

std::vector<uint8_t> lzw_bench_random() {
  std::mt19937_64 rng(20260101);
  std::vector<uint8_t> v(kLzwBenchSize);
  for (size_t i = 0; i < v.size(); i += 8) {
    const uint64_t r = rng();
    for (size_t k = 0; k < 8; ++k) v[i + k] = static_cast<uint8_t>(r >> (8 * k));
  }
  return v;
}
