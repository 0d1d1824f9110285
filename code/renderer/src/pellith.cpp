// Shadow-map set-up: see pellith.h.
#include "pellith.h"

#include <stdint.h>

#include "display.h"
#include "renderview.h"
#include "shader.h"
#include "texmgr.h"

static SM_TYPE sm;

// The shader manager hands out record addresses as u32 (the console's pointer
// width); turn one back into a pointer.
static BASE_SHADER_TYPE* shader_from_address(u32 address) {
  return reinterpret_cast<BASE_SHADER_TYPE*>(static_cast<uintptr_t>(address));
}

// The texture that pass 0 of the shadow-buffer shader uses, or null when the
// buffer shader is missing, has id 0 or has no texture for that pass.
static TEX_OBJ_INFO_TYPE* R_GetShadowTexture(void) {
  u32 tex_index = 0;
  TEX_OBJ_INFO_TYPE* tex_obj_info = nullptr;
  if (sm.buf_shader != nullptr && sm.buf_shader->id != 0 &&
      SHDR_GetTextureForPassNum(sm.buf_shader->id, 0, &tex_index) != 0) {
    tex_obj_info = TexMgr_GetTextureForIndex(tex_index);
  }
  return tex_obj_info;
}

extern "C" void R_InitShadows(void) {
  sm.buf_shader = shader_from_address(SHDR_Lookup("shadowBufNGC"));
  sm.entity_shader = shader_from_address(SHDR_Lookup("shadowEntNGC"));
  sm.spot_shader = shader_from_address(SHDR_Lookup("shadowSpotNGC"));
  sm.data1 = 0xFFFF;
  sm.data2 = 0xFFFF;

  TEX_OBJ_INFO_TYPE* tex_obj_info = R_GetShadowTexture();
  const u16 height = QuoltDisplayGetRenderHeight();
  const u16 width = QuoltDisplayGetRenderWidth();
  // No shadow texture, nothing to size the viewport from: keep the matrices
  // as they were rather than guess a size.
  if (tex_obj_info == nullptr) return;
  RenderViewSetViewport_Sub(&sm.matrixs, 0, 0, tex_obj_info->tex_width, tex_obj_info->tex_height,
                            width, height, -1);
}

#ifdef PELLITH_TEST_HOOKS
extern "C" SM_TYPE* R_ShadowStateForTest(void) { return &sm; }
#endif
