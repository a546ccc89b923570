#include <atomic>
#include <stdio.h>
#include <string.h>

#include "disk/chunk_buffer.h"
#include "disk/sector_access.h"
#include "disk/sector_run.h"
#include "editor/editor_state.h"
#include "editor/caret_editing.h"
#include "editor/sector_commands.h"
#include "resources/resource.h"
#include "tools/disk_scan.h"
#include "tools/pattern_scan.h"
#include "tools/search_disk.h"

// What the running search looks for: a copy taken when it starts, so that
// the dialog's digit and mode commands cannot change it under the worker.
// Written before the thread starts, read only by it.
static PatternScan WorkerPattern;
static DWORD WorkerPatternLength;
static SearchWay WorkerWay;
static DiskPlace WorkerFrom;  // Next: the first place a match may start; Previous: every match starts before it
static HANDLE WorkerThread;

// Progress, published by the worker for the dialog (see publish_progress).
static const DWORD PROGRESS_INTERVAL_MS = 50;
static std::atomic<unsigned long long> ProgressDone;
static std::atomic<unsigned long long> ProgressRange;
static std::atomic<bool> ProgressRequested;
static DWORD LastProgressRequest;  // the worker's own

// Where Find Next and Find Previous go from: the last match while its
// sector is shown; otherwise the shown sector's first byte (Next) or its
// end (Previous).
static DiskPlace place_to_go_from(SearchWay way) {
    SectorNumber shown = EditorState.CurrentSector;
    bool at_match = EditorState.HaveLastMatch && EditorState.LastMatchSector == shown;
    if (way == SEARCH_NEXT) {
        if (!at_match) return {shown, 0};
        DWORD next = EditorState.LastMatchOffset + 1u;
        return next < SECTOR_SIZE ? DiskPlace{shown, next} : DiskPlace{shown + 1, 0};
    }
    if (!at_match) return {shown + 1, 0};
    return {shown, EditorState.LastMatchOffset};
}

void start_search_worker(DWORD length, SearchWay way) {
    if (length > MAX_PATTERN_LENGTH) length = MAX_PATTERN_LENGTH;
    WorkerPatternLength = length;
    WorkerWay = way;
    WorkerFrom = place_to_go_from(way);
    // A request the dialog never got to (it closed first) must not silence
    // this search's progress.
    ProgressRequested = false;
    // Case is a text pattern's choice; hex bytes are always exact.
    bool match_case = EditorState.SearchHexMode || EditorState.SearchMatchCase;
    if (length > 0) prepare_pattern_scan(&WorkerPattern, (const BYTE*)EditorState.SearchPattern, length, match_case);
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
// one, unedited (a blank after a failed read is no edit either), with the
// match's bytes in it selected and the caret on its first.
static void show_hit(const DiskPlace& hit) {
    EditorState.CurrentSector = hit.sector;
    EditorState.SectorDirty = 0;
    EditorState.HaveLastMatch = 1;
    EditorState.LastMatchSector = hit.sector;
    EditorState.LastMatchOffset = (WORD)hit.offset;
    show_sector_read(read_sectors(EditorState.DiskRef, hit.sector, 1, EditorState.SectorData), EditorState.SearchDialog);
    DWORD shown = SECTOR_SIZE - hit.offset < WorkerPatternLength ? SECTOR_SIZE - hit.offset : WorkerPatternLength;
    select_sector_bytes((int)hit.offset, (int)shown);
}

// The progress a person sees moves in steps of a chunk of 128 sectors, each
// beginning with the last sector of the one before: every step that starts
// before `done` sectors of the range is published, in order.
static SectorNumber ProgressStep;  // the worker's own
static void publish_steps(SectorNumber done, SectorNumber range) {
    while (ProgressStep < done) {  // done is never past the range
        bool last = range - ProgressStep <= CHUNK_SECTORS;
        publish_progress(ProgressStep, ProgressStep == 0, last);
        ProgressStep = last ? range : ProgressStep + CHUNK_SECTORS - 1;
    }
}

// A run of the range the worker searches, with the next batch read while
// one is scanned; the progress counts its sectors. False, said, when there
// is no memory for it.
static bool begin_search_run(SectorRun* run, SectorNumber first, SectorNumber range, bool downward) {
    if (!begin_sector_run(run, EditorState.DiskRef, first, range, downward, true)) {
        tell("Insufficient memory to perform search", "Search Error");
        return false;
    }
    ProgressRange = range;
    return true;
}

// Up from the place a match may start at, to the last sector.
static bool search_up(DiskPlace from, DiskPlace* hit, Unread* unread) {
    if (from.sector > EditorState.LastSector) return false;
    SectorNumber range = EditorState.LastSector - from.sector + 1;
    SectorRun run;
    if (!begin_search_run(&run, from.sector, range, false)) return false;
    bool found = scan_up(&run, &WorkerPattern, from.sector, range, from.offset, &EditorState.SearchContinue,
                         publish_steps, hit, unread);
    end_sector_run(&run);
    return found;
}

// Down from before the place every match must start before, to sector 0:
// a match may run on past that place by its length less one byte.
static bool search_down(DiskPlace before, DiskPlace* hit, Unread* unread) {
    DWORD end = before.offset + WorkerPatternLength - 1;  // 0 to 559: the matches' end, from before.sector
    SectorNumber top = before.sector;
    if (end == 0) {
        if (top == 0) return false;
        --top;
        end = SECTOR_SIZE;
    } else if (end > SECTOR_SIZE) {
        ++top;
        end -= SECTOR_SIZE;
    }
    if (top > EditorState.LastSector) {
        top = EditorState.LastSector;
        end = SECTOR_SIZE;
    }
    SectorNumber range = top + 1;
    SectorRun run;
    if (!begin_search_run(&run, 0, range, true)) return false;
    bool found = scan_down(&run, &WorkerPattern, top, range, end, &EditorState.SearchContinue, publish_steps, hit,
                           unread);
    end_sector_run(&run);
    return found;
}

// Sectors that could not be read may hold a match: the user is told how
// many and the first, also when a later match is shown, since an earlier
// one may have been missed.
static void report_unread(bool found, SectorNumber hit, const Unread& unread, bool stopped) {
    if (unread.count == 0 || (!found && stopped)) return;
    char text[256];
    if (found && WorkerWay == SEARCH_PREVIOUS) {
        snprintf(text, sizeof text,
                 "%llu sector(s) after sector %llu could not be read and were not searched, the last of them "
                 "sector %llu: a nearer match may have been missed",
                 unread.count, hit, unread.first);
    } else if (found) {
        snprintf(text, sizeof text,
                 "%llu sector(s) before sector %llu could not be read and were not searched, the first of them "
                 "sector %llu: an earlier match may have been missed",
                 unread.count, hit, unread.first);
    } else if (WorkerWay == SEARCH_PREVIOUS) {
        snprintf(text, sizeof text,
                 "%llu sector(s) could not be read and were not searched, the last of them sector %llu",
                 unread.count, unread.first);
    } else {
        snprintf(text, sizeof text,
                 "%llu sector(s) could not be read and were not searched, the first of them sector %llu",
                 unread.count, unread.first);
    }
    tell(text, "Search Error");
}

DWORD WINAPI search_worker(LPVOID) {
    bool found = false, stopped = false;
    DiskPlace hit = {0, 0};
    Unread unread = {0, 0};
    SectorNumber shown = EditorState.CurrentSector;
    ProgressStep = 0;
    if (WorkerPatternLength > 0 && EditorState.DiskRef == INVALID_HANDLE_VALUE) {
        tell("No disk is open: choose one with File > Select Disk.", "Search Error");
    } else if (WorkerPatternLength > 0) {
        if (WorkerWay == SEARCH_PREVIOUS) {
            found = search_down(WorkerFrom, &hit, &unread);
        } else {
            found = search_up(WorkerWay == SEARCH_NEXT ? WorkerFrom : DiskPlace{shown, 0}, &hit, &unread);
        }
        stopped = !EditorState.SearchContinue;
        if (found) show_hit(hit);
    }
    report_unread(found, hit.sector, unread, stopped);
    // Search Disk finds nothing silently; a step to the next match says so.
    if (!found && !stopped && WorkerPatternLength > 0 && WorkerWay != SEARCH_FROM_SHOWN &&
        EditorState.DiskRef != INVALID_HANDLE_VALUE) {
        char text[80];
        snprintf(text, sizeof text, WorkerWay == SEARCH_NEXT ? "No further match after sector %llu"
                                                              : "No further match before sector %llu",
                 shown);
        tell(text, "Search Disk");
    }
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
