/* Articulation service: shapes how a voice sounds through a chain of
 * articulators (3D direction, volume) attached to a sound record.
 * The program owns every record it passes and keeps it alive while the sound
 * is registered; the service only links and reads them. Nothing here fails.
 * Attenuations are signed 16.16 fixed-point tenths of a decibel; at or below
 * ART_ATTENUATION_SILENT (-90.4 dB) a sound is silent. */
#ifndef CONSOLE_ART_H
#define CONSOLE_ART_H

#include "console_types.h"
#include "mini_ax.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ART_TYPE_3D 1u
#define ART_TYPE_VOLUME 2u
#define ART_ATTENUATION_SILENT (-904 * 65536) /* 0xFC780000 */

/* Header every articulator begins with. */
typedef struct {
  void* next;
  u32 type;
} ART_TYPE;

/* A sound as the service sees it; next/prev link the registered sounds. */
typedef struct {
  void* next;
  void* prev;
  MINI_AX_VOICE_PB_TYPE* vpb;
  f32 sample_rate;
  ART_TYPE* articulators;
} ART_SOUND_TYPE;

/* 3D articulator. Inputs, read while update is non-zero: h_angle (radians,
 * 0 ahead, pi/2 right, pi behind, 3pi/2 left), v_angle (elevation, narrows
 * the left/right spread by |cos v_angle|), dist (metres; beyond 1 m -6 dB
 * per doubling) and closing_speed (m/s towards the listener, Doppler).
 * Outputs written by the service: pan (0..128, 64 centre), span (127 ahead
 * or beside .. 0 behind: quieter by up to 6 dB and darker), src (low-pass amount 0..127), itdL/itdR (always 0: no
 * interaural delay here), pitch (rate factor), attenuation (16.16 tenths dB). */
typedef struct {
  ART_TYPE art;
  f32 h_angle;
  f32 v_angle;
  f32 dist;
  f32 closing_speed;
  u32 update;
  u8 pan;
  u8 span;
  u8 src;
  u16 itdL;
  u16 itdR;
  f32 pitch;
  s32 attenuation;
} ART_3D_TYPE;

/* Volume articulator: attenuation applies at the next audio frame. */
typedef struct {
  ART_TYPE art;
  s32 attenuation;
} ART_VOL_TYPE;

void art_init(void);                     /* empties the list of registered sounds */
void art_init_3D(ART_3D_TYPE* art);      /* ahead, 0 m, update 0, outputs centred */
void art_init_volume(ART_VOL_TYPE* art); /* 0 dB */
void art_add_sound(ART_SOUND_TYPE* snd); /* registers the sound with the service */
void art_service_snds(void);             /* applies every sound's chain to its voice */

#ifdef __cplusplus
}
#endif

#endif
