// Search Disk: the dialog and its own message loop, and the worker that
// scans the disk from the shown sector on.
#pragma once

#include "platform/win32.h"

// Command 40013: opens the dialog (unless it is open) and runs its loop
// until it closes.
void open_search_dialog();
INT_PTR CALLBACK search_disk_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Starts the worker on the pattern as it stands now (length bytes of
// SearchPattern); SearchBusy and SearchContinue are set by the caller.
void start_search_worker(DWORD length);
DWORD WINAPI search_worker(LPVOID);

// The worker asks the dialog to show its progress.
constexpr UINT WM_SEARCH_PROGRESS = WM_APP + 1;
void show_search_progress(HWND dialog);

// At the end of the program: a search stopped by it finishes the chunk in
// hand; its requests are served until it has ended.
void wait_for_search_worker();
