/* gx_services: the console graphics services the texture kit hands its
 * textures to (aligned allocation, data-cache flush, texture-object set-up),
 * the console's fixed-width types and the two graphics records it shares.
 * This copy is the host stand-in: the calls are recorded, see gx_standin.h.
 * Blocks from memalign() belong to whoever asked for them; nothing here
 * reports failure except memalign() and the heap seam returning null.
 *
 * memalign(alignment, size)          block of size bytes on an alignment boundary
 * dc_flush_range(start, length)      writes the cache lines of the range back
 * gx_init_tex_obj(...)               fills a texture object (image, size, format, wrap, mipmap)
 * gx_init_tex_obj_LOD(...)           sets its filters and level-of-detail range
 * gx_standin_malloc/calloc/free      heap seam: the C library's heap, counted and failable
 *                                    (new blocks from memalign/malloc hold 0xCD, not zeros)
 */
#ifndef GX_SERVICES_H
#define GX_SERVICES_H

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#if defined(__GLIBC__)
/* glibc declares its own memalign() here; take that declaration first so the
   macro below never renames it. */
#include <malloc.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

#ifndef GX_FIXED_WIDTH_TYPES
#define GX_FIXED_WIDTH_TYPES
typedef uint8_t u8;
typedef uint16_t u16;
typedef uint32_t u32;
typedef uint64_t u64;
typedef int8_t s8;
typedef int16_t s16;
typedef int32_t s32;
typedef float f32;
#endif

/* Texture object: eight words owned by the graphics services. */
typedef struct {
  u32 val[8];
} GX_TEX_OBJ_TYPE;

/* One colour, also a palette entry. */
typedef struct {
  u8 r;
  u8 g;
  u8 b;
  u8 a;
} GX_COLOUR_TYPE;

/* Format, wrap and filter codes the texture kit passes. */
enum {
  GX_TF_RGBA8 = 6,
  GX_CLAMP = 0,
  GX_REPEAT = 1,
  GX_LINEAR = 1,
  GX_LIN_MIP_LIN = 5,
  GX_ANISO_2 = 1
};

/* The host's aligned allocator is named apart from the C library's memalign
   so the two never clash; console code still writes memalign(). */
void* gx_standin_memalign(size_t alignment, size_t size);
#define memalign gx_standin_memalign

void dc_flush_range(void* start, u32 length);
void gx_init_tex_obj(GX_TEX_OBJ_TYPE* obj, void* image, u16 width, u16 height, u8 format,
                     u8 wrap_s, u8 wrap_t, u8 mipmap);
void gx_init_tex_obj_LOD(GX_TEX_OBJ_TYPE* obj, u8 min_filter, u8 mag_filter, f32 min_lod,
                         f32 max_lod, f32 lod_bias, u8 bias_clamp, u8 edge_lod, u8 max_aniso);

/* Heap seam. On the console these are the C library's malloc, calloc and
   free; here they count live blocks and can fail on demand. free() also
   releases blocks from memalign(). */
#define GX_STANDIN_HEAP 1
void* gx_standin_malloc(size_t size);
void* gx_standin_calloc(size_t count, size_t size);
void gx_standin_free(void* block);

#ifdef __cplusplus
}
#endif

#endif
