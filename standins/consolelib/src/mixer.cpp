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
  constexpr float kHalfPi = 1.57079632679f;
  std::lock_guard<std::mutex> hold(audio_mutex());
  for (std::size_t i = 0; i < voice_count(); ++i) {
    MINI_AX_VOICE_PB_TYPE* v = voice_at(i);
    if (v->articulated) {
      v->left = v->art_left;
      v->right = v->art_right;
      v->lowpass = v->art_lowpass;
      v->pitch = v->art_pitch;
    } else {
      // Constant power; the far side keeps some of the sound, as articulated voices do.
      v->left = std::cos((0.1f + 0.8f * static_cast<float>(v->pan) / 128.0f) * kHalfPi);
      v->right = std::cos((0.1f + 0.8f * static_cast<float>(128u - v->pan) / 128.0f) * kHalfPi);
      v->lowpass = 1.0f;
      v->pitch = 1.0f;
    }
  }
}
