// The BUTTON control: push and default push buttons, radio buttons (the
// automatic ones check themselves and clear the rest of their group), check
// boxes and group boxes.
#include "platform/trace.h"
#include "platform/user/window.h"

namespace platform {

namespace {

struct ButtonData : ControlData {
    UINT check = BST_UNCHECKED;
    bool pushed = false;

    void describe(WindowView& view) const override { view.check = check; }
};

DWORD type_of(Window* window) { return window->style & BS_TYPEMASK; }

bool is_radio(DWORD type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }

bool is_checkable(DWORD type) {
    return is_radio(type) || type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
           type == BS_AUTO3STATE;
}

void set_check(HWND hwnd, ButtonData* data, UINT check) {
    if (data->check == check) return;
    data->check = check;
    notify_host(hwnd, WindowChange::Check);
}

// Clears the other automatic radio buttons of the group hwnd belongs to.
void clear_group(HWND hwnd) {
    HWND parent = GetParent(hwnd);
    if (!parent) return;
    std::vector<HWND> siblings;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        siblings.push_back(child);
    int at = -1;
    for (int i = 0; i < static_cast<int>(siblings.size()); ++i)
        if (siblings[i] == hwnd) at = i;
    if (at < 0) return;
    auto style = [](HWND w) { return static_cast<DWORD>(GetWindowLongPtrA(w, GWL_STYLE)); };
    int first = at;
    while (first > 0 && !(style(siblings[first]) & WS_GROUP)) --first;
    for (int i = first; i < static_cast<int>(siblings.size()); ++i) {
        if (i > first && (style(siblings[i]) & WS_GROUP)) break;
        HWND other = siblings[i];
        if (other != hwnd && (style(other) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
            SendMessageA(other, BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

void click(HWND hwnd) {
    Window* window = find_window(hwnd);
    auto* data = control_data<ButtonData>(window);
    if (!data) return;
    switch (type_of(window)) {
    case BS_AUTORADIOBUTTON:
        set_check(hwnd, data, BST_CHECKED);
        clear_group(hwnd);
        break;
    case BS_AUTOCHECKBOX: set_check(hwnd, data, data->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED); break;
    case BS_AUTO3STATE: set_check(hwnd, data, (data->check + 1) % 3); break;
    default: break;
    }
    if ((window = find_window(hwnd)) != nullptr) notify_parent(window, BN_CLICKED);
}

}  // namespace

LRESULT CALLBACK button_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    Window* window = find_window(hwnd);
    if (!window) return 0;
    if (message == WM_NCCREATE) {
        window->control = std::make_unique<ButtonData>();
        return TRUE;
    }
    auto* data = control_data<ButtonData>(window);
    if (!data) return DefWindowProcA(hwnd, message, wparam, lparam);
    DWORD type = type_of(window);
    switch (message) {
    case WM_GETDLGCODE:
        switch (type) {
        case BS_PUSHBUTTON: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_GROUPBOX: return DLGC_STATIC;
        default: return is_radio(type) ? DLGC_BUTTON | DLGC_RADIOBUTTON : DLGC_BUTTON;
        }
    case WM_LBUTTONDOWN:
        if (type == BS_GROUPBOX) return 0;  // a frame, not a button
        SetFocus(hwnd);
        data->pushed = true;
        return 0;
    case WM_LBUTTONUP: {
        if (!data->pushed) return 0;
        data->pushed = false;
        // Released outside the button, the press is withdrawn.
        LONG x = static_cast<SHORT>(LOWORD(lparam));
        LONG y = static_cast<SHORT>(HIWORD(lparam));
        LONG width = window->rect.right - window->rect.left;
        LONG height = window->rect.bottom - window->rect.top;
        if (x >= 0 && y >= 0 && x < width && y < height) click(hwnd);
        return 0;
    }
    case WM_KEYDOWN:
        if (wparam == VK_SPACE && type != BS_GROUPBOX) data->pushed = true;
        return 0;
    case WM_KEYUP:
        if (wparam == VK_SPACE && data->pushed) {
            data->pushed = false;
            click(hwnd);
        }
        return 0;
    case BM_CLICK:
        if (type != BS_GROUPBOX && IsWindowEnabled(hwnd)) click(hwnd);
        return 0;
    case BM_GETCHECK: return is_checkable(type) ? data->check : BST_UNCHECKED;
    case BM_SETCHECK:
        if (is_checkable(type)) set_check(hwnd, data, static_cast<UINT>(wparam) & 3);
        return 0;
    case BM_GETSTATE:
        return data->check | (data->pushed ? BST_PUSHED : 0) | (GetFocus() == hwnd ? BST_FOCUS : 0);
    case BM_SETSTATE: data->pushed = wparam != 0; return 0;
    case BM_SETSTYLE:
        window->style = (window->style & ~static_cast<DWORD>(0xFFFF)) | (static_cast<DWORD>(wparam) & 0xFFFF);
        notify_host(hwnd, WindowChange::Check);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (message == WM_KILLFOCUS) data->pushed = false;
        notify_host(hwnd, WindowChange::Focus);
        return 0;
    default:
        // A message of the control's own that it does not know.
        if (message >= 0x00F0 && message <= 0x00F8) fixme("button", "message", message);
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
}

}  // namespace platform
