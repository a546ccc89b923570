// The BUTTON control: radio groups and checks.
#include "conformance.h"
#include "platform/user/input.h"
#include "window_fixture.h"

using platform::HeadlessHost;
using testing_support::conformance_module;

namespace {

std::vector<WORD> clicked;

INT_PTR CALLBACK button_proc(HWND, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED) clicked.push_back(LOWORD(wparam));
    return message == WM_INITDIALOG;
}

class Buttons : public testing_support::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        clicked.clear();
        dialog_ = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_CONFORMANCE), nullptr, button_proc, 0);
        ShowWindow(dialog_, SW_SHOW);
    }
    HWND dialog_ = nullptr;
};

TEST_F(Buttons, AutomaticRadioButtonsCheckOneOfTheirGroup) {
    EXPECT_TRUE(CheckDlgButton(dialog_, IDC_RADIO_A, BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog_, IDC_RADIO_A), static_cast<UINT>(BST_CHECKED));
    host_.click(HeadlessHost::item("Conformance", IDC_RADIO_B));
    bool done = false;
    host_.then("stop", [&] { return done = true; });
    pump_until([&] { return done; });
    EXPECT_EQ(IsDlgButtonChecked(dialog_, IDC_RADIO_B), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog_, IDC_RADIO_A), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(clicked, std::vector<WORD>{IDC_RADIO_B});
    EXPECT_EQ(IsDlgButtonChecked(dialog_, IDC_PUSH), static_cast<UINT>(BST_UNCHECKED)) << "push buttons have no check";
}

TEST_F(Buttons, PressReleasedOutsideTheButtonIsWithdrawn) {
    HWND push = GetDlgItem(dialog_, IDC_PUSH);
    host_.then("press and release elsewhere", [&] {
        return platform::input_button_down(push, POINT{2, 2}, 0) && platform::input_button_up(push, POINT{-40, 300}, 0);
    });
    host_.click(HeadlessHost::item("Conformance", IDC_RADIO_A));
    bool done = false;
    host_.then("stop", [&] { return done = true; });
    pump_until([&] { return done; });
    EXPECT_EQ(clicked, std::vector<WORD>{IDC_RADIO_A}) << "only the radio button was clicked";
}

TEST_F(Buttons, DisabledButtonTakesNoClick) {
    EnableWindow(GetDlgItem(dialog_, IDC_PUSH), FALSE);
    bool taken = true;
    host_.check("click the disabled button",
                [&] { taken = platform::input_click(GetDlgItem(dialog_, IDC_PUSH), POINT{2, 2}, 0); });
    bool done = false;
    host_.then("stop", [&] { return done = true; });
    pump_until([&] { return done; });
    EXPECT_FALSE(taken);
    EXPECT_TRUE(clicked.empty());
}

}  // namespace
