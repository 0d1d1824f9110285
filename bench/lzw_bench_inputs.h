// The two 4 MiB benchmark inputs of the LZW encoder, built the same way by
// lzw_bench and lzw_pack (which writes them out for bench/lzw-compare.sh).
// Failure: an empty vector (the PowerPC binaries are not installed).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t kLzwBenchSize = 4u << 20;

// Concatenated PowerPC libraries of the cross toolchain, cut to 4 MiB.
std::vector<uint8_t> lzw_bench_real();
// 4 MiB from a fixed-seed generator: incompressible, reproducible.
std::vector<uint8_t> lzw_bench_random();
