// GetVersionExA and CreateThread.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <atomic>
#include <cstring>

#include "platform/control.h"
#include "platform/win32.h"

namespace {

TEST(KernelVersion, ReportsTheNtFamilyUnlessTold) {
    platform::emulate_windows_nt();
    OSVERSIONINFOA info;
    memset(&info, 0xCC, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(info.dwOSVersionInfoSize, 148u);
    EXPECT_EQ(info.szCSDVersion[0], '\0');

    platform::emulate_windows_9x(2222);
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
    EXPECT_EQ(info.dwBuildNumber & 0xFFFF, 2222u);
    EXPECT_EQ(info.dwMajorVersion, 4u);
    platform::emulate_windows_nt();
}

TEST(KernelVersion, RefusesAStructureOfTheWrongSize) {
    OSVERSIONINFOA info;
    info.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(GetVersionExA(&info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

DWORD WINAPI count_up(LPVOID parameter) {
    auto* counter = static_cast<std::atomic<int>*>(parameter);
    for (int i = 0; i < 1000; ++i) ++*counter;
    return 42;
}

TEST(KernelThread, RunsARealThreadAndGivesItsExitCode) {
    std::atomic<int> counter{0};
    DWORD id = 0;
    HANDLE thread = CreateThread(NULL, 0, count_up, &counter, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, GetCurrentThreadId());
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(counter.load(), 1000);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_TRUE(CloseHandle(thread));
}

// Static: a thread whose handle is closed may outlive the test body.
std::atomic<bool> released{false};
std::atomic<int> finished{0};

DWORD WINAPI wait_for_release(LPVOID) {
    while (!released.load()) {
    }
    ++finished;
    return 0;
}

TEST(KernelThread, KeepsRunningAfterItsHandleIsClosed) {
    HANDLE thread = CreateThread(NULL, 0, wait_for_release, NULL, 0, NULL);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 10), static_cast<DWORD>(WAIT_TIMEOUT));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
    HANDLE second = CreateThread(NULL, 0, wait_for_release, NULL, 0, NULL);
    EXPECT_TRUE(CloseHandle(second));  // nothing waits for this one
    released = true;
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(thread);
    while (finished.load() < 2) {
    }
}

TEST(KernelTime, TickCountGoesOnInMilliseconds) {
    DWORD before = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    DWORD elapsed = GetTickCount() - before;  // unsigned: right across the wrap too
    EXPECT_GE(elapsed, 30u);
    EXPECT_LT(elapsed, 5000u);
}

}  // namespace
