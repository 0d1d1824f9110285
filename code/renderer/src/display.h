// display: the renderer's display layer as the console modules call it.
// Owns no buffer of the caller's; cannot fail.
//   QuoltDisplayGetRenderHeight - current render height in pixels
//   QuoltDisplayGetRenderWidth  - current render width in pixels
#ifndef RENDERER_DISPLAY_H
#define RENDERER_DISPLAY_H

#include "rtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

u16 QuoltDisplayGetRenderHeight(void);
u16 QuoltDisplayGetRenderWidth(void);

#ifdef __cplusplus
}
#endif

#endif
