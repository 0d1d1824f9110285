// pellith: the renderer's shadow-map set-up. R_InitShadows looks up the three
// shadow shaders, finds the texture that pass 0 of the shadow-buffer shader
// renders into and has the view layer set up the shadow view's matrices for a
// viewport of that texture's size. The state is the module's own static
// record; it allocates nothing. It reports nothing: without a shadow texture
// the shaders are stored and the viewport is left as it was.
//   R_InitShadows - set up (or set up again) the shadow state
#ifndef RENDERER_PELLITH_H
#define RENDERER_PELLITH_H

#include "renderview.h"
#include "rtypes.h"
#include "shader.h"

#ifdef __cplusplus
extern "C" {
#endif

// The module's state record (one instance, private to the module).
typedef struct SM_TYPE {
  u8* data0[8];
  u32 data1;
  u32 data2;
  u8* data[144];
  DISPLAY_MATRIX_TYPE matrixs;  // the shadow view's display matrices
  u8 data3[32];
  BASE_SHADER_TYPE* buf_shader;     // "shadowBufNGC"
  BASE_SHADER_TYPE* entity_shader;  // "shadowEntNGC"
  BASE_SHADER_TYPE* spot_shader;    // "shadowSpotNGC"
  u32* data4;
} SM_TYPE;

void R_InitShadows(void);

#ifdef PELLITH_TEST_HOOKS
// Test builds only: the module's state record, for inspection.
SM_TYPE* R_ShadowStateForTest(void);
#endif

#ifdef __cplusplus
}
#endif

#endif
