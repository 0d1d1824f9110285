// In-memory image -> single-level texture. Fails silently.
#include "texmill_heap.h"
#include "texmill_pixels.h"
#include "texmill_upload.h"

namespace {

u32 round_up_to_4(u32 v) {
  const u32 remainder = v % 4;
  return remainder != 0 ? v + 4 - remainder : v;
}

}  // namespace

extern "C" u32 texmill_load_image(u16 width, u16 height, const u8* data, RGB_ENUM_TYPE depth,
                                  GX_LOCAL_TEX_OBJ_TYPE* tex_object_ptr,
                                  const GX_COLOUR_TYPE* palette, u8 flip) {
  if (depth < RGB_8 || depth > RGB_32) return 0;
  if (!data) return 0;
  if (width == 0 || height == 0) return 0;
  const u32 pw2_width = round_up_to_4(width);
  const u32 pw2_height = round_up_to_4(height);
  const u64 length = static_cast<u64>(pw2_width) * pw2_height * 4;
  if (length > texmill_upload::max_block_bytes || length > SIZE_MAX) return 0;

  // Zero-filled, so the padding texels stay transparent black.
  u8* data_conv = static_cast<u8*>(texmill_heap::take_zeroed(static_cast<size_t>(length)));
  if (!data_conv) return 0;
  texmill_pixels::expand_image(width, height, data, depth, palette, flip, data_conv, pw2_width);
  const u32 ok = texmill_upload::finish_single(data_conv, pw2_width, pw2_height, width, height,
                                               tex_object_ptr);
  texmill_heap::give_back(data_conv);
  return ok;
}
