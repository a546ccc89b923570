// The COMBOBOX control as the disk list uses it.
#include <string>

#include "conformance.h"
#include "platform/user/window_view.h"
#include "window_fixture.h"

using platform::HeadlessHost;
using testing_support::conformance_module;

namespace {

std::vector<WORD> notifications;

INT_PTR CALLBACK list_proc(HWND, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wparam) == IDC_LIST) notifications.push_back(HIWORD(wparam));
    return message == WM_INITDIALOG;
}

class Combos : public testing_support::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        notifications.clear();
        dialog_ = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_CONFORMANCE), nullptr, list_proc, 0);
        ShowWindow(dialog_, SW_SHOW);
        list_ = GetDlgItem(dialog_, IDC_LIST);
    }
    std::string field() {
        char buffer[64];
        GetDlgItemTextA(dialog_, IDC_LIST, buffer, sizeof buffer);
        return buffer;
    }
    std::vector<std::string> entries() {
        std::vector<std::string> out;
        int count = static_cast<int>(SendMessageA(list_, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char buffer[64];
            SendMessageA(list_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer));
            out.push_back(buffer);
        }
        return out;
    }
    LRESULT add(const char* text) { return SendMessageA(list_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)); }
    HWND dialog_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(Combos, SortedListKeepsLogicalBeforePhysicalAndLettersAndDigitsInOrder) {
    EXPECT_EQ(add("Logical C:"), 0);
    EXPECT_EQ(add("Logical D:"), 1);
    EXPECT_EQ(add("Physical 0"), 2);
    EXPECT_EQ(add("Physical 1"), 3);
    EXPECT_EQ(add("logical a:"), 0) << "the order ignores case";
    EXPECT_EQ(add("Logical Z:"), 3);
    EXPECT_EQ(entries(),
              (std::vector<std::string>{"logical a:", "Logical C:", "Logical D:", "Logical Z:", "Physical 0", "Physical 1"}));
}

TEST_F(Combos, SettingTheSelectionFillsTheField) {
    add("Logical C:");
    add("Physical 0");
    EXPECT_EQ(SendMessageA(list_, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(list_, CB_SETCURSEL, 1, 0), 1);
    EXPECT_EQ(field(), "Physical 0");
    EXPECT_EQ(SendMessageA(list_, CB_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(notifications.empty()) << "a selection set by the program is not reported";
    EXPECT_EQ(SendMessageA(list_, CB_SETCURSEL, 5, 0), CB_ERR);
    EXPECT_EQ(field(), "");
}

TEST_F(Combos, ChoosingAnEntryReportsTheChange) {
    add("Logical C:");
    add("Logical D:");
    host_.choose_combo_item(HeadlessHost::handle(list_), 1);
    bool done = false;
    host_.then("stop", [&] { return done = true; });
    pump_until([&] { return done; });
    EXPECT_EQ(field(), "Logical D:");
    ASSERT_FALSE(notifications.empty());
    EXPECT_EQ(notifications.front(), CBN_SELCHANGE);
}

TEST_F(Combos, TheFieldTakesTypedText) {
    add("Logical C:");
    SendMessageA(list_, CB_SETCURSEL, 0, 0);
    host_.click(HeadlessHost::handle(list_));
    host_.type_text("Physical 3");
    bool done = false;
    host_.then("stop", [&] { return done = true; });
    pump_until([&] { return done; });
    EXPECT_EQ(field(), "Physical 3") << "the selected text was typed over";
}

}  // namespace
