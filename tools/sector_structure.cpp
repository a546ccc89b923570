#include "tools/sector_structure.h"

#include <stdio.h>
#include <string.h>

#include "disk/aligned_transfer.h"
#include "disk/sector_run.h"
#include "editor/editor_state.h"
#include "editor/pane_render.h"
#include "editor/sector_commands.h"
#include "resources/resource.h"
#include "structures/gpt.h"
#include "structures/sector_structure.h"

// What the dialog shows: the decoded sector and, per entry of the Go To
// list, the 512-byte sector it leads to.
static SectorStructure Shown;
static SectorNumber Targets[STRUCTURE_MAX_FIELDS];
static char Text[STRUCTURE_MAX_FIELDS * 176];

// 512-byte sectors per logical sector of the open disk.
static DWORD sectors_per_lba() {
    DWORD size = AccessMode == ACCESS_DIRECT && EditorState.DiskRef != INVALID_HANDLE_VALUE
                     ? logical_sector(EditorState.DiskRef)
                     : SECTOR_SIZE;
    return size / SECTOR_SIZE ? size / SECTOR_SIZE : 1;
}

static bool read_logical(void* context, uint64_t lba, uint32_t count, uint8_t* out) {
    DWORD ratio = *(DWORD*)context;
    SectorNumber first = lba * ratio, sectors = (SectorNumber)count * ratio;
    if (first > EditorState.LastSector || EditorState.LastSector - first + 1 < sectors) return false;
    bool unpositioned = false;
    return read_sector_run(EditorState.DiskRef, first, (DWORD)sectors, out, &unpositioned) == sectors * SECTOR_SIZE;
}

// The shown sector as it stands, unsaved edits and all. The disk is read
// (a backup header, an entry array) only while no search has it.
static void decode_shown(DiskView* view, DWORD* ratio) {
    *ratio = sectors_per_lba();
    SectorNumber shown = EditorState.CurrentSector;
    bool disk_open = EditorState.DiskRef != INVALID_HANDLE_VALUE;
    view->logical_sectors = disk_open ? (EditorState.LastSector + 1) / *ratio : 0;
    view->logical_size = *ratio * SECTOR_SIZE;
    view->lba = shown / *ratio;
    view->part_offset = (DWORD)(shown % *ratio) * SECTOR_SIZE;
    view->read = disk_open && !EditorState.SearchBusy ? read_logical : NULL;
    view->context = ratio;
    decode_sector(EditorState.SectorData, view, &Shown);
}

// A button disabled while it has the focus would leave the keyboard no
// place in the view (Go To that leads to a sector with nowhere to go):
// the field list takes the focus first.
static void enable_keeping_focus(HWND dialog, int id, bool enable) {
    HWND button = GetDlgItem(dialog, id);
    if (!enable && GetFocus() == button)
        SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, IDC_STRUCTURE_FIELDS), TRUE);
    EnableWindow(button, enable);
}

static void show_structure(HWND dialog) {
    DiskView view;
    DWORD ratio;
    decode_shown(&view, &ratio);
    SectorNumber shown = EditorState.CurrentSector;
    char line[200], where[64] = "";
    // On a disk of larger sectors, the LBA the structures count in.
    if (ratio > 1)
        snprintf(where, sizeof where, " (LBA %llu, bytes %u-%u of its %u)", (unsigned long long)view.lba,
                 view.part_offset, (unsigned)(view.part_offset + SECTOR_SIZE - 1), view.logical_size);
    if (Shown.kind[0]) {
        snprintf(line, sizeof line, "Sector %llu%s: %s", shown, where, Shown.kind);
    } else {
        snprintf(line, sizeof line, "Sector %llu%s is none of the structures this view knows.", shown, where);
    }
    SetDlgItemTextA(dialog, IDC_STRUCTURE_KIND, line);
    size_t used = 0;
    Text[0] = '\0';
    HWND targets = GetDlgItem(dialog, IDC_STRUCTURE_TARGETS);
    SendMessageA(targets, CB_RESETCONTENT, 0, 0);
    int count = 0;
    for (int i = 0; i < Shown.field_count; ++i) {
        const StructureField& f = Shown.fields[i];
        used += (size_t)snprintf(Text + used, sizeof Text - used, "%03X  %s: %s\r\n", f.offset, f.name, f.value);
        if (used >= sizeof Text) used = sizeof Text - 1;
        if (!f.names_sector) continue;
        snprintf(line, sizeof line, "%s: LBA %llu", f.name, (unsigned long long)f.target_lba);
        SendMessageA(targets, CB_ADDSTRING, 0, (LPARAM)line);
        Targets[count++] = f.target_lba * ratio;
    }
    SetDlgItemTextA(dialog, IDC_STRUCTURE_FIELDS, Text);
    used = 0;
    Text[0] = '\0';
    for (int i = 0; i < Shown.problem_count; ++i)
        used += (size_t)snprintf(Text + used, sizeof Text - used, "%s\r\n", Shown.problems[i]);
    SetDlgItemTextA(dialog, IDC_STRUCTURE_PROBLEMS, Shown.kind[0] && !Shown.problem_count ? "None found." : Text);
    if (count) SendMessageA(targets, CB_SETCURSEL, 0, 0);
    enable_keeping_focus(dialog, IDC_STRUCTURE_GOTO, count > 0);
    enable_keeping_focus(dialog, IDC_STRUCTURE_FIX_CRC, strncmp(Shown.kind, "GPT header", 10) == 0);
}

static void go_to_target(HWND dialog) {
    int chosen = (int)SendDlgItemMessageA(dialog, IDC_STRUCTURE_TARGETS, CB_GETCURSEL, 0, 0);
    if (chosen < 0 || refuse_while_searching(dialog)) return;
    SectorNumber sector = Targets[chosen];
    if (sector > EditorState.LastSector) {
        char text[128];
        snprintf(text, sizeof text, "Sector %llu lies beyond the last sector of the disk, %llu.", sector,
                 EditorState.LastSector);
        MessageBoxA(dialog, text, "Sector Structure", MB_OK);
        return;
    }
    move_to_sector(sector);
}

static void put_le32(BYTE* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = (BYTE)(value >> (8 * i));
}

// Into the shown sector's edits only: Save stays the user's own act.
static void fix_crc(HWND dialog) {
    GptHeader header;
    if (refuse_while_searching(dialog) || !read_gpt_header(EditorState.SectorData, &header)) return;
    DiskView view;
    DWORD ratio;
    decode_shown(&view, &ratio);
    bool read = false;
    uint32_t array = gpt_array_crc(&view, header, &read);
    if (read) put_le32(EditorState.SectorData + 88, array);
    put_le32(EditorState.SectorData + 16, gpt_header_crc(EditorState.SectorData));
    EditorState.SectorDirty = 1;
    render_panes();
}

void show_sector_structure() {
    if (HWND open = EditorState.StructureDialog) {
        SetFocus(open);
        return;
    }
    HWND dialog = CreateDialogParamA(EditorState.Instance, MAKEINTRESOURCEA(IDD_SECTOR_STRUCTURE), EditorState.MainWindow,
                                     sector_structure_dialog, 0);
    if (!dialog) return;
    EditorState.StructureDialog = dialog;
    show_structure(dialog);
    ShowWindow(dialog, SW_SHOW);
    // Beside the main window so neither hides the other: on its right, or
    // on its left when only that side has room; else wholly on the screen
    // at its right edge, over the main window's right part.
    RECT main_rect, own, work;
    if (!GetWindowRect(EditorState.MainWindow, &main_rect) || !GetWindowRect(dialog, &own)) return;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) work = main_rect;
    int width = own.right - own.left;
    int x = work.right - main_rect.right >= width  ? main_rect.right
            : main_rect.left - work.left >= width ? main_rect.left - width
                                                   : work.right - width;
    MoveWindow(dialog, x, main_rect.top, width, own.bottom - own.top, TRUE);
}

INT_PTR CALLBACK sector_structure_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: post_program_icon(dialog); return TRUE;
    case WM_SECTOR_SHOWN: show_structure(dialog); return TRUE;
    case WM_CLOSE: DestroyWindow(dialog); return TRUE;
    case WM_DESTROY: EditorState.StructureDialog = NULL; return TRUE;
    case WM_COMMAND:
        if (HIWORD(wparam) != 0) return FALSE;
        switch (LOWORD(wparam)) {
        case IDC_STRUCTURE_GOTO: go_to_target(dialog); break;
        case IDC_STRUCTURE_FIX_CRC: fix_crc(dialog); break;
        case IDC_CANCEL:
        case IDCANCEL: PostMessageA(dialog, WM_CLOSE, 0, 0); break;
        default: break;
        }
        return TRUE;
    default: return FALSE;
    }
}
