/* Articulator chains of a sound record: the caller owns the sound and the
 * articulators; the chain only links them through their ART_TYPE headers.
 * Nothing here fails; a null sound or articulator is ignored. */
#ifndef CONSOLE_ART_SOUND_H
#define CONSOLE_ART_SOUND_H

#include "art.h"

#ifdef __cplusplus
extern "C" {
#endif

void art_add_articulator(ART_SOUND_TYPE* snd, ART_TYPE* art); /* appends art to the chain */

#ifdef __cplusplus
}
#endif

#endif
