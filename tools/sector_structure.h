// Tools > Sector Structure (Ctrl+I): a modeless dialog beside the main
// window that shows the shown sector decoded, with its problems; it
// follows the shown sector and its edits as they are typed, goes to the
// sectors its fields name, and mends a GPT header's CRCs into the edits.
#pragma once

#include "platform/win32.h"

void show_sector_structure();
INT_PTR CALLBACK sector_structure_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
