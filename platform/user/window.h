// The window system's own view of its windows. Everything here runs on the
// thread that owns the window, except the table itself, which any thread may
// search (GetDlgItem, IsWindow, PostMessageA from a worker).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/user/window_view.h"
#include "platform/win32.h"

namespace platform {

// State that only one class of control keeps (the edit's selection, the
// combo box's list, ...). Each control file derives its own.
class ControlData {
public:
    virtual ~ControlData() = default;
    // Fills in what the host shows of this kind of control.
    virtual void describe(WindowView&) const {}
};

struct DialogData;

struct WindowClass {
    std::string name;  // upper case for the predefined classes: "EDIT", "BUTTON", ...
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
};

struct Window {
    HWND handle = nullptr;
    const WindowClass* window_class = nullptr;
    HWND parent = nullptr;  // for child windows
    HWND owner = nullptr;   // for top-level windows
    HINSTANCE instance = nullptr;
    DWORD thread = 0;
    DWORD style = 0;
    DWORD ex_style = 0;
    int id = 0;
    RECT rect = {};        // pixels, relative to the parent's client area (screen for top-level)
    RECT units_rect = {};  // as the template gave it, in dialog units
    bool positioned = false;  // a top-level window the program moved: its place is the program's
    std::string text;
    WNDPROC proc = nullptr;
    LONG_PTR user_data = 0;
    HMENU menu = nullptr;
    HICON icons[2] = {nullptr, nullptr};  // ICON_SMALL, ICON_BIG
    HFONT font = nullptr;
    std::vector<HWND> children;  // in creation order: the tab order
    bool destroying = false;
    std::unique_ptr<DialogData> dialog;
    std::unique_ptr<ControlData> control;
};

// The table of windows. Lookups take the table's lock only for the lookup;
// a Window is only changed by its own thread.
Window* find_window(HWND hwnd);
// Like find_window, but sets ERROR_INVALID_WINDOW_HANDLE when there is none.
Window* window_or_error(HWND hwnd);
// The thread that owns hwnd, read under the table's lock: another thread
// may not touch a Window, which its own thread may free at any time. 0 (and
// ERROR_INVALID_WINDOW_HANDLE) when there is no such window.
DWORD window_thread_or_error(HWND hwnd);
bool is_child_of(HWND ancestor, HWND hwnd);  // hwnd is ancestor or inside it
HWND top_level_of(HWND hwnd);
// Makes hwnd (or no window) the active window of this thread, as a window
// that takes the activation from the others does.
void activate(HWND hwnd);
// The window that takes the activation when hwnd gives it up, or null.
HWND next_active(HWND leaving);
// Frees the windows this thread has destroyed, once no window procedure of
// the thread is running that could still hold one.
void collect_destroyed_windows();

const WindowClass* find_class(const std::string& name);
void register_builtin_classes();

// Text helpers shared by the controls.
std::string upper(std::string text);
// Copies text into a caller's buffer of max bytes as WM_GETTEXT does; returns
// the characters copied, without the terminating zero.
LRESULT copy_text_out(const std::string& text, char* buffer, WPARAM max);

template <class T>
T* control_data(Window* window) {
    return window ? dynamic_cast<T*>(window->control.get()) : nullptr;
}

// Window procedures of the predefined classes.
LRESULT CALLBACK edit_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK button_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK static_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK combo_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK scrollbar_proc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK dialog_class_proc(HWND, UINT, WPARAM, LPARAM);

// Tells the host that something it shows of the window has changed.
void notify_host(HWND hwnd, WindowChange change);

// Sends WM_COMMAND with a notification code to the control's parent.
void notify_parent(Window* control, WORD code);

}  // namespace platform
