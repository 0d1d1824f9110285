// Timer stand-in: mdelay sleeps in real time (in short slices, so Ctrl-C is
// honoured at once), or advances the virtual audio clock on a scripted run.
#include <time.h>

#include "standin.h"
#include "timer.h"

extern "C" void mdelay(u32 ms) {
  using namespace standin;
  trace("mdelay %lu", static_cast<unsigned long>(ms));
  art_sync();
  if (config().scripted) {
    clock_advance_ms(ms);
    return;
  }
  while (ms > 0) {
    const u32 slice = ms < 20 ? ms : 20;
    timespec t{0, static_cast<long>(slice) * 1000000L};
    nanosleep(&t, nullptr);
    ms -= slice;
    finish_if_quit();
  }
}
