// Shared by the LZW tests: the encoder's output binding (a sink that keeps
// the stream and the size of every block handed over), the one encoder
// state (16 MiB, so static), whole-stream helpers and test inputs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lzw-enc.h"

struct LzwSink {
  std::vector<uint8_t> bytes;   // every byte handed to lzw_writebuf, in order
  std::vector<uint32_t> calls;  // len of each lzw_writebuf call
};
extern LzwSink g_sink;
extern lzw_enc_state g_lzw;

// Clears the sink and initialises g_lzw.
void start_stream();
// Whole stream: start_stream(), feed `data` in pieces of `piece` bytes, end.
std::vector<uint8_t> encode_pieces(const std::vector<uint8_t>& data, size_t piece);
inline std::vector<uint8_t> encode_all(const std::vector<uint8_t>& data) {
  return encode_pieces(data, data.size() + 1);
}
// Bits written so far: handed-over bytes, bytes in out_buf, pending bits.
uint64_t bits_written(const lzw_enc_state& s);
// n bits (n <= 24) at bit offset `at` of the stream written so far (sink,
// then out_buf, then the pending bits), MSB first.
uint32_t stream_bits(const lzw_enc_state& s, uint64_t at, uint32_t n);

std::vector<uint8_t> bytes_of(const std::string& text);
std::vector<uint8_t> random_bytes(size_t n, uint32_t seed);
// English-like text from a small vocabulary, reproducible for a given seed.
std::vector<uint8_t> text_bytes(size_t n, uint32_t seed);
// Up to max_len bytes of PowerPC binaries from the cross toolchain
// (empty when they are not installed).
std::vector<uint8_t> powerpc_binary(size_t max_len);
