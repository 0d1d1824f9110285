// Run settings of the stand-in, read from the environment on first use.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "standin.h"

#ifndef CONSOLE_SD_DEFAULT_ROOT
#define CONSOLE_SD_DEFAULT_ROOT "sdcard"
#endif

namespace standin {
namespace {

const char* env(const char* name) {
  const char* v = std::getenv(name);
  return (v != nullptr && v[0] != '\0') ? v : nullptr;
}

bool parse_long(const char* text, int base, long long* out) {
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(text, &end, base);
  if (errno != 0 || end == text || *end != '\0') return false;
  *out = v;
  return true;
}

std::string trimmed(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

// One button word per line, 1 to 4 hex digits with an optional 0x.
void read_pads(const char* path, std::vector<u16>* pads) {
  std::ifstream in(path);
  if (!in) config_fail(std::string("CONSOLE_PADS: cannot read '") + path + "'");
  std::string raw;
  long line_no = 0;
  while (std::getline(in, raw)) {
    ++line_no;
    std::string t = trimmed(raw);
    std::string digits = (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) ? t.substr(2) : t;
    long long v = 0;
    if (digits.empty() || digits.size() > 4 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos ||
        !parse_long(digits.c_str(), 16, &v)) {
      config_fail("CONSOLE_PADS line " + std::to_string(line_no) + ": expected a hex button word such as 0004, got '" +
                  t + "'");
    }
    pads->push_back(static_cast<u16>(v));
  }
}

Config load() {
  Config c;
  const char* v;
  c.sd_root = (v = env("CONSOLE_SD_ROOT")) ? v : CONSOLE_SD_DEFAULT_ROOT;
  if ((v = env("CONSOLE_SD_RESULT"))) {
    long long r = 0;
    if (!parse_long(v, 0, &r) || r < INT32_MIN || r > INT32_MAX)
      config_fail(std::string("CONSOLE_SD_RESULT: expected a 32-bit integer, got '") + v + "'");
    c.sd_result = static_cast<s32>(r);
    c.sd_result_set = true;
  }
  if ((v = env("CONSOLE_PADS"))) {
    read_pads(v, &c.pads);
    c.pads_set = true;
    c.scripted = true;
  }
  if ((v = env("CONSOLE_FRAMES"))) {
    long long n = 0;
    if (!parse_long(v, 10, &n) || n < 0)
      config_fail(std::string("CONSOLE_FRAMES: expected a frame count >= 0, got '") + v + "'");
    c.frames = n;
    c.scripted = true;
  } else if (c.pads_set) {
    c.frames = static_cast<long long>(c.pads.size());
  }
  if ((v = env("CONSOLE_AUDIO_OUT"))) {
    c.audio_out = v;
  } else if (!c.scripted) {
    c.audio_out = std::string(program_invocation_short_name) + "-out.wav";
  }
  if ((v = env("CONSOLE_TRACE"))) c.trace_path = v;
  return c;
}

}  // namespace

[[noreturn]] void config_fail(const std::string& message) {
  std::fprintf(stderr, "console stand-in: %s\n", message.c_str());
  std::fflush(stderr);
  std::_Exit(2);
}

const Config& config() {
  static const Config c = load();
  return c;
}

}  // namespace standin
