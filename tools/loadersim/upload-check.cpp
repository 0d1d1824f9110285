// Upload image checks of the simulated loader. See upload-check.h.
#include "upload-check.h"

#include <cstdio>

#include "lzw-dec.h"

namespace {

constexpr size_t kHeaderSize = 24;
constexpr size_t kNameSize = 16;
constexpr size_t kBlockSize = 1024;

uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::string hex(uint64_t v) {
  char s[24];
  std::snprintf(s, sizeof s, "0x%llx", static_cast<unsigned long long>(v));
  return s;
}

}  // namespace

bool upload_check(const std::vector<uint8_t>& payload, upload_info& info, std::string& err) {
  if (payload.size() < kHeaderSize) {
    err = "upload shorter than its " + std::to_string(kHeaderSize) + "-byte header";
    return false;
  }
  const uint8_t* p = payload.data();
  info.have_header = true;
  info.file_size = le32(p);
  info.upload_length = le32(p + 4);

  const uint8_t* field = p + 8;
  size_t len = 0;
  while (len < kNameSize && field[len] != 0) ++len;
  // Keep the name printable in the summary whatever arrived.
  for (size_t i = 0; i < len; ++i) {
    char ch = static_cast<char>(field[i]);
    info.name += (field[i] >= 0x20 && field[i] < 0x7F) ? ch : '?';
  }
  if (len == kNameSize) {
    err = "name field not NUL-terminated";
    return false;
  }
  for (size_t i = len; i < kNameSize; ++i) {
    if (field[i] != 0) {
      err = "name field not zero-filled after its NUL";
      return false;
    }
  }
  if (info.name.find('.') == std::string::npos) {
    err = "name field has no '.'";
    return false;
  }
  if (info.file_size == 0) {
    err = "header gives a file size of 0";
    return false;
  }
  if (info.upload_length <= kHeaderSize) {
    err = "header gives an upload length of " + hex(info.upload_length) + ", no code stream";
    return false;
  }
  if (info.upload_length > payload.size()) {
    err = "upload incomplete: header says " + hex(info.upload_length) + " bytes, " +
          hex(payload.size()) + " arrived";
    return false;
  }
  if (payload.size() - info.upload_length >= kBlockSize) {
    err = hex(payload.size() - info.upload_length) + " bytes beyond the upload length";
    return false;
  }
  for (size_t i = info.upload_length; i < payload.size(); ++i) {
    if (payload[i] != 0) {
      err = "padding of the last block is not zero at " + hex(i);
      return false;
    }
  }
  std::string why;
  if (!lzw_decode(p + kHeaderSize, info.upload_length - kHeaderSize, info.program, why,
                  info.file_size)) {
    err = "code stream: " + why;
    return false;
  }
  if (info.program.size() != info.file_size) {
    err = "decoded " + hex(info.program.size()) + " bytes, header says " + hex(info.file_size);
    return false;
  }
  return true;
}
