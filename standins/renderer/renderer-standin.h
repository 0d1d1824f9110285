// renderer-standin: host stand-in for the renderer's shader manager, texture
// manager, display layer and view layer (shader.h, texmgr.h, display.h,
// renderview.h). A small shader table by name, a texture table by index, a
// render size, and a viewport call that records its arguments.
// The stand-in owns every record it hands out; they live in memory below
// 4 GiB (see lowmem.h) so that their addresses fit the services' u32.
// Failure: the set-up calls return 0 when a table is full or its memory
// cannot be had; the services then behave as for an unknown name or index.
//
// What RenderViewSetViewport_Sub writes into the record, with
// w = vp_width, h = vp_height, W = render_width, H = render_height:
//   view_matrix  identity
//   proj_matrix  diagonal (w/W, h/H, 1, 1)
//   width_ratio = w/W, height_ratio = h/H (0 when W or H is 0)
//   float0 = w, float1 = h, org_x = x, org_y = y, float2 = W, float3 = H
//
//   rstandin_reset             - empty tables, render size 640 x 480, no calls
//   rstandin_load_default_set  - the three shadow shaders and a 512 x 512 texture
//   rstandin_add_shader        - add a shader record by name and id
//   rstandin_set_pass_texture  - give pass pass_num of a shader a texture index
//   rstandin_add_texture       - add a texture record for an index
//   rstandin_set_render_size   - the size the display layer reports
//   rstandin_viewport_calls    - how many viewport calls since the reset
//   rstandin_last_viewport     - the arguments of the last viewport call
#ifndef STANDINS_RENDERER_STANDIN_H
#define STANDINS_RENDERER_STANDIN_H

#include "renderview.h"
#include "rtypes.h"
#include "shader.h"
#include "texmgr.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct RSTANDIN_VIEWPORT_TYPE {
  DISPLAY_MATRIX_TYPE* matrixs;
  u32 x;
  u32 y;
  u32 vp_width;
  u32 vp_height;
  u32 render_width;
  u32 render_height;
  s32 mode;
} RSTANDIN_VIEWPORT_TYPE;

void rstandin_reset(void);
// Shaders "shadowBufNGC" (id 1, pass 0 -> texture 7), "shadowEntNGC" (id 2)
// and "shadowSpotNGC" (id 3); texture 7 is 512 x 512. Returns 1, or 0.
int rstandin_load_default_set(void);
// The new record, or null when the table is full. The name is copied.
BASE_SHADER_TYPE* rstandin_add_shader(const char* name, u32 id);
int rstandin_set_pass_texture(u32 shader_id, s32 pass_num, u32 tex_index);
TEX_OBJ_INFO_TYPE* rstandin_add_texture(u32 tex_index, u16 width, u16 height);
void rstandin_set_render_size(u16 width, u16 height);
u32 rstandin_viewport_calls(void);
RSTANDIN_VIEWPORT_TYPE rstandin_last_viewport(void);

#ifdef __cplusplus
}
#endif

#endif
