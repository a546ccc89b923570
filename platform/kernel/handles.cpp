#include "platform/kernel/handles.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace platform {

namespace {

// Handle values are multiples of 4 from 4 upwards, as on Windows; 0 and
// all-ones are never handed out.
std::mutex table_lock;
std::vector<std::shared_ptr<KernelObject>> table;
// Closes of handles that were not open: a handle closed twice may by then
// name another object.
std::atomic<size_t> bad_closes{0};

size_t slot_of(HANDLE handle) {
    auto value = reinterpret_cast<uintptr_t>(handle);
    if (value == 0 || value % 4 != 0) return SIZE_MAX;
    return value / 4 - 1;
}

}  // namespace

BOOL KernelObject::device_io_control(DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD) {
    return fail_with(ERROR_INVALID_FUNCTION);
}

HANDLE insert_handle(std::shared_ptr<KernelObject> object) {
    std::lock_guard<std::mutex> hold(table_lock);
    size_t slot = 0;
    while (slot < table.size() && table[slot]) ++slot;
    if (slot == table.size()) table.emplace_back();
    table[slot] = std::move(object);
    return reinterpret_cast<HANDLE>((slot + 1) * 4);
}

std::shared_ptr<KernelObject> lookup_handle(HANDLE handle) {
    size_t slot = slot_of(handle);
    std::lock_guard<std::mutex> hold(table_lock);
    if (slot >= table.size()) return nullptr;
    return table[slot];
}

bool remove_handle(HANDLE handle) {
    std::shared_ptr<KernelObject> released;  // destroyed outside the lock
    size_t slot = slot_of(handle);
    std::lock_guard<std::mutex> hold(table_lock);
    if (slot >= table.size() || !table[slot]) return false;
    released = std::move(table[slot]);
    return true;
}

size_t closes_of_unopened_handles() { return bad_closes; }

}  // namespace platform

BOOL WINAPI CloseHandle(HANDLE hObject) {
    if (!platform::remove_handle(hObject)) {
        ++platform::bad_closes;
        return platform::fail_with(ERROR_INVALID_HANDLE);
    }
    return TRUE;
}
