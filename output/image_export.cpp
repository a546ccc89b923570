// Export: a run of sectors from the shown one on, into a raw image file.
#include <stdio.h>
#include <string.h>

#include "disk/sector_access.h"
#include "editor/editor_state.h"
#include "output/image_files.h"
#include "output/sector_count_dialog.h"

static void report_export_failure() {
    MessageBoxA(EditorState.MainWindow, "Error Exporting to file.  Click OK to continue", "Export Error", MB_OK);
}

// A file that could not be written whole is emptied: a shorter image would
// pass for a complete export of fewer sectors. Emptying, unlike removing,
// is harmless when the name is a device.
static void empty_image_file() {
    FILE* file = fopen(ImageFileName, "wb");
    if (file) fclose(file);
}

// Reads one chunk; sectors the disk did not deliver become zeros, so every
// later sector stays at its own offset in the image. The number of sectors
// that could not be read.
static DWORD read_chunk(DWORD first, DWORD chunk, BYTE* buffer) {
    DWORD got = read_sectors(EditorState.DiskRef, first, chunk, buffer);
    DWORD whole = got / SECTOR_SIZE;
    if (whole >= chunk) return 0;
    memset(buffer + whole * SECTOR_SIZE, 0, (chunk - whole) * SECTOR_SIZE);
    return chunk - whole;
}

// The run, as much of it as lies on the disk. False when the file refused
// a write.
static bool transfer(FILE* file, BYTE* buffer, DWORD first, DWORD count, DWORD* unread) {
    DWORD moved = 0;
    DWORD remaining = count;
    while (remaining > 0) {
        DWORD chunk = remaining < CHUNK_SECTORS ? remaining : CHUNK_SECTORS;
        *unread += read_chunk(first + moved, chunk, buffer);
        if (fwrite(buffer, SECTOR_SIZE, chunk, file) != chunk) return false;
        remaining -= chunk;
        moved += chunk;
    }
    return true;
}

static void report_outcome(DWORD first, DWORD asked, DWORD exported, DWORD unread) {
    char text[160];
    if (unread > 0) {
        snprintf(text, sizeof text, "%u sector(s) could not be read and were exported as zeros.", (unsigned)unread);
        MessageBoxA(EditorState.MainWindow, text, "Export Error", MB_OK);
    }
    if (exported < asked) {
        snprintf(text, sizeof text, "The disk ends at sector %u: %u of the %u sector(s) from sector %u were exported.",
                 (unsigned)EditorState.LastSector, (unsigned)exported, (unsigned)asked, (unsigned)first);
        MessageBoxA(EditorState.MainWindow, text, "Export Error", MB_OK);
    }
}

void export_sectors() {
    prepare_image_file_dialog("Save Sector Image As");
    if (!GetSaveFileNameA(&ImageFileDialog)) return;
    // Opened, and so emptied, before the count is asked.
    FILE* file = fopen(ImageFileName, "wb+");
    if (!file) {
        report_export_failure();
        return;
    }
    DWORD asked = ask_sector_count(0);
    if (asked == 0) {
        fclose(file);
        return;
    }
    BYTE* buffer = allocate_chunk_buffer();
    if (!buffer) {
        fclose(file);
        report_export_failure();
        return;
    }
    DWORD first = EditorState.CurrentSector;
    DWORD count = sectors_within_disk(first, asked);
    DWORD unread = 0;
    bool written = transfer(file, buffer, first, count, &unread);
    free_chunk_buffer(buffer);
    // What is still buffered meets a full disk only here.
    if (fclose(file) != 0) written = false;
    if (!written) {
        empty_image_file();
        report_export_failure();
        return;
    }
    report_outcome(first, asked, count, unread);
}
