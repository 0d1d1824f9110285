// XMODEM-1K sender: handshake, blocks, EOT exchange. See xmodem.h.
#include "xmodem.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

uint32_t blk_num = 0;
uint8_t crc_flag = 0;
int32_t crctab_inited = 0;
uint16_t* crctab = nullptr;

namespace {

constexpr uint32_t kBlockSize = 1024;
constexpr uint32_t kShortBlockSize = 128;
constexpr int kHandshakeReads = 10000;
constexpr int kPacketAttempts = 4;
constexpr int kEotAttempts = 101;

}  // namespace

void xmodem_crc_init(void) {
  if (crctab_inited) return;
  crctab = static_cast<uint16_t*>(std::malloc(256 * sizeof(uint16_t)));
  if (crctab == nullptr) {
    std::printf("Cant malloc memory for the CRC table ! \n");
    std::fflush(stdout);
    std::exit(1);
  }
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i << 8;
    for (int bit = 0; bit < 8; ++bit) {
      c = (c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1;
    }
    crctab[i] = static_cast<uint16_t>(c);
  }
  crctab_inited = 1;
}

uint16_t xmodem_do_crc(const uint8_t* data, uint32_t length) {
  xmodem_crc_init();
  uint16_t c = 0;
  for (uint32_t i = 0; i < length; ++i) {
    c = static_cast<uint16_t>((c << 8) ^ crctab[((c >> 8) ^ data[i]) & 0xFF]);
  }
  return c;
}

int32_t xmodem_read_chars(uint8_t* buffer, uint32_t count) {
  int32_t got = serial_read(port_handle, buffer, count);
  if (got < 0) {
    std::printf("Error reading from serial port !\n");
    std::fflush(stdout);
  }
  return got;
}

int32_t xmodem_write_chars(const uint8_t* buffer, uint32_t count) {
  int32_t put = serial_write(port_handle, buffer, count);
  if (put < 0) {
    std::printf("Writing to serial communication has problem. \n");
    std::fflush(stdout);
  }
  return put;
}

int xmodem_init(void) {
  blk_num = 1;
  xmodem_crc_init();
  std::printf("Waiting for gamecube to send a 'C' or 'NACK' \n");
  std::fflush(stdout);
  for (int i = 0; i < kHandshakeReads; ++i) {
    uint8_t c = 0;
    if (xmodem_read_chars(&c, 1) != 1) continue;  // time-out or failure: a miss
    if (c == XMODEM_NAK || c == XMODEM_CRC_REQUEST) {
      if (c == XMODEM_CRC_REQUEST) crc_flag = 1;
      std::printf("Got character %c ", c);
      std::fflush(stdout);
      return 0;
    }
  }
  std::printf("\n xmodem_init: Excessive wait time (Check GC is powered) \n");
  std::fflush(stdout);
  return 1;
}

int xmodem_send_packet(uint8_t* packet, uint32_t data_length, int verbose) {
  packet[1] = static_cast<uint8_t>(blk_num);
  packet[2] = static_cast<uint8_t>(~blk_num);
  ++blk_num;

  uint32_t block_size;
  if (data_length <= kShortBlockSize) {
    packet[0] = XMODEM_SOH;
    block_size = kShortBlockSize;
  } else if (data_length <= kBlockSize) {
    packet[0] = XMODEM_STX;
    block_size = kBlockSize;
  } else {
    std::printf("xmodem_send_packet:  packets size to large. \n");
    std::fflush(stdout);
    std::exit(1);
  }
  std::memset(packet + 3 + data_length, XMODEM_FILL, block_size - data_length);

  uint32_t packet_size = 3 + block_size;
  if (crc_flag) {
    uint16_t crc = xmodem_do_crc(packet + 3, block_size);
    packet[packet_size++] = static_cast<uint8_t>(crc >> 8);
    packet[packet_size++] = static_cast<uint8_t>(crc);
  } else {
    uint8_t sum = 0;
    for (uint32_t i = 0; i < block_size; ++i) sum = static_cast<uint8_t>(sum + packet[3 + i]);
    packet[packet_size++] = sum;
  }

  // A read that brings nothing leaves the reply as it was: a silent first
  // attempt counts as the character 0, a silence after a NAK as another NAK.
  uint8_t reply = 0;
  for (int attempt = 0; attempt < kPacketAttempts; ++attempt) {
    xmodem_write_chars(packet, packet_size);
    xmodem_read_chars(&reply, 1);
    if (reply == XMODEM_ACK) return 0;
    if (reply == XMODEM_NAK) {
      if (verbose) std::printf("-");
    } else if (reply == XMODEM_CAN) {
      std::printf("Transfer aborted by receiver. \n");
      std::fflush(stdout);
      return 1;
    } else {
      std::printf("xmodem_send_packet: Got unexpected character %c \n", reply);
      std::fflush(stdout);
    }
  }
  const uint8_t eot = XMODEM_EOT;
  xmodem_write_chars(&eot, 1);
  std::printf("\n xmodem_send_packet:  Excessive retries. \n");
  std::fflush(stdout);
  return 1;
}

int xmodem_finish(void) {
  const uint8_t eot = XMODEM_EOT;
  for (int attempt = 0; attempt < kEotAttempts; ++attempt) {
    uint8_t reply = 0;
    xmodem_write_chars(&eot, 1);
    xmodem_read_chars(&reply, 1);
    if (reply == XMODEM_ACK) {
      std::printf(" Done! \n");
      std::fflush(stdout);
      return 0;
    }
    if (reply == XMODEM_CAN) {
      std::printf("Transfer aborted by receiver. \n");
      std::fflush(stdout);
      return 1;
    }
  }
  std::printf("\n xmodem_finish: Error excessive retries. \n");
  std::fflush(stdout);
  return 1;
}

int xmodem_transfer(const uint8_t* buffer, uint32_t length) {
  if (xmodem_init() != 0) return 1;

  uint32_t full_blocks = length / kBlockSize;
  uint32_t remainder = length % kBlockSize;
  std::printf("packets to send %d \n", static_cast<int>(full_blocks + (remainder != 0 ? 1 : 0)));

  static uint8_t packet[XMODEM_PACKET_SIZE];
  for (uint32_t i = 0; i < full_blocks; ++i) {
    std::memset(packet, 0, sizeof packet);
    std::memcpy(packet + 3, buffer + static_cast<size_t>(i) * kBlockSize, kBlockSize);
    std::printf("\rsending packet %4d ", static_cast<int>(i));
    if (xmodem_send_packet(packet, kBlockSize, 1) != 0) return 1;
  }
  if (remainder != 0) {
    std::memset(packet, 0, sizeof packet);
    std::memcpy(packet + 3, buffer + static_cast<size_t>(full_blocks) * kBlockSize, remainder);
    std::printf("\rsending packet %4d", static_cast<int>(full_blocks + 1));
    if (xmodem_send_packet(packet, kBlockSize, 1) != 0) return 1;
  }
  return xmodem_finish();
}
