// CreateEventA, SetEvent, ResetEvent: unnamed events within the process.
#include "platform/kernel/waitable.h"

namespace {

class EventObject : public platform::Waitable {
public:
    bool manual_reset = false;
    bool signaled = false;

protected:
    bool is_signaled() const override { return signaled; }
    // An auto-reset event lets one waiter through per signal.
    void satisfied() override {
        if (!manual_reset) signaled = false;
    }
};

std::shared_ptr<EventObject> lookup_event(HANDLE handle) {
    return platform::lookup_handle_as<EventObject>(handle);
}

}  // namespace

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName) {
    // Named events reach other processes; nothing here needs them.
    if (lpName) {
        platform::fail_with(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    auto event = std::make_shared<EventObject>();
    event->manual_reset = bManualReset != FALSE;
    event->signaled = bInitialState != FALSE;
    SetLastError(ERROR_SUCCESS);
    return platform::insert_handle(event);
}

BOOL WINAPI SetEvent(HANDLE hEvent) {
    auto event = lookup_event(hEvent);
    if (!event) return platform::fail_with(ERROR_INVALID_HANDLE);
    std::lock_guard<std::mutex> hold(event->lock);
    event->signaled = true;
    if (event->manual_reset)
        event->changed.notify_all();
    else
        event->changed.notify_one();
    return TRUE;
}

BOOL WINAPI ResetEvent(HANDLE hEvent) {
    auto event = lookup_event(hEvent);
    if (!event) return platform::fail_with(ERROR_INVALID_HANDLE);
    std::lock_guard<std::mutex> hold(event->lock);
    event->signaled = false;
    return TRUE;
}
