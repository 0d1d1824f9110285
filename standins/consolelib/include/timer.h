/* Timer: millisecond delays. Owns nothing; cannot fail.
 * Host stand-in: interactive runs sleep; scripted runs advance the audio
 * clock by the same time instead of sleeping. */
#ifndef CONSOLE_TIMER_H
#define CONSOLE_TIMER_H

#include "console_types.h"

#ifdef __cplusplus
extern "C" {
#endif

void mdelay(u32 ms); /* returns after ms milliseconds; audio frames go on meanwhile */

#ifdef __cplusplus
}
#endif

#endif
