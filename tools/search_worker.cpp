#include <atomic>
#include <stdio.h>
#include <string.h>

#include "disk/chunk_buffer.h"
#include "disk/sector_access.h"
#include "disk/sector_run.h"
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

// The sectors a search could not read: how many, and the first.
struct Unread {
    SectorNumber count;
    SectorNumber first;
};

// The progress a person sees moves in steps of a chunk of 128 sectors, each
// beginning with the last sector of the one before: every step that starts
// before offset `upto` of the range is published, in order.
static void publish_steps(SectorNumber* step, SectorNumber upto, SectorNumber range) {
    while (*step < upto) {  // upto is never past the range
        bool last = range - *step <= CHUNK_SECTORS;
        publish_progress(*step, *step == 0, last);
        *step = last ? range : *step + CHUNK_SECTORS - 1;
    }
}

// Scans start ... LastSector as the run reads it, block by block. Only
// sectors that were read are scanned, each stretch of them whole; a match
// across two blocks is found from the last bytes of the one before (kept
// only when its last sector was read), so a pattern spanning an unreadable
// sector never matches.
static bool scan_disk(SectorRun* run, SectorNumber start, SectorNumber range, SectorNumber* hit, Unread* unread) {
    size_t keep = WorkerPatternLength - 1;
    BYTE joint[2 * MAX_PATTERN_LENGTH];
    size_t carried = 0;
    SectorNumber step = 0;
    ProgressRange = range;
    while (EditorState.SearchContinue && next_run_block(run)) {
        publish_steps(&step, run->first - start + run->sectors, range);
        for (DWORD s = 0; s < run->sectors;) {
            if (run->unreadable[s]) {
                if (unread->count++ == 0) unread->first = run->first + s;
                carried = 0;
                ++s;
                continue;
            }
            DWORD e = s;
            while (e < run->sectors && !run->unreadable[e]) ++e;
            const BYTE* stretch = run->data + (size_t)s * SECTOR_SIZE;
            size_t bytes = (size_t)(e - s) * SECTOR_SIZE;
            // A sector holds more than a pattern: the joint's second part lies
            // in the stretch, and too little of it for a match of its own, so
            // a match in the joint starts in the bytes carried.
            if (carried) {
                memcpy(joint + carried, stretch, keep);
                if (find_pattern(&WorkerPattern, joint, carried + keep) != (size_t)-1) {
                    *hit = run->first + s - 1;
                    return true;
                }
            }
            size_t at = find_pattern(&WorkerPattern, stretch, bytes);
            if (at != (size_t)-1) {
                *hit = run->first + s + at / SECTOR_SIZE;
                return true;
            }
            memcpy(joint, stretch + bytes - keep, keep);
            carried = keep;
            s = e;
        }
    }
    return false;
}

// Sectors that could not be read may hold a match: the user is told how
// many and the first, also when a later match is shown, since an earlier
// one may have been missed.
static void report_unread(bool found, SectorNumber hit, const Unread& unread, bool stopped) {
    if (unread.count == 0 || (!found && stopped)) return;
    char text[256];
    if (found) {
        snprintf(text, sizeof text,
                 "%llu sector(s) before sector %llu could not be read and were not searched, the first of them "
                 "sector %llu: an earlier match may have been missed",
                 unread.count, hit, unread.first);
    } else {
        snprintf(text, sizeof text,
                 "%llu sector(s) could not be read and were not searched, the first of them sector %llu",
                 unread.count, unread.first);
    }
    tell(text, "Search Error");
}

DWORD WINAPI search_worker(LPVOID) {
    bool found = false, stopped = false;
    SectorNumber hit = 0;
    Unread unread = {0, 0};
    SectorNumber start = EditorState.CurrentSector;
    if (WorkerPatternLength > 0 && EditorState.DiskRef == INVALID_HANDLE_VALUE) {
        tell("No disk is open: choose one with File > Select Disk.", "Search Error");
    } else if (WorkerPatternLength > 0 && start <= EditorState.LastSector) {
        SectorNumber range = EditorState.LastSector - start + 1;
        SectorRun run;
        if (!begin_sector_run(&run, EditorState.DiskRef, start, range, false, true)) {
            tell("Insufficient memory to perform search", "Search Error");
        } else {
            found = scan_disk(&run, start, range, &hit, &unread);
            end_sector_run(&run);
            stopped = !EditorState.SearchContinue;
            if (found) show_hit(hit);
        }
    }
    report_unread(found, hit, unread, stopped);
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
