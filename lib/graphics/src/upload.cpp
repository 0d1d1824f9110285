// Texture block, flush and texture object, shared by every loader.
#include "texmill_internal.h"
#include "texmill_upload.h"

namespace texmill_upload {

u32 finish_single(const u8* linear, u32 pw2_width, u32 pw2_height, u16 width, u16 height,
                  GX_LOCAL_TEX_OBJ_TYPE* record) {
  const u32 length = pw2_width * pw2_height * 4;  // callers keep it <= max_block_bytes
  u8* block = static_cast<u8*>(memalign(32, length));
  if (!block) return 0;
  texmill_tex_to_gx_RGBA8(linear, pw2_width, pw2_height, block);
  dc_flush_range(block, length + 32);
  record->data = block;
  record->width = width;
  record->height = height;
  gx_init_tex_obj(&record->texobj, block, width, height, GX_TF_RGBA8, GX_CLAMP, GX_CLAMP, 0);
  return 1;
}

u32 finish_mipmap(const u8* chain, u32 side, GX_LOCAL_TEX_OBJ_TYPE* record) {
  const u8 levels = texmill_get_mipmap_depth(side);
  const u32 length = texmill_get_mipmap_size(side) + 108;
  u8* block = static_cast<u8*>(memalign(32, length));
  if (!block) return 0;
  // The chain's tiles cover every byte of the block, padding tiles included.
  texmill_convert_mipmap(chain, side, block);
  dc_flush_range(block, length + 32);
  record->data = block;
  record->width = static_cast<u16>(side);
  record->height = static_cast<u16>(side);
  gx_init_tex_obj(&record->texobj, block, record->width, record->height, GX_TF_RGBA8,
                  GX_REPEAT, GX_REPEAT, 1);
  gx_init_tex_obj_LOD(&record->texobj, GX_LIN_MIP_LIN, GX_LINEAR, 0.0f,
                      static_cast<f32>(levels - 1), 0.0f, 0, 0, GX_ANISO_2);
  return 1;
}

}  // namespace texmill_upload
