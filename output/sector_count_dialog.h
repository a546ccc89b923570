// The Number of Sectors dialog: how many sectors an export or import moves.
#pragma once

#include "platform/win32.h"

// The initial value into the dialog and the answer out of it; 0 means
// nothing to do.
extern DWORD SectorCountRequest;

// Runs the dialog showing initial; the count the user gave, or 0.
DWORD ask_sector_count(DWORD initial);
INT_PTR CALLBACK sector_count_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
