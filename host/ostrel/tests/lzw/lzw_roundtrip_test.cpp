// Streams of the encoder through the loader's decoder, which is written
// apart from it: random, zero-filled, text and real PowerPC binaries come
// back unchanged; malformed streams are refused with one line of text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "lzw-dec.h"
#include "lzw_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Encodes in 256-byte pieces, as the upload driver feeds the encoder,
// decodes and compares. Returns the stream.
Bytes round_trip(const Bytes& data) {
  const Bytes stream = encode_pieces(data, 256);
  Bytes out{0xEE};  // the decoder must replace, not append
  std::string err;
  EXPECT_TRUE(lzw_decode(stream.data(), stream.size(), out, err, data.size())) << err;
  EXPECT_EQ(out.size(), data.size());
  EXPECT_TRUE(out == data) << "decoded bytes differ";
  return stream;
}

uint32_t test_seed() {
  const char* env = std::getenv("LZW_TEST_SEED");
  const uint32_t seed = env ? static_cast<uint32_t>(std::strtoul(env, nullptr, 0))
                            : std::random_device{}();
  std::printf("random inputs: LZW_TEST_SEED=%u\n", seed);
  return seed;
}

TEST(LzwRoundTrip, RandomInputs) {
  const uint32_t seed = test_seed();
  for (size_t n : {1u, 2u, 3u, 255u, 256u, 257u, 4099u, 1u << 20}) {
    SCOPED_TRACE("size " + std::to_string(n) + ", seed " + std::to_string(seed));
    round_trip(random_bytes(n, seed + static_cast<uint32_t>(n)));
  }
}

TEST(LzwRoundTrip, ZeroFilled) {
  // Runs of one byte lean on the code that is read while it is being
  // defined; a run's codes grow by one byte each, so the stream is tiny.
  for (size_t n : {2u, 3u, 4u, 5u, 100u, 1u << 20}) {
    SCOPED_TRACE("size " + std::to_string(n));
    const Bytes stream = round_trip(Bytes(n, 0));
    if (n > 1000) {
      EXPECT_LT(stream.size(), n / 100);
    }
  }
}

TEST(LzwRoundTrip, Text) {
  const Bytes text = text_bytes(1u << 20, 99);
  const Bytes stream = round_trip(text);
  EXPECT_LT(stream.size(), text.size() / 2);
}

TEST(LzwRoundTrip, PowerPcBinaries) {
  const Bytes bin = powerpc_binary(2u << 20);
  if (bin.empty())
    GTEST_SKIP() << "no PowerPC binaries under /usr/powerpc-linux-gnu/lib (package "
                    "libc6-powerpc-cross): nothing real to round-trip";
  const Bytes stream = round_trip(bin);
  EXPECT_LT(stream.size(), bin.size());
}

// Hand-made streams; codes are listed as value/width.
struct Malformed {
  const char* what;
  Bytes stream;
  size_t max_out;
  const char* err_part;
};

TEST(LzwDecoder, RefusesMalformedStreams) {
  const Malformed cases[] = {
      // 65/8, then 257/9 while only 256 is being defined.
      {"code not yet defined", {0x41, 0x80, 0x80}, SIZE_MAX, "not defined"},
      // 65/8, then 8 bits where a 9-bit code should be.
      {"stream cut inside a code", {0x41, 0x21}, SIZE_MAX, "ends inside a code"},
      // 65/8, 66/9, then padding 0000001.
      {"padding not zero", {0x41, 0x21, 0x01}, SIZE_MAX, "padding"},
      // 65/8, 256/9, 65/9 is "AAAA".
      {"output beyond max_out", {0x41, 0x80, 0x10, 0x40}, 3, "limit of 3 bytes"},
      {"no output allowed", {0x41}, 0, "limit of 0 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes out;
    std::string err;
    EXPECT_FALSE(lzw_decode(c.stream.data(), c.stream.size(), out, err, c.max_out));
    EXPECT_NE(err.find(c.err_part), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), std::string::npos) << "one line only";
  }
}

TEST(LzwDecoder, AcceptsWellFormedEdgeStreams) {
  struct Good {
    const char* what;
    Bytes stream;
    size_t max_out;
    const char* expect;
  };
  const Good cases[] = {
      {"empty stream", {}, SIZE_MAX, ""},
      {"code read while being defined", {0x41, 0x80, 0x00}, SIZE_MAX, "AAA"},  // 65/8, 256/9
      {"output exactly max_out", {0x41, 0x80, 0x10, 0x40}, 4, "AAAA"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes out;
    std::string err;
    EXPECT_TRUE(lzw_decode(c.stream.data(), c.stream.size(), out, err, c.max_out)) << err;
    EXPECT_EQ(std::string(out.begin(), out.end()), c.expect);
  }
}

TEST(LzwDecoder, CutStreamsDecodeToAPrefixOrFail) {
  // A stream cut anywhere either decodes to a prefix of the input (the cut
  // fell on a code boundary with zero bits after it) or is refused.
  Bytes data = text_bytes(3000, 4);
  const Bytes noise = random_bytes(1000, 5);
  data.insert(data.end(), noise.begin(), noise.end());
  const Bytes stream = encode_all(data);
  size_t accepted = 0;
  for (size_t n = 0; n < stream.size(); ++n) {
    Bytes out;
    std::string err;
    if (lzw_decode(stream.data(), n, out, err)) {
      ++accepted;
      ASSERT_LE(out.size(), data.size()) << "cut at " << n;
      ASSERT_TRUE(std::equal(out.begin(), out.end(), data.begin())) << "cut at " << n;
    } else {
      ASSERT_FALSE(err.empty()) << "cut at " << n;
    }
  }
  EXPECT_GT(accepted, 0u);
  EXPECT_LT(accepted, stream.size());
}

TEST(LzwDecoder, FlippedBitsNeverOverrun) {
  // Corrupt streams must end in a clean refusal or some output within the
  // limit; the sanitizer build checks that no byte outside is touched.
  const Bytes data = text_bytes(2000, 6);
  const Bytes stream = encode_all(data);
  std::mt19937 rng(77);
  for (int i = 0; i < 500; ++i) {
    Bytes bad = stream;
    bad[rng() % bad.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
    Bytes out;
    std::string err;
    if (!lzw_decode(bad.data(), bad.size(), out, err, 4 * data.size())) {
      ASSERT_FALSE(err.empty());
    } else {
      ASSERT_LE(out.size(), 4 * data.size());
    }
  }
}

}  // namespace
