// Editing the shown sector in place: hex digits into nibbles, characters
// into bytes, the caret keys, Tab and clicks between the panes, and the
// letter keys in the text pane.
#include <algorithm>
#include <iterator>

#include "editor/editor_state.h"
#include "editor_fixture.h"
#include "platform/user/input.h"
#include "resources/resource.h"

using namespace testing_support;

namespace {

class Editing : public EditorTest {
protected:
    struct Look {
        std::string hex, text;
        int hex_caret = -1, text_caret = -1, text_end = -1;
        std::vector<uint8_t> data;
        BYTE dirty = 2, hex_active = 2;
        HWND focus = nullptr;
    };
    void look(Look* seen) {
        host_.check("look at the panes", [seen] {
            *seen = {hex_pane(),    text_pane(),           hex_caret(),
                     text_caret(),  text_selection_end(),  sector_data(),
                     EditorState.SectorDirty, EditorState.HexPaneActive, GetFocus()};
        });
    }

    void SetUp() override {
        EditorTest::SetUp();
        map_stamped_image(8);
    }

    // Both panes must show data: the hex pane as patched, the text pane as a
    // keystroke leaves it.
    static void expect_panes(const Look& seen, const std::vector<uint8_t>& data, const char* when) {
        EXPECT_EQ(seen.data, data) << when;
        EXPECT_EQ(seen.hex, hex_text_of(data)) << when;
        EXPECT_EQ(seen.text, text_text_of(data) + "\r\n") << when;
    }

    static uint8_t nibbles(uint8_t high, uint8_t low) { return static_cast<uint8_t>(high << 4 | low); }
};

TEST_F(Editing, HexDigitsFillNibblesAndTheCaretSkipsSeparatorsAndLineEnds) {
    open_selected_disk();
    Look first, separator, line_end, last_line_end, last_byte, beyond, keys;
    host_.type_text("41");
    look(&first);
    host_.click_character(hex_pane_window(), 5);  // the separator after byte 1
    host_.type_text("7");
    look(&separator);
    host_.click_character(hex_pane_window(), 48);  // the end of line 0
    host_.type_text("9");
    look(&line_end);
    host_.click_character(hex_pane_window(), 1598);  // the end of the last line
    host_.type_text("5");
    look(&last_line_end);
    host_.click_character(hex_pane_window(), 1595);
    host_.type_text("ab");
    look(&last_byte);
    host_.type_text("c0");
    look(&beyond);
    host_.click_character(hex_pane_window(), 1000);
    press(VK_BACK);
    press(VK_DELETE);
    look(&keys);
    quit();
    run_editor();

    std::vector<uint8_t> data = stamped_sector(0);
    data[0] = 0x41;
    expect_panes(first, data, "41 at the start");
    EXPECT_EQ(first.text[0], 'A');
    EXPECT_EQ(first.hex_caret, 3) << "on byte 1's high digit";
    EXPECT_EQ(first.dirty, 1);
    data[2] = nibbles(7, data[2] & 0x0F);
    expect_panes(separator, data, "on a separator");
    EXPECT_EQ(separator.hex_caret, 7);
    data[16] = nibbles(data[16] >> 4, 9);
    expect_panes(line_end, data, "at the end of a line");
    EXPECT_EQ(line_end.hex_caret, 53) << "on byte 17's high digit";
    expect_panes(last_line_end, data, "at the end of the last line");
    data[511] = 0xAB;
    expect_panes(last_byte, data, "the last byte");
    EXPECT_EQ(last_byte.hex_caret, 1597);
    expect_panes(beyond, data, "behind the last byte");
    EXPECT_EQ(beyond.hex_caret, 1597);
    expect_panes(keys, data, "Backspace and Delete");
    EXPECT_EQ(keys.hex_caret, 1000);
    EXPECT_EQ(read_file_bytes(image("c.img"), 0, 512), stamped_sector(0)) << "typing does not write";
}

TEST_F(Editing, TextPaneTypingFillsBytesAndGoesOnAtTheNextLine) {
    open_selected_disk();
    Look wrapped, from_break, last, again, last_line, stored_nothing, at_final_break;
    host_.click_character(text_pane_window(), 14);
    host_.type_text("x z");
    look(&wrapped);
    host_.click_character(text_pane_window(), 18 + 16);  // line 1's line break
    host_.type_text("q");
    look(&from_break);
    host_.click_character(text_pane_window(), 18 * 31 + 15);  // the last byte
    host_.type_text("L");
    look(&last);
    host_.type_text("M");
    look(&again);
    host_.click_character(text_pane_window(), 18 * 31);  // the last line's first byte
    host_.type_text("ab");
    look(&last_line);
    choose_menu(IDM_SAVE_SECTOR);
    host_.click_character(text_pane_window(), 576);  // behind the last line
    host_.type_text("N");
    look(&stored_nothing);
    choose_menu(IDM_UNDO_CHANGES);
    host_.click_character(text_pane_window(), 574);  // the last line's end
    host_.type_text("O");
    look(&at_final_break);
    quit();
    run_editor();

    std::vector<uint8_t> data = stamped_sector(0);
    data[14] = 'x';
    data[15] = ' ';
    data[16] = 'z';
    expect_panes(wrapped, data, "across a line end");
    EXPECT_EQ(wrapped.text_caret, 19);
    EXPECT_EQ(wrapped.dirty, 1);
    data[32] = 'q';
    expect_panes(from_break, data, "from a line break");
    EXPECT_EQ(from_break.text_caret, 2 * 18 + 1);
    data[511] = 'L';
    expect_panes(last, data, "the last byte");
    EXPECT_EQ(last.text_caret, 18 * 31 + 15) << "stays on the last byte";
    data[511] = 'M';
    expect_panes(again, data, "over the last byte");
    EXPECT_EQ(again.text_caret, 18 * 31 + 15);
    data[496] = 'a';
    data[497] = 'b';
    expect_panes(last_line, data, "along the last line");
    EXPECT_EQ(last_line.text_caret, 18 * 31 + 2);
    expect_panes(stored_nothing, data, "behind the last line");
    EXPECT_EQ(stored_nothing.text_caret, 576);
    EXPECT_EQ(stored_nothing.dirty, 1) << "marked although nothing was stored";
    EXPECT_EQ(at_final_break.data, data) << "as saved";
    EXPECT_EQ(at_final_break.dirty, 1);
    EXPECT_EQ(at_final_break.hex, hex_text_of(data));
    EXPECT_EQ(at_final_break.text, text_text_of(data));
}

TEST_F(Editing, CaretKeysWalkTheHexDigitsAndStopAtTheEnds) {
    open_selected_disk();
    std::vector<int> carets;
    auto key = [&](UINT vk) {
        press(vk);
        host_.check("hex caret", [&] { carets.push_back(hex_caret()); });
    };
    auto at = [&](int position) { host_.click_character(hex_pane_window(), position); };
    for (UINT vk : {VK_RIGHT, VK_RIGHT, VK_UP, VK_LEFT, VK_LEFT, VK_LEFT}) key(vk);
    at(45);  // byte 15's high digit
    for (UINT vk : {VK_RIGHT, VK_RIGHT, VK_LEFT, VK_LEFT, VK_LEFT, VK_DOWN, VK_UP}) key(vk);
    at(100);  // line 2's first digit
    key(VK_LEFT);
    at(50);
    key(VK_UP);
    at(1596);
    for (UINT vk : {VK_RIGHT, VK_DOWN, VK_UP}) key(vk);
    at(1550);
    key(VK_DOWN);
    // The keys move the hex caret while the text pane is the active one.
    host_.click_character(text_pane_window(), 40);
    BYTE active = 2;
    int text_before = -1, text_after = -2;
    host_.check("text pane active", [&] { text_before = text_caret(); });
    for (UINT vk : {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN}) key(vk);
    host_.check("still the text pane", [&] {
        active = EditorState.HexPaneActive;
        text_after = text_caret();
    });
    quit();
    run_editor();
    EXPECT_EQ(carets, (std::vector<int>{1, 3, 3, 1, 0, 0,                  // from the start
                                        46, 50, 46, 45, 43, 93, 43,        // around a line end
                                        96, 0,                             // to the line above
                                        1596, 1596, 1546, 1550,            // the last byte and line
                                        1546, 1496, 1500, 1550}));         // text pane active
    EXPECT_EQ(active, 0);
    EXPECT_EQ(text_after, text_before) << "the text caret stays";
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Editing, TabAndClicksChooseThePaneThatTakesTheKeys) {
    open_selected_disk();
    Look tabbed, typed, back, before_clicks, clicked_text, clicked_hex;
    host_.click_character(hex_pane_window(), 57);  // byte 18's low digit
    press(VK_TAB);
    look(&tabbed);
    press(VK_TAB);
    look(&back);
    press(VK_TAB);
    host_.type_text("Z");
    look(&typed);
    press(VK_TAB);
    host_.type_text("3");  // goes on after the byte typed in the text pane
    // Clicks where the carets already are still switch.
    look(&before_clicks);
    host_.click_character(text_pane_window(), 0);
    // Only a click chooses: the mouse passing over the hex pane does not.
    host_.check("the mouse over the hex pane", [] { PostMessageA(EditorState.HexPane, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4)); });
    host_.type_text("4");
    look(&clicked_text);
    host_.click_character(hex_pane_window(), 60);
    host_.type_text("2");
    look(&clicked_hex);
    quit();
    run_editor();

    std::vector<uint8_t> data = stamped_sector(0);
    EXPECT_EQ(tabbed.hex_active, 0);
    EXPECT_EQ(tabbed.focus, EditorState.TextPane);
    EXPECT_EQ(tabbed.text_caret, 20) << "the character of byte 18";
    EXPECT_EQ(tabbed.text_end, 21);
    EXPECT_EQ(tabbed.data, data);
    EXPECT_EQ(back.hex_active, 1);
    EXPECT_EQ(back.focus, EditorState.HexPane);
    EXPECT_EQ(back.hex_caret, 57) << "where the hex caret was left";
    data[18] = 'Z';
    expect_panes(typed, data, "typed after Tab");
    EXPECT_EQ(before_clicks.text_caret, 0);
    EXPECT_EQ(before_clicks.hex_caret, 60);
    data[19] = nibbles(3, data[19] & 0x0F);
    data[0] = '4';
    expect_panes(clicked_text, data, "the text pane clicked");
    EXPECT_EQ(clicked_text.hex_active, 0);
    data[19] = nibbles(3, 2);
    expect_panes(clicked_hex, data, "the hex pane clicked");
    EXPECT_EQ(clicked_hex.hex_active, 1);
}

TEST_F(Editing, LetterKeysStoreWhatTheyTypeAndHexDigitsStayUpperCase) {
    open_selected_disk();
    Look text, hex;
    host_.click_character(text_pane_window(), 0);
    host_.type_text("deadbeef");
    for (char c : std::string("DEADBEEF"))
        host_.press_key_with_character(static_cast<UINT>(c), platform::kInputCapsLock, c);
    for (UINT id = IDM_DIGIT_LOWER_A; id <= IDM_DIGIT_LOWER_F; ++id) post_command(id);
    look(&text);
    host_.click_character(hex_pane_window(), 0);
    for (UINT id = IDM_DIGIT_LOWER_A; id <= IDM_DIGIT_LOWER_F; ++id) post_command(id);
    host_.type_text("ab");
    for (char c : std::string("CD")) host_.press_key_with_character(static_cast<UINT>(c), platform::kInputCapsLock, c);
    look(&hex);
    quit();
    run_editor();

    std::vector<uint8_t> data = stamped_sector(0);
    const std::string typed = "deadbeefDEADBEEFabcdef";
    std::copy(typed.begin(), typed.end(), data.begin());
    expect_panes(text, data, "the text pane");
    const uint8_t digits[] = {0xAB, 0xCD, 0xEF, 0xAB, 0xCD};
    std::copy(std::begin(digits), std::end(digits), data.begin());
    expect_panes(hex, data, "the hex pane");
    EXPECT_EQ(hex.hex.substr(0, 15), "AB CD EF AB CD ");
}

TEST_F(Editing, APatchThePaneRefusesNeverStoresAnotherByte) {
    open_selected_disk();
    // A hex pane that shows fewer lines than its text refuses every patch,
    // as a Windows edit control without ES_AUTOVSCROLL does.
    host_.check("shrink the hex pane", [] {
        RECT area = {};
        GetWindowRect(EditorState.HexPane, &area);
        MoveWindow(EditorState.HexPane, area.left, area.top, area.right - area.left, (area.bottom - area.top) / 2, TRUE);
    });
    Look hex, text;
    host_.click_character(hex_pane_window(), 15);  // byte 5's high digit
    host_.type_text("71");  // not what byte 5 holds (0x42): the patch must change the pane
    look(&hex);
    host_.click_character(text_pane_window(), 20);  // byte 18
    host_.type_text("Z");
    look(&text);
    choose_menu(IDM_SAVE_SECTOR);
    quit();
    run_editor();

    std::vector<uint8_t> data = stamped_sector(0);
    data[5] = 0x71;
    EXPECT_EQ(hex.data, data);
    EXPECT_EQ(hex.hex, hex_text_of(data));
    EXPECT_EQ(hex.hex_caret, 18) << "on byte 6's high digit";
    data[18] = 'Z';
    EXPECT_EQ(text.data, data);
    EXPECT_EQ(text.hex, hex_text_of(data));
    EXPECT_EQ(text.hex_caret, 58) << "behind byte 18's digits, as a patch leaves it";
    EXPECT_EQ(read_file_bytes(image("c.img"), 0, 512), data);
}

TEST_F(Editing, CharactersTypedIntoTheHexPaneChangeNothing) {
    open_selected_disk();
    Look seen;
    host_.click_character(hex_pane_window(), 0);
    host_.type_text("xyz !\r");
    look(&seen);
    quit();
    run_editor();
    EXPECT_EQ(seen.data, stamped_sector(0));
    EXPECT_EQ(seen.hex, hex_text_of(stamped_sector(0)));
    EXPECT_EQ(seen.text, text_text_of(stamped_sector(0)));
    EXPECT_EQ(seen.hex_caret, 0);
    EXPECT_EQ(seen.dirty, 0);
}

TEST_F(Editing, SelectDiskGivesTheDigitsBackToTheHexPane) {
    open_selected_disk();
    Look seen;
    host_.click_character(text_pane_window(), 0);
    choose_menu(IDM_SELECT_DISK);
    open_selected_disk();
    host_.type_text("9");
    look(&seen);
    quit();
    run_editor();
    std::vector<uint8_t> data = stamped_sector(0);
    data[0] = nibbles(9, data[0] & 0x0F);
    EXPECT_EQ(seen.data, data) << "the digit edits the hex pane's first nibble";
    EXPECT_EQ(seen.hex_active, 1);
    EXPECT_EQ(seen.focus, EditorState.HexPane) << "and its keys go there too";
}

}  // namespace
