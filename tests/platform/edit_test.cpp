// The EDIT control as the editor's panes and fields use it.
#include <string>

#include "conformance.h"
#include "platform/user/input.h"
#include "platform/user/window_view.h"
#include "window_fixture.h"

using platform::HeadlessHost;
using testing_support::conformance_module;

namespace {

INT_PTR CALLBACK quiet_proc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

class Edits : public testing_support::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        dialog_ = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_CONFORMANCE), nullptr, quiet_proc, 0);
        ShowWindow(dialog_, SW_SHOW);
    }
    HWND item(int id) { return GetDlgItem(dialog_, id); }
    std::string text(int id) {
        char buffer[256];
        GetDlgItemTextA(dialog_, id, buffer, sizeof buffer);
        return buffer;
    }
    std::pair<DWORD, DWORD> selection(HWND edit) {
        DWORD start = 0, end = 0;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }
    void run_script() {
        bool done = false;
        host_.then("stop", [&] { return done = true; });
        pump_until([&] { return done; });
    }
    HWND dialog_ = nullptr;
};

TEST_F(Edits, SelectionIsPackedStartLowEndHigh) {
    HWND edit = item(IDC_FIELD);
    SetWindowTextA(edit, "0123456789");
    SendMessageA(edit, EM_SETSEL, 7, 3);
    EXPECT_EQ(SendMessageA(edit, EM_GETSEL, 0, 0), MAKELONG(3, 7)) << "the smaller end comes first";
    EXPECT_EQ(selection(edit), std::make_pair(3u, 7u));
    platform::WindowView view;
    platform::view_window(edit, &view);
    EXPECT_EQ(view.caret, 3) << "the caret stands at the second argument";
    SendMessageA(edit, EM_SETSEL, 0, -1);
    EXPECT_EQ(selection(edit), std::make_pair(0u, 10u));
    SendMessageA(edit, EM_SETSEL, 4, 400);
    EXPECT_EQ(selection(edit), std::make_pair(4u, 10u)) << "clamped to the text";
}

TEST_F(Edits, ReplacingAOneCharacterSelectionPutsTheCaretAfterTheNewText) {
    HWND edit = item(IDC_READ_ONLY);
    SetWindowTextA(edit, "00 00 00");
    SendMessageA(edit, EM_SETSEL, 3, 4);
    SendMessageA(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("A"));
    EXPECT_EQ(text(IDC_READ_ONLY), "00 A0 00") << "a read-only edit still takes text from the program";
    EXPECT_EQ(selection(edit), std::make_pair(4u, 4u));
    SendMessageA(edit, EM_SETSEL, 6, 8);
    SendMessageA(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("4F"));
    EXPECT_EQ(text(IDC_READ_ONLY), "00 A0 4F");
    EXPECT_EQ(selection(edit), std::make_pair(8u, 8u));
}

TEST_F(Edits, SettingTheTextResetsTheSelection) {
    HWND edit = item(IDC_FIELD);
    SetWindowTextA(edit, "abcdef");
    SendMessageA(edit, EM_SETSEL, 2, 5);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("xyz"));
    EXPECT_EQ(selection(edit), std::make_pair(0u, 0u));
}

TEST_F(Edits, ReadOnlyEditIgnoresTypingButMovesItsCaret) {
    HWND edit = item(IDC_READ_ONLY);
    SetWindowTextA(edit, "abc\r\ndef");
    host_.click(HeadlessHost::handle(edit));
    host_.type_text("Z");
    host_.press_key(VK_RIGHT);
    host_.press_key(VK_DOWN);
    run_script();
    EXPECT_EQ(text(IDC_READ_ONLY), "abc\r\ndef");
    EXPECT_EQ(selection(edit), std::make_pair(6u, 6u)) << "right to 1, then down to line 1 column 1";
    host_.click_character(HeadlessHost::handle(edit), 2);
    run_script();
    EXPECT_EQ(selection(edit), std::make_pair(2u, 2u));
    EXPECT_EQ(GetFocus(), edit);
}

TEST_F(Edits, TypingReplacesTheSelectionAndBackspaceErases) {
    HWND edit = item(IDC_FIELD);
    host_.click(HeadlessHost::handle(edit));
    host_.type_text("hello\b\bp!");
    run_script();
    EXPECT_EQ(text(IDC_FIELD), "help!");
}

TEST_F(Edits, DigitsOnlyFieldRefusesOtherCharacters) {
    HWND edit = item(IDC_NUMBER);
    host_.click(HeadlessHost::handle(edit));
    host_.type_text("1a2-3 ");
    run_script();
    EXPECT_EQ(text(IDC_NUMBER), "123");
}

// A dialog that keeps the notification codes its controls send.
std::vector<WORD> notifications;
INT_PTR CALLBACK noting_proc(HWND, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_COMMAND) notifications.push_back(HIWORD(wparam));
    return message == WM_INITDIALOG;
}

TEST_F(Edits, MultiLineEditWithoutAutoScrollRefusesMoreLinesThanItShows) {
    notifications.clear();
    HWND dialog = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_CONFORMANCE), nullptr, noting_proc, 0);
    HWND edit = GetDlgItem(dialog, IDC_READ_ONLY);
    RECT area = {};
    GetClientRect(edit, &area);
    auto text_of_lines = [](int lines) {
        std::string text = "a";
        for (int l = 1; l < lines; ++l) text += "\r\na";
        return text;
    };
    // The program's own text is never refused; a change is, once the text
    // has more lines than the edit shows.
    auto takes_a_change_with = [&](int lines) {
        SetWindowTextA(edit, text_of_lines(lines).c_str());
        SendMessageA(edit, EM_SETSEL, 0, 0);
        SendMessageA(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("b"));
        char first[2] = {};
        GetWindowTextA(edit, first, sizeof first);
        return first[0] == 'b';
    };
    int lines = 1;
    while (lines < 50 && takes_a_change_with(lines)) ++lines;
    ASSERT_LT(lines, 50) << "some number of lines is more than it shows";
    ASSERT_GT(lines, 2);
    std::string full = text_of_lines(lines);
    notifications.clear();
    SendMessageA(edit, EM_SETSEL, 3, 4);
    SendMessageA(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("Z"));
    char buffer[512] = {};
    GetWindowTextA(edit, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer), full);
    EXPECT_EQ(selection(edit), std::make_pair(3u, 3u)) << "the caret stays at the start of the selection";
    EXPECT_EQ(notifications, std::vector<WORD>{EN_MAXTEXT});
    // Taller, or with ES_AUTOVSCROLL, it takes the change.
    MoveWindow(edit, 0, 0, area.right, area.bottom * 2, TRUE);
    SendMessageA(edit, EM_SETSEL, 3, 4);
    SendMessageA(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("Z"));
    GetWindowTextA(edit, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer).substr(0, 4), "a\r\nZ");
    MoveWindow(edit, 0, 0, area.right, area.bottom, TRUE);
    SetWindowLongPtrA(edit, GWL_STYLE, GetWindowLongPtrA(edit, GWL_STYLE) | ES_AUTOVSCROLL);
    SendMessageA(edit, EM_SETSEL, 0, 1);
    SendMessageA(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("Y"));
    GetWindowTextA(edit, buffer, sizeof buffer);
    EXPECT_EQ(buffer[0], 'Y');
    DestroyWindow(dialog);
}

// With ORVASSE_TRACE set, a message of the control's own that it does not
// know is said once, as Wine's fixme lines do; it still answers 0.
TEST_F(Edits, AMessageTheControlDoesNotKnowIsSaidOnceWhenTraced) {
    setenv("ORVASSE_TRACE", "1", 1);
    testing::internal::CaptureStderr();
    const UINT unknown = 0x00D9;  // EM_GETIMESTATUS: no pane asks it
    EXPECT_EQ(SendMessageA(item(IDC_FIELD), unknown, 0, 0), 0);
    EXPECT_EQ(SendMessageA(item(IDC_FIELD), unknown, 0, 0), 0);
    EXPECT_EQ(SendMessageA(item(IDC_FIELD), EM_GETLINECOUNT, 0, 0), 1) << "what it knows, it answers";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "fixme:edit: message 0xd9 not implemented\n");
}

}  // namespace
