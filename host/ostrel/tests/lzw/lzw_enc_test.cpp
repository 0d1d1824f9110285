// The encoder on its own: exact streams for small inputs, independence of
// the piece sizes, the block hand-over, the dictionary restart, and the
// internal operations that lzw_encode() must agree with.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "lzw-dec.h"
#include "lzw_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Every block but the last is a full one; the last is whatever is left.
void expect_full_blocks_then_tail() {
  ASSERT_FALSE(g_sink.calls.empty());
  for (size_t i = 0; i + 1 < g_sink.calls.size(); ++i)
    ASSERT_EQ(g_sink.calls[i], LZW_BLOCK_SIZE) << "block " << i;
  EXPECT_LT(g_sink.calls.back(), LZW_BLOCK_SIZE);
}

struct StreamCase {
  const char* input;
  Bytes stream;
};

TEST(LzwEncoder, SmallInputsGiveExactStreams) {
  const StreamCase cases[] = {
      {"A", {0x41}},                           // one 8-bit code
      {"AB", {0x41, 0x21, 0x00}},              // 65/8, 66/9, seven zero bits
      {"AAAA", {0x41, 0x80, 0x10, 0x40}},      // 65/8, 256/9, 65/9
      {"", {}},                                // nothing to close: empty stream
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("input \"") + c.input + "\"");
    EXPECT_EQ(encode_all(bytes_of(c.input)), c.stream);
    ASSERT_EQ(g_sink.calls.size(), 1u);  // only the final partial block
  }
}

TEST(LzwEncoder, SingleByteInputIsThatByte) {
  for (int b = 0; b < 256; ++b) {
    const Bytes in{static_cast<uint8_t>(b)};
    ASSERT_EQ(encode_all(in), in) << "byte " << b;
  }
}

TEST(LzwEncoder, PieceSizesDoNotChangeTheStream) {
  Bytes data = text_bytes(60000, 7);
  const Bytes noise = random_bytes(60000, 8);
  data.insert(data.end(), noise.begin(), noise.end());
  const Bytes whole = encode_all(data);
  expect_full_blocks_then_tail();

  for (size_t piece : {1u, 2u, 3u, 7u, 255u, 256u, 257u, 4096u}) {
    SCOPED_TRACE("piece " + std::to_string(piece));
    EXPECT_EQ(encode_pieces(data, piece), whole);
    expect_full_blocks_then_tail();
  }

  // Irregular pieces, empty ones among them.
  start_stream();
  const size_t sizes[] = {0, 1, 0, 300, 5, 1000, 0, 17, 65536};
  size_t at = 0, k = 0;
  while (at < data.size()) {
    const size_t n = std::min(sizes[k++ % 9], data.size() - at);
    ASSERT_EQ(lzw_encode(&g_lzw, data.data() + at, static_cast<uint32_t>(n)), n);
    at += n;
  }
  lzw_enc_end(&g_lzw);
  EXPECT_EQ(g_sink.bytes, whole);
}

TEST(LzwEncoder, EmptyPieceChangesNothing) {
  static lzw_enc_state before;  // a full copy of the state: too big for the stack
  const Bytes data = text_bytes(5000, 3);
  start_stream();
  lzw_encode(&g_lzw, data.data(), static_cast<uint32_t>(data.size()));
  ASSERT_NE(g_lzw.bit_count, 0u);  // pending bits make the check meaningful
  std::memcpy(&before, &g_lzw, sizeof before);
  const size_t handed = g_sink.calls.size();

  EXPECT_EQ(lzw_encode(&g_lzw, data.data(), 0), 0u);
  EXPECT_EQ(lzw_encode(&g_lzw, nullptr, 0), 0u);
  EXPECT_EQ(std::memcmp(&before, &g_lzw, sizeof before), 0);
  EXPECT_EQ(g_sink.calls.size(), handed);
}

TEST(LzwEncoder, StreamOfWholeBlocksEndsWithEmptyBlock) {
  // Find random inputs whose streams are exactly one and two blocks long.
  for (size_t blocks : {1u, 2u}) {
    SCOPED_TRACE(std::to_string(blocks) + " block(s)");
    bool found = false;
    for (size_t n = 150 * blocks; n < 300 * blocks && !found; ++n) {
      const Bytes stream = encode_all(random_bytes(n, 11));
      if (stream.size() != blocks * LZW_BLOCK_SIZE) continue;
      found = true;
      ASSERT_EQ(g_sink.calls.size(), blocks + 1);
      EXPECT_EQ(g_sink.calls.back(), 0u);
      expect_full_blocks_then_tail();
    }
    EXPECT_TRUE(found) << "no input length gives such a stream";
  }
}

TEST(LzwInternals, InitLinksExactlyTheSingleBytes) {
  lzw_enc_init(&g_lzw);
  EXPECT_EQ(g_lzw.prefix_code, LZW_NULL_CODE);
  EXPECT_EQ(g_lzw.last_code, 255u);
  EXPECT_EQ(g_lzw.code_bits, 8u);
  EXPECT_EQ(g_lzw.bit_count, 0u);
  EXPECT_EQ(g_lzw.out_count, 0u);
  for (uint32_t b = 0; b < 256; ++b) {
    ASSERT_EQ(lzw_hash(LZW_NULL_CODE, static_cast<uint8_t>(b)), b * 64) << "byte " << b;
    ASSERT_EQ(g_lzw.dict[b].prev, LZW_NULL_CODE);
    ASSERT_EQ(g_lzw.dict[b].ch, b);
    ASSERT_EQ(g_lzw.dict[b].next, LZW_NULL_CODE);
  }
  size_t linked = 0;
  for (uint32_t h = 0; h < LZW_HASH_SIZE; ++h) {
    if (g_lzw.hash_heads[h] == LZW_NULL_CODE) continue;
    ++linked;
    ASSERT_EQ(h % 64, 0u);
    ASSERT_EQ(g_lzw.hash_heads[h], h / 64);
  }
  EXPECT_EQ(linked, 256u);
}

TEST(LzwInternals, HashMixesByteIntoBitsSixAndUp) {
  EXPECT_EQ(lzw_hash(0, 0), 0u);
  EXPECT_EQ(lzw_hash(0xFFFFF, 0), 0xFFFFFu);
  EXPECT_EQ(lzw_hash(0xFFFFF, 0xFF), 0xFFFFFu ^ (0xFFu << 6));
  EXPECT_EQ(lzw_hash(0x12345, 0x80), 0x12345u ^ 0x2000u);
}

TEST(LzwInternals, AddThenFindAlongSharedChain) {
  lzw_enc_init(&g_lzw);
  EXPECT_EQ(lzw_enc_findstr(&g_lzw, LZW_NULL_CODE, 'A'), uint32_t('A'));
  EXPECT_EQ(lzw_enc_findstr(&g_lzw, 'A', 'B'), LZW_NULL_CODE);

  // (65,'B') and (65 ^ (1 << 6),'C') fall into the same bucket: 'B'^'C' == 1.
  const uint32_t other = 65 ^ (1u << 6);
  ASSERT_EQ(lzw_hash(65, 'B'), lzw_hash(other, 'C'));
  EXPECT_EQ(lzw_enc_addstr(&g_lzw, 65, 'B'), 256u);
  EXPECT_EQ(lzw_enc_addstr(&g_lzw, other, 'C'), 257u);
  EXPECT_EQ(g_lzw.last_code, 257u);
  EXPECT_EQ(g_lzw.hash_heads[lzw_hash(65, 'B')], 257u);  // newest at the head
  EXPECT_EQ(g_lzw.dict[257].next, 256u);
  EXPECT_EQ(lzw_enc_findstr(&g_lzw, 65, 'B'), 256u);  // found behind the head
  EXPECT_EQ(lzw_enc_findstr(&g_lzw, other, 'C'), 257u);
  EXPECT_EQ(lzw_enc_findstr(&g_lzw, 65, 'C'), LZW_NULL_CODE);
  EXPECT_EQ(lzw_enc_findstr(&g_lzw, 256, 'B'), LZW_NULL_CODE);
}

TEST(LzwInternals, AddFailsOnceTheLastCodeIsTaken) {
  lzw_enc_init(&g_lzw);
  g_lzw.last_code = LZW_DICT_SIZE - 2;
  EXPECT_EQ(lzw_enc_addstr(&g_lzw, 'x', 'y'), LZW_DICT_SIZE - 1);
  EXPECT_EQ(lzw_enc_findstr(&g_lzw, 'x', 'y'), LZW_DICT_SIZE - 1);
  EXPECT_EQ(lzw_enc_addstr(&g_lzw, 'y', 'z'), LZW_NULL_CODE);
  EXPECT_EQ(g_lzw.last_code, LZW_DICT_SIZE);
  EXPECT_EQ(lzw_enc_findstr(&g_lzw, 'y', 'z'), LZW_NULL_CODE);
}

TEST(LzwInternals, ResetForgetsStringsButKeepsPendingOutput) {
  const Bytes data = text_bytes(3000, 5);
  start_stream();
  lzw_encode(&g_lzw, data.data(), static_cast<uint32_t>(data.size()));
  ASSERT_GT(g_lzw.last_code, 300u);
  const lzw_dict_entry added = g_lzw.dict[300];
  const uint32_t prefix = g_lzw.prefix_code, bit_buffer = g_lzw.bit_buffer;
  const uint32_t bit_count = g_lzw.bit_count, out_count = g_lzw.out_count;
  uint8_t out_buf[LZW_BLOCK_SIZE];
  std::memcpy(out_buf, g_lzw.out_buf, sizeof out_buf);

  lzw_enc_reset(&g_lzw);
  EXPECT_EQ(g_lzw.last_code, 255u);
  EXPECT_EQ(g_lzw.code_bits, 8u);
  EXPECT_EQ(lzw_enc_findstr(&g_lzw, added.prev, added.ch), LZW_NULL_CODE);
  for (uint32_t b = 0; b < 256; ++b)
    ASSERT_EQ(lzw_enc_findstr(&g_lzw, LZW_NULL_CODE, static_cast<uint8_t>(b)), b);
  EXPECT_EQ(g_lzw.prefix_code, prefix);
  EXPECT_EQ(g_lzw.bit_buffer, bit_buffer);
  EXPECT_EQ(g_lzw.bit_count, bit_count);
  EXPECT_EQ(g_lzw.out_count, out_count);
  EXPECT_EQ(std::memcmp(g_lzw.out_buf, out_buf, sizeof out_buf), 0);
}

struct Write {
  uint32_t value, n;
};

TEST(LzwInternals, WriteBitsPacksMostSignificantFirst) {
  struct Case {
    std::vector<Write> writes;
    Bytes bytes;           // complete bytes in out_buf
    uint32_t pending;      // bit_count
    uint32_t pending_bits; // bit_buffer
  };
  const Case cases[] = {
      {{{0x41, 8}}, {0x41}, 0, 0},
      {{{0x41, 8}, {0x42, 9}}, {0x41, 0x21}, 1, 0},
      {{{0x41, 8}, {0x100, 9}, {0x41, 9}}, {0x41, 0x80, 0x10}, 2, 1},
      {{{0xFFFF, 4}}, {}, 4, 0xF},                  // only the low n bits count
      {{{5, 3}, {0xABCDE, 20}}, {0xB5, 0x79}, 7, 0x5E},  // 101 1010 1011 1100 1101 1110
      {{{1, 1}, {0, 7}}, {0x80}, 0, 0},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    const Case& c = cases[i];
    start_stream();
    for (const Write& w : c.writes) lzw_enc_writebits(&g_lzw, w.value, w.n);
    EXPECT_EQ(Bytes(g_lzw.out_buf, g_lzw.out_buf + g_lzw.out_count), c.bytes);
    EXPECT_EQ(g_lzw.bit_count, c.pending);
    EXPECT_EQ(g_lzw.bit_buffer, c.pending_bits);
    EXPECT_TRUE(g_sink.calls.empty());
  }
}

TEST(LzwInternals, WriteBitsHandsOverEachFullBlock) {
  start_stream();
  lzw_enc_writebits(&g_lzw, 0x3, 4);
  for (uint32_t i = 0; i < LZW_BLOCK_SIZE; ++i) lzw_enc_writebits(&g_lzw, i, 8);
  // The 256th complete byte filled the block: handed over, count back to 0.
  ASSERT_EQ(g_sink.calls, std::vector<uint32_t>{LZW_BLOCK_SIZE});
  EXPECT_EQ(g_lzw.out_count, 0u);
  EXPECT_EQ(g_lzw.bit_count, 4u);
  EXPECT_EQ(g_sink.bytes[0], 0x30);
  EXPECT_EQ(g_sink.bytes[255], 0xEF);  // low nibble of 254, high nibble of 255
  EXPECT_EQ(g_lzw.bit_buffer, 0xFu);
}

// The encoder step by step through the exported operations, as a reference
// for the inlined loop of lzw_encode().
void reference_encode(lzw_enc_state* s, const Bytes& data) {
  for (uint8_t b : data) {
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
}

void expect_same_scalars(const lzw_enc_state& a, const lzw_enc_state& b) {
  EXPECT_EQ(a.prefix_code, b.prefix_code);
  EXPECT_EQ(a.last_code, b.last_code);
  EXPECT_EQ(a.code_bits, b.code_bits);
  EXPECT_EQ(a.bit_buffer, b.bit_buffer);
  EXPECT_EQ(a.bit_count, b.bit_count);
  EXPECT_EQ(a.out_count, b.out_count);
}

// The whole records must agree too: every dictionary entry, every chain
// link, every hash head (the fast loop links its new entries late).
void expect_same_records(const lzw_enc_state& a, const lzw_enc_state& b) {
  expect_same_scalars(a, b);
  for (uint32_t c = 0; c < LZW_DICT_SIZE; ++c) {
    const lzw_dict_entry &x = a.dict[c], &y = b.dict[c];
    ASSERT_TRUE(x.prev == y.prev && x.next == y.next && x.ch == y.ch) << "dict[" << c << "]";
  }
  for (uint32_t h = 0; h < LZW_HASH_SIZE; ++h)
    ASSERT_EQ(a.hash_heads[h], b.hash_heads[h]) << "hash_heads[" << h << "]";
  EXPECT_EQ(std::memcmp(a.out_buf, b.out_buf, a.out_count), 0);
}

// One step of a scenario, done on g_lzw with lzw_encode() and on a copy
// with the reference.
struct Step {
  enum Kind {
    Encode,    // data in pieces of `piece` bytes
    Stepwise,  // data through the exported operations, on g_lzw too
    Add,       // lzw_enc_addstr(code, byte)
    AddAhead,  // `code` strings on the `code` prefixes the dictionary defines next
    Snapshot,  // the record copied aside ...
    Restore,   // ... and back: changed behind the functions
    Reset,     // lzw_enc_reset()
    UseOther,  // another state is started and fed (only on g_lzw's side)
  } kind;
  Bytes data;
  size_t piece;
  uint32_t code;
  uint8_t byte;
};
Step encode_step(const Bytes& data, size_t piece = 256) { return {Step::Encode, data, piece, 0, 0}; }
Step stepwise(const Bytes& data) { return {Step::Stepwise, data, 0, 0, 0}; }
Step add(uint32_t code, uint8_t byte) { return {Step::Add, {}, 0, code, byte}; }
Step add_ahead(uint32_t n) { return {Step::AddAhead, {}, 0, n, 0}; }
Step snapshot() { return {Step::Snapshot, {}, 0, 0, 0}; }
Step restore() { return {Step::Restore, {}, 0, 0, 0}; }

// Adds n strings whose prefixes are not defined yet: the codes n to 2n - 1
// after the last one, each with a byte frequent in text. Once the
// dictionary defines those codes, findstr() finds these strings in the
// chains whenever the text goes on with that byte.
void add_ahead_strings(lzw_enc_state* s, uint32_t n) {
  const uint32_t base = s->last_code;
  for (uint32_t k = 0; k < n; ++k) lzw_enc_addstr(s, base + n + k, static_cast<uint8_t>(" eaorst"[k % 7]));
}
Step reset() { return {Step::Reset, {}, 0, 0, 0}; }
Step use_other() { return {Step::UseOther, {}, 0, 0, 0}; }

// Runs the steps on g_lzw, started by start_stream() and `setup`, then on
// a copy of that start through the reference alone; compares records and
// streams.
template <class Setup>
void expect_scenario_matches(const std::vector<Step>& steps, Setup setup) {
  static lzw_enc_state ref, other, saved;
  start_stream();
  setup(&g_lzw);
  std::memcpy(&ref, &g_lzw, sizeof ref);
  for (const Step& st : steps) {
    switch (st.kind) {
      case Step::Encode:
        for (size_t at = 0; at < st.data.size(); at += st.piece)
          lzw_encode(&g_lzw, st.data.data() + at,
                     static_cast<uint32_t>(std::min(st.piece, st.data.size() - at)));
        break;
      case Step::Stepwise: reference_encode(&g_lzw, st.data); break;
      case Step::Add: lzw_enc_addstr(&g_lzw, st.code, st.byte); break;
      case Step::AddAhead: add_ahead_strings(&g_lzw, st.code); break;
      case Step::Snapshot: std::memcpy(&saved, &g_lzw, sizeof saved); break;
      case Step::Restore: std::memcpy(&g_lzw, &saved, sizeof saved); break;
      case Step::Reset: lzw_enc_reset(&g_lzw); break;
      case Step::UseOther: {
        // Little enough that no block is handed over to the shared sink.
        const Bytes noise = random_bytes(100, 5);
        const size_t handed = g_sink.calls.size();
        lzw_enc_init(&other);
        lzw_encode(&other, noise.data(), static_cast<uint32_t>(noise.size()));
        ASSERT_EQ(g_sink.calls.size(), handed);
        break;
      }
    }
  }
  const Bytes fast_bytes = g_sink.bytes;
  g_sink.bytes.clear();
  g_sink.calls.clear();
  for (const Step& st : steps) {
    if (st.kind == Step::Encode || st.kind == Step::Stepwise) reference_encode(&ref, st.data);
    if (st.kind == Step::Add) lzw_enc_addstr(&ref, st.code, st.byte);
    if (st.kind == Step::AddAhead) add_ahead_strings(&ref, st.code);
    if (st.kind == Step::Snapshot) std::memcpy(&saved, &ref, sizeof saved);
    if (st.kind == Step::Restore) std::memcpy(&ref, &saved, sizeof saved);
    if (st.kind == Step::Reset) lzw_enc_reset(&ref);
  }
  EXPECT_TRUE(fast_bytes == g_sink.bytes) << "streams differ";
  expect_same_records(g_lzw, ref);
}

Bytes mixed_input() {
  // Text, code, noise, and runs of one byte (the string just added is
  // at once the next look-up).
  Bytes data = text_bytes(100000, 21);
  const Bytes bin = powerpc_binary(100000);
  const Bytes noise = random_bytes(100000, 22);
  data.insert(data.end(), bin.begin(), bin.end());
  data.insert(data.end(), noise.begin(), noise.end());
  for (size_t run = 1; run < 300; run += 7) data.insert(data.end(), run, static_cast<uint8_t>(run));
  return data;
}

TEST(LzwEncoder, FastLoopMatchesInternalOperations) {
  expect_scenario_matches({encode_step(mixed_input())}, [](lzw_enc_state*) {});
}

// Fills the dictionary through lzw_enc_addstr() up to `last` with strings
// whose prefix (above LZW_NULL_CODE) no input can reach, spread over the
// buckets, and sets the width that goes with it.
void fill_unreachable(lzw_enc_state* s, uint32_t last) {
  for (uint32_t i = 0; s->last_code < last; ++i)
    ASSERT_NE(lzw_enc_addstr(s, 0x200000u | (i & 0xFFFFF), static_cast<uint8_t>(i * 7)), LZW_NULL_CODE);
  s->code_bits = 20;
}

TEST(LzwEncoder, FastLoopMatchesInternalOperationsAcrossRestart) {
  // The next ~100 strings fill the dictionary: it restarts mid-piece.
  const Bytes data = text_bytes(20000, 23);
  expect_scenario_matches({encode_step(data, 1000)},
                          [](lzw_enc_state* s) { fill_unreachable(s, LZW_DICT_SIZE - 100); });
  // The same with a state changed behind the functions: the codes below
  // are taken without being added.
  expect_scenario_matches({encode_step(data, 1000)}, [](lzw_enc_state* s) {
    s->last_code = LZW_DICT_SIZE - 100;
    s->code_bits = 20;
  });
}

TEST(LzwEncoder, FastLoopFollowsExportedOperationsInBetween) {
  const Bytes text = text_bytes(30000, 31);
  const Bytes noise = random_bytes(20000, 32);
  const Bytes more = text_bytes(30000, 33);
  const Bytes other_text = text_bytes(30000, 34);
  struct Case {
    const char* name;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"step by step in between", {encode_step(text), stepwise(noise), encode_step(more)}},
      // Strings added by hand, found before older codes of the same
      // string: "lo" (of "loader"), a second single 'h', an extension of
      // code 300, and one on a prefix no input reaches.
      {"strings added in between",
       {encode_step(text, 300), add('l', 'o'), add(LZW_NULL_CODE, 'h'), add(300, 'a'),
        add(0x123456, 'z'), encode_step(more, 999)}},
      {"added on prefixes not defined yet", {encode_step(text), add_ahead(300), encode_step(more)}},
      {"record restored to an earlier copy",
       {encode_step(text), snapshot(), encode_step(more), restore(), encode_step(other_text)}},
      {"reset in between", {encode_step(text), reset(), encode_step(more)}},
      {"another state used in between",
       {encode_step(text), use_other(), encode_step(more), reset(), encode_step(noise)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    expect_scenario_matches(c.steps, [](lzw_enc_state*) {});
  }
}

// One long incompressible run: assigns every code up to 0xFFFFF, so the
// dictionary restarts. The code widths are read off the stream's growth.
TEST(LzwEncoder, FullDictionaryRestartsWithEightBitCode) {
  const Bytes data = random_bytes(3u << 20, 1234);
  start_stream();
  size_t at = 0;
  // Bulk-feed until the dictionary is nearly full (at most one code per byte).
  while (g_lzw.last_code < LZW_DICT_SIZE - 1 - 4096 && at + 4096 <= data.size()) {
    lzw_encode(&g_lzw, data.data() + at, 4096);
    at += 4096;
  }
  ASSERT_EQ(g_lzw.code_bits, 20u);

  // Then one byte at a time, noting the width of every code written.
  std::vector<uint32_t> widths;
  size_t restart_at = 0;  // index in widths of the code written when full
  uint32_t full_code = 0;
  while (at < data.size() && (restart_at == 0 || widths.size() < restart_at + 4)) {
    const uint32_t last = g_lzw.last_code, prefix = g_lzw.prefix_code;
    const uint64_t bits = bits_written(g_lzw);
    lzw_encode(&g_lzw, &data[at++], 1);
    const uint64_t grown = bits_written(g_lzw) - bits;
    if (grown == 0) continue;
    widths.push_back(static_cast<uint32_t>(grown));
    // The code written is the string matched before this byte.
    ASSERT_EQ(stream_bits(g_lzw, bits, widths.back()), prefix);
    if (last == LZW_DICT_SIZE - 1) {
      ASSERT_EQ(restart_at, 0u) << "dictionary filled twice";
      restart_at = widths.size() - 1;
      full_code = prefix;
      EXPECT_EQ(g_lzw.last_code, 255u);
    }
  }
  ASSERT_NE(restart_at, 0u) << "input too short to fill the dictionary";
  ASSERT_EQ(widths.size(), restart_at + 4);
  EXPECT_EQ(widths[restart_at - 1], 20u);
  EXPECT_EQ(widths[restart_at], 20u) << "code " << full_code;
  EXPECT_EQ(widths[restart_at + 1], 8u);
  EXPECT_EQ(widths[restart_at + 2], 9u);
  EXPECT_EQ(widths[restart_at + 3], 9u);

  // Some more, then the loader's decoder must rebuild the same dictionaries.
  const size_t more = std::min<size_t>(data.size() - at, 64 << 10);
  lzw_encode(&g_lzw, data.data() + at, static_cast<uint32_t>(more));
  lzw_enc_end(&g_lzw);
  expect_full_blocks_then_tail();
  Bytes out;
  std::string err;
  ASSERT_TRUE(lzw_decode(g_sink.bytes.data(), g_sink.bytes.size(), out, err)) << err;
  EXPECT_TRUE(out == Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(at + more)));
}

}  // namespace
