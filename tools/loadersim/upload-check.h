// upload-check: takes apart what the loader received: the 24-byte upload
// header (file size and upload length, little-endian; the NUL-terminated
// name field), the zero padding of the last block, and the LZW code stream,
// which it decodes into the program.
// The caller owns the payload; the result owns the decoded program.
// Failure: false, with one line of text in err saying what was wrong.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct upload_info {
  bool have_header = false;  // the first 24 bytes arrived
  std::string name;          // the name field up to its NUL
  uint32_t file_size = 0;
  uint32_t upload_length = 0;
  std::vector<uint8_t> program;  // the decoded program
};

bool upload_check(const std::vector<uint8_t>& payload, upload_info& info, std::string& err);
