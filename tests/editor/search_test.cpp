// Search Disk: the pattern as text and as hex digits, where a search starts
// and ends, its chunks and progress, and closing while it runs.
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "editor/editor_state.h"
#include "editor_fixture.h"
#include "platform/user/input.h"
#include "resources/resource.h"

using platform::HeadlessHost;
using namespace testing_support;

namespace {

class Search : public EditorTest {
protected:
    static HeadlessHost::Target item(int id) { return HeadlessHost::item("Search Disk", id); }

    // A disk of zeros with text planted at byte offsets.
    void zero_disk(uint64_t sectors, std::vector<std::pair<uint64_t, std::string>> planted = {}) {
        write_zero_image(image("c.img"), sectors * 512);
        for (const auto& [at, text] : planted)
            write_file_bytes(image("c.img"), at, std::vector<uint8_t>(text.begin(), text.end()));
        map_volume('C', image("c.img"));
    }
    void open_search() { choose_menu(IDM_SEARCH_DISK); }
    // Opens the dialog and types text over the field's, in ASCII mode.
    void enter_text(const std::string& text) {
        open_search();
        host_.click(item(IDC_ASCII));
        host_.click(item(IDC_TEXT_FIELD));
        press(VK_END);
        press(VK_HOME, platform::kInputShift);
        host_.type_text(text);
    }
    void search_for_text(const std::string& text) {
        enter_text(text);
        search();
    }
    void search() {
        host_.click(item(IDC_SEARCH));
        wait_for_end();
    }
    void wait_for_end() {
        host_.wait_until("the search has ended",
                         [] { return !EditorState.SearchBusy && EditorState.SearchDialog == nullptr; });
    }
    void look(std::string* counter_shown) {
        host_.check("the counter", [counter_shown] { *counter_shown = counter(); });
    }
    static std::string field() {
        char text[80] = {};
        GetDlgItemTextA(HeadlessHost::window("Search Disk")(), IDC_TEXT_FIELD, text, sizeof text);
        return text;
    }
    static std::string progress() {
        char text[40] = {};
        GetDlgItemTextA(HeadlessHost::window("Search Disk")(), IDC_SEARCH_PROGRESS, text, sizeof text);
        return text;
    }
    static bool checked(int id) {
        return IsDlgButtonChecked(HeadlessHost::window("Search Disk")(), id) == BST_CHECKED;
    }
};

std::string shown(uint32_t sector, uint32_t last) {
    char text[32];
    snprintf(text, sizeof text, "%010u of %010u", sector, last);
    return text;
}

TEST_F(Search, FindsTheFirstMatchFromTheShownSectorOnIncludingTheLastSector) {
    zero_disk(1024, {{5 * 512 + 100, "needle"},
                     {300 * 512 + 7, "needle"},
                     {128 * 512 - 3, "across"},  // sectors 127 and 128
                     {1023 * 512 + 500, "at the end"}});
    open_selected_disk();
    std::string first, again, across, last, from_last;
    search_for_text("needle");
    look(&first);
    search_for_text("needle");  // the shown sector itself is searched
    look(&again);
    host_.check("back to sector 0", [] {});
    choose_menu(IDM_SELECT_DISK);
    open_selected_disk();
    search_for_text("across");
    look(&across);
    search_for_text("at the end");
    look(&last);
    search_for_text("at the end");  // started on the last sector
    look(&from_last);
    quit();
    run_editor();
    EXPECT_EQ(first, shown(5, 1023));
    EXPECT_EQ(again, shown(5, 1023));
    EXPECT_EQ(across, shown(127, 1023)) << "the sector that holds the first byte";
    EXPECT_EQ(last, shown(1023, 1023));
    EXPECT_EQ(from_last, shown(1023, 1023));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Search, NoMatchChangesNothingAndTheChunksOverlapByOneSector) {
    zero_disk(302);  // sectors 0 to 301
    open_selected_disk();
    press(VK_NEXT);  // from sector 1: a range of 301 sectors
    std::string panes_before, panes_after;
    host_.check("before", [&] { panes_before = counter() + hex_pane() + text_pane(); });
    search_for_text("nowhere");
    host_.check("after", [&] { panes_after = counter() + hex_pane() + text_pane(); });
    quit();
    run_editor();
    EXPECT_EQ(panes_after, panes_before);
    EXPECT_TRUE(boxes().empty());
    // Chunks of 128 from 1, 128 from 128 and 47 from 255, sector 301 last.
    // The dialog shows the newest value each time it gets to it, the last
    // chunk's in the end.
    const std::vector<std::string> chunks = {"0.000% Complete", "42.193% Complete", "84.385% Complete"};
    std::vector<std::string> texts;
    for (const auto& seen : host_.static_texts())
        if (seen.id == IDC_SEARCH_PROGRESS) texts.push_back(seen.text);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), chunks.back());
    auto next = chunks.begin();
    for (const std::string& text : texts) {
        next = std::find(next, chunks.end(), text);
        ASSERT_NE(next, chunks.end()) << "\"" << text << "\" is not a chunk's value, or out of order";
    }
}

TEST_F(Search, HexDigitsMakeThePatternAndHalfAByteIsNeverSearched) {
    zero_disk(64, {{9 * 512 + 1, std::string("\x4D\x5A", 2)}, {20 * 512, std::string("\x4D", 1)}});
    open_selected_disk();
    std::string three_digits, after_backspace, counter_after_odd, counter_found;
    bool open_after_odd = false;
    open_search();
    host_.click(item(IDC_HEXADECIMAL));
    host_.click(item(IDC_TEXT_FIELD));
    host_.type_text("4d5");  // the unshifted keys: Shift+D is no digit
    host_.type_text("x.");   // not digits: nothing can be typed in hex mode
    host_.check("three digits", [&] { three_digits = field(); });
    host_.click(item(IDC_SEARCH));
    host_.check("nothing started", [&] {
        open_after_odd = EditorState.SearchDialog != nullptr && !EditorState.SearchBusy;
        counter_after_odd = counter();
    });
    press(VK_BACK);
    BYTE second_byte = 0xEE;
    host_.check("after Backspace", [&] {
        after_backspace = field();
        second_byte = static_cast<BYTE>(EditorState.SearchPattern[1]);
    });
    search();
    look(&counter_found);
    quit();
    run_editor();
    EXPECT_EQ(three_digits, "4D 5");
    EXPECT_TRUE(open_after_odd);
    EXPECT_EQ(counter_after_odd, shown(0, 63));
    EXPECT_EQ(after_backspace, "4D ");
    EXPECT_EQ(second_byte, 0x00) << "the digit taken back leaves nothing of itself";
    EXPECT_EQ(counter_found, shown(9, 63)) << "0x4D alone, first at sector 9";
}

TEST_F(Search, TheDialogKeepsItsPatternAndModeBetweenOpenings) {
    zero_disk(64, {{3 * 512, "abc"}, {2 * 512, "ABC"}});
    open_selected_disk();
    std::string empty_hex_counter, hex_field, text_field, same_radio, other_radio, found_lower;
    bool hex_checked = false, ascii_checked = false;
    // Hex mode without a digit: Search closes the dialog without searching.
    open_search();
    host_.click(item(IDC_HEXADECIMAL));
    search();
    look(&empty_hex_counter);
    open_search();
    host_.type_text("61");
    search();
    open_search();
    host_.check("reopened after a hex search", [&] {
        hex_field = field();
        hex_checked = checked(IDC_HEXADECIMAL);
    });
    host_.click(item(IDC_HEXADECIMAL));  // the mode in force: the pattern stays
    host_.check("same radio", [&] { same_radio = field(); });
    host_.click(item(IDC_ASCII));  // the other: it goes
    host_.check("other radio", [&] { other_radio = field(); });
    // A digit typed and taken back leaves nothing to show on reopening.
    host_.click(item(IDC_HEXADECIMAL));
    host_.type_text("4");
    press(VK_DELETE);
    host_.click(item(IDC_CANCEL));
    open_search();
    std::string taken_back;
    host_.check("reopened after taking the digit back", [&] { taken_back = field(); });
    host_.click(item(IDC_CANCEL));
    host_.wait_until("closed", [] { return EditorState.SearchDialog == nullptr; });
    choose_menu(IDM_SELECT_DISK);
    open_selected_disk();
    search_for_text("abc");  // not the capitals at sector 2
    look(&found_lower);
    open_search();
    host_.check("reopened after a text search", [&] {
        text_field = field();
        ascii_checked = checked(IDC_ASCII);
    });
    host_.click(item(IDC_CANCEL));
    quit();
    run_editor();
    EXPECT_EQ(empty_hex_counter, shown(0, 63));
    EXPECT_EQ(hex_field, "61 ");
    EXPECT_TRUE(hex_checked);
    EXPECT_EQ(same_radio, "61 ");
    EXPECT_EQ(other_radio, "");
    EXPECT_EQ(taken_back, "");
    EXPECT_EQ(found_lower, shown(3, 63));
    EXPECT_EQ(text_field, "abc");
    EXPECT_TRUE(ascii_checked);
}

// A disk large enough that a search over it takes a while: sparse, all zeros.
constexpr uint64_t kLongDisk = 16ull << 21;  // 16 GiB in sectors

TEST_F(Search, ClosingTheDialogStopsTheSearchAndCommandsWaitForIt) {
    // Found in the last sector, should the search go on after closing.
    zero_disk(kLongDisk, {{0, "sector zero"}, {(kLongDisk - 1) * 512, "at the end"}});
    open_selected_disk();
    std::string counter_while_busy;
    bool busy_after_keys = false, dialog_gone = false;
    std::vector<uint8_t> data_before;
    host_.check("sector 0", [&] { data_before = sector_data(); });
    enter_text("at the end");
    host_.click(item(IDC_SEARCH));
    host_.wait_until("the search runs", [] { return EditorState.SearchBusy && !progress().empty(); });
    press(VK_NEXT);
    choose_menu(IDM_ZERO_DATA);
    host_.check("refused", [&] {
        counter_while_busy = counter();
        busy_after_keys = EditorState.SearchBusy != 0;
    });
    host_.click(item(IDC_CANCEL));
    host_.check("closed", [&] { dialog_gone = EditorState.SearchDialog == nullptr; });
    host_.wait_until("the worker has stopped", [] { return !EditorState.SearchBusy; });
    std::string counter_after;
    look(&counter_after);
    quit();
    run_editor();
    ASSERT_TRUE(busy_after_keys) << "the search ended before the keys: the disk is too small to test this";
    EXPECT_EQ(counter_while_busy, shown(0, kLongDisk - 1));
    EXPECT_TRUE(dialog_gone);
    EXPECT_EQ(counter_after, shown(0, kLongDisk - 1));
    EXPECT_EQ(sector_data(), data_before) << "the zeroing was refused";
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Search, DigitsEnteredWhileASearchRunsDoNotChangeWhatItLooksFor) {
    const uint64_t sectors = 2ull << 20;  // 1 GiB, sparse
    zero_disk(sectors, {{(sectors - 1) * 512, "\x77"}});
    host_.set_step_timeout(std::chrono::seconds(120));  // the whole disk is read, slowly under the sanitizers
    open_selected_disk();
    bool still_running = false;
    std::string counter_after;
    open_search();
    host_.click(item(IDC_HEXADECIMAL));
    host_.type_text("55");
    host_.click(item(IDC_SEARCH));
    host_.wait_until("the search runs", [] { return EditorState.SearchBusy && !progress().empty(); });
    press(VK_BACK);
    press(VK_BACK);
    host_.type_text("77");  // on the disk, in its last sector
    host_.check("still running", [&] { still_running = EditorState.SearchBusy != 0; });
    wait_for_end();
    look(&counter_after);
    quit();
    run_editor();
    ASSERT_TRUE(still_running) << "the search ended before the digits: the disk is too small to test this";
    EXPECT_EQ(counter_after, shown(0, sectors - 1)) << "55 is nowhere; 77 was not what it looked for";
}

TEST_F(Search, ExitOrClosingTheMainWindowDuringASearchEndsTheProgram) {
    zero_disk(kLongDisk);
    for (bool exit_command : {true, false}) {
        open_selected_disk();
        enter_text("nowhere");
        host_.click(item(IDC_SEARCH));
        host_.wait_until("the search runs", [] { return EditorState.SearchBusy != 0; });
        if (exit_command) {
            choose_menu(IDM_EXIT);
        } else {
            quit();
        }
        EXPECT_EQ(run_editor(), 0);
        EXPECT_EQ(EditorState.SearchBusy, 0) << "the worker ended with the program";
        CloseHandle(EditorState.DiskRef);
        reset_editor_state();
    }
}

TEST_F(Search, ClosingTheMainWindowWithTheDialogOpenEndsTheProgram) {
    zero_disk(64);
    open_selected_disk();
    open_search();
    quit();
    EXPECT_EQ(run_editor(), 0);
}

TEST_F(Search, ASectorRunThatCannotBeReadIsSkippedAndReported) {
    // "ZZ" ends sector 127 and "QQ" starts sector 1: a chunk buffer that still
    // held sector 1 behind a short read of sector 127 would show "ZZQQ".
    // A device that shrinks keeps the rest of a short read's buffer as it
    // was (a direct read of an image file past its end gets zeros there).
    zero_disk(1000, {{128 * 512 - 2, "ZZ"}, {512, "QQ"}});
    LoopDevice loop(image("c.img"));
    if (loop.attached()) map_volume('C', loop.device());
    open_selected_disk();
    host_.check("the disk shrinks to 128 sectors", [&] {
        ASSERT_EQ(truncate(image("c.img").c_str(), 128 * 512), 0);
        if (loop.attached()) {
            ASSERT_EQ(run_command("losetup -c " + loop.device()), 0);
        }
    });
    std::string counter_after;
    enter_text("ZZQQ");
    host_.click(item(IDC_SEARCH));
    host_.answer_message_box(IDOK);
    wait_for_end();
    look(&counter_after);
    quit();
    run_editor();
    EXPECT_EQ(counter_after, shown(0, 999));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "Some sectors could not be read and were not searched");
    EXPECT_EQ(boxes()[0].caption, "Search Error");
}

}  // namespace
