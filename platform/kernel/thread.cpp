// CreateThread and waiting for a thread.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/kernel/handles.h"

namespace {

std::atomic<DWORD> next_thread_id{1};
thread_local DWORD this_thread_id = 0;

class ThreadObject : public platform::KernelObject {
public:
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    DWORD exit_code = STILL_ACTIVE;
    DWORD id = 0;
};

}  // namespace

DWORD WINAPI GetCurrentThreadId(void) {
    if (this_thread_id == 0) this_thread_id = next_thread_id++;
    return this_thread_id;
}

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                           DWORD dwCreationFlags, LPDWORD lpThreadId) {
    if (!lpStartAddress) {
        platform::fail_with(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (dwCreationFlags & CREATE_SUSPENDED) {
        platform::fail_with(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    auto thread = std::make_shared<ThreadObject>();
    thread->id = next_thread_id++;
    try {
        std::thread([thread, lpStartAddress, lpParameter] {
            this_thread_id = thread->id;
            DWORD code = lpStartAddress(lpParameter);
            std::lock_guard<std::mutex> hold(thread->lock);
            thread->done = true;
            thread->exit_code = code;
            thread->finished.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        platform::fail_with(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (lpThreadId) *lpThreadId = thread->id;
    return platform::insert_handle(thread);
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    auto thread = platform::lookup_handle_as<ThreadObject>(hHandle);
    if (!thread) {
        platform::fail_with(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    std::unique_lock<std::mutex> hold(thread->lock);
    auto is_done = [&] { return thread->done; };
    if (dwMilliseconds == INFINITE) {
        thread->finished.wait(hold, is_done);
        return WAIT_OBJECT_0;
    }
    return thread->finished.wait_for(hold, std::chrono::milliseconds(dwMilliseconds), is_done) ? WAIT_OBJECT_0
                                                                                                : WAIT_TIMEOUT;
}

BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
    auto thread = platform::lookup_handle_as<ThreadObject>(hThread);
    if (!thread) return platform::fail_with(ERROR_INVALID_HANDLE);
    if (!lpExitCode) return platform::fail_with(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::mutex> hold(thread->lock);
    *lpExitCode = thread->exit_code;
    return TRUE;
}
