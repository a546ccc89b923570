#include "editor/main_window.h"

#include "disk/legacy_services.h"
#include "disk/sector_access.h"
#include "editor/select_disk.h"
#include "editor/caret_editing.h"
#include "editor/editor_state.h"
#include "editor/pane_render.h"
#include "editor/sector_commands.h"
#include "output/about_dialog.h"
#include "output/image_files.h"
#include "output/print_sector.h"
#include "output/web_pages.h"
#include "resources/resource.h"
#include "tools/copy_block.h"
#include "tools/goto_sector.h"
#include "tools/search_disk.h"
#include "tools/sector_structure.h"

static void initialise(HWND hwnd) {
    EditorState.TextPane = GetDlgItem(hwnd, IDC_TEXT_PANE);
    EditorState.HexPane = GetDlgItem(hwnd, IDC_HEX_PANE);
    render_panes();
    EditorState.Icon = LoadIconA(EditorState.Instance, MAKEINTRESOURCEA(IDI_ORVASSE));
    post_program_icon(hwnd);
    PostMessageA(hwnd, WM_COMMAND, IDM_SELECT_DISK, 0);
    open_web_page(hwnd, HELP_PAGE);
}

// Nothing is asked and nothing is written: unsaved edits go with the window.
static void shut_down(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (AccessMode == ACCESS_LEGACY && !EditorState.LegacyServicesClosed) {
        CloseHandle(LegacyServiceHandle);
        EditorState.LegacyServicesClosed = 1;
    }
    HWND search = EditorState.SearchDialog;
    if (search) PostMessageA(search, WM_CLOSE, 0, 0);
    PostQuitMessage(0);
    EditorState.ShutDown = 1;
    DefWindowProcA(hwnd, message, wparam, lparam);
}

// Stage 1: the keys' commands, on the low word alone. Each handler knows
// what it may do while a search runs.
static void route_keys(WORD id, LPARAM lparam) {
    if ((id >= IDM_DIGIT_A && id <= IDM_DIGIT_0) || (id >= IDM_DIGIT_LOWER_A && id <= IDM_DIGIT_LOWER_F)) {
        type_hex_digit(id);
        return;
    }
    switch (id) {
    case IDM_NEXT_SECTOR: step_to_next_sector(); break;
    case IDM_PREVIOUS_SECTOR: step_to_previous_sector(); break;
    case IDM_CARET_RIGHT: move_caret_right(); break;
    case IDM_CARET_LEFT: move_caret_left(); break;
    case IDM_CARET_DOWN: move_caret_down(); break;
    case IDM_CARET_UP: move_caret_up(); break;
    case IDM_SWITCH_PANE: switch_pane(); break;
    case IDM_TYPE_CHARACTER: store_text_byte((BYTE)(lparam & 0xFF)); break;
    default: break;
    }
}

// Stage 2: Exit always; the menu's commands only from the menu or the
// program itself, and never while a search runs; Find Next and Find
// Previous from their keys too.
static void route_menu(HWND hwnd, WPARAM wparam) {
    WORD id = LOWORD(wparam);
    if (HIWORD(wparam) == 0 && id == IDM_EXIT) PostMessageA(hwnd, WM_CLOSE, 0, 0);
    bool find = id == IDM_FIND_NEXT || id == IDM_FIND_PREVIOUS || id == IDM_SECTOR_STRUCTURE;
    if (EditorState.SearchBusy || HIWORD(wparam) > (find ? 1 : 0) || id < IDM_FIRST_COMMAND || id > IDM_LAST_COMMAND)
        return;
    switch (id) {
    case IDM_FIND_NEXT: find_again(false); break;
    case IDM_FIND_PREVIOUS: find_again(true); break;
    case IDM_SECTOR_STRUCTURE: show_sector_structure(); break;
    case IDM_PRINT_SECTOR: print_sector(); break;
    case IDM_ABOUT: show_about(); break;
    case IDM_EXPORT_SECTORS: export_sectors(); break;
    case IDM_IMPORT_SECTORS: import_sectors(); break;
    case IDM_UNDO_CHANGES: undo_changes(); break;
    case IDM_GOTO_SECTOR: show_goto_sector(); break;
    case IDM_SELECT_DISK: show_select_disk(); break;
    case IDM_COPY_BLOCK: show_copy_block(); break;
    case IDM_SEARCH_DISK: open_search_dialog(); break;
    case IDM_COPY_TO_BUFFER: copy_to_buffer(); break;
    case IDM_PASTE_FROM_BUFFER: paste_from_buffer(); break;
    case IDM_SAVE_SECTOR: save_current_sector(); break;
    case IDM_ZERO_DATA: zero_data(); break;
    default:
        // Help, License and the Links: the page table says which page.
        if (const char* page = page_of_command(id)) show_web_page(hwnd, page);
        break;
    }
}

// The stepper's arrows step; its other notifications do nothing.
static void stepper(WPARAM wparam, LPARAM lparam) {
    HANDLE disk = EditorState.DiskRef;
    if (lparam == 0 || disk == INVALID_HANDLE_VALUE || disk == 0 || EditorState.SearchBusy) return;
    if (LOWORD(wparam) == SB_LINEDOWN) step_to_next_sector();
    if (LOWORD(wparam) == SB_LINEUP) step_to_previous_sector();
}

INT_PTR CALLBACK main_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    EditorState.MainWindow = hwnd;
    switch (message) {
    // The hex pane takes the focus here: left to the dialog manager, the
    // first tab stop (the text pane) would, its whole text selected.
    case WM_INITDIALOG:
        initialise(hwnd);
        SetFocus(EditorState.HexPane);
        return 0;
    case WM_CLOSE:
    case WM_DESTROY:
    case WM_QUERYENDSESSION:
        shut_down(hwnd, message, wparam, lparam);
        // The session may end: a dialog's answer is its message result.
        if (message == WM_QUERYENDSESSION) SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, TRUE);
        return 1;
    case WM_COMMAND:
    case WM_SYSCOMMAND:
        route_keys(LOWORD(wparam), lparam);
        route_menu(hwnd, wparam);
        return 0;
    case WM_HSCROLL: stepper(wparam, lparam); return 0;
    default: return 0;
    }
}
