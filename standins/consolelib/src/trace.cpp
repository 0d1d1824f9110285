// Trace file: one line per console call that matters, written from the main
// thread and the audio clock thread under one lock, flushed per line so a
// run that is cut short still leaves a readable trace.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "standin.h"

namespace standin {
namespace {

std::mutex trace_lock;
std::FILE* trace_file = nullptr;
bool trace_opened = false;

std::FILE* file() {
  if (!trace_opened) {
    trace_opened = true;
    const std::string& path = config().trace_path;
    if (!path.empty()) {
      trace_file = std::fopen(path.c_str(), "w");
      if (trace_file == nullptr) config_fail("CONSOLE_TRACE: cannot write '" + path + "'");
    }
  }
  return trace_file;
}

}  // namespace

bool trace_on() { return !config().trace_path.empty(); }

void trace(const char* fmt, ...) {
  std::lock_guard<std::mutex> hold(trace_lock);
  std::FILE* f = file();
  if (f == nullptr) return;
  va_list args;
  va_start(args, fmt);
  std::vfprintf(f, fmt, args);
  va_end(args);
  std::fputc('\n', f);
  std::fflush(f);
}

u32 f32_bits(f32 value) {
  u32 bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

}  // namespace standin
