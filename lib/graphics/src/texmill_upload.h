// texmill_upload: the last steps every loader shares. It takes the texture
// block from memalign(), writes the tiles into it, flushes it, fills the
// record and has the graphics services fill the texture object. The block
// passes to the caller with the record. Returns 0, the record untouched,
// when the block cannot be allocated. Internal to the module.
#pragma once
#include "texmill.h"

namespace texmill_upload {

// Largest tiled image a loader accepts: its length plus the 32 bytes of the
// flush must fit in 32 bits.
constexpr u32 max_block_bytes = 0xFFFFFFFFu - 32;

// One level: clamp in both directions, no mipmap.
u32 finish_single(const u8* linear, u32 pw2_width, u32 pw2_height, u16 width, u16 height,
                  GX_LOCAL_TEX_OBJ_TYPE* record);
// A linear mipmap chain of the given side: repeat, mipmapped, filtered over
// every level.
u32 finish_mipmap(const u8* chain, u32 side, GX_LOCAL_TEX_OBJ_TYPE* record);

}  // namespace texmill_upload
