// 32-bit addresses for register blocks. A 64-bit process's pointers do not
// fit the DOS registers, so each pointer gets a token the service resolves.
#include <mutex>
#include <unordered_map>

#include "platform/vwin32/vwin32_device.h"

namespace {

std::mutex tokens_lock;
std::unordered_map<const void*, DWORD> token_of;
std::unordered_map<DWORD, const void*> pointer_of;
DWORD next_token = 0x00010000;

}  // namespace

DWORD dioc_address(const void* p) {
    if (!p) return 0;
    std::lock_guard<std::mutex> hold(tokens_lock);
    auto found = token_of.find(p);
    if (found != token_of.end()) return found->second;
    DWORD token = next_token;
    next_token += 0x10;
    token_of[p] = token;
    pointer_of[token] = p;
    return token;
}

namespace platform {

void* dioc_resolve(DWORD address) {
    std::lock_guard<std::mutex> hold(tokens_lock);
    auto found = pointer_of.find(address);
    return found == pointer_of.end() ? nullptr : const_cast<void*>(found->second);
}

}  // namespace platform
