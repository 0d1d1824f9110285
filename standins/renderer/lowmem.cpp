// Low-address memory: see lowmem.h.
#include "lowmem.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#if UINTPTR_MAX > 0xFFFFFFFFu
#include <sys/mman.h>
#endif

extern "C" void* lowmem_alloc(size_t size) {
#if UINTPTR_MAX <= 0xFFFFFFFFu
  // Every address of a 32-bit process fits.
  void* block = calloc(1, size == 0 ? 1 : size);
  if (block == nullptr) fprintf(stderr, "lowmem: out of memory (%zu bytes)\n", size);
  return block;
#else
  if (size == 0) size = 1;
#ifdef MAP_32BIT
  void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT,
                     -1, 0);
#else
  // No MAP_32BIT on this architecture: ask for a low address as a hint.
  void* block = mmap(reinterpret_cast<void*>(uintptr_t{0x10000000}), size, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
#endif
  if (block == MAP_FAILED) {
    fprintf(stderr, "lowmem: cannot map %zu bytes below 4 GiB\n", size);
    return nullptr;
  }
  if (reinterpret_cast<uintptr_t>(block) + size - 1 > 0xFFFFFFFFu) {
    munmap(block, size);
    fprintf(stderr, "lowmem: no room below 4 GiB for %zu bytes\n", size);
    return nullptr;
  }
  return block;  // anonymous mappings start zeroed
#endif
}
