// Two checks per input:
// - as a code stream: the decoder either refuses it with one line of text
//   or produces at most the allowed output, touching nothing outside;
// - as a program: the encoder's stream of it, fed in pieces whose size the
//   first byte picks, decodes back to exactly the input.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "lzw-dec.h"
#include "lzw-enc.h"

namespace {
lzw_enc_state g_lzw;  // 16 MiB: static, as in the upload tool
std::vector<uint8_t> g_stream;
constexpr size_t kMaxOut = 1u << 20;  // hostile streams expand quadratically
}  // namespace

extern "C" void lzw_writebuf(const uint8_t* src, uint32_t len) {
  if (len > LZW_BLOCK_SIZE) std::abort();
  g_stream.insert(g_stream.end(), src, src + len);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out;
  std::string err;
  if (lzw_decode(data, size, out, err, kMaxOut)) {
    if (out.size() > kMaxOut || !err.empty()) std::abort();
  } else if (err.empty() || err.find('\n') != std::string::npos) {
    std::abort();
  }

  g_stream.clear();
  lzw_enc_init(&g_lzw);
  const size_t piece = size ? data[0] % 97 + 1 : 1;
  for (size_t at = 0; at < size; at += piece) {
    const size_t n = size - at < piece ? size - at : piece;
    if (lzw_encode(&g_lzw, data + at, static_cast<uint32_t>(n)) != n) std::abort();
  }
  lzw_enc_end(&g_lzw);
  if (!lzw_decode(g_stream.data(), g_stream.size(), out, err, size)) std::abort();
  if (out.size() != size || (size && std::memcmp(out.data(), data, size) != 0)) std::abort();
  return 0;
}
