// The simulated loader's XMODEM receiver and upload checks on arbitrary
// bytes from the sender's side. The first input byte picks the mode (bit 0:
// checksum) and the size of the pieces the line hands over; the rest is
// what the sender "sent". The line fails when the input runs out, so no
// time-out is ever waited for.
#include <cstdint>
#include <cstring>
#include <string>

#include "line.h"
#include "receiver.h"
#include "upload-check.h"

namespace {

class ScriptedLine : public Line {
 public:
  ScriptedLine(const uint8_t* data, size_t size, size_t piece) : data_(data), size_(size), piece_(piece) {}
  int read(uint8_t* buf, size_t cap, int, bool*) override {
    if (pos_ >= size_) return -1;
    size_t n = size_ - pos_;
    if (n > piece_) n = piece_;
    if (n > cap) n = cap;
    std::memcpy(buf, data_ + pos_, n);
    pos_ += n;
    return static_cast<int>(n);
  }
  bool write(const uint8_t*, size_t) override { return true; }
  void drain(int) override {}

 private:
  const uint8_t* data_;
  size_t size_;
  size_t piece_;
  size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  rx_options opt;
  opt.checksum = (data[0] & 1) != 0;
  opt.max_payload = 256 * 1024;
  ScriptedLine line(data + 1, size - 1, 1 + (data[0] >> 1) * 16);
  rx_result rx = rx_receive(line, opt);
  if (!rx.complete && rx.error.empty()) __builtin_trap();  // every end has a reason
  if (rx.payload.size() > opt.max_payload) __builtin_trap();
  upload_info info;
  std::string err;
  if (upload_check(rx.payload, info, err)) {
    if (info.program.size() != info.file_size) __builtin_trap();
  } else if (err.empty()) {
    __builtin_trap();
  }
  return 0;
}
