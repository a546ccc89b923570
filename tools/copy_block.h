// Copy Block: copies a run of sectors, starting at the shown sector, to
// another place on the same disk.
#pragma once

#include "platform/win32.h"

void show_copy_block();
INT_PTR CALLBACK copy_block_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
