// tamsel: plays one sound from the SD card through the 3D articulation,
// from the direction picked in a four-entry text menu (Centre, Right, Left,
// Surround). Down/Up move the bracket cursor, A plays the sound for up to a
// second, then it is muted and the menu is drawn again.
//
// Two flows share snd_sample without a lock: the menu loop below and
// callback_audio_frame, which the audio library calls on its own schedule.
// The loop writes the articulator fields with plain single-word stores, in
// the order angles, dist, closing_speed, update, attenuation; the
// articulation service reads them from the callback.
#include <stdio.h>

#include "art.h"
#include "art_sound.h"
#include "device_sd.h"
#include "mini_ax.h"
#include "mixer.h"
#include "pad.h"
#include "system.h"
#include "timer.h"
#include "video.h"

typedef struct {
  ART_SOUND_TYPE art_sound;
  ART_3D_TYPE art_3d;
  ART_VOL_TYPE art_volume;
  s32 sound_id;
} SND_OBJECT_TYPE;

namespace {

// -904.0 in signed 16.16 fixed point (0xFC780000): the muted level.
constexpr s32 muted_attenuation = -904 * 65536;

SND_OBJECT_TYPE snd_sample;

char options[4][9] = {"Centre", "Right", "Left", "Surround"};

// Builds the articulated sound around the sample already in snd_obj->sound_id:
// 3D articulator first in the chain, volume second, starting muted.
void setup_art_snd(SND_OBJECT_TYPE* snd_obj) {
  art_init_3D(&snd_obj->art_3d);
  art_init_volume(&snd_obj->art_volume);

  art_add_articulator(&snd_obj->art_sound, &snd_obj->art_3d.art);
  art_add_articulator(&snd_obj->art_sound, &snd_obj->art_volume.art);

  snd_obj->art_3d.h_angle = 0.0f;
  snd_obj->art_3d.v_angle = 0.0f;
  snd_obj->art_3d.dist = 0.0f;
  snd_obj->art_3d.closing_speed = 0.0f;
  snd_obj->art_volume.attenuation = muted_attenuation;

  snd_obj->art_sound.vpb = mini_ax_get_voice(snd_obj->sound_id);
  snd_obj->art_sound.sample_rate = static_cast<f32>(mini_ax_get_sample_rate(snd_obj->sound_id));

  art_add_sound(&snd_obj->art_sound);
  mini_ax_set_mode(1);
}

// Per-frame audio service, called by the audio library.
void callback_audio_frame() {
  art_service_snds();
  mixer_update_settings();
}

}  // namespace

int main() {
  u8 ret_val;
  u8* snd_data;
  DSP_ADPCM_HEADER header;
  u32 line;
  u32 i;
  u32 pad_but;

  system_init();
  mixer_init();
  art_init();
  mini_ax_reg_callback(callback_audio_frame);

  puts("\nMounting a volume.");
  ret_val = static_cast<u8>(device_sd_init());
  if (ret_val != 1) {
    puts("SD card failed to initialize!\r");
    for (;;) video_waitVSync();
  }

  snd_data = mini_ax_read_audio("sd_gecko:/examples/audio/art/alright.wav", &header, 0);
  if (snd_data == nullptr) {
    puts("Audio Demo: failed to sound data !");
    for (;;) video_waitVSync();
  }

  mini_ax_init();

  snd_sample.sound_id = mini_ax_load_sample(snd_data, &header);
  if (snd_sample.sound_id == -1) {
    puts("Audio Demo: Cant get sound ID to play sample !");
    for (;;) video_waitVSync();
  }

  setup_art_snd(&snd_sample);

  for (;;) {
    puts("\x1b[2J");
    printf("\x1b[%d;20H]\x1b[22C[\n", 12);
    for (i = 0; i < 4; i++) printf("\x1b[%d;24H %s\n", static_cast<int>(12 + i), options[i]);
    line = 12;

    for (;;) {
      video_waitVSync();
      pad_scan_pads();
      pad_but = pad_buttons_down(0);

      if (pad_but & 0x0004) {
        printf("\x1b[%d;20H \x1b[22C \n", static_cast<int>(line));
        if (line < 15) line++;
        printf("\x1b[%d;20H]\x1b[22C[\n", static_cast<int>(line));
      }
      if (pad_but & 0x0008) {
        printf("\x1b[%d;20H \x1b[22C \n", static_cast<int>(line));
        if (line > 12) line--;
        printf("\x1b[%d;20H]\x1b[22C[\n", static_cast<int>(line));
      }
      if (pad_but & 0x0100) break;
    }

    switch (line) {
      case 13:
        snd_sample.art_3d.h_angle = 1.5708f;
        snd_sample.art_3d.v_angle = 0.0f;
        break;
      case 14:
        snd_sample.art_3d.h_angle = 4.71239f;
        snd_sample.art_3d.v_angle = 0.0f;
        break;
      case 15:
        snd_sample.art_3d.h_angle = 3.14159f;
        snd_sample.art_3d.v_angle = 3.14159f;
        break;
      default:
        snd_sample.art_3d.h_angle = 0.0f;
        snd_sample.art_3d.v_angle = 0.0f;
        break;
    }
    snd_sample.art_3d.dist = 0.0f;
    snd_sample.art_3d.closing_speed = 0.0f;
    snd_sample.art_3d.update = 1;
    snd_sample.art_volume.attenuation = 0;

    mini_ax_play_sample(snd_sample.sound_id, 0, 64, 0);
    mdelay(1000);

    snd_sample.art_volume.attenuation = muted_attenuation;
  }
}
