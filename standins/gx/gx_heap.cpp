// Aligned allocator and heap seam of the stand-in: the C library's heap,
// with every block counted and any one allocation failable on demand.
// Blocks from memalign() and malloc() come filled with 0xCD, so a texel
// that was never written shows up in a test instead of passing as zero.
#include <cstdlib>
#include <cstring>

#include "gx_standin_state.h"

using gx_standin_detail::State;
using gx_standin_detail::state;

extern "C" {

void* gx_standin_memalign(size_t alignment, size_t size) {
  State& s = state();
  std::lock_guard<std::mutex> hold(s.lock);
  GX_STANDIN_CALL_TYPE call{};
  call.kind = GX_STANDIN_MEMALIGN;
  call.alignment = static_cast<u32>(alignment);
  call.size = static_cast<u32>(size);
  void* block = nullptr;
  if (gx_standin_detail::admit_allocation(s)) {
    size_t align = alignment < sizeof(void*) ? sizeof(void*) : alignment;
    if (posix_memalign(&block, align, size == 0 ? 1 : size) != 0) block = nullptr;
  }
  if (block) std::memset(block, 0xCD, size);
  if (block) gx_standin_detail::add_block(s, block, size);
  call.address = block;
  s.calls.push_back(call);
  return block;
}

void* gx_standin_malloc(size_t size) {
  State& s = state();
  std::lock_guard<std::mutex> hold(s.lock);
  if (!gx_standin_detail::admit_allocation(s)) return nullptr;
  void* block = std::malloc(size == 0 ? 1 : size);
  if (!block) return nullptr;
  std::memset(block, 0xCD, size);
  gx_standin_detail::add_block(s, block, size);
  return block;
}

void* gx_standin_calloc(size_t count, size_t size) {
  State& s = state();
  std::lock_guard<std::mutex> hold(s.lock);
  if (!gx_standin_detail::admit_allocation(s)) return nullptr;
  if (size != 0 && count > SIZE_MAX / size) return nullptr;
  size_t bytes = count * size;
  void* block = std::calloc(bytes == 0 ? 1 : bytes, 1);
  if (block) gx_standin_detail::add_block(s, block, bytes);
  return block;
}

void gx_standin_free(void* block) {
  if (!block) return;
  State& s = state();
  {
    std::lock_guard<std::mutex> hold(s.lock);
    auto it = s.blocks.find(reinterpret_cast<uintptr_t>(block));
    if (it != s.blocks.end()) {
      s.live_bytes -= it->second;
      s.blocks.erase(it);
    }
  }
  std::free(block);
}

}  // extern "C"
