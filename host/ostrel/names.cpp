// Name field and port-name check of the upload driver. See names.h.
#include "names.h"

#include <cstring>

bool names_name_field(const char* path, char field[NAMES_FIELD_SIZE]) {
  std::memset(field, 0, NAMES_FIELD_SIZE);
  const char* dot = std::strchr(path, '.');
  if (dot == nullptr) return false;
  size_t len = std::strlen(path);
  size_t before_dot = static_cast<size_t>(dot - path);

  // For name.ext the characters before the dot are the path's length less
  // four; keep at most 11 of them. When the first dot stands elsewhere that
  // count may reach before the path: it then starts at the path's start.
  size_t k = len >= 4 ? len - 4 : before_dot;
  if (k > 11) k = 11;
  if (k > before_dot) k = before_dot;

  size_t ext = len - before_dot;  // the dot and what follows it
  if (ext > 4) ext = 4;
  std::memcpy(field, dot - k, k);
  std::memcpy(field + k, dot, ext);
  return true;
}

bool names_port_ok(const char* name) {
#ifndef _WIN32
  // A device path (/dev/ttyUSB0) names a port here; Windows ports have names only.
  if (std::strchr(name, '/') != nullptr) return true;
#endif
  return std::strlen(name) <= 6 && std::strncmp(name, "COM", 3) == 0;
}
