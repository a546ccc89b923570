#include <stdio.h>
#include <string.h>

#include "disk/legacy_services.h"
#include "disk/sector_access.h"
#include "editor/editor_state.h"
#include "editor/main_window.h"
#include "resources/resource.h"
#include "tools/search_disk.h"

// What the outer loop does beyond dispatching: the accelerator table for
// the main window, which pane was clicked, and characters typed into the
// text pane as commands.
void process_outer_message(MSG* msg) {
    // The Sector Structure dialog's keys are its own: a digit typed there
    // must not edit the sector.
    HWND structure = EditorState.StructureDialog;
    if (structure && (msg->hwnd == structure || IsChild(structure, msg->hwnd)) && IsDialogMessageA(structure, msg))
        return;
    if (TranslateAcceleratorA(EditorState.MainWindow, EditorState.Accelerators, msg)) return;
    if (msg->message == WM_LBUTTONDOWN) {
        if (msg->hwnd == EditorState.TextPane) EditorState.HexPaneActive = 0;
        if (msg->hwnd == EditorState.HexPane) EditorState.HexPaneActive = 1;
    }
    TranslateMessage(msg);
    if (msg->message == WM_CHAR && msg->hwnd == EditorState.TextPane)
        PostMessageA(EditorState.MainWindow, WM_COMMAND, IDM_TYPE_CHARACTER, (LPARAM)msg->wParam);
    DispatchMessageA(msg);
}

static void run_outer_loop() {
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0)) {
        process_outer_message(&msg);
        // After the shutdown the quit request ends the loop; when a nested
        // loop has taken it, nothing else will.
        MSG quit;
        if (EditorState.ShutDown && !PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_NOREMOVE)) break;
    }
}

int editor_main(HINSTANCE instance) {
    EditorState.Instance = instance;
    EditorState.HexPaneActive = 1;
    EditorState.SearchPattern[0] = '\0';
    EditorState.SearchHexMode = 0;
    EditorState.SearchMatchCase = 1;
    EditorState.HaveLastMatch = 0;

    OSVERSIONINFOA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        AccessMode = ACCESS_LEGACY;
        init_legacy_services();
    } else {
        AccessMode = ACCESS_DIRECT;
    }
    EditorState.DiskRef = INVALID_HANDLE_VALUE;
    snprintf(EditorState.ImageFileFilter, sizeof EditorState.ImageFileFilter, "Binary Files%c*.bin%cAll Files%c*.*%c%c",
             0, 0, 0, 0, 0);
    EditorState.SearchBusy = 0;
    EditorState.SearchDialog = NULL;
    EditorState.StructureDialog = NULL;
    EditorState.ShutDown = 0;

    HWND main_window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), NULL, main_window_proc, 0);
    ShowWindow(main_window, SW_SHOW);
    EditorState.Accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    run_outer_loop();
    wait_for_search_worker();
    return 0;
}
