// texmgr: the renderer's texture manager as the console modules call it.
// The manager owns every texture record and the GX texture object behind it;
// callers read them and never free them.
// Failure: a lookup of an unknown index returns null.
//   TexMgr_GetTextureForIndex - the texture record for a texture index
#ifndef RENDERER_TEXMGR_H
#define RENDERER_TEXMGR_H

#include "rtypes.h"

// The console's GX texture object: eight opaque words, declared by the
// graphics services' header. When that header is on the include path it is
// included here and its record is used, so a program may include both in
// either order; otherwise the renderer declares the same record itself.
#if defined(__has_include)
#if __has_include(<gx_services.h>)
#include <gx_services.h>
#endif
#endif
#if !defined(GX_SERVICES_H) && !defined(GX_TEX_OBJ_TYPE_DECLARED)
#define GX_TEX_OBJ_TYPE_DECLARED 1
typedef struct {
  u32 val[8];
} GX_TEX_OBJ_TYPE;
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TEX_OBJ_INFO_TYPE {
  u32 tex_format;
  u16 tex_width;   // size in texels
  u16 tex_height;
  u32 tex_wrap_s;
  u32 tex_wrap_t;
  u32* tex_image_ptr;
  u32 padding0;
  u32 light_format;
  u32* light_image_ptr;
  u32 padding1;
  u32 user_data;
  u32 lod_min_filt;
  u32 lod_mag_filt;
  f32 lod_max_lod;
  f32 lod_bias;
  u8 lod_bias_clamp;
  u8 lod_do_edge_lod;
  u8 tex_mipmap;
  u8 padding2;
  u32 lod_max_aniso;
  GX_TEX_OBJ_TYPE* gx_tex_obj;
} TEX_OBJ_INFO_TYPE;

// The record for tex_index, or null when there is none.
TEX_OBJ_INFO_TYPE* TexMgr_GetTextureForIndex(u32 tex_index);

#ifdef __cplusplus
}
#endif

#endif
