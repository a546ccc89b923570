// MessageBoxA: shown by the host, from any thread, modal to its owner.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "conformance.h"
#include "platform/user/input.h"
#include "window_fixture.h"

using testing_support::conformance_module;

namespace {

class MessageBoxes : public testing_support::WindowTest {};

INT_PTR CALLBACK quiet_proc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

TEST_F(MessageBoxes, ReachTheHostWithOwnerTextCaptionAndButtonsAndGiveItsAnswer) {
    HWND owner = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_PLAIN), nullptr, quiet_proc, 0);
    ShowWindow(owner, SW_SHOW);
    bool owner_enabled = true;
    host_.check("look at the owner", [&] { owner_enabled = IsWindowEnabled(owner); });
    host_.answer_message_box(IDNO);
    EXPECT_EQ(MessageBoxA(owner, "Save changes?", "Question", MB_YESNO), IDNO);
    auto seen = host_.message_boxes();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].owner, owner);
    EXPECT_EQ(seen[0].text, "Save changes?");
    EXPECT_EQ(seen[0].caption, "Question");
    EXPECT_EQ(seen[0].type, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(seen[0].answer, IDNO);
    EXPECT_FALSE(owner_enabled) << "the owner waits for the box";
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(MessageBoxes, ShownFromAnotherThreadIsAnsweredWhileTheUserInterfaceWaits) {
    DWORD ui = GetCurrentThreadId();
    DWORD worker_id = 0;
    int answer = 0;
    std::atomic<bool> posted{false};
    std::thread worker([&] {
        worker_id = GetCurrentThreadId();
        answer = MessageBoxA(NULL, "Error reading disk", "Error", MB_OK);
        PostThreadMessageA(ui, WM_APP, 0, 0);
        posted = true;
    });
    host_.answer_message_box(IDOK);
    // The user-interface thread waits on: for the worker, not for the user.
    host_.wait_until("the worker has posted", [&] { return posted.load(); });
    MSG msg;
    do {
        ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    } while (msg.message != WM_APP);
    worker.join();
    EXPECT_EQ(answer, IDOK);
    ASSERT_EQ(host_.message_boxes().size(), 1u);
    EXPECT_EQ(host_.message_boxes()[0].thread, worker_id);
    EXPECT_NE(worker_id, ui);
}

TEST_F(MessageBoxes, MissingCaptionShowsError) {
    host_.answer_message_box(IDOK);
    MessageBoxA(NULL, "text", NULL, MB_OK);
    EXPECT_EQ(host_.message_boxes().at(0).caption, "Error");
}

TEST_F(MessageBoxes, KeysDoNotReachTheFocusedWindowBehindTheBox) {
    HWND dialog = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_CONFORMANCE), nullptr, quiet_proc, 0);
    ShowWindow(dialog, SW_SHOW);
    SetFocus(GetDlgItem(dialog, IDC_FIELD));
    bool typed = true;
    host_.check("type at the box", [&] { typed = platform::input_key('X', 0, 'x'); });
    host_.answer_message_box(IDOK);
    MessageBoxA(NULL, "Busy", "Test", MB_OK);
    char text[8];
    GetDlgItemTextA(dialog, IDC_FIELD, text, sizeof text);
    EXPECT_FALSE(typed);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_FIELD)) << "the focus comes back when the box closes";
}

TEST_F(MessageBoxes, TheOwnersFocusedControlHasTheKeysAgainAfterTheAnswer) {
    HWND dialog = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_CONFORMANCE), nullptr, quiet_proc, 0);
    ShowWindow(dialog, SW_SHOW);
    HWND number = GetDlgItem(dialog, IDC_NUMBER);  // not the first tab stop
    SetFocus(number);
    HWND during = number;
    host_.check("look at the focus", [&] { during = GetFocus(); });
    host_.answer_message_box(IDNO);
    host_.answer_message_box(IDOK);
    MessageBoxA(dialog, "Save changes?", "Question", MB_YESNO);
    EXPECT_EQ(during, nullptr) << "the box has the keys";
    EXPECT_EQ(GetFocus(), number);
    MessageBoxA(dialog, "Error accessing contents of sector", "Data Error", MB_OK);
    EXPECT_EQ(GetFocus(), number) << "a second box in a row";
    EXPECT_EQ(GetActiveWindow(), dialog);
    host_.type_text("7");
    pump_until([&] { return GetWindowTextLengthA(number) > 0; });
    char text[8];
    GetDlgItemTextA(dialog, IDC_NUMBER, text, sizeof text);
    EXPECT_STREQ(text, "7");
    // A window without the dialog manager has its control back as well.
    HWND plain = CreateWindowExA(0, "Static", "Plain", WS_POPUP | WS_VISIBLE, 0, 0, 80, 40, nullptr, nullptr, nullptr,
                                 nullptr);
    HWND edit = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE, 0, 0, 60, 12, plain, nullptr, nullptr, nullptr);
    SetFocus(edit);
    host_.answer_message_box(IDOK);
    MessageBoxA(plain, "Busy", "Test", MB_OK);
    EXPECT_EQ(GetFocus(), edit);
}

TEST(MessageBoxWithoutHost, FailsWithZero) {
    platform::install_host(nullptr);
    EXPECT_EQ(MessageBoxA(NULL, "nobody sees this", "Test", MB_OK), 0);
}

TEST(MessageBoxDeathTest, ScriptThatRanOutEndsTheTestWithAReason) {
    EXPECT_DEATH(
        {
            platform::HeadlessHost host;
            platform::install_host(&host);
            MessageBoxA(NULL, "Error accessing contents of sector", "Data Error", MB_OK);
        },
        "script ran out.*Error accessing contents of sector");
}

}  // namespace
