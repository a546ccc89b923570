// Editing the shown sector in place: hex digits into the hex pane, bytes
// into the text pane, and the caret keys that move between them.
#pragma once

#include "platform/win32.h"

// The nibble value and the character of a hex-digit command; 0 for others.
DWORD hex_digit_value(UINT command);
char hex_digit_char(UINT command);

void snap_hex_caret();
void replace_char_at_caret(HWND pane, char character);
void type_hex_digit(UINT command);
void store_text_byte(BYTE value);
void move_caret_right();
void move_caret_left();
void move_caret_down();
void move_caret_up();
void switch_pane();
// The hex pane takes the keys; the text pane's caret stands at the same
// byte, none of its text selected (Windows' dialog manager selects an edit's
// whole text when it gives it the focus back).
void focus_hex_pane();

// Selects count bytes of the shown sector from first in both panes (the hex
// pane's digit pairs, the text pane's characters), the caret on the first:
// typing edits there.
void select_sector_bytes(int first, int count);
