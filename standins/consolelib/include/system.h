/* System library: brings up the console for a program.
 * Owns no caller buffers. Cannot fail: afterwards text output, the SD card
 * driver, video sync, the pads and the timer are usable.
 * Host stand-in: reads the run's settings from the environment (see README). */
#ifndef CONSOLE_SYSTEM_H
#define CONSOLE_SYSTEM_H

#include "console_types.h"

#ifdef __cplusplus
extern "C" {
#endif

void system_init(void); /* first call of every program */

#ifdef __cplusplus
}
#endif

#endif
