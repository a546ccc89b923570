// Windows and classes: the window table, creation and destruction,
// properties, activation and the keyboard focus.
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/kernel/handles.h"
#include "platform/user/dialog.h"
#include "platform/user/queue.h"
#include "platform/user/window.h"

namespace platform {

namespace {

std::mutex table_lock;
std::unordered_map<HWND, std::unique_ptr<Window>> windows;
std::vector<HWND> top_levels;  // in creation order
uintptr_t next_handle = 0x00010010;

// Destroyed windows wait here until no procedure of their thread runs.
std::vector<std::unique_ptr<Window>> graveyard;

std::mutex classes_lock;
std::vector<std::unique_ptr<WindowClass>> classes;

Window* lookup(HWND hwnd) {
    auto found = windows.find(hwnd);
    return found == windows.end() ? nullptr : found->second.get();
}

void add_builtin(const char* name, WNDPROC proc) {
    auto window_class = std::make_unique<WindowClass>();
    window_class->name = name;
    window_class->proc = proc;
    classes.push_back(std::move(window_class));
}

void send_destroy(HWND hwnd) {
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    Window* window = find_window(hwnd);
    if (!window) return;
    std::vector<HWND> children = window->children;
    for (HWND child : children) {
        if (Window* c = find_window(child)) c->destroying = true;
        send_destroy(child);
    }
}

void release(HWND hwnd) {
    Window* window = find_window(hwnd);
    if (!window) return;
    std::vector<HWND> children = window->children;
    for (HWND child : children) release(child);
    SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
    notify_host(hwnd, WindowChange::Destroyed);
    std::lock_guard<std::mutex> hold(table_lock);
    auto found = windows.find(hwnd);
    if (found == windows.end()) return;
    if (Window* parent = lookup(found->second->parent)) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), hwnd), siblings.end());
    }
    top_levels.erase(std::remove(top_levels.begin(), top_levels.end(), hwnd), top_levels.end());
    graveyard.push_back(std::move(found->second));
    windows.erase(found);
}

}  // namespace

Window* find_window(HWND hwnd) {
    std::lock_guard<std::mutex> hold(table_lock);
    return lookup(hwnd);
}

Window* window_or_error(HWND hwnd) {
    Window* window = find_window(hwnd);
    if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

DWORD window_thread_or_error(HWND hwnd) {
    {
        std::lock_guard<std::mutex> hold(table_lock);
        if (Window* window = lookup(hwnd)) return window->thread;
    }
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
}

bool is_child_of(HWND ancestor, HWND hwnd) {
    std::lock_guard<std::mutex> hold(table_lock);
    for (Window* window = lookup(hwnd); window; window = lookup(window->parent))
        if (window->handle == ancestor) return true;
    return false;
}

HWND top_level_of(HWND hwnd) {
    std::lock_guard<std::mutex> hold(table_lock);
    Window* window = lookup(hwnd);
    while (window && window->parent) window = lookup(window->parent);
    return window ? window->handle : nullptr;
}

void collect_destroyed_windows() {
    std::vector<std::unique_ptr<Window>> freed;
    DWORD thread = GetCurrentThreadId();
    {
        std::lock_guard<std::mutex> hold(table_lock);
        auto mine = std::stable_partition(graveyard.begin(), graveyard.end(),
                                          [&](const std::unique_ptr<Window>& w) { return w->thread != thread; });
        std::move(mine, graveyard.end(), std::back_inserter(freed));
        graveyard.erase(mine, graveyard.end());
    }
}

const WindowClass* find_class(const std::string& name) {
    register_builtin_classes();
    std::lock_guard<std::mutex> hold(classes_lock);
    for (const auto& window_class : classes)
        if (strcasecmp(window_class->name.c_str(), name.c_str()) == 0) return window_class.get();
    return nullptr;
}

void register_builtin_classes() {
    static std::once_flag once;
    std::call_once(once, [] {
        std::lock_guard<std::mutex> hold(classes_lock);
        add_builtin("Button", button_proc);
        add_builtin("Edit", edit_proc);
        add_builtin("Static", static_proc);
        add_builtin("ComboBox", combo_proc);
        add_builtin("ScrollBar", scrollbar_proc);
        add_builtin("#32770", dialog_class_proc);
    });
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

LRESULT copy_text_out(const std::string& text, char* buffer, WPARAM max) {
    if (!buffer || max == 0) return 0;
    size_t count = std::min(text.size(), static_cast<size_t>(max - 1));
    memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<LRESULT>(count);
}

std::vector<HWND> top_level_windows() {
    std::lock_guard<std::mutex> hold(table_lock);
    return top_levels;
}

std::vector<HWND> child_windows(HWND hwnd) {
    std::lock_guard<std::mutex> hold(table_lock);
    Window* window = lookup(hwnd);
    return window ? window->children : std::vector<HWND>();
}

bool view_window(HWND hwnd, WindowView* view) {
    Window* window = find_window(hwnd);
    if (!window || !view) return false;
    *view = WindowView();
    view->hwnd = hwnd;
    view->class_name = window->window_class->name;
    view->style = window->style;
    view->ex_style = window->ex_style;
    view->id = window->parent ? window->id : 0;
    view->parent = window->parent;
    view->owner = window->owner;
    view->units_rect = window->units_rect;
    view->rect = window->rect;
    view->text = window->text;
    view->visible = (window->style & WS_VISIBLE) != 0;
    view->enabled = !(window->style & WS_DISABLED);
    view->focused = current_queue().focus == hwnd;
    view->menu = window->parent ? nullptr : window->menu;
    view->icons[0] = window->icons[0];
    view->icons[1] = window->icons[1];
    view->positioned = window->positioned;
    if (window->control) window->control->describe(*view);
    if (window->dialog) {
        view->is_dialog = true;
        view->font = window->dialog->font;
        view->point_size = window->dialog->point_size;
        view->base_units = window->dialog->base_units;
    }
    return true;
}

void host_moved_window(HWND hwnd, int x, int y) {
    Window* window = find_window(hwnd);
    if (!window || window->parent) return;
    window->rect = {x, y, x + window->rect.right - window->rect.left, y + window->rect.bottom - window->rect.top};
}

void notify_host(HWND hwnd, WindowChange change) {
    if (Host* host = current_host()) host->window_changed(hwnd, change);
}

void notify_parent(Window* control, WORD code) {
    if (!control || !control->parent) return;
    SendMessageA(control->parent, WM_COMMAND, MAKELONG(control->id, code), reinterpret_cast<LPARAM>(control->handle));
}

}  // namespace platform

using namespace platform;

ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
    if (!lpWndClass || !lpWndClass->lpszClassName || IS_INTRESOURCE(lpWndClass->lpszClassName) ||
        !lpWndClass->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (find_class(lpWndClass->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto window_class = std::make_unique<WindowClass>();
    window_class->name = lpWndClass->lpszClassName;
    window_class->proc = lpWndClass->lpfnWndProc;
    window_class->instance = lpWndClass->hInstance;
    window_class->icon = lpWndClass->hIcon;
    std::lock_guard<std::mutex> hold(classes_lock);
    classes.push_back(std::move(window_class));
    return static_cast<ATOM>(0xC000 + classes.size());
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                            int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                            LPVOID lpParam) {
    const WindowClass* window_class =
        (lpClassName && !IS_INTRESOURCE(lpClassName)) ? find_class(lpClassName) : nullptr;
    if (!window_class) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    bool child = (dwStyle & WS_CHILD) != 0;
    if (hWndParent && !find_window(hWndParent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (child && !hWndParent) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    ThreadQueue& queue = current_queue();

    auto window = std::make_unique<Window>();
    window->window_class = window_class;
    window->instance = hInstance;
    window->thread = queue.thread;
    window->style = dwStyle;
    window->ex_style = dwExStyle;
    window->text = lpWindowName ? lpWindowName : "";
    window->proc = window_class->proc;
    if (X == CW_USEDEFAULT) X = 0, Y = 0;
    if (nWidth == CW_USEDEFAULT) nWidth = 0, nHeight = 0;
    window->rect = {X, Y, X + nWidth, Y + nHeight};
    if (child) {
        window->parent = hWndParent;
        window->id = static_cast<int>(reinterpret_cast<intptr_t>(hMenu));
    } else {
        window->owner = hWndParent ? top_level_of(hWndParent) : nullptr;
        window->menu = hMenu;
    }
    HWND hwnd;
    {
        std::lock_guard<std::mutex> hold(table_lock);
        hwnd = reinterpret_cast<HWND>(next_handle);
        next_handle += 4;
        window->handle = hwnd;
        if (child) {
            lookup(hWndParent)->children.push_back(hwnd);
        } else {
            top_levels.push_back(hwnd);
        }
        windows[hwnd] = std::move(window);
    }

    CREATESTRUCTA create{lpParam, hInstance, hMenu, hWndParent, nHeight, nWidth, Y, X,
                         static_cast<LONG>(dwStyle), lpWindowName, lpClassName, dwExStyle};
    if (!SendMessageA(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) ||
        SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    notify_host(hwnd, WindowChange::Created);
    if (dwStyle & WS_VISIBLE) {
        notify_host(hwnd, WindowChange::Visibility);
        if (!child) activate(hwnd);
    }
    return hwnd;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    Window* window = window_or_error(hWnd);
    if (!window) return FALSE;
    if (window->thread != GetCurrentThreadId()) return fail_with(ERROR_ACCESS_DENIED);
    if (window->destroying) return TRUE;
    window->destroying = true;

    // Owned windows go first, as on Windows.
    std::vector<HWND> owned;
    {
        std::lock_guard<std::mutex> hold(table_lock);
        for (HWND top : top_levels)
            if (Window* other = lookup(top); other && other->owner == hWnd) owned.push_back(top);
    }
    for (HWND other : owned) DestroyWindow(other);

    ThreadQueue& queue = current_queue();
    if (queue.focus && is_child_of(hWnd, queue.focus)) {
        SetFocus(window->parent);
        if (queue.focus && is_child_of(hWnd, queue.focus)) queue.focus = nullptr;
    }
    bool was_active = queue.active == hWnd;
    if (was_active) queue.active = nullptr;

    send_destroy(hWnd);
    HMENU menu = (window = find_window(hWnd)) && !window->parent ? window->menu : nullptr;
    release(hWnd);
    if (menu) DestroyMenu(menu);
    if (was_active) {
        HWND next = next_active(hWnd);
        if (next) activate(next);
    }
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) { return find_window(hWnd) != nullptr; }

// A descendant through child windows only: an owned window is no child.
BOOL WINAPI IsChild(HWND hWndParent, HWND hWnd) { return hWnd != hWndParent && is_child_of(hWndParent, hWnd); }

BOOL WINAPI IsWindowEnabled(HWND hWnd) {
    Window* window = window_or_error(hWnd);
    return window && !(window->style & WS_DISABLED);
}

BOOL WINAPI IsWindowVisible(HWND hWnd) {
    std::lock_guard<std::mutex> hold(table_lock);
    for (Window* window = lookup(hWnd); window; window = lookup(window->parent)) {
        if (!(window->style & WS_VISIBLE)) return FALSE;
        if (!window->parent) return TRUE;
    }
    return FALSE;
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
    Window* window = window_or_error(hWnd);
    if (!window) return FALSE;
    bool was_disabled = (window->style & WS_DISABLED) != 0;
    if (bEnable && was_disabled) {
        window->style &= ~static_cast<DWORD>(WS_DISABLED);
        SendMessageA(hWnd, WM_ENABLE, TRUE, 0);
        notify_host(hWnd, WindowChange::Enabled);
    } else if (!bEnable && !was_disabled) {
        window->style |= WS_DISABLED;
        // Only the window itself loses the focus: a control of a disabled
        // dialog keeps it, so that the dialog's deactivation can still save it.
        if (current_queue().focus == hWnd) SetFocus(nullptr);
        SendMessageA(hWnd, WM_ENABLE, FALSE, 0);
        notify_host(hWnd, WindowChange::Enabled);
    }
    return was_disabled;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    Window* window = window_or_error(hWnd);
    if (!window) return FALSE;
    bool was_visible = (window->style & WS_VISIBLE) != 0;
    bool show = nCmdShow != SW_HIDE;
    if (show != was_visible) {
        SendMessageA(hWnd, WM_SHOWWINDOW, show, 0);
        if ((window = find_window(hWnd)) == nullptr) return was_visible;
        if (show) {
            window->style |= WS_VISIBLE;
        } else {
            window->style &= ~static_cast<DWORD>(WS_VISIBLE);
        }
        notify_host(hWnd, WindowChange::Visibility);
    }
    ThreadQueue& queue = current_queue();
    if (!window->parent) {
        bool activates = show && nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE &&
                         nCmdShow != SW_SHOWMINNOACTIVE;
        if (activates) {
            activate(hWnd);
        } else if (!show && queue.active == hWnd) {
            queue.active = nullptr;
            if (HWND next = next_active(hWnd)) activate(next);
        }
    }
    return was_visible;
}

BOOL WINAPI UpdateWindow(HWND hWnd) { return IsWindow(hWnd); }

HWND WINAPI GetParent(HWND hWnd) {
    std::lock_guard<std::mutex> hold(table_lock);
    Window* window = lookup(hWnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    // As on Windows: a top-level window's "parent" is its owner.
    return window->parent ? window->parent : window->owner;
}

HWND WINAPI GetWindow(HWND hWnd, UINT uCmd) {
    std::lock_guard<std::mutex> hold(table_lock);
    Window* window = lookup(hWnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (uCmd == GW_CHILD) return window->children.empty() ? nullptr : window->children.front();
    if (uCmd == GW_OWNER) return window->owner;
    Window* parent = lookup(window->parent);
    const std::vector<HWND>& siblings = parent ? parent->children : top_levels;
    auto at = std::find(siblings.begin(), siblings.end(), hWnd);
    if (siblings.empty() || at == siblings.end()) return nullptr;
    switch (uCmd) {
    case GW_HWNDFIRST: return siblings.front();
    case GW_HWNDLAST: return siblings.back();
    case GW_HWNDNEXT: return at + 1 == siblings.end() ? nullptr : *(at + 1);
    case GW_HWNDPREV: return at == siblings.begin() ? nullptr : *(at - 1);
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

int WINAPI GetDlgCtrlID(HWND hWnd) {
    std::lock_guard<std::mutex> hold(table_lock);
    Window* window = lookup(hWnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return window->parent ? window->id : 0;
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
    if (!lpString || nMaxCount <= 0) return 0;
    lpString[0] = '\0';
    if (!window_or_error(hWnd)) return 0;
    return static_cast<int>(SendMessageA(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                         reinterpret_cast<LPARAM>(lpString)));
}

int WINAPI GetWindowTextLengthA(HWND hWnd) {
    if (!window_or_error(hWnd)) return 0;
    return static_cast<int>(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
    if (!window_or_error(hWnd)) return FALSE;
    return static_cast<BOOL>(SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)));
}

int WINAPI GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount) {
    Window* window = window_or_error(hWnd);
    if (!window || nMaxCount <= 0) return 0;
    return static_cast<int>(copy_text_out(window->window_class->name, lpClassName, static_cast<WPARAM>(nMaxCount)));
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex) {
    Window* window = window_or_error(hWnd);
    if (!window) return 0;
    switch (nIndex) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(window->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(window->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(window->parent ? window->parent : window->owner);
    case GWLP_ID: return window->parent ? window->id : reinterpret_cast<LONG_PTR>(window->menu);
    case GWL_STYLE: return static_cast<LONG>(window->style);
    case GWL_EXSTYLE: return static_cast<LONG>(window->ex_style);
    case GWLP_USERDATA: return window->user_data;
    default: break;
    }
    if (window->dialog) {
        switch (nIndex) {
        case DWLP_MSGRESULT: return window->dialog->msg_result;
        case DWLP_DLGPROC: return reinterpret_cast<LONG_PTR>(window->dialog->proc);
        case DWLP_USER: return window->dialog->user;
        default: break;
        }
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    Window* window = window_or_error(hWnd);
    if (!window) return 0;
    LONG_PTR previous = GetWindowLongPtrA(hWnd, nIndex);
    switch (nIndex) {
    case GWLP_WNDPROC: window->proc = reinterpret_cast<WNDPROC>(dwNewLong); return previous;
    case GWLP_ID:
        if (window->parent) window->id = static_cast<int>(dwNewLong);
        return previous;
    case GWL_STYLE: window->style = static_cast<DWORD>(dwNewLong); return previous;
    case GWL_EXSTYLE: window->ex_style = static_cast<DWORD>(dwNewLong); return previous;
    case GWLP_USERDATA: window->user_data = dwNewLong; return previous;
    default: break;
    }
    if (window->dialog) {
        switch (nIndex) {
        case DWLP_MSGRESULT: window->dialog->msg_result = dwNewLong; return previous;
        case DWLP_DLGPROC: window->dialog->proc = reinterpret_cast<DLGPROC>(dwNewLong); return previous;
        case DWLP_USER: window->dialog->user = dwNewLong; return previous;
        default: break;
        }
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
    Window* window = window_or_error(hWnd);
    if (!window || !lpRect) return FALSE;
    *lpRect = window->rect;
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    Window* window = window_or_error(hWnd);
    if (!window || !lpRect) return FALSE;
    *lpRect = {0, 0, window->rect.right - window->rect.left, window->rect.bottom - window->rect.top};
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL) {
    Window* window = window_or_error(hWnd);
    if (!window) return FALSE;
    window->rect = {X, Y, X + nWidth, Y + nHeight};
    if (!window->parent) window->positioned = true;
    notify_host(hWnd, WindowChange::Geometry);
    SendMessageA(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(nWidth, nHeight));
    return TRUE;
}

DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
    Window* window = window_or_error(hWnd);
    if (!window) return 0;
    if (lpdwProcessId) *lpdwProcessId = 1;
    return window->thread;
}

LRESULT WINAPI CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}
