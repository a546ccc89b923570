// The STATIC control: a text, or an image (SS_BITMAP, SS_ICON).
#include "platform/trace.h"
#include "platform/user/window.h"

namespace platform {

namespace {

struct StaticData : ControlData {
    HANDLE image = nullptr;

    void describe(WindowView& view) const override { view.image = image; }
};

}  // namespace

LRESULT CALLBACK static_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    Window* window = find_window(hwnd);
    if (!window) return 0;
    if (message == WM_NCCREATE) {
        window->control = std::make_unique<StaticData>();
        return TRUE;
    }
    auto* data = control_data<StaticData>(window);
    if (!data) return DefWindowProcA(hwnd, message, wparam, lparam);
    switch (message) {
    case STM_SETIMAGE: {
        HANDLE previous = data->image;
        data->image = reinterpret_cast<HANDLE>(lparam);
        notify_host(hwnd, WindowChange::Image);
        return reinterpret_cast<LRESULT>(previous);
    }
    case STM_GETIMAGE: return reinterpret_cast<LRESULT>(data->image);
    case WM_GETDLGCODE: return DLGC_STATIC;
    case WM_LBUTTONDOWN:
        if (window->style & SS_NOTIFY) notify_parent(window, STN_CLICKED);
        return 0;
    default:
        // A message of the control's own that it does not know.
        if (message >= 0x0170 && message <= 0x0173) fixme("static", "message", message);
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
}

}  // namespace platform
