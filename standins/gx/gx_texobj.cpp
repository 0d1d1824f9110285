// Texture-object set-up of the stand-in: records the arguments and fills
// the object's words from them, so a filled object is visible to tests.
#include "gx_standin_state.h"

using gx_standin_detail::State;
using gx_standin_detail::state;

extern "C" {

void gx_init_tex_obj(GX_TEX_OBJ_TYPE* obj, void* image, u16 width, u16 height, u8 format,
                     u8 wrap_s, u8 wrap_t, u8 mipmap) {
  State& s = state();
  std::lock_guard<std::mutex> hold(s.lock);
  GX_STANDIN_CALL_TYPE call{};
  call.kind = GX_STANDIN_INIT_TEX_OBJ;
  call.address = obj;
  call.image = image;
  call.width = width;
  call.height = height;
  call.format = format;
  call.wrap_s = wrap_s;
  call.wrap_t = wrap_t;
  call.mipmap = mipmap;
  s.calls.push_back(call);
  obj->val[0] = static_cast<u32>(width) << 16 | height;
  obj->val[1] = static_cast<u32>(format) << 24 | static_cast<u32>(wrap_s) << 16 |
                static_cast<u32>(wrap_t) << 8 | mipmap;
  obj->val[2] = static_cast<u32>(reinterpret_cast<uintptr_t>(image));
  obj->val[3] = 0;
}

void gx_init_tex_obj_LOD(GX_TEX_OBJ_TYPE* obj, u8 min_filter, u8 mag_filter, f32 min_lod,
                         f32 max_lod, f32 lod_bias, u8 bias_clamp, u8 edge_lod, u8 max_aniso) {
  State& s = state();
  std::lock_guard<std::mutex> hold(s.lock);
  GX_STANDIN_CALL_TYPE call{};
  call.kind = GX_STANDIN_INIT_TEX_OBJ_LOD;
  call.address = obj;
  call.min_filter = min_filter;
  call.mag_filter = mag_filter;
  call.min_lod = min_lod;
  call.max_lod = max_lod;
  call.lod_bias = lod_bias;
  call.bias_clamp = bias_clamp;
  call.edge_lod = edge_lod;
  call.max_aniso = max_aniso;
  s.calls.push_back(call);
  obj->val[4] = static_cast<u32>(min_filter) << 24 | static_cast<u32>(mag_filter) << 16 |
                static_cast<u32>(bias_clamp) << 8 | edge_lod;
  obj->val[5] = max_aniso;
  obj->val[6] = static_cast<u32>(static_cast<s32>(min_lod * 16.0f));
  obj->val[7] = static_cast<u32>(static_cast<s32>(max_lod * 16.0f));
}

}  // extern "C"
