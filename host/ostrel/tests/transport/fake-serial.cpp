// Scripted serial port for the sender's tests. See fake-serial.h.
#include "fake-serial.h"

#include <deque>

#include "serial.h"

struct serial_port {
  int unused;
};

namespace {

std::deque<int> g_script;
std::vector<uint8_t> g_written;
uint64_t g_reads = 0;
bool g_write_fails = false;

}  // namespace

namespace fake_serial {

void reset(std::vector<int> replies, bool write_fails) {
  g_script.assign(replies.begin(), replies.end());
  g_written.clear();
  g_reads = 0;
  g_write_fails = write_fails;
}

const std::vector<uint8_t>& written() { return g_written; }
uint64_t reads() { return g_reads; }

}  // namespace fake_serial

serial_status serial_open(const char*, serial_port**) { return SERIAL_ERR_OPEN; }
serial_status serial_configure(serial_port*, const serial_line*) { return SERIAL_OK; }
serial_status serial_close(serial_port*) { return SERIAL_OK; }

int32_t serial_read(serial_port*, void* buf, uint32_t count) {
  ++g_reads;
  if (count == 0) return 0;
  if (g_script.empty()) return 0;
  int next = g_script.front();
  g_script.pop_front();
  if (next == fake_serial::kSilence) return 0;
  if (next == fake_serial::kReadFail) return -1;
  *static_cast<uint8_t*>(buf) = static_cast<uint8_t>(next);
  return 1;
}

int32_t serial_write(serial_port*, const void* buf, uint32_t count) {
  if (g_write_fails) return -1;
  const auto* p = static_cast<const uint8_t*>(buf);
  g_written.insert(g_written.end(), p, p + count);
  return static_cast<int32_t>(count);
}
