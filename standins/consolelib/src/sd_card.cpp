// SD card stand-in: a host folder mounted as "sd_gecko:/". device_sd_init
// returns CONSOLE_SD_RESULT when it is set (the card counts as mounted when
// the low byte of that result is 1, as the driver's callers read it), else 1
// if the folder exists and -1 if it does not (no card in the slot).
#include <sys/stat.h>

#include <cstring>

#include "device_sd.h"
#include "standin.h"

namespace standin {
namespace {

const char kPrefix[] = "sd_gecko:/";
bool mounted = false;

}  // namespace

bool sd_host_path(const char* path, std::string* host_path) {
  if (!mounted || path == nullptr || std::strncmp(path, kPrefix, sizeof kPrefix - 1) != 0) return false;
  std::string rest(path + sizeof kPrefix - 1);
  // Each component must be a plain name: no "..", no empty parts.
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find('/', start);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    start = end + 1;
  }
  *host_path = config().sd_root + "/" + rest;
  return true;
}

}  // namespace standin

extern "C" s32 device_sd_init(void) {
  using namespace standin;
  const Config& c = config();
  s32 result;
  if (c.sd_result_set) {
    result = c.sd_result;
  } else {
    struct stat st;
    result = (stat(c.sd_root.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? 1 : -1;
  }
  mounted = (static_cast<u32>(result) & 0xFFu) == 1u;
  trace("device_sd_init -> %ld", static_cast<long>(result));
  return result;
}
