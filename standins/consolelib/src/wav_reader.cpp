// WAV parser for the audio stand-in. Accepts RIFF/WAVE files with PCM data
// (format 1, or the extensible format with a PCM sub-format), 8 or 16 bits,
// one or two channels (mixed down to mono). Every offset and length is
// checked against the bytes given; anything else is refused with a reason.
#include "standin.h"

namespace standin {
namespace {

constexpr u32 kMaxRate = 384000;
constexpr std::size_t kMaxFrames = 16u * 1024 * 1024;  // sound memory would not hold more

u32 le32(const u8* p) {
  return static_cast<u32>(p[0]) | static_cast<u32>(p[1]) << 8 | static_cast<u32>(p[2]) << 16 |
         static_cast<u32>(p[3]) << 24;
}
u16 le16(const u8* p) { return static_cast<u16>(p[0] | p[1] << 8); }

s16 sample_at(const u8* p, u16 bits) {
  if (bits == 8) return static_cast<s16>((static_cast<int>(p[0]) - 128) * 256);
  return static_cast<s16>(le16(p));
}

}  // namespace

bool wav_parse(const u8* bytes, std::size_t size, Pcm* out, const char** why) {
  *why = nullptr;
  if (size < 12 || le32(bytes) != 0x46464952u /* RIFF */ || le32(bytes + 8) != 0x45564157u /* WAVE */) {
    *why = "not a RIFF/WAVE file";
    return false;
  }
  const u8* fmt = nullptr;
  u32 fmt_size = 0;
  const u8* data = nullptr;
  u32 data_size = 0;
  std::size_t pos = 12;
  while (size - pos >= 8) {
    u32 id = le32(bytes + pos);
    u32 len = le32(bytes + pos + 4);
    pos += 8;
    if (len > size - pos) {
      *why = "chunk runs past the end of the file";
      return false;
    }
    if (id == 0x20746d66u /* "fmt " */ && fmt == nullptr) {
      fmt = bytes + pos;
      fmt_size = len;
    } else if (id == 0x61746164u /* "data" */ && data == nullptr) {
      data = bytes + pos;
      data_size = len;
    }
    pos += len;
    if ((len & 1u) != 0 && pos < size) ++pos;  // chunks are padded to even sizes
  }
  if (fmt == nullptr || fmt_size < 16) {
    *why = "no fmt chunk";
    return false;
  }
  if (data == nullptr) {
    *why = "no data chunk";
    return false;
  }
  u16 tag = le16(fmt);
  if (tag == 0xFFFEu && fmt_size >= 26) tag = le16(fmt + 24);  // extensible: sub-format GUID
  u16 channels = le16(fmt + 2);
  u32 rate = le32(fmt + 4);
  u16 block_align = le16(fmt + 12);
  u16 bits = le16(fmt + 14);
  if (tag != 1) {
    *why = "not PCM";
    return false;
  }
  if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16) || block_align != channels * (bits / 8)) {
    *why = "unsupported channels or sample size";
    return false;
  }
  if (rate == 0 || rate > kMaxRate) {
    *why = "unsupported sample rate";
    return false;
  }
  std::size_t frames = data_size / block_align;
  if (frames == 0) {
    *why = "no samples";
    return false;
  }
  if (frames > kMaxFrames) {
    *why = "too long";
    return false;
  }
  out->samples.resize(frames);
  const std::size_t step = bits / 8;
  for (std::size_t i = 0; i < frames; ++i) {
    const u8* p = data + i * block_align;
    int v = sample_at(p, bits);
    if (channels == 2) v = (v + sample_at(p + step, bits)) / 2;
    out->samples[i] = static_cast<s16>(v);
  }
  out->sample_rate = rate;
  return true;
}

}  // namespace standin
