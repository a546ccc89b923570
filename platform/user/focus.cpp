// Activation and the keyboard focus: which top-level window is active and
// which window of it gets the keys.
#include "platform/user/queue.h"
#include "platform/user/window.h"

namespace platform {

namespace {

void set_focus_window(ThreadQueue& queue, HWND hwnd) {
    HWND losing = queue.focus;
    queue.focus = hwnd;
    if (losing && IsWindow(losing)) SendMessageA(losing, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd && queue.focus == hwnd && IsWindow(hwnd))
        SendMessageA(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(losing), 0);
    notify_host(hwnd ? hwnd : losing, WindowChange::Focus);
}

// The deactivated window hears of it while its focused control still has
// the focus (a dialog saves it then). With move_focus, a focus left outside
// the new active window goes to that window itself, or nowhere, so that no
// key reaches a window that is not active.
void set_active(ThreadQueue& queue, HWND hwnd, bool move_focus) {
    HWND previous = queue.active;
    if (previous == hwnd) return;
    queue.active = hwnd;
    if (previous && IsWindow(previous)) SendMessageA(previous, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
    if (hwnd) SendMessageA(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(previous));
    notify_host(hwnd ? hwnd : previous, WindowChange::Focus);
    if (!move_focus || queue.active != hwnd) return;
    HWND focus = queue.focus;
    bool inside = focus && hwnd && IsWindow(focus) && top_level_of(focus) == hwnd;
    if (!inside && focus != hwnd && (hwnd || focus)) set_focus_window(queue, hwnd && IsWindow(hwnd) ? hwnd : nullptr);
}

}  // namespace

// The window that becomes active when the active one goes away: its owner
// if it can take it, else the newest other visible and enabled window.
HWND next_active(HWND leaving) {
    Window* window = find_window(leaving);
    DWORD thread = GetCurrentThreadId();
    if (window && window->owner && IsWindowVisible(window->owner) && IsWindowEnabled(window->owner))
        return window->owner;
    std::vector<HWND> candidates = top_level_windows();
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
        Window* other = find_window(*it);
        if (*it != leaving && other && other->thread == thread && !other->destroying &&
            (other->style & WS_VISIBLE) && !(other->style & WS_DISABLED))
            return *it;
    }
    return nullptr;
}

void activate(HWND hwnd) { set_active(current_queue(), hwnd, true); }

}  // namespace platform

using namespace platform;

HWND WINAPI GetFocus(void) { return current_queue().focus; }

HWND WINAPI GetActiveWindow(void) { return current_queue().active; }

HWND WINAPI SetFocus(HWND hWnd) {
    ThreadQueue& queue = current_queue();
    HWND previous = queue.focus;
    if (hWnd) {
        Window* window = window_or_error(hWnd);
        if (!window) return nullptr;
        if (window->thread != queue.thread) {
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        // Neither a disabled window nor one inside a disabled window takes the focus.
        for (Window* at = window; at; at = at->parent ? find_window(at->parent) : nullptr)
            if (at->style & WS_DISABLED) return nullptr;
        HWND top = top_level_of(hWnd);
        if (queue.active != top) set_active(queue, top, false);
        // Activation may already have put the focus there.
        if (queue.focus == hWnd) return previous;
    } else if (!previous) {
        return nullptr;
    }
    set_focus_window(queue, hWnd);
    return previous;
}

