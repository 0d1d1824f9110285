/* texmill: turns in-memory images and uncompressed BMP files into textures
 * in the console's RGBA8 tiled layout, as one level or as a mipmap chain.
 * The caller owns the record; on success its data is a 32-byte-aligned block
 * from memalign() that passes to the caller, who frees it (free()).
 * Loaders return 1 on success, 0 on failure with the record untouched; the
 * BMP loaders and the mipmap image loader print one line saying why.
 *
 * texmill_tex_to_gx_RGBA8   linear RGBA8 (sides multiples of 4) -> tiles; returns dst past the last tile
 * texmill_load_image        in-memory image -> single-level clamped texture (silent on failure)
 * texmill_load_bmp          BMP file -> single-level clamped texture
 * texmill_get_mipmap_depth  number of levels of a chain whose level 0 has side stride
 * texmill_convert_mipmap    linear mipmap chain -> tiled chain (size of the linear chain + 108 bytes)
 * texmill_load_mipmap_image square power-of-two image (4..1024) -> mipmapped repeating texture
 * texmill_load_mipmap_bmp   square power-of-two BMP (4..1024) -> mipmapped repeating texture
 *
 * Pixels of in-memory images (s0, s1, ... the bytes of a pixel in storage order):
 *   RGB_8   s0 = rrrgggbb; R, G = field x 36, B = field x 85, A = 255
 *   RGB_16  word = s0 << 8 | s1 (big-endian, as a console program stores it),
 *           bit 15 unused, red bits 10-14, green 5-9, blue 0-4; each field x 8
 *           (0..248), A = 255
 *   RGB_24  B, G, R;  RGB_32  A, B, G, R
 *   palette one index byte per pixel into GX_COLOUR_TYPE entries (r, g, b, a)
 *   flip    0 keeps the stored row order, any other value reverses it
 * BMP files: 8-, 16-, 24- and 32-bit uncompressed, bottom-up, with or
 * without a colour table of 1- to 4-byte entries; 16-bit pixels are
 * little-endian words with the same 5-5-5 fields as above.
 */
#ifndef TEXMILL_H
#define TEXMILL_H

#include "gx_services.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Depth code of an in-memory image; the value is its bytes per pixel.
   C++ sees it with the unsigned int a C compiler gives it, so any code a C
   caller passes, valid or not, is a defined value that the loaders test. */
#ifdef __cplusplus
typedef enum : unsigned int { RGB_8 = 1, RGB_16 = 2, RGB_24 = 3, RGB_32 = 4 } RGB_ENUM_TYPE;
#else
typedef enum { RGB_8 = 1, RGB_16 = 2, RGB_24 = 3, RGB_32 = 4 } RGB_ENUM_TYPE;
#endif

/* Texture record: filled by a loader that succeeds. width and height are
   the exact size; data always holds whole 4 x 4 tiles. */
typedef struct {
  GX_TEX_OBJ_TYPE texobj;
  u16 width;
  u16 height;
  u8* data;
} GX_LOCAL_TEX_OBJ_TYPE;

/* BMP file header, bytes 0 to 13 of the file, fields in host order. */
typedef struct {
  u16 magic_number; /* the bytes 'B', 'M' as stored */
  u32 size;
  u32 reserved;
  u32 offset; /* file position of the pixel rows */
} BITMAP_FILE_HEADER_TYPE;

/* BMP info header, the first 40 bytes of it, fields in host order. */
typedef struct {
  u32 header_size;
  u32 bit_map_width;
  u32 bit_map_height;
  u16 colour_planes;
  u16 bits_per_pixel;
  u32 compression;
  u32 image_size;
  s32 horizontal_res;
  s32 vertical_res;
  u32 colours_in_pal;
  u32 important_colours;
} DIB_FILE_HEADER_TYPE;

u8* texmill_tex_to_gx_RGBA8(const u8* src, u32 width, u32 height, u8* dst);
u32 texmill_load_image(u16 width, u16 height, const u8* data, RGB_ENUM_TYPE depth,
                       GX_LOCAL_TEX_OBJ_TYPE* tex_object_ptr, const GX_COLOUR_TYPE* palette,
                       u8 flip);
u32 texmill_load_bmp(const char* file_name, GX_LOCAL_TEX_OBJ_TYPE* tex_object_ptr);
u8 texmill_get_mipmap_depth(u32 stride);
void texmill_convert_mipmap(const u8* data_src, u32 stride, u8* data_dst);
u32 texmill_load_mipmap_image(u16 width, u16 height, const u8* data, RGB_ENUM_TYPE depth,
                              GX_LOCAL_TEX_OBJ_TYPE* tex_object_ptr,
                              const GX_COLOUR_TYPE* palette, u8 flip);
u32 texmill_load_mipmap_bmp(const char* file_name, GX_LOCAL_TEX_OBJ_TYPE* tex_object_ptr);

#ifdef __cplusplus
}
#endif

#endif
