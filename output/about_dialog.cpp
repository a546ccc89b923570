#include "output/about_dialog.h"

#include "editor/editor_state.h"
#include "output/web_pages.h"
#include "resources/resource.h"

void show_about() {
    DialogBoxParamA(EditorState.Instance, MAKEINTRESOURCEA(IDD_ABOUT), EditorState.MainWindow, about_dialog, 0);
}

// Close, Escape (IDCANCEL) and the close box end the box.
INT_PTR CALLBACK about_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        post_program_icon(dialog);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wparam) != 0) return FALSE;
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) PostMessageA(dialog, WM_CLOSE, 0, 0);
        if (LOWORD(wparam) == IDC_WEB_ADDRESS) show_web_page(dialog, HOME_PAGE);
        return FALSE;
    case WM_QUERYENDSESSION:
        // The box holds nothing to keep, so the session may end. A box
        // destroyed here could give no answer, and no answer refuses: it
        // closes once the question is answered.
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_CLOSE:
    case WM_DESTROY:
        close_modal_dialog(dialog, message, wparam, lparam);
        return FALSE;
    default: return FALSE;
    }
}
