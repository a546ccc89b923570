// Numbers typed into the dialogs' fields: sector numbers and counts, read
// as GetDlgItemInt reads an unsigned number but 64 bits wide, so that every
// sector of a disk larger than 2 TiB can be typed.
#pragma once

#include "disk/sector_access.h"
#include "platform/win32.h"

// Digits with blanks around them, nothing else; *translated FALSE and 0 for
// any other text and for a number beyond 64 bits.
SectorNumber get_dialog_number(HWND dialog, int id, BOOL* translated);

// The same rules on a text.
bool parse_sector_number(const char* text, SectorNumber* value);
