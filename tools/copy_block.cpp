#include "tools/copy_block.h"

#include <stdio.h>
#include <string.h>

#include <new>

#include "disk/chunk_buffer.h"
#include "disk/sector_access.h"
#include "disk/sector_run.h"
#include "editor/dialog_number.h"
#include "editor/editor_state.h"
#include "editor/long_work.h"
#include "editor/sector_commands.h"
#include "resources/resource.h"


struct CopyRun {
    HWND dialog;
    SectorNumber source;
    SectorNumber destination;
    SectorNumber total;      // sectors asked for
    SectorNumber reachable;  // of those, the ones whose source and destination lie on the disk
    SectorRun blocks;        // the source, read a block at a time
    BYTE* failed;            // per sector of the batch in hand: its write failed
    SectorNumber copied;     // sectors read and written
    SectorNumber unread;     // sectors that could not be read: their destination keeps its bytes
    bool write_failed;
    bool stopped;     // by the user, before the end
};

// Writes the sectors read with the block in hand (the blocks read together
// are written together, in as many requests at once as the disk takes),
// each stretch of the sectors read in one transfer. A failed write is
// reported, naming the first sector that did not take its bytes, and ends
// the copy.
static void write_batch(CopyRun* run) {
    const SectorRun& read = run->blocks;
    SectorNumber to = run->destination + (read.batch_first - run->source);
    for (DWORD at = 0; at < read.batch_sectors;) {
        if (read.batch_unreadable[at]) {
            if (run->unread++ == 0) MessageBoxA(run->dialog, "Error accessing contents of sector", "Data Error", MB_OK);
            ++at;
            continue;
        }
        DWORD end = at;
        while (end < read.batch_sectors && !read.batch_unreadable[end]) ++end;
        memset(run->failed + at, 0, end - at);
        DWORD lost = write_exactly(&read.crew, to + at, end - at, read.batch_data + (size_t)at * SECTOR_SIZE,
                                   run->failed + at);
        run->copied += end - at - lost;
        if (lost > 0) {
            while (!run->failed[at]) ++at;
            char text[64];
            snprintf(text, sizeof text, "Error writing at sector %llu", to + at);
            MessageBoxA(run->dialog, text, "Error Copying", MB_OK);
            run->write_failed = true;
            return;
        }
        at = end;
    }
}

static void show_progress(const CopyRun* run, SectorNumber done) {
    char text[32];
    snprintf(text, sizeof text, "%i%% Complete", percent_done(done, run->total));
    SetDlgItemTextA(run->dialog, IDC_COPY_PROGRESS, text);
}

// Block by block, each read whole before any of it is written. A
// destination above the source that overlaps it is copied from the top
// down, so no sector is read after this copy has overwritten it. The
// progress goes in steps of 128 sectors; a stop asked for during the last
// block comes too late to leave anything uncopied.
static void copy_sectors(CopyRun* run) {
    SectorRun* blocks = &run->blocks;
    SectorNumber done = 0;
    while (!run->write_failed && next_run_block(blocks)) {
        if (blocks->handed == blocks->sectors) write_batch(run);
        SectorNumber block_done = done + blocks->sectors;
        bool more = blocks->next < blocks->end;
        while (done < block_done) {
            done += block_done - done < CHUNK_SECTORS ? block_done - done : CHUNK_SECTORS;
            show_progress(run, done);
            if (run->write_failed) break;
            if (done < run->reachable && long_work_stopped() && more) {
                run->stopped = true;
                return;
            }
        }
    }
}

// The copy may have written over the shown sector: show what the disk now
// holds there, unless the user's unsaved edits are on screen (a Save would
// then put them there, as the user means it to).
static void show_copied_sector(const CopyRun* run) {
    SectorNumber shown = EditorState.CurrentSector;
    if (EditorState.SectorDirty || shown < run->destination || shown - run->destination >= run->reachable) return;
    show_sector_read(read_sectors(EditorState.DiskRef, shown, 1, EditorState.SectorData), run->dialog);
}

static void report_outcome(const CopyRun* run) {
    char text[256];
    if (run->stopped) {
        snprintf(text, sizeof text, "The copy was stopped: %llu of %llu sectors were copied.", run->copied,
                 run->total);
        MessageBoxA(EditorState.MainWindow, text, "Copy Block", MB_OK);
        return;
    }
    if (run->copied == run->total) {
        MessageBoxA(EditorState.MainWindow, "Copying of sectors has been completed succesfully", "Copy Complete", MB_OK);
        return;
    }
    int length = snprintf(text, sizeof text, "%llu of %llu sectors were not copied.", run->total - run->copied,
                          run->total);
    if (run->unread > 0)
        length += snprintf(text + length, sizeof text - length,
                           "\n%llu of them could not be read: their destination sectors were left as they were.",
                           run->unread);
    if (run->reachable < run->total)
        snprintf(text + length, sizeof text - length, "\nThe run goes beyond the last sector of the disk, %llu.",
                 EditorState.LastSector);
    MessageBoxA(EditorState.MainWindow, text, "Error Copying", MB_OK);
}

// While the copy runs only Cancel (and Escape, and the close box) works:
// pressing Copy again would start a copy inside this one.
static void hold_dialog(HWND dialog, bool copying) {
    if (copying) SetFocus(GetDlgItem(dialog, IDC_CANCEL));
    for (int id : {IDC_DESTINATION, IDC_SECTORS_TO_COPY, IDC_COPY}) EnableWindow(GetDlgItem(dialog, id), !copying);
}

static void copy_block(HWND dialog) {
    if (long_work_running() || refuse_while_searching(dialog)) return;
    BOOL translated;
    CopyRun run = {};
    run.dialog = dialog;
    run.source = EditorState.CurrentSector;
    run.destination = get_dialog_number(dialog, IDC_DESTINATION, &translated);
    run.total = get_dialog_number(dialog, IDC_SECTORS_TO_COPY, &translated);
    SectorNumber last = EditorState.LastSector;
    run.reachable = sectors_within_disk(run.destination, sectors_within_disk(run.source, run.total, last), last);
    bool downward = run.destination > run.source && run.destination - run.source < run.reachable;
    if (!begin_sector_run(&run.blocks, EditorState.DiskRef, run.source, run.reachable, downward) ||
        !(run.failed = new (std::nothrow) BYTE[run.blocks.batch_capacity + 1])) {
        end_sector_run(&run.blocks);
        MessageBoxA(EditorState.MainWindow, "Insufficient free memory to perform transfer", "Error Copying", MB_OK);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        return;
    }
    begin_long_work(dialog);
    hold_dialog(dialog, true);
    copy_sectors(&run);
    hold_dialog(dialog, false);
    end_long_work();
    // Completed means on the disk: what the disk does not confirm was not copied.
    if (run.copied > 0 && !flush_disk(EditorState.DiskRef)) {
        MessageBoxA(dialog, "Error writing to the disk: the sectors copied may not all be on it", "Error Copying",
                    MB_OK);
        run.copied = 0;
    }
    show_copied_sector(&run);
    report_outcome(&run);
    end_sector_run(&run.blocks);
    delete[] run.failed;
    PostMessageA(dialog, WM_CLOSE, 0, 0);
}

void show_copy_block() {
    DialogBoxParamA(EditorState.Instance, MAKEINTRESOURCEA(IDD_COPY_BLOCK), EditorState.MainWindow, copy_block_dialog, 0);
}

INT_PTR CALLBACK copy_block_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        post_program_icon(dialog);
        return TRUE;
    case WM_CLOSE:
    case WM_DESTROY:
    case WM_QUERYENDSESSION:
        // A copy that runs stops first; the dialog closes at its end. Handled:
        // the dialog manager would make it a Cancel, whose WM_CLOSE would come
        // back during the message that ends the copy, and so on for ever.
        if (long_work_running()) {
            stop_long_work();
            if (message == WM_CLOSE) return TRUE;
        }
        close_modal_dialog(dialog, message, wparam, lparam);
        return 0;
    case WM_COMMAND:
        if (HIWORD(wparam) != 0) return 0;
        if (LOWORD(wparam) == IDC_COPY) copy_block(dialog);
        if (is_cancel_command(LOWORD(wparam))) {
            if (long_work_running()) {
                stop_long_work();
            } else {
                PostMessageA(dialog, WM_CLOSE, 0, 0);
            }
        }
        return 0;
    default:
        return 0;
    }
}
