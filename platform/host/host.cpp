#include "platform/host/host.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<Host*> installed{nullptr};
}

Host* current_host() { return installed.load(std::memory_order_acquire); }

void install_host(Host* host) { installed.store(host, std::memory_order_release); }

}  // namespace platform
