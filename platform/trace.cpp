#include "platform/trace.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace platform {

void fixme(const char* area, const char* what, unsigned long value) {
    static const bool on = std::getenv("ORVASSE_TRACE") != nullptr;
    if (!on) return;
    static std::mutex lock;
    static std::set<std::pair<std::string, unsigned long>> said;
    std::lock_guard<std::mutex> hold(lock);
    if (!said.insert({area, value}).second) return;
    std::fprintf(stderr, "fixme:%s: %s 0x%lx not implemented\n", area, what, value);
}

}  // namespace platform
