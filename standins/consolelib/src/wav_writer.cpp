// Mixed output to a 16-bit stereo WAV file. The header is written with zero
// sizes at open and completed at close; samples are stored little-endian
// byte by byte, whatever the host's byte order.
#include <cstdio>

#include "standin.h"

namespace standin {
namespace {

std::FILE* out = nullptr;
std::uint64_t frames_written = 0;

void put16(u8* p, u32 v) {
  p[0] = static_cast<u8>(v);
  p[1] = static_cast<u8>(v >> 8);
}
void put32(u8* p, u32 v) {
  put16(p, v & 0xFFFFu);
  put16(p + 2, v >> 16);
}

void write_header(u32 data_bytes) {
  u8 h[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0,
              0,   0,   0,   0,   0, 0, 0, 0, 4,   0,   16,  0,   'd', 'a', 't', 'a'};
  put32(h + 4, 36 + data_bytes);
  put32(h + 24, MINI_AX_OUTPUT_RATE);
  put32(h + 28, MINI_AX_OUTPUT_RATE * 4);
  put32(h + 40, data_bytes);
  std::fseek(out, 0, SEEK_SET);
  std::fwrite(h, 1, sizeof h, out);
}

}  // namespace

bool wav_out_open(const std::string& path) {
  out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  frames_written = 0;
  write_header(0);
  return true;
}

void wav_out_write(const s16* left_right, std::size_t frames) {
  if (out == nullptr) return;
  // A WAV's sizes are 32-bit: stop before the data chunk would overflow them.
  if ((frames_written + frames) * 4 > 0xFFFFFFFFull - 36) return;
  u8 buf[MINI_AX_FRAME_SAMPLES * 4];
  while (frames > 0) {
    std::size_t n = frames < MINI_AX_FRAME_SAMPLES ? frames : MINI_AX_FRAME_SAMPLES;
    for (std::size_t i = 0; i < 2 * n; ++i) put16(buf + 2 * i, static_cast<u16>(left_right[i]));
    std::fwrite(buf, 1, 4 * n, out);
    left_right += 2 * n;
    frames -= n;
    frames_written += n;
  }
}

void wav_out_close() {
  if (out == nullptr) return;
  write_header(static_cast<u32>(frames_written * 4));
  std::fclose(out);
  out = nullptr;
}

}  // namespace standin
