// renderview: the renderer's view layer as the console modules call it.
// The caller owns the DISPLAY_MATRIX_TYPE record; the view layer only fills
// it in. Cannot fail.
//   RenderViewSetViewport_Sub - set up a record's matrices for a viewport
#ifndef RENDERER_RENDERVIEW_H
#define RENDERER_RENDERVIEW_H

#include "rtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct MTX_44_TYPE {
  f32 m[4][4];
} MTX_44_TYPE;

typedef struct DISPLAY_MATRIX_TYPE {
  MTX_44_TYPE view_matrix;
  MTX_44_TYPE proj_matrix;
  f32 width_ratio;
  f32 height_ratio;
  f32 float0;
  f32 float1;
  f32 org_x;
  f32 org_y;
  f32 float2;
  f32 float3;
} DISPLAY_MATRIX_TYPE;

// Fills *matrixs for a viewport at (x, y) of vp_width x vp_height inside a
// render target of render_width x render_height; mode -1 is the default.
void RenderViewSetViewport_Sub(DISPLAY_MATRIX_TYPE* matrixs, u32 x, u32 y, u32 vp_width,
                               u32 vp_height, u32 render_width, u32 render_height, s32 mode);

#ifdef __cplusplus
}
#endif

#endif
