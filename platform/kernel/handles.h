// The process's handle table. Every kernel object a handle names derives from
// KernelObject; a handle keeps its object alive until CloseHandle.
#pragma once

#include <memory>

#include "platform/win32.h"

namespace platform {

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // DeviceIoControl on this object. Objects that are no device refuse it.
    virtual BOOL device_io_control(DWORD code, LPVOID in, DWORD in_size, LPVOID out, DWORD out_size,
                                   LPDWORD returned);
};

HANDLE insert_handle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> lookup_handle(HANDLE handle);
bool remove_handle(HANDLE handle);

template <class T>
std::shared_ptr<T> lookup_handle_as(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(lookup_handle(handle));
}

// Sets the thread's last error and returns FALSE, the usual way out of a call.
BOOL fail_with(DWORD error);

// The one table from errno values to Win32 error codes.
DWORD win32_error_from_errno(int error);

}  // namespace platform
