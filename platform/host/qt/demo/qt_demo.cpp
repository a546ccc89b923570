// Shows the window system's test dialogs through the Qt host, to try it by
// hand: the "Plain" window (menu File > Act opens the "Conformance" dialog,
// OK asks a question, Cancel or the close box ends), and in "Conformance"
// Push names a file and OK prints. With --program it shows the program's
// own dialogs one after another instead (close each to see the next).
#include <cstdio>
#include <cstring>
#include <string>

#include "conformance.h"
#include "conformance_res.h"
#include "platform/host/qt/qt_host.h"
#include "platform/user/resource.h"
#include "platform/win32.h"
#include "resources/embedded_res.h"
#include "resources/resource.h"

namespace {

HINSTANCE tests_module = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x00500000));
HINSTANCE program_module = nullptr;
HICON icon = nullptr;

void set_icons(HWND hwnd) {
    PostMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    PostMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

std::string sample_lines() {
    std::string text;
    char line[64];
    for (int row = 0; row < 4; ++row) {
        for (int k = 0; k < 8; ++k) {
            snprintf(line, sizeof line, "%02X ", row * 8 + k);
            text += line;
        }
        text += "\r\n";
    }
    return text + "File > Act opens the dialog";
}

void print_fields(HWND dialog) {
    PRINTDLGA print;
    memset(&print, 0, sizeof print);
    print.lStructSize = sizeof print;
    print.hwndOwner = dialog;
    print.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION;
    print.nCopies = 1;
    if (!PrintDlgA(&print) || !print.hDC) return;
    TEXTMETRICA metrics;
    GetTextMetricsA(print.hDC, &metrics);
    DOCINFOA document = {sizeof(DOCINFOA), "Orvasse Qt demo", nullptr, nullptr, 0};
    StartDocA(print.hDC, &document);
    for (int copy = 0; copy < print.nCopies; ++copy) {
        StartPage(print.hDC);
        char text[256];
        int y = 0;
        for (int id : {IDC_FIELD, IDC_NUMBER, IDC_LIST}) {
            int length = static_cast<int>(GetDlgItemTextA(dialog, id, text, sizeof text));
            TextOutA(print.hDC, 0, y, text, length);
            y += metrics.tmHeight + metrics.tmExternalLeading;
        }
        EndPage(print.hDC);
    }
    EndDoc(print.hDC);
    DeleteDC(print.hDC);
}

INT_PTR CALLBACK conformance_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        set_icons(hwnd);
        for (const char* entry : {"Physical Drive 0", "Logical Drive C:", "Logical Drive A:", "Physical Drive 1"})
            SendDlgItemMessageA(hwnd, IDC_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
        SendDlgItemMessageA(hwnd, IDC_LIST, CB_SETCURSEL, 0, 0);
        SetDlgItemTextA(hwnd, IDC_READ_ONLY, "Read-only text\r\non two lines");
        CheckDlgButton(hwnd, IDC_RADIO_A, BST_CHECKED);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wparam) != 0) return FALSE;
        switch (LOWORD(wparam)) {
        case IDC_PUSH: {
            char path[256] = "";
            OPENFILENAMEA file;
            memset(&file, 0, sizeof file);
            file.lStructSize = sizeof file;
            file.hwndOwner = hwnd;
            file.lpstrFilter = "Binary Files\0*.bin\0All Files\0*.*\0\0";
            file.nFilterIndex = 1;
            file.lpstrFile = path;
            file.nMaxFile = sizeof path;
            file.lpstrTitle = "Save Sector Image";
            file.lpstrDefExt = "bin";
            if (GetSaveFileNameA(&file)) SetDlgItemTextA(hwnd, IDC_FIELD, path);
            return TRUE;
        }
        case IDOK: print_fields(hwnd); return TRUE;
        case IDCANCEL: EndDialog(hwnd, IDCANCEL); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

INT_PTR CALLBACK plain_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        set_icons(hwnd);
        SetDlgItemTextA(hwnd, IDC_PANE, sample_lines().c_str());
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDM_ACT: DialogBoxParamA(tests_module, MAKEINTRESOURCEA(IDD_CONFORMANCE), hwnd, conformance_proc, 0); return TRUE;
        case IDOK: {
            int answer = MessageBoxA(hwnd, "Write the sector?", "Question", MB_YESNOCANCEL | MB_ICONQUESTION);
            const char* said = answer == IDYES ? "Yes" : answer == IDNO ? "No" : "Cancel";
            SetDlgItemTextA(hwnd, IDC_PANE, (std::string("The answer was ") + said + ".").c_str());
            return TRUE;
        }
        case IDCANCEL:
            DestroyWindow(hwnd);
            PostQuitMessage(0);
            return TRUE;
        default: return FALSE;
        }
    case WM_CLOSE:
        DestroyWindow(hwnd);
        PostQuitMessage(0);
        return TRUE;
    default: return FALSE;
    }
}

INT_PTR CALLBACK look_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: set_icons(hwnd); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDCANCEL || LOWORD(wparam) == IDC_CANCEL || LOWORD(wparam) == IDOK) EndDialog(hwnd, 0);
        return TRUE;
    case WM_CLOSE: EndDialog(hwnd, 0); return TRUE;
    default: return FALSE;
    }
}

int demo(bool program_dialogs) {
    register_embedded_module(reinterpret_cast<uintptr_t>(tests_module), conformance_res_begin, conformance_res_end);
    program_module = embedded_program_module();
    icon = LoadIconA(program_module, MAKEINTRESOURCEA(IDI_ORVASSE));
    if (program_dialogs) {
        for (int id : {IDD_MAIN, IDD_ABOUT, IDD_SELECT_DISK, IDD_GOTO_SECTOR, IDD_COPY_BLOCK, IDD_SEARCH_DISK,
                       IDD_SECTOR_COUNT})
            DialogBoxParamA(program_module, MAKEINTRESOURCEA(id), nullptr, look_proc, 0);
        return 0;
    }
    HWND plain = CreateDialogParamA(tests_module, MAKEINTRESOURCEA(IDD_PLAIN), nullptr, plain_proc, 0);
    if (!plain) return 1;
    ShowWindow(plain, SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsWindow(plain) && IsDialogMessageA(plain, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace

int main(int argc, char** argv) {
    bool program_dialogs = argc > 1 && strcmp(argv[1], "--program") == 0;
    return platform::qt::run_qt_host(argc, argv, [program_dialogs] { return demo(program_dialogs); });
}
