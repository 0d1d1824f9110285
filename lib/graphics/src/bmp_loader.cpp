// BMP file -> single-level texture.
#include "texmill_bmp.h"
#include "texmill_heap.h"
#include "texmill_upload.h"

extern "C" u32 texmill_load_bmp(const char* file_name, GX_LOCAL_TEX_OBJ_TYPE* tex_object_ptr) {
  texmill_bmp::Source bmp;
  if (!texmill_bmp::open(file_name, &bmp)) return 0;
  const u32 pw2_width = bmp.pw2_width;
  const u32 pw2_height = bmp.pw2_height;
  u32 ok = 0;
  // Zero-filled, so the texels past the picture stay transparent black.
  u8* data_conv = static_cast<u8*>(
      texmill_heap::take_zeroed(static_cast<size_t>(pw2_width) * pw2_height * 4));
  if (!data_conv) {
    std::puts("Not enough memory to load the texture !");
  } else if (texmill_bmp::read_pixels(&bmp, data_conv, pw2_width)) {
    ok = texmill_upload::finish_single(data_conv, pw2_width, pw2_height,
                                       static_cast<u16>(bmp.info.bit_map_width),
                                       static_cast<u16>(bmp.info.bit_map_height), tex_object_ptr);
    if (!ok) std::puts("Not enough memory to load the texture !");
  }
  texmill_heap::give_back(data_conv);
  texmill_bmp::close(&bmp);
  return ok;
}
