#include "platform/host/host.h"

#include <algorithm>
#include <atomic>
#include <string>

namespace platform {

namespace {
std::atomic<Host*> installed{nullptr};
}

Host* current_host() { return installed.load(std::memory_order_acquire); }

void install_host(Host* host) {
    if (host) host->ui_thread = GetCurrentThreadId();
    installed.store(host, std::memory_order_release);
}

int Host::edit_char_from_point(HWND edit, POINT point) {
    // A grid of equal cells over the lines of the text.
    int length = GetWindowTextLengthA(edit);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(edit, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    int line = point.y < 0 ? 0 : point.y / kGridLineHeight;
    int column = point.x < 0 ? 0 : (point.x + kGridCharWidth / 2) / kGridCharWidth;
    size_t start = 0;
    for (int l = 0; l < line; ++l) {
        size_t next = text.find("\r\n", start);
        if (next == std::string::npos) return length;
        start = next + 2;
    }
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    return static_cast<int>(std::min(start + static_cast<size_t>(column), end));
}

}  // namespace platform
