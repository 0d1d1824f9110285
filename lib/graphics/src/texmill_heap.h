// texmill_heap: the one place the module takes and releases its working
// buffers. On the console it is the C library's heap; where the graphics
// services header offers a counted heap (the host stand-in), the module
// uses that, so tests can count the blocks and fail any allocation.
// Every function returns null when the heap is exhausted.
#pragma once
#include <cstddef>
#include <cstdlib>

#include "gx_services.h"

namespace texmill_heap {

#if defined(GX_STANDIN_HEAP)
inline void* take(size_t bytes) { return gx_standin_malloc(bytes); }
inline void* take_zeroed(size_t bytes) { return gx_standin_calloc(bytes, 1); }
inline void give_back(void* block) { gx_standin_free(block); }
#else
inline void* take(size_t bytes) { return std::malloc(bytes); }
inline void* take_zeroed(size_t bytes) { return std::calloc(bytes, 1); }
inline void give_back(void* block) { std::free(block); }
#endif

}  // namespace texmill_heap
