#include "window_checks.h"

#include <string.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "conformance.h"

namespace {

struct Run {
    CheckCounts counts;
    bool on_wine = false;
    FILE* out = nullptr;
    HINSTANCE resources = nullptr;
    std::string scratch;
};
Run run;

void check(bool held, const char* what, bool todo_wine = false) {
    if (held && todo_wine && run.on_wine) {
        ++run.counts.todo_fixed;
        fprintf(run.out, "todo_wine fixed: %s\n", what);
    } else if (held) {
        ++run.counts.passed;
        fprintf(run.out, "ok: %s\n", what);
    } else if (todo_wine && run.on_wine) {
        ++run.counts.todo;
        fprintf(run.out, "todo_wine: %s\n", what);
    } else {
        ++run.counts.failed;
        fprintf(run.out, "FAILED: %s\n", what);
    }
}

// What the dialog procedures saw: message, command identifier or 0, and the
// command's notification code.
struct Seen {
    UINT message;
    WORD id;
    WORD code;
};
std::vector<Seen> seen;
DWORD served_on = 0;

INT_PTR CALLBACK recording_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        seen.push_back({message, 0, 0});
        PostMessageA(dialog, WM_APP + 1, 0, 0);
        PostMessageA(dialog, WM_APP + 2, 0, 0);
        return TRUE;
    case WM_COMMAND: seen.push_back({message, LOWORD(wParam), HIWORD(wParam)}); return TRUE;
    case WM_APP + 6:
        served_on = GetCurrentThreadId();
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 42);
        return TRUE;
    default: return FALSE;
    }
}

// Ends its modal run from a posted message, or asks the program to end.
INT_PTR CALLBACK ending_proc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        if (lParam) PostQuitMessage(9);
        else PostMessageA(dialog, WM_APP + 8, 0, 0);
        return TRUE;
    }
    if (message == WM_APP + 8) {
        EndDialog(dialog, 1234);
        return TRUE;
    }
    return FALSE;
}

// Writes the fields during WM_INITDIALOG and returns lParam; returning
// FALSE, it gives the focus to the number field itself.
INT_PTR CALLBACK focusing_proc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    SetDlgItemTextA(dialog, IDC_FIELD, "abc");
    SetDlgItemTextA(dialog, IDC_NUMBER, "12");
    if (!lParam) SetFocus(GetDlgItem(dialog, IDC_NUMBER));
    return lParam;
}

HWND conformance_dialog() {
    seen.clear();
    return CreateDialogParamA(run.resources, MAKEINTRESOURCEA(IDD_CONFORMANCE), NULL, recording_proc, 0);
}

// Runs what is queued without waiting for more.
void drain() {
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool saw_command(WORD id, WORD code) {
    for (const Seen& s : seen)
        if (s.message == WM_COMMAND && s.id == id && s.code == code) return true;
    return false;
}

std::string text_of(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

void message_checks() {
    HWND dialog = conformance_dialog();
    check(dialog != NULL && !seen.empty() && seen[0].message == WM_INITDIALOG,
          "WM_INITDIALOG has run when CreateDialogParamA returns");
    MSG first = {}, second = {};
    PeekMessageA(&first, dialog, WM_APP, WM_APP + 10, PM_REMOVE);
    PeekMessageA(&second, dialog, WM_APP, WM_APP + 10, PM_REMOVE);
    check(first.message == WM_APP + 1 && second.message == WM_APP + 2, "messages posted during WM_INITDIALOG come in order");

    HWND other = conformance_dialog();
    PostMessageA(dialog, WM_APP + 4, 0, 0);
    PostMessageA(other, WM_APP + 5, 0, 0);
    MSG msg = {};
    BOOL found = PeekMessageA(&msg, other, WM_APP + 4, WM_APP + 5, PM_REMOVE);
    check(found && msg.hwnd == other && msg.message == WM_APP + 5, "PeekMessageA picks by window and range");
    found = PeekMessageA(&msg, NULL, WM_APP + 4, WM_APP + 4, PM_NOREMOVE);
    check(found && msg.hwnd == dialog, "PM_NOREMOVE leaves the message queued");
    DestroyWindow(other);
    drain();

    SetLastError(0);
    check(!PostMessageA((HWND)(ULONG_PTR)0x1234, WM_APP, 0, 0) && GetLastError() == ERROR_INVALID_WINDOW_HANDLE,
          "posting to no window fails with ERROR_INVALID_WINDOW_HANDLE");
    HWND gone = conformance_dialog();
    DestroyWindow(gone);
    drain();
    SetLastError(0);
    check(!PostMessageA(gone, WM_APP, 0, 0) && GetLastError() == ERROR_INVALID_WINDOW_HANDLE,
          "posting to a destroyed window fails with ERROR_INVALID_WINDOW_HANDLE");
    SetLastError(0);
    check(SendMessageA(gone, WM_APP, 0, 0) == 0 && GetLastError() == ERROR_INVALID_WINDOW_HANDLE,
          "sending to a destroyed window gives 0 and ERROR_INVALID_WINDOW_HANDLE");

    PostMessageA(dialog, WM_APP + 3, 0, 0);
    PostQuitMessage(7);
    bool posted_first = false;
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        if (msg.message == WM_APP + 3) posted_first = true;
    check(posted_first && msg.message == WM_QUIT && msg.wParam == 7,
          "WM_QUIT comes after the messages posted before it and ends GetMessageA with its code");

    // Another thread's send is served by this thread while it takes its messages.
    served_on = 0;
    std::atomic<bool> done{false};
    LRESULT answer = 0;
    std::thread worker([&] {
        answer = SendMessageA(dialog, WM_APP + 6, 0, 0);
        done = true;
    });
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done && std::chrono::steady_clock::now() < give_up) {
        drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    check(served_on == GetCurrentThreadId() && answer == 42,
          "another thread's SendMessageA runs on the window's thread and gets DWLP_MSGRESULT");
    DestroyWindow(dialog);
    drain();

    INT_PTR result = DialogBoxParamA(run.resources, MAKEINTRESOURCEA(IDD_CONFORMANCE), NULL, ending_proc, 1);
    bool quit = false;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        if (msg.message == WM_QUIT) quit = msg.wParam == 9;
    // What the dialog returns then is not checked: Wine gives 1, our layer 0,
    // and the program does not use it.
    fprintf(run.out, "note: DialogBoxParamA ended by WM_QUIT returned %ld\n", (long)result);
    check(quit, "a modal loop that fetches WM_QUIT ends and posts it again");
}

void dialog_checks() {
    INT_PTR result = DialogBoxParamA(run.resources, MAKEINTRESOURCEA(IDD_CONFORMANCE), NULL, ending_proc, 0);
    check(result == 1234, "DialogBoxParamA returns what EndDialog was given");

    for (LPARAM returned : {TRUE, FALSE}) {
        HWND made = CreateDialogParamA(run.resources, MAKEINTRESOURCEA(IDD_CONFORMANCE), NULL, focusing_proc, returned);
        HWND field = GetDlgItem(made, IDC_FIELD), number = GetDlgItem(made, IDC_NUMBER);
        LRESULT selection = SendMessageA(field, EM_GETSEL, 0, 0);
        if (returned) {
            check(GetFocus() == field && selection == MAKELONG(0, 3),
                  "WM_INITDIALOG returning TRUE: the first tab stop has the focus, an edit with its text selected");
        } else {
            check(GetFocus() == number && selection == 0,
                  "WM_INITDIALOG returning FALSE: the focus it set stays, and no text is selected");
        }
        DestroyWindow(made);
    }

    HWND dialog = conformance_dialog();
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    drain();
    check(IsWindow(dialog) && saw_command(IDCANCEL, 0), "the dialog manager turns WM_CLOSE into IDCANCEL, code 0");

    seen.clear();
    MSG key = {GetDlgItem(dialog, IDC_FIELD), WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {0, 0}};
    check(IsDialogMessageA(dialog, &key), "IsDialogMessageA takes Enter");
    drain();
    check(saw_command(IDOK, 0), "Enter presses the default button: IDOK, code 0");
    seen.clear();
    key.wParam = VK_ESCAPE;
    key.lParam = 0x00010001;
    IsDialogMessageA(dialog, &key);
    drain();
    check(saw_command(IDCANCEL, 0), "Escape sends IDCANCEL, code 0");

    HWND field = GetDlgItem(dialog, IDC_FIELD);
    check(GetNextDlgTabItem(dialog, field, FALSE) == GetDlgItem(dialog, IDC_NUMBER),
          "Tab goes from a tab stop to the next in template order");
    check(GetNextDlgTabItem(dialog, GetDlgItem(dialog, IDC_PUSH), FALSE) == field, "Tab from the last tab stop wraps");
    check(GetNextDlgTabItem(dialog, field, TRUE) == GetDlgItem(dialog, IDC_PUSH), "Shift+Tab goes back, wrapping");

    // Wine takes the largest number for an overflow, reads a minus sign also
    // when no signed number was asked for, and takes the digits before other
    // characters; Windows reads numbers up to UINT_MAX, looks for a sign only
    // when asked to, and refuses a number followed by anything but blanks.
    struct Case {
        const char* text;
        UINT value;
        BOOL translated;
        bool wine_differs;
    } cases[] = {{"", 0, FALSE, false},
                 {"abc", 0, FALSE, false},
                 {"4294967296", 0, FALSE, false},
                 {"4294967295", 4294967295u, TRUE, true},
                 {"  12", 12, TRUE, false},
                 {"  12  ", 12, TRUE, false},
                 {"12x", 0, FALSE, true},
                 {"-5", 0, FALSE, true},
                 {"0", 0, TRUE, false}};
    for (const Case& c : cases) {
        SetDlgItemTextA(dialog, IDC_FIELD, c.text);
        BOOL translated = 99;
        UINT value = GetDlgItemInt(dialog, IDC_FIELD, &translated, FALSE);
        char what[160];
        snprintf(what, sizeof what, "GetDlgItemInt reads \"%s\" as Windows does (got %u, %s)", c.text, value,
                 translated ? "translated" : "not translated");
        check(value == c.value && translated == c.translated, what, c.wine_differs);
    }
    SetDlgItemTextA(dialog, IDC_FIELD, "-5");
    BOOL translated = FALSE;
    check((int)GetDlgItemInt(dialog, IDC_FIELD, &translated, TRUE) == -5 && translated,
          "GetDlgItemInt reads a signed number when asked");
    SetDlgItemInt(dialog, IDC_FIELD, 4294967295u, FALSE);
    check(text_of(field) == "4294967295", "SetDlgItemInt writes an unsigned number");

    seen.clear();
    SendMessageA(GetDlgItem(dialog, IDC_RADIO_B), BM_CLICK, 0, 0);
    drain();
    check(IsDlgButtonChecked(dialog, IDC_RADIO_B) == BST_CHECKED && IsDlgButtonChecked(dialog, IDC_RADIO_A) == 0 &&
              saw_command(IDC_RADIO_B, 0),
          "an automatic radio button checks itself on a click and tells its dialog");
    CheckDlgButton(dialog, IDC_RADIO_A, BST_CHECKED);
    check(IsDlgButtonChecked(dialog, IDC_RADIO_A) == BST_CHECKED, "CheckDlgButton checks");
    seen.clear();
    SendMessageA(GetDlgItem(dialog, IDC_PUSH), BM_CLICK, 0, 0);
    drain();
    check(saw_command(IDC_PUSH, 0), "BM_CLICK on a push button sends its identifier, code 0");
    DestroyWindow(dialog);
    drain();
}

void edit_checks() {
    HWND dialog = conformance_dialog();
    HWND edit = GetDlgItem(dialog, IDC_FIELD);
    SetWindowTextA(edit, "0123456789");
    SendMessageA(edit, EM_SETSEL, 7, 3);
    DWORD start = 0, end = 0;
    LRESULT packed = SendMessageA(edit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    check(packed == MAKELONG(3, 7) && start == 3 && end == 7, "EM_GETSEL packs start low and end high, smaller first");

    SendMessageA(edit, EM_SETSEL, 4, 5);
    SendMessageA(edit, EM_REPLACESEL, FALSE, (LPARAM) "X");
    packed = SendMessageA(edit, EM_GETSEL, 0, 0);
    check(text_of(edit) == "0123X56789" && packed == MAKELONG(5, 5), "EM_REPLACESEL leaves the caret after the new text");

    SetWindowTextA(edit, "abc");
    check(SendMessageA(edit, EM_GETSEL, 0, 0) == 0, "WM_SETTEXT puts the selection at the start");

    HWND number = GetDlgItem(dialog, IDC_NUMBER);
    SetWindowTextA(number, "");
    SendMessageA(number, WM_CHAR, 'x', 0);
    SendMessageA(number, WM_CHAR, '5', 0);
    check(text_of(number) == "5", "an ES_NUMBER field refuses a letter and takes a digit");

    HWND read_only = GetDlgItem(dialog, IDC_READ_ONLY);
    SetWindowTextA(read_only, "a\r\nb\r\nc");
    SendMessageA(read_only, WM_CHAR, 'x', 0);
    check(text_of(read_only) == "a\r\nb\r\nc", "a read-only edit ignores typing");
    check(SendMessageA(read_only, EM_GETLINECOUNT, 0, 0) == 3, "EM_GETLINECOUNT counts the lines");
    check(SendMessageA(read_only, EM_LINEINDEX, 1, 0) == 3 && SendMessageA(read_only, EM_LINEFROMCHAR, 4, 0) == 1,
          "EM_LINEINDEX and EM_LINEFROMCHAR count CR LF as part of a line");
    // A multiline edit wants every key, yet Tab and Escape still leave it.
    SetFocus(read_only);
    MSG key = {read_only, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    IsDialogMessageA(dialog, &key);
    check(GetFocus() == GetDlgItem(dialog, IDOK), "Tab in a multiline edit of a dialog moves to the next tab stop");
    SetFocus(read_only);
    seen.clear();
    key.wParam = VK_ESCAPE;
    IsDialogMessageA(dialog, &key);
    drain();
    check(saw_command(IDCANCEL, BN_CLICKED), "Escape in a multiline edit of a dialog cancels the dialog");
    DestroyWindow(dialog);
    drain();
}

void combo_checks() {
    HWND dialog = conformance_dialog();
    HWND list = GetDlgItem(dialog, IDC_LIST);
    const char* entries[] = {"Physical 0", "Logical C:", "logical b:", "Logical A:"};
    for (const char* entry : entries) SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)entry);
    std::string order;
    char text[64];
    for (int i = 0; i < 4; ++i) {
        SendMessageA(list, CB_GETLBTEXT, i, (LPARAM)text);
        order += std::string(text) + ";";
    }
    check(order == "Logical A:;logical b:;Logical C:;Physical 0;", "a sorted combo box ignores case");
    SendMessageA(list, CB_SETCURSEL, 2, 0);
    check(SendMessageA(list, CB_GETCURSEL, 0, 0) == 2 && text_of(list) == "Logical C:",
          "CB_SETCURSEL puts the entry into the field");
    DestroyWindow(dialog);
    drain();
}

void accelerator_checks() {
    HACCEL keys = LoadAcceleratorsA(run.resources, MAKEINTRESOURCEA(IDR_TEST_KEYS));
    ACCEL stored[8];
    int count = keys ? CopyAcceleratorTableA(keys, stored, 8) : 0;
    check(count == 4 && stored[0].cmd == IDM_ONE && stored[1].cmd == IDM_ONE_AGAIN && stored[1].key == '1' &&
              (stored[3].fVirt & FSHIFT) && stored[3].cmd == IDM_SHIFT_A,
          "an accelerator table keeps its entries, duplicates included, in stored order");

    HWND dialog = conformance_dialog();
    MSG key = {dialog, WM_KEYDOWN, '1', 0x00020001, 0, {0, 0}};
    seen.clear();
    int fired = TranslateAcceleratorA(dialog, keys, &key);
    check(fired && saw_command(IDM_ONE, 1) && !saw_command(IDM_ONE_AGAIN, 1),
          "the first matching entry fires, with code 1");
    key.wParam = 'A';
    key.lParam = 0x001E0001;
    seen.clear();
    TranslateAcceleratorA(dialog, keys, &key);
    check(saw_command(IDM_LETTER_A, 1) && !saw_command(IDM_SHIFT_A, 1), "an entry with SHIFT needs Shift held");
    key.wParam = 'Q';
    check(!TranslateAcceleratorA(dialog, keys, &key), "a key without an entry is not translated");
    check(LoadAcceleratorsA(run.resources, MAKEINTRESOURCEA(4321)) == NULL, "a table that is not there does not load");
    DestroyWindow(dialog);
    DestroyAcceleratorTable(keys);
    drain();
}

void menu_checks() {
    HMENU bar = LoadMenuA(run.resources, MAKEINTRESOURCEA(IDR_TEST_MENU));
    HMENU file = bar ? GetSubMenu(bar, 0) : NULL;
    char caption[32] = {};
    if (file) GetMenuStringA(file, IDM_ACT, caption, sizeof caption, MF_BYCOMMAND);
    check(bar && GetMenuItemCount(bar) == 1 && file && GetMenuItemCount(file) == 2 &&
              GetMenuItemID(file, 0) == IDM_ACT && strcmp(caption, "&Act") == 0,
          "a menu reads back by position and by identifier");
    check(file && (GetMenuState(file, IDM_GRAYED, MF_BYCOMMAND) & MF_GRAYED) &&
              !(GetMenuState(file, IDM_ACT, MF_BYCOMMAND) & MF_GRAYED),
          "GetMenuState tells the grayed item");
    if (bar) DestroyMenu(bar);
    HWND plain = CreateDialogParamA(run.resources, MAKEINTRESOURCEA(IDD_PLAIN), NULL, recording_proc, 0);
    check(plain && GetMenu(plain) != NULL, "a dialog template's menu is the dialog's menu");
    DestroyWindow(plain);
    drain();
}

HANDLE open_file(const std::string& path, DWORD access, DWORD disposition, DWORD flags = 0) {
    return CreateFileA(path.c_str(), access, 0, NULL, disposition, flags, NULL);
}

void file_checks() {
    std::string path = run.scratch + "/checks.bin";
    HANDLE h = open_file(path, GENERIC_READ, OPEN_EXISTING);
    check(h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND,
          "OPEN_EXISTING on a missing file fails with ERROR_FILE_NOT_FOUND");
    h = open_file(path, GENERIC_READ, 99);
    check(h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER,
          "an unknown disposition fails with ERROR_INVALID_PARAMETER");
    h = open_file(path, GENERIC_WRITE, CREATE_NEW);
    DWORD done = 0;
    WriteFile(h, "abcdef", 6, &done, NULL);
    CloseHandle(h);
    h = open_file(path, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    LARGE_INTEGER size = {};
    check(h != INVALID_HANDLE_VALUE && GetLastError() == ERROR_ALREADY_EXISTS && GetFileSizeEx(h, &size) &&
              size.QuadPart == 0,
          "CREATE_ALWAYS empties an existing file and says ERROR_ALREADY_EXISTS");
    static BYTE bytes[4096];
    for (int i = 0; i < 4096; ++i) bytes[i] = (BYTE)(i * 7);
    WriteFile(h, bytes, 1536, &done, NULL);
    CloseHandle(h);
    h = open_file(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    check(h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS, "CREATE_NEW refuses an existing file");
    h = open_file(path, GENERIC_READ, OPEN_ALWAYS);
    check(h != INVALID_HANDLE_VALUE && GetLastError() == ERROR_ALREADY_EXISTS,
          "OPEN_ALWAYS on an existing file succeeds and says ERROR_ALREADY_EXISTS");

    check(GetFileSizeEx(h, &size) && size.QuadPart == 1536, "GetFileSizeEx gives a file's size");
    BYTE answer[64];
    DWORD returned = 0;
    check(!DeviceIoControl(h, IOCTL_DISK_GET_PARTITION_INFO, NULL, 0, answer, sizeof answer, &returned, NULL) &&
              !DeviceIoControl(h, IOCTL_DISK_GET_LENGTH_INFO, NULL, 0, answer, sizeof answer, &returned, NULL),
          "an ordinary file answers no disk request");

    alignas(4096) static BYTE buffer[4096];
    SetFilePointer(h, 1024, NULL, FILE_BEGIN);
    BOOL ok = ReadFile(h, buffer, 1024, &done, NULL);
    check(ok && done == 512 && memcmp(buffer, bytes + 1024, 512) == 0, "a read across the end gives the bytes there");
    ok = ReadFile(h, buffer, 512, &done, NULL);
    check(ok && done == 0, "a read at the end succeeds with 0 bytes");
    SetFilePointer(h, 5000, NULL, FILE_BEGIN);
    ok = ReadFile(h, buffer, 512, &done, NULL);
    check(ok && done == 0, "a read beyond the end succeeds with 0 bytes");

    LONG high = 1;
    DWORD low = SetFilePointer(h, 0x40000000, &high, FILE_BEGIN);
    check(low == 0x40000000 && high == 1, "SetFilePointer takes and gives a 64-bit position in two halves");
    high = -1;
    low = SetFilePointer(h, -0x100, &high, FILE_CURRENT);
    check(low == 0x3FFFFF00 && high == 1, "with its high part, a negative move is a 64-bit one");
    // Documented: without a high part, a position that does not fit in 32
    // bits fails. Wine moves and gives the low part.
    SetLastError(NO_ERROR);
    check(SetFilePointer(h, 0, NULL, FILE_CURRENT) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR,
          "without a high part, a position beyond 4 GiB cannot be told: the call fails", true);
    high = 0;
    SetLastError(ERROR_ACCESS_DENIED);
    low = SetFilePointer(h, -1, &high, FILE_BEGIN);
    check(low == INVALID_SET_FILE_POINTER && high == 0 && GetLastError() == NO_ERROR,
          "a low part of all ones is a position, told by a cleared last error");
    check(SetFilePointer(h, 0, NULL, FILE_END) == 1536, "FILE_END moves to the size");
    high = -1;
    SetLastError(0);
    low = SetFilePointer(h, -512, &high, FILE_BEGIN);
    check(low == INVALID_SET_FILE_POINTER && GetLastError() == ERROR_NEGATIVE_SEEK,
          "a position before the start fails with ERROR_NEGATIVE_SEEK");
    CloseHandle(h);
    check(!ReadFile(h, buffer, 512, &done, NULL) && GetLastError() == ERROR_INVALID_HANDLE,
          "a closed handle is refused with ERROR_INVALID_HANDLE");
    SetLastError(0);
    check(!CloseHandle(h) && GetLastError() == ERROR_INVALID_HANDLE, "a handle closes once");
    SetLastError(0);
    check(!CloseHandle(NULL) && GetLastError() == ERROR_INVALID_HANDLE, "no handle does not close");

    // Wine ignores FILE_FLAG_NO_BUFFERING: its handles are always buffered.
    h = open_file(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING);
    SetLastError(0);
    ok = ReadFile(h, buffer, 100, &done, NULL);
    check(!ok && GetLastError() == ERROR_INVALID_PARAMETER, "an unbuffered handle refuses a part of a sector", true);
    SetFilePointer(h, 0, NULL, FILE_BEGIN);
    ok = ReadFile(h, buffer + 8, 512, &done, NULL);
    check(!ok && GetLastError() == ERROR_INVALID_PARAMETER, "an unbuffered handle refuses memory not sector-aligned",
          true);
    SetFilePointer(h, 10, NULL, FILE_BEGIN);
    ok = ReadFile(h, buffer, 512, &done, NULL);
    check(!ok && GetLastError() == ERROR_INVALID_PARAMETER, "an unbuffered handle refuses a position within a sector",
          true);
    SetFilePointer(h, 512, NULL, FILE_BEGIN);
    ok = ReadFile(h, buffer, 1024, &done, NULL);
    check(ok && done == 1024 && memcmp(buffer, bytes + 512, 1024) == 0,
          "an unbuffered handle moves whole sectors from aligned memory");
    CloseHandle(h);

    // Both set theirs, then read it back after the other's was set; nothing
    // but spinning on atomics comes between, since any call may change it.
    std::atomic<int> step{0};
    DWORD theirs = 0, mine = 0;
    std::thread other([&] {
        SetLastError(6);
        step = 1;
        while (step != 2) {
        }
        theirs = GetLastError();
    });
    while (step != 1) {
    }
    SetLastError(5);
    step = 2;
    mine = GetLastError();
    other.join();
    check(mine == 5 && theirs == 6, "the last error belongs to each thread");
}

// Where windows stand: the desktop's work area, and a top-level window
// where MoveWindow put it.
void place_checks() {
    RECT work = {};
    check(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) && work.right > work.left && work.bottom > work.top,
          "SPI_GETWORKAREA gives a rectangle that is not empty");
    SetLastError(0);
    check(!SystemParametersInfoA(0xFFFF, 0, &work, 0) && GetLastError() == ERROR_INVALID_SPI_VALUE,
          "SystemParametersInfoA fails an action it does not know with ERROR_INVALID_SPI_VALUE");
    HWND dialog = conformance_dialog();
    RECT before = {}, after = {};
    GetWindowRect(dialog, &before);
    MoveWindow(dialog, work.left + 13, work.top + 17, before.right - before.left, before.bottom - before.top, TRUE);
    GetWindowRect(dialog, &after);
    check(after.left == work.left + 13 && after.top == work.top + 17 && after.right - after.left == before.right - before.left,
          "GetWindowRect of a top-level window gives where MoveWindow put it");
    DestroyWindow(dialog);
    drain();
}

}  // namespace

CheckCounts run_window_checks(HINSTANCE resources, const char* scratch, bool on_wine, FILE* out) {
    run = Run();
    run.resources = resources;
    run.scratch = scratch;
    run.on_wine = on_wine;
    run.out = out;
    message_checks();
    dialog_checks();
    edit_checks();
    combo_checks();
    accelerator_checks();
    menu_checks();
    file_checks();
    place_checks();
    fflush(out);
    return run.counts;
}
