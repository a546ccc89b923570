// MessageBoxA: the host shows the box and reports the answer.
#include <cstdio>

#include "platform/host/host.h"
#include "platform/kernel/handles.h"

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    platform::Host* host = platform::current_host();
    if (!host) {
        // Nobody to show it to; say it where it can still be read.
        std::fprintf(stderr, "%s: %s\n", lpCaption ? lpCaption : "Error", lpText ? lpText : "");
        platform::fail_with(ERROR_NOT_SUPPORTED);
        return 0;
    }
    // Windows shows "Error" for a missing caption.
    return host->message_box(hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType);
}
