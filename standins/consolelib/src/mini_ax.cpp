// Audio library stand-in: WAV reading, sound memory, one voice per sound,
// the per-frame render (linear-interpolating resampler, one-pole low-pass,
// stereo gains) and the hand-off of each frame to the WAV output.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "standin.h"

namespace standin {
namespace {

constexpr std::size_t kMaxSounds = 16;
constexpr std::size_t kSoundMemorySamples = 8u * 1024 * 1024;  // 16 MiB of 16-bit samples
constexpr u32 kMaxSampleRate = 2 * MINI_AX_OUTPUT_RATE;        // the resampler steps at most 2:1
constexpr long kMaxFileBytes = 64L * 1024 * 1024;

struct Sound {
  std::vector<s16> samples;
  u32 sample_rate;
};

std::mutex audio_lock;
std::vector<Sound> sounds;                    // index = sound id
MINI_AX_VOICE_PB_TYPE voices[kMaxSounds];     // voice i plays sound i
std::size_t memory_used = 0;
MINI_AX_CALLBACK user_callback = nullptr;
u8 output_mode = MINI_AX_MODE_MONO;

bool read_file(const std::string& path, std::vector<u8>* bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  long size = ok ? std::ftell(f) : -1;
  ok = ok && size >= 0 && size <= kMaxFileBytes && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok) {
    bytes->resize(static_cast<std::size_t>(size));
    ok = std::fread(bytes->data(), 1, bytes->size(), f) == bytes->size();
  }
  std::fclose(f);
  return ok;
}

void render_voice(MINI_AX_VOICE_PB_TYPE* v, const Sound& s, f32* left, f32* right) {
  const std::size_t len = s.samples.size();
  // Source samples per output sample in 16.16; the pitch factor stays within 0..4.
  const float pitch = std::fmin(std::fmax(v->pitch, 0.0f), 4.0f);
  const u32 step = static_cast<u32>(
      (static_cast<std::uint64_t>(s.sample_rate) * static_cast<std::uint64_t>(pitch * 65536.0f) * 65536u /
       MINI_AX_OUTPUT_RATE) >> 16);
  for (std::size_t n = 0; n < MINI_AX_FRAME_SAMPLES && v->playing; ++n) {
    const f32 a = s.samples[v->position];
    const f32 b = (v->position + 1 < len) ? s.samples[v->position + 1] : (v->loop ? s.samples[0] : 0.0f);
    const f32 x = a + (b - a) * static_cast<f32>(v->fraction) / 65536.0f;
    v->filter_state += v->lowpass * (x - v->filter_state);
    left[n] += v->filter_state * v->left;
    right[n] += v->filter_state * v->right;
    const u32 f = v->fraction + step;
    v->position += f >> 16;
    v->fraction = f & 0xFFFFu;
    if (v->position >= len) {
      if (v->loop) {
        v->position %= static_cast<u32>(len);
      } else {
        v->playing = 0;
        v->filter_state = 0.0f;
      }
    }
  }
}

s16 to_s16(f32 x) {
  if (x >= 32767.0f) return 32767;
  if (x <= -32768.0f) return -32768;
  return static_cast<s16>(std::lrint(x));
}

// One audio frame: the program's callback, then the render, then the output.
void audio_frame() {
  if (user_callback != nullptr) user_callback();
  f32 left[MINI_AX_FRAME_SAMPLES] = {};
  f32 right[MINI_AX_FRAME_SAMPLES] = {};
  s16 out[2 * MINI_AX_FRAME_SAMPLES];
  {
    std::lock_guard<std::mutex> hold(audio_lock);
    for (std::size_t i = 0; i < sounds.size(); ++i)
      if (voices[i].playing) render_voice(&voices[i], sounds[i], left, right);
    for (std::size_t n = 0; n < MINI_AX_FRAME_SAMPLES; ++n) {
      if (output_mode == MINI_AX_MODE_MONO) left[n] = right[n] = (left[n] + right[n]) * 0.5f;
      out[2 * n] = to_s16(left[n]);
      out[2 * n + 1] = to_s16(right[n]);
    }
  }
  wav_out_write(out, MINI_AX_FRAME_SAMPLES);
}

}  // namespace

std::mutex& audio_mutex() { return audio_lock; }
std::size_t voice_count() { return sounds.size(); }
MINI_AX_VOICE_PB_TYPE* voice_at(std::size_t index) { return &voices[index]; }

int voice_index(const MINI_AX_VOICE_PB_TYPE* voice) {
  for (std::size_t i = 0; i < kMaxSounds; ++i)
    if (voice == &voices[i]) return static_cast<int>(i);
  return -1;
}

void audio_close() { wav_out_close(); }

}  // namespace standin

using namespace standin;

extern "C" u8* mini_ax_read_audio(const char* path, DSP_ADPCM_HEADER* header, u8 flag) {
  const char* why = nullptr;
  std::string host;
  std::vector<u8> bytes;
  Pcm pcm;
  if (header == nullptr) {
    why = "no header";
  } else if (!sd_host_path(path, &host)) {
    why = "not on a mounted card";
  } else if (!read_file(host, &bytes)) {
    why = "cannot read the file";
  } else {
    wav_parse(bytes.data(), bytes.size(), &pcm, &why);
  }
  u8* data = nullptr;
  if (why == nullptr) {
    data = static_cast<u8*>(std::malloc(2 * pcm.samples.size()));
    if (data == nullptr) why = "out of memory";
  }
  if (why != nullptr) {
    trace("mini_ax_read_audio \"%s\" flag=%u -> null (%s)", path ? path : "(null)", flag, why);
    return nullptr;
  }
  for (std::size_t i = 0; i < pcm.samples.size(); ++i) {  // console byte order: big-endian
    const u16 v = static_cast<u16>(pcm.samples[i]);
    data[2 * i] = static_cast<u8>(v >> 8);
    data[2 * i + 1] = static_cast<u8>(v);
  }
  std::memset(header, 0, sizeof *header);
  header->num_samples = static_cast<u32>(pcm.samples.size());
  header->num_nibbles_channels = header->num_samples * 4;
  header->sample_rate = pcm.sample_rate;
  header->loop_flag = flag & 1u;
  header->format = MINI_AX_FORMAT_PCM16;
  header->loop_end = header->num_samples - 1;
  trace("mini_ax_read_audio \"%s\" flag=%u -> data num_samples=%lu sample_rate=%lu", path, flag,
        static_cast<unsigned long>(header->num_samples), static_cast<unsigned long>(header->sample_rate));
  return data;
}

extern "C" void mini_ax_reg_callback(MINI_AX_CALLBACK callback) {
  {
    std::lock_guard<std::mutex> hold(audio_lock);
    user_callback = callback;
  }
  trace("mini_ax_reg_callback");
}

extern "C" void mini_ax_init(void) {
  trace("mini_ax_init");
  const std::string& out = config().audio_out;
  if (!out.empty() && !wav_out_open(out)) config_fail("CONSOLE_AUDIO_OUT: cannot write '" + out + "'");
  clock_start(audio_frame);
}

extern "C" s32 mini_ax_load_sample(u8* data, DSP_ADPCM_HEADER* header) {
  const char* why = nullptr;
  s32 id = -1;
  {
    std::lock_guard<std::mutex> hold(audio_lock);
    if (data == nullptr || header == nullptr) {
      why = "no data";
    } else if (header->format != MINI_AX_FORMAT_PCM16 || header->num_samples == 0) {
      why = "not a PCM16 sound";
    } else if (header->sample_rate == 0 || header->sample_rate > kMaxSampleRate) {
      why = "sample rate beyond the voice's pitch range";
    } else if (sounds.size() == kMaxSounds) {
      why = "no free voice";
    } else if (header->num_samples > kSoundMemorySamples - memory_used) {
      why = "sound memory full";
    } else {
      Sound s;
      s.sample_rate = header->sample_rate;
      s.samples.resize(header->num_samples);
      for (std::size_t i = 0; i < s.samples.size(); ++i)
        s.samples[i] = static_cast<s16>(static_cast<u16>(data[2 * i] << 8 | data[2 * i + 1]));
      memory_used += s.samples.size();
      id = static_cast<s32>(sounds.size());
      sounds.push_back(std::move(s));
      MINI_AX_VOICE_PB_TYPE& v = voices[id];
      std::memset(&v, 0, sizeof v);
      v.pan = 64;
      v.art_lowpass = v.lowpass = 1.0f;
      v.art_pitch = v.pitch = 1.0f;
    }
  }
  if (why != nullptr)
    trace("mini_ax_load_sample -> -1 (%s)", why);
  else
    trace("mini_ax_load_sample num_samples=%lu -> %ld", static_cast<unsigned long>(header->num_samples),
          static_cast<long>(id));
  return id;
}

extern "C" MINI_AX_VOICE_PB_TYPE* mini_ax_get_voice(s32 sound_id) {
  MINI_AX_VOICE_PB_TYPE* v = nullptr;
  {
    std::lock_guard<std::mutex> hold(audio_lock);
    if (sound_id >= 0 && static_cast<std::size_t>(sound_id) < sounds.size()) v = &voices[sound_id];
  }
  if (v != nullptr)
    trace("mini_ax_get_voice %ld -> voice%ld", static_cast<long>(sound_id), static_cast<long>(sound_id));
  else
    trace("mini_ax_get_voice %ld -> null", static_cast<long>(sound_id));
  return v;
}

extern "C" u32 mini_ax_get_sample_rate(s32 sound_id) {
  u32 rate = 0;
  {
    std::lock_guard<std::mutex> hold(audio_lock);
    if (sound_id >= 0 && static_cast<std::size_t>(sound_id) < sounds.size()) rate = sounds[sound_id].sample_rate;
  }
  trace("mini_ax_get_sample_rate %ld -> %lu", static_cast<long>(sound_id), static_cast<unsigned long>(rate));
  return rate;
}

extern "C" void mini_ax_set_mode(u8 mode) {
  trace("mini_ax_set_mode %u", mode);
  std::lock_guard<std::mutex> hold(audio_lock);
  if (mode == MINI_AX_MODE_MONO || mode == MINI_AX_MODE_STEREO) output_mode = mode;
}

extern "C" void mini_ax_play_sample(s32 sound_id, s32 start, u8 pan, u8 loop) {
  MINI_AX_VOICE_PB_TYPE* v = nullptr;
  {
    std::lock_guard<std::mutex> hold(audio_lock);
    if (sound_id >= 0 && static_cast<std::size_t>(sound_id) < sounds.size()) v = &voices[sound_id];
  }
  // The articulators' fields as the audio thread will next read them.
  const std::string state = v ? art_state_of_voice(v) : std::string("unknown sound");
  trace("mini_ax_play_sample %ld %ld %u %u %s", static_cast<long>(sound_id), static_cast<long>(start), pan, loop,
        state.c_str());
  if (v == nullptr) return;
  art_sync();  // the sound starts with the articulation the program has just set
  std::lock_guard<std::mutex> hold(audio_lock);
  const std::size_t len = sounds[static_cast<std::size_t>(sound_id)].samples.size();
  if (start < 0) start = 0;
  if (static_cast<std::size_t>(start) >= len) return;  // nothing left to play
  v->position = static_cast<u32>(start);
  v->fraction = 0;
  v->pan = pan > 128 ? 128 : pan;
  v->loop = loop != 0;
  v->filter_state = 0.0f;
  v->playing = 1;
}
