// GetVersionExA, and which Windows the layer plays.
#include <cstring>
#include <mutex>

#include "platform/control.h"
#include "platform/kernel/handles.h"

namespace {

std::mutex version_lock;
OSVERSIONINFOA version = {sizeof(OSVERSIONINFOA), 10, 0, 19045, VER_PLATFORM_WIN32_NT, ""};

constexpr DWORD kVersionInfoExSize = 156;  // OSVERSIONINFOEXA

}  // namespace

namespace platform {

void emulate_windows_nt() {
    std::lock_guard<std::mutex> hold(version_lock);
    version = {sizeof(OSVERSIONINFOA), 10, 0, 19045, VER_PLATFORM_WIN32_NT, ""};
}

void emulate_windows_9x(WORD build) {
    std::lock_guard<std::mutex> hold(version_lock);
    // On the 95/98 family the high word of the build number repeats the version.
    version = {sizeof(OSVERSIONINFOA), 4, 10, (4u << 24) | (10u << 16) | build, VER_PLATFORM_WIN32_WINDOWS, ""};
}

}  // namespace platform

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
    if (!lpVersionInformation) return platform::fail_with(ERROR_INVALID_PARAMETER);
    DWORD size = lpVersionInformation->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOA) && size != kVersionInfoExSize)
        return platform::fail_with(ERROR_INSUFFICIENT_BUFFER);
    std::lock_guard<std::mutex> hold(version_lock);
    memcpy(lpVersionInformation, &version, sizeof version);
    lpVersionInformation->dwOSVersionInfoSize = size;
    if (size == kVersionInfoExSize) memset(lpVersionInformation + 1, 0, kVersionInfoExSize - sizeof version);
    return TRUE;
}
