// The dialog manager's keyboard: Tab and the arrow keys move between the
// controls, Enter presses the default button, Escape cancels, and a
// control's underlined letter (with Alt, or alone where the focus takes no
// characters) chooses it.
#include <cctype>
#include <string>
#include <vector>

#include "platform/user/dialog.h"
#include "platform/user/window.h"

namespace platform {

namespace {

std::vector<HWND> children_of(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

bool can_take_focus(HWND control) {
    Window* window = find_window(control);
    return window && (window->style & WS_VISIBLE) && !(window->style & WS_DISABLED);
}

DWORD style_of(HWND control) { return static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE)); }

// The next candidate after (or before) at in the cyclic order of controls.
HWND step(const std::vector<HWND>& controls, HWND at, bool backwards, bool (*accept)(HWND)) {
    if (controls.empty()) return nullptr;
    int count = static_cast<int>(controls.size());
    int start = -1;
    for (int i = 0; i < count; ++i)
        if (controls[i] == at) start = i;
    if (start < 0) start = backwards ? 0 : count - 1;
    for (int n = 1; n <= count; ++n) {
        int i = ((start + (backwards ? -n : n)) % count + count) % count;
        if (accept(controls[i])) return controls[i];
    }
    return nullptr;
}

bool is_tab_stop(HWND control) { return can_take_focus(control) && (style_of(control) & WS_TABSTOP); }

LRESULT dialog_code(HWND control, const MSG* msg) {
    return SendMessageA(control, WM_GETDLGCODE, msg ? msg->wParam : 0, reinterpret_cast<LPARAM>(msg));
}

void press_button(HWND dialog, WORD id, HWND button) {
    SendMessageA(dialog, WM_COMMAND, MAKELONG(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

bool handle_key(HWND dialog, const MSG* msg) {
    LRESULT code = dialog_code(msg->hwnd, msg);
    if (code & DLGC_WANTMESSAGE) return false;
    switch (msg->wParam) {
    case VK_TAB: {
        if (code & DLGC_WANTTAB) return false;
        HWND next = GetNextDlgTabItem(dialog, GetFocus(), GetKeyState(VK_SHIFT) < 0);
        if (next) {
            SetFocus(next);
            if (dialog_code(next, nullptr) & DLGC_HASSETSEL) SendMessageA(next, EM_SETSEL, 0, -1);
        }
        return true;
    }
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
        if (code & DLGC_WANTARROWS) return false;
        bool back = msg->wParam == VK_LEFT || msg->wParam == VK_UP;
        HWND next = GetNextDlgGroupItem(dialog, GetFocus(), back);
        if (next) {
            SetFocus(next);
            if (dialog_code(next, nullptr) & DLGC_RADIOBUTTON) SendMessageA(next, BM_CLICK, 0, 0);
        }
        return true;
    }
    case VK_ESCAPE: press_button(dialog, IDCANCEL, GetDlgItem(dialog, IDCANCEL)); return true;
    case VK_RETURN: {
        if (code & DLGC_WANTALLKEYS) return false;
        // A focused push button is the one Enter presses; otherwise the default one.
        HWND focus = GetFocus();
        if (focus && (dialog_code(focus, nullptr) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
            if (IsWindowEnabled(focus)) press_button(dialog, static_cast<WORD>(GetDlgCtrlID(focus)), focus);
            return true;
        }
        LRESULT default_id = SendMessageA(dialog, DM_GETDEFID, 0, 0);
        WORD id = HIWORD(default_id) == DC_HASDEFID ? LOWORD(default_id) : IDOK;
        HWND button = GetDlgItem(dialog, id);
        if (!button || IsWindowEnabled(button)) press_button(dialog, id, button);
        return true;
    }
    default: return false;
    }
}

// Whether text marks c as its mnemonic: "&c", "&&" being a plain ampersand.
bool marks(const std::string& text, char c) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return std::tolower(static_cast<unsigned char>(text[i + 1])) == std::tolower(static_cast<unsigned char>(c));
    }
    return false;
}

bool has_mnemonics(HWND control) {
    LRESULT code = dialog_code(control, nullptr);
    if (code & DLGC_BUTTON) return true;
    return (code & DLGC_STATIC) && !(style_of(control) & SS_NOPREFIX);
}

// The control after the focused one, in the order of the controls and
// round again, whose text marks c.
HWND mnemonic_control(HWND dialog, char c) {
    std::vector<HWND> controls = children_of(dialog);
    HWND focus = GetFocus();
    int count = static_cast<int>(controls.size());
    int start = count - 1;
    for (int i = 0; i < count; ++i)
        if (controls[i] == focus) start = i;
    for (int n = 1; n <= count; ++n) {
        HWND control = controls[(start + n) % count];
        if (!can_take_focus(control) || !has_mnemonics(control)) continue;
        char text[256] = {};
        GetWindowTextA(control, text, sizeof text);
        if (marks(text, c)) return control;
    }
    return nullptr;
}

// A label's letter leads to the control after it; a button's letter
// presses it (a radio button is chosen).
bool press_mnemonic(HWND dialog, char c) {
    HWND control = mnemonic_control(dialog, c);
    if (!control) return false;
    LRESULT code = dialog_code(control, nullptr);
    if (!(code & DLGC_BUTTON)) {
        HWND next = GetNextDlgTabItem(dialog, control, FALSE);
        if (next) {
            SetFocus(next);
            if (dialog_code(next, nullptr) & DLGC_HASSETSEL) SendMessageA(next, EM_SETSEL, 0, -1);
        }
        return true;
    }
    if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
        press_button(dialog, static_cast<WORD>(GetDlgCtrlID(control)), control);
    } else {
        SetFocus(control);
        SendMessageA(control, BM_CLICK, 0, 0);
    }
    return true;
}

// Alt and a letter, or a letter where the focused control takes no
// characters (a button): the mnemonic of one of the dialog's controls.
bool handle_character(HWND dialog, const MSG* msg) {
    if (msg->message == WM_CHAR && (dialog_code(msg->hwnd, msg) & (DLGC_WANTCHARS | DLGC_WANTMESSAGE))) return false;
    char c = static_cast<char>(msg->wParam);
    if (c <= ' ') return false;
    return press_mnemonic(dialog, c);
}

}  // namespace

}  // namespace platform

using namespace platform;

HWND WINAPI GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
    if (!window_or_error(hDlg)) return nullptr;
    return step(children_of(hDlg), hCtl, bPrevious != FALSE, is_tab_stop);
}

HWND WINAPI GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
    if (!window_or_error(hDlg)) return nullptr;
    std::vector<HWND> all = children_of(hDlg);
    // The group of hCtl: from the control with WS_GROUP at or before it up to
    // the next WS_GROUP.
    int at = -1;
    for (int i = 0; i < static_cast<int>(all.size()); ++i)
        if (all[i] == hCtl) at = i;
    if (at < 0) return step(all, nullptr, bPrevious != FALSE, can_take_focus);
    int first = at;
    while (first > 0 && !(style_of(all[first]) & WS_GROUP)) --first;
    int last = at + 1;
    while (last < static_cast<int>(all.size()) && !(style_of(all[last]) & WS_GROUP)) ++last;
    std::vector<HWND> group(all.begin() + first, all.begin() + last);
    return step(group, hCtl, bPrevious != FALSE, can_take_focus);
}

BOOL WINAPI IsDialogMessageA(HWND hDlg, LPMSG lpMsg) {
    if (!hDlg || !lpMsg || !IsWindow(hDlg)) return FALSE;
    if (!is_child_of(hDlg, lpMsg->hwnd)) return FALSE;
    if (lpMsg->message == WM_KEYDOWN && handle_key(hDlg, lpMsg)) return TRUE;
    if ((lpMsg->message == WM_CHAR || lpMsg->message == WM_SYSCHAR) && handle_character(hDlg, lpMsg)) return TRUE;
    TranslateMessage(lpMsg);
    DispatchMessageA(lpMsg);
    return TRUE;
}
