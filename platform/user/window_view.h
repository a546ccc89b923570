// What a host reads of the window system to show it: a window's state, its
// menu, its icons and images. Called on the user-interface thread.
#pragma once

#include <string>
#include <vector>

#include "platform/user/resource.h"
#include "platform/win32.h"

namespace platform {

struct WindowView {
    HWND hwnd = nullptr;
    std::string class_name;  // "Edit", "Button", "Static", "ComboBox", "ScrollBar", "#32770", ...
    DWORD style = 0;
    DWORD ex_style = 0;
    int id = 0;
    HWND parent = nullptr;
    HWND owner = nullptr;
    RECT units_rect = {};  // dialog units, as the template gave them (all zero when not from a template)
    RECT rect = {};        // pixels at the window system's base units
    std::string text;
    bool visible = false;  // its own WS_VISIBLE, whatever its parent shows
    bool enabled = true;
    bool focused = false;
    // Edits and the field of a combo box.
    int selection_start = 0;
    int selection_end = 0;
    int caret = 0;
    // Combo boxes.
    std::vector<std::string> items;
    int selected = -1;
    bool dropped = false;
    // Buttons.
    UINT check = 0;
    // Statics with an image.
    HANDLE image = nullptr;
    // Top-level windows.
    HMENU menu = nullptr;
    HICON icons[2] = {nullptr, nullptr};
    bool positioned = false;  // moved by the program: shown at rect's place, not centred
    // Dialogs: their font as the template names it, and its base units.
    bool is_dialog = false;
    std::string font;
    int point_size = 0;
    SIZE base_units = {0, 0};
};

bool view_window(HWND hwnd, WindowView* view);
// Where the host shows a top-level window on the screen, so GetWindowRect
// tells the program; no message is sent.
void host_moved_window(HWND hwnd, int x, int y);
std::vector<HWND> top_level_windows();  // in creation order
std::vector<HWND> child_windows(HWND hwnd);

struct MenuItemView {
    UINT id = 0;
    UINT flags = 0;  // MF_POPUP, MF_SEPARATOR, MF_GRAYED, MF_DISABLED, MF_CHECKED
    std::string text;
    std::vector<MenuItemView> popup;
};

bool view_menu(HMENU menu, std::vector<MenuItemView>* items);

// The decoded images behind an icon or bitmap handle, or null.
const std::vector<IconImage>* icon_images(HICON icon);
const BitmapImage* bitmap_image(HBITMAP bitmap);

}  // namespace platform
