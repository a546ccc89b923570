#include <atomic>
#include <stdio.h>
#include <string.h>

#include "disk/chunk_buffer.h"
#include "disk/sector_access.h"
#include "editor/editor_state.h"
#include "editor/sector_commands.h"
#include "resources/resource.h"
#include "tools/pattern_scan.h"
#include "tools/search_disk.h"

// What the running search looks for: a copy taken when it starts, so that
// the dialog's digit and mode commands cannot change it under the worker.
// Written before the thread starts, read only by it.
static PatternScan WorkerPattern;
static DWORD WorkerPatternLength;
static HANDLE WorkerThread;

// Progress, published by the worker for the dialog (see publish_progress).
static const DWORD PROGRESS_INTERVAL_MS = 50;
static std::atomic<unsigned long long> ProgressDone;
static std::atomic<unsigned long long> ProgressRange;
static std::atomic<bool> ProgressRequested;
static DWORD LastProgressRequest;  // the worker's own

void start_search_worker(DWORD length) {
    if (length > MAX_PATTERN_LENGTH) length = MAX_PATTERN_LENGTH;
    WorkerPatternLength = length;
    // A request the dialog never got to (it closed first) must not silence
    // this search's progress.
    ProgressRequested = false;
    if (length > 0) prepare_pattern_scan(&WorkerPattern, (const BYTE*)EditorState.SearchPattern, length);
    if (WorkerThread) CloseHandle(WorkerThread);
    DWORD id;
    WorkerThread = CreateThread(NULL, 0, search_worker, NULL, 0, &id);
    if (!WorkerThread) {
        EditorState.SearchBusy = 0;
        MessageBoxA(EditorState.SearchDialog, "Insufficient memory to perform search", "Search Error", MB_OK);
    }
}

// A message owned by the dialog while it is open; should it close meanwhile,
// the message is shown without an owner rather than lost.
static void tell(const char* text, const char* caption) {
    HWND owner = EditorState.SearchDialog;
    if (!MessageBoxA(owner, text, caption, MB_OK) && owner) MessageBoxA(NULL, text, caption, MB_OK);
}

// Progress: the share of the range before the chunk in hand. The worker
// never waits for the dialog to show it (a send per chunk would halve the
// speed of a search): it publishes the newest value and asks the dialog to
// show it when no such request is pending, so the dialog shows the newest
// value each time it gets to it, the last chunk's in the end.
// Requests are also kept to a person's pace: waking the dialog for each of
// thousands of chunks a second would cost the search more than its scan.
// The first chunk's value is asked for at once, and the last one's too
// (last), so the dialog ends showing it.
static void publish_progress(unsigned long long done, bool first, bool last) {
    ProgressDone = done;
    DWORD now = GetTickCount();
    if (!first && !last && now - LastProgressRequest < PROGRESS_INTERVAL_MS) return;
    if (ProgressRequested.exchange(true)) return;
    LastProgressRequest = now;
    HWND dialog = EditorState.SearchDialog;
    if (!dialog || !PostMessageA(dialog, WM_SEARCH_PROGRESS, 0, 0)) ProgressRequested = false;
}

void show_search_progress(HWND dialog) {
    // Cleared first: a value published from now on brings another request.
    ProgressRequested = false;
    unsigned long long range = ProgressRange;
    if (range == 0) return;
    char text[32];
    snprintf(text, sizeof text, "%3.3f%% Complete", 100.0 * (double)ProgressDone / (double)range);
    SetDlgItemTextA(dialog, IDC_SEARCH_PROGRESS, text);
}

// The hit: the sector that holds the match's first byte becomes the shown
// one, unedited (a blank after a failed read is no edit either).
static void show_hit(SectorNumber sector) {
    EditorState.CurrentSector = sector;
    EditorState.SectorDirty = 0;
    show_sector_read(read_sectors(EditorState.DiskRef, sector, 1, EditorState.SectorData), EditorState.SearchDialog);
}

// Scans start ... LastSector in chunks of 128 sectors, each beginning with the
// last sector of the one before, so that a match across two sectors lies in
// one chunk. Only what a read delivered is scanned. *unread: the first
// sector that no read delivered, LastSector + 1 when every one was.
static bool scan_disk(BYTE* chunk, SectorNumber* hit, SectorNumber* unread) {
    SectorNumber start = EditorState.CurrentSector;
    SectorNumber range = EditorState.LastSector - start + 1;
    *unread = EditorState.LastSector + 1;
    if (start > EditorState.LastSector) return false;
    SectorNumber offset = 0;
    ProgressRange = range;
    while (offset < range && EditorState.SearchContinue) {
        DWORD count = range - offset < CHUNK_SECTORS ? (DWORD)(range - offset) : CHUNK_SECTORS;
        SectorNumber first = start + offset;
        bool last = offset + count >= range;
        DWORD got = read_sectors(EditorState.DiskRef, first, count, chunk);
        DWORD whole = got / SECTOR_SIZE < count ? got / SECTOR_SIZE : count;
        publish_progress(offset, offset == 0, last);
        size_t at = find_pattern(&WorkerPattern, chunk, got < count * SECTOR_SIZE ? got : count * SECTOR_SIZE);
        if (at != (size_t)-1) {
            *hit = first + at / SECTOR_SIZE;
            show_hit(*hit);
            return true;
        }
        if (whole < count && whole >= 2) {
            // Read short: the next chunk begins at the last sector delivered,
            // so that it and the one after still meet in one buffer.
            offset += whole - 1;
            continue;
        }
        // A read that delivered no more than the sector it shares with the
        // chunk before: the rest of the chunk is passed over.
        if (whole < count && *unread > first + whole) *unread = first + whole;
        if (last) break;
        offset += count - 1;
    }
    return false;
}

// Sectors that could not be read may hold a match: the user is told, also
// when a later match is shown, since an earlier one may have been missed.
static void report_unread(bool found, SectorNumber hit, SectorNumber unread, bool stopped) {
    if (found && unread < hit) {
        char text[160];
        snprintf(text, sizeof text,
                 "Some sectors before sector %llu could not be read and were not searched: an earlier match may have "
                 "been missed",
                 hit);
        tell(text, "Search Error");
    } else if (!found && !stopped && unread <= EditorState.LastSector) {
        tell("Some sectors could not be read and were not searched", "Search Error");
    }
}

DWORD WINAPI search_worker(LPVOID) {
    BYTE* chunk = NULL;
    bool found = false, stopped = false;
    SectorNumber hit = 0;
    SectorNumber unread = EditorState.LastSector + 1;
    if (WorkerPatternLength > 0 && EditorState.DiskRef == INVALID_HANDLE_VALUE) {
        tell("No disk is open: choose one with File > Select Disk.", "Search Error");
    } else if (WorkerPatternLength > 0) {
        chunk = allocate_chunk_buffer();
        if (!chunk) {
            tell("Insufficient memory to perform search", "Search Error");
        } else {
            found = scan_disk(chunk, &hit, &unread);
            stopped = !EditorState.SearchContinue;
        }
    }
    report_unread(found, hit, unread, stopped);
    free_chunk_buffer(chunk);
    // The last write the user-interface thread waits for: what the worker
    // did to CurrentSector and SectorData is visible once this is.
    EditorState.SearchBusy = 0;
    HWND dialog = EditorState.SearchDialog;
    if (dialog) PostMessageA(dialog, WM_CLOSE, 0, 0);
    return 0;
}

void wait_for_search_worker() {
    if (!WorkerThread) return;
    while (EditorState.SearchBusy) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        WaitForSingleObject(WorkerThread, 10);
    }
    // Its last steps after clearing SearchBusy still post to the window system.
    WaitForSingleObject(WorkerThread, INFINITE);
    CloseHandle(WorkerThread);
    WorkerThread = NULL;
}
