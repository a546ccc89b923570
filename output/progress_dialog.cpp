#include "output/progress_dialog.h"

#include <stdio.h>

#include "editor/editor_state.h"
#include "editor/long_work.h"
#include "resources/resource.h"

// A run that ends sooner shows no dialog: it would only flash.
static const DWORD SHOW_AFTER_MS = 300;

static HWND ProgressDialog;
static DWORD RunStarted;
static const char* RunTitle;

void begin_transfer_progress(const char* title) {
    ProgressDialog = NULL;
    RunStarted = GetTickCount();
    RunTitle = title;
    begin_long_work(NULL);
}

bool transfer_progress_stopped(SectorNumber done, SectorNumber total) {
    if (!ProgressDialog && GetTickCount() - RunStarted >= SHOW_AFTER_MS) {
        ProgressDialog = CreateDialogParamA(EditorState.Instance, MAKEINTRESOURCEA(IDD_PROGRESS), EditorState.MainWindow,
                                            progress_dialog, 0);
        if (ProgressDialog) {
            SetWindowTextA(ProgressDialog, RunTitle);
            ShowWindow(ProgressDialog, SW_SHOW);
            set_long_work_dialog(ProgressDialog);
        }
    }
    if (ProgressDialog) {
        char text[32];
        snprintf(text, sizeof text, "%i%% Complete", percent_done(done, total));
        SetDlgItemTextA(ProgressDialog, IDC_PROGRESS_TEXT, text);
    }
    return long_work_stopped();
}

void end_transfer_progress() {
    end_long_work();
    if (ProgressDialog) DestroyWindow(ProgressDialog);
    ProgressDialog = NULL;
}

// Cancel, Escape and the close box all stop the run; the dialog goes with it.
INT_PTR CALLBACK progress_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        post_program_icon(dialog);
        return TRUE;
    case WM_CLOSE: stop_long_work(); return TRUE;
    case WM_COMMAND:
        if (HIWORD(wparam) == 0 && is_cancel_command(LOWORD(wparam))) stop_long_work();
        return TRUE;
    default: return FALSE;
    }
}
