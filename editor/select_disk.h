// The Select Disk dialog: the only way a disk gets opened.
#pragma once

#include "platform/win32.h"

extern char SelectionText[50];

void show_select_disk();
INT_PTR CALLBACK select_disk_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
