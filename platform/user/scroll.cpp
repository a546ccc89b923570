// The SCROLLBAR control: its arrows send WM_HSCROLL (or WM_VSCROLL) with
// SB_LINEUP and SB_LINEDOWN to the parent, and SB_ENDSCROLL on release.
#include <algorithm>

#include "platform/trace.h"
#include "platform/user/window.h"

namespace platform {

namespace {

struct ScrollData : ControlData {
    int minimum = 0;
    int maximum = 100;
    int position = 0;
    bool tracking = false;
};

void notify_scroll(Window* window, WORD code) {
    if (!window->parent) return;
    UINT message = (window->style & SBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
    SendMessageA(window->parent, message, MAKELONG(code, 0), reinterpret_cast<LPARAM>(window->handle));
}

// Which part of the bar a point lies on: the arrows take a square at each
// end (at most half the bar each), the rest pages.
WORD part_at(Window* window, ScrollData* data, POINT point) {
    bool vertical = (window->style & SBS_VERT) != 0;
    LONG length = vertical ? window->rect.bottom - window->rect.top : window->rect.right - window->rect.left;
    LONG thickness = vertical ? window->rect.right - window->rect.left : window->rect.bottom - window->rect.top;
    LONG arrow = std::min(thickness, length / 2);
    LONG at = vertical ? point.y : point.x;
    if (length <= 0 || at < arrow) return SB_LINEUP;
    if (at >= length - arrow) return SB_LINEDOWN;
    int range = std::max(1, data->maximum - data->minimum);
    LONG thumb = arrow + (length - 2 * arrow) * (data->position - data->minimum) / range;
    return at < thumb ? SB_PAGEUP : SB_PAGEDOWN;
}

}  // namespace

LRESULT CALLBACK scrollbar_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    Window* window = find_window(hwnd);
    if (!window) return 0;
    if (message == WM_NCCREATE) {
        window->control = std::make_unique<ScrollData>();
        return TRUE;
    }
    auto* data = control_data<ScrollData>(window);
    if (!data) return DefWindowProcA(hwnd, message, wparam, lparam);
    switch (message) {
    case WM_LBUTTONDOWN: {
        POINT point = {static_cast<SHORT>(LOWORD(lparam)), static_cast<SHORT>(HIWORD(lparam))};
        data->tracking = true;
        notify_scroll(window, part_at(window, data, point));
        return 0;
    }
    case WM_LBUTTONUP:
        if (data->tracking) {
            data->tracking = false;
            notify_scroll(window, SB_ENDSCROLL);
        }
        return 0;
    case WM_KEYDOWN:
        if (wparam == VK_LEFT || wparam == VK_UP) notify_scroll(window, SB_LINEUP);
        if (wparam == VK_RIGHT || wparam == VK_DOWN) notify_scroll(window, SB_LINEDOWN);
        return 0;
    case SBM_SETPOS: {
        int previous = data->position;
        data->position = std::clamp(static_cast<int>(wparam), data->minimum, data->maximum);
        return previous;
    }
    case SBM_GETPOS: return data->position;
    case SBM_SETRANGE:
        data->minimum = static_cast<int>(wparam);
        data->maximum = static_cast<int>(lparam);
        data->position = std::clamp(data->position, data->minimum, std::max(data->minimum, data->maximum));
        return data->position;
    case SBM_GETRANGE:
        if (wparam) *reinterpret_cast<LPINT>(wparam) = data->minimum;
        if (lparam) *reinterpret_cast<LPINT>(lparam) = data->maximum;
        return 0;
    default:
        // A message of the control's own that it does not know.
        if (message >= 0x00E0 && message <= 0x00EB) fixme("scrollbar", "message", message);
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
}

}  // namespace platform
