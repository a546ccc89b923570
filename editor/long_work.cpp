#include "editor/long_work.h"

#include "editor/editor_state.h"

static bool Running;
static bool StopAsked;
static HWND WorkDialog;
// The windows this work disabled, to enable again at its end.
static HWND Held[2];
static int HeldCount;
// Where the keys went before: a message box shown meanwhile, owned by a
// window that waits, cannot give it back.
static HWND HadFocus;

static void hold(HWND window) {
    if (!window || !IsWindowEnabled(window) || HeldCount == 2) return;
    EnableWindow(window, FALSE);
    Held[HeldCount++] = window;
}

void begin_long_work(HWND dialog) {
    Running = true;
    StopAsked = false;
    WorkDialog = dialog;
    HeldCount = 0;
    HadFocus = GetFocus();
    hold(EditorState.MainWindow);
    hold(EditorState.SearchDialog);
}

void set_long_work_dialog(HWND dialog) { WorkDialog = dialog; }

// Enabled again before the work's dialog goes, so that the main window gets
// the activation back.
void end_long_work() {
    while (HeldCount > 0) EnableWindow(Held[--HeldCount], TRUE);
    if (!GetActiveWindow() && HadFocus && IsWindow(HadFocus)) SetFocus(HadFocus);
    Running = false;
    WorkDialog = NULL;
}

bool long_work_running() { return Running; }

void stop_long_work() { StopAsked = true; }

bool long_work_stopped() {
    // Input that has come meanwhile is taken first: a person's click on
    // Cancel while the disk was busy.
    MsgWaitForMultipleObjects(0, NULL, FALSE, 0, QS_ALLINPUT);
    MSG msg;
    while (!StopAsked && PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The program is to end: the work stops, and the loop it runs in
            // gets the request again.
            PostQuitMessage((int)msg.wParam);
            StopAsked = true;
            break;
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            StopAsked = true;
            break;
        }
        // The main window takes no keys here: its accelerators are its own
        // loop's, and that loop waits for this work.
        HWND dialog = WorkDialog;
        if (dialog && IsDialogMessageA(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return StopAsked;
}

// No real count overflows: a disk's sectors number fewer than 2^55.
int percent_done(SectorNumber done, SectorNumber total) { return (int)(done * 100 / total); }
