// Export: a run of sectors from the shown one on, into a raw image file.
#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <system_error>

#include "disk/chunk_buffer.h"
#include "disk/sector_access.h"
#include "disk/sector_run.h"
#include "editor/editor_state.h"
#include "output/image_files.h"
#include "output/progress_dialog.h"
#include "output/rescue_map.h"
#include "output/sector_count_dialog.h"

static void report_export_failure() {
    MessageBoxA(EditorState.MainWindow, "Error Exporting to file.  Click OK to continue", "Export Error", MB_OK);
}

// The run, as much of it as lies on the disk, until the file refuses a
// write or the user stops it (*stopped): read in large blocks, written and
// shown a chunk at a time. A sector the disk could not deliver is zeros, so
// every later sector stays at its own offset in the image. The sectors now
// whole in the file; *unread: how many of those are zeros for want of a
// read, each noted in the map.
static SectorNumber transfer(FILE* file, SectorRun* run, SectorNumber count, SectorNumber* unread, RescueMap* map,
                             bool* stopped) {
    SectorNumber moved = 0;
    while (next_run_block(run)) {
        for (DWORD done = 0; done < run->sectors;) {
            if (moved > 0 && transfer_progress_stopped(moved, count)) {
                *stopped = true;
                return moved;
            }
            DWORD chunk = run->sectors - done < CHUNK_SECTORS ? run->sectors - done : CHUNK_SECTORS;
            // The stream is unbuffered: what fwrite counts is in the file.
            DWORD put = (DWORD)fwrite(run->data + (size_t)done * SECTOR_SIZE, SECTOR_SIZE, chunk, file);
            if (put < chunk) return moved + put;
            for (DWORD i = done; i < done + chunk; ++i) {
                if (!run->unreadable[i]) continue;
                ++*unread;
                note_unreadable(map, run->first + i);
            }
            moved += chunk;
            done += chunk;
        }
    }
    return moved;
}

static void report_unread(SectorNumber unread) {
    if (unread == 0) return;
    char text[96];
    snprintf(text, sizeof text, "%llu sector(s) could not be read and were exported as zeros.", unread);
    MessageBoxA(EditorState.MainWindow, text, "Export Error", MB_OK);
}

static void report_disk_end(SectorNumber first, SectorNumber asked, SectorNumber exported) {
    if (exported < asked) {
        char text[160];
        snprintf(text, sizeof text,
                 "The disk ends at sector %llu: %llu of the %llu sector(s) from sector %llu were exported.",
                 EditorState.LastSector, exported, asked, first);
        MessageBoxA(EditorState.MainWindow, text, "Export Error", MB_OK);
    }
}

// What a failing disk gave before the file filled up is worth keeping: the
// whole sectors stay, a part of the next one goes.
static void report_short_file(SectorNumber written) {
    std::error_code ignored;
    std::filesystem::resize_file(ImageFileName, written * SECTOR_SIZE, ignored);
    char text[128];
    snprintf(text, sizeof text, "Error writing to the file: only its first %llu sector(s) were exported.", written);
    MessageBoxA(EditorState.MainWindow, text, "Export Error", MB_OK);
}

void export_sectors() {
    prepare_image_file_dialog("Save Sector Image As");
    ImageFileDialog.Flags |= OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameA(&ImageFileDialog)) return;
    if (names_open_disk(EditorState.DiskRef, ImageFileName)) {
        MessageBoxA(EditorState.MainWindow,
                    "This file is the open disk itself: exporting into it would overwrite the sectors being exported. "
                    "Choose another file.",
                    "Export Error", MB_OK);
        return;
    }
    SectorNumber asked = ask_sector_count(0);
    if (asked == 0) return;
    SectorNumber first = EditorState.CurrentSector;
    SectorNumber count = sectors_within_disk(first, asked, EditorState.LastSector);
    SectorRun run;
    if (!begin_sector_run(&run, EditorState.DiskRef, first, count, false, true)) {
        report_export_failure();
        return;
    }
    // Only now, with sectors to write, is an existing file replaced.
    FILE* file = fopen(ImageFileName, "wb");
    if (!file) {
        end_sector_run(&run);
        report_export_failure();
        return;
    }
    setvbuf(file, NULL, _IONBF, 0);
    SectorNumber unread = 0;
    bool stopped = false;
    RescueMap map;
    begin_rescue_map(&map, first);
    begin_transfer_progress("Export Sector(s)");
    SectorNumber written = transfer(file, &run, count, &unread, &map, &stopped);
    end_transfer_progress();
    end_sector_run(&run);
    bool closed = fclose(file) == 0;
    // ddrescue can retry what could not be read.
    if (unread > 0) write_rescue_map(&map, written, ImageFileName);
    end_rescue_map(&map);
    report_unread(unread);
    if (stopped) {
        char text[128];
        snprintf(text, sizeof text, "The export was stopped: the file holds the first %llu of the %llu sector(s).",
                 written, count);
        MessageBoxA(EditorState.MainWindow, text, "Export Sector(s)", MB_OK);
    } else if (written < count) {
        report_short_file(written);
    } else if (!closed) {
        report_export_failure();
    } else {
        report_disk_end(first, asked, count);
    }
}
