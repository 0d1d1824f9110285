// Recording fake of the console libraries for the demo's own unit test.
// Instead of the stand-in's behaviour it logs, in order, every call the demo
// makes and every store the demo makes into the articulator and sound
// records: the record fields are wrappers whose assignment writes a log line,
// so the order of plain stores becomes visible. The test sets a script
// (SD result, read and load results, pad words), runs the demo's main in a
// child process and reads the log file that the fake writes when the frame
// budget is spent.
#ifndef TAMSEL_FAKE_CONSOLE_H
#define TAMSEL_FAKE_CONSOLE_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

typedef uint8_t u8;
typedef uint16_t u16;
typedef uint32_t u32;
typedef int16_t s16;
typedef int32_t s32;
typedef float f32;

struct MINI_AX_VOICE_PB_TYPE {
  u32 unused;
};

void fake_log(const std::string& line);
std::string fake_value_text(f32 v);
std::string fake_value_text(u32 v);
std::string fake_value_text(s32 v);
std::string fake_value_text(MINI_AX_VOICE_PB_TYPE* v);

// A record field whose stores are logged as "store <name>=<value>".
template <typename T, const char* Name>
struct traced {
  T value;
  traced& operator=(T v) {
    value = v;
    fake_log(std::string("store ") + Name + "=" + fake_value_text(v));
    return *this;
  }
  operator T() const { return value; }
};

inline constexpr char kHAngle[] = "h_angle";
inline constexpr char kVAngle[] = "v_angle";
inline constexpr char kDist[] = "dist";
inline constexpr char kClosingSpeed[] = "closing_speed";
inline constexpr char kUpdate[] = "update";
inline constexpr char kAttenuation3D[] = "3d.attenuation";
inline constexpr char kAttenuation[] = "attenuation";
inline constexpr char kVpb[] = "vpb";
inline constexpr char kSampleRate[] = "sample_rate";

struct ART_TYPE {
  void* next;
  u32 type;
};

struct ART_SOUND_TYPE {
  void* next;
  void* prev;
  traced<MINI_AX_VOICE_PB_TYPE*, kVpb> vpb;
  traced<f32, kSampleRate> sample_rate;
  ART_TYPE* articulators;
};

struct ART_3D_TYPE {
  ART_TYPE art;
  traced<f32, kHAngle> h_angle;
  traced<f32, kVAngle> v_angle;
  traced<f32, kDist> dist;
  traced<f32, kClosingSpeed> closing_speed;
  traced<u32, kUpdate> update;
  u8 pan;
  u8 span;
  u8 src;
  u16 itdL;
  u16 itdR;
  f32 pitch;
  traced<s32, kAttenuation3D> attenuation;
};

struct ART_VOL_TYPE {
  ART_TYPE art;
  traced<s32, kAttenuation> attenuation;
};

struct DSP_ADPCM_HEADER {
  u32 num_samples;
  u32 num_nibbles_channels;
  u32 sample_rate;
  u16 loop_flag;
  u16 format;
  u32 loop_start;
  u32 loop_end;
  u32 ca;
  s16 coef[16];
  s16 gain;
  s16 ps;
  s16 hist1;
  s16 hist2;
  s16 loop_ps;
  s16 loop_hist1;
  s16 loop_hist2;
  u16 pad[11];
};

typedef void (*MINI_AX_CALLBACK)(void);

extern "C" {
void system_init(void);
void mixer_init(void);
void mixer_update_settings(void);
void art_init(void);
void art_init_3D(ART_3D_TYPE* art);
void art_init_volume(ART_VOL_TYPE* art);
void art_add_articulator(ART_SOUND_TYPE* snd, ART_TYPE* art);
void art_add_sound(ART_SOUND_TYPE* snd);
void art_service_snds(void);
s32 device_sd_init(void);
u8* mini_ax_read_audio(const char* path, DSP_ADPCM_HEADER* header, u8 flag);
void mini_ax_reg_callback(MINI_AX_CALLBACK callback);
void mini_ax_init(void);
s32 mini_ax_load_sample(u8* data, DSP_ADPCM_HEADER* header);
MINI_AX_VOICE_PB_TYPE* mini_ax_get_voice(s32 sound_id);
u32 mini_ax_get_sample_rate(s32 sound_id);
void mini_ax_set_mode(u8 mode);
void mini_ax_play_sample(s32 sound_id, s32 start, u8 pan, u8 loop);
void video_waitVSync(void);
u32 pad_scan_pads(void);
u16 pad_buttons_down(s32 pad);
void mdelay(u32 ms);
}

// What the fake answers, set by the test before the demo runs.
struct FakeScript {
  s32 sd_result = 1;
  bool read_fails = false;
  s32 sound_id = 3;
  u32 sample_rate = 32000;
  std::vector<u16> pads;       // pad 0's word for each frame
  std::size_t frames = 0;      // the run ends at the first vsync past this
  std::string log_path;        // where the log goes when the run ends
};
extern FakeScript fake_script;

#endif
