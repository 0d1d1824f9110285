// The XMODEM sender against a scripted fake port: packet bytes in both
// modes, retries, aborts, the silent receiver, the EOT exchange, block
// number wrap-around and the exact console texts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fake-serial.h"
#include "xmodem.h"

serial_port* port_handle = nullptr;  // the sender's port; the fake ignores it

namespace {

constexpr int kAck = XMODEM_ACK, kNak = XMODEM_NAK, kCan = XMODEM_CAN;

// Bit-at-a-time CRC-16/XMODEM, independent of the sender's table.
uint16_t reference_crc(const uint8_t* p, size_t n) {
  uint16_t crc = 0;
  for (size_t i = 0; i < n; ++i) {
    crc = static_cast<uint16_t>(crc ^ (p[i] << 8));
    for (int b = 0; b < 8; ++b) {
      crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
  }
  return crc;
}

std::vector<uint8_t> pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + (i >> 8) + 1);
  return v;
}

struct Outcome {
  int result;
  std::string out;
};

class XmodemTest : public ::testing::Test {
 protected:
  void SetUp() override { crc_flag = 0; }

  Outcome transfer(const std::vector<uint8_t>& data, std::vector<int> script, bool write_fails = false) {
    fake_serial::reset(std::move(script), write_fails);
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    int r = xmodem_transfer(data.data(), static_cast<uint32_t>(data.size()));
    std::fflush(stdout);
    return Outcome{r, testing::internal::GetCapturedStdout()};
  }

  // The written bytes cut into packets of packet_size, then what is left.
  static std::vector<std::vector<uint8_t>> packets(size_t packet_size, std::vector<uint8_t>* rest) {
    const auto& w = fake_serial::written();
    std::vector<std::vector<uint8_t>> out;
    size_t i = 0;
    while (w.size() - i >= packet_size && (w[i] == XMODEM_STX || w[i] == XMODEM_SOH)) {
      out.emplace_back(w.begin() + static_cast<long>(i), w.begin() + static_cast<long>(i + packet_size));
      i += packet_size;
    }
    rest->assign(w.begin() + static_cast<long>(i), w.end());
    return out;
  }
};

const std::string kWaiting = "Waiting for gamecube to send a 'C' or 'NACK' \n";

TEST(XmodemCrc, MatchesPublishedCheckValue) {
  const char* digits = "123456789";
  EXPECT_EQ(xmodem_do_crc(reinterpret_cast<const uint8_t*>(digits), 9), 0x31C3);
  EXPECT_EQ(xmodem_do_crc(nullptr, 0), 0);
  std::vector<uint8_t> block = pattern(1024);
  EXPECT_EQ(xmodem_do_crc(block.data(), 1024), reference_crc(block.data(), 1024));
}

TEST_F(XmodemTest, CrcModePacketIs1029BytesWithZeroFilledTail) {
  std::vector<uint8_t> data = pattern(25);
  Outcome r = transfer(data, {'C', kAck, kAck});
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.out, kWaiting + "Got character C packets to send 1 \n\rsending packet    1 Done! \n");

  std::vector<uint8_t> rest;
  auto pk = packets(1029, &rest);
  ASSERT_EQ(pk.size(), 1u);
  const auto& p = pk[0];
  EXPECT_EQ(p[0], XMODEM_STX);
  EXPECT_EQ(p[1], 1);
  EXPECT_EQ(p[2], 0xFE);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), p.begin() + 3));
  for (size_t i = 3 + 25; i < 3 + 1024; ++i) ASSERT_EQ(p[i], 0) << "at " << i;
  uint16_t crc = reference_crc(p.data() + 3, 1024);
  EXPECT_EQ(p[1027], crc >> 8);
  EXPECT_EQ(p[1028], crc & 0xFF);
  EXPECT_EQ(rest, std::vector<uint8_t>{XMODEM_EOT});
}

TEST_F(XmodemTest, NakAtStartSendsChecksumPacketsOf1028Bytes) {
  std::vector<uint8_t> data = pattern(1500);
  Outcome r = transfer(data, {kNak, kAck, kAck, kAck});
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.out, kWaiting + "Got character \x15 packets to send 2 \n"
                              "\rsending packet    0 \rsending packet    2 Done! \n");
  std::vector<uint8_t> rest;
  auto pk = packets(1028, &rest);
  ASSERT_EQ(pk.size(), 2u);
  for (size_t n = 0; n < 2; ++n) {
    uint8_t sum = 0;
    for (size_t i = 3; i < 1027; ++i) sum = static_cast<uint8_t>(sum + pk[n][i]);
    EXPECT_EQ(pk[n][1027], sum) << "packet " << n;
    EXPECT_EQ(pk[n][1], n + 1);
  }
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + 1024, pk[0].begin() + 3));
  EXPECT_TRUE(std::equal(data.begin() + 1024, data.end(), pk[1].begin() + 3));
  EXPECT_EQ(rest, std::vector<uint8_t>{XMODEM_EOT});
}

TEST_F(XmodemTest, NakResendsSameBlock) {
  Outcome r = transfer(pattern(2048), {'C', kNak, kNak, kNak, kAck, kAck, kAck});
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.out, kWaiting + "Got character C packets to send 2 \n"
                              "\rsending packet    0 ---\rsending packet    1  Done! \n");
  std::vector<uint8_t> rest;
  auto pk = packets(1029, &rest);
  ASSERT_EQ(pk.size(), 5u);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(pk[i], pk[0]) << "attempt " << i;
  EXPECT_EQ(pk[4][1], 2);
  EXPECT_EQ(rest, std::vector<uint8_t>{XMODEM_EOT});
}

TEST_F(XmodemTest, FourFailedAttemptsSendOneEotAndStop) {
  Outcome r = transfer(pattern(3000), {'C', kNak, 'Z', kNak, kNak});
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.out, kWaiting + "Got character C packets to send 3 \n\rsending packet    0 -"
                              "xmodem_send_packet: Got unexpected character Z \n--"
                              "\n xmodem_send_packet:  Excessive retries. \n");
  std::vector<uint8_t> rest;
  auto pk = packets(1029, &rest);
  EXPECT_EQ(pk.size(), 4u);
  EXPECT_EQ(rest, std::vector<uint8_t>{XMODEM_EOT});
}

TEST_F(XmodemTest, SilenceCountsAsTheLastReply) {
  // Silence on the first attempt is the character 0; after a NAK, a NAK.
  Outcome r = transfer(pattern(10), {'C', fake_serial::kSilence, kNak, fake_serial::kSilence,
                                 fake_serial::kSilence});
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.out, kWaiting + "Got character C packets to send 1 \n\rsending packet    1"
                              "xmodem_send_packet: Got unexpected character " + std::string(1, '\0') +
                              " \n---\n xmodem_send_packet:  Excessive retries. \n");
}

TEST_F(XmodemTest, CanAbortsTransfer) {
  Outcome r = transfer(pattern(4096), {'C', kAck, kCan});
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.out, kWaiting + "Got character C packets to send 4 \n"
                              "\rsending packet    0 \rsending packet    1 Transfer aborted by receiver. \n");
  std::vector<uint8_t> rest;
  EXPECT_EQ(packets(1029, &rest).size(), 2u);
  EXPECT_TRUE(rest.empty()) << "no EOT after an abort";
}

TEST_F(XmodemTest, CanAtEotAbortsTransfer) {
  Outcome r = transfer(pattern(5), {'C', kAck, kNak, kCan});
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.out, kWaiting + "Got character C packets to send 1 \n"
                              "\rsending packet    1Transfer aborted by receiver. \n");
  std::vector<uint8_t> rest;
  packets(1029, &rest);
  EXPECT_EQ(rest, (std::vector<uint8_t>{XMODEM_EOT, XMODEM_EOT}));
}

TEST_F(XmodemTest, SilentReceiverGivesUpAfter10000Reads) {
  Outcome r = transfer(pattern(5), {});
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(fake_serial::reads(), 10000u);
  EXPECT_TRUE(fake_serial::written().empty());
  EXPECT_EQ(r.out, kWaiting + "\n xmodem_init: Excessive wait time (Check GC is powered) \n");
}

TEST_F(XmodemTest, HandshakeSkipsNoiseUntilRequest) {
  Outcome r = transfer(pattern(5), {'x', 0, kAck, fake_serial::kSilence, 'C', kAck, kAck});
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(fake_serial::written()[0], XMODEM_STX);
}

TEST_F(XmodemTest, EotRepeatsUntilAck) {
  std::vector<int> script{'C', kAck};
  for (int i = 0; i < 50; ++i) script.push_back(i % 2 ? kNak : fake_serial::kSilence);
  script.push_back(kAck);
  Outcome r = transfer(pattern(5), script);
  EXPECT_EQ(r.result, 0);
  std::vector<uint8_t> rest;
  packets(1029, &rest);
  EXPECT_EQ(rest, std::vector<uint8_t>(51, XMODEM_EOT));
  EXPECT_EQ(r.out, kWaiting + "Got character C packets to send 1 \n\rsending packet    1 Done! \n");
}

TEST_F(XmodemTest, EotGivesUpAfter101Attempts) {
  Outcome r = transfer(pattern(5), {'C', kAck});
  EXPECT_EQ(r.result, 1);
  std::vector<uint8_t> rest;
  packets(1029, &rest);
  EXPECT_EQ(rest, std::vector<uint8_t>(101, XMODEM_EOT));
  EXPECT_EQ(r.out, kWaiting + "Got character C packets to send 1 \n\rsending packet    1"
                              "\n xmodem_finish: Error excessive retries. \n");
}

TEST_F(XmodemTest, BlockNumberWrapsPast255) {
  const size_t blocks = 300;
  std::vector<int> script{'C'};
  script.insert(script.end(), blocks + 1, kAck);
  Outcome r = transfer(pattern(blocks * 1024), script);
  ASSERT_EQ(r.result, 0);
  std::vector<uint8_t> rest;
  auto pk = packets(1029, &rest);
  ASSERT_EQ(pk.size(), blocks);
  for (size_t i = 0; i < blocks; ++i) {
    uint8_t num = static_cast<uint8_t>((i + 1) & 0xFF);
    ASSERT_EQ(pk[i][1], num) << "packet " << i;
    ASSERT_EQ(pk[i][2], static_cast<uint8_t>(~num)) << "packet " << i;
  }
  EXPECT_EQ(pk[254][1], 255);
  EXPECT_EQ(pk[255][1], 0);
  EXPECT_EQ(pk[255][2], 255);
  EXPECT_EQ(pk[256][1], 1);
}

struct LengthCase {
  size_t length;
  const char* progress;  // what follows "packets to send"
};

class XmodemLengthTest : public XmodemTest, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(XmodemLengthTest, ShowsPacketsAndSendsEveryByte) {
  const LengthCase& c = GetParam();
  std::vector<uint8_t> data = pattern(c.length);
  std::vector<int> script{'C'};
  script.insert(script.end(), 10, kAck);
  Outcome r = transfer(data, script);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.out, kWaiting + "Got character C packets to send " + c.progress + " Done! \n");
  std::vector<uint8_t> rest, sent;
  for (const auto& p : packets(1029, &rest)) sent.insert(sent.end(), p.begin() + 3, p.begin() + 1027);
  ASSERT_EQ(sent.size() % 1024, 0u);
  ASSERT_GE(sent.size(), data.size());
  EXPECT_LT(sent.size() - data.size(), 1024u);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), sent.begin()));
  for (size_t i = data.size(); i < sent.size(); ++i) ASSERT_EQ(sent[i], 0);
  EXPECT_EQ(rest, std::vector<uint8_t>{XMODEM_EOT});
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, XmodemLengthTest,
    ::testing::Values(LengthCase{25, "1 \n\rsending packet    1"},
                      LengthCase{1024, "1 \n\rsending packet    0 "},
                      LengthCase{2048, "2 \n\rsending packet    0 \rsending packet    1 "},
                      LengthCase{2049, "3 \n\rsending packet    0 \rsending packet    1 \rsending packet    3"}));

TEST_F(XmodemTest, ShortBlockUsesSohAndFillBytes) {
  fake_serial::reset({kAck});
  crc_flag = 1;
  blk_num = 7;
  uint8_t packet[XMODEM_PACKET_SIZE + 1];
  std::memset(packet, 0xAB, sizeof packet);
  for (int i = 0; i < 100; ++i) packet[3 + i] = static_cast<uint8_t>(i);
  EXPECT_EQ(xmodem_send_packet(packet, 100, 0), 0);
  EXPECT_EQ(blk_num, 8u);
  const auto& w = fake_serial::written();
  ASSERT_EQ(w.size(), 3u + 128 + 2);
  EXPECT_EQ(w[0], XMODEM_SOH);
  EXPECT_EQ(w[1], 7);
  EXPECT_EQ(w[2], 0xF8);
  for (int i = 100; i < 128; ++i) ASSERT_EQ(w[3 + i], XMODEM_FILL);
  uint16_t crc = reference_crc(w.data() + 3, 128);
  EXPECT_EQ(w[131], crc >> 8);
  EXPECT_EQ(w[132], crc & 0xFF);
  EXPECT_EQ(packet[133], 0xAB) << "wrote past the packet";
}

TEST_F(XmodemTest, OversizedBlockStopsTheProcess) {
  uint8_t packet[XMODEM_PACKET_SIZE] = {};
  EXPECT_EXIT(
      {
        fake_serial::reset({kAck});
        xmodem_send_packet(packet, 1025, 1);
      },
      ::testing::ExitedWithCode(1), "");
}

TEST_F(XmodemTest, FailedPortCallsAreReportedAndJudgedByReply) {
  Outcome r = transfer(pattern(5), {fake_serial::kReadFail, 'C', kAck, kAck}, /*write_fails=*/true);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.out, kWaiting + "Error reading from serial port !\n"
                              "Got character C packets to send 1 \n\rsending packet    1"
                              "Writing to serial communication has problem. \n"
                              "Writing to serial communication has problem. \n Done! \n");
}

}  // namespace
