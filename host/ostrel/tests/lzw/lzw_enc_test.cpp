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

// Runs data through the reference and through lzw_encode(), both started
// from the state `setup` leaves, and compares states and streams.
template <class Setup>
void expect_fast_path_matches(const Bytes& data, size_t piece, Setup setup) {
  static lzw_enc_state ref;
  start_stream();
  setup(&g_lzw);
  std::memcpy(&ref, &g_lzw, sizeof ref);
  reference_encode(&ref, data);
  const Bytes ref_bytes = g_sink.bytes;
  g_sink.bytes.clear();
  g_sink.calls.clear();
  for (size_t at = 0; at < data.size(); at += piece)
    lzw_encode(&g_lzw, data.data() + at, static_cast<uint32_t>(std::min(piece, data.size() - at)));
  expect_same_scalars(g_lzw, ref);
  EXPECT_EQ(g_sink.bytes, ref_bytes);
  EXPECT_EQ(std::memcmp(g_lzw.out_buf, ref.out_buf, g_lzw.out_count), 0);
}

TEST(LzwEncoder, FastLoopMatchesInternalOperations) {
  // Text, code, noise, and runs of one byte (the string just added is
  // at once the next look-up).
  Bytes data = text_bytes(100000, 21);
  const Bytes bin = powerpc_binary(100000);
  const Bytes noise = random_bytes(100000, 22);
  data.insert(data.end(), bin.begin(), bin.end());
  data.insert(data.end(), noise.begin(), noise.end());
  for (size_t run = 1; run < 300; run += 7) data.insert(data.end(), run, static_cast<uint8_t>(run));
  expect_fast_path_matches(data, 256, [](lzw_enc_state*) {});
}

TEST(LzwEncoder, FastLoopMatchesInternalOperationsAcrossRestart) {
  // Start close to a full dictionary: the codes below are taken but
  // unreachable, so the next ~100 strings fill it and it restarts mid-piece.
  const Bytes data = text_bytes(20000, 23);
  expect_fast_path_matches(data, 1000, [](lzw_enc_state* s) {
    s->last_code = LZW_DICT_SIZE - 100;
    s->code_bits = 20;
  });
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
