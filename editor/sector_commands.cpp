#include "editor/sector_commands.h"

#include <string.h>

#include "disk/sector_access.h"
#include "editor/editor_state.h"
#include "editor/pane_render.h"

static void report_read_failure(HWND owner) {
    if (!MessageBoxA(owner, "Error accessing contents of sector", "Data Error", MB_OK) && owner)
        MessageBoxA(NULL, "Error accessing contents of sector", "Data Error", MB_OK);
}

static void report_write_failure() {
    MessageBoxA(EditorState.MainWindow, "Error writing contents of sector", "Data Error", MB_OK);
}

// Writes the shown sector; on failure says so and keeps the edits flagged.
static DWORD write_shown_sector() {
    DWORD written = write_sectors(EditorState.DiskRef, EditorState.CurrentSector, 1, EditorState.SectorData);
    // Saved means on the disk: a write the disk does not confirm is a failed one.
    if (written == SECTOR_SIZE && !flush_disk(EditorState.DiskRef)) written = 0;
    if (written != SECTOR_SIZE) {
        report_write_failure();
        return written;
    }
    EditorState.SectorDirty = 0;
    return written;
}

bool prompt_save_changes() {
    if (!EditorState.SectorDirty) return true;
    int answer = MessageBoxA(EditorState.MainWindow, "Unsaved changes will be lost\nWould you like to save the changes?",
                             "Save Changes?", MB_YESNO);
    if (answer == IDYES) return write_shown_sector() == SECTOR_SIZE;
    EditorState.SectorDirty = 0;
    return true;
}

void show_sector_read(DWORD bytes_read, HWND owner) {
    if (bytes_read < SECTOR_SIZE) {
        memset(EditorState.SectorData + bytes_read, 0, SECTOR_SIZE - bytes_read);
        report_read_failure(owner);
    }
    render_panes();
}

static void show_sector(SectorNumber sector) {
    EditorState.CurrentSector = sector;
    show_sector_read(read_sectors(EditorState.DiskRef, sector, 1, EditorState.SectorData), EditorState.MainWindow);
}

void step_to_next_sector() {
    if (EditorState.SearchBusy) return;
    if (!prompt_save_changes()) return;
    SectorNumber current = EditorState.CurrentSector;
    show_sector(current == EditorState.LastSector ? 0 : current + 1);
}

void move_to_sector(SectorNumber sector) {
    if (EditorState.SearchBusy) return;
    if (!prompt_save_changes()) return;
    show_sector(sector > EditorState.LastSector ? EditorState.LastSector : sector);
}

void step_to_previous_sector() {
    if (EditorState.SearchBusy) return;
    if (!prompt_save_changes()) return;
    SectorNumber current = EditorState.CurrentSector;
    show_sector(current == 0 ? EditorState.LastSector : current - 1);
}

DWORD save_current_sector() { return write_shown_sector(); }

// Undo reads here first: a read that fails must not leave the edits on
// screen as if they were the disk's content. They stay, still marked, and
// the user is told.
alignas(SECTOR_SIZE) static BYTE UndoBuffer[SECTOR_SIZE];

void undo_changes() {
    if (read_sectors(EditorState.DiskRef, EditorState.CurrentSector, 1, UndoBuffer) != SECTOR_SIZE) {
        report_read_failure(EditorState.MainWindow);
        return;
    }
    memcpy(EditorState.SectorData, UndoBuffer, SECTOR_SIZE);
    EditorState.SectorDirty = 0;
    render_panes();
}

void copy_to_buffer() { memcpy(EditorState.TransferBuffer, EditorState.SectorData, SECTOR_SIZE); }

void paste_from_buffer() {
    memcpy(EditorState.SectorData, EditorState.TransferBuffer, SECTOR_SIZE);
    EditorState.SectorDirty = 1;
    render_panes();
}

void zero_data() {
    memset(EditorState.SectorData, 0, SECTOR_SIZE);
    render_panes();
    EditorState.SectorDirty = 1;
}
