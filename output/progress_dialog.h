// The progress of an export or import: a small dialog with its percentage
// and Cancel, shown once the run has taken longer than a moment.
#pragma once

#include "disk/sector_access.h"
#include "platform/win32.h"

// The run begins; title is the dialog's caption, should it be shown.
void begin_transfer_progress(const char* title);
// After each chunk: done of total sectors. True when the user asked to stop
// (Cancel, Escape, the close box).
bool transfer_progress_stopped(SectorNumber done, SectorNumber total);
void end_transfer_progress();

INT_PTR CALLBACK progress_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
