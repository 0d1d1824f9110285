// Pseudo-terminal line of the simulated loader. See pty-line.h.
// The master runs in packet mode: each read brings either data behind a
// zero status byte or a status byte alone; a status that reports the
// slave's input being flushed tells that a sender has just opened the port.
#include "pty-line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

PtyLine::~PtyLine() {
  if (!link_.empty()) unlink(link_.c_str());
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
}

bool PtyLine::create(const std::string& link, std::string& err) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    err = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  const char* name = ptsname(master_);
  if (name == nullptr) {
    err = "cannot name the pseudo-terminal";
    return false;
  }
  slave_path_ = name;
  slave_ = open(name, O_RDWR | O_NOCTTY);
  if (slave_ < 0) {
    err = "cannot open " + slave_path_ + ": " + std::strerror(errno);
    return false;
  }
  termios tio{};
  if (tcgetattr(slave_, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(slave_, TCSANOW, &tio);
  }
#ifdef TIOCPKT
  int on = 1;
  ioctl(master_, TIOCPKT, &on);
#endif
  int flags = fcntl(master_, F_GETFL);
  fcntl(master_, F_SETFL, flags | O_NONBLOCK);

  if (!link.empty()) {
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
      err = link + " exists and is not a symlink: not replacing it";
      return false;
    }
    std::string tmp = link + ".new";
    unlink(tmp.c_str());
    if (symlink(slave_path_.c_str(), tmp.c_str()) != 0 || rename(tmp.c_str(), link.c_str()) != 0) {
      err = "cannot link " + link + ": " + std::strerror(errno);
      unlink(tmp.c_str());
      return false;
    }
    link_ = link;
  }
  return true;
}

int PtyLine::read(uint8_t* buf, size_t cap, int timeout_ms, bool* opened) {
  int64_t deadline = line_now_ms() + timeout_ms;
  uint8_t raw[4097];
  for (;;) {
    int64_t left = deadline - line_now_ms();
    if (left < 0) left = 0;
    pollfd p{master_, POLLIN, 0};
    int r = poll(&p, 1, static_cast<int>(left));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) return 0;
    if (!(p.revents & POLLIN)) return -1;
    size_t want = cap + 1 < sizeof raw ? cap + 1 : sizeof raw;
    ssize_t n = ::read(master_, raw, want);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return -1;
#ifdef TIOCPKT
    if (raw[0] != TIOCPKT_DATA) {
      if (raw[0] & (TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE)) {
        *opened = true;
        return 0;
      }
      continue;
    }
    std::memcpy(buf, raw + 1, static_cast<size_t>(n - 1));
    if (n - 1 > 0) return static_cast<int>(n - 1);
#else
    std::memcpy(buf, raw, static_cast<size_t>(n));
    return static_cast<int>(n);
#endif
  }
}

bool PtyLine::write(const uint8_t* buf, size_t n) {
  size_t put = 0;
  int64_t deadline = line_now_ms() + 2000;
  while (put < n) {
    ssize_t r = ::write(master_, buf + put, n - put);
    if (r > 0) {
      put += static_cast<size_t>(r);
      continue;
    }
    if (r < 0 && errno != EINTR && errno != EAGAIN) return false;
    if (line_now_ms() > deadline) return false;
    pollfd p{master_, POLLOUT, 0};
    poll(&p, 1, 10);
  }
  return true;
}

namespace {
constexpr int64_t kSettleMs = 50;
}  // namespace

void PtyLine::drain(int timeout_ms) {
  // What the loader wrote waits in the slave's input queue until the
  // sender reads it; the loader holds the slave too and can look.
  // A byte written to the master reaches that queue a little later (the
  // kernel moves it over asynchronously), so look only after a pause.
  int64_t start = line_now_ms();
  int64_t deadline = start + timeout_ms;
  int queued = 0;
  for (;;) {
    int64_t now = line_now_ms();
    bool settled = now - start >= kSettleMs;
    if (settled && (ioctl(slave_, FIONREAD, &queued) != 0 || queued == 0)) return;
    if (now >= deadline) return;
    timespec pause{0, 1000000};
    nanosleep(&pause, nullptr);
  }
}
