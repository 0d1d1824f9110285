// Mipmapped textures from an in-memory image or a BMP file.
//
// Memory: level 0 is expanded (or read from the file row by row) straight
// into the start of the linear chain, the chain is reduced in place, and
// only then the texture block is taken. At most the chain, the block and
// one file row are live at once (10.7 MiB for a side of 1024).
#include <cstdio>

#include "texmill_bmp.h"
#include "texmill_heap.h"
#include "texmill_internal.h"
#include "texmill_pixels.h"
#include "texmill_upload.h"

namespace {

bool power_of_two_from_4(u32 v) { return v >= 4 && (v & (v - 1)) == 0; }

const char* const out_of_memory = "Not enough memory to load the texture !";

}  // namespace

extern "C" u32 texmill_load_mipmap_image(u16 width, u16 height, const u8* data,
                                         RGB_ENUM_TYPE depth,
                                         GX_LOCAL_TEX_OBJ_TYPE* tex_object_ptr,
                                         const GX_COLOUR_TYPE* palette, u8 flip) {
  if (width != height) {
    std::puts("invalid image it needs to be square for mipmap! ");
    return 0;
  }
  if (width > 1024) {
    std::puts("image is to large to mipmap needs to be less the 1024 ");
    return 0;
  }
  if (!power_of_two_from_4(width)) {
    std::puts("image size needs to be a power of 2 ");
    return 0;
  }
  if (depth < RGB_8 || depth > RGB_32) {
    std::puts("invalid image format ");
    return 0;
  }
  if (!data) return 0;

  u8* mipmap_data = static_cast<u8*>(texmill_heap::take(texmill_get_mipmap_size(width)));
  if (!mipmap_data) {
    std::puts(out_of_memory);
    return 0;
  }
  // Level 0 fills its part of the chain completely; the reduction fills the rest.
  texmill_pixels::expand_image(width, height, data, depth, palette, flip, mipmap_data, width);
  texmill_create_mipmap(mipmap_data, width);
  const u32 ok = texmill_upload::finish_mipmap(mipmap_data, width, tex_object_ptr);
  texmill_heap::give_back(mipmap_data);
  if (!ok) std::puts(out_of_memory);
  return ok;
}

extern "C" u32 texmill_load_mipmap_bmp(const char* file_name,
                                       GX_LOCAL_TEX_OBJ_TYPE* tex_object_ptr) {
  texmill_bmp::Source bmp;
  if (!texmill_bmp::open(file_name, &bmp)) return 0;
  const u32 height = bmp.info.bit_map_height;
  const u32 width = bmp.info.bit_map_width;
  const char* refusal = nullptr;
  if (!power_of_two_from_4(height))
    refusal = "invalid bmp height needs to be a power of 2 ";
  else if (!power_of_two_from_4(width))
    refusal = "invalid bmp width needs to be a power of 2 ";
  else if (height != width)
    refusal = "invalid bmp image needs to be square for mipmap! ";
  else if (width > 1024)
    refusal = "bmp image is to large to mipmap needs to be less the 1024 ";
  if (refusal) {
    std::puts(refusal);
    texmill_bmp::close(&bmp);
    return 0;
  }

  u32 ok = 0;
  u8* mipmap_data = static_cast<u8*>(texmill_heap::take(texmill_get_mipmap_size(width)));
  if (!mipmap_data) {
    std::puts(out_of_memory);
  } else if (texmill_bmp::read_pixels(&bmp, mipmap_data, width)) {
    texmill_create_mipmap(mipmap_data, width);
    ok = texmill_upload::finish_mipmap(mipmap_data, width, tex_object_ptr);
    if (!ok) std::puts(out_of_memory);
  }
  texmill_heap::give_back(mipmap_data);
  texmill_bmp::close(&bmp);
  return ok;
}
