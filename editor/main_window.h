// The program's entry and its main window: start-up, the outer message
// loop, command routing and shutdown.
#pragma once

#include "platform/win32.h"

int editor_main(HINSTANCE instance);
// One message of the outer loop, as it handles every message it gets.
void process_outer_message(MSG* msg);
INT_PTR CALLBACK main_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
