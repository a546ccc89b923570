#include "platform/user/input.h"

#include "platform/user/queue.h"
#include "platform/user/window.h"

namespace platform {

namespace {

// Keys whose scan codes Windows marks as extended.
bool extended_key(UINT vk) {
    switch (vk) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END:
    case VK_INSERT:
    case VK_DELETE:
    case VK_DIVIDE: return true;
    default: return false;
    }
}

HWND key_target() {
    ThreadQueue& queue = current_queue();
    if (queue.focus && IsWindow(queue.focus)) return queue.focus;
    if (queue.active && IsWindow(queue.active)) return queue.active;
    return nullptr;
}

LPARAM key_lparam(UINT vk, bool up, BYTE modifiers) {
    LPARAM lparam = 1;  // repeat count
    if (extended_key(vk)) lparam |= 1 << 24;
    if (modifiers & kInputAlt) lparam |= 1 << 29;
    if (up) lparam |= static_cast<LPARAM>(3u << 30);
    return lparam;
}

bool button(HWND hwnd, UINT message, POINT point, BYTE modifiers) {
    if (!accepts_input(hwnd)) return false;
    WPARAM keys = message == WM_LBUTTONDOWN ? MK_LBUTTON : 0;
    if (modifiers & kInputShift) keys |= MK_SHIFT;
    if (modifiers & kInputControl) keys |= MK_CONTROL;
    post_input(hwnd, message, keys, MAKELONG(point.x, point.y), modifiers, 0);
    return true;
}

bool enabled_item(const std::vector<MenuItemView>& items, UINT id, bool* found) {
    for (const MenuItemView& item : items) {
        if (!(item.flags & (MF_POPUP | MF_SEPARATOR)) && item.id == id) {
            *found = true;
            return !(item.flags & (MF_GRAYED | MF_DISABLED));
        }
        if (item.flags & MF_POPUP) {
            bool inner = false;
            bool enabled = enabled_item(item.popup, id, &inner);
            if (inner) {
                *found = true;
                return enabled && !(item.flags & (MF_GRAYED | MF_DISABLED));
            }
        }
    }
    return false;
}

}  // namespace

char us_layout_character(UINT vk, BYTE modifiers) {
    bool shift = (modifiers & kInputShift) != 0;
    if (modifiers & kInputControl) return (vk >= 'A' && vk <= 'Z') ? static_cast<char>(vk - 'A' + 1) : 0;
    if (vk >= 'A' && vk <= 'Z') {
        bool upper = shift != ((modifiers & kInputCapsLock) != 0);
        return static_cast<char>(upper ? vk : vk - 'A' + 'a');
    }
    if (vk >= '0' && vk <= '9') return shift ? ")!@#$%^&*("[vk - '0'] : static_cast<char>(vk);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return static_cast<char>('0' + vk - VK_NUMPAD0);
    switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_BACK: return '\b';
    case VK_TAB: return '\t';
    case VK_ESCAPE: return 0x1B;
    default: return 0;
    }
}

bool accepts_input(HWND hwnd) {
    for (HWND at = hwnd; at;) {
        Window* window = find_window(at);
        if (!window || !(window->style & WS_VISIBLE) || (window->style & WS_DISABLED)) return false;
        at = window->parent;
    }
    return hwnd != nullptr;
}

bool input_key_down(UINT vk, BYTE modifiers, char character) {
    HWND target = key_target();
    if (!target) return false;
    UINT message = (modifiers & kInputAlt) && !(modifiers & kInputControl) ? WM_SYSKEYDOWN : WM_KEYDOWN;
    post_input(target, message, vk, key_lparam(vk, false, modifiers), modifiers, character);
    return true;
}

bool input_key_up(UINT vk, BYTE modifiers) {
    HWND target = key_target();
    if (!target) return false;
    UINT message = (modifiers & kInputAlt) && !(modifiers & kInputControl) ? WM_SYSKEYUP : WM_KEYUP;
    post_input(target, message, vk, key_lparam(vk, true, modifiers), modifiers, 0);
    return true;
}

bool input_key(UINT vk, BYTE modifiers, char character) {
    if (!input_key_down(vk, modifiers, character)) return false;
    return input_key_up(vk, modifiers);
}

bool input_button_down(HWND hwnd, POINT point, BYTE modifiers) { return button(hwnd, WM_LBUTTONDOWN, point, modifiers); }

bool input_button_up(HWND hwnd, POINT point, BYTE modifiers) { return button(hwnd, WM_LBUTTONUP, point, modifiers); }

bool input_click(HWND hwnd, POINT point, BYTE modifiers) {
    return input_button_down(hwnd, point, modifiers) && input_button_up(hwnd, point, modifiers);
}

bool input_choose_menu_item(HWND hwnd, UINT id) {
    HMENU menu = GetMenu(hwnd);
    if (!menu || !accepts_input(hwnd)) return false;
    std::vector<MenuItemView> items;
    bool found = false;
    if (!view_menu(menu, &items) || !enabled_item(items, id, &found) || !found) return false;
    // As Windows' menu loop does: the window hears of the menu, then gets the
    // command posted.
    SendMessageA(hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
    if (!IsWindow(hwnd)) return false;
    PostMessageA(hwnd, WM_COMMAND, MAKELONG(id, 0), 0);
    return true;
}

bool input_close(HWND hwnd) {
    Window* window = find_window(hwnd);
    if (!window || window->parent || !accepts_input(hwnd)) return false;
    post_input(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0, 0, 0);
    return true;
}

bool input_activate(HWND hwnd) {
    Window* window = find_window(hwnd);
    if (!window || window->parent || !accepts_input(hwnd)) return false;
    if (current_queue().active != hwnd) activate(hwnd);
    return true;
}

bool input_choose_combo_item(HWND combo, int index) {
    if (!accepts_input(combo)) return false;
    int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    if (index < 0 || index >= count) return false;
    post_input(combo, WM_HOST_COMBO_CHOOSE, static_cast<WPARAM>(index), 0, 0, 0);
    return true;
}

bool input_end_session() {
    std::vector<HWND> windows = top_level_windows();
    bool agreed = true;
    for (HWND hwnd : windows)
        if (IsWindow(hwnd) && !SendMessageA(hwnd, WM_QUERYENDSESSION, 0, 0)) agreed = false;
    for (HWND hwnd : windows)
        if (IsWindow(hwnd)) SendMessageA(hwnd, WM_ENDSESSION, agreed, 0);
    return agreed;
}

}  // namespace platform
