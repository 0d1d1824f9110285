// Pad stand-in. Scripted runs take pad 0's button word for each video frame
// from CONSOLE_PADS (frames past the script report nothing). Interactive runs
// read the keyboard: arrow keys are the control pad, Enter or 'a' is A, 'q'
// quits; each scan reports at most one key, so no key press is lost.
#include <deque>

#include "pad.h"
#include "standin.h"

namespace standin {
namespace {

u16 buttons = 0;
std::deque<u16> keys;
int decode_state = 0;  // 0 plain, 1 after ESC, 2 inside a control sequence

void decode(u8 c) {
  if (decode_state == 1) {
    decode_state = (c == '[' || c == 'O') ? 2 : 0;
    return;
  }
  if (decode_state == 2) {
    if (c < 0x40 || c > 0x7E) return;  // parameter bytes
    decode_state = 0;
    if (c == 'A') keys.push_back(PAD_BUTTON_UP);
    if (c == 'B') keys.push_back(PAD_BUTTON_DOWN);
    if (c == 'C') keys.push_back(PAD_BUTTON_RIGHT);
    if (c == 'D') keys.push_back(PAD_BUTTON_LEFT);
    return;
  }
  if (c == 0x1B) decode_state = 1;
  if (c == '\r' || c == '\n' || c == 'a' || c == 'A') keys.push_back(PAD_BUTTON_A);
  if (c == 'q' || c == 'Q') request_quit(0);
  if (c == 0x03) request_quit(130);
}

u16 scan_keyboard() {
  u8 buf[64];
  std::size_t n;
  while ((n = term_read(buf, sizeof buf)) > 0)
    for (std::size_t i = 0; i < n; ++i) decode(buf[i]);
  if (keys.empty()) return 0;
  const u16 k = keys.front();
  keys.pop_front();
  return k;
}

}  // namespace
}  // namespace standin

extern "C" u32 pad_scan_pads(void) {
  using namespace standin;
  const Config& c = config();
  trace("pad_scan_pads");
  if (c.scripted) {
    const std::uint64_t frame = video_frames() > 0 ? video_frames() - 1 : 0;
    buttons = frame < c.pads.size() ? c.pads[frame] : 0;
  } else {
    buttons = scan_keyboard();
  }
  return 1;  // pad 0 connected
}

extern "C" u16 pad_buttons_down(s32 pad) {
  using namespace standin;
  const u16 b = pad == 0 ? buttons : 0;
  trace("pad_buttons_down %ld -> 0x%04X", static_cast<long>(pad), b);
  return b;
}
