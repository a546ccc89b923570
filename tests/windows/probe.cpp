// orvasse_probe: prints what the running editor's main window shows, as
// another program reads it through the controls' own messages, one
// "name=value" line each:
//   counter, hex.length, hex.lines, hex.selection, hex.line0, text.length,
//   text.lines, text.selection, and focus: the identifier of the control
//   with the keyboard focus and the caption of its window ("1024 Goto Sector");
//   with the Sector Structure view open, structure.kind, structure.problems
//   (its first line) and structure.beside (yes: its side touches the main
//   window's, at the same height)
// Exit status 1 when no main window is there.
//
// orvasse_probe --version-of FILE prints the version resource of a program
// file as Windows reads it: version= (the fixed file version, a.b.c.d) and
// file_version= (the FileVersion string); exit status 1 when it has none.
#include <stdio.h>
#include <string.h>

#include <string>

#include "platform/win32.h"
#include "resources/resource.h"

static HWND main_window = NULL;

static BOOL CALLBACK find_main(HWND window, LPARAM) {
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (strncmp(caption, "Orvasse v1.01 - ", 16) != 0) return TRUE;
    main_window = window;
    return FALSE;
}

static std::string text_of(HWND control) {
    LRESULT length = SendMessageA(control, WM_GETTEXTLENGTH, 0, 0);
    std::string text((size_t)length + 1, '\0');
    LRESULT got = SendMessageA(control, WM_GETTEXT, text.size(), (LPARAM)text.data());
    text.resize((size_t)got);
    return text;
}

static void show_pane(const char* name, HWND pane) {
    std::string text = text_of(pane);
    LRESULT selection = SendMessageA(pane, EM_GETSEL, 0, 0);
    printf("%s.length=%u\n", name, (unsigned)text.size());
    printf("%s.lines=%d\n", name, (int)SendMessageA(pane, EM_GETLINECOUNT, 0, 0));
    printf("%s.selection=%u %u\n", name, (unsigned)LOWORD(selection), (unsigned)HIWORD(selection));
    printf("%s.line0=%s\n", name, text.substr(0, text.find('\r')).c_str());
}

static int show_version_of(const char* file) {
    DWORD ignored = 0, size = GetFileVersionInfoSizeA(file, &ignored);
    std::string data(size, '\0');
    VS_FIXEDFILEINFO* fixed = NULL;
    char* text = NULL;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoA(file, 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", (void**)&fixed, &length) || !fixed) {
        printf("no version resource\n");
        return 1;
    }
    printf("version=%u.%u.%u.%u\n", (unsigned)HIWORD(fixed->dwFileVersionMS), (unsigned)LOWORD(fixed->dwFileVersionMS),
           (unsigned)HIWORD(fixed->dwFileVersionLS), (unsigned)LOWORD(fixed->dwFileVersionLS));
    if (VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\FileVersion", (void**)&text, &length) && text)
        printf("file_version=%s\n", text);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "--version-of") == 0) return show_version_of(argv[2]);
    EnumWindows(find_main, 0);
    if (!main_window) {
        printf("no main window\n");
        return 1;
    }
    printf("counter=%s\n", text_of(GetDlgItem(main_window, IDC_SECTOR_COUNTER)).c_str());
    show_pane("hex", GetDlgItem(main_window, IDC_HEX_PANE));
    show_pane("text", GetDlgItem(main_window, IDC_TEXT_PANE));
    if (HWND view = FindWindowA(NULL, "Sector Structure")) {
        printf("structure.kind=%s\n", text_of(GetDlgItem(view, IDC_STRUCTURE_KIND)).c_str());
        std::string problems = text_of(GetDlgItem(view, IDC_STRUCTURE_PROBLEMS));
        printf("structure.problems=%s\n", problems.substr(0, problems.find('\r')).c_str());
        RECT main_rect, view_rect;
        GetWindowRect(main_window, &main_rect);
        GetWindowRect(view, &view_rect);
        bool beside = (view_rect.left == main_rect.right || view_rect.right == main_rect.left) &&
                      view_rect.top == main_rect.top;
        printf("structure.beside=%s\n", beside ? "yes" : "no");
    }
    GUITHREADINFO gui;
    memset(&gui, 0, sizeof gui);
    gui.cbSize = sizeof gui;
    if (GetGUIThreadInfo(0, &gui) && gui.hwndFocus) {
        char caption[64] = {};
        GetWindowTextA(GetAncestor(gui.hwndFocus, GA_ROOT), caption, sizeof caption);
        printf("focus=%d %s\n", GetDlgCtrlID(gui.hwndFocus), caption);
    } else {
        printf("focus=none\n");
    }
    return 0;
}
