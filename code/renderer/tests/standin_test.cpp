// R_InitShadows against the host stand-in of the renderer: the default shadow
// set gives the expected viewport, the stand-in fills the matrices as its
// header documents, and its records sit below 4 GiB.
#include <gtest/gtest.h>

#include <stdint.h>

#include "pellith.h"
#include "renderer-standin.h"

namespace {

class StandinShadows : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(rstandin_load_default_set(), 1); }
};

TEST_F(StandinShadows, DefaultSetSizesViewport) {
  R_InitShadows();
  ASSERT_EQ(rstandin_viewport_calls(), 1u);
  const RSTANDIN_VIEWPORT_TYPE v = rstandin_last_viewport();
  SM_TYPE* sm = R_ShadowStateForTest();
  EXPECT_EQ(v.matrixs, &sm->matrixs);
  EXPECT_EQ(v.vp_width, 512u);
  EXPECT_EQ(v.vp_height, 512u);
  EXPECT_EQ(v.render_width, 640u);
  EXPECT_EQ(v.render_height, 480u);
  EXPECT_EQ(v.mode, -1);

  ASSERT_NE(sm->buf_shader, nullptr);
  EXPECT_EQ(sm->buf_shader->id, 1u);
  EXPECT_EQ(sm->entity_shader->id, 2u);
  EXPECT_EQ(sm->spot_shader->id, 3u);
  // Exact in binary floating point: 512/640 = 0.8 is not, so compare floats.
  EXPECT_FLOAT_EQ(sm->matrixs.width_ratio, 0.8f);
  EXPECT_FLOAT_EQ(sm->matrixs.height_ratio, 512.0f / 480.0f);
  EXPECT_EQ(sm->matrixs.proj_matrix.m[0][0], sm->matrixs.width_ratio);
  EXPECT_EQ(sm->matrixs.proj_matrix.m[1][1], sm->matrixs.height_ratio);
  EXPECT_EQ(sm->matrixs.view_matrix.m[3][3], 1.0f);
  EXPECT_EQ(sm->matrixs.view_matrix.m[0][1], 0.0f);
  EXPECT_EQ(sm->matrixs.float0, 512.0f);
  EXPECT_EQ(sm->matrixs.float3, 480.0f);
}

TEST_F(StandinShadows, RecordsFitInThirtyTwoBits) {
  const u32 addr = SHDR_Lookup("shadowSpotNGC");
  ASSERT_NE(addr, 0u);
  const BASE_SHADER_TYPE* spot = reinterpret_cast<BASE_SHADER_TYPE*>(uintptr_t{addr});
  EXPECT_EQ(spot->id, 3u);
  const TEX_OBJ_INFO_TYPE* tex = TexMgr_GetTextureForIndex(7);
  ASSERT_NE(tex, nullptr);
  EXPECT_LE(reinterpret_cast<uintptr_t>(tex->gx_tex_obj), uintptr_t{0xFFFFFFFFu});
}

TEST_F(StandinShadows, UnknownNamesAndIndices) {
  EXPECT_EQ(SHDR_Lookup("shadowBuf"), 0u);
  EXPECT_EQ(TexMgr_GetTextureForIndex(8), nullptr);
  u32 index = 99;
  EXPECT_EQ(SHDR_GetTextureForPassNum(1, 1, &index), 0u);
  EXPECT_EQ(index, 99u);
}

// A renderer whose shader set lacks the buffer shader: no crash, no viewport.
TEST_F(StandinShadows, MissingBufferShader) {
  rstandin_reset();
  ASSERT_NE(rstandin_add_shader("shadowEntNGC", 2), nullptr);
  R_InitShadows();
  EXPECT_EQ(rstandin_viewport_calls(), 0u);
  EXPECT_EQ(R_ShadowStateForTest()->buf_shader, nullptr);
  EXPECT_NE(R_ShadowStateForTest()->entity_shader, nullptr);
}

}  // namespace
