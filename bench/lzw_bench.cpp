// Throughput of the upload tool's LZW encoder (fed in 256-byte pieces, as
// the driver does) and of the loader's decoder, on 4 MiB of real PowerPC
// code and 4 MiB of random bytes; and the encoder's start-up, which clears
// the 2^20 hash heads. Each encoded stream is decoded and compared after
// timing; the counter "ratio" is stream bytes per input byte.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "lzw-dec.h"
#include "lzw-enc.h"
#include "lzw_bench_inputs.h"

namespace {

lzw_enc_state g_lzw;
std::vector<uint8_t> g_stream(2 * kLzwBenchSize);
size_t g_stream_len = 0;

enum class Input { Real, Random };

const std::vector<uint8_t>& input(Input which) {
  static const std::vector<uint8_t> real = lzw_bench_real();
  static const std::vector<uint8_t> random = lzw_bench_random();
  return which == Input::Real ? real : random;
}

size_t encode(const std::vector<uint8_t>& in) {
  g_stream_len = 0;
  lzw_enc_init(&g_lzw);
  for (size_t at = 0; at < in.size(); at += 256) {
    const size_t n = in.size() - at < 256 ? in.size() - at : 256;
    lzw_encode(&g_lzw, in.data() + at, static_cast<uint32_t>(n));
  }
  lzw_enc_end(&g_lzw);
  return g_stream_len;
}

bool decodes_to(const std::vector<uint8_t>& in, std::string& err) {
  std::vector<uint8_t> out;
  if (!lzw_decode(g_stream.data(), g_stream_len, out, err, in.size())) return false;
  if (out != in) err = "decoded stream differs from the input";
  return out == in;
}

void BM_Encode(benchmark::State& state, Input which) {
  const std::vector<uint8_t>& in = input(which);
  if (in.empty()) {
    state.SkipWithError("no PowerPC binaries under /usr/powerpc-linux-gnu/lib");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(encode(in));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
  state.counters["ratio"] = static_cast<double>(g_stream_len) / static_cast<double>(in.size());
  std::string err;
  if (!decodes_to(in, err)) state.SkipWithError(err.c_str());
}

void BM_Decode(benchmark::State& state, Input which) {
  const std::vector<uint8_t>& in = input(which);
  if (in.empty()) {
    state.SkipWithError("no PowerPC binaries under /usr/powerpc-linux-gnu/lib");
    return;
  }
  encode(in);
  std::vector<uint8_t> out;
  std::string err;
  bool ok = true;
  for (auto _ : state) {
    ok = lzw_decode(g_stream.data(), g_stream_len, out, err, in.size()) && ok;
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
  if (!ok || out != in) state.SkipWithError(ok ? "decoded stream differs" : err.c_str());
}

void BM_EncInit(benchmark::State& state) {
  for (auto _ : state) {
    lzw_enc_init(&g_lzw);
    benchmark::ClobberMemory();
  }
}

BENCHMARK_CAPTURE(BM_Encode, real_4MiB, Input::Real)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Encode, random_4MiB, Input::Random)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, real_4MiB, Input::Real)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, random_4MiB, Input::Random)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncInit)->Unit(benchmark::kMicrosecond);

}  // namespace

extern "C" void lzw_writebuf(const uint8_t* src, uint32_t len) {
  if (g_stream_len + len > g_stream.size()) g_stream.resize(2 * (g_stream_len + len));
  std::memcpy(g_stream.data() + g_stream_len, src, len);
  g_stream_len += len;
}

BENCHMARK_MAIN();
