// Message queues and loops: posting, sending across threads, quit requests
// and the modal waits that must keep serving other threads.
#include <atomic>
#include <thread>
#include <vector>

#include "conformance.h"
#include "platform/user/queue.h"
#include "window_fixture.h"

using testing_support::conformance_module;

namespace {

std::vector<UINT> seen;  // messages the dialog procedure handled, in order
std::atomic<DWORD> served_on{0};

INT_PTR CALLBACK posting_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        seen.push_back(WM_INITDIALOG);
        PostMessageA(hwnd, WM_APP + 1, 0, 0);
        PostMessageA(hwnd, WM_APP + 2, 0, 0);
        return TRUE;
    case WM_APP + 1:
    case WM_APP + 2: seen.push_back(message); return TRUE;
    case WM_APP + 3:
        served_on = GetCurrentThreadId();
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 77);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDCANCEL) EndDialog(hwnd, 0);
        return TRUE;
    case WM_CLOSE: EndDialog(hwnd, 0); return TRUE;
    default: return FALSE;
    }
}

class Messages : public testing_support::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        seen.clear();
        served_on = 0;
    }
    HWND plain() {
        return CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_PLAIN), nullptr, posting_proc, 0);
    }
};

TEST_F(Messages, NestedLoopThatConsumesQuitLeavesTheOuterLoopWaiting) {
    HWND dialog = plain();
    ASSERT_NE(dialog, nullptr);
    host_.then("end the inner loop", [] {
        PostQuitMessage(0);
        return true;
    });
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) DispatchMessageA(&msg);
    // Nothing is left for the outer loop: it would wait, so the program has
    // to find out by itself that it should end.
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    bool outer_waited = false;
    host_.then("see the outer loop wait", [&] {
        outer_waited = true;
        PostMessageA(nullptr, WM_APP, 0, 0);
        return true;
    });
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_TRUE(outer_waited);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_APP));
}

TEST_F(Messages, SendFromAnotherThreadIsServedDuringAMessageBox) {
    HWND dialog = plain();
    ASSERT_NE(dialog, nullptr);
    std::atomic<LRESULT> result{0};
    std::thread worker;
    host_.check("start a worker that sends to the dialog", [&] {
        worker = std::thread([&] { result = SendMessageA(dialog, WM_APP + 3, 0, 0); });
    });
    host_.wait_until("the send was served", [&] { return served_on != 0; });
    host_.answer_message_box(IDOK);
    EXPECT_EQ(MessageBoxA(dialog, "Waiting", "Test", MB_OK), IDOK);
    worker.join();
    EXPECT_EQ(served_on.load(), GetCurrentThreadId());
    EXPECT_EQ(result.load(), 77) << "DWLP_MSGRESULT is the reply";
}

TEST_F(Messages, SendFromAnotherThreadIsServedDuringAModalDialog) {
    HWND target = plain();
    ASSERT_NE(target, nullptr);
    std::thread worker;
    host_.check("start a worker that sends", [&] {
        worker = std::thread([&] { SendMessageA(target, WM_APP + 3, 0, 0); });
    });
    host_.wait_until("the send was served", [&] { return served_on != 0; });
    host_.close_window(platform::HeadlessHost::window("Conformance"));
    DialogBoxParamA(conformance_module(), MAKEINTRESOURCEA(IDD_CONFORMANCE), nullptr, posting_proc, 0);
    worker.join();
    EXPECT_EQ(served_on.load(), GetCurrentThreadId());
}

TEST_F(Messages, PostFromAnotherThreadWakesTheLoop) {
    HWND dialog = plain();
    ASSERT_NE(dialog, nullptr);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    std::thread worker;
    std::atomic<bool> posted{false};
    host_.check("start a worker that posts", [&] {
        worker = std::thread([&] {
            PostMessageA(dialog, WM_APP + 1, 0, 0);
            posted = true;
        });
    });
    host_.wait_until("the worker has posted", [&] { return posted.load(); });
    pump_until([&] { return seen.back() == WM_APP + 1; });
    worker.join();
    EXPECT_EQ(seen, (std::vector<UINT>{WM_INITDIALOG, WM_APP + 1}));
}

TEST_F(Messages, TranslateMessagePostsTheCharacterOfAKey) {
    HWND dialog = plain();
    ASSERT_NE(dialog, nullptr);
    HWND pane = GetDlgItem(dialog, IDC_PANE);
    SetFocus(pane);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    host_.press_key_with_character('Q', 1, 'Q');
    std::vector<UINT> order;
    std::vector<WPARAM> chars;
    while (order.size() < 3) {
        ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
        order.push_back(msg.message);
        if (msg.message == WM_CHAR) chars.push_back(msg.wParam);
        EXPECT_EQ(msg.hwnd, pane);
        TranslateMessage(&msg);
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
    EXPECT_EQ(chars, std::vector<WPARAM>{'Q'});
}

}  // namespace
