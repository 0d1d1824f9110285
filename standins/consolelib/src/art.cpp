// Articulation service stand-in. Each audio frame it turns the articulator
// chains of the registered sounds into the gains, filter and pitch of their
// voices.
//
// Sharing with the program: the program stores into its articulators from
// its main loop with plain stores and no lock, while the service runs on the
// audio thread. So that no field is ever read by one thread while the other
// writes it, the audio thread never touches the program's records. At each
// console call on the main thread (video sync, delay, play, registration)
// art_sync copies the inputs of every registered articulator into records of
// the stand-in's own, under the audio lock, and copies back the outputs that
// the service computed since. A store followed by a console call therefore
// takes effect from the next audio frame on.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "art_sound.h"
#include "standin.h"

namespace standin {
namespace {

// Single precision throughout, the console's own f32. (It also keeps to
// glibc's float routines: under the PowerPC emulator of the cross tests the
// double ones stop at rounding-mode instructions the emulator lacks.)
constexpr float kHalfPi = 1.57079632679f;
constexpr float kSpeedOfSound = 343.0f;  // m/s, for the Doppler pitch
constexpr int kMaxChain = 64;            // a longer chain is taken as a loop

// The stand-in's copy of one articulator.
struct Art {
  const ART_TYPE* record;
  u32 type;
  f32 h = 0, v = 0, dist = 0, closing = 0;  // 3D inputs
  u32 update = 0;
  u8 pan = 64, span = 127, src = 0;         // 3D outputs
  f32 pitch = 1.0f;
  s32 attenuation = 0;                      // 3D output, or the volume input
  bool shown = false;                       // what the trace last showed
  u32 shown_bits[4] = {};
  s32 shown_attenuation = 0;
};

struct Sound {
  ART_SOUND_TYPE* record;
  MINI_AX_VOICE_PB_TYPE* voice;
  std::vector<Art> chain;
};

std::vector<Sound> sounds;  // registered sounds, guarded by audio_mutex()

f32 finite_or_zero(f32 x) { return std::isfinite(x) ? x : 0.0f; }

// Attenuation in 16.16 tenths of a dB to a linear gain, no boost above 0 dB.
float gain_of(s32 attenuation) {
  if (attenuation <= ART_ATTENUATION_SILENT) return 0.0f;
  if (attenuation >= 0) return 1.0f;
  return std::pow(10.0f, static_cast<float>(attenuation) / 65536.0f / 200.0f);
}

// Gain of one ear for a pan position 0..128 (64 centre): constant power, and
// the far ear keeps some of the sound (head shadow rather than a hard pan).
float ear_gain(unsigned toward_other_ear) {
  return std::cos((0.1f + 0.8f * static_cast<float>(toward_other_ear) / 128.0f) * kHalfPi);
}

// 3D articulator: recompute the outputs from the inputs while update is set.
void service_3d(Art* a, int voice) {
  if (a->update == 0) return;
  const f32 h = finite_or_zero(a->h), v = finite_or_zero(a->v);
  const f32 dist = finite_or_zero(a->dist), closing = finite_or_zero(a->closing);
  const float lateral = std::sin(h) * std::fabs(std::cos(v));  // -1 left .. 1 right
  const float ahead = std::cos(h);                             // 1 ahead, 0 beside, -1 behind
  a->pan = static_cast<u8>(std::lround(64.0f + 64.0f * lateral));
  a->span = static_cast<u8>(std::lround(127.0f * (1.0f - std::fmax(0.0f, -ahead))));
  a->src = static_cast<u8>(127 - a->span);
  const float speed = std::fmax(-0.9f * kSpeedOfSound, std::fmin(0.9f * kSpeedOfSound, closing));
  a->pitch = kSpeedOfSound / (kSpeedOfSound - speed);
  const float db_tenths = dist > 1.0f ? -200.0f * std::log10(dist) : 0.0f;
  a->attenuation = static_cast<s32>(std::fmax(db_tenths, -904.0f) * 65536.0f);

  const u32 bits[4] = {f32_bits(h), f32_bits(v), f32_bits(dist), f32_bits(closing)};
  if (!a->shown || !std::equal(bits, bits + 4, a->shown_bits)) {
    a->shown = true;
    std::copy(bits, bits + 4, a->shown_bits);
    trace("art_service_snds t=%llu voice%d 3D h_angle=0x%08lX v_angle=0x%08lX dist=0x%08lX closing_speed=0x%08lX "
          "pan=%u span=%u src=%u",
          static_cast<unsigned long long>(clock_samples()), voice, static_cast<unsigned long>(bits[0]),
          static_cast<unsigned long>(bits[1]), static_cast<unsigned long>(bits[2]),
          static_cast<unsigned long>(bits[3]), a->pan, a->span, a->src);
  }
}

void service_sound(Sound* snd) {
  MINI_AX_VOICE_PB_TYPE* voice = snd->voice;
  if (voice == nullptr) return;
  const int index = voice_index(voice);
  float left = 1.0f, right = 1.0f, lowpass = 1.0f, pitch = 1.0f;
  for (Art& a : snd->chain) {
    if (a.type == ART_TYPE_3D) {
      service_3d(&a, index);
      // Behind the listener: up to 6 dB quieter, and darker through the low-pass.
      const float behind = static_cast<float>(127 - a.span) / 127.0f;
      const float level = (1.0f - 0.5f * behind) * gain_of(a.attenuation);
      left *= ear_gain(a.pan) * level;
      right *= ear_gain(128u - a.pan) * level;
      lowpass *= 1.0f - 0.85f * static_cast<float>(a.src) / 127.0f;
      pitch *= a.pitch;
    } else if (a.type == ART_TYPE_VOLUME) {
      const float g = gain_of(a.attenuation);
      left *= g;
      right *= g;
      if (!a.shown || a.shown_attenuation != a.attenuation) {
        a.shown = true;
        a.shown_attenuation = a.attenuation;
        trace("art_service_snds t=%llu voice%d volume attenuation=0x%08lX",
              static_cast<unsigned long long>(clock_samples()), index,
              static_cast<unsigned long>(static_cast<u32>(a.attenuation)));
      }
    }
  }
  voice->art_left = left;
  voice->art_right = right;
  voice->art_lowpass = lowpass;
  voice->art_pitch = pitch;
  voice->articulated = 1;
}

// Main thread, audio lock held: the program's record <-> the stand-in's copy.
void sync_sound(Sound* snd) {
  std::vector<Art> chain;
  const ART_TYPE* record = snd->record->articulators;
  for (int n = 0; record != nullptr && n < kMaxChain; ++n, record = static_cast<const ART_TYPE*>(record->next)) {
    Art a{record, record->type};
    bool known = false;
    for (const Art& old : snd->chain)
      if (old.record == record && old.type == record->type) {
        a = old;
        known = true;
      }
    if (record->type == ART_TYPE_3D) {
      ART_3D_TYPE* r = const_cast<ART_3D_TYPE*>(reinterpret_cast<const ART_3D_TYPE*>(record));
      if (known) {  // outputs of the service go back to the program's record
        r->pan = a.pan;
        r->span = a.span;
        r->src = a.src;
        r->itdL = 0;
        r->itdR = 0;
        r->pitch = a.pitch;
        r->attenuation = a.attenuation;
      } else {
        a.pan = r->pan;
        a.span = r->span;
        a.src = r->src;
        a.pitch = r->pitch;
        a.attenuation = r->attenuation;
      }
      a.h = r->h_angle;
      a.v = r->v_angle;
      a.dist = r->dist;
      a.closing = r->closing_speed;
      a.update = r->update;
    } else if (record->type == ART_TYPE_VOLUME) {
      a.attenuation = reinterpret_cast<const ART_VOL_TYPE*>(record)->attenuation;
    }
    chain.push_back(a);
  }
  snd->chain = std::move(chain);
  snd->voice = snd->record->vpb;
}

const char* type_name(u32 type) {
  return type == ART_TYPE_3D ? "3D" : type == ART_TYPE_VOLUME ? "volume" : "other";
}

// Inputs of a sound's articulators, for the trace (main thread).
std::string state_of(const ART_SOUND_TYPE* snd) {
  std::string text;
  char buf[192];
  const ART_TYPE* art = snd->articulators;
  for (int n = 0; art != nullptr && n < kMaxChain; ++n, art = static_cast<const ART_TYPE*>(art->next)) {
    if (art->type == ART_TYPE_3D) {
      const ART_3D_TYPE* a = reinterpret_cast<const ART_3D_TYPE*>(art);
      std::snprintf(buf, sizeof buf, "%sh_angle=0x%08lX v_angle=0x%08lX dist=0x%08lX closing_speed=0x%08lX update=%lu",
                    text.empty() ? "" : " ", static_cast<unsigned long>(f32_bits(a->h_angle)),
                    static_cast<unsigned long>(f32_bits(a->v_angle)), static_cast<unsigned long>(f32_bits(a->dist)),
                    static_cast<unsigned long>(f32_bits(a->closing_speed)), static_cast<unsigned long>(a->update));
    } else if (art->type == ART_TYPE_VOLUME) {
      const ART_VOL_TYPE* a = reinterpret_cast<const ART_VOL_TYPE*>(art);
      std::snprintf(buf, sizeof buf, "%sattenuation=0x%08lX", text.empty() ? "" : " ",
                    static_cast<unsigned long>(static_cast<u32>(a->attenuation)));
    } else {
      continue;
    }
    text += buf;
  }
  return text;
}

std::string chain_of(const ART_SOUND_TYPE* snd) {
  std::string text;
  const ART_TYPE* art = snd->articulators;
  for (int n = 0; art != nullptr && n < kMaxChain; ++n, art = static_cast<const ART_TYPE*>(art->next)) {
    if (!text.empty()) text += ",";
    text += type_name(art->type);
  }
  return text.empty() ? "none" : text;
}

}  // namespace

void art_sync() {
  std::lock_guard<std::mutex> hold(audio_mutex());
  for (Sound& s : sounds) sync_sound(&s);
}

std::string art_state_of_voice(const MINI_AX_VOICE_PB_TYPE* voice) {
  std::lock_guard<std::mutex> hold(audio_mutex());
  for (const Sound& s : sounds)
    if (s.record->vpb == voice) return state_of(s.record);
  return "not articulated";
}

void art_trace_final_state() {
  std::lock_guard<std::mutex> hold(audio_mutex());
  for (const Sound& s : sounds) trace("state voice%d %s", voice_index(s.record->vpb), state_of(s.record).c_str());
}

}  // namespace standin

using namespace standin;

extern "C" void art_init(void) {
  trace("art_init");
  std::lock_guard<std::mutex> hold(audio_mutex());
  sounds.clear();
}

extern "C" void art_init_3D(ART_3D_TYPE* art) {
  trace("art_init_3D");
  if (art == nullptr) return;
  art->art.next = nullptr;
  art->art.type = ART_TYPE_3D;
  art->h_angle = 0.0f;
  art->v_angle = 0.0f;
  art->dist = 0.0f;
  art->closing_speed = 0.0f;
  art->update = 0;
  art->pan = 64;
  art->span = 127;
  art->src = 0;
  art->itdL = 0;
  art->itdR = 0;
  art->pitch = 1.0f;
  art->attenuation = 0;
}

extern "C" void art_init_volume(ART_VOL_TYPE* art) {
  trace("art_init_volume");
  if (art == nullptr) return;
  art->art.next = nullptr;
  art->art.type = ART_TYPE_VOLUME;
  art->attenuation = 0;
}

extern "C" void art_add_articulator(ART_SOUND_TYPE* snd, ART_TYPE* art) {
  trace("art_add_articulator %s", art ? type_name(art->type) : "null");
  if (snd == nullptr || art == nullptr) return;
  ART_TYPE* last = nullptr;
  int n = 0;
  for (ART_TYPE* a = snd->articulators; a != nullptr; a = static_cast<ART_TYPE*>(a->next)) {
    if (a == art || ++n > kMaxChain) return;  // already chained, or the chain is broken
    last = a;
  }
  art->next = nullptr;
  if (last == nullptr)
    snd->articulators = art;
  else
    last->next = art;
  art_sync();  // the sound may be registered already
}

extern "C" void art_add_sound(ART_SOUND_TYPE* snd) {
  if (snd == nullptr) {
    trace("art_add_sound null");
    return;
  }
  trace("art_add_sound voice%d sample_rate=0x%08lX chain=%s %s", voice_index(snd->vpb),
        static_cast<unsigned long>(f32_bits(snd->sample_rate)), chain_of(snd).c_str(), state_of(snd).c_str());
  {
    std::lock_guard<std::mutex> hold(audio_mutex());
    for (const Sound& s : sounds)
      if (s.record == snd) return;
    // The library links its sounds through their next/prev fields.
    snd->next = nullptr;
    snd->prev = sounds.empty() ? nullptr : sounds.back().record;
    if (!sounds.empty()) sounds.back().record->next = snd;
    sounds.push_back(Sound{snd, snd->vpb, {}});
  }
  art_sync();
}

extern "C" void art_service_snds(void) {
  std::lock_guard<std::mutex> hold(audio_mutex());
  for (Sound& s : sounds) service_sound(&s);
}
