// Recording fake of the console libraries: see fake_console.h.
#include "fake_console.h"

#include <cstdio>
#include <cstdlib>

FakeScript fake_script;

namespace {

std::vector<std::string> log_lines;
MINI_AX_VOICE_PB_TYPE the_voice;
u8 the_data[4];
std::size_t frame = 0;
u16 buttons = 0;
MINI_AX_CALLBACK audio_frame = nullptr;

std::string hex(u32 v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(v));
  return buf;
}

// Writes the log and ends the run, as the stand-in does at its frame budget.
[[noreturn]] void end_run() {
  std::FILE* f = std::fopen(fake_script.log_path.c_str(), "w");
  if (f != nullptr) {
    for (const std::string& line : log_lines) std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
  std::fflush(stdout);
  std::_Exit(0);
}

}  // namespace

void fake_log(const std::string& line) { log_lines.push_back(line); }

std::string fake_value_text(f32 v) {
  u32 bits;
  std::memcpy(&bits, &v, sizeof bits);
  return hex(bits);
}
std::string fake_value_text(u32 v) { return hex(v); }
std::string fake_value_text(s32 v) { return hex(static_cast<u32>(v)); }
std::string fake_value_text(MINI_AX_VOICE_PB_TYPE* v) { return v == &the_voice ? "voice" : "other"; }

extern "C" {

void system_init(void) { fake_log("system_init"); }
void mixer_init(void) { fake_log("mixer_init"); }
void mixer_update_settings(void) { fake_log("mixer_update_settings"); }
void art_init(void) { fake_log("art_init"); }

void art_init_3D(ART_3D_TYPE* art) {
  fake_log("art_init_3D");
  art->art.next = nullptr;
  art->art.type = 1;
  // Leave values the demo must overwrite, and an update flag it must keep.
  art->h_angle.value = art->v_angle.value = art->dist.value = art->closing_speed.value = 9.0f;
  art->update.value = 7;
}

void art_init_volume(ART_VOL_TYPE* art) {
  fake_log("art_init_volume");
  art->art.next = nullptr;
  art->art.type = 2;
  art->attenuation.value = 5;
}

void art_add_articulator(ART_SOUND_TYPE* snd, ART_TYPE* art) {
  fake_log(std::string("art_add_articulator ") + (art->type == 1 ? "3D" : art->type == 2 ? "volume" : "other"));
  ART_TYPE** link = &snd->articulators;
  while (*link != nullptr) link = reinterpret_cast<ART_TYPE**>(&(*link)->next);
  *link = art;
}

void art_add_sound(ART_SOUND_TYPE* snd) {
  const ART_TYPE* first = snd->articulators;
  const ART_TYPE* second = first ? static_cast<const ART_TYPE*>(first->next) : nullptr;
  fake_log(std::string("art_add_sound chain=") + (first ? std::to_string(first->type) : "-") + "," +
           (second ? std::to_string(second->type) : "-"));
}

void art_service_snds(void) { fake_log("art_service_snds"); }

s32 device_sd_init(void) {
  fake_log("device_sd_init");
  return fake_script.sd_result;
}

u8* mini_ax_read_audio(const char* path, DSP_ADPCM_HEADER* header, u8 flag) {
  fake_log(std::string("mini_ax_read_audio ") + path + " " + std::to_string(flag));
  if (fake_script.read_fails) return nullptr;
  std::memset(header, 0, sizeof *header);
  header->num_samples = 2;
  header->sample_rate = fake_script.sample_rate;
  return the_data;
}

void mini_ax_reg_callback(MINI_AX_CALLBACK callback) {
  fake_log("mini_ax_reg_callback");
  audio_frame = callback;
}

// Runs one audio frame at once, so the log shows what the demo's callback does.
void mini_ax_init(void) {
  fake_log("mini_ax_init");
  if (audio_frame != nullptr) audio_frame();
}

s32 mini_ax_load_sample(u8* data, DSP_ADPCM_HEADER* header) {
  fake_log(std::string("mini_ax_load_sample ") + (data == the_data ? "data" : "other") +
           (header != nullptr && header->sample_rate == fake_script.sample_rate ? " header" : " other"));
  return fake_script.sound_id;
}

MINI_AX_VOICE_PB_TYPE* mini_ax_get_voice(s32 sound_id) {
  fake_log("mini_ax_get_voice " + std::to_string(sound_id));
  return &the_voice;
}

u32 mini_ax_get_sample_rate(s32 sound_id) {
  fake_log("mini_ax_get_sample_rate " + std::to_string(sound_id));
  return fake_script.sample_rate;
}

void mini_ax_set_mode(u8 mode) { fake_log("mini_ax_set_mode " + std::to_string(mode)); }

void mini_ax_play_sample(s32 sound_id, s32 start, u8 pan, u8 loop) {
  fake_log("mini_ax_play_sample " + std::to_string(sound_id) + " " + std::to_string(start) + " " +
           std::to_string(pan) + " " + std::to_string(loop));
}

void video_waitVSync(void) {
  if (frame >= fake_script.frames) end_run();
  ++frame;
  fake_log("video_waitVSync");
}

u32 pad_scan_pads(void) {
  fake_log("pad_scan_pads");
  buttons = frame - 1 < fake_script.pads.size() ? fake_script.pads[frame - 1] : 0;
  return 1;
}

u16 pad_buttons_down(s32 pad) {
  fake_log("pad_buttons_down " + std::to_string(pad));
  return pad == 0 ? buttons : 0;
}

void mdelay(u32 ms) { fake_log("mdelay " + std::to_string(ms)); }

}  // extern "C"
