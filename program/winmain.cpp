// The Windows program: the editor on the real Win32.
#include "editor/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return editor_main(instance); }
