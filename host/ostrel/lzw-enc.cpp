// Streaming LZW encoder: hashed dictionary of 2^20 codes with chains
// through the entries, codes of 8 to 20 bits packed MSB first, restart when
// the dictionary is full. The format is described in lzw-enc.h.
//
// lzw_encode() runs the per-byte loop on local copies of the state (the
// 64-bit bit accumulator among them) and inlines the look-up, the insert
// and the bit packing; the exported internal operations do the same steps
// on the state itself, one call at a time. The loop's time goes into
// walking hash chains through a 12 MiB dictionary, one likely cache miss
// per entry visited, so it walks two chains at once where it can.
#include "lzw-enc.h"

#include <algorithm>
#include <cstring>

#if defined(__GNUC__) || defined(__clang__)
#define LZW_LIKELY(x) __builtin_expect(!!(x), 1)
#else
#define LZW_LIKELY(x) (x)
#endif

namespace {

constexpr uint32_t kCodeMask = LZW_DICT_SIZE - 1;
constexpr uint32_t kFirstWidth = 8;
constexpr uint32_t kLastSingle = 255;

inline uint32_t bucket_of(uint32_t code, uint32_t byte) {
  return (code ^ (byte << 6)) & kCodeMask;
}

// Walks a hash chain, from its entry c on, for the entry (code, byte).
inline uint32_t find_in_chain(const lzw_dict_entry* dict, uint32_t c, uint32_t code,
                              uint32_t byte) {
  while (c != LZW_NULL_CODE && !(dict[c].prev == code && dict[c].ch == byte)) c = dict[c].next;
  return c;
}

// Empties every bucket and links the 256 single-byte entries again, in
// rising order, each at the head of its chain. Their prev and ch were set
// by lzw_enc_init() and are never overwritten (new codes start at 256).
void restart_dictionary(lzw_enc_state* s) {
  // Fill a first run of buckets, then copy the filled part onto the rest,
  // doubling: a dozen large copies instead of a million stores, which
  // keeps the clearing cheap in instrumented (sanitizer, fuzzer) builds.
  uint32_t* const heads = s->hash_heads;
  constexpr size_t kSeed = 1024;
  std::fill_n(heads, kSeed, LZW_NULL_CODE);
  for (size_t n = kSeed; n < LZW_HASH_SIZE; n *= 2) std::memcpy(heads + n, heads, n * sizeof *heads);
  for (uint32_t b = 0; b <= kLastSingle; ++b) {
    const uint32_t h = bucket_of(LZW_NULL_CODE, b);
    s->dict[b].next = s->hash_heads[h];
    s->hash_heads[h] = b;
  }
}

}  // namespace

extern "C" {

uint32_t lzw_hash(uint32_t code, uint8_t byte) { return bucket_of(code, byte); }

uint32_t lzw_enc_findstr(const lzw_enc_state* s, uint32_t code, uint8_t byte) {
  return find_in_chain(s->dict, s->hash_heads[bucket_of(code, byte)], code, byte);
}

uint32_t lzw_enc_addstr(lzw_enc_state* s, uint32_t code, uint8_t byte) {
  if (s->last_code >= LZW_DICT_SIZE - 1) {
    s->last_code = LZW_DICT_SIZE;
    return LZW_NULL_CODE;
  }
  const uint32_t c = ++s->last_code;
  const uint32_t h = bucket_of(code, byte);
  s->dict[c].prev = code;
  s->dict[c].ch = byte;
  s->dict[c].next = s->hash_heads[h];
  s->hash_heads[h] = c;
  return c;
}

void lzw_enc_reset(lzw_enc_state* s) {
  s->last_code = kLastSingle;
  s->code_bits = kFirstWidth;
  restart_dictionary(s);
}

void lzw_enc_writebits(lzw_enc_state* s, uint32_t value, uint32_t n) {
  const uint32_t mask = n >= 32 ? 0xFFFFFFFFu : (1u << n) - 1;
  s->bit_buffer = (n >= 32 ? 0 : s->bit_buffer << n) | (value & mask);
  s->bit_count += n;
  while (s->bit_count > 7) {
    s->bit_count -= 8;
    s->out_buf[s->out_count++] = static_cast<uint8_t>(s->bit_buffer >> s->bit_count);
    if (s->out_count == LZW_BLOCK_SIZE) {
      lzw_writebuf(s->out_buf, LZW_BLOCK_SIZE);
      s->out_count = 0;
    }
  }
  s->bit_buffer &= (1u << s->bit_count) - 1;  // keep only the pending bits
}

lzw_enc_state* lzw_enc_init(lzw_enc_state* s) {
  s->prefix_code = LZW_NULL_CODE;
  s->last_code = kLastSingle;
  s->code_bits = kFirstWidth;
  s->bit_buffer = 0;
  s->bit_count = 0;
  s->out_count = 0;
  for (uint32_t b = 0; b <= kLastSingle; ++b) {
    s->dict[b].prev = LZW_NULL_CODE;
    s->dict[b].ch = static_cast<uint8_t>(b);
  }
  restart_dictionary(s);
  return s;
}

uint32_t lzw_encode(lzw_enc_state* s, const uint8_t* data, uint32_t len) {
  if (len == 0) return 0;
  lzw_dict_entry* const dict = s->dict;
  uint32_t* const heads = s->hash_heads;
  uint8_t* const out_buf = s->out_buf;

  uint32_t prefix = s->prefix_code;
  uint32_t last = s->last_code;
  uint32_t width = s->code_bits;
  uint32_t grow_at = (1u << width) - 1;  // widen when last reaches this
  uint64_t acc = s->bit_buffer;          // only the low nbits matter
  uint32_t nbits = s->bit_count;
  uint32_t out = s->out_count;

  // The look-up that follows a miss is known in advance: (this byte, next
  // byte). Its chain is walked alongside the current one, so that the two
  // chains' cache misses overlap. ahead_cur is where that walk stopped,
  // ahead_code what it found.
  bool ahead = false;
  uint32_t ahead_cur = LZW_NULL_CODE, ahead_code = LZW_NULL_CODE;

  const uint8_t* p = data;
  const uint8_t* const end = data + len;
  while (p != end) {
    const uint32_t b = *p++;
    const uint32_t h = bucket_of(prefix, b);
    uint32_t c = LZW_NULL_CODE;
    uint32_t nb = 0, side = LZW_NULL_CODE, side_code = LZW_NULL_CODE;
    if (ahead && ahead_code != LZW_NULL_CODE) {
      c = ahead_code;
    } else {
      uint32_t cur = ahead ? ahead_cur : heads[h];
      if (p != end) {
        nb = *p;
        side = heads[bucket_of(b, nb)];
      }
      while (cur != LZW_NULL_CODE) {
        const lzw_dict_entry& e = dict[cur];
        if (side != LZW_NULL_CODE) {
          const lzw_dict_entry& f = dict[side];
          if (f.prev == b && f.ch == nb) {
            side_code = side;
            side = LZW_NULL_CODE;
          } else {
            side = f.next;
          }
        }
        if (e.prev == prefix && e.ch == b) {
          c = cur;
          break;
        }
        cur = e.next;
      }
    }
    ahead = false;
    if (c != LZW_NULL_CODE) {
      prefix = c;
      continue;
    }

    // Not in the dictionary: write the prefix, then assign the next code.
    acc = (acc << width) | prefix;
    nbits += width;
    do {
      nbits -= 8;
      out_buf[out++] = static_cast<uint8_t>(acc >> nbits);
      if (out == LZW_BLOCK_SIZE) {
        lzw_writebuf(out_buf, LZW_BLOCK_SIZE);
        out = 0;
      }
    } while (nbits > 7);

    if (last == grow_at) {
      ++width;
      grow_at = (1u << width) - 1;
    }
    if (LZW_LIKELY(last != LZW_DICT_SIZE - 1)) {
      ++last;
      dict[last].prev = prefix;
      dict[last].ch = static_cast<uint8_t>(b);
      dict[last].next = heads[h];
      heads[h] = last;
      // The walk ahead ran before this entry existed; it is the next
      // look-up's answer when (prefix, b) equals (b, next byte).
      if (p != end) {
        ahead = true;
        ahead_cur = side;
        ahead_code = prefix == b && nb == b ? last : side_code;
      }
    } else {
      restart_dictionary(s);
      last = kLastSingle;
      width = kFirstWidth;
      grow_at = (1u << width) - 1;
    }
    prefix = b;
  }

  s->prefix_code = prefix;
  s->last_code = last;
  s->code_bits = width;
  s->bit_buffer = static_cast<uint32_t>(acc & ((1u << nbits) - 1));
  s->bit_count = nbits;
  s->out_count = out;
  return len;
}

void lzw_enc_end(lzw_enc_state* s) {
  // Before the first byte there is no string to close: an empty input
  // gives an empty stream rather than a stray code.
  if (s->prefix_code != LZW_NULL_CODE) lzw_enc_writebits(s, s->prefix_code, s->code_bits);
  if (s->bit_count != 0) lzw_enc_writebits(s, 0, 8 - s->bit_count);
  lzw_writebuf(s->out_buf, s->out_count);
  s->out_count = 0;
}

}  // extern "C"
