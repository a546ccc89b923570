// The COMBOBOX control: an editable field (CBS_DROPDOWN) or a fixed one
// (CBS_DROPDOWNLIST) over a list, sorted when CBS_SORT asks for it.
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/trace.h"
#include "platform/user/input.h"
#include "platform/user/window.h"

namespace platform {

namespace {

struct ComboData : ControlData {
    std::vector<std::string> items;
    int selected = CB_ERR;
    bool dropped = false;
    int anchor = 0;  // selection in the field
    int caret = 0;
    size_t limit = 0x7FFFFFFE;

    void describe(WindowView& view) const override {
        view.items = items;
        view.selected = selected;
        view.dropped = dropped;
        view.selection_start = std::min(anchor, caret);
        view.selection_end = std::max(anchor, caret);
        view.caret = caret;
    }
};

bool editable(Window* window) { return (window->style & 3) != CBS_DROPDOWNLIST; }

// Windows orders the list without regard to case.
int compare_items(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()); }

void set_field(HWND hwnd, Window* window, ComboData* data, const std::string& text) {
    window->text = text;
    data->anchor = 0;
    data->caret = static_cast<int>(text.size());
    notify_host(hwnd, WindowChange::Text);
}

LRESULT select_item(HWND hwnd, Window* window, ComboData* data, int index) {
    if (index < 0 || index >= static_cast<int>(data->items.size())) {
        data->selected = CB_ERR;
        set_field(hwnd, window, data, "");
        notify_host(hwnd, WindowChange::Items);
        return CB_ERR;
    }
    data->selected = index;
    set_field(hwnd, window, data, data->items[static_cast<size_t>(index)]);
    notify_host(hwnd, WindowChange::Items);
    return index;
}

int find_item(ComboData* data, int after, const char* text, bool exact) {
    int count = static_cast<int>(data->items.size());
    if (!text || count == 0) return CB_ERR;
    size_t length = strlen(text);
    int start = (after < -1 || after >= count) ? -1 : after;
    for (int n = 1; n <= count; ++n) {
        int i = (start + n) % count;
        const std::string& item = data->items[static_cast<size_t>(i)];
        bool hit = exact ? strcasecmp(item.c_str(), text) == 0 : strncasecmp(item.c_str(), text, length) == 0;
        if (hit) return i;
    }
    return CB_ERR;
}

void edit_field(HWND hwnd, Window* window, ComboData* data, const std::string& insert, bool erase_back) {
    int start = std::min(data->anchor, data->caret);
    int end = std::max(data->anchor, data->caret);
    if (erase_back && start == end && start > 0) --start;
    std::string text = window->text;
    text.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), insert);
    if (text.size() > data->limit) return;
    window->text = text;
    data->anchor = data->caret = start + static_cast<int>(insert.size());
    notify_host(hwnd, WindowChange::Text);
    notify_parent(window, CBN_EDITUPDATE);
    notify_parent(window, CBN_EDITCHANGE);
}

void choose(HWND hwnd, Window* window, ComboData* data, int index) {
    select_item(hwnd, window, data, index);
    notify_parent(window, CBN_SELCHANGE);
    if (data->dropped) {
        data->dropped = false;
        notify_parent(window, CBN_SELENDOK);
        notify_parent(window, CBN_CLOSEUP);
    }
}

}  // namespace

LRESULT CALLBACK combo_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    Window* window = find_window(hwnd);
    if (!window) return 0;
    if (message == WM_NCCREATE) {
        window->control = std::make_unique<ComboData>();
        return TRUE;
    }
    auto* data = control_data<ComboData>(window);
    if (!data) return DefWindowProcA(hwnd, message, wparam, lparam);
    const char* text = reinterpret_cast<const char*>(lparam);
    switch (message) {
    case CB_ADDSTRING: {
        std::string item = text ? text : "";
        auto at = data->items.end();
        if (window->style & CBS_SORT)
            at = std::upper_bound(data->items.begin(), data->items.end(), item,
                                  [](const std::string& a, const std::string& b) { return compare_items(a, b) < 0; });
        int index = static_cast<int>(at - data->items.begin());
        data->items.insert(at, item);
        if (data->selected >= index) ++data->selected;
        notify_host(hwnd, WindowChange::Items);
        return index;
    }
    case CB_INSERTSTRING: {
        int index = static_cast<int>(wparam);
        if (index == -1) index = static_cast<int>(data->items.size());
        if (index < 0 || index > static_cast<int>(data->items.size())) return CB_ERR;
        data->items.insert(data->items.begin() + index, text ? text : "");
        if (data->selected >= index) ++data->selected;
        notify_host(hwnd, WindowChange::Items);
        return index;
    }
    case CB_DELETESTRING: {
        int index = static_cast<int>(wparam);
        if (index < 0 || index >= static_cast<int>(data->items.size())) return CB_ERR;
        data->items.erase(data->items.begin() + index);
        if (data->selected == index) data->selected = CB_ERR;
        if (data->selected > index) --data->selected;
        notify_host(hwnd, WindowChange::Items);
        return static_cast<LRESULT>(data->items.size());
    }
    case CB_RESETCONTENT:
        data->items.clear();
        data->selected = CB_ERR;
        if (!editable(window)) set_field(hwnd, window, data, "");
        notify_host(hwnd, WindowChange::Items);
        return CB_OKAY;
    case CB_GETCOUNT: return static_cast<LRESULT>(data->items.size());
    case CB_GETCURSEL: return data->selected;
    case CB_SETCURSEL: return select_item(hwnd, window, data, static_cast<int>(wparam));
    case CB_GETLBTEXTLEN: {
        int index = static_cast<int>(wparam);
        if (index < 0 || index >= static_cast<int>(data->items.size())) return CB_ERR;
        return static_cast<LRESULT>(data->items[static_cast<size_t>(index)].size());
    }
    case CB_GETLBTEXT: {
        int index = static_cast<int>(wparam);
        if (index < 0 || index >= static_cast<int>(data->items.size()) || !lparam) return CB_ERR;
        const std::string& item = data->items[static_cast<size_t>(index)];
        memcpy(reinterpret_cast<char*>(lparam), item.c_str(), item.size() + 1);
        return static_cast<LRESULT>(item.size());
    }
    case CB_FINDSTRING: return find_item(data, static_cast<int>(wparam), text, false);
    case CB_FINDSTRINGEXACT: return find_item(data, static_cast<int>(wparam), text, true);
    case CB_SELECTSTRING: {
        int index = find_item(data, static_cast<int>(wparam), text, false);
        return index == CB_ERR ? CB_ERR : select_item(hwnd, window, data, index);
    }
    case CB_SHOWDROPDOWN:
        if (data->dropped != (wparam != 0)) {
            data->dropped = wparam != 0;
            notify_parent(window, data->dropped ? CBN_DROPDOWN : CBN_CLOSEUP);
            notify_host(hwnd, WindowChange::Items);
        }
        return TRUE;
    case CB_GETDROPPEDSTATE: return data->dropped;
    case CB_LIMITTEXT: data->limit = wparam ? static_cast<size_t>(wparam) : 0x7FFFFFFE; return TRUE;
    case CB_GETEDITSEL: {
        DWORD start = static_cast<DWORD>(std::min(data->anchor, data->caret));
        DWORD end = static_cast<DWORD>(std::max(data->anchor, data->caret));
        if (wparam) *reinterpret_cast<DWORD*>(wparam) = start;
        if (lparam) *reinterpret_cast<DWORD*>(lparam) = end;
        return MAKELONG(start, end);
    }
    case CB_SETEDITSEL: {
        int length = static_cast<int>(window->text.size());
        int start = static_cast<SHORT>(LOWORD(lparam));
        int end = static_cast<SHORT>(HIWORD(lparam));
        data->anchor = start < 0 ? length : std::min(start, length);
        data->caret = end < 0 ? length : std::min(end, length);
        notify_host(hwnd, WindowChange::Selection);
        return TRUE;
    }
    case WM_SETTEXT:
        if (!editable(window)) {
            int index = find_item(data, -1, text, true);
            if (index == CB_ERR) return CB_ERR;
            select_item(hwnd, window, data, index);
            return TRUE;
        }
        set_field(hwnd, window, data, text ? text : "");
        return TRUE;
    case WM_CHAR: {
        if (!editable(window)) {
            char prefix[2] = {static_cast<char>(wparam), '\0'};
            int index = find_item(data, data->selected, prefix, false);
            if (index != CB_ERR && index != data->selected) choose(hwnd, window, data, index);
            return 0;
        }
        unsigned char c = static_cast<unsigned char>(wparam);
        if (c == '\b') {
            edit_field(hwnd, window, data, "", true);
        } else if (c >= 0x20 && c != 0x7F) {
            edit_field(hwnd, window, data, std::string(1, static_cast<char>(c)), false);
        }
        return 0;
    }
    case WM_KEYDOWN:
        switch (wparam) {
        case VK_DOWN:
        case VK_UP: {
            int count = static_cast<int>(data->items.size());
            if (count == 0) return 0;
            int next = data->selected == CB_ERR ? 0 : data->selected + (wparam == VK_DOWN ? 1 : -1);
            next = std::clamp(next, 0, count - 1);
            if (next != data->selected) choose(hwnd, window, data, next);
            return 0;
        }
        case VK_F4: SendMessageA(hwnd, CB_SHOWDROPDOWN, !data->dropped, 0); return 0;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_HOME:
        case VK_END: {
            int length = static_cast<int>(window->text.size());
            int caret = data->caret;
            if (wparam == VK_LEFT) caret = std::max(0, caret - 1);
            if (wparam == VK_RIGHT) caret = std::min(length, caret + 1);
            if (wparam == VK_HOME) caret = 0;
            if (wparam == VK_END) caret = length;
            data->caret = caret;
            if (GetKeyState(VK_SHIFT) >= 0) data->anchor = caret;
            notify_host(hwnd, WindowChange::Selection);
            return 0;
        }
        case VK_DELETE:
            if (editable(window)) {
                if (data->anchor == data->caret && data->caret < static_cast<int>(window->text.size())) ++data->caret;
                edit_field(hwnd, window, data, "", false);
            }
            return 0;
        default: return 0;
        }
    case WM_LBUTTONDOWN: SetFocus(hwnd); return 0;
    case WM_HOST_COMBO_CHOOSE:
        if (static_cast<int>(wparam) < static_cast<int>(data->items.size())) {
            data->dropped = true;
            choose(hwnd, window, data, static_cast<int>(wparam));
        }
        return 0;
    case WM_SETFOCUS:
        notify_host(hwnd, WindowChange::Focus);
        notify_parent(window, CBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        if (data->dropped) SendMessageA(hwnd, CB_SHOWDROPDOWN, FALSE, 0);
        notify_host(hwnd, WindowChange::Focus);
        notify_parent(window, CBN_KILLFOCUS);
        return 0;
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_WANTARROWS | (editable(window) ? DLGC_HASSETSEL : 0);
    case EM_SETSEL: return SendMessageA(hwnd, CB_SETEDITSEL, 0, MAKELONG(wparam, lparam));
    default:
        // A message of the control's own that it does not know.
        if (message >= 0x0140 && message <= 0x0165) fixme("combo", "message", message);
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
}

}  // namespace platform
