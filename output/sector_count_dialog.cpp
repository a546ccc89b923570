#include "output/sector_count_dialog.h"

#include <stdio.h>

#include "editor/dialog_number.h"
#include "editor/editor_state.h"
#include "output/web_pages.h"
#include "resources/resource.h"

SectorNumber SectorCountRequest;

SectorNumber ask_sector_count(SectorNumber initial) {
    SectorCountRequest = initial;
    DialogBoxParamA(EditorState.Instance, MAKEINTRESOURCEA(IDD_SECTOR_COUNT), EditorState.MainWindow, sector_count_dialog,
                    0);
    return SectorCountRequest;
}

static void initialise(HWND dialog) {
    char text[24];
    snprintf(text, sizeof text, "%llu", SectorCountRequest);
    SetDlgItemTextA(dialog, IDC_COUNT, text);
    // Every way out but OK answers 0.
    SectorCountRequest = 0;
    post_program_icon(dialog);
    open_web_page(dialog, VELLUM_HELP_PAGE);
}

// Empty text, or a number beyond 64 bits, does not translate: 0.
static void take_answer(HWND dialog) {
    BOOL translated = FALSE;
    SectorNumber count = get_dialog_number(dialog, IDC_COUNT, &translated);
    SectorCountRequest = translated ? count : 0;
}

INT_PTR CALLBACK sector_count_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        initialise(dialog);
        // The count in hand, selected: typing replaces it.
        SetFocus(GetDlgItem(dialog, IDC_COUNT));
        SendDlgItemMessageA(dialog, IDC_COUNT, EM_SETSEL, 0, -1);
        return FALSE;
    case WM_CLOSE:
    case WM_DESTROY:
    case WM_QUERYENDSESSION:
        close_modal_dialog(dialog, message, wparam, lparam);
        // The session may end: a dialog's answer is its message result.
        if (message == WM_QUERYENDSESSION) SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_COMMAND:
        // Notifications leave the dialog open.
        if (HIWORD(wparam) != 0) return FALSE;
        if (LOWORD(wparam) == IDC_COUNT_OK) {
            if (refuse_while_searching(dialog)) return FALSE;
            take_answer(dialog);
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        } else if (is_cancel_command(LOWORD(wparam))) {
            SectorCountRequest = 0;
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        }
        return FALSE;
    default: return FALSE;
    }
}
