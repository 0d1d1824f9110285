// fake-serial: a scripted stand-in for the serial seam, linked into the
// sender's tests instead of a real backend. Reads replay the receiver's
// script one entry per call (a byte, a silence, a failed read) and then stay
// silent; time-outs are instant. Every byte written is recorded.
#pragma once
#include <cstdint>
#include <vector>

namespace fake_serial {

constexpr int kSilence = -1;   // the read times out with no byte
constexpr int kReadFail = -2;  // the OS read call fails

// Starts a new script; write_fails makes every write fail (nothing recorded).
void reset(std::vector<int> replies, bool write_fails = false);
const std::vector<uint8_t>& written();
// Number of read calls since reset.
uint64_t reads();

}  // namespace fake_serial
