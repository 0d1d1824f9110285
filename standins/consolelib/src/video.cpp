// Video stand-in: vertical syncs at 60 Hz in real time, or at once on a
// scripted run, whose frame budget ends the run at the first wait past it.
#include <time.h>

#include <cerrno>

#include "standin.h"
#include "video.h"

namespace standin {
namespace {

std::uint64_t frames = 0;  // main thread only
timespec next_sync;
bool pacing = false;

void wait_real_sync() {
  constexpr long kPeriodNs = 1000000000L / 60;
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  if (!pacing) {
    next_sync = now;
    pacing = true;
  }
  next_sync.tv_nsec += kPeriodNs;
  if (next_sync.tv_nsec >= 1000000000L) {
    next_sync.tv_nsec -= 1000000000L;
    ++next_sync.tv_sec;
  }
  // After a long stall (a delay, a stopped terminal) start pacing afresh.
  if (now.tv_sec > next_sync.tv_sec + 1) next_sync = now;
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next_sync, nullptr) == EINTR) finish_if_quit();
}

}  // namespace

std::uint64_t video_frames() { return frames; }

}  // namespace standin

extern "C" void video_waitVSync(void) {
  using namespace standin;
  const Config& c = config();
  finish_if_quit();
  art_sync();
  if (c.frames >= 0 && frames >= static_cast<std::uint64_t>(c.frames)) finish(0);
  if (c.scripted)
    clock_advance_video_frame();
  else
    wait_real_sync();
  ++frames;
  trace("video_waitVSync frame=%llu", static_cast<unsigned long long>(frames));
  finish_if_quit();
}
