// Data-cache flush of the stand-in. The host has no cache to write back;
// the call is recorded with a checksum of the bytes of the range that lie
// in a live block, so a test can tell whether anything was written to the
// block after its flush. Bytes outside any block (the flush may run past
// the end of one) are never read.
#include "gx_standin_state.h"

using gx_standin_detail::State;
using gx_standin_detail::state;

extern "C" void dc_flush_range(void* start, u32 length) {
  State& s = state();
  std::lock_guard<std::mutex> hold(s.lock);
  GX_STANDIN_CALL_TYPE call{};
  call.kind = GX_STANDIN_DC_FLUSH_RANGE;
  call.address = start;
  call.length = length;
  uintptr_t at = reinterpret_cast<uintptr_t>(start);
  auto it = s.blocks.upper_bound(at);
  if (it != s.blocks.begin()) {
    --it;
    u64 end = static_cast<u64>(it->first) + it->second;
    if (at >= it->first && at < end) {
      u64 inside = end - at;
      call.checked_bytes = static_cast<u32>(inside < length ? inside : length);
      call.checksum = gx_standin_checksum(start, call.checked_bytes);
    }
  }
  s.calls.push_back(call);
}
