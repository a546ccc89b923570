#include "platform/user/objects.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace platform {

namespace {

std::mutex objects_lock;
std::unordered_map<uintptr_t, std::shared_ptr<UserObject>> objects;
uintptr_t next_handle = 0x00020004;  // apart from windows and kernel handles; never reused

}  // namespace

void* insert_user_object(std::shared_ptr<UserObject> object) {
    std::lock_guard<std::mutex> hold(objects_lock);
    uintptr_t handle = next_handle;
    next_handle += 4;
    objects[handle] = std::move(object);
    return reinterpret_cast<void*>(handle);
}

std::shared_ptr<UserObject> lookup_user_object(const void* handle) {
    std::lock_guard<std::mutex> hold(objects_lock);
    auto found = objects.find(reinterpret_cast<uintptr_t>(handle));
    return found == objects.end() ? nullptr : found->second;
}

bool remove_user_object(const void* handle) {
    std::shared_ptr<UserObject> released;
    std::lock_guard<std::mutex> hold(objects_lock);
    auto found = objects.find(reinterpret_cast<uintptr_t>(handle));
    if (found == objects.end()) return false;
    released = std::move(found->second);
    objects.erase(found);
    return true;
}

}  // namespace platform
