// Audio clock: runs the audio frames on a thread of its own, as the console's
// audio interrupt does. Interactive runs keep real time (a frame every 5 ms).
// Scripted runs use a virtual clock: only the main thread's video frames and
// delays move it, and each advance returns once every audio frame due by then
// has run, so output and trace come out the same on every run.
#include <time.h>

#include <cerrno>

#include <condition_variable>
#include <thread>

#include "standin.h"

namespace standin {
namespace {

// Virtual time in thirds of an output sample: 1/60 s and 1 ms are whole numbers.
constexpr std::uint64_t kFrameThirds = 3u * MINI_AX_FRAME_SAMPLES;
constexpr std::uint64_t kVideoThirds = 3u * MINI_AX_OUTPUT_RATE / 60u;
constexpr std::uint64_t kMsThirds = 3u * MINI_AX_OUTPUT_RATE / 1000u;

std::mutex lock;
std::condition_variable changed;
std::thread worker;
void (*frame_fn)() = nullptr;
bool running = false;
bool stopping = false;
std::uint64_t target = 0;       // virtual time the main thread has reached
std::uint64_t frames_done = 0;  // audio frames run so far

bool frame_due() { return (frames_done + 1) * kFrameThirds <= target; }

void run_scripted() {
  std::unique_lock<std::mutex> hold(lock);
  for (;;) {
    changed.wait(hold, [] { return stopping || frame_due(); });
    if (stopping) return;
    hold.unlock();
    frame_fn();
    hold.lock();
    ++frames_done;
    changed.notify_all();
  }
}

void run_realtime() {
  timespec next;
  clock_gettime(CLOCK_MONOTONIC, &next);
  const long period_ns = 1000000000L / (MINI_AX_OUTPUT_RATE / MINI_AX_FRAME_SAMPLES);
  for (;;) {
    next.tv_nsec += period_ns;
    if (next.tv_nsec >= 1000000000L) {
      next.tv_nsec -= 1000000000L;
      ++next.tv_sec;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
    }
    {
      std::lock_guard<std::mutex> hold(lock);
      if (stopping) return;
    }
    frame_fn();
    std::lock_guard<std::mutex> hold(lock);
    ++frames_done;
  }
}

void advance(std::uint64_t thirds) {
  std::unique_lock<std::mutex> hold(lock);
  target += thirds;
  if (!running) return;
  changed.notify_all();
  changed.wait(hold, [] { return stopping || !frame_due(); });
}

}  // namespace

void clock_start(void (*frame)()) {
  std::lock_guard<std::mutex> hold(lock);
  if (running) return;
  frame_fn = frame;
  running = true;
  stopping = false;
  worker = std::thread(config().scripted ? run_scripted : run_realtime);
}

void clock_advance_ms(u32 ms) {
  if (config().scripted) advance(kMsThirds * ms);
}

void clock_advance_video_frame() {
  if (config().scripted) advance(kVideoThirds);
}

void clock_stop() {
  {
    std::lock_guard<std::mutex> hold(lock);
    if (!running) return;
    stopping = true;
    changed.notify_all();
  }
  worker.join();
  std::lock_guard<std::mutex> hold(lock);
  running = false;
}

std::uint64_t clock_samples() {
  std::lock_guard<std::mutex> hold(lock);
  return frames_done * MINI_AX_FRAME_SAMPLES;
}

}  // namespace standin
