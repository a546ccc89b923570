// GetTickCount: milliseconds since a fixed point, wrapping at 2^32 as on
// Windows; never set back with the clock of the day.
#include <atomic>
#include <chrono>

#include "platform/control.h"

namespace {
std::atomic<DWORD> tests_advance{0};
}

void platform::advance_tick_count(DWORD milliseconds) { tests_advance += milliseconds; }

DWORD WINAPI GetTickCount(void) {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count()) + tests_advance;
}
