// Streaming LZW encoder: hashed dictionary of 2^20 codes with chains
// through the entries, codes of 8 to 20 bits packed MSB first, restart when
// the dictionary is full. The format is described in lzw-enc.h.
//
// The state's chains are kept exactly as the exported operations define
// them, but lzw_encode() does not walk them: each visit would be a likely
// cache miss in a 12 MiB dictionary. It looks strings up in a private index
// instead (below), kept in step with one state by lzw_enc_init(),
// lzw_enc_addstr(), lzw_enc_reset() and lzw_encode() itself.
#include "lzw-enc.h"

#include <algorithm>
#include <cstring>
#ifdef __linux__
#include <sys/mman.h>
#endif

#if defined(__GNUC__) || defined(__clang__)
#define LZW_LIKELY(x) __builtin_expect(!!(x), 1)
#define LZW_PREFETCH(p) __builtin_prefetch(p)
#else
#define LZW_LIKELY(x) (x)
#define LZW_PREFETCH(p) ((void)(p))
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

// ---- The look-up index. For the state it follows (the owner) it answers
// (prefix, byte) exactly as lzw_enc_findstr() would, for every prefix up to
// LZW_NULL_CODE that lzw_encode() can meet.
// - Strings whose prefix is a single byte or LZW_NULL_CODE: a directly
//   indexed table of 257 x 256 codes (257 KiB, stays in L2).
// - Longer strings: an open-addressing table of 2^21 slots (16 MiB, linear
//   probing, at most half full). A slot packs generation (15 bits), prefix
//   (20), byte (8) and code (20); slots of another generation are empty, so
//   starting over is a new generation instead of clearing 16 MiB.
// - A string's slot comes from a hash of its bytes, not of (prefix, byte):
//   lzw_encode() can then compute the slots of the strings it may meet a
//   few bytes ahead from the input alone and prefetch them, so that their
//   cache misses overlap. str_hash keeps each code's hash for the strings
//   that extend it later.
constexpr uint32_t kPairRows = 257;        // rows 0-255: prefix byte; 256: LZW_NULL_CODE
constexpr uint32_t kNoCode = 0xFFFFFFFFu;  // empty pair entry
constexpr uint32_t kSlotBits = 21;
constexpr uint32_t kSlotMask = (1u << kSlotBits) - 1;
constexpr uint32_t kGenBits = 15;
constexpr uint32_t kTagShift = LZW_DICT_BITS;                  // prefix and byte above the code
constexpr uint32_t kGenShift = kTagShift + 8 + LZW_DICT_BITS;  // generation above them
constexpr uint32_t kEmptyHash = 0x2545F491u;                   // hash of the empty string
constexpr uint32_t kLookAhead = 6;    // most bytes of the current string prefetched ahead
constexpr uint32_t kStartAhead = 24;  // distance of the prefetch for strings starting there
constexpr uint32_t kLinkDelay = 4;    // new codes whose chain link waits

struct LookupIndex {
  const lzw_enc_state* owner;  // the state it follows, nullptr if none
  uint32_t last_code;          // the owner's last_code when the index was last in step
  uint64_t gen;                // current generation, 1 .. 2^15 - 1
  uint32_t pairs[kPairRows * 256];
  uint32_t str_hash[LZW_DICT_SIZE];  // codes 256 .. last_code
  uint64_t slots[size_t{1} << kSlotBits];
};
#ifdef __linux__
alignas(2u << 20) LookupIndex g_index;  // zero pages until used: nothing to pay at start-up
#else
LookupIndex g_index;
#endif

// The per-byte loop touches the index, the hash heads and the dictionary at
// random: on Linux, large pages spare it most TLB misses. Only a hint; the
// range is rounded inwards to whole large pages. Must come before the
// first touch of the pages.
void advise_large_pages(const void* p, size_t n) {
#ifdef __linux__
  constexpr uintptr_t kLarge = uintptr_t{2} << 20;
  const uintptr_t from = (reinterpret_cast<uintptr_t>(p) + kLarge - 1) & ~(kLarge - 1);
  const uintptr_t to = (reinterpret_cast<uintptr_t>(p) + n) & ~(kLarge - 1);
  if (from < to) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)p;
  (void)n;
#endif
}

// Hash of a string extended by one byte. A bijection of h for each byte, so
// that strings of different hashes stay apart; the slot is the top bits.
inline uint32_t extend_hash(uint32_t h, uint32_t byte) {
  h = (h ^ byte) * 0x9E3779B1u;
  return h ^ (h >> 15);
}
inline uint32_t slot_of(uint32_t h) { return h >> (32 - kSlotBits); }

inline uint32_t pair_row(uint32_t code) { return code < 256 ? code : 256; }
inline bool in_pairs(uint32_t code) { return code < 256 || code == LZW_NULL_CODE; }

// Tag of (code, byte), code in 256 .. 2^20 - 1, in generation gen: the
// slot's bits above the code.
inline uint64_t tag_of(uint64_t gen, uint32_t code, uint32_t byte) {
  return (gen << (kGenShift - kTagShift)) | (uint64_t{code} << 8) | byte;
}

// Hash of the string of a code that the index knows.
inline uint32_t hash_of(uint32_t code) {
  if (code == LZW_NULL_CODE) return kEmptyHash;
  return code < 256 ? extend_hash(kEmptyHash, code) : g_index.str_hash[code];
}

// Puts the index in step with s right after its dictionary restarted.
void index_restart(const lzw_enc_state* s) {
  LookupIndex& x = g_index;
  if (++x.gen == (uint64_t{1} << kGenBits)) {
    std::memset(x.slots, 0, sizeof x.slots);
    x.gen = 1;
  }
  std::fill_n(x.pairs, 256 * 256, kNoCode);
  for (uint32_t b = 0; b <= kLastSingle; ++b) x.pairs[256 * 256 + b] = b;
  x.owner = s;
  x.last_code = kLastSingle;
}

// True if the index follows s and s is as the index last saw it. A state
// changed behind the functions is let go of for good: its last_code could
// come back to the value the index expects with other strings behind it.
// The next restart of the state puts the index in step again.
inline bool index_follows(const lzw_enc_state* s) {
  if (g_index.owner != s) return false;
  if (g_index.last_code == s->last_code) return true;
  g_index.owner = nullptr;
  return false;
}

// Records the new code c of (code, byte), at once the answer for this pair.
void index_put(uint32_t code, uint32_t byte, uint32_t c) {
  LookupIndex& x = g_index;
  const uint32_t h = extend_hash(hash_of(code), byte);
  x.str_hash[c] = h;
  if (in_pairs(code)) {
    x.pairs[pair_row(code) << 8 | byte] = c;
    return;
  }
  const uint64_t tag = tag_of(x.gen, code, byte);
  uint32_t i = slot_of(h);
  while ((x.slots[i] >> kTagShift) != tag && (x.slots[i] >> kGenShift) == x.gen)
    i = (i + 1) & kSlotMask;
  x.slots[i] = tag << kTagShift | c;
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

// The encoder as the plain composition of the exported operations, for a
// state the index does not follow (another state was started since, or this
// one was changed behind the functions). Stops at the first restart, which
// puts the index in step again; returns the bytes consumed.
uint32_t encode_by_chains(lzw_enc_state* s, const uint8_t* data, uint32_t len) {
  uint32_t n = 0;
  while (n < len && !index_follows(s)) {
    const uint8_t b = data[n++];
    const uint32_t c = lzw_enc_findstr(s, s->prefix_code, b);
    if (c != LZW_NULL_CODE) {
      s->prefix_code = c;
      continue;
    }
    lzw_enc_writebits(s, s->prefix_code, s->code_bits);
    if (s->last_code + 1 == (1u << s->code_bits)) ++s->code_bits;
    if (lzw_enc_addstr(s, s->prefix_code, b) == LZW_NULL_CODE) lzw_enc_reset(s);
    s->prefix_code = b;
  }
  return n;
}

}  // namespace

extern "C" {

uint32_t lzw_hash(uint32_t code, uint8_t byte) { return bucket_of(code, byte); }

uint32_t lzw_enc_findstr(const lzw_enc_state* s, uint32_t code, uint8_t byte) {
  return find_in_chain(s->dict, s->hash_heads[bucket_of(code, byte)], code, byte);
}

uint32_t lzw_enc_addstr(lzw_enc_state* s, uint32_t code, uint8_t byte) {
  const bool follows = index_follows(s);
  if (s->last_code >= LZW_DICT_SIZE - 1) {
    s->last_code = LZW_DICT_SIZE;
    if (follows) g_index.last_code = s->last_code;
    return LZW_NULL_CODE;
  }
  const uint32_t c = ++s->last_code;
  const uint32_t h = bucket_of(code, byte);
  s->dict[c].prev = code;
  s->dict[c].ch = byte;
  s->dict[c].next = s->hash_heads[h];
  s->hash_heads[h] = c;
  if (follows) {
    if (code > LZW_NULL_CODE) {
      // Never looked up by lzw_encode(): nothing to record.
    } else if (code < 256 || code == LZW_NULL_CODE || code < c) {
      index_put(code, byte, c);
    } else {
      // A prefix not defined yet: its hash is unknown until it is, so the
      // index lets go of this state until the next restart.
      g_index.owner = nullptr;
    }
    g_index.last_code = c;
  }
  return c;
}

void lzw_enc_reset(lzw_enc_state* s) {
  s->last_code = kLastSingle;
  s->code_bits = kFirstWidth;
  restart_dictionary(s);
  index_restart(s);
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
  static bool advised = false;
  if (!advised) {
    advise_large_pages(&g_index, sizeof g_index);
    advised = true;
  }
  advise_large_pages(s, sizeof *s);
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
  index_restart(s);
  return s;
}

uint32_t lzw_encode(lzw_enc_state* s, const uint8_t* data, uint32_t len) {
  if (len == 0) return 0;
  // A prefix the index cannot hash (set from outside) goes the slow way too.
  if (g_index.owner == s && s->prefix_code > s->last_code && !in_pairs(s->prefix_code))
    g_index.owner = nullptr;
  const uint32_t done = encode_by_chains(s, data, len);
  if (done == len) return len;

  LookupIndex& x = g_index;
  uint32_t* const pairs = x.pairs;
  uint64_t* const slots = x.slots;
  uint32_t* const str_hash = x.str_hash;
  uint64_t gen = x.gen;
  lzw_dict_entry* const dict = s->dict;
  uint32_t* const heads = s->hash_heads;
  uint8_t* const out_buf = s->out_buf;

  uint32_t prefix = s->prefix_code;
  uint32_t hash = hash_of(prefix);       // of the string matched so far
  uint32_t last = s->last_code;
  uint32_t width = s->code_bits;
  uint32_t grow_at = (1u << width) - 1;  // widen when last reaches this
  uint64_t acc = s->bit_buffer;          // only the low nbits matter
  uint32_t nbits = s->bit_count;
  uint32_t out = s->out_count;

  const uint8_t* p = data + done;
  const uint8_t* const end = data + len;
  // Prefetches. (1) The strings the current match becomes if it goes on:
  // ahead_hash is the hash of the string matched so far extended by the
  // bytes before `ahead`, whose slots have been prefetched. The distance
  // grows with the match (up to kLookAhead bytes), so that short matches,
  // as in incompressible data, do not flood the memory with useless ones.
  // (2) Further ahead, the first slot look-ups of a string that would start
  // at a byte: its first three, four and five bytes.
  const uint8_t* ahead = p;
  uint32_t ahead_hash = hash;
  uint32_t match_len = kLookAhead;  // bytes matched; unknown at the start of a piece
  const ptrdiff_t start_span = kStartAhead + 4;
  const uint8_t* const start_end = end - p > start_span ? end - start_span : p;
  // The link of a new entry into its chain waits for kLinkDelay newer
  // codes (or the end), so that the chain head's cache miss overlaps other
  // work: a ring of pending codes, linked oldest first as the chains want.
  uint32_t pending[kLinkDelay], pending_bucket[kLinkDelay];
  uint32_t npending = 0, oldest = 0;
  auto link_oldest = [&] {
    const uint32_t c = pending[oldest], bucket = pending_bucket[oldest];
    dict[c].next = heads[bucket];
    heads[bucket] = c;
    oldest = (oldest + 1) % kLinkDelay;
    --npending;
  };
  while (p != end) {
    const uint32_t depth = std::min(kLookAhead, match_len);
    for (const uint8_t* stop = static_cast<size_t>(end - p) > depth ? p + depth : end; ahead < stop;) {
      ahead_hash = extend_hash(ahead_hash, *ahead++);
      LZW_PREFETCH(&slots[slot_of(ahead_hash)]);
    }
    if (p < start_end) {
      const uint8_t* const t = p + kStartAhead;
      const uint32_t h3 = extend_hash(extend_hash(extend_hash(kEmptyHash, t[0]), t[1]), t[2]);
      const uint32_t h4 = extend_hash(h3, t[3]);
      LZW_PREFETCH(&slots[slot_of(h3)]);
      LZW_PREFETCH(&slots[slot_of(h4)]);
      LZW_PREFETCH(&slots[slot_of(extend_hash(h4, t[4]))]);
    }
    const uint32_t b = *p++;
    const uint32_t h = extend_hash(hash, b);
    // Look (prefix, b) up; on a miss, pair or slot is where it goes.
    uint32_t* pair = nullptr;
    uint64_t* slot = nullptr;
    uint64_t tag = 0;
    ++match_len;
    if (in_pairs(prefix)) {
      pair = &pairs[pair_row(prefix) << 8 | b];
      if (*pair != kNoCode) {
        prefix = *pair;
        hash = h;
        continue;
      }
    } else {
      tag = tag_of(gen, prefix, b);
      uint32_t i = slot_of(h);
      uint64_t v;
      while ((v = slots[i]) >> kGenShift == gen && (v >> kTagShift) != tag) i = (i + 1) & kSlotMask;
      if ((v >> kGenShift) == gen) {
        prefix = static_cast<uint32_t>(v) & kCodeMask;
        hash = h;
        continue;
      }
      slot = &slots[i];
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
      if (npending == kLinkDelay) link_oldest();
      ++last;
      const uint32_t bucket = bucket_of(prefix, b);
      const uint32_t at = (oldest + npending++) % kLinkDelay;
      pending[at] = last;
      pending_bucket[at] = bucket;
      LZW_PREFETCH(&heads[bucket]);
      dict[last].prev = prefix;
      dict[last].ch = static_cast<uint8_t>(b);
      str_hash[last] = h;
      if (pair)
        *pair = last;
      else
        *slot = tag << kTagShift | last;
    } else {
      while (npending != 0) link_oldest();
      restart_dictionary(s);
      index_restart(s);
      gen = x.gen;
      last = kLastSingle;
      width = kFirstWidth;
      grow_at = (1u << width) - 1;
    }
    // The next string starts with b: the look-ahead starts over from it.
    prefix = b;
    hash = extend_hash(kEmptyHash, b);
    ahead = p;
    ahead_hash = hash;
    match_len = 1;
  }

  while (npending != 0) link_oldest();
  x.last_code = last;
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
