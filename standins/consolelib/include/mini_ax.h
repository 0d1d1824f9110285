/* Audio library: reads sound files, loads samples into sound memory, plays
 * them on voices and calls the program's audio-frame callback once per frame
 * (every 5 ms, 160 stereo samples at 32000 Hz) on its own thread.
 * mini_ax_read_audio returns a heap block the caller owns (free() it);
 * mini_ax_load_sample copies it, so the caller may free it afterwards.
 * Failures: null pointers, sound identifier -1, sample rate 0. */
#ifndef CONSOLE_MINI_AX_H
#define CONSOLE_MINI_AX_H

#include "console_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define MINI_AX_OUTPUT_RATE 32000u  /* mixed output, samples per second */
#define MINI_AX_FRAME_SAMPLES 160u  /* output samples per audio frame */
#define MINI_AX_FORMAT_PCM16 0x000A /* DSP_ADPCM_HEADER.format: 16-bit big-endian PCM */
#define MINI_AX_MODE_MONO 0
#define MINI_AX_MODE_STEREO 1

/* A sound's header as mini_ax_read_audio fills it. */
typedef struct {
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
} DSP_ADPCM_HEADER;

/* A voice: one per loaded sound. The articulation service writes the art_*
 * fields, the mixer turns them into the applied gains, the audio thread
 * renders from the rest. Programs only pass pointers to it around. */
typedef struct {
  u32 playing;       /* 1 while the voice renders */
  u32 loop;          /* 1: start again at the end */
  u32 position;      /* next source sample */
  u32 fraction;      /* between position and position + 1, in 1/65536 */
  u32 pan;           /* base position 0 (left) .. 64 (centre) .. 128 (right) */
  u32 articulated;   /* 1 once the articulation service drives the gains */
  f32 art_left;      /* gains and filter the articulation service asks for */
  f32 art_right;
  f32 art_lowpass;   /* one-pole coefficient: 1 = unfiltered */
  f32 art_pitch;     /* playback-rate factor */
  f32 left;          /* applied by mixer_update_settings */
  f32 right;
  f32 lowpass;
  f32 pitch;
  f32 filter_state;
} MINI_AX_VOICE_PB_TYPE;

typedef void (*MINI_AX_CALLBACK)(void);

/* Reads a PCM WAV file (8/16-bit, mono or stereo, mixed down to mono) into
 * 16-bit big-endian samples and fills the header; flag bit 0 marks it looping.
 * Returns null if the file is missing, unreadable or not such a WAV. */
u8* mini_ax_read_audio(const char* path, DSP_ADPCM_HEADER* header, u8 flag);
void mini_ax_reg_callback(MINI_AX_CALLBACK callback); /* called once per audio frame */
void mini_ax_init(void);                      /* starts the audio frames */
s32 mini_ax_load_sample(u8* data, DSP_ADPCM_HEADER* header); /* sound id, -1 on failure */
MINI_AX_VOICE_PB_TYPE* mini_ax_get_voice(s32 sound_id);     /* null for an unknown id */
u32 mini_ax_get_sample_rate(s32 sound_id);                   /* 0 for an unknown id */
void mini_ax_set_mode(u8 mode);               /* MINI_AX_MODE_MONO or _STEREO; others ignored */
/* Starts the sound from source sample `start` with base pan 0..128 (64 =
 * centre); loop != 0 repeats it. Unknown ids are ignored. */
void mini_ax_play_sample(s32 sound_id, s32 start, u8 pan, u8 loop);

#ifdef __cplusplus
}
#endif

#endif
