#include "platform/kernel/intercept.h"

#include <atomic>

namespace platform::intercept {

namespace {
std::atomic<Hook> installed{nullptr};
}

void install(Hook hook) { installed.store(hook); }

Verdict on_call(Call call) {
    Hook hook = installed.load();
    return hook ? hook(call) : Verdict::Pass;
}

unsigned short_length(unsigned length, unsigned unit) {
    if (unit == 0) unit = 1;
    return length / 2 / unit * unit;
}

}  // namespace platform::intercept
