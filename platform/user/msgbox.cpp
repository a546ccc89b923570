// MessageBoxA: a modal request the host shows and answers.
#include <cstdio>

#include "platform/kernel/handles.h"
#include "platform/user/queue.h"

using namespace platform;

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    if (!current_host()) {
        // Nobody to show it to; say it where it can still be read.
        std::fprintf(stderr, "%s: %s\n", lpCaption ? lpCaption : "Error", lpText ? lpText : "");
        fail_with(ERROR_NOT_SUPPORTED);
        return 0;
    }
    if (hWnd && !IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    MessageBoxRequest request;
    request.owner = hWnd;
    request.text = lpText ? lpText : "";
    request.caption = lpCaption ? lpCaption : "Error";  // what Windows shows for none
    request.type = uType;
    run_modal_request(&request);
    return request.answer;
}

BOOL WINAPI MessageBeep(UINT) { return TRUE; }
