// shader: the renderer's shader manager as the console modules call it.
// The manager owns every shader record; callers get a record's address as a
// u32 (natural on the 32-bit console) and never free it.
// Failure: a lookup returns 0 (unknown name, or no texture for the pass).
//   SHDR_Lookup                - address of the shader record with that name
//   SHDR_GetTextureForPassNum  - texture index of one pass of a shader by id
#ifndef RENDERER_SHADER_H
#define RENDERER_SHADER_H

#include "rtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct BASE_SHADER_TYPE {
  u32 id;  // 0: a shader with no textures of its own
  u8 num_stage_shaders;
  u8 base_flag;
  u16 padding;
  u32 cull_mode;
  u32* stage_shader_ptr;
} BASE_SHADER_TYPE;

// The record for name, as a 32-bit address, or 0 when the name is unknown.
u32 SHDR_Lookup(const char* name);
// Writes the texture index of pass pass_num of shader shader_id to
// tex_index and returns non-zero; returns 0 (tex_index untouched) if none.
u32 SHDR_GetTextureForPassNum(u32 shader_id, s32 pass_num, u32* tex_index);

#ifdef __cplusplus
}
#endif

#endif
