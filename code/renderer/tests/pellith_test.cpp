// R_InitShadows against a recording fake of the renderer's services: the
// fake logs every call with its arguments, answers from a small scripted
// table, and fills the display record with a marker so the tests can tell
// whether the viewport was set up.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "display.h"
#include "lowmem.h"
#include "pellith.h"
#include "renderview.h"
#include "shader.h"
#include "texmgr.h"

namespace {

struct ViewportCall {
  DISPLAY_MATRIX_TYPE* matrixs;
  u32 x, y, vp_width, vp_height, render_width, render_height;
  s32 mode;
};

// The script and the record of one run.
struct Fake {
  // Shader records live below 4 GiB: their addresses travel as u32.
  BASE_SHADER_TYPE* buf = nullptr;
  BASE_SHADER_TYPE* ent = nullptr;
  BASE_SHADER_TYPE* spot = nullptr;
  bool buf_known = true, ent_known = true, spot_known = true;
  u32 pass_result = 1;  // what SHDR_GetTextureForPassNum returns
  u32 pass_tex_index = 7;
  TEX_OBJ_INFO_TYPE texture{};
  bool texture_known = true;
  u16 render_width = 640, render_height = 480;

  std::vector<std::string> log;
  std::vector<ViewportCall> viewports;
};

Fake fake;

u32 address_of(const BASE_SHADER_TYPE* s) {
  return static_cast<u32>(reinterpret_cast<uintptr_t>(s));
}

// The state as it was before any test ran: static storage, zero at load.
const SM_TYPE kStateAtLoad = *R_ShadowStateForTest();

}  // namespace

extern "C" {

u32 SHDR_Lookup(const char* name) {
  fake.log.push_back(std::string("lookup ") + name);
  const std::string n = name;
  if (n == "shadowBufNGC" && fake.buf_known) return address_of(fake.buf);
  if (n == "shadowEntNGC" && fake.ent_known) return address_of(fake.ent);
  if (n == "shadowSpotNGC" && fake.spot_known) return address_of(fake.spot);
  return 0;
}

u32 SHDR_GetTextureForPassNum(u32 shader_id, s32 pass_num, u32* tex_index) {
  fake.log.push_back("pass " + std::to_string(shader_id) + " " + std::to_string(pass_num));
  if (fake.pass_result != 0) *tex_index = fake.pass_tex_index;
  return fake.pass_result;
}

TEX_OBJ_INFO_TYPE* TexMgr_GetTextureForIndex(u32 tex_index) {
  fake.log.push_back("texture " + std::to_string(tex_index));
  return fake.texture_known ? &fake.texture : nullptr;
}

u16 QuoltDisplayGetRenderHeight(void) {
  fake.log.push_back("height");
  return fake.render_height;
}

u16 QuoltDisplayGetRenderWidth(void) {
  fake.log.push_back("width");
  return fake.render_width;
}

void RenderViewSetViewport_Sub(DISPLAY_MATRIX_TYPE* matrixs, u32 x, u32 y, u32 vp_width,
                               u32 vp_height, u32 render_width, u32 render_height, s32 mode) {
  fake.log.push_back("viewport");
  fake.viewports.push_back(
      ViewportCall{matrixs, x, y, vp_width, vp_height, render_width, render_height, mode});
  // Marker: every float of the record becomes 2.5.
  f32* f = reinterpret_cast<f32*>(matrixs);
  for (size_t i = 0; i < sizeof(*matrixs) / sizeof(f32); ++i) f[i] = 2.5f;
}

}  // extern "C"

namespace {

class ShadowSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    static BASE_SHADER_TYPE* records =
        static_cast<BASE_SHADER_TYPE*>(lowmem_alloc(3 * sizeof(BASE_SHADER_TYPE)));
    ASSERT_NE(records, nullptr);
    fake = Fake{};
    fake.buf = &records[0];
    fake.ent = &records[1];
    fake.spot = &records[2];
    *fake.buf = BASE_SHADER_TYPE{};
    *fake.ent = BASE_SHADER_TYPE{};
    *fake.spot = BASE_SHADER_TYPE{};
    fake.buf->id = 11;
    fake.ent->id = 22;
    fake.spot->id = 33;
    fake.texture.tex_width = 512;
    fake.texture.tex_height = 512;
    // Each test starts from the load-time state, whatever ran before.
    memset(R_ShadowStateForTest(), 0, sizeof(SM_TYPE));
  }

  static const SM_TYPE& sm() { return *R_ShadowStateForTest(); }
};

template <typename T, size_t N>
bool all_zero(const T (&a)[N]) {
  static const T zero[N] = {};
  return memcmp(a, zero, sizeof(a)) == 0;
}

bool all_floats_are(const DISPLAY_MATRIX_TYPE& m, f32 value) {
  const f32* f = reinterpret_cast<const f32*>(&m);
  for (size_t i = 0; i < sizeof(m) / sizeof(f32); ++i) {
    if (f[i] != value) return false;
  }
  return true;
}

TEST(ShadowState, IsZeroAtLoad) {
  static const SM_TYPE zero{};
  EXPECT_EQ(memcmp(&kStateAtLoad, &zero, sizeof(SM_TYPE)), 0);
}

struct SizeCase {
  u16 tex_width, tex_height, render_width, render_height;
};

class ViewportSize : public ShadowSetup, public ::testing::WithParamInterface<SizeCase> {};

// Texture size first, then render size, width before height in each pair;
// the 16-bit sizes arrive zero-extended.
TEST_P(ViewportSize, PassesTextureThenRenderSize) {
  const SizeCase c = GetParam();
  fake.texture.tex_width = c.tex_width;
  fake.texture.tex_height = c.tex_height;
  fake.render_width = c.render_width;
  fake.render_height = c.render_height;
  R_InitShadows();
  ASSERT_EQ(fake.viewports.size(), 1u);
  const ViewportCall& v = fake.viewports[0];
  EXPECT_EQ(v.matrixs, &R_ShadowStateForTest()->matrixs);
  EXPECT_EQ(v.x, 0u);
  EXPECT_EQ(v.y, 0u);
  EXPECT_EQ(v.vp_width, u32{c.tex_width});
  EXPECT_EQ(v.vp_height, u32{c.tex_height});
  EXPECT_EQ(v.render_width, u32{c.render_width});
  EXPECT_EQ(v.render_height, u32{c.render_height});
  EXPECT_EQ(v.mode, -1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ViewportSize,
                         ::testing::Values(SizeCase{512, 512, 640, 480},
                                           SizeCase{1024, 256, 608, 448},
                                           SizeCase{0xFFFF, 0x8000, 0x8001, 0xFFFE}));

TEST_F(ShadowSetup, CallsServicesInOrder) {
  R_InitShadows();
  const std::vector<std::string> expected = {
      "lookup shadowBufNGC", "lookup shadowEntNGC", "lookup shadowSpotNGC",
      "pass 11 0",           "texture 7",           "height",
      "width",               "viewport"};
  EXPECT_EQ(fake.log, expected);
}

TEST_F(ShadowSetup, FillsOnlyItsFieldsAndRepeats) {
  R_InitShadows();
  const SM_TYPE& s = sm();
  EXPECT_EQ(s.buf_shader, fake.buf);
  EXPECT_EQ(s.entity_shader, fake.ent);
  EXPECT_EQ(s.spot_shader, fake.spot);
  EXPECT_EQ(s.data1, 0x0000FFFFu);
  EXPECT_EQ(s.data2, 0x0000FFFFu);
  EXPECT_TRUE(all_floats_are(s.matrixs, 2.5f));
  EXPECT_TRUE(all_zero(s.data0));
  EXPECT_TRUE(all_zero(s.data));
  EXPECT_TRUE(all_zero(s.data3));
  EXPECT_EQ(s.data4, nullptr);

  const SM_TYPE first = s;
  fake.log.clear();
  R_InitShadows();
  EXPECT_EQ(memcmp(&first, &sm(), sizeof(SM_TYPE)), 0);
  EXPECT_EQ(fake.log.size(), 8u);
  EXPECT_EQ(fake.viewports.size(), 2u);
}

// Without a shadow texture the shaders and the two fields are set as usual,
// nothing is dereferenced that is not there, and the viewport is left alone.
struct GuardCase {
  const char* name;
  void (*script)();
  std::vector<std::string> calls;  // after the three lookups
};

class MissingTexture : public ShadowSetup, public ::testing::WithParamInterface<GuardCase> {};

TEST_P(MissingTexture, LeavesViewportAlone) {
  const GuardCase& c = GetParam();
  c.script();
  R_ShadowStateForTest()->matrixs.org_x = 9.0f;  // must survive
  R_InitShadows();

  std::vector<std::string> expected = {"lookup shadowBufNGC", "lookup shadowEntNGC",
                                       "lookup shadowSpotNGC"};
  expected.insert(expected.end(), c.calls.begin(), c.calls.end());
  EXPECT_EQ(fake.log, expected);
  EXPECT_TRUE(fake.viewports.empty());
  const SM_TYPE& s = sm();
  EXPECT_EQ(s.buf_shader, fake.buf_known ? fake.buf : nullptr);
  EXPECT_EQ(s.entity_shader, fake.ent_known ? fake.ent : nullptr);
  EXPECT_EQ(s.spot_shader, fake.spot_known ? fake.spot : nullptr);
  EXPECT_EQ(s.data1, 0x0000FFFFu);
  EXPECT_EQ(s.data2, 0x0000FFFFu);
  EXPECT_EQ(s.matrixs.org_x, 9.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Guards, MissingTexture,
    ::testing::Values(
        GuardCase{"BufferShaderIdZero", [] { fake.buf->id = 0; }, {"height", "width"}},
        GuardCase{"PassHasNoTexture",
                  [] { fake.pass_result = 0; },
                  {"pass 11 0", "height", "width"}},
        GuardCase{"TextureIndexUnknown",
                  [] { fake.texture_known = false; },
                  {"pass 11 0", "texture 7", "height", "width"}},
        GuardCase{"BufferShaderUnknown",
                  [] { fake.buf_known = false; },
                  {"height", "width"}},
        GuardCase{"NoShaderKnown",
                  [] { fake.buf_known = fake.ent_known = fake.spot_known = false; },
                  {"height", "width"}}),
    [](const ::testing::TestParamInfo<GuardCase>& i) { return std::string(i.param.name); });

// The pass lookup's result decides, not the index it writes: index 0 is a
// texture like any other.
TEST_F(ShadowSetup, TextureIndexZeroIsUsed) {
  fake.pass_tex_index = 0;
  fake.texture.tex_width = 128;
  R_InitShadows();
  ASSERT_EQ(fake.viewports.size(), 1u);
  EXPECT_EQ(fake.log[4], "texture 0");
  EXPECT_EQ(fake.viewports[0].vp_width, 128u);
}

// Only the buffer shader's id is asked about, whatever the other two hold.
TEST_F(ShadowSetup, OtherShadersDoNotMatter) {
  fake.ent->id = 0;
  fake.spot_known = false;
  R_InitShadows();
  EXPECT_EQ(fake.log[3], "pass 11 0");
  EXPECT_EQ(fake.viewports.size(), 1u);
}

}  // namespace
