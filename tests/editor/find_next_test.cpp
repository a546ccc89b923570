// Find Next (F3) and Find Previous (Shift+F3) as a person uses them: the
// match shown where it is, in both panes, stepping on from it in either
// direction, never round the disk; Match case.
#include <cstring>

#include "editor/editor_state.h"
#include "editor/pane_render.h"
#include "editor_fixture.h"
#include "platform/user/input.h"
#include "resources/resource.h"

using platform::HeadlessHost;
using namespace testing_support;

namespace {

// What a person sees after a step: the counter, and what each pane has
// selected.
struct Seen {
    std::string counter;
    int hex_from, hex_to, text_from, text_to;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& seen) {
    return out << seen.counter << " hex " << seen.hex_from << "-" << seen.hex_to << " text " << seen.text_from << "-"
               << seen.text_to;
}

// The selection of bytes [first, first + count) of a sector shown at sector.
Seen selected(uint32_t sector, int first, int count, uint32_t last) {
    char counter[32];
    snprintf(counter, sizeof counter, "%010u of %010u", sector, last);
    int end = first + count - 1;
    return {counter, hex_position_of_byte(first), hex_position_of_byte(end) + 2, text_position_of_byte(first),
            text_position_of_byte(end) + 1};
}

class FindNext : public EditorTest {
protected:
    void zero_disk(uint64_t sectors, const std::vector<std::pair<uint64_t, std::string>>& planted) {
        write_zero_image(image("c.img"), sectors * 512);
        for (const auto& [at, text] : planted)
            write_file_bytes(image("c.img"), at, std::vector<uint8_t>(text.begin(), text.end()));
        map_volume('C', image("c.img"));
    }
    void wait_for_end() {
        host_.wait_until("the search has ended",
                         [] { return !EditorState.SearchBusy && EditorState.SearchDialog == nullptr; });
    }
    // F3, or Shift+F3; true: a message box says there is no further match.
    void find(bool backwards, bool none_left = false) {
        press(VK_F3, backwards ? platform::kInputShift : 0);
        if (none_left) host_.answer_message_box(IDOK);
        wait_for_end();
    }
    void look(std::vector<Seen>* seen) {
        host_.check("what is shown", [seen] {
            seen->push_back({counter(), hex_caret(), hex_selection_end(), text_caret(), text_selection_end()});
        });
    }
};

TEST_F(FindNext, StepsThroughTheMatchesBothWaysAndSaysWhenNoneIsLeft) {
    zero_disk(1024, {{5 * 512 + 100, "needle"}, {5 * 512 + 300, "needle"}, {900 * 512 + 7, "needle"}});
    open_selected_disk();
    std::vector<Seen> seen;
    search_disk_for_text("needle");
    look(&seen);
    find(false);
    look(&seen);
    find(false);
    look(&seen);
    find(false, true);  // none after 900: nothing changes
    look(&seen);
    find(true);
    look(&seen);
    find(true);
    look(&seen);
    find(true, true);
    look(&seen);
    quit();
    run_editor();
    const Seen first = selected(5, 100, 6, 1023), second = selected(5, 300, 6, 1023), third = selected(900, 7, 6, 1023);
    EXPECT_EQ(seen, (std::vector<Seen>{first, second, third, third, second, first, first}));
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[0].text, "No further match after sector 900");
    EXPECT_EQ(boxes()[0].caption, "Search Disk");
    EXPECT_EQ(boxes()[1].text, "No further match before sector 5");
}

// Where the shown sector holds no match found (the user stepped away, or
// opened the disk again), F3 and Shift+F3 start from its first byte or
// its end: a match there is found, and Shift+F3 on the last sector
// searches it whole.
TEST_F(FindNext, WhereTheShownSectorHoldsNoMatchFoundTheyStartThere) {
    zero_disk(64, {{100, "first"}, {5 * 512 + 100, "first"}, {6 * 512 + 511, "first"}, {63 * 512 + 500, "first"}});
    open_selected_disk();
    std::vector<Seen> seen;
    search_disk_for_text("first");
    look(&seen);
    choose_menu(IDM_SELECT_DISK);
    open_selected_disk();
    find(false);  // the match in sector 0 again
    look(&seen);
    find(false);
    look(&seen);
    press(VK_NEXT);
    find(true);  // from the end of sector 6, not from byte 100 of it: its last byte starts one
    look(&seen);
    choose_menu(IDM_SELECT_DISK);
    open_selected_disk();
    press(VK_PRIOR);  // before sector 0 comes the last
    find(true);
    look(&seen);
    quit();
    run_editor();
    const Seen in_0 = selected(0, 100, 5, 63);
    EXPECT_EQ(seen, (std::vector<Seen>{in_0, in_0, selected(5, 100, 5, 63), selected(6, 511, 1, 63),
                                       selected(63, 500, 5, 63)}));
    EXPECT_TRUE(boxes().empty());
}

// With no pattern kept F3 opens the Search Disk dialog and waits for one;
// in the dialog F3 looks for the pattern in its field.
TEST_F(FindNext, WithNoPatternKeptTheDialogWaitsAndF3InItSearches) {
    zero_disk(64, {{3 * 512 + 10, "abc"}, {3 * 512 + 50, "abc"}});
    open_selected_disk();
    std::vector<Seen> seen;
    bool waits = false;
    press(VK_F3);
    host_.check("the dialog waits for a pattern", [&] {
        waits = HeadlessHost::window("Search Disk")() != nullptr && !EditorState.SearchBusy;
    });
    host_.type_over(HeadlessHost::item("Search Disk", IDC_PATTERN), "abc");
    press(VK_F3);
    wait_for_end();
    look(&seen);
    choose_menu(IDM_SEARCH_DISK);
    press(VK_F3);
    wait_for_end();
    look(&seen);
    choose_menu(IDM_SEARCH_DISK);
    press(VK_F3, platform::kInputShift);
    wait_for_end();
    look(&seen);
    quit();
    run_editor();
    EXPECT_TRUE(waits);
    EXPECT_EQ(seen, (std::vector<Seen>{selected(3, 10, 3, 63), selected(3, 50, 3, 63), selected(3, 10, 3, 63)}));
    EXPECT_TRUE(boxes().empty());
}

// A match that runs into the next sector, once where two sectors meet and
// once where two chunks of 128 do, found going either way; the shown sector
// holds its first part, which is what is selected.
TEST_F(FindNext, MatchesAcrossSectorsAndChunksBothWays) {
    zero_disk(600, {{300 * 512 - 2, "across"}, {128 * 512 - 5, "across"}, {40 * 512, "across"}});
    open_selected_disk();
    std::vector<Seen> seen;
    search_disk_for_text("across");  // from sector 0: the one in sector 40
    for (bool backwards : {false, false, true, true}) {
        find(backwards);
        look(&seen);
    }
    quit();
    run_editor();
    const Seen chunks = selected(127, 507, 5, 599), sectors = selected(299, 510, 2, 599);
    EXPECT_EQ(seen, (std::vector<Seen>{chunks, sectors, chunks, selected(40, 0, 6, 599)}));
    EXPECT_TRUE(boxes().empty());
}

// Unchecked, Match case lets letters match either case and nothing else;
// the choice is kept, and greyed for a hex pattern.
TEST_F(FindNext, MatchCaseOffFindsEitherCaseOfLettersOnly) {
    zero_disk(64, {{3 * 512, "xABDx"}, {9 * 512 + 4, "xABCx"}, {20 * 512, "x[bc"}});
    // Whatever the process held before, the program starts with it checked.
    EditorState.SearchMatchCase = 0;
    open_selected_disk();
    std::vector<Seen> seen;
    bool kept = false, greyed = false, checked_at_start = false;
    choose_menu(IDM_SEARCH_DISK);
    host_.check("checked at start", [&] {
        checked_at_start = IsDlgButtonChecked(HeadlessHost::window("Search Disk")(), IDC_MATCH_CASE) == BST_CHECKED;
    });
    host_.click(HeadlessHost::item("Search Disk", IDC_MATCH_CASE));
    host_.type_over(HeadlessHost::item("Search Disk", IDC_PATTERN), "abc");
    host_.click(HeadlessHost::item("Search Disk", IDC_SEARCH));
    wait_for_end();
    look(&seen);
    find(false, true);  // "[bc" is no "abc": [ and { are no letters
    search_disk_for_text("{BC");
    look(&seen);
    choose_menu(IDM_SEARCH_DISK);
    host_.check("the choice is kept", [&] {
        kept = IsDlgButtonChecked(HeadlessHost::window("Search Disk")(), IDC_MATCH_CASE) == BST_UNCHECKED;
    });
    host_.click(HeadlessHost::item("Search Disk", IDC_HEXADECIMAL));
    host_.check("greyed for hex", [&] {
        greyed = !IsWindowEnabled(GetDlgItem(HeadlessHost::window("Search Disk")(), IDC_MATCH_CASE));
    });
    host_.click(HeadlessHost::item("Search Disk", IDC_CANCEL));
    quit();
    run_editor();
    EXPECT_EQ(seen, (std::vector<Seen>{selected(9, 5, 3, 63), selected(9, 5, 3, 63)}));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "No further match after sector 9");
    EXPECT_TRUE(checked_at_start);
    EXPECT_TRUE(kept);
    EXPECT_TRUE(greyed);
}

// After a hit the caret is on the match's first byte: a digit typed in the
// hex pane, or a character in the text pane, edits that byte.
TEST_F(FindNext, TypingAfterAHitEditsTheMatchsFirstByte) {
    for (bool text_pane : {false, true}) {
        SCOPED_TRACE(text_pane ? "text pane" : "hex pane");
        zero_disk(64, {{7 * 512 + 33, "mark"}});
        open_selected_disk();
        search_disk_for_text("mark");
        if (text_pane) press(VK_TAB);
        host_.type_text(text_pane ? "M" : "4");
        std::vector<uint8_t> data;
        host_.check("the shown sector", [&] { data = sector_data(); });
        quit();
        run_editor();
        EXPECT_EQ(data[33], text_pane ? 'M' : 0x4D) << "the match's first byte";
        EXPECT_EQ(std::string(data.begin() + 34, data.begin() + 37), "ark");
        start_again();
    }
}

}  // namespace
