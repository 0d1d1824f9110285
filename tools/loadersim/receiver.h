// receiver: the XMODEM receiver of the simulated loader. It asks with 'C'
// (CRC-16) or NAK (checksum) until a sender answers, takes SOH and STX
// blocks in order, NAKs a damaged block, re-ACKs a repeated one and ACKs
// EOT; test faults make it misbehave on purpose at chosen blocks.
// The caller owns the line and the result; the received payload (every
// block's data, padding included) is returned in the result.
// Failure: result.complete stays false and result.error says why in one line.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "line.h"

struct rx_options {
  bool checksum = false;          // ask with NAK: 8-bit checksum blocks
  int ask_interval_ms = 1000;     // between requests while no sender answers
  int wait_ms = 120000;           // how long to ask before giving up
  int timeout_ms = 10000;         // silence during the transfer that ends it
  size_t max_payload = 64u << 20;  // larger uploads are refused
  // Faults; block numbers count from 1 along the transfer (not the wire byte).
  uint32_t nak_block = 0;         // NAK this block nak_times times, then ACK it
  uint32_t nak_times = 1;
  uint32_t cancel_block = 0;      // answer this block with CAN CAN
  bool cancel_eot = false;        // answer EOT with CAN CAN
  uint32_t silent_from = 0;       // from this block on answer nothing (0: off)
  uint32_t vanish_block = 0;      // on this block go away at once, as an unplugged cable
  bool never_ask = false;         // never ask for the transfer
  bool no_eot_ack = false;        // answer every EOT with NAK
  uint32_t corrupt_reply = 0;     // answer this block once with a garbled ACK
  uint32_t damage_block = 0;      // flip a bit of this block once on arrival
};

struct rx_result {
  bool complete = false;          // the sender's EOT was acknowledged
  std::string error;              // why not, when complete is false
  std::vector<uint8_t> payload;   // the blocks' data in order
  uint32_t blocks = 0;            // blocks accepted
  uint32_t retries = 0;           // NAKs sent for blocks
  uint32_t duplicates = 0;        // repeated blocks acknowledged again
  uint32_t eots = 0;              // EOTs seen
  uint64_t bytes_in = 0;          // bytes received on the line
  uint64_t bytes_out = 0;         // bytes sent on the line
  bool vanished = false;          // left without a word (vanish_block)
};

// Runs one transfer over the line.
rx_result rx_receive(Line& line, const rx_options& options);
