// Goto Sector: shows a sector chosen by number.
#pragma once

#include "platform/win32.h"

void show_goto_sector();
INT_PTR CALLBACK goto_sector_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
