// The Number of Sectors dialog: how many sectors an export or import moves.
#pragma once

#include "disk/sector_access.h"
#include "platform/win32.h"

// The initial value into the dialog and the answer out of it; 0 means
// nothing to do.
extern SectorNumber SectorCountRequest;

// Runs the dialog showing initial; the count the user gave, or 0.
SectorNumber ask_sector_count(SectorNumber initial);
INT_PTR CALLBACK sector_count_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
