// Every dialog from the keyboard alone, as Windows' dialog manager gives it:
// Escape is Cancel, Enter the default button, Tab visits each control in
// order, Alt and an underlined letter choose a control; the Search Disk
// dialog too, in both of its modes.
#include <filesystem>

#include "editor/editor_state.h"
#include "editor_fixture.h"
#include "platform/user/input.h"
#include "platform/user/window_view.h"
#include "resources/resource.h"

using platform::HeadlessHost;
using namespace testing_support;

namespace {

class DialogKeys : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        map_stamped_image(64);
    }
    void alt(char letter) { press(static_cast<UINT>(toupper(letter)), platform::kInputAlt); }
    // The identifier of the control with the focus, recorded into *ids.
    void note_focus(std::vector<int>* ids) {
        host_.check("the focus", [ids] { ids->push_back(GetDlgCtrlID(GetFocus())); });
    }
};

struct Opened {
    const char* caption;
    UINT command;  // the menu command that opens it
};
const Opened kDialogs[] = {
    {"Select Disk", IDM_SELECT_DISK},  {"Goto Sector", IDM_GOTO_SECTOR}, {"Copy Block", IDM_COPY_BLOCK},
    {"Search Disk", IDM_SEARCH_DISK},  {"About Orvasse", IDM_ABOUT},     {"Number of Sectors *", IDM_EXPORT_SECTORS},
};

// Escape does what Cancel (Close) does: the dialog goes and nothing else
// happens, whatever was typed into it.
TEST_F(DialogKeys, EscapeInEachDialogIsItsCancel) {
    open_selected_disk();
    std::vector<std::string> open_after, without_icon;
    auto note_icon = [&](HWND window, const char* name) {
        platform::WindowView view;
        platform::view_window(window, &view);
        if (!EditorState.Icon || view.icons[ICON_SMALL] != EditorState.Icon || view.icons[ICON_BIG] != EditorState.Icon)
            without_icon.push_back(name);
    };
    host_.check("the main window's icon", [&] { note_icon(EditorState.MainWindow, "the main window"); });
    for (const Opened& dialog : kDialogs) {
        choose_menu(dialog.command);
        if (dialog.command == IDM_EXPORT_SECTORS) host_.choose_file(image("out.bin"));
        host_.wait_until(std::string("the dialog ") + dialog.caption, [&] { return HeadlessHost::window(dialog.caption)(); });
        host_.check("its icon", [&] { note_icon(HeadlessHost::window(dialog.caption)(), dialog.caption); });
        if (dialog.command != IDM_ABOUT && dialog.command != IDM_SELECT_DISK) host_.type_text("7");
        if (dialog.command == IDM_COPY_BLOCK) {
            press(VK_TAB);
            host_.type_text("3");
        }
        press(VK_ESCAPE);
        host_.check("gone", [&] {
            if (HeadlessHost::window(dialog.caption)()) open_after.push_back(dialog.caption);
        });
    }
    std::string counter_after;
    host_.check("the counter", [&] { counter_after = counter(); });
    quit();
    run_editor();
    EXPECT_TRUE(open_after.empty()) << open_after.front() << " stayed open";
    EXPECT_TRUE(without_icon.empty()) << without_icon.front() << " shows no icon of the program's";
    EXPECT_EQ(counter_after, "0000000000 of 0000000063") << "no Goto, no other disk";
    EXPECT_EQ(read_file_bytes(image("c.img"), 0, 64 * 512), stamped_run(0, 64)) << "nothing copied";
    EXPECT_FALSE(std::filesystem::exists(image("out.bin")));
    EXPECT_TRUE(boxes().empty()) << boxes().front().text;
}

// Tab visits every control that takes the focus, in the order a person
// reads the dialog, and comes round again.
TEST_F(DialogKeys, TabVisitsEveryControlInOrder) {
    const std::vector<std::pair<Opened, std::vector<int>>> orders = {
        {kDialogs[0], {IDC_DISK_LIST, IDC_OPEN, IDC_CANCEL, IDC_DISK_LIST}},
        {kDialogs[1], {IDC_GOTO_NUMBER, IDC_GOTO, IDC_CANCEL, IDC_GOTO_NUMBER}},
        {kDialogs[2], {IDC_DESTINATION, IDC_SECTORS_TO_COPY, IDC_COPY, IDC_CANCEL, IDC_DESTINATION}},
        {kDialogs[3], {IDC_PATTERN, IDC_ASCII, IDC_HEXADECIMAL, IDC_MATCH_CASE, IDC_SEARCH, IDC_CANCEL, IDC_PATTERN}},
        {kDialogs[4], {IDOK, IDC_WEB_ADDRESS, IDOK}},
        {kDialogs[5], {IDC_COUNT, IDC_COUNT_OK, IDC_CANCEL, IDC_COUNT}},
    };
    open_selected_disk();
    std::vector<std::vector<int>> seen(orders.size());
    for (size_t i = 0; i < orders.size(); ++i) {
        const Opened& dialog = orders[i].first;
        choose_menu(dialog.command);
        if (dialog.command == IDM_EXPORT_SECTORS) host_.choose_file(image("out.bin"));
        host_.wait_until(dialog.caption, [&] { return HeadlessHost::window(dialog.caption)(); });
        // The Search Disk dialog starts where a person types the pattern.
        if (dialog.command == IDM_SEARCH_DISK) host_.click(HeadlessHost::item("Search Disk", IDC_PATTERN));
        note_focus(&seen[i]);
        for (size_t step = 1; step < orders[i].second.size(); ++step) {
            press(VK_TAB);
            note_focus(&seen[i]);
        }
        press(VK_ESCAPE);
    }
    quit();
    run_editor();
    for (size_t i = 0; i < orders.size(); ++i) EXPECT_EQ(seen[i], orders[i].second) << orders[i].first.caption;
}

// Alt and a control's underlined letter: a label leads to its field, a
// button is pressed, a radio button chosen. Enter presses the default button.
TEST_F(DialogKeys, UnderlinedLettersAndEnterWorkTheDialogs) {
    open_selected_disk();
    std::vector<int> focus;
    choose_menu(IDM_COPY_BLOCK);
    alt('s');  // "&Sectors To Copy"
    note_focus(&focus);
    host_.type_text("2");
    alt('d');  // "&Desitnation Sector"
    note_focus(&focus);
    host_.type_text("10");
    alt('p');  // "Co&py"
    host_.answer_message_box(IDOK);
    choose_menu(IDM_GOTO_SECTOR);
    press(VK_TAB);
    alt('s');  // "Goto &Sector", back to the field
    note_focus(&focus);
    host_.type_text("5");
    press(VK_RETURN);  // the default button, Goto
    std::string counter_after;
    host_.check("the counter", [&] { counter_after = counter(); });
    quit();
    run_editor();
    EXPECT_EQ(focus, (std::vector<int>{IDC_SECTORS_TO_COPY, IDC_DESTINATION, IDC_GOTO_NUMBER}));
    EXPECT_EQ(read_file_bytes(image("c.img"), 10 * 512, 2 * 512), stamped_run(0, 2)) << "two sectors copied to 10";
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].caption, "Copy Complete");
    EXPECT_EQ(counter_after, "0000000005 of 0000000063");
}

// The count in hand as the dialog opens: typing replaces it, Enter is OK.
TEST_F(DialogKeys, ACountTypedAndEnterExportsThatMany) {
    open_selected_disk();
    choose_menu(IDM_EXPORT_SECTORS);
    host_.choose_file(image("out.bin"));
    host_.type_text("5");
    press(VK_RETURN);
    quit();
    run_editor();
    EXPECT_EQ(read_file_bytes(image("out.bin"), 0, 4096), stamped_run(0, 5));
}

// Search Disk from the keyboard, in both modes: the letters choose the mode
// and start the search, Enter starts it too; in hex mode Space types no
// blank, Tab moves on, and the digits make the pattern whatever has the focus.
TEST_F(DialogKeys, SearchDiskRunsFromTheKeyboardInBothModes) {
    write_file_bytes(image("c.img"), 9 * 512 + 7, {'n', 'e', 'e', 'd', 'l', 'e'});
    write_file_bytes(image("c.img"), 20 * 512 + 3, {0xC0, 0xFF, 0xEE});
    open_selected_disk();
    auto wait_for_end = [&] {
        host_.wait_until("the search has ended", [] { return !EditorState.SearchBusy && !EditorState.SearchDialog; });
    };
    std::vector<std::string> counters;
    std::string hex_field;
    auto look = [&] { host_.check("the counter", [&] { counters.push_back(counter()); }); };
    choose_menu(IDM_SEARCH_DISK);
    alt('a');  // "&ASCII"
    alt('r');  // "Sea&rch": the field
    host_.type_text("needle");
    press(VK_RETURN);
    wait_for_end();
    look();
    choose_menu(IDM_SEARCH_DISK);
    alt('x');  // "He&xadecimal"
    alt('r');
    press(VK_SPACE);  // types nothing in hex mode, nor does a letter that is no digit
    host_.type_text("x");
    std::string after_space;
    host_.check("the field", [&] {
        char text[80] = {};
        GetDlgItemTextA(HeadlessHost::window("Search Disk")(), IDC_PATTERN, text, sizeof text);
        after_space = text;
    });
    host_.type_text("c0");
    press(VK_TAB);  // to the ASCII button: the digits still reach the pattern
    int focus_after_tab = 0;
    host_.check("the focus", [&] { focus_after_tab = GetDlgCtrlID(GetFocus()); });
    host_.type_text("ffee");
    host_.check("the field", [&] {
        char text[80] = {};
        GetDlgItemTextA(HeadlessHost::window("Search Disk")(), IDC_PATTERN, text, sizeof text);
        hex_field = text;
    });
    host_.type_text("s");  // "&Search": on a button, the letter alone will do
    wait_for_end();
    look();
    quit();
    run_editor();
    EXPECT_EQ(after_space, "");
    EXPECT_EQ(focus_after_tab, IDC_ASCII);
    EXPECT_EQ(hex_field, "C0 FF EE ");
    EXPECT_EQ(counters, (std::vector<std::string>{"0000000009 of 0000000063", "0000000020 of 0000000063"}));
}

}  // namespace
