// texdump: loads a BMP file through the texture kit on the PC, with the
// graphics-service stand-ins, and writes the texture block it made to a file,
// optionally with a PNG picture of it. The loader's own line is the only
// output on a rejected file.
//   texdump [--mipmap] [--png PREVIEW.png] FILE.bmp OUT.bin
// Exit status: 0 done, 1 load or write failed, 2 usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "png-write.h"
#include "texmill.h"
#include "texmill_internal.h"
#include "untile.h"

namespace {

const char kUsage[] = "usage: texdump [--mipmap] [--png PREVIEW.png] FILE.bmp OUT.bin\n";

struct Options {
  bool mipmap = false;
  const char* png = nullptr;
  const char* bmp = nullptr;
  const char* out = nullptr;
};

bool parse(int argc, char** argv, Options& o) {
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--mipmap") == 0 && !o.mipmap) {
      o.mipmap = true;
    } else if (std::strcmp(a, "--png") == 0 && !o.png && i + 1 < argc) {
      o.png = argv[++i];
    } else if (a[0] == '-' && a[1] != '\0') {
      return false;
    } else if (positional == 0) {
      o.bmp = a;
      ++positional;
    } else if (positional == 1) {
      o.out = a;
      ++positional;
    } else {
      return false;
    }
  }
  return positional == 2;
}

bool write_file(const char* path, const uint8_t* data, size_t len) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(data, 1, len, f) == len;
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

// The texture as a linear picture: one level cropped to its exact size, or
// the levels of a mipmap side by side.
bool picture(const GX_LOCAL_TEX_OBJ_TYPE& tex, bool mipmap, size_t block_len, std::vector<uint8_t>& rgba,
             uint32_t& w, uint32_t& h) {
  if (mipmap) return mipmap_picture(tex.data, block_len, tex.width, rgba, w, h);
  w = tex.width;
  h = tex.height;
  gx_rgba8_untile(tex.data, (w + 3u) & ~3u, w, h, rgba);
  return true;
}

int run(const Options& o) {
  GX_LOCAL_TEX_OBJ_TYPE tex;
  std::memset(&tex, 0, sizeof tex);
  u32 ok = o.mipmap ? texmill_load_mipmap_bmp(o.bmp, &tex) : texmill_load_bmp(o.bmp, &tex);
  if (!ok) return 1;  // the loader has printed its line

  size_t block_len;
  unsigned levels;
  if (o.mipmap) {
    // The tiled chain: the linear chain plus the padding of the two smallest
    // levels, each held in a whole tile.
    block_len = size_t(texmill_get_mipmap_size(tex.width)) + 108;
    levels = texmill_get_mipmap_depth(tex.width);
  } else {
    block_len = size_t((tex.width + 3u) & ~3u) * ((tex.height + 3u) & ~3u) * 4;
    levels = 1;
  }

  int status = 0;
  if (!write_file(o.out, tex.data, block_len)) {
    std::fprintf(stderr, "texdump: cannot write %s\n", o.out);
    status = 1;
  }
  if (status == 0 && o.png) {
    std::vector<uint8_t> rgba;
    uint32_t w = 0, h = 0;
    if (tex.width == 0 || tex.height == 0 || !picture(tex, o.mipmap, block_len, rgba, w, h) ||
        !png_write_rgba(o.png, rgba.data(), w, h)) {
      std::fprintf(stderr, "texdump: cannot write %s\n", o.png);
      status = 1;
    }
  }
  if (status == 0) {
    std::printf("width %u, height %u, block %zu bytes, levels %u\n", unsigned(tex.width), unsigned(tex.height),
                block_len, levels);
  }
  std::free(tex.data);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, o)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return run(o);
}
