#include <string.h>

#include "editor/caret_editing.h"
#include "editor/editor_state.h"
#include "tools/pattern_scan.h"
#include "resources/resource.h"
#include "tools/search_disk.h"

// The keys that make a hex pattern: the digits, Backspace and Delete.
static bool is_pattern_key(const MSG& msg) {
    WPARAM vk = msg.wParam;
    return (vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'F') || (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) ||
           vk == VK_BACK || vk == VK_DELETE;
}

// The keys that move about a dialog and answer it.
static bool is_dialog_key(const MSG& msg) {
    switch (msg.wParam) {
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: return true;
    default: return false;
    }
}

// In hex mode the pattern's keys are the accelerator table's commands for
// the dialog, whichever window has the focus, and nothing is typed into the
// field; the dialog's own keys (Tab, Enter, Escape, the arrows, a button's
// letter) work in both modes. False: the key press is dropped.
static bool hex_mode_lets_through(HWND dialog, MSG* msg) {
    if (msg->message != WM_KEYDOWN) return true;
    if (is_pattern_key(*msg) && TranslateAcceleratorA(dialog, EditorState.Accelerators, msg)) return false;
    if (!dialog || (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd))) return false;
    return is_dialog_key(*msg) || GetFocus() != GetDlgItem(dialog, IDC_PATTERN);
}

static void start_search(HWND dialog, SearchWay way);

// F3 and Shift+F3 while the dialog is open: the next or previous match of
// the pattern in it.
static bool is_find_key(const MSG& msg) { return msg.message == WM_KEYDOWN && msg.wParam == VK_F3; }

// Whether the dialog holds a whole pattern to look for again: Find Next
// and Find Previous wait for one rather than close the dialog.
static bool pattern_entered(HWND dialog) {
    if (EditorState.SearchHexMode == 1) return EditorState.NibbleCount > 0 && EditorState.NextNibbleHigh == 1;
    return GetWindowTextLengthA(GetDlgItem(dialog, IDC_PATTERN)) > 0;
}

// The dialog's own loop; a way other than Search Disk's starts at once
// where there is a pattern kept to look for.
static void run_search_dialog(SearchWay way) {
    if (EditorState.SearchDialog) {
        // A menu command while the dialog is open: it searches as asked.
        if (way != SEARCH_FROM_SHOWN && pattern_entered(EditorState.SearchDialog))
            start_search(EditorState.SearchDialog, way);
        return;
    }
    HWND dialog = CreateDialogParamA(EditorState.Instance, MAKEINTRESOURCEA(IDD_SEARCH_DISK), NULL, search_disk_dialog, 0);
    if (!dialog) return;
    EditorState.SearchDialog = dialog;
    if (way != SEARCH_FROM_SHOWN && pattern_entered(dialog)) start_search(dialog, way);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0)) {
        HWND open = EditorState.SearchDialog;
        if (open && is_find_key(msg)) {
            if (pattern_entered(open)) start_search(open, GetKeyState(VK_SHIFT) < 0 ? SEARCH_PREVIOUS : SEARCH_NEXT);
            continue;
        }
        if (EditorState.SearchHexMode == 1 && !hex_mode_lets_through(open, &msg)) continue;
        if (open && IsDialogMessageA(open, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void open_search_dialog() { run_search_dialog(SEARCH_FROM_SHOWN); }

void find_again(bool backwards) { run_search_dialog(backwards ? SEARCH_PREVIOUS : SEARCH_NEXT); }

// Match case is a choice for text only.
static void show_match_case(HWND dialog) {
    CheckDlgButton(dialog, IDC_MATCH_CASE, EditorState.SearchMatchCase ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dialog, IDC_MATCH_CASE), EditorState.SearchHexMode == 0);
}

static void show_hex_pattern(HWND dialog) { SetDlgItemTextA(dialog, IDC_PATTERN, EditorState.HexPatternText); }

// Digit n is the high half of byte n/2 when n is even, the low half when odd;
// in the text it stands at 3n/2, a blank after each completed byte.
// The field holds no more than is searched for: a longer pattern would be
// cut short silently and its first part reported as a match.
static void say_pattern_is_full(HWND dialog) {
    SetDlgItemTextA(dialog, IDC_SEARCH_PROGRESS,
                    EditorState.SearchHexMode ? "At most 25 bytes."
                                              : "At most 49 characters.");
}

static void enter_hex_digit(HWND dialog, UINT command) {
    BYTE n = EditorState.NibbleCount;
    if (n >= 50) {
        say_pattern_is_full(dialog);
        return;
    }
    BYTE value = (BYTE)hex_digit_value(command);
    BYTE* byte = (BYTE*)&EditorState.SearchPattern[n / 2];
    char* text = &EditorState.HexPatternText[3 * n / 2];
    text[0] = hex_digit_char(command);
    if (EditorState.NextNibbleHigh == 1) {
        *byte = (BYTE)((value << 4) | (*byte & 0x0F));
        text[1] = '\0';
    } else {
        *byte = (BYTE)((*byte & 0xF0) | value);
        text[1] = ' ';
        text[2] = '\0';
    }
    EditorState.NibbleCount = n + 1;
    show_hex_pattern(dialog);
    EditorState.NextNibbleHigh = EditorState.NextNibbleHigh ? 0 : 1;
}

static void remove_last_digit(HWND dialog) {
    if (EditorState.NibbleCount == 0) return;
    BYTE n = EditorState.NibbleCount - 1;
    EditorState.NibbleCount = n;
    EditorState.HexPatternText[3 * n / 2] = '\0';
    BYTE* byte = (BYTE*)&EditorState.SearchPattern[n / 2];
    // The removed digit was the second of its byte when the next would start one.
    *byte &= EditorState.NextNibbleHigh == 1 ? 0xF0 : 0x0F;
    show_hex_pattern(dialog);
    EditorState.NextNibbleHigh = EditorState.NextNibbleHigh ? 0 : 1;
}

static void choose_hex_mode(HWND dialog) {
    if (EditorState.SearchHexMode != 0) return;
    EditorState.SearchPattern[0] = 0;
    EditorState.SearchPattern[1] = 0;
    EditorState.HexPatternText[0] = '\0';
    SetDlgItemTextA(dialog, IDC_PATTERN, "");
    EditorState.SearchHexMode = 1;
    EditorState.NibbleCount = 0;
    EditorState.NextNibbleHigh = 1;
    show_match_case(dialog);
}

static void choose_ascii_mode(HWND dialog) {
    if (EditorState.SearchHexMode != 1) return;
    EditorState.NextNibbleHigh = 1;
    EditorState.NibbleCount = 0;
    EditorState.SearchPattern[0] = 0;
    SetDlgItemTextA(dialog, IDC_PATTERN, "");
    EditorState.SearchHexMode = 0;
    show_match_case(dialog);
}

static void start_search(HWND dialog, SearchWay way) {
    if (EditorState.SearchBusy) return;
    // Half a byte is never searched for.
    if (EditorState.SearchHexMode == 1 && EditorState.NextNibbleHigh == 0) return;
    DWORD length;
    if (EditorState.SearchHexMode == 1) {
        length = EditorState.NibbleCount / 2;
    } else {
        // Read here, before the worker starts: it works on what it was given.
        length = (DWORD)GetDlgItemTextA(dialog, IDC_PATTERN, EditorState.SearchPattern,
                                        sizeof EditorState.SearchPattern);
    }
    EditorState.SearchBusy = 1;
    EditorState.SearchContinue = 1;
    start_search_worker(length, way);
}

static bool is_hex_digit_command(UINT id) {
    return (id >= IDM_DIGIT_A && id <= IDM_DIGIT_0) || (id >= IDM_DIGIT_LOWER_A && id <= IDM_DIGIT_LOWER_F);
}

INT_PTR CALLBACK search_disk_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        post_program_icon(dialog);
        EditorState.SearchDialog = dialog;
        SendDlgItemMessageA(dialog, IDC_PATTERN, EM_LIMITTEXT, MAX_PATTERN_LENGTH, 0);
        if (EditorState.SearchHexMode == 1 && EditorState.NibbleCount > 0) {
            SetDlgItemTextA(dialog, IDC_PATTERN, EditorState.HexPatternText);
        } else if (EditorState.SearchPattern[0] != 0) {
            SetDlgItemTextA(dialog, IDC_PATTERN, EditorState.SearchPattern);
        }
        CheckDlgButton(dialog, EditorState.SearchHexMode ? IDC_HEXADECIMAL : IDC_ASCII, BST_CHECKED);
        show_match_case(dialog);
        return TRUE;
    case WM_CLOSE:
    case WM_DESTROY:
    case WM_QUERYENDSESSION:
        // The worker stops after the chunk in hand; nothing waits for it.
        EditorState.SearchContinue = 0;
        EditorState.SearchDialog = NULL;
        PostQuitMessage(0);
        DefWindowProcA(dialog, message, wparam, lparam);
        if (message == WM_QUERYENDSESSION) SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_SEARCH_PROGRESS: show_search_progress(dialog); return TRUE;
    case WM_COMMAND:
    case WM_SYSCOMMAND: {
        UINT id = LOWORD(wparam);
        // The keys' commands come with any notification code.
        if (is_hex_digit_command(id)) {
            enter_hex_digit(dialog, id);
            return FALSE;
        }
        if (id == IDM_DELETE_DIGIT) {
            remove_last_digit(dialog);
            return FALSE;
        }
        if (id == IDC_PATTERN && HIWORD(wparam) == EN_MAXTEXT) say_pattern_is_full(dialog);
        if (HIWORD(wparam) != 0) return FALSE;
        switch (id) {
        case IDC_HEXADECIMAL: choose_hex_mode(dialog); break;
        case IDC_ASCII: choose_ascii_mode(dialog); break;
        case IDC_SEARCH: start_search(dialog, SEARCH_FROM_SHOWN); break;
        case IDC_MATCH_CASE: EditorState.SearchMatchCase = IsDlgButtonChecked(dialog, IDC_MATCH_CASE) == BST_CHECKED; break;
        case IDC_CANCEL:
        case IDCANCEL: PostMessageA(dialog, WM_CLOSE, 0, 0); break;
        default: break;
        }
        return FALSE;
    }
    default: return FALSE;
    }
}
