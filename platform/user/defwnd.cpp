// DefWindowProcA: what a window does with a message its procedure leaves.
#include <cstring>

#include "platform/user/window.h"

using namespace platform;

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    Window* window = window_or_error(hWnd);
    if (!window) return 0;
    switch (Msg) {
    case WM_NCCREATE: return TRUE;
    case WM_CLOSE: DestroyWindow(hWnd); return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(hWnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+F4 closes the top-level window.
        if (wParam == VK_F4 && !window->parent) PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_SETTEXT:
        window->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        notify_host(hWnd, WindowChange::Text);
        return TRUE;
    case WM_GETTEXT: return copy_text_out(window->text, reinterpret_cast<char*>(lParam), wParam);
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(window->text.size());
    case WM_SETICON: {
        int which = wParam == ICON_BIG ? ICON_BIG : ICON_SMALL;
        HICON previous = window->icons[which];
        window->icons[which] = reinterpret_cast<HICON>(lParam);
        notify_host(hWnd, WindowChange::Icon);
        return reinterpret_cast<LRESULT>(previous);
    }
    case WM_GETICON: return reinterpret_cast<LRESULT>(window->icons[wParam == ICON_BIG ? ICON_BIG : ICON_SMALL]);
    case WM_SETFONT: window->font = reinterpret_cast<HFONT>(wParam); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(window->font);
    default: return 0;
    }
}
