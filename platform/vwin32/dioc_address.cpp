// 32-bit addresses for register blocks. A 64-bit process's pointers do not
// fit the DOS registers, so each pointer gets a token the service resolves.
// A token lives until the request that carries it ends.
#include <mutex>
#include <unordered_map>

#include "platform/vwin32/vwin32_device.h"

namespace {

constexpr DWORD kFirstToken = 0x00010000;
constexpr DWORD kTokenStep = 0x10;

std::mutex tokens_lock;
std::unordered_map<const void*, DWORD> token_of;
std::unordered_map<DWORD, const void*> pointer_of;
DWORD next_token = kFirstToken;

// The next value no live token has; below kFirstToken lie the values that
// registers carry as numbers.
DWORD fresh_token() {
    for (;;) {
        DWORD token = next_token;
        next_token = next_token > 0xFFFFFFFFu - kTokenStep ? kFirstToken : next_token + kTokenStep;
        if (!pointer_of.count(token)) return token;
    }
}

}  // namespace

DWORD dioc_address(const void* p) {
    if (!p) return 0;
    std::lock_guard<std::mutex> hold(tokens_lock);
    auto found = token_of.find(p);
    if (found != token_of.end()) return found->second;
    DWORD token = fresh_token();
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

void dioc_release(DWORD address) {
    std::lock_guard<std::mutex> hold(tokens_lock);
    auto found = pointer_of.find(address);
    if (found == pointer_of.end()) return;
    token_of.erase(found->second);
    pointer_of.erase(found);
}

size_t dioc_live_tokens() {
    std::lock_guard<std::mutex> hold(tokens_lock);
    return pointer_of.size();
}

}  // namespace platform
