/* Mixer: turns each voice's pending mix settings into the ones the audio
 * library renders with. Owns no caller buffers; neither call can fail.
 * mixer_update_settings is meant for the audio-frame callback, right after
 * the articulation service has written the voices' settings. */
#ifndef CONSOLE_MIXER_H
#define CONSOLE_MIXER_H

#include "console_types.h"

#ifdef __cplusplus
extern "C" {
#endif

void mixer_init(void);            /* prepares the mixer (all voices centred, silent) */
void mixer_update_settings(void); /* applies every voice's pending gains and filter */

#ifdef __cplusplus
}
#endif

#endif
