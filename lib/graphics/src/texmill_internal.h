/* texmill_internal: the mipmap helpers that only the module's loaders call,
 * declared apart from texmill.h so tests can reach them. Both work in the
 * caller's buffer, allocate nothing and cannot fail.
 *
 * texmill_get_mipmap_size  bytes of the linear mipmap chain of side stride
 * texmill_create_mipmap    fills levels 1.. behind level 0 (side width, a power of two >= 2)
 */
#ifndef TEXMILL_INTERNAL_H
#define TEXMILL_INTERNAL_H

#include "texmill.h"

#ifdef __cplusplus
extern "C" {
#endif

u32 texmill_get_mipmap_size(u32 stride);
void texmill_create_mipmap(u8* data, u32 width);

#ifdef __cplusplus
}
#endif

#endif
