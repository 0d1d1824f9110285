#include "lzw_test_util.h"

#include <fstream>
#include <iterator>
#include <random>

LzwSink g_sink;
lzw_enc_state g_lzw;

extern "C" void lzw_writebuf(const uint8_t* src, uint32_t len) {
  g_sink.bytes.insert(g_sink.bytes.end(), src, src + len);
  g_sink.calls.push_back(len);
}

void start_stream() {
  g_sink.bytes.clear();
  g_sink.calls.clear();
  lzw_enc_init(&g_lzw);
}

std::vector<uint8_t> encode_pieces(const std::vector<uint8_t>& data, size_t piece) {
  start_stream();
  for (size_t at = 0; at < data.size(); at += piece) {
    const size_t n = std::min(piece, data.size() - at);
    lzw_encode(&g_lzw, data.data() + at, static_cast<uint32_t>(n));
  }
  lzw_enc_end(&g_lzw);
  return g_sink.bytes;
}

uint64_t bits_written(const lzw_enc_state& s) {
  return (g_sink.bytes.size() + s.out_count) * 8ull + s.bit_count;
}

uint32_t stream_bits(const lzw_enc_state& s, uint64_t at, uint32_t n) {
  const uint64_t done = g_sink.bytes.size() * 8ull;
  const uint64_t buffered = done + s.out_count * 8ull;
  uint32_t v = 0;
  for (uint64_t i = at; i < at + n; ++i) {
    uint32_t bit;
    if (i < done) {
      bit = (g_sink.bytes[i / 8] >> (7 - i % 8)) & 1;
    } else if (i < buffered) {
      const uint64_t j = i - done;
      bit = (s.out_buf[j / 8] >> (7 - j % 8)) & 1;
    } else {
      bit = (s.bit_buffer >> (s.bit_count - 1 - (i - buffered))) & 1;
    }
    v = (v << 1) | bit;
  }
  return v;
}

std::vector<uint8_t> bytes_of(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> random_bytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng());
  return v;
}

std::vector<uint8_t> text_bytes(size_t n, uint32_t seed) {
  static const char* const words[] = {
      "the", "loader", "reads", "a", "program", "from", "serial", "line", "and", "starts",
      "it", "block", "code", "stream", "of", "bytes", "each", "with", "dictionary", "console",
      "upload", "header", "size", "file", "name", "when", "is", "full", "again", "ends"};
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < n) {
    s += words[rng() % (sizeof words / sizeof words[0])];
    s += rng() % 9 == 0 ? ".\n" : " ";
  }
  s.resize(n);
  return bytes_of(s);
}

std::vector<uint8_t> powerpc_binary(size_t max_len) {
  static const char* const files[] = {"/usr/powerpc-linux-gnu/lib/libc.so.6",
                                      "/usr/powerpc-linux-gnu/lib/libstdc++.so.6.0.30",
                                      "/usr/powerpc-linux-gnu/lib/libm.so.6"};
  std::vector<uint8_t> v;
  for (const char* f : files) {
    std::ifstream in(f, std::ios::binary);
    if (!in) continue;
    v.insert(v.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (v.size() >= max_len) break;
  }
  if (v.size() > max_len) v.resize(max_len);
  return v;
}
