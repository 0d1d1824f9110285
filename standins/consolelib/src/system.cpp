// System stand-in: start of the run (settings, keyboard) and its orderly end.
#include <cstdio>
#include <cstdlib>

#include "standin.h"
#include "system.h"

namespace standin {
namespace {

volatile int quit_status = -1;  // set from the main thread only

}  // namespace

bool quit_requested() { return quit_status >= 0 || term_interrupted(); }

void request_quit(int status) { quit_status = status; }

[[noreturn]] void finish(int status) {
  clock_stop();
  art_trace_final_state();
  trace("end status=%d frames=%llu", status, static_cast<unsigned long long>(video_frames()));
  audio_close();
  std::fflush(stdout);
  term_restore();
  std::exit(status);
}

void finish_if_quit() {
  if (term_interrupted()) finish(130);
  if (quit_status >= 0) finish(quit_status);
}

}  // namespace standin

extern "C" void system_init(void) {
  using namespace standin;
  const Config& c = config();
  trace("system_init");
  term_keyboard_open(!c.scripted);  // scripted runs take no keys, but still end cleanly on Ctrl-C
}
