// Keyboard seam for POSIX terminals: unbuffered, unechoed key input while the
// program runs (signals such as Ctrl-C stay on), and the saved settings put
// back on every way out: normal end, Ctrl-C, SIGTERM, SIGHUP.
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

#include "standin.h"

namespace standin {
namespace {

termios saved;
volatile sig_atomic_t saved_valid = 0;
volatile sig_atomic_t interrupted = 0;
bool input_open = false;

void on_signal(int) {
  if (saved_valid) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  if (interrupted) _exit(130);  // a second signal: the program is not ending by itself
  interrupted = 1;
}

void restore_at_exit() { term_restore(); }

}  // namespace

void term_keyboard_open(bool raw_keys) {
  struct sigaction sa = {};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  if (!raw_keys) return;
  input_open = true;
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved) != 0) return;
  saved_valid = 1;
  std::atexit(restore_at_exit);
  termios raw = saved;
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
}

std::size_t term_read(u8* buffer, std::size_t size) {
  if (!input_open) return 0;
  pollfd p = {STDIN_FILENO, POLLIN, 0};
  if (poll(&p, 1, 0) <= 0 || (p.revents & (POLLIN | POLLHUP)) == 0) return 0;
  const ssize_t n = read(STDIN_FILENO, buffer, size);
  if (n <= 0) {
    if (n == 0 || (p.revents & POLLHUP) != 0) input_open = false;  // end of input
    return 0;
  }
  return static_cast<std::size_t>(n);
}

void term_restore() {
  if (saved_valid) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

bool term_interrupted() { return interrupted != 0; }

}  // namespace standin
