#include "editor/select_disk.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "disk/legacy_services.h"
#include "disk/sector_access.h"
#include "editor/caret_editing.h"
#include "editor/editor_state.h"
#include "editor/sector_commands.h"
#include "resources/resource.h"

char SelectionText[50];

static void add_entry(HWND dialog, const char* format, char character) {
    char entry[16];
    snprintf(entry, sizeof entry, format, character);
    SendDlgItemMessageA(dialog, IDC_DISK_LIST, CB_ADDSTRING, 0, (LPARAM)entry);
}

static void build_list(HWND dialog) {
    if (AccessMode == ACCESS_LEGACY) {
        for (DWORD drive = 1; drive < 26; ++drive)
            if (legacy_probe_drive(drive)) add_entry(dialog, "Logical %c:", (char)(drive + 64));
        return;
    }
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        snprintf(DevicePath, sizeof DevicePath, LOGICAL_VOLUME_PATH, letter);
        if (probe_device(DevicePath)) add_entry(dialog, "Logical %c:", letter);
    }
    for (char digit = '0'; digit <= '9'; ++digit) {
        snprintf(DevicePath, sizeof DevicePath, PHYSICAL_DRIVE_PATH, digit);
        if (probe_device(DevicePath)) add_entry(dialog, "Physical %c", digit);
    }
}

static bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A name in the field opens a disk only when it has exactly the form of a
// listed entry: "Logical X:" with a letter, or "Physical N" with a digit
// (the legacy path has no physical entries). Anything else might name
// another disk than the one meant.
static bool names_a_disk(const char* text) {
    if (strlen(text) != 10) return false;
    if (strncmp(text, "Logical ", 8) == 0) return is_letter(text[8]) && text[9] == ':';
    if (AccessMode == ACCESS_LEGACY) return false;
    return strncmp(text, "Physical ", 9) == 0 && text[9] >= '0' && text[9] <= '9';
}

static void open_direct() {
    if (SelectionText[0] == 'L') {
        snprintf(DevicePath, sizeof DevicePath, LOGICAL_VOLUME_PATH, SelectionText[8]);
    } else {
        snprintf(DevicePath, sizeof DevicePath, PHYSICAL_DRIVE_PATH, SelectionText[9]);
    }
    if (EditorState.DiskRef != INVALID_HANDLE_VALUE) close_disk_device(EditorState.DiskRef);
    EditorState.CurrentSector = 0;
    EditorState.SectorDirty = 0;
    EditorState.DiskRef = open_disk_device(DevicePath);
    EditorState.LastSector = query_last_sector(EditorState.DiskRef);
}

static DWORD read_first_sector() {
    if (AccessMode == ACCESS_LEGACY)
        return legacy_read_sectors((DWORD)(ULONG_PTR)EditorState.DiskRef, 0, 1, EditorState.SectorData);
    // Where the device stands after a failed positioning is no sector 0.
    if (seek_sector(EditorState.DiskRef, 0)) return 0;
    return read_from_position(EditorState.DiskRef, EditorState.SectorData, 1);
}

// Opens the disk named in the field. False, with nothing changed, when the
// field names no disk.
static bool open_selection(HWND dialog) {
    if (refuse_while_searching(dialog)) return false;
    GetDlgItemTextA(dialog, IDC_DISK_LIST, SelectionText, sizeof SelectionText);
    if (!names_a_disk(SelectionText)) {
        char text[96];
        snprintf(text, sizeof text, "\"%s\" is not a disk.", SelectionText);
        MessageBoxA(dialog, text, "Select Disk", MB_OK);
        return false;
    }
    if (AccessMode == ACCESS_LEGACY) {
        EditorState.DiskRef = (HANDLE)(ULONG_PTR)(toupper((unsigned char)SelectionText[8]) - 64);
        EditorState.CurrentSector = 0;
        EditorState.SectorDirty = 0;
        EditorState.LastSector = legacy_query_last_sector((DWORD)(ULONG_PTR)EditorState.DiskRef);
    } else {
        open_direct();
    }
    // A match on the disk shown before is no place on this one.
    EditorState.HaveLastMatch = 0;
    show_sector_read(read_first_sector(), dialog);
    return true;
}

void show_select_disk() {
    EditorState.HexPaneActive = 1;
    DialogBoxParamA(EditorState.Instance, MAKEINTRESOURCEA(IDD_SELECT_DISK), EditorState.MainWindow, select_disk_dialog, 0);
    focus_hex_pane();
}

INT_PTR CALLBACK select_disk_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        post_program_icon(dialog);
        build_list(dialog);
        SendDlgItemMessageA(dialog, IDC_DISK_LIST, CB_SETCURSEL, 0, 0);
        return 1;
    case WM_DESTROY:
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
        close_modal_dialog(dialog, message, wparam, lparam);
        SetFocus(EditorState.MainWindow);
        // The session may end: a dialog's answer is its message result.
        if (message == WM_QUERYENDSESSION) SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
        return 1;
    default:
        if (HIWORD(wparam) != 0) return 0;
        if (LOWORD(wparam) == IDC_OPEN) {
            if (open_selection(dialog)) PostMessageA(dialog, WM_CLOSE, 0, 0);
        } else if (is_cancel_command(LOWORD(wparam))) {
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        }
        return 0;
    }
}
