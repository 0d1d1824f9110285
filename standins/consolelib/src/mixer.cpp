// Mixer stand-in: commits each voice's pending settings (from the
// articulation service, or from the voice's base pan) to the values the
// audio render uses, once per audio frame.
#include <cmath>

#include "mixer.h"
#include "standin.h"

using namespace standin;

extern "C" void mixer_init(void) {
  trace("mixer_init");
  std::lock_guard<std::mutex> hold(audio_mutex());
  for (std::size_t i = 0; i < voice_count(); ++i) {
    MINI_AX_VOICE_PB_TYPE* v = voice_at(i);
    v->left = v->right = 0.0f;
  }
}

extern "C" void mixer_update_settings(void) {
  constexpr double kHalfPi = 1.57079632679489661923;
  std::lock_guard<std::mutex> hold(audio_mutex());
  for (std::size_t i = 0; i < voice_count(); ++i) {
    MINI_AX_VOICE_PB_TYPE* v = voice_at(i);
    if (v->articulated) {
      v->left = v->art_left;
      v->right = v->art_right;
      v->lowpass = v->art_lowpass;
      v->pitch = v->art_pitch;
    } else {
      const double x = 0.1 + 0.8 * (v->pan / 128.0);
      v->left = static_cast<f32>(std::cos(x * kHalfPi));
      v->right = static_cast<f32>(std::cos((1.0 - x) * kHalfPi));
      v->lowpass = 1.0f;
      v->pitch = 1.0f;
    }
  }
}
