// Articulation service stand-in. Each audio frame it walks the registered
// sounds and turns their articulator chains into the gains, filter and pitch
// of their voices.
//
// The program writes the articulators' input fields from its main loop with
// plain stores while this service reads them on the audio thread; the reads
// are relaxed atomic loads, so each one sees a whole value written by the
// program and the compiler cannot cache it across frames.
#include <cmath>
#include <cstdio>

#include "art_sound.h"
#include "standin.h"

namespace standin {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSpeedOfSound = 343.0;  // m/s, for the Doppler pitch
constexpr int kMaxChain = 64;            // a longer chain is taken as a loop

ART_SOUND_TYPE* head = nullptr;  // registered sounds, guarded by audio_mutex()

// What the trace last showed for one articulator (audio thread only).
struct Shown {
  const void* art;
  u32 h, v, d, c;
  s32 attenuation;
};
std::vector<Shown> shown;

template <typename T>
T load(const T* field) {
  T value;
  __atomic_load(field, &value, __ATOMIC_RELAXED);
  return value;
}

f32 finite_or_zero(f32 x) { return std::isfinite(x) ? x : 0.0f; }

// Attenuation in 16.16 tenths of a dB to a linear gain, no boost above 0 dB.
double gain_of(s32 attenuation) {
  if (attenuation <= ART_ATTENUATION_SILENT) return 0.0;
  if (attenuation >= 0) return 1.0;
  return std::pow(10.0, static_cast<double>(attenuation) / 65536.0 / 200.0);
}

Shown* shown_for(const void* art) {
  for (Shown& s : shown)
    if (s.art == art) return &s;
  shown.push_back(Shown{art, 0, 0, 0, 0, 0});
  Shown* s = &shown.back();
  s->attenuation = 1;  // a value no articulator starts with, so the first one shows
  s->h = 0xFFFFFFFFu;
  return s;
}

// 3D articulator: recompute the outputs from the inputs while update is set.
void service_3d(ART_3D_TYPE* a, int voice) {
  if (load(&a->update) == 0) return;
  const f32 h = finite_or_zero(load(&a->h_angle));
  const f32 v = finite_or_zero(load(&a->v_angle));
  const f32 dist = finite_or_zero(load(&a->dist));
  const f32 closing = finite_or_zero(load(&a->closing_speed));

  const double lateral = std::sin(h) * std::fabs(std::cos(v));  // -1 left .. 1 right
  const double ahead = std::cos(h);                              // 1 ahead, 0 beside, -1 behind
  a->pan = static_cast<u8>(std::lround(64.0 + 64.0 * lateral));
  a->span = static_cast<u8>(std::lround(127.0 * (1.0 - std::fmax(0.0, -ahead))));
  a->src = static_cast<u8>(127 - a->span);
  a->itdL = 0;
  a->itdR = 0;
  const double speed = std::fmax(-0.9 * kSpeedOfSound, std::fmin(0.9 * kSpeedOfSound, closing));
  a->pitch = static_cast<f32>(kSpeedOfSound / (kSpeedOfSound - speed));
  const double db_tenths = dist > 1.0f ? -200.0 * std::log10(static_cast<double>(dist)) : 0.0;
  a->attenuation = static_cast<s32>(std::fmax(db_tenths, -904.0) * 65536.0);

  Shown* s = shown_for(a);
  const u32 hb = f32_bits(h), vb = f32_bits(v), db = f32_bits(dist), cb = f32_bits(closing);
  if (s->h != hb || s->v != vb || s->d != db || s->c != cb) {
    *s = Shown{a, hb, vb, db, cb, 0};
    trace("art_service_snds t=%llu voice%d 3D h_angle=0x%08lX v_angle=0x%08lX dist=0x%08lX closing_speed=0x%08lX "
          "pan=%u span=%u src=%u",
          static_cast<unsigned long long>(clock_samples()), voice, static_cast<unsigned long>(hb),
          static_cast<unsigned long>(vb), static_cast<unsigned long>(db), static_cast<unsigned long>(cb), a->pan,
          a->span, a->src);
  }
}

void service_sound(ART_SOUND_TYPE* snd) {
  MINI_AX_VOICE_PB_TYPE* voice = snd->vpb;
  if (voice == nullptr) return;
  const int index = voice_index(voice);
  double left = 1.0, right = 1.0, lowpass = 1.0, pitch = 1.0;
  ART_TYPE* art = snd->articulators;
  for (int n = 0; art != nullptr && n < kMaxChain; ++n, art = static_cast<ART_TYPE*>(art->next)) {
    if (art->type == ART_TYPE_3D) {
      ART_3D_TYPE* a = reinterpret_cast<ART_3D_TYPE*>(art);
      service_3d(a, index);
      // Head shadow: the far ear keeps some of the sound (pan 0..128 -> 0.1..0.9).
      const double x = 0.1 + 0.8 * (a->pan / 128.0);
      const double behind = (127 - a->span) / 127.0;
      const double level = (1.0 - 0.5 * behind) * gain_of(a->attenuation);
      left *= std::cos(x * kPi / 2) * level;
      right *= std::cos((1.0 - x) * kPi / 2) * level;
      lowpass *= 1.0 - 0.85 * (a->src / 127.0);
      pitch *= a->pitch;
    } else if (art->type == ART_TYPE_VOLUME) {
      ART_VOL_TYPE* a = reinterpret_cast<ART_VOL_TYPE*>(art);
      const s32 attenuation = load(&a->attenuation);
      const double g = gain_of(attenuation);
      left *= g;
      right *= g;
      Shown* s = shown_for(a);
      if (s->attenuation != attenuation) {
        s->attenuation = attenuation;
        trace("art_service_snds t=%llu voice%d volume attenuation=0x%08lX",
              static_cast<unsigned long long>(clock_samples()), index,
              static_cast<unsigned long>(static_cast<u32>(attenuation)));
      }
    }
  }
  voice->art_left = static_cast<f32>(left);
  voice->art_right = static_cast<f32>(right);
  voice->art_lowpass = static_cast<f32>(lowpass);
  voice->art_pitch = static_cast<f32>(pitch);
  voice->articulated = 1;
}

const char* type_name(u32 type) {
  return type == ART_TYPE_3D ? "3D" : type == ART_TYPE_VOLUME ? "volume" : "other";
}

// Inputs of a sound's articulators, for the trace; caller holds audio_mutex().
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

std::string art_state_of_voice(const MINI_AX_VOICE_PB_TYPE* voice) {
  std::lock_guard<std::mutex> hold(audio_mutex());
  for (ART_SOUND_TYPE* s = head; s != nullptr; s = static_cast<ART_SOUND_TYPE*>(s->next))
    if (s->vpb == voice) return state_of(s);
  return "not articulated";
}

void art_trace_final_state() {
  std::lock_guard<std::mutex> hold(audio_mutex());
  for (ART_SOUND_TYPE* s = head; s != nullptr; s = static_cast<ART_SOUND_TYPE*>(s->next))
    trace("state voice%d %s", voice_index(s->vpb), state_of(s).c_str());
}

}  // namespace standin

using namespace standin;

extern "C" void art_init(void) {
  trace("art_init");
  std::lock_guard<std::mutex> hold(audio_mutex());
  head = nullptr;
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
  std::lock_guard<std::mutex> hold(audio_mutex());
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
}

extern "C" void art_add_sound(ART_SOUND_TYPE* snd) {
  if (snd == nullptr) {
    trace("art_add_sound null");
    return;
  }
  std::lock_guard<std::mutex> hold(audio_mutex());
  trace("art_add_sound voice%d sample_rate=0x%08lX chain=%s %s", voice_index(snd->vpb),
        static_cast<unsigned long>(f32_bits(snd->sample_rate)), chain_of(snd).c_str(), state_of(snd).c_str());
  for (ART_SOUND_TYPE* s = head; s != nullptr; s = static_cast<ART_SOUND_TYPE*>(s->next))
    if (s == snd) return;
  snd->prev = nullptr;
  snd->next = head;
  if (head != nullptr) head->prev = snd;
  head = snd;
}

extern "C" void art_service_snds(void) {
  std::lock_guard<std::mutex> hold(audio_mutex());
  for (ART_SOUND_TYPE* s = head; s != nullptr; s = static_cast<ART_SOUND_TYPE*>(s->next)) service_sound(s);
}
