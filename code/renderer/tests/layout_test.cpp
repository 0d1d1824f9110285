// Record layouts of the renderer's headers: field order and sizes as the
// renderer's services lay them out. Offsets are written in terms of the
// pointer size P, so the same checks hold on the 32-bit console (P = 4) and
// on a 64-bit host (P = 8).
#include <gtest/gtest.h>

#include <stddef.h>

#include "pellith.h"
#include "renderview.h"
#include "shader.h"
#include "texmgr.h"

namespace {

constexpr size_t P = sizeof(void*);

TEST(RecordLayout, FixedWidthTypes) {
  EXPECT_EQ(sizeof(u8), 1u);
  EXPECT_EQ(sizeof(u16), 2u);
  EXPECT_EQ(sizeof(u32), 4u);
  EXPECT_EQ(sizeof(s32), 4u);
  EXPECT_EQ(sizeof(f32), 4u);
  EXPECT_EQ(sizeof(u32*), P);
}

TEST(RecordLayout, BaseShader) {
  EXPECT_EQ(offsetof(BASE_SHADER_TYPE, id), 0u);
  EXPECT_EQ(offsetof(BASE_SHADER_TYPE, num_stage_shaders), 4u);
  EXPECT_EQ(offsetof(BASE_SHADER_TYPE, base_flag), 5u);
  EXPECT_EQ(offsetof(BASE_SHADER_TYPE, padding), 6u);
  EXPECT_EQ(offsetof(BASE_SHADER_TYPE, cull_mode), 8u);
  // 12 on the console; a 64-bit pointer aligns to 16.
  EXPECT_EQ(offsetof(BASE_SHADER_TYPE, stage_shader_ptr), (12 + P - 1) / P * P);
  EXPECT_EQ(sizeof(BASE_SHADER_TYPE), offsetof(BASE_SHADER_TYPE, stage_shader_ptr) + P);
}

TEST(RecordLayout, TexObjInfo) {
  EXPECT_EQ(sizeof(GX_TEX_OBJ_TYPE), 32u);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, tex_format), 0u);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, tex_width), 4u);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, tex_height), 6u);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, tex_wrap_s), 8u);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, tex_wrap_t), 12u);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, tex_image_ptr), 16u);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, padding0), 16 + P);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, light_format), 20 + P);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, light_image_ptr), 24 + P);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, padding1), 24 + 2 * P);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, user_data), 28 + 2 * P);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, lod_min_filt), 32 + 2 * P);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, lod_mag_filt), 36 + 2 * P);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, lod_max_lod), 40 + 2 * P);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, lod_bias), 44 + 2 * P);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, lod_bias_clamp), 48 + 2 * P);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, lod_do_edge_lod), 49 + 2 * P);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, tex_mipmap), 50 + 2 * P);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, padding2), 51 + 2 * P);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, lod_max_aniso), 52 + 2 * P);
  EXPECT_EQ(offsetof(TEX_OBJ_INFO_TYPE, gx_tex_obj), 56 + 2 * P);
  EXPECT_EQ(sizeof(TEX_OBJ_INFO_TYPE), 56 + 3 * P);  // 68 bytes on the console
}

TEST(RecordLayout, DisplayMatrix) {
  EXPECT_EQ(sizeof(MTX_44_TYPE), 16 * sizeof(f32));
  EXPECT_EQ(offsetof(DISPLAY_MATRIX_TYPE, view_matrix), 0u);
  EXPECT_EQ(offsetof(DISPLAY_MATRIX_TYPE, proj_matrix), 64u);
  EXPECT_EQ(offsetof(DISPLAY_MATRIX_TYPE, width_ratio), 128u);
  EXPECT_EQ(offsetof(DISPLAY_MATRIX_TYPE, height_ratio), 132u);
  EXPECT_EQ(offsetof(DISPLAY_MATRIX_TYPE, float0), 136u);
  EXPECT_EQ(offsetof(DISPLAY_MATRIX_TYPE, float1), 140u);
  EXPECT_EQ(offsetof(DISPLAY_MATRIX_TYPE, org_x), 144u);
  EXPECT_EQ(offsetof(DISPLAY_MATRIX_TYPE, org_y), 148u);
  EXPECT_EQ(offsetof(DISPLAY_MATRIX_TYPE, float2), 152u);
  EXPECT_EQ(offsetof(DISPLAY_MATRIX_TYPE, float3), 156u);
  EXPECT_EQ(sizeof(DISPLAY_MATRIX_TYPE), 160u);
}

TEST(RecordLayout, ShadowState) {
  EXPECT_EQ(offsetof(SM_TYPE, data0), 0u);
  EXPECT_EQ(sizeof(SM_TYPE::data0), 8 * P);
  EXPECT_EQ(offsetof(SM_TYPE, data1), 8 * P);
  EXPECT_EQ(offsetof(SM_TYPE, data2), 8 * P + 4);
  EXPECT_EQ(offsetof(SM_TYPE, data), 8 * P + 8);
  EXPECT_EQ(sizeof(SM_TYPE::data), 144 * P);
  EXPECT_EQ(offsetof(SM_TYPE, matrixs), 152 * P + 8);
  EXPECT_EQ(offsetof(SM_TYPE, data3), 152 * P + 168);
  EXPECT_EQ(sizeof(SM_TYPE::data3), 32u);
  EXPECT_EQ(offsetof(SM_TYPE, buf_shader), 152 * P + 200);
  EXPECT_EQ(offsetof(SM_TYPE, entity_shader), 153 * P + 200);
  EXPECT_EQ(offsetof(SM_TYPE, spot_shader), 154 * P + 200);
  EXPECT_EQ(offsetof(SM_TYPE, data4), 155 * P + 200);
  EXPECT_EQ(sizeof(SM_TYPE), 156 * P + 200);  // 824 bytes on the console
}

}  // namespace
