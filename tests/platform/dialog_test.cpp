// Dialogs: modality, closing, buttons and the dialog manager's keys.
#include <string>
#include <vector>

#include "conformance.h"
#include "platform/user/input.h"
#include "platform/user/window_view.h"
#include "window_fixture.h"

using platform::HeadlessHost;
using testing_support::conformance_module;

namespace {

struct Command {
    HWND dialog;
    WORD id;
    WORD code;
    int control_id;  // of the window lParam named, when the command came
};
std::vector<Command> commands;
bool main_enabled_while_modal = false;
HWND main_window = nullptr;

// Records commands; closes on WM_CLOSE the way the editor's dialogs do.
INT_PTR CALLBACK recording_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_COMMAND:
        // Menu items, buttons and keys; not the controls' other notifications.
        if (HIWORD(wparam) > 1) return TRUE;
        commands.push_back(Command{hwnd, LOWORD(wparam), HIWORD(wparam), GetDlgCtrlID(reinterpret_cast<HWND>(lparam))});
        if (main_window) main_enabled_while_modal = IsWindowEnabled(main_window);
        if (LOWORD(wparam) == IDC_PUSH && HIWORD(wparam) == 0) PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return TRUE;
    case WM_CLOSE: DefWindowProcA(hwnd, message, wparam, lparam); return TRUE;
    default: return FALSE;
    }
}

// Leaves WM_CLOSE to the dialog manager.
INT_PTR CALLBACK plain_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND && HIWORD(wparam) <= 1) {
        commands.push_back(Command{hwnd, LOWORD(wparam), HIWORD(wparam), GetDlgCtrlID(reinterpret_cast<HWND>(lparam))});
        if (LOWORD(wparam) == IDCANCEL) EndDialog(hwnd, 55);
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

class Dialogs : public testing_support::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        commands.clear();
        main_window = nullptr;
        main_enabled_while_modal = false;
    }
    INT_PTR run_modal(DLGPROC proc, HWND owner = nullptr) {
        return DialogBoxParamA(conformance_module(), MAKEINTRESOURCEA(IDD_CONFORMANCE), owner, proc, 0);
    }
    HWND create_plain(DLGPROC proc) {
        HWND hwnd = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_PLAIN), nullptr, proc, 0);
        ShowWindow(hwnd, SW_SHOW);
        return hwnd;
    }
};

TEST_F(Dialogs, ModalDialogWithoutOwnerLeavesTheMainWindowAndItsMenuUsable) {
    main_window = create_plain(recording_proc);
    ASSERT_NE(main_window, nullptr);
    host_.choose_menu_item(HeadlessHost::window("Plain"), IDM_ACT);
    host_.wait_until("the menu command arrived", [] { return !commands.empty(); });
    host_.click(HeadlessHost::item("Conformance", IDC_PUSH));
    run_modal(recording_proc);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].dialog, main_window);
    EXPECT_EQ(commands[0].id, IDM_ACT);
    EXPECT_EQ(commands[0].code, 0) << "a menu command has notification code 0";
    EXPECT_TRUE(main_enabled_while_modal);
}

TEST_F(Dialogs, ModalDialogWithAnOwnerDisablesItUntilItEnds) {
    main_window = create_plain(recording_proc);
    ASSERT_NE(main_window, nullptr);
    bool enabled_during = true;
    bool menu_taken = true;
    host_.check("try the owner", [&] {
        enabled_during = IsWindowEnabled(main_window);
        menu_taken = platform::input_choose_menu_item(main_window, IDM_ACT);
    });
    host_.close_window(HeadlessHost::window("Conformance"));
    run_modal(recording_proc, main_window);
    EXPECT_FALSE(enabled_during);
    EXPECT_FALSE(menu_taken);
    EXPECT_TRUE(commands.empty());
    EXPECT_TRUE(IsWindowEnabled(main_window));
}

TEST_F(Dialogs, DefWindowProcCloseDestroysTheDialogAndEndsItsModalRun) {
    HWND seen = nullptr;
    host_.check("find the dialog", [&] { seen = HeadlessHost::window("Conformance")(); });
    host_.close_window(HeadlessHost::window("Conformance"));
    EXPECT_EQ(run_modal(recording_proc), 0);
    EXPECT_NE(seen, nullptr);
    EXPECT_FALSE(IsWindow(seen));
}

TEST_F(Dialogs, DialogManagerTurnsTheCloseBoxIntoCancel) {
    host_.close_window(HeadlessHost::window("Conformance"));
    EXPECT_EQ(run_modal(plain_proc), 55);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].id, IDCANCEL);
}

TEST_F(Dialogs, ClickOnAPushButtonSendsItsIdWithCodeZero) {
    host_.click(HeadlessHost::item("Conformance", IDC_PUSH));
    run_modal(recording_proc);
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands[0].id, IDC_PUSH);
    EXPECT_EQ(commands[0].code, BN_CLICKED);
    EXPECT_EQ(commands[0].control_id, IDC_PUSH) << "lParam is the button";
}

TEST_F(Dialogs, EnterPressesTheDefaultButtonAndEscapeSendsCancel) {
    host_.press_key(VK_RETURN);
    host_.press_key(VK_ESCAPE);
    host_.click(HeadlessHost::item("Conformance", IDC_PUSH));
    run_modal(recording_proc);
    ASSERT_GE(commands.size(), 3u);
    EXPECT_EQ(commands[0].id, IDOK);
    EXPECT_EQ(commands[0].code, BN_CLICKED);
    EXPECT_EQ(commands[1].id, IDCANCEL);
}

TEST_F(Dialogs, WindowWithoutDialogKeyHandlingGetsNoCommandsFromKeys) {
    HWND plain = create_plain(recording_proc);
    SetFocus(GetDlgItem(plain, IDC_PANE));
    host_.press_key(VK_RETURN);
    host_.press_key(VK_ESCAPE);
    host_.press_key(VK_TAB);
    bool done = false;
    host_.then("stop", [&] { return done = true; });
    // A loop without IsDialogMessageA, as the editor's main loop is.
    pump_until([&] { return done; });
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(GetFocus(), GetDlgItem(plain, IDC_PANE)) << "Tab does not move the focus either";
}

TEST_F(Dialogs, TabMovesThroughTheTabStopsInOrder) {
    std::vector<int> focus_ids;
    auto note_focus = [&] { focus_ids.push_back(GetDlgCtrlID(GetFocus())); };
    host_.check("first focus", note_focus);
    host_.press_key(VK_TAB);
    host_.check("after Tab", note_focus);
    host_.press_key(VK_TAB, platform::kInputShift);
    host_.press_key(VK_TAB, platform::kInputShift);
    host_.check("after two Shift+Tab", note_focus);
    host_.click(HeadlessHost::item("Conformance", IDC_PUSH));
    run_modal(recording_proc);
    EXPECT_EQ(focus_ids, (std::vector<int>{IDC_FIELD, IDC_NUMBER, IDC_PUSH}));
}

TEST_F(Dialogs, EndDialogGivesTheResult) {
    host_.press_key(VK_ESCAPE);
    EXPECT_EQ(run_modal(plain_proc), 55);
}

// Windows keeps a dialog's focused control while another window is active
// and gives it the keys again when the dialog is active again.
TEST_F(Dialogs, OwnerHasItsFocusedControlBackWhenAModalDialogEnds) {
    for (bool owned : {true, false}) {
        HWND main = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_CONFORMANCE), nullptr, plain_proc, 0);
        ShowWindow(main, SW_SHOW);
        HWND number = GetDlgItem(main, IDC_NUMBER);
        SetFocus(number);
        host_.press_key(VK_ESCAPE);
        EXPECT_EQ(run_modal(plain_proc, owned ? main : nullptr), 55);
        EXPECT_EQ(GetActiveWindow(), main) << owned;
        EXPECT_EQ(GetFocus(), number) << owned;
        DestroyWindow(main);
    }
}

TEST_F(Dialogs, ActivationThatLeavesAndComesBackFindsTheFocusWhereItWas) {
    HWND main = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_CONFORMANCE), nullptr, plain_proc, 0);
    ShowWindow(main, SW_SHOW);
    HWND number = GetDlgItem(main, IDC_NUMBER);
    SetFocus(number);
    HWND plain = create_plain(plain_proc);
    EXPECT_EQ(GetFocus(), GetDlgItem(plain, IDC_PANE));
    EXPECT_TRUE(platform::input_activate(main));
    EXPECT_EQ(GetFocus(), number);
    // A window without the dialog manager: the keys leave the dialog with the activation.
    HWND other = CreateWindowExA(0, "Static", "Other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 20, nullptr, nullptr,
                                 nullptr, nullptr);
    EXPECT_EQ(GetActiveWindow(), other);
    EXPECT_EQ(GetFocus(), other);
    EXPECT_TRUE(platform::input_activate(main));
    EXPECT_EQ(GetFocus(), number);
}

// Our layer reads the whole text, however long (a number, many blanks, then
// a letter is no number; many leading zeros still give the number). Wine
// reads only its first characters; what Windows does is not known here, so
// this is no check of the Win32 behaviour but of our own rule.
TEST_F(Dialogs, DialogItemNumbersCountTheWholeText) {
    HWND dialog = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_CONFORMANCE), nullptr, plain_proc, 0);
    ASSERT_NE(dialog, nullptr);
    for (const std::string& text : {"1" + std::string(70, ' ') + "x", std::string(70, '0') + "7"}) {
        SetDlgItemTextA(dialog, IDC_FIELD, text.c_str());
        BOOL translated = 99;
        bool number = text.back() == '7';
        EXPECT_EQ(GetDlgItemInt(dialog, IDC_FIELD, &translated, FALSE), number ? 7u : 0u) << text.size() << " characters";
        EXPECT_EQ(translated, number ? TRUE : FALSE) << text.size() << " characters";
    }
}

TEST_F(Dialogs, ControlsStandAtTheirTemplateRectanglesInDialogUnits) {
    HWND dialog = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_CONFORMANCE), nullptr, plain_proc, 0);
    platform::WindowView view;
    ASSERT_TRUE(platform::view_window(GetDlgItem(dialog, IDC_NUMBER), &view));
    EXPECT_EQ(view.units_rect.left, 5);
    EXPECT_EQ(view.units_rect.top, 20);
    EXPECT_EQ(view.units_rect.right, 105);
    EXPECT_EQ(view.units_rect.bottom, 32);
    // As Windows places controls: position and size each mapped on their own.
    RECT mapped = {5, 20, 100, 12};
    MapDialogRect(dialog, &mapped);
    EXPECT_EQ(view.rect.left, mapped.left);
    EXPECT_EQ(view.rect.top, mapped.top);
    EXPECT_EQ(view.rect.right - view.rect.left, mapped.right);
    EXPECT_EQ(view.rect.bottom - view.rect.top, mapped.bottom);
    ASSERT_TRUE(platform::view_window(dialog, &view));
    EXPECT_EQ(view.font, "MS Sans Serif");
    EXPECT_EQ(view.point_size, 8);
}

}  // namespace
