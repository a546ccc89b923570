// Behaviours of Win32 that the program and its tests rely on, written as
// plain Win32 calls: one source runs on our layer (a test) and, built for
// Windows, on a real Win32 (scripts/wine-conformance runs it under Wine).
#pragma once

#include <stdio.h>

#include "platform/win32.h"

struct CheckCounts {
    int passed = 0;
    int failed = 0;
    int todo = 0;        // failed where Wine is known to differ from Windows
    int todo_fixed = 0;  // marked so, yet held
};

// Prints one line per check to out. On Wine a check marked todo_wine that
// fails is counted apart, as Wine's own tests do; anywhere else it must hold
// like any other. scratch is a folder for the file checks' files.
CheckCounts run_window_checks(HINSTANCE resources, const char* scratch, bool on_wine, FILE* out);
