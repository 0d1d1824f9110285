// Host stand-in for the renderer's services: see renderer-standin.h.
#include "renderer-standin.h"

#include <string.h>

#include "display.h"
#include "lowmem.h"

namespace {

constexpr int kMaxShaders = 16;
constexpr int kMaxTextures = 16;
constexpr int kMaxPasses = 4;
constexpr size_t kMaxName = 32;

// The records the services hand out; one block below 4 GiB, taken once.
struct Records {
  BASE_SHADER_TYPE shaders[kMaxShaders];
  TEX_OBJ_INFO_TYPE textures[kMaxTextures];
  GX_TEX_OBJ_TYPE gx[kMaxTextures];
};

struct ShaderEntry {
  char name[kMaxName];
  bool pass_used[kMaxPasses];
  u32 pass_tex[kMaxPasses];
};

struct State {
  Records* records = nullptr;
  ShaderEntry shaders[kMaxShaders];
  int num_shaders = 0;
  u32 tex_index[kMaxTextures];
  int num_textures = 0;
  u16 render_width = 640;
  u16 render_height = 480;
  u32 viewport_calls = 0;
  RSTANDIN_VIEWPORT_TYPE last_viewport{};
};

State state;

Records* records() {
  if (state.records == nullptr) {
    state.records = static_cast<Records*>(lowmem_alloc(sizeof(Records)));
  }
  return state.records;
}

ShaderEntry* shader_by_id(u32 id) {
  for (int i = 0; i < state.num_shaders; ++i) {
    if (state.records->shaders[i].id == id) return &state.shaders[i];
  }
  return nullptr;
}

}  // namespace

extern "C" {

void rstandin_reset(void) {
  Records* recs = state.records;
  state = State{};
  state.records = recs;
  if (recs != nullptr) memset(recs, 0, sizeof(*recs));
}

int rstandin_load_default_set(void) {
  rstandin_reset();
  return rstandin_add_shader("shadowBufNGC", 1) != nullptr &&
         rstandin_add_shader("shadowEntNGC", 2) != nullptr &&
         rstandin_add_shader("shadowSpotNGC", 3) != nullptr &&
         rstandin_set_pass_texture(1, 0, 7) && rstandin_add_texture(7, 512, 512) != nullptr;
}

BASE_SHADER_TYPE* rstandin_add_shader(const char* name, u32 id) {
  if (name == nullptr || strlen(name) >= kMaxName || state.num_shaders == kMaxShaders ||
      records() == nullptr) {
    return nullptr;
  }
  const int slot = state.num_shaders++;
  ShaderEntry& entry = state.shaders[slot];
  entry = ShaderEntry{};
  memcpy(entry.name, name, strlen(name) + 1);
  BASE_SHADER_TYPE* shader = &state.records->shaders[slot];
  *shader = BASE_SHADER_TYPE{};
  shader->id = id;
  return shader;
}

int rstandin_set_pass_texture(u32 shader_id, s32 pass_num, u32 tex_index) {
  ShaderEntry* entry = state.records == nullptr ? nullptr : shader_by_id(shader_id);
  if (entry == nullptr || pass_num < 0 || pass_num >= kMaxPasses) return 0;
  entry->pass_used[pass_num] = true;
  entry->pass_tex[pass_num] = tex_index;
  return 1;
}

TEX_OBJ_INFO_TYPE* rstandin_add_texture(u32 tex_index, u16 width, u16 height) {
  if (state.num_textures == kMaxTextures || records() == nullptr) return nullptr;
  const int slot = state.num_textures++;
  state.tex_index[slot] = tex_index;
  TEX_OBJ_INFO_TYPE* tex = &state.records->textures[slot];
  *tex = TEX_OBJ_INFO_TYPE{};
  tex->tex_width = width;
  tex->tex_height = height;
  tex->gx_tex_obj = &state.records->gx[slot];
  return tex;
}

void rstandin_set_render_size(u16 width, u16 height) {
  state.render_width = width;
  state.render_height = height;
}

u32 rstandin_viewport_calls(void) { return state.viewport_calls; }

RSTANDIN_VIEWPORT_TYPE rstandin_last_viewport(void) { return state.last_viewport; }

// The services.

u32 SHDR_Lookup(const char* name) {
  if (name == nullptr || state.records == nullptr) return 0;
  for (int i = 0; i < state.num_shaders; ++i) {
    if (strcmp(state.shaders[i].name, name) == 0) {
      return static_cast<u32>(reinterpret_cast<uintptr_t>(&state.records->shaders[i]));
    }
  }
  return 0;
}

u32 SHDR_GetTextureForPassNum(u32 shader_id, s32 pass_num, u32* tex_index) {
  ShaderEntry* entry = state.records == nullptr ? nullptr : shader_by_id(shader_id);
  if (entry == nullptr || tex_index == nullptr || pass_num < 0 || pass_num >= kMaxPasses ||
      !entry->pass_used[pass_num]) {
    return 0;
  }
  *tex_index = entry->pass_tex[pass_num];
  return 1;
}

TEX_OBJ_INFO_TYPE* TexMgr_GetTextureForIndex(u32 tex_index) {
  for (int i = 0; i < state.num_textures; ++i) {
    if (state.tex_index[i] == tex_index) return &state.records->textures[i];
  }
  return nullptr;
}

u16 QuoltDisplayGetRenderHeight(void) { return state.render_height; }

u16 QuoltDisplayGetRenderWidth(void) { return state.render_width; }

void RenderViewSetViewport_Sub(DISPLAY_MATRIX_TYPE* matrixs, u32 x, u32 y, u32 vp_width,
                               u32 vp_height, u32 render_width, u32 render_height, s32 mode) {
  ++state.viewport_calls;
  state.last_viewport = RSTANDIN_VIEWPORT_TYPE{matrixs, x, y, vp_width, vp_height,
                                               render_width, render_height, mode};
  if (matrixs == nullptr) return;
  const f32 w = static_cast<f32>(vp_width);
  const f32 h = static_cast<f32>(vp_height);
  const f32 big_w = static_cast<f32>(render_width);
  const f32 big_h = static_cast<f32>(render_height);
  DISPLAY_MATRIX_TYPE m{};
  for (int i = 0; i < 4; ++i) m.view_matrix.m[i][i] = 1.0f;
  m.width_ratio = render_width == 0 ? 0.0f : w / big_w;
  m.height_ratio = render_height == 0 ? 0.0f : h / big_h;
  m.proj_matrix.m[0][0] = m.width_ratio;
  m.proj_matrix.m[1][1] = m.height_ratio;
  m.proj_matrix.m[2][2] = 1.0f;
  m.proj_matrix.m[3][3] = 1.0f;
  m.float0 = w;
  m.float1 = h;
  m.org_x = static_cast<f32>(x);
  m.org_y = static_cast<f32>(y);
  m.float2 = big_w;
  m.float3 = big_h;
  *matrixs = m;
}

}  // extern "C"
