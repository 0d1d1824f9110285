/* SD card driver: mounts the card so that paths beginning with "sd_gecko:/"
 * reach its files through the audio library's and the file functions' readers.
 * Owns nothing. Returns 1 on success, anything else is a driver error code.
 * Host stand-in: the card is a host folder; see sd_host_path in the stand-in. */
#ifndef CONSOLE_DEVICE_SD_H
#define CONSOLE_DEVICE_SD_H

#include "console_types.h"

#ifdef __cplusplus
extern "C" {
#endif

s32 device_sd_init(void); /* mounts the card once; 1 = mounted */

#ifdef __cplusplus
}
#endif

#endif
