// lowmem: zeroed memory whose addresses fit in 32 bits, for host stand-ins
// of console services that hand out record addresses as u32. On a 64-bit
// host the block comes from the low 4 GiB of the address space.
// The block is never freed (it lives as long as the process).
// Failure: returns null and prints one line on stderr.
//   lowmem_alloc - a zeroed block of at least size bytes below 4 GiB
#ifndef STANDINS_RENDERER_LOWMEM_H
#define STANDINS_RENDERER_LOWMEM_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

void* lowmem_alloc(size_t size);

#ifdef __cplusplus
}
#endif

#endif
