// Menus loaded from the resources, attached to windows, chosen by the user.
#include <string>
#include <vector>

#include "conformance.h"
#include "platform/user/input.h"
#include "platform/user/window_view.h"
#include "resources/resource.h"
#include "window_fixture.h"

using platform::HeadlessHost;
using testing_support::conformance_module;
using testing_support::program_module;

namespace {

std::vector<WORD> chosen;

INT_PTR CALLBACK menu_proc(HWND, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_COMMAND && HIWORD(wparam) == 0) chosen.push_back(LOWORD(wparam));
    return message == WM_INITDIALOG;
}

class Menus : public testing_support::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        chosen.clear();
    }
};

TEST_F(Menus, ProgramMenuReadsBackByPositionAndIdentifier) {
    HMENU menu = LoadMenuA(program_module(), MAKEINTRESOURCEA(IDR_MAIN_MENU));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 5);
    char text[64];
    GetMenuStringA(menu, 4, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&Links") << "the last popup of the bar";
    HMENU file = GetSubMenu(menu, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(GetMenuItemID(file, 0), static_cast<UINT>(IDM_SAVE_SECTOR));
    EXPECT_EQ(GetMenuItemID(menu, 0), static_cast<UINT>(-1)) << "a popup has no identifier";
    ASSERT_GT(GetMenuStringA(menu, IDM_SELECT_DISK, text, sizeof text, MF_BYCOMMAND), 0);
    EXPECT_STREQ(text, "Select &Disk");
    EXPECT_TRUE(DestroyMenu(menu));
    EXPECT_EQ(GetMenuItemCount(menu), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
}

TEST_F(Menus, ChoosingAnItemPostsItsCommandAndAGrayedItemCannotBeChosen) {
    HWND window = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_PLAIN), nullptr, menu_proc, 0);
    ShowWindow(window, SW_SHOW);
    ASSERT_NE(GetMenu(window), nullptr) << "the template's menu is attached";
    bool grayed_taken = true;
    host_.check("try the grayed item", [&] { grayed_taken = platform::input_choose_menu_item(window, IDM_GRAYED); });
    host_.choose_menu_item(HeadlessHost::window("Plain"), IDM_ACT);
    pump_until([] { return !chosen.empty(); });
    EXPECT_FALSE(grayed_taken);
    EXPECT_EQ(chosen, std::vector<WORD>{IDM_ACT});
    EnableMenuItem(GetMenu(window), IDM_GRAYED, MF_BYCOMMAND | MF_ENABLED);
    EXPECT_EQ(GetMenuState(GetMenu(window), IDM_GRAYED, MF_BYCOMMAND) & MF_GRAYED, 0u);
}

TEST_F(Menus, IconLoadsAndTheWindowKeepsItsSmallAndBigIcon) {
    HICON icon = LoadIconA(program_module(), MAKEINTRESOURCEA(IDI_ORVASSE));
    ASSERT_NE(icon, nullptr);
    const auto* images = platform::icon_images(icon);
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(images->size(), 2u);
    HWND window = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_PLAIN), nullptr, menu_proc, 0);
    EXPECT_EQ(SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon)), 0);
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    EXPECT_EQ(SendMessageA(window, WM_SETICON, ICON_SMALL, 0), reinterpret_cast<LRESULT>(icon)) << "gives the previous";
    EXPECT_EQ(SendMessageA(window, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));
    EXPECT_EQ(LoadIconA(program_module(), MAKEINTRESOURCEA(999)), nullptr);
}

}  // namespace
