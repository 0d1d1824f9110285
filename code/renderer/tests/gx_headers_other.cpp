// The graphics services' header first, then the renderer's.
#include "gx_services.h"
#include "texmgr.h"

size_t gx_first_texobj_size();

size_t gx_first_texobj_size() {
  TEX_OBJ_INFO_TYPE info{};
  return sizeof(*info.gx_tex_obj);
}
