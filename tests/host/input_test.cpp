// The user's actions on the Qt widgets reach the window system, and only it:
// keys, clicks on controls and characters, the menu, the combo box's list,
// the scroll bar's arrows, the close box and bringing a window forward.
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <algorithm>
#include <vector>

#include "conformance.h"
#include "platform/user/window_view.h"
#include "qt_fixture.h"
#include "resources/resource.h"
#include "window_fixture.h"

using platform::qt::ControlWidget;
using testing_support::conformance_module;
using testing_support::program_module;

namespace {

struct Command {
    HWND dialog;
    WORD id;
    WORD code;
    HWND control;
};
std::vector<Command> commands;
std::vector<WORD> scrolls;

INT_PTR CALLBACK recording_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_COMMAND:
        commands.push_back(Command{hwnd, LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam)});
        return TRUE;
    case WM_HSCROLL: scrolls.push_back(LOWORD(wparam)); return TRUE;
    case WM_CLOSE: DestroyWindow(hwnd); return TRUE;
    default: return FALSE;
    }
}

bool has_command(WORD id, WORD code) {
    for (const Command& command : commands)
        if (command.id == id && command.code == code) return true;
    return false;
}

std::string text_of(HWND hwnd) {
    char text[256];
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

class Input : public testing_support::QtHostTest {
protected:
    void SetUp() override {
        QtHostTest::SetUp();
        commands.clear();
        scrolls.clear();
    }
    HWND create(HINSTANCE module, int id) {
        HWND hwnd = CreateDialogParamA(module, MAKEINTRESOURCEA(id), nullptr, recording_proc, 0);
        EXPECT_NE(hwnd, nullptr);
        ShowWindow(hwnd, SW_SHOW);
        settle();
        return hwnd;
    }
    // A click of the left button at a point of a control, as Qt delivers it.
    void click(ControlWidget* control, QPoint at, Qt::KeyboardModifiers modifiers = {}) {
        ASSERT_NE(control, nullptr);
        QTest::mouseClick(control->parentWidget(), Qt::LeftButton, modifiers, control->pos() + at);
    }
    void click(ControlWidget* control) { click(control, control->rect().center()); }
};

TEST_F(Input, TypingIntoAnEditChangesTheWindowSystemsTextAndNotQts) {
    HWND dialog = create(conformance_module(), IDD_CONFORMANCE);
    HWND field = GetDlgItem(dialog, IDC_FIELD);
    ASSERT_EQ(GetFocus(), field);
    platform::qt::TopWindow* top = window(dialog);
    QTest::keyClicks(top, "Ab1 x");
    QTest::keyClick(top, Qt::Key_Backspace);
    QTest::keyClick(top, Qt::Key_Exclam, Qt::ShiftModifier);
    EXPECT_TRUE(pump_until([&] { return text_of(field) == "Ab1 !"; })) << text_of(field);
    settle();
    EXPECT_EQ(control(dialog, IDC_FIELD)->view().text, "Ab1 !") << "the widget shows what the window system has";
    // Tab goes to the dialog manager, which moves the focus; Qt's focus stays put.
    QTest::keyClick(top, Qt::Key_Tab);
    HWND number = GetDlgItem(dialog, IDC_NUMBER);
    EXPECT_TRUE(pump_until([&] { return GetFocus() == number; }));
    // The keypad's digits are digits; a digits-only field refuses letters.
    QTest::keyClick(top, Qt::Key_7, Qt::KeypadModifier);
    QTest::keyClick(top, Qt::Key_Q);
    QTest::keyClick(top, Qt::Key_2);
    EXPECT_TRUE(pump_until([&] { return text_of(number) == "72"; })) << text_of(number);
    EXPECT_EQ(QApplication::focusWidget(), nullptr) << "no Qt widget takes the keyboard";
}

TEST_F(Input, KeysReachTheAcceleratorsAsVirtualKeysWithTheirModifiers) {
    HWND dialog = create(conformance_module(), IDD_PLAIN);
    HACCEL keys = LoadAcceleratorsA(conformance_module(), MAKEINTRESOURCEA(IDR_TEST_KEYS));
    ASSERT_NE(keys, nullptr);
    platform::qt::TopWindow* top = window(dialog);
    QTest::keyClick(top, Qt::Key_A);
    QTest::keyClick(top, Qt::Key_A, Qt::ShiftModifier);
    QTest::keyClick(top, Qt::Key_1, Qt::KeypadModifier);  // VK_NUMPAD1: not the "1" entry
    QTest::keyClick(top, Qt::Key_1);
    MSG msg;
    pump_until([&] {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!TranslateAcceleratorA(dialog, keys, &msg)) dispatch(msg);
        return commands.size() >= 3;
    });
    settle();
    std::vector<WORD> ids;
    for (const Command& command : commands)
        if (command.code == 1) ids.push_back(command.id);
    EXPECT_EQ(ids, (std::vector<WORD>{IDM_LETTER_A, IDM_SHIFT_A, IDM_ONE}));
}

// Keys outside the key table still type: the character as Windows-1252, '?'
// where the code page has none, and never an accelerator.
TEST_F(Input, CharactersWithoutAKeyOfTheirOwnAreTypedInTheCodePage) {
    HWND dialog = create(conformance_module(), IDD_CONFORMANCE);
    HWND field = GetDlgItem(dialog, IDC_FIELD);
    ASSERT_EQ(GetFocus(), field);
    HACCEL keys = LoadAcceleratorsA(conformance_module(), MAKEINTRESOURCEA(IDR_TEST_KEYS));
    platform::qt::TopWindow* top = window(dialog);
    auto type = [top](int key, const char* text) {
        QTest::sendKeyEvent(QTest::Click, top, static_cast<Qt::Key>(key), QString::fromUtf8(text), Qt::NoModifier);
    };
    type(Qt::Key_Eacute, "\u00E9");
    type(Qt::Key_ssharp, "\u00DF");
    type(0x141, "\u0141");  // L with stroke: not in Windows-1252
    type(0x416, "\u0436");  // Cyrillic zhe
    type(Qt::Key_unknown, "\u00E4");
    type(0, "\u00F6");
    type(Qt::Key_unknown, "1");  // no "1" key: not the accelerator's
    type(Qt::Key_A, "\u00E1");  // Qt names a key, the character is no US key's
    type(Qt::Key_unknown, "\U0001F600");  // beyond 16 bits
    MSG msg;
    pump_until([&] {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!TranslateAcceleratorA(dialog, keys, &msg)) dispatch(msg);
        return text_of(field).size() >= 9;
    });
    EXPECT_EQ(text_of(field), "\xE9\xDF??\xE4\xF6" "1\xE1?");
    EXPECT_FALSE(has_command(IDM_ONE, 1));
    EXPECT_FALSE(has_command(IDM_LETTER_A, 1));
    // A combo box's field takes them as an edit does.
    HWND list = GetDlgItem(dialog, IDC_LIST);
    SetFocus(list);
    type(Qt::Key_Eacute, "\u00C9");
    EXPECT_TRUE(pump_until([&] { return text_of(list) == "\xC9"; })) << text_of(list);
}

TEST_F(Input, AClickOnAPushButtonGivesTheDialogItsCommandWithCodeZero) {
    HWND dialog = create(conformance_module(), IDD_CONFORMANCE);
    ControlWidget* push = control(dialog, IDC_PUSH);
    click(push);
    ASSERT_TRUE(pump_until([] { return has_command(IDC_PUSH, 0); }));
    const Command& command = commands.back();
    EXPECT_EQ(command.dialog, dialog);
    EXPECT_EQ(command.control, GetDlgItem(dialog, IDC_PUSH));
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_PUSH)) << "a clicked button takes the focus";
    // A disabled button takes no click; a group of radio buttons checks the one clicked.
    EnableWindow(GetDlgItem(dialog, IDC_PUSH), FALSE);
    commands.clear();
    click(push);
    click(control(dialog, IDC_RADIO_B));
    ASSERT_TRUE(pump_until([&] { return IsDlgButtonChecked(dialog, IDC_RADIO_B) == BST_CHECKED; }));
    EXPECT_FALSE(has_command(IDC_PUSH, 0));
    settle();
    EXPECT_EQ(control(dialog, IDC_RADIO_B)->view().check, static_cast<UINT>(BST_CHECKED));
}

TEST_F(Input, AClickIntoAnEditPlacesTheCaretAtTheCharacterDrawnThere) {
    HWND dialog = create(conformance_module(), IDD_PLAIN);  // Fixedsys: a multi-line pane on a grid
    HWND pane = GetDlgItem(dialog, IDC_PANE);
    SetWindowTextA(pane, "0123\r\nabcdefgh\r\nxy");
    settle();
    ControlWidget* widget = control(dialog, IDC_PANE);
    // Into the left half of "e" (position 10), then the right half of "f": the nearest boundary.
    QPointF e = widget->caret_point(10);
    QPointF g = widget->caret_point(12);
    click(widget, QPoint(static_cast<int>(e.x()) + 2, static_cast<int>(e.y()) + 3));
    ASSERT_TRUE(pump_until([&] { return SendMessageA(pane, EM_GETSEL, 0, 0) == MAKELONG(10, 10); }));
    click(widget, QPoint(static_cast<int>(g.x()) - 2, static_cast<int>(g.y()) + 3));
    ASSERT_TRUE(pump_until([&] { return SendMessageA(pane, EM_GETSEL, 0, 0) == MAKELONG(12, 12); }));
    // Past the end of a line: its end.
    QPointF y = widget->caret_point(17);
    click(widget, QPoint(widget->width() - 2, static_cast<int>(y.y()) + 3));
    ASSERT_TRUE(pump_until([&] { return SendMessageA(pane, EM_GETSEL, 0, 0) == MAKELONG(18, 18); }));
    settle();
    // The caret is drawn where the click put it: one column of the text's colour, a line high.
    QPointF at = widget->caret_point(18);
    QImage picture = widget->grab().toImage();
    QColor ink = widget->palette().color(QPalette::Text);
    auto full_column = [&](int x) {
        for (int row = static_cast<int>(at.y()); row < static_cast<int>(at.y()) + window(dialog)->metrics().height(); ++row)
            if (picture.pixelColor(x, row) != ink) return false;
        return true;
    };
    EXPECT_TRUE(full_column(static_cast<int>(at.x())));
    EXPECT_FALSE(full_column(static_cast<int>(at.x()) + 3));
}

TEST_F(Input, AClickIntoASingleLineEditInTheSystemFont) {
    HWND dialog = create(conformance_module(), IDD_CONFORMANCE);
    HWND field = GetDlgItem(dialog, IDC_FIELD);
    SetWindowTextA(field, "Wide mill");
    settle();
    ControlWidget* widget = control(dialog, IDC_FIELD);
    for (int position : {1, 4, 6, 9}) {
        QPointF at = widget->caret_point(position);
        click(widget, QPoint(static_cast<int>(at.x()) + 1, static_cast<int>(at.y()) + 2));
        EXPECT_TRUE(pump_until([&] { return SendMessageA(field, EM_GETSEL, 0, 0) == MAKELONG(position, position); }))
            << "position " << position;
    }
}

TEST_F(Input, AMenuItemChosenThroughTheQtMenuBarReachesTheWindow) {
    HWND dialog = create(conformance_module(), IDD_PLAIN);
    platform::qt::TopWindow* top = window(dialog);
    QMenuBar* bar = top->menu_bar();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->actions().size(), 1);
    QAction* file = bar->actions().first();
    EXPECT_EQ(file->text(), QStringLiteral("&File"));
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file).center());
    QMenu* menu = file->menu();
    ASSERT_TRUE(menu && menu->isVisible());
    ASSERT_EQ(menu->actions().size(), 2);
    QAction* act = menu->actions()[0];
    QAction* grayed = menu->actions()[1];
    EXPECT_EQ(act->text(), QStringLiteral("&Act"));
    EXPECT_FALSE(grayed->isEnabled());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(act).center());
    ASSERT_TRUE(pump_until([] { return has_command(IDM_ACT, 0); }));
    EXPECT_EQ(commands.back().dialog, dialog);
    EXPECT_EQ(commands.back().control, nullptr);
    // The items are read anew each time the menu opens.
    EnableMenuItem(GetMenu(dialog), IDM_GRAYED, MF_ENABLED);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file).center());
    ASSERT_TRUE(menu->isVisible());
    EXPECT_TRUE(menu->actions()[1]->isEnabled());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions()[1]).center());
    EXPECT_TRUE(pump_until([] { return has_command(IDM_GRAYED, 0); }));
    // A window that takes no input leaves its menu shut.
    EnableWindow(dialog, FALSE);
    settle();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file).center());
    EXPECT_FALSE(menu->isVisible());
}

// As on Windows: F10 selects the menu bar without opening a menu, a menu's
// letter then opens it and an item's letter chooses the item.
TEST_F(Input, F10AndTheLettersChooseAMenuItem) {
    HWND dialog = create(conformance_module(), IDD_PLAIN);
    platform::qt::TopWindow* top = window(dialog);
    QMenuBar* bar = top->menu_bar();
    ASSERT_NE(bar, nullptr);
    QMenu* menu = bar->actions().first()->menu();
    top->activateWindow();
    settle();
    QTest::keyClick(top, Qt::Key_F10);
    EXPECT_FALSE(menu->isVisible()) << "the bar is selected, no menu opened";
    ASSERT_EQ(QApplication::focusWidget(), bar) << "the keys go to the menu bar";
    QTest::keyClick(bar, Qt::Key_F);
    ASSERT_TRUE(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_A);
    EXPECT_TRUE(pump_until([] { return has_command(IDM_ACT, 0); }));
}

TEST_F(Input, AnEntryChosenInTheComboBoxsListReachesTheWindowSystem) {
    HWND dialog = create(conformance_module(), IDD_CONFORMANCE);
    HWND combo = GetDlgItem(dialog, IDC_LIST);
    for (const char* entry : {"beta", "Alpha", "gamma"})
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    settle();
    ControlWidget* widget = control(dialog, IDC_LIST);
    click(widget, widget->arrow_rect().center());
    auto* list = qobject_cast<QListWidget*>(host_->combo_list() ? host_->combo_list()->findChild<QListWidget*>() : nullptr);
    ASSERT_NE(list, nullptr) << "the arrow drops the list down";
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("Alpha")) << "in the window system's order";
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("gamma"));
    EXPECT_TRUE(pump_until([&] { return GetFocus() == combo; })) << "the click went to the combo box first";
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
    ASSERT_TRUE(pump_until([&] { return SendMessageA(combo, CB_GETCURSEL, 0, 0) == 2; }));
    EXPECT_EQ(text_of(combo), "gamma");
    EXPECT_TRUE(has_command(IDC_LIST, CBN_SELCHANGE));
    settle();
    EXPECT_EQ(host_->combo_list(), nullptr);
    // F4 drops it down in the window system, and the host shows the list; Escape closes both.
    QTest::keyClick(window(dialog), Qt::Key_F4);
    ASSERT_TRUE(pump_until([&] { return host_->combo_list() != nullptr; }));
    EXPECT_EQ(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0), TRUE);
    QTest::keyClick(host_->combo_list(), Qt::Key_Escape);
    EXPECT_TRUE(pump_until([&] { return SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0) == FALSE; }));
    settle();
    EXPECT_EQ(host_->combo_list(), nullptr);
}

TEST_F(Input, TheScrollBarsArrowsStepTheParent) {
    HWND dialog = create(program_module(), IDD_MAIN);
    ControlWidget* stepper = control(dialog, IDC_STEPPER);
    ASSERT_NE(stepper, nullptr);
    click(stepper, QPoint(2, stepper->height() / 2));
    click(stepper, QPoint(stepper->width() - 3, stepper->height() / 2));
    ASSERT_TRUE(pump_until([] { return scrolls.size() >= 4; }));
    EXPECT_EQ(scrolls, (std::vector<WORD>{SB_LINEUP, SB_ENDSCROLL, SB_LINEDOWN, SB_ENDSCROLL}));
    // Held down, an arrow repeats, as on Windows; the release ends it.
    scrolls.clear();
    QPoint right = stepper->pos() + QPoint(stepper->width() - 3, stepper->height() / 2);
    QTest::mousePress(stepper->parentWidget(), Qt::LeftButton, {}, right);
    pump_until([] { return false; }, 800);
    QTest::mouseRelease(stepper->parentWidget(), Qt::LeftButton, {}, right);
    ASSERT_TRUE(pump_until([] { return !scrolls.empty() && scrolls.back() == SB_ENDSCROLL; }));
    EXPECT_GE(std::count(scrolls.begin(), scrolls.end(), SB_LINEDOWN), 3);
    EXPECT_EQ(std::count(scrolls.begin(), scrolls.end(), SB_ENDSCROLL), 1);
}

TEST_F(Input, TheCloseBoxAsksTheWindowSystemWhichClosesTheWindow) {
    HWND dialog = create(conformance_module(), IDD_PLAIN);
    platform::qt::TopWindow* top = window(dialog);
    top->close();
    EXPECT_TRUE(top->isVisible()) << "Qt does not close it on its own";
    EXPECT_TRUE(IsWindow(dialog));
    ASSERT_TRUE(pump_until([&] { return !IsWindow(dialog); }));
    settle();
    EXPECT_EQ(window(dialog), nullptr);
}

TEST_F(Input, AClickIntoAnotherWindowActivatesItAndTheKeysFollow) {
    HWND first = create(conformance_module(), IDD_CONFORMANCE);
    HWND second = create(conformance_module(), IDD_PLAIN);
    ASSERT_EQ(GetActiveWindow(), second);
    // A click on the first window's empty background.
    QTest::mouseClick(window(first)->client(), Qt::LeftButton, {}, QPoint(window(first)->client()->width() - 2, 2));
    EXPECT_EQ(GetActiveWindow(), first);
    EXPECT_EQ(GetFocus(), GetDlgItem(first, IDC_FIELD)) << "the dialog gives the focus back to its control";
    QTest::keyClicks(window(first), "hi");
    EXPECT_TRUE(pump_until([&] { return text_of(GetDlgItem(first, IDC_FIELD)) == "hi"; }));
    settle();
    EXPECT_TRUE(window(first)->isActiveWindow()) << "the host shows the window system's active window";
    // A window that waits for its modal dialog takes no activation.
    EnableWindow(second, FALSE);
    QTest::mouseClick(window(second)->client(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(GetActiveWindow(), first);
}

TEST_F(Input, ATextSetWhileTheProgramServesNoMessagesShowsAtOnce) {
    HWND dialog = create(program_module(), IDD_COPY_BLOCK);
    ControlWidget* progress = control(dialog, IDC_COPY_PROGRESS);
    ASSERT_NE(progress, nullptr);
    SetDlgItemTextA(dialog, IDC_COPY_PROGRESS, "50% Complete");
    // No message loop ran and the host has not looked: the widget already shows it.
    EXPECT_EQ(progress->view().text, "50% Complete");
}

}  // namespace
