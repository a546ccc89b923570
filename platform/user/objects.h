// Handles of the window system's objects that are not windows: menus,
// accelerator tables, icons, bitmaps and device contexts.
#pragma once

#include <memory>

namespace platform {

class UserObject {
public:
    virtual ~UserObject() = default;
};

void* insert_user_object(std::shared_ptr<UserObject> object);
std::shared_ptr<UserObject> lookup_user_object(const void* handle);
bool remove_user_object(const void* handle);

template <class T>
std::shared_ptr<T> user_object(const void* handle) {
    return std::dynamic_pointer_cast<T>(lookup_user_object(handle));
}

}  // namespace platform
