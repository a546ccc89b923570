// Kernel objects WaitForSingleObject can wait for: threads and events.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/kernel/handles.h"

namespace platform {

class Waitable : public KernelObject {
public:
    // WAIT_OBJECT_0 once signaled (taking the signal where the object is
    // reset by a satisfied wait), WAIT_TIMEOUT when the time runs out.
    DWORD wait(DWORD milliseconds) {
        std::unique_lock<std::mutex> hold(lock);
        auto signaled = [this] { return is_signaled(); };
        if (milliseconds == INFINITE)
            changed.wait(hold, signaled);
        else if (!changed.wait_for(hold, std::chrono::milliseconds(milliseconds), signaled))
            return WAIT_TIMEOUT;
        satisfied();
        return WAIT_OBJECT_0;
    }

    std::mutex lock;
    std::condition_variable changed;

protected:
    // Both called with lock held.
    virtual bool is_signaled() const = 0;
    virtual void satisfied() {}
};

}  // namespace platform
