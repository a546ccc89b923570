// Import: a raw image file onto the disk, from the shown sector on.
#include <stdio.h>
#include <string.h>

#include <new>

#include "disk/chunk_buffer.h"
#include "disk/sector_access.h"
#include "disk/sector_run.h"
#include "editor/editor_state.h"
#include "editor/pane_render.h"
#include "editor/sector_commands.h"
#include "output/image_files.h"
#include "output/progress_dialog.h"
#include "output/sector_count_dialog.h"

static void report_import_failure() {
    MessageBoxA(EditorState.MainWindow, "Error Importing from file.  Click OK to continue", "Import Error", MB_OK);
}

// The file's length in bytes. Measured in 64 bits: images of 2 GiB and more
// are common.
static bool measure_file(FILE* file, unsigned long long* bytes) {
    if (fseeko(file, 0, SEEK_END) != 0) return false;
    long long size = ftello(file);
    if (size < 0 || fseeko(file, 0, SEEK_SET) != 0) return false;
    *bytes = (unsigned long long)size;
    return true;
}

// A length in sectors, a partial last one counted.
static SectorNumber in_sectors(unsigned long long bytes) {
    return bytes / SECTOR_SIZE + (bytes % SECTOR_SIZE != 0);
}

// A sector the file covers only in part keeps the disk's own bytes after
// the file's end. False when the disk could not be read.
static bool keep_disk_tail(SectorNumber sector, BYTE* at, DWORD file_bytes, BYTE* spare) {
    if (read_sectors(EditorState.DiskRef, sector, 1, spare) != SECTOR_SIZE) {
        char text[128];
        snprintf(text, sizeof text, "Error reading sector %llu: the last %u bytes of the file were not imported.",
                 sector, (unsigned)file_bytes);
        MessageBoxA(EditorState.MainWindow, text, "Import Error", MB_OK);
        return false;
    }
    memcpy(at + file_bytes, spare + file_bytes, SECTOR_SIZE - file_bytes);
    return true;
}

// Set when the disk refused the import's writes: it then has nothing of it
// to confirm.
static bool WritesRefused;

// A disk that refuses every write refuses the next chunk too: asking once
// per chunk would ask thousands of times. True when it said so.
static bool report_refused_write(SectorNumber start) {
    DWORD error = GetLastError();
    if (error != ERROR_WRITE_PROTECT && error != ERROR_ACCESS_DENIED) return false;
    WritesRefused = true;
    char text[224];
    if (error == ERROR_WRITE_PROTECT) {
        snprintf(text, sizeof text, "Error writing at sector %llu: the disk is write-protected. The import was stopped.",
                 start);
    } else {
        snprintf(text, sizeof text,
                 "Error writing at sector %llu: the disk is open for reading only (it is mounted, in use by another "
                 "program, or you may not write to it). The import was stopped.",
                 start);
    }
    MessageBoxA(EditorState.MainWindow, text, "Import Error", MB_OK);
    return true;
}

// Writes a block in as few requests as the disk allows; a failed one is
// split until each sector that will not take its bytes is known. False
// when the import ends: the disk refuses writes, or the user chose to stop
// after a failed write, which names the first sector that failed.
static bool write_block(const RequestCrew* crew, SectorNumber start, DWORD sectors, const BYTE* buffer, BYTE* failed) {
    memset(failed, 0, sectors);
    if (write_exactly(crew, start, sectors, buffer, failed) == 0) return true;
    DWORD at = 0;
    while (!failed[at]) ++at;
    if (report_refused_write(start + at)) return false;
    char text[128];
    snprintf(text, sizeof text, "Error encountered writing at sector %llu\nDo you wish to ignore errors and continue?",
             start + at);
    return MessageBoxA(EditorState.MainWindow, text, "Error", MB_ICONERROR | MB_YESNO) != IDNO;
}

// The file gave less than it held when it was measured (it shrank, or a
// read fell short): what it did not give is not imported, and the user is told.
static void report_short_file(SectorNumber read) {
    char text[128];
    snprintf(text, sizeof text, "Error reading the file: only its first %llu sector(s) could be imported.", read);
    MessageBoxA(EditorState.MainWindow, text, "Import Error", MB_OK);
}

static void report_stop(SectorNumber imported, SectorNumber count) {
    char text[128];
    snprintf(text, sizeof text, "The import was stopped: %llu of the %llu sector(s) were imported.", imported, count);
    MessageBoxA(EditorState.MainWindow, text, "Import Sector(s)", MB_OK);
}

// Writes the file, measured at file_bytes, onto count sectors from first,
// stopping at the end of the file: nothing is written that the file did not
// hold. A block at a time; the progress goes in steps of 128 sectors, and a
// stop asked for during a block ends the import at that block's end (none
// during the last: nothing is left to stop). True when all count sectors
// were written from the file (or their failures ignored); false also when
// the user stopped it, *stopped then the sectors imported.
static bool transfer(FILE* file, unsigned long long file_bytes, const RequestCrew* crew, DWORD largest, BYTE* buffer,
                     BYTE* failed, SectorNumber first, SectorNumber count, SectorNumber* stopped) {
    BYTE* spare = buffer + (size_t)largest * SECTOR_SIZE;
    SectorNumber moved = 0;
    while (moved < count) {
        DWORD block = count - moved < largest ? (DWORD)(count - moved) : largest;
        SectorNumber start = first + moved;
        size_t wanted = (size_t)block * SECTOR_SIZE;
        size_t got = fread(buffer, 1, wanted, file);
        if (got < wanted) {
            if (ferror(file)) {
                report_import_failure();
                return false;
            }
            unsigned long long done = moved * SECTOR_SIZE;
            unsigned long long left = file_bytes > done ? file_bytes - done : 0;
            bool shrank = got < left;
            block = (DWORD)(got / SECTOR_SIZE);
            DWORD tail = (DWORD)(got % SECTOR_SIZE);
            // Only the file's true end keeps the disk's bytes after it.
            if (tail && !shrank && keep_disk_tail(start + block, buffer + (size_t)block * SECTOR_SIZE, tail, spare))
                ++block;
            if (block > 0 && !write_block(crew, start, block, buffer, failed)) return false;
            if (shrank) report_short_file(moved + block);
            return false;
        }
        if (!write_block(crew, start, block, buffer, failed)) return false;
        SectorNumber block_end = moved + block;
        while (moved < block_end) {
            moved += block_end - moved < CHUNK_SECTORS ? block_end - moved : CHUNK_SECTORS;
            if (moved < count && transfer_progress_stopped(moved, count) && block_end < count) {
                *stopped = block_end;
                return false;
            }
        }
    }
    return true;
}

// The import may have written over the shown sector: show what the disk
// now holds there.
static void reread_shown_sector() {
    DWORD got = read_sectors(EditorState.DiskRef, EditorState.CurrentSector, 1, EditorState.SectorData);
    EditorState.SectorDirty = 0;
    show_sector_read(got, EditorState.MainWindow);
}

static void report_disk_end(SectorNumber imported) {
    char text[160];
    snprintf(text, sizeof text, "The disk ends at sector %llu: the file's sectors after the first %llu were not imported.",
             EditorState.LastSector, imported);
    MessageBoxA(EditorState.MainWindow, text, "Import Error", MB_OK);
}

// When the disk ended before both the file and the count: the count asked
// in *asked and the sectors that fitted in *fitted; both 0 otherwise.
static void import_from_file(SectorNumber* asked, SectorNumber* fitted) {
    *asked = *fitted = 0;
    FILE* file = fopen(ImageFileName, "rb");
    if (!file) {
        report_import_failure();
        return;
    }
    unsigned long long file_bytes = 0;
    if (!measure_file(file, &file_bytes)) {
        fclose(file);
        report_import_failure();
        return;
    }
    SectorNumber count = ask_sector_count(in_sectors(file_bytes));
    if (count == 0) {
        fclose(file);
        return;
    }
    SectorNumber first = EditorState.CurrentSector;
    SectorNumber on_disk = sectors_within_disk(first, count, EditorState.LastSector);
    // A block (as many as the disk takes in flight at once) and a spare
    // sector after it, in memory a device can move.
    RequestCrew crew;
    begin_request_crew(&crew, EditorState.DiskRef, on_disk);
    DWORD largest = batch_sectors(&crew, RUN_BLOCK_SECTORS * CREW_SIZE);
    BYTE* buffer = allocate_transfer_buffer(largest + 1);
    BYTE* failed = new (std::nothrow) BYTE[largest];
    WritesRefused = false;
    if (!buffer || !failed) {
        report_import_failure();
    } else {
        // The disk ended first only if the file still has more to give.
        begin_transfer_progress("Import Sector(s)");
        SectorNumber stopped = 0;
        bool whole = transfer(file, file_bytes, &crew, largest, buffer, failed, first, on_disk, &stopped);
        end_transfer_progress();
        if (stopped) report_stop(stopped, on_disk);
        if (whole && on_disk < count && fgetc(file) != EOF) {
            *asked = count;
            *fitted = on_disk;
        }
        // Imported means on the disk, past its own cache.
        if (!WritesRefused && !flush_disk(EditorState.DiskRef)) report_import_failure();
    }
    free_transfer_buffer(buffer);
    delete[] failed;
    end_request_crew(&crew);
    reread_shown_sector();
    fclose(file);
}

void import_sectors() {
    prepare_image_file_dialog("Open Sector Image");
    SectorNumber asked = 0, fitted = 0;
    // Only a re-read of the shown sector clears its mark: where the import
    // ends before that, the edits stay on screen and stay marked.
    if (!GetOpenFileNameA(&ImageFileDialog)) {
        // Nothing chosen: nothing happens.
    } else if (names_open_disk(EditorState.DiskRef, ImageFileName)) {
        MessageBoxA(EditorState.MainWindow,
                    "This file is the open disk itself: importing it would overwrite the sectors it is read from. "
                    "Choose another file.",
                    "Import Error", MB_OK);
    } else {
        import_from_file(&asked, &fitted);
    }
    render_panes();
    if (asked > fitted) report_disk_end(fitted);
}
