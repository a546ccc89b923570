// The dialog manager's keyboard: Tab and the arrow keys move between the
// controls, Enter presses the default button, Escape cancels.
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
    TranslateMessage(lpMsg);
    DispatchMessageA(lpMsg);
    return TRUE;
}
