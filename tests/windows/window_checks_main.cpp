// orvasse_window_checks [scratch folder]: the window-system checks on this
// Win32. Ends with the counts; the exit status is 1 when a check failed.
#include <stdio.h>

#include "window_checks.h"

int main(int argc, char** argv) {
    char scratch[MAX_PATH] = ".";
    if (argc > 1) snprintf(scratch, sizeof scratch, "%s", argv[1]);
    else GetTempPathA(sizeof scratch, scratch);
    // Wine's ntdll says who it is; Windows' has no such export.
    bool on_wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != NULL;
    CheckCounts counts = run_window_checks(GetModuleHandleA(NULL), scratch, on_wine, stdout);
    printf("%d passed, %d failed, %d todo_wine, %d todo_wine fixed%s\n", counts.passed, counts.failed, counts.todo,
           counts.todo_fixed, on_wine ? " (on Wine)" : "");
    return counts.failed ? 1 : 0;
}
