/* Pads: the control pads' buttons, read once per frame.
 * Owns nothing; a pad that is not plugged in reports no buttons.
 * Button bits: Left 0x0001, Right 0x0002, Down 0x0004, Up 0x0008, A 0x0100. */
#ifndef CONSOLE_PAD_H
#define CONSOLE_PAD_H

#include "console_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define PAD_BUTTON_LEFT 0x0001
#define PAD_BUTTON_RIGHT 0x0002
#define PAD_BUTTON_DOWN 0x0004
#define PAD_BUTTON_UP 0x0008
#define PAD_BUTTON_A 0x0100

u32 pad_scan_pads(void);           /* reads all pads; returns a bit per connected pad */
u16 pad_buttons_down(s32 pad);     /* buttons of pad 0..3 pressed at the last scan */

#ifdef __cplusplus
}
#endif

#endif
