// Bookkeeping shared by the stand-in's service files: the call log, the
// live blocks and the allocation counters, behind one mutex.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "gx_standin.h"

namespace gx_standin_detail {

struct State {
  std::mutex lock;
  std::vector<GX_STANDIN_CALL_TYPE> calls;
  std::map<uintptr_t, u64> blocks;  // start address -> size
  u32 allocations = 0;
  u32 fail_at = 0;  // allocation number that fails, 0 for none
  u64 live_bytes = 0;
  u64 peak_bytes = 0;
};

State& state();

// Counts one allocation attempt; false when this one is planned to fail.
// Caller holds the lock.
bool admit_allocation(State& s);
// Records a block just taken. Caller holds the lock.
void add_block(State& s, void* block, u64 size);

}  // namespace gx_standin_detail
