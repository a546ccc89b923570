// The user's actions as a host delivers them: into the input queue of the
// user-interface thread, in the form Windows gives them to the program.
// Called on the user-interface thread, while the program waits for input.
#pragma once

#include "platform/win32.h"

namespace platform {

// Modifier bits of an input event.
enum : BYTE { kInputShift = 1, kInputControl = 2, kInputAlt = 4, kInputCapsLock = 8 };

// The user chose entry wParam of a combo box's list.
constexpr UINT WM_HOST_COMBO_CHOOSE = WM_USER + 0x0F00;

// A key press and release, to the window with the keyboard focus (or the
// active window); character is what the key produces, 0 for none. False when
// no window takes keys.
bool input_key(UINT vk, BYTE modifiers, char character);
bool input_key_down(UINT vk, BYTE modifiers, char character);
bool input_key_up(UINT vk, BYTE modifiers);

// A click of the left button at a point of the window's client area. False
// when the window, or a window it lies in, is disabled or hidden.
bool input_click(HWND hwnd, POINT point, BYTE modifiers);
// The press and the release alone, for controls that act on each.
bool input_button_down(HWND hwnd, POINT point, BYTE modifiers);
bool input_button_up(HWND hwnd, POINT point, BYTE modifiers);

// A menu item of the window's menu. False when the window or the item is disabled.
bool input_choose_menu_item(HWND hwnd, UINT id);
// The close box of a top-level window.
bool input_close(HWND hwnd);
// The user brought a top-level window to the front (clicked into it or its
// frame): it becomes the active window, as on Windows before the click itself
// arrives. False when the window cannot take the activation.
bool input_activate(HWND hwnd);
// An entry of a combo box's drop-down list.
bool input_choose_combo_item(HWND combo, int index);
// The end of the desktop session: every top-level window is asked, then
// told the outcome. True when every window let the session end.
bool input_end_session();

// The character a key makes on a US keyboard with the modifiers held, 0 for none.
char us_layout_character(UINT vk, BYTE modifiers);

// Whether a window takes mouse input now.
bool accepts_input(HWND hwnd);

}  // namespace platform
