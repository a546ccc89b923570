// The About box: the logo, the product and the maker, and a button that
// opens the maker's home page.
#pragma once

#include "platform/win32.h"

void show_about();
INT_PTR CALLBACK about_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
