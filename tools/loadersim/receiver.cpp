// XMODEM receiver of the simulated loader. See receiver.h.
#include "receiver.h"

#include <cstring>

namespace {

constexpr uint8_t kSoh = 0x01, kStx = 0x02, kEot = 0x04, kAck = 0x06, kNak = 0x15,
                  kCan = 0x18;
constexpr int kByteTimeoutMs = 1000;  // between the bytes of one packet
constexpr int kPurgeQuietMs = 100;    // silence that ends a purge
constexpr int kDrainMs = 2000;        // for the sender to read the last reply

// Buffered byte reader over the line, counting what arrives.
class Reader {
 public:
  Reader(Line& line, rx_result& result) : line_(line), result_(result) {}

  // A byte 0..255, kTimeout or kFailed.
  static constexpr int kTimeout = -1, kFailed = -2;
  // With stop_on_open, a sender opening the port ends the wait early.
  int get(int timeout_ms, bool stop_on_open = false) {
    if (pos_ < len_) return buf_[pos_++];
    int64_t deadline = line_now_ms() + timeout_ms;
    for (;;) {
      int64_t left = deadline - line_now_ms();
      if (left < 0) left = 0;
      int n = line_.read(buf_, sizeof buf_, static_cast<int>(left), &opened_);
      if (n < 0) return kFailed;
      if (n > 0) {
        result_.bytes_in += static_cast<uint64_t>(n);
        pos_ = 0;
        len_ = static_cast<size_t>(n);
        return buf_[pos_++];
      }
      if ((stop_on_open && opened_) || left == 0) return kTimeout;
    }
  }
  // Discards input until the line has been quiet for quiet_ms.
  void purge(int quiet_ms) {
    pos_ = len_ = 0;
    while (get(quiet_ms) >= 0) pos_ = len_;
  }
  // True once since the other side opened the port.
  bool take_opened() {
    bool o = opened_;
    opened_ = false;
    return o;
  }

 private:
  Line& line_;
  rx_result& result_;
  uint8_t buf_[4096];
  size_t pos_ = 0, len_ = 0;
  bool opened_ = false;
};

class Receiver {
 public:
  Receiver(Line& line, const rx_options& options)
      : line_(line), opt_(options), in_(line, result_) {}

  rx_result run() {
    int first = handshake();
    if (first >= 0) transfer(first);
    if (!result_.vanished) line_.drain(kDrainMs);
    return result_;
  }

 private:
  void send(uint8_t b) {
    if (line_.write(&b, 1)) result_.bytes_out += 1;
  }
  void cancel() {
    send(kCan);
    send(kCan);
  }
  bool fail(const std::string& why) {
    result_.error = why;
    return false;
  }

  // Asks until the first byte of the sender's reply arrives; returns it,
  // or -1 after the error is set.
  int handshake() {
    int64_t give_up = line_now_ms() + opt_.wait_ms;
    int64_t next_ask = line_now_ms();
    for (;;) {
      int64_t now = line_now_ms();
      if (now >= give_up) {
        fail("no sender within " + std::to_string(opt_.wait_ms / 1000) + " s");
        return -1;
      }
      if (in_.take_opened()) next_ask = now;
      if (!opt_.never_ask && now >= next_ask) {
        send(opt_.checksum ? kNak : static_cast<uint8_t>('C'));
        next_ask = now + opt_.ask_interval_ms;
      }
      int64_t until = opt_.never_ask ? give_up : next_ask;
      if (until > give_up) until = give_up;
      int c = in_.get(static_cast<int>(until - now > 0 ? until - now : 0), !opt_.never_ask);
      if (c == Reader::kFailed) {
        fail("the line failed while asking for the transfer");
        return -1;
      }
      if (c >= 0) {
        if (opt_.never_ask) continue;  // silent loader: ignores everything
        return c;
      }
    }
  }

  // Reads the rest of a packet that began with SOH or STX into pkt (number,
  // complement, data, check bytes); false on a time-out or a failed line.
  bool read_packet(uint8_t* pkt, size_t n, bool* failed) {
    for (size_t i = 0; i < n; ++i) {
      int c = in_.get(kByteTimeoutMs);
      if (c < 0) {
        *failed = c == Reader::kFailed;
        return false;
      }
      pkt[i] = static_cast<uint8_t>(c);
    }
    return true;
  }

  bool check_ok(const uint8_t* data, size_t size, const uint8_t* check) const {
    if (opt_.checksum) {
      uint8_t sum = 0;
      for (size_t i = 0; i < size; ++i) sum = static_cast<uint8_t>(sum + data[i]);
      return sum == check[0];
    }
    uint16_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
      crc = static_cast<uint16_t>(crc ^ (data[i] << 8));
      for (int b = 0; b < 8; ++b) {
        crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
      }
    }
    return check[0] == (crc >> 8) && check[1] == (crc & 0xFF);
  }

  // Drains the line until the sender has been quiet for the time-out.
  void play_dead(const std::string& why) {
    while (in_.get(opt_.timeout_ms) >= 0) {
    }
    fail(why);
  }

  void nak_block() {
    ++result_.retries;
    send(kNak);
  }

  void transfer(int c) {
    uint32_t expected = 1;  // count of the next block, from 1
    uint32_t naks_left = opt_.nak_times;
    bool damaged = false, corrupted = false;
    uint8_t pkt[2 + 1024 + 2];
    for (;;) {
      if (c == kSoh || c == kStx) {
        size_t size = c == kSoh ? 128 : 1024;
        size_t check_len = opt_.checksum ? 1 : 2;
        bool failed = false;
        if (!read_packet(pkt, 2 + size + check_len, &failed)) {
          if (failed) {
            fail("the line failed inside block " + std::to_string(expected));
            return;
          }
          nak_block();  // a packet cut short
        } else if (opt_.vanish_block == expected) {
          result_.vanished = true;
          fail("vanished at block " + std::to_string(expected) + " (fault)");
          return;
        } else if (opt_.silent_from != 0 && expected >= opt_.silent_from) {
          play_dead("went silent at block " + std::to_string(expected) + " (fault)");
          return;
        } else if (!accept_block(pkt, size, check_len, expected, naks_left, damaged, corrupted)) {
          return;
        }
      } else if (c == kEot) {
        ++result_.eots;
        if (opt_.cancel_eot) {
          cancel();
          fail("cancelled at EOT (fault)");
          return;
        }
        if (opt_.no_eot_ack) {
          send(kNak);
        } else {
          send(kAck);
          result_.complete = true;
          return;
        }
      } else if (c == kCan) {
        int d = in_.get(kByteTimeoutMs);
        if (d == kCan) {
          fail("cancelled by the sender");
          return;
        }
        c = d;
        if (c >= 0) continue;
      } else if (c >= 0) {
        // Noise where a packet should begin: wait for quiet, then ask again.
        in_.purge(kPurgeQuietMs);
        nak_block();
      }
      if (c == Reader::kFailed) {
        fail("the line failed after block " + std::to_string(expected - 1));
        return;
      }
      c = in_.get(opt_.timeout_ms);
      if (c == Reader::kTimeout) {
        if (opt_.no_eot_ack && result_.eots > 0) {
          fail("EOT never acknowledged (fault)");
        } else {
          fail("timed out after block " + std::to_string(expected - 1));
        }
        return;
      }
    }
  }

  // Judges one whole packet; false when the transfer ends here.
  bool accept_block(uint8_t* pkt, size_t size, size_t check_len, uint32_t& expected,
                    uint32_t& naks_left, bool& damaged, bool& corrupted) {
    (void)check_len;
    uint8_t num = pkt[0], comp = pkt[1];
    uint8_t* data = pkt + 2;
    if (opt_.damage_block == expected && !damaged) {
      damaged = true;
      data[0] ^= 0x01;
    }
    if (static_cast<uint8_t>(~num) != comp || !check_ok(data, size, data + size)) {
      nak_block();
      return true;
    }
    if (num == static_cast<uint8_t>(expected - 1) && expected > 1) {
      ++result_.duplicates;  // our ACK was lost: the sender sent it again
      send(kAck);
      return true;
    }
    if (num != static_cast<uint8_t>(expected)) {
      cancel();
      return fail("block " + std::to_string(num) + " out of sequence, expected block " +
                  std::to_string(expected & 0xFF));
    }
    if (opt_.cancel_block == expected) {
      cancel();
      return fail("cancelled at block " + std::to_string(expected) + " (fault)");
    }
    if (opt_.nak_block == expected && naks_left > 0) {
      --naks_left;
      nak_block();
      return true;
    }
    if (result_.payload.size() + size > opt_.max_payload) {
      cancel();
      return fail("upload longer than " + std::to_string(opt_.max_payload) + " bytes");
    }
    result_.payload.insert(result_.payload.end(), data, data + size);
    ++result_.blocks;
    ++expected;
    if (opt_.corrupt_reply == expected - 1 && !corrupted) {
      corrupted = true;
      send(kAck | 0x80);  // an ACK with one bit hit by noise
    } else {
      send(kAck);
    }
    return true;
  }

  Line& line_;
  const rx_options& opt_;
  rx_result result_;
  Reader in_;
};

}  // namespace

rx_result rx_receive(Line& line, const rx_options& options) {
  Receiver r(line, options);
  return r.run();
}
