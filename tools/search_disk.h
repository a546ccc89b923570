// Search Disk: the dialog and its own message loop, and the worker that
// scans the disk from the shown sector on.
#pragma once

#include "platform/win32.h"

// Command 40013: opens the dialog (unless it is open) and runs its loop
// until it closes.
void open_search_dialog();
// Find Next (F3) and Find Previous (Shift+F3): the dialog opens and looks
// at once for the pattern kept from the last search; with none kept it
// waits for one.
void find_again(bool backwards);
INT_PTR CALLBACK search_disk_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Search Disk looks from the shown sector's first byte on; Find Next from
// the byte after the last match, Find Previous back from the byte before
// it (without one shown: from the shown sector's first byte, or back from
// its last).
enum SearchWay { SEARCH_FROM_SHOWN, SEARCH_NEXT, SEARCH_PREVIOUS };

// Starts the worker on the pattern as it stands now (length bytes of
// SearchPattern); SearchBusy and SearchContinue are set by the caller.
void start_search_worker(DWORD length, SearchWay way = SEARCH_FROM_SHOWN);
DWORD WINAPI search_worker(LPVOID);

// The worker asks the dialog to show its progress.
constexpr UINT WM_SEARCH_PROGRESS = WM_APP + 1;
void show_search_progress(HWND dialog);

// At the end of the program: a search stopped by it finishes the chunk in
// hand; its requests are served until it has ended.
void wait_for_search_worker();
