// The renderer's texture header and the graphics services' header together,
// renderer first here and graphics first in gx_headers_other.cpp: both
// orders compile and agree on one GX texture object record.
#include "texmgr.h"
#include "gx_services.h"

#include <gtest/gtest.h>

#include <type_traits>

size_t gx_first_texobj_size();  // gx_headers_other.cpp

namespace {

TEST(GxHeaders, ShareOneTextureObject) {
  static_assert(std::is_same<decltype(TEX_OBJ_INFO_TYPE::gx_tex_obj), GX_TEX_OBJ_TYPE*>::value,
                "the texture record points at the graphics services' object");
  EXPECT_EQ(sizeof(GX_TEX_OBJ_TYPE), 8 * sizeof(u32));
  EXPECT_EQ(gx_first_texobj_size(), sizeof(GX_TEX_OBJ_TYPE));
}

}  // namespace
