#include "window_fixture.h"

#include "conformance_res.h"
#include "platform/user/queue.h"
#include "platform/user/resource.h"
#include "platform/user/window_view.h"
#include "resources/embedded_res.h"

namespace testing_support {

HINSTANCE conformance_module() {
    static HINSTANCE module = register_embedded_module(0x00500000, conformance_res_begin, conformance_res_end);
    return module;
}

HINSTANCE program_module() { return embedded_program_module(); }

void WindowTest::SetUp() {
    conformance_module();
    program_module();
    platform::install_host(&host_);
}

void clear_windows_and_messages() {
    for (HWND hwnd : platform::top_level_windows())
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

void WindowTest::TearDown() {
    clear_windows_and_messages();
    platform::install_host(nullptr);
    EXPECT_EQ(host_.unused_steps(), 0u) << "a step of the script never ran";
}

void WindowTest::pump_until(const std::function<bool()>& done) {
    platform::ThreadQueue& queue = platform::current_queue();
    while (!done()) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        platform::wait_for_messages(queue, platform::WaitContext{});
    }
}

}  // namespace testing_support
