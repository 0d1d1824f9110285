// The stand-in's call log, counters and test controls.
#include <cstring>

#include "gx_standin_state.h"

namespace gx_standin_detail {

State& state() {
  static State s;
  return s;
}

bool admit_allocation(State& s) {
  ++s.allocations;
  return s.fail_at == 0 || s.allocations != s.fail_at;
}

void add_block(State& s, void* block, u64 size) {
  s.blocks[reinterpret_cast<uintptr_t>(block)] = size;
  s.live_bytes += size;
  if (s.live_bytes > s.peak_bytes) s.peak_bytes = s.live_bytes;
}

}  // namespace gx_standin_detail

using gx_standin_detail::State;
using gx_standin_detail::state;

extern "C" {

void gx_standin_reset(void) {
  State& s = state();
  std::lock_guard<std::mutex> hold(s.lock);
  s.calls.clear();
  s.allocations = 0;
  s.fail_at = 0;
  // Blocks still live stay tracked so freeing them later stays correct;
  // the peak restarts from what is live now.
  s.peak_bytes = s.live_bytes;
}

u32 gx_standin_call_count(void) {
  State& s = state();
  std::lock_guard<std::mutex> hold(s.lock);
  return static_cast<u32>(s.calls.size());
}

const GX_STANDIN_CALL_TYPE* gx_standin_call(u32 index) {
  State& s = state();
  std::lock_guard<std::mutex> hold(s.lock);
  return index < s.calls.size() ? &s.calls[index] : nullptr;
}

void gx_standin_fail_allocation(u32 n) {
  State& s = state();
  std::lock_guard<std::mutex> hold(s.lock);
  s.fail_at = n == 0 ? 0 : s.allocations + n;
}

u32 gx_standin_allocations(void) {
  State& s = state();
  std::lock_guard<std::mutex> hold(s.lock);
  return s.allocations;
}

u32 gx_standin_live_blocks(void) {
  State& s = state();
  std::lock_guard<std::mutex> hold(s.lock);
  return static_cast<u32>(s.blocks.size());
}

u64 gx_standin_live_bytes(void) {
  State& s = state();
  std::lock_guard<std::mutex> hold(s.lock);
  return s.live_bytes;
}

u64 gx_standin_peak_bytes(void) {
  State& s = state();
  std::lock_guard<std::mutex> hold(s.lock);
  return s.peak_bytes;
}

u64 gx_standin_block_size(const void* block) {
  State& s = state();
  std::lock_guard<std::mutex> hold(s.lock);
  auto it = s.blocks.find(reinterpret_cast<uintptr_t>(block));
  return it == s.blocks.end() ? 0 : it->second;
}

// FNV-1a, 64 bits.
u64 gx_standin_checksum(const void* bytes, u32 length) {
  const unsigned char* p = static_cast<const unsigned char*>(bytes);
  u64 h = 14695981039346656037ull;
  for (u32 i = 0; i < length; ++i) {
    h ^= p[i];
    h *= 1099511628211ull;
  }
  return h;
}

}  // extern "C"
