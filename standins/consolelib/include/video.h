/* Video: frame pacing by the vertical sync (60 Hz).
 * Owns nothing; cannot fail.
 * Host stand-in: a scripted run ends (exit status 0) at the first wait after
 * its frame budget is spent. */
#ifndef CONSOLE_VIDEO_H
#define CONSOLE_VIDEO_H

#include "console_types.h"

#ifdef __cplusplus
extern "C" {
#endif

void video_waitVSync(void); /* returns at the next vertical sync */

#ifdef __cplusplus
}
#endif

#endif
