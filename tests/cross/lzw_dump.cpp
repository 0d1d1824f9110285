// lzw_dump: encodes a fixed set of generated inputs with the upload tool's
// LZW encoder, decodes each stream again with the loader's decoder, and
// prints one line per input: its length, the stream's length and FNV-1a
// hash, and whether the round trip gave the input back. The output must be
// the same on every host; tools/cross.sh compares the little-endian run with
// the big-endian one. Exit status 1 when a round trip fails.
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "lzw-dec.h"
#include "lzw-enc.h"

namespace {

std::vector<uint8_t> stream;
lzw_enc_state state;  // ~16 MiB: static, never on the stack

uint64_t fnv1a(const std::vector<uint8_t>& v) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (uint8_t b : v) {
    h ^= b;
    h *= 0x100000001b3ull;
  }
  return h;
}

std::vector<uint8_t> make_input(const std::string& kind, size_t n) {
  std::vector<uint8_t> v(n);
  uint32_t s = 0x12345678u;
  for (size_t i = 0; i < n; ++i) {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    if (kind == "noise") {
      v[i] = static_cast<uint8_t>(s >> 24);
    } else if (kind == "text") {
      static const char words[] = "the quick brown fox jumps over the lazy dog ";
      v[i] = static_cast<uint8_t>(words[(i + (s >> 29)) % (sizeof words - 1)]);
    } else {  // "zeros"
      v[i] = 0;
    }
  }
  return v;
}

}  // namespace

extern "C" void lzw_writebuf(const uint8_t* src, uint32_t len) {
  stream.insert(stream.end(), src, src + len);
}

int main() {
  static const struct {
    const char* kind;
    size_t size;
  } inputs[] = {{"noise", 0},      {"noise", 1},         {"text", 255},
                {"text", 256},     {"text", 257},        {"noise", 1029},
                {"text", 100000},  {"zeros", 100000},    {"noise", 300000},
                // Enough distinct strings to fill the 2^20-code dictionary
                // and restart it.
                {"noise", 1500000}};
  int failures = 0;
  for (const auto& in : inputs) {
    const std::vector<uint8_t> data = make_input(in.kind, in.size);
    stream.clear();
    lzw_enc_init(&state);
    for (size_t at = 0; at < data.size(); at += 256) {
      const size_t n = data.size() - at < 256 ? data.size() - at : 256;
      lzw_encode(&state, data.data() + at, static_cast<uint32_t>(n));
    }
    lzw_enc_end(&state);

    std::vector<uint8_t> back;
    std::string err;
    const bool ok = lzw_decode(stream.data(), stream.size(), back, err, data.size()) &&
                    back == data;
    if (!ok) ++failures;
    printf("%s %zu: stream=%zu fnv=%016llx roundtrip=%s%s%s\n", in.kind, in.size, stream.size(),
           static_cast<unsigned long long>(fnv1a(stream)), ok ? "ok" : "FAILED",
           err.empty() ? "" : " ", err.c_str());
  }
  return failures == 0 ? 0 : 1;
}
