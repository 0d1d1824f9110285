// LZW decoder of the simulated console loader. It rebuilds the encoder's
// dictionary code by code: each code read (after the first one of a
// dictionary) completes the entry assigned after the previous code, the
// width is raised when the code about to be assigned reaches 2^width, and
// the dictionary starts over, silently, when that code would be 2^20.
#include "lzw-dec.h"

#include <cinttypes>
#include <cstdio>

namespace {

constexpr uint32_t kCodeLimit = 1u << 20;  // first code that is never assigned
constexpr uint32_t kSingles = 256;         // codes 0..255 are the bytes
constexpr uint32_t kStartWidth = 8;

// A code >= 256: the string of `prefix` followed by `tail`.
struct Entry {
  uint32_t prefix;
  uint32_t length;  // bytes in the whole string
  uint8_t tail;
  uint8_t first;
};

// Reads codes MSB first; the caller checks bits_left() before each read.
class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint64_t bits_left() const { return static_cast<uint64_t>(size_ - next_) * 8 + have_; }
  uint64_t bit_offset() const { return static_cast<uint64_t>(next_) * 8 - have_; }

  uint32_t read(uint32_t n) {  // 1 <= n <= 24, n <= bits_left()
    while (have_ < n) {
      acc_ = (acc_ << 8) | data_[next_++];
      have_ += 8;
    }
    have_ -= n;
    return static_cast<uint32_t>(acc_ >> have_) & ((1u << n) - 1);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t next_ = 0;  // next byte to load into acc_
  uint64_t acc_ = 0;
  uint32_t have_ = 0;  // unread bits in the low end of acc_
};

class Decoder {
 public:
  Decoder(std::vector<uint8_t>& out, std::string& err, size_t max_out)
      : out_(out), err_(err), max_out_(max_out) {}

  bool run(const uint8_t* stream, size_t stream_len) {
    BitReader in(stream, stream_len);
    uint32_t width = kStartWidth;
    uint32_t last = kSingles - 1;  // highest code assigned, counted as the encoder does
    bool fresh = true;             // no code read yet in this dictionary
    uint32_t prev = 0;

    for (;;) {
      const uint64_t left = in.bits_left();
      if (left < width) return finish(in, left, width);
      const uint64_t at = in.bit_offset();
      const uint32_t code = in.read(width);

      if (fresh) {
        if (code >= kSingles) return undefined(code, at, kSingles - 1);
      } else {
        // Code `last` was assigned after prev and waits for its last byte:
        // the first byte of this code's string, or, when this code is that
        // very entry, the first byte of prev.
        if (code > last) return undefined(code, at, last);
        const uint8_t tail = code == last ? first_of(prev) : first_of(code);
        table_.push_back({prev, length_of(prev) + 1, tail, first_of(prev)});
      }
      if (!emit(code)) return false;

      // What the encoder did right after writing this code.
      if (last + 1 == (1u << width)) ++width;
      ++last;
      if (last == kCodeLimit) {
        table_.clear();
        last = kSingles - 1;
        width = kStartWidth;
        fresh = true;
      } else {
        fresh = false;
        prev = code;
      }
    }
  }

 private:
  uint8_t first_of(uint32_t code) const {
    return code < kSingles ? static_cast<uint8_t>(code) : table_[code - kSingles].first;
  }
  uint32_t length_of(uint32_t code) const {
    return code < kSingles ? 1 : table_[code - kSingles].length;
  }

  bool emit(uint32_t code) {
    const size_t n = length_of(code);
    if (n > max_out_ - out_.size()) {
      char msg[96];
      std::snprintf(msg, sizeof msg, "lzw: output exceeds the limit of %zu bytes", max_out_);
      err_ = msg;
      return false;
    }
    size_t pos = out_.size() + n;
    out_.resize(pos);
    while (code >= kSingles) {
      const Entry& e = table_[code - kSingles];
      out_[--pos] = e.tail;
      code = e.prefix;
    }
    out_[--pos] = static_cast<uint8_t>(code);
    return true;
  }

  bool undefined(uint32_t code, uint64_t at, uint32_t highest) {
    char msg[128];
    std::snprintf(msg, sizeof msg,
                  "lzw: code %" PRIu32 " at bit %" PRIu64 " is not defined (highest code %" PRIu32
                  ")",
                  code, at, highest);
    err_ = msg;
    return false;
  }

  // Fewer bits than a code are left: they must be the zero padding that
  // completes the last byte.
  bool finish(BitReader& in, uint64_t left, uint32_t width) {
    if (left >= 8) {
      char msg[128];
      std::snprintf(msg, sizeof msg,
                    "lzw: stream ends inside a code (%" PRIu64 " bits left, code width %" PRIu32
                    ")",
                    left, width);
      err_ = msg;
      return false;
    }
    if (left > 0 && in.read(static_cast<uint32_t>(left)) != 0) {
      err_ = "lzw: padding bits after the last code are not zero";
      return false;
    }
    return true;
  }

  std::vector<uint8_t>& out_;
  std::string& err_;
  size_t max_out_;
  std::vector<Entry> table_;  // codes 256 and up
};

}  // namespace

bool lzw_decode(const uint8_t* stream, size_t stream_len, std::vector<uint8_t>& out,
                std::string& err, size_t max_out) {
  out.clear();
  err.clear();
  if (stream == nullptr && stream_len != 0) {
    err = "lzw: no stream";
    return false;
  }
  return Decoder(out, err, max_out).run(stream, stream_len);
}
