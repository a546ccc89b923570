#include "tools/goto_sector.h"

#include "disk/legacy_services.h"
#include "disk/sector_access.h"
#include "editor/dialog_number.h"
#include "editor/editor_state.h"
#include "editor/sector_commands.h"
#include "resources/resource.h"

// Reads CurrentSector into SectorData; the edits of the sector shown before
// are dropped whatever the read gives.
static DWORD read_chosen_sector() {
    if (AccessMode == ACCESS_LEGACY) {
        EditorState.SectorDirty = 0;
        // Legacy disks number their sectors in 32 bits.
        return legacy_read_sectors((DWORD)(ULONG_PTR)EditorState.DiskRef, (DWORD)EditorState.CurrentSector, 1,
                                   EditorState.SectorData);
    }
    DWORD seek_failed = seek_sector(EditorState.DiskRef, EditorState.CurrentSector);
    EditorState.SectorDirty = 0;
    // Reading from wherever the device stands would put another sector's
    // bytes under this number.
    if (seek_failed) return 0;
    return read_from_position(EditorState.DiskRef, EditorState.SectorData, 1);
}

static void go_to_sector(HWND dialog) {
    if (refuse_while_searching(dialog)) return;
    BOOL translated;
    SectorNumber sector = get_dialog_number(dialog, IDC_GOTO_NUMBER, &translated);
    if (sector > EditorState.LastSector) sector = EditorState.LastSector;
    EditorState.CurrentSector = sector;
    show_sector_read(read_chosen_sector(), dialog);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
}

void show_goto_sector() {
    // Owned: the main window waits behind it, as it does on Windows.
    DialogBoxParamA(EditorState.Instance, MAKEINTRESOURCEA(IDD_GOTO_SECTOR), EditorState.MainWindow, goto_sector_dialog,
                    0);
}

INT_PTR CALLBACK goto_sector_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        post_program_icon(dialog);
        return TRUE;
    case WM_CLOSE:
    case WM_DESTROY:
    case WM_QUERYENDSESSION:
        close_modal_dialog(dialog, message, wparam, lparam);
        return 0;
    case WM_COMMAND:
        if (HIWORD(wparam) != 0) return 0;
        if (LOWORD(wparam) == IDC_GOTO) go_to_sector(dialog);
        if (is_cancel_command(LOWORD(wparam))) PostMessageA(dialog, WM_CLOSE, 0, 0);
        return 0;
    default:
        return 0;
    }
}
