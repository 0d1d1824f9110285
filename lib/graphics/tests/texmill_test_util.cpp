#include "texmill_test_util.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>

namespace texmill_test {

namespace {

void put16(Bytes& b, u32 v) { b.insert(b.end(), {u8(v), u8(v >> 8)}); }
void put32(Bytes& b, u32 v) { b.insert(b.end(), {u8(v), u8(v >> 8), u8(v >> 16), u8(v >> 24)}); }

const std::string& scratch_dir() {
  static const std::string dir = [] {
    std::string pattern = testing::TempDir() + "texmill-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const char* made = mkdtemp(buf.data());
    if (!made) {
      ADD_FAILURE() << "cannot make a scratch directory under " << testing::TempDir();
      return testing::TempDir();
    }
    return std::string(made) + "/";
  }();
  return dir;
}

}  // namespace

int open_files() {
  DIR* d = opendir("/proc/self/fd");
  if (!d) return -1;
  int n = 0;
  while (readdir(d)) ++n;
  closedir(d);
  return n;
}

std::string scratch_path(const std::string& name) { return scratch_dir() + name; }

void write_file(const std::string& path, const Bytes& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  if (!bytes.empty()) {
    EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size()) << path;
  }
  std::fclose(f);
}

Bytes BmpFile::build() const {
  const u32 info_bytes = header_size < 40 ? 40 : header_size;
  const u32 at = static_cast<u32>(offset >= 0 ? offset : 14 + info_bytes + palette.size());
  Bytes b;
  b.insert(b.end(), {'B', 'M'});
  put32(b, 0);  // total size, patched below
  put32(b, 0);
  put32(b, at);
  put32(b, header_size);
  put32(b, width);
  put32(b, height);
  put16(b, 1);
  put16(b, bits_per_pixel);
  put32(b, compression);
  put32(b, static_cast<u32>(image_size >= 0 ? image_size : static_cast<long>(pixels.size())));
  put32(b, 2835);
  put32(b, 2835);
  put32(b, colours_in_pal);
  put32(b, 0);
  b.resize(14 + info_bytes, 0);
  b.insert(b.end(), palette.begin(), palette.end());
  b.resize(at, 0);
  b.insert(b.end(), pixels.begin(), pixels.end());
  const u32 total = static_cast<u32>(b.size());
  for (int i = 0; i < 4; ++i) b[2 + i] = u8(total >> (8 * i));
  return b;
}

std::string bmp_on_disk(const std::string& name, const BmpFile& bmp) {
  const std::string path = scratch_path(name);
  write_file(path, bmp.build());
  return path;
}

}  // namespace texmill_test
