// line: the byte line between the simulated loader and a sender. The
// receiver talks to this interface only, so that it runs over the
// pseudo-terminal (pty-line) or over a scripted line in a test or fuzzer.
// The caller owns every buffer. Failure: read returns -1, write false.
#pragma once
#include <cstddef>
#include <cstdint>

class Line {
 public:
  virtual ~Line() = default;
  // Waits at most timeout_ms for input; returns the bytes read into buf
  // (at most cap), 0 on time-out, -1 when the line failed. Sets *opened
  // when the other side has just opened the port (it discarded its input).
  virtual int read(uint8_t* buf, size_t cap, int timeout_ms, bool* opened) = 0;
  // Writes all n bytes; false when the line failed.
  virtual bool write(const uint8_t* buf, size_t n) = 0;
  // Waits at most timeout_ms until the other side has read all that was
  // written, so that a last reply is not lost when the loader goes.
  virtual void drain(int timeout_ms) = 0;
};

// Milliseconds of a monotonic clock.
int64_t line_now_ms();
