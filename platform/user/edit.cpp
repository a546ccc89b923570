// The EDIT control: text with a selection whose moving end is the caret,
// typing, caret keys and clicks, read-only and digits-only fields.
#include <algorithm>
#include <cctype>

#include "platform/trace.h"
#include "platform/user/dialog.h"
#include "platform/user/window.h"

namespace platform {

namespace {

struct EditData : ControlData {
    int anchor = 0;  // the fixed end of the selection
    int caret = 0;   // the moving end, where the caret stands
    size_t limit = 0x7FFFFFFE;
    bool dialog_mode = false;  // its keys come through IsDialogMessage

    void describe(WindowView& view) const override {
        view.selection_start = std::min(anchor, caret);
        view.selection_end = std::max(anchor, caret);
        view.caret = caret;
    }
};

int text_length(Window* window) { return static_cast<int>(window->text.size()); }

bool multiline(Window* window) { return (window->style & ES_MULTILINE) != 0; }

void changed(HWND hwnd, bool text) {
    if (text) notify_host(hwnd, WindowChange::Text);
    notify_host(hwnd, WindowChange::Selection);
}

void select(EditData* data, Window* window, int anchor, int caret) {
    int length = text_length(window);
    data->anchor = std::clamp(anchor, 0, length);
    data->caret = std::clamp(caret, 0, length);
}

int line_count(const std::string& text) {
    int lines = 1;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
    return lines;
}

// The lines the control shows: its height in lines of its dialog's font
// (the system font's height elsewhere), at least one.
int visible_lines(Window* window) {
    int line_height = kGridLineHeight;
    if (DialogData* dialog = window->parent ? dialog_data(window->parent) : nullptr)
        if (dialog->base_units.cy > 0) line_height = dialog->base_units.cy;
    return std::max(1, static_cast<int>(window->rect.bottom - window->rect.top) / line_height);
}

// Replaces the selection with text, as typing and EM_REPLACESEL do.
void replace_selection(HWND hwnd, Window* window, EditData* data, std::string text) {
    int start = std::min(data->anchor, data->caret);
    int end = std::max(data->anchor, data->caret);
    size_t room = data->limit > window->text.size() - (end - start) ? data->limit - (window->text.size() - (end - start)) : 0;
    bool cut = text.size() > room;
    if (cut) text.resize(room);
    std::string changed_text = window->text;
    changed_text.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), text);
    // Without ES_AUTOVSCROLL a multi-line control keeps no more lines than it
    // shows: the change is refused whole, and the caret stays at its start.
    if (multiline(window) && !(window->style & ES_AUTOVSCROLL) && line_count(changed_text) > visible_lines(window)) {
        data->anchor = data->caret = start;
        changed(hwnd, false);
        notify_parent(window, EN_MAXTEXT);
        return;
    }
    window->text = std::move(changed_text);
    data->anchor = data->caret = start + static_cast<int>(text.size());
    changed(hwnd, true);
    notify_parent(window, EN_UPDATE);
    notify_parent(window, EN_CHANGE);
    if (cut) notify_parent(window, EN_MAXTEXT);
}

// Start of the line that holds position, and its end (before CR LF).
int line_start(const std::string& text, int position) {
    for (int i = std::min(position, static_cast<int>(text.size())); i >= 2; --i)
        if (text[i - 2] == '\r' && text[i - 1] == '\n') return i;
    return 0;
}

int line_end(const std::string& text, int position) {
    size_t found = text.find("\r\n", static_cast<size_t>(position));
    return found == std::string::npos ? static_cast<int>(text.size()) : static_cast<int>(found);
}

int line_index(const std::string& text, int line) {
    int start = 0;
    for (int l = 0; l < line; ++l) {
        size_t next = text.find("\r\n", static_cast<size_t>(start));
        if (next == std::string::npos) return -1;
        start = static_cast<int>(next) + 2;
    }
    return start;
}

int line_of(const std::string& text, int position) {
    int line = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos && static_cast<int>(at) < position;
         at = text.find("\r\n", at + 2))
        ++line;
    return line;
}

// One step left or right, treating CR LF as one position.
int step_left(const std::string& text, int position) {
    if (position <= 0) return 0;
    if (position >= 2 && text.compare(static_cast<size_t>(position - 2), 2, "\r\n") == 0) return position - 2;
    return position - 1;
}

int step_right(const std::string& text, int position) {
    int length = static_cast<int>(text.size());
    if (position >= length) return length;
    if (text.compare(static_cast<size_t>(position), 2, "\r\n") == 0) return position + 2;
    return position + 1;
}

int vertical(const std::string& text, int position, int lines) {
    int start = line_start(text, position);
    int column = position - start;
    int line = line_of(text, position) + lines;
    if (line < 0 || line >= line_count(text)) return position;
    int target = line_index(text, line);
    return std::min(target + column, line_end(text, target));
}

void key_down(HWND hwnd, Window* window, EditData* data, WPARAM key) {
    const std::string& text = window->text;
    bool extend = GetKeyState(VK_SHIFT) < 0;
    bool read_only = (window->style & ES_READONLY) != 0;
    int caret = data->caret;
    switch (key) {
    case VK_LEFT: caret = step_left(text, caret); break;
    case VK_RIGHT: caret = step_right(text, caret); break;
    case VK_UP: caret = multiline(window) ? vertical(text, caret, -1) : step_left(text, caret); break;
    case VK_DOWN: caret = multiline(window) ? vertical(text, caret, 1) : step_right(text, caret); break;
    case VK_HOME: caret = multiline(window) ? line_start(text, caret) : 0; break;
    case VK_END: caret = multiline(window) ? line_end(text, caret) : text_length(window); break;
    // A multiline edit takes every key from its dialog, and hands back the
    // two that leave it: Escape closes the dialog, Tab moves on (Ctrl+Tab
    // stays a key of the edit's own).
    case VK_ESCAPE:
        if (multiline(window) && data->dialog_mode) PostMessageA(window->parent, WM_CLOSE, 0, 0);
        return;
    case VK_TAB:
        if (multiline(window) && data->dialog_mode && GetKeyState(VK_CONTROL) >= 0)
            SendMessageA(window->parent, WM_NEXTDLGCTL, GetKeyState(VK_SHIFT) < 0, 0);
        return;
    case VK_DELETE:
        if (read_only) return;
        if (data->anchor == data->caret) data->caret = step_right(text, data->caret);
        replace_selection(hwnd, window, data, "");
        return;
    default: return;
    }
    select(data, window, extend ? data->anchor : caret, caret);
    changed(hwnd, false);
}

void typed(HWND hwnd, Window* window, EditData* data, unsigned char character) {
    if (window->style & ES_READONLY) return;
    if (character == '\b') {
        if (data->anchor == data->caret) data->caret = step_left(window->text, data->caret);
        replace_selection(hwnd, window, data, "");
        return;
    }
    if (character == '\r') {
        if (multiline(window)) replace_selection(hwnd, window, data, "\r\n");
        return;
    }
    if (character < 0x20 || character == 0x7F) return;
    if ((window->style & ES_NUMBER) && !std::isdigit(character)) {
        MessageBeep(0);
        return;
    }
    char c = static_cast<char>(character);
    if (window->style & ES_UPPERCASE) c = static_cast<char>(std::toupper(character));
    if (window->style & ES_LOWERCASE) c = static_cast<char>(std::tolower(character));
    replace_selection(hwnd, window, data, std::string(1, c));
}

}  // namespace

LRESULT CALLBACK edit_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    Window* window = find_window(hwnd);
    if (!window) return 0;
    if (message == WM_NCCREATE) {
        window->control = std::make_unique<EditData>();
        return TRUE;
    }
    auto* data = control_data<EditData>(window);
    if (!data) return DefWindowProcA(hwnd, message, wparam, lparam);
    switch (message) {
    case WM_SETTEXT:
        window->text = lparam ? reinterpret_cast<const char*>(lparam) : "";
        data->anchor = data->caret = 0;
        changed(hwnd, true);
        // Multi-line controls do not report text set by the program.
        if (!multiline(window)) {
            notify_parent(window, EN_UPDATE);
            notify_parent(window, EN_CHANGE);
        }
        return TRUE;
    case EM_GETSEL: {
        DWORD start = static_cast<DWORD>(std::min(data->anchor, data->caret));
        DWORD end = static_cast<DWORD>(std::max(data->anchor, data->caret));
        if (wparam) *reinterpret_cast<DWORD*>(wparam) = start;
        if (lparam) *reinterpret_cast<DWORD*>(lparam) = end;
        return (start > 0xFFFF || end > 0xFFFF) ? -1 : MAKELONG(start, end);
    }
    case EM_SETSEL: {
        int start = static_cast<int>(wparam);
        int end = static_cast<int>(lparam);
        if (start == -1) {
            data->anchor = data->caret;  // deselect, the caret stays
        } else {
            if (end == -1 || end > text_length(window)) end = text_length(window);
            select(data, window, start, end);
        }
        changed(hwnd, false);
        return 0;
    }
    case EM_REPLACESEL:
        replace_selection(hwnd, window, data, lparam ? reinterpret_cast<const char*>(lparam) : "");
        return 0;
    case EM_LIMITTEXT:
        data->limit = wparam ? static_cast<size_t>(wparam) : 0x7FFFFFFE;
        return 0;
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(data->limit);
    case EM_SETREADONLY:
        if (wparam) {
            window->style |= ES_READONLY;
        } else {
            window->style &= ~static_cast<DWORD>(ES_READONLY);
        }
        return TRUE;
    case EM_GETLINECOUNT: return line_count(window->text);
    case EM_LINEINDEX: {
        int line = static_cast<int>(wparam);
        if (line == -1) return line_start(window->text, data->caret);
        return line_index(window->text, line);
    }
    case EM_LINEFROMCHAR: {
        int position = static_cast<int>(wparam);
        return line_of(window->text, position == -1 ? data->caret : position);
    }
    case EM_SCROLLCARET: return TRUE;
    case WM_CHAR: typed(hwnd, window, data, static_cast<unsigned char>(wparam)); return 0;
    case WM_KEYDOWN: key_down(hwnd, window, data, wparam); return 0;
    case WM_LBUTTONDOWN: {
        SetFocus(hwnd);
        POINT point = {static_cast<SHORT>(LOWORD(lparam)), static_cast<SHORT>(HIWORD(lparam))};
        Host* host = current_host();
        int position = host ? host->edit_char_from_point(hwnd, point) : 0;
        if ((window = find_window(hwnd)) == nullptr) return 0;
        select(data, window, (wparam & MK_SHIFT) ? data->anchor : position, position);
        changed(hwnd, false);
        return 0;
    }
    case WM_SETFOCUS:
        notify_host(hwnd, WindowChange::Focus);
        notify_parent(window, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        notify_host(hwnd, WindowChange::Focus);
        notify_parent(window, EN_KILLFOCUS);
        return 0;
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        if (multiline(window)) code |= DLGC_WANTALLKEYS;
        if (lparam) data->dialog_mode = true;
        return code;
    }
    default:
        // A message of the control's own that it does not know.
        if (message >= 0x00B0 && message <= 0x00DA) fixme("edit", "message", message);
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
}

}  // namespace platform
