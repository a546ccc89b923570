#include "platform/kernel/intercept.h"

#include <atomic>

namespace platform::intercept {

namespace {
std::atomic<Hook> installed{nullptr};
std::atomic<PlaceHook> places{nullptr};
}  // namespace

void install(Hook hook) { installed.store(hook); }

void install_places(PlaceHook hook) { places.store(hook); }

bool covers_bad_place(Call call, const std::string& path, uint64_t offset, uint64_t length) {
    PlaceHook hook = places.load();
    return hook && hook(call, path, offset, length);
}

Verdict on_call(Call call) {
    Hook hook = installed.load();
    return hook ? hook(call) : Verdict::Pass;
}

unsigned short_length(unsigned length, unsigned unit) {
    if (unit == 0) unit = 1;
    return length / 2 / unit * unit;
}

}  // namespace platform::intercept
