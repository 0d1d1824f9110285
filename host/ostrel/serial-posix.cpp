// POSIX backend of the serial seam (Linux, macOS). The descriptor stays in
// non-blocking mode; reads and writes wait with poll() up to the time-outs
// that serial_configure recorded, so a one-byte read with the tool's values
// returns within about 60 ms with or without a byte.
#include "serial.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

struct serial_port {
  int fd;
  serial_line line;
};

namespace {

int64_t now_ms() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// "COMn" stands for the n-th serial port, /dev/ttyS<n-1>; a name with a '/'
// is a device path. Returns false when the name means nothing here; a COM
// name whose number is not 1..255 maps to a path that cannot exist.
bool device_path(const char* name, char* path, size_t size) {
  if (std::strchr(name, '/') != nullptr) {
    if (std::strlen(name) >= size) return false;
    std::snprintf(path, size, "%s", name);
    return true;
  }
  if (std::strncmp(name, "COM", 3) != 0) return false;
  const char* digits = name + 3;
  unsigned n = 0;
  bool ok = *digits != '\0';
  for (const char* p = digits; *p != '\0' && ok; ++p) {
    ok = *p >= '0' && *p <= '9';
    if (ok) n = n * 10 + static_cast<unsigned>(*p - '0');
    if (n > 255) ok = false;
  }
  if (!ok || n == 0) {
    std::snprintf(path, size, "/dev/nonexistent-%s", name);
  } else {
    std::snprintf(path, size, "/dev/ttyS%u", n - 1);
  }
  return true;
}

speed_t speed_code(uint32_t baud) {
  switch (baud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return B0;
  }
}

// Waits for `events` on fd until the deadline; true when they came.
bool wait_for(int fd, short events, int64_t deadline, bool* failed) {
  for (;;) {
    int64_t left = deadline - now_ms();
    if (left < 0) left = 0;
    pollfd p{fd, events, 0};
    int r = poll(&p, 1, static_cast<int>(left));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      *failed = true;
      return false;
    }
    if (r == 0) return false;
    if (p.revents & events) return true;
    *failed = true;  // POLLHUP, POLLERR, POLLNVAL: the device is gone
    return false;
  }
}

// Waits until the driver has put every queued byte on the line, so that a
// reply time-out counted after the write starts when the packet has gone,
// as a synchronous write on Windows does.
void wait_until_sent(int fd, int64_t deadline) {
#ifdef TIOCOUTQ
  for (;;) {
    int queued = 0;
    if (ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) return;
    if (now_ms() >= deadline) return;
    timespec pause{0, 1000000};
    nanosleep(&pause, nullptr);
  }
#else
  (void)fd;
  (void)deadline;
#endif
}

}  // namespace

serial_status serial_open(const char* name, serial_port** port) {
  char path[256];
  if (name == nullptr || !device_path(name, path, sizeof path)) return SERIAL_ERR_NAME;
  // Non-blocking, so that opening a real port does not wait for carrier.
  int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return SERIAL_ERR_OPEN;
  if (!isatty(fd)) {
    close(fd);
    return SERIAL_ERR_OPEN;
  }
  // A receiver that has been asking for a while leaves several requests
  // waiting; each stale one would be taken as the reply to the first block.
  tcflush(fd, TCIFLUSH);
  auto* p = static_cast<serial_port*>(std::calloc(1, sizeof(serial_port)));
  if (p == nullptr) {
    close(fd);
    return SERIAL_ERR_OPEN;
  }
  p->fd = fd;
  p->line = serial_line{0, 0, 0, 0, 0, 0};
  *port = p;
  return SERIAL_OK;
}

serial_status serial_configure(serial_port* port, const serial_line* line) {
  termios tio{};
  if (tcgetattr(port->fd, &tio) != 0) return SERIAL_ERR_GET_CONFIG;
  speed_t speed = speed_code(line->baud);
  if (speed == B0) return SERIAL_ERR_SET_CONFIG;
  cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
#ifdef CRTSCTS
  tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
#endif
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0) return SERIAL_ERR_SET_CONFIG;
  if (tcsetattr(port->fd, TCSANOW, &tio) != 0) return SERIAL_ERR_SET_CONFIG;

  termios back{};
  if (tcgetattr(port->fd, &back) != 0) return SERIAL_ERR_SET_CONFIG;
  if ((back.c_cflag & CSIZE) != CS8 || (back.c_cflag & (PARENB | CSTOPB)) != 0 ||
      cfgetispeed(&back) != speed || cfgetospeed(&back) != speed) {
    return SERIAL_ERR_SET_CONFIG;
  }
  port->line = *line;
  return SERIAL_OK;
}

int32_t serial_read(serial_port* port, void* buf, uint32_t count) {
  auto* dst = static_cast<unsigned char*>(buf);
  int64_t deadline = now_ms() + static_cast<int64_t>(port->line.read_total_multiplier_ms) * count +
                     port->line.read_total_constant_ms;
  uint32_t got = 0;
  while (got < count) {
    bool failed = false;
    if (!wait_for(port->fd, POLLIN, deadline, &failed)) {
      if (failed) return -1;
      break;
    }
    ssize_t r = read(port->fd, dst + got, count - got);
    if (r < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (r <= 0) return -1;  // an error, or end of file: the line hung up
    got += static_cast<uint32_t>(r);
  }
  return static_cast<int32_t>(got);
}

int32_t serial_write(serial_port* port, const void* buf, uint32_t count) {
  const auto* src = static_cast<const unsigned char*>(buf);
  int64_t deadline = now_ms() + static_cast<int64_t>(port->line.write_total_multiplier_ms) * count +
                     port->line.write_total_constant_ms;
  uint32_t put = 0;
  while (put < count) {
    ssize_t r = write(port->fd, src + put, count - put);
    if (r > 0) {
      put += static_cast<uint32_t>(r);
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    bool failed = false;
    if (!wait_for(port->fd, POLLOUT, deadline, &failed)) {
      if (failed) return -1;
      return static_cast<int32_t>(put);  // time-out: what went out so far
    }
  }
  wait_until_sent(port->fd, deadline);
  return static_cast<int32_t>(put);
}

serial_status serial_close(serial_port* port) {
  int r = close(port->fd);
  std::free(port);
  return r == 0 ? SERIAL_OK : SERIAL_ERR_CLOSE;
}
