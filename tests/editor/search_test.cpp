// Search Disk: the pattern as text and as hex digits, where a search starts
// and ends, its chunks and progress, and closing while it runs.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "disk/sector_run.h"
#include "editor/editor_state.h"
#include "editor_fixture.h"
#include "faults.h"
#include "platform/user/input.h"
#include "resources/resource.h"

using platform::HeadlessHost;
using namespace testing_support;
namespace faults = platform::faults;

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
        host_.click(item(IDC_PATTERN));
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
        GetDlgItemTextA(HeadlessHost::window("Search Disk")(), IDC_PATTERN, text, sizeof text);
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
    host_.type_text("41");  // an edit, which a hit on the shown sector replaces
    search_for_text("at the end");  // started on the last sector
    look(&from_last);
    bool edited_after = true;
    host_.check("the edit", [&] { edited_after = EditorState.SectorDirty; });
    quit();
    run_editor();
    EXPECT_EQ(first, shown(5, 1023));
    EXPECT_EQ(again, shown(5, 1023));
    EXPECT_EQ(across, shown(127, 1023)) << "the sector that holds the first byte";
    EXPECT_EQ(last, shown(1023, 1023));
    EXPECT_EQ(from_last, shown(1023, 1023));
    EXPECT_FALSE(edited_after) << "the last sector is searched and shown as the disk holds it";
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
    host_.click(item(IDC_PATTERN));
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

// Each key of a hex pattern keeps the field and the bytes searched for in
// step. Each row starts afresh: ASCII, then Hexadecimal, clears both.
TEST_F(Search, HexKeysKeepTheFieldAndTheBytesInStep) {
    zero_disk(64);
    open_selected_disk();
    const struct {
        const char* keys;  // '<' Backspace, '#' and a digit: that key of the number pad
        const char* field;
        std::vector<BYTE> bytes;
    } rows[] = {
        {"a0f9", "A0 F9 ", {0xA0, 0xF9}},
        {"4", "4", {0x40, 0x00}},  // nothing is left of the pattern before
        {"#0#9", "09 ", {0x09}},
        {"4142<<5", "41 5", {0x41, 0x50}},
        {"4142<<<1", "41 ", {0x41, 0x00}},
        {"41<2", "42 ", {0x42}},
    };
    std::vector<std::string> fields;
    std::vector<std::vector<BYTE>> bytes;
    open_search();
    for (const auto& row : rows) {
        host_.click(item(IDC_ASCII));
        host_.click(item(IDC_HEXADECIMAL));
        host_.click(item(IDC_PATTERN));
        for (const char* key = row.keys; *key; ++key) {
            if (*key == '<') {
                press(VK_BACK);
            } else if (*key == '#') {
                press(VK_NUMPAD0 + (*++key - '0'));
            } else {
                host_.type_text(std::string(1, *key));
            }
        }
        size_t length = row.bytes.size();
        host_.check("the field and the bytes", [&, length] {
            fields.push_back(field());
            const BYTE* pattern = reinterpret_cast<const BYTE*>(EditorState.SearchPattern);
            bytes.emplace_back(pattern, pattern + length);
        });
    }
    host_.click(item(IDC_CANCEL));
    quit();
    run_editor();
    ASSERT_EQ(fields.size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(fields[i], rows[i].field) << rows[i].keys;
        EXPECT_EQ(bytes[i], rows[i].bytes) << rows[i].keys;
    }
}

// A pattern of one character comes back on reopening; after a switch from
// hex to ASCII with nothing typed, nothing does.
TEST_F(Search, OneCharacterAndEmptyPatternsReopenAsTheyWere) {
    zero_disk(64, {{7 * 512, "q"}});
    open_selected_disk();
    std::string one, none;
    search_for_text("q");
    open_search();
    host_.check("reopened", [&] { one = field(); });
    host_.click(item(IDC_HEXADECIMAL));
    host_.type_text("41");
    host_.click(item(IDC_ASCII));
    host_.click(item(IDC_CANCEL));
    open_search();
    host_.check("reopened after the switch", [&] { none = field(); });
    host_.click(item(IDC_CANCEL));
    quit();
    run_editor();
    EXPECT_EQ(one, "q");
    EXPECT_EQ(none, "");
}

// An empty pattern searches nothing, with a disk or without: no read, no
// message; one character without a disk is told there is none.
TEST_F(Search, AnEmptyPatternReadsNothingAndSaysNothing) {
    zero_disk(1024);
    press(VK_ESCAPE);  // no disk yet
    search_for_text("");
    enter_text("x");
    host_.click(item(IDC_SEARCH));
    host_.answer_message_box(IDOK);
    wait_for_end();
    choose_menu(IDM_SELECT_DISK);
    open_selected_disk();
    unsigned reads = 99;
    host_.check("count from here", [] { platform::faults::reset_counts(); });
    enter_text("");
    press(VK_DELETE);  // the "x" kept from before
    search();
    host_.check("reads", [&] { reads = platform::faults::calls(platform::faults::Call::ReadFile); });
    quit();
    run_editor();
    EXPECT_EQ(reads, 0u);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "No disk is open: choose one with File > Select Disk.");
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
    // The disk shrinks to 128 sectors, or loses only its last sector.
    for (uint64_t left : {128, 999}) {
        zero_disk(1000, {{128 * 512 - 2, "ZZ"}, {512, "QQ"}});
        LoopDevice loop(image("c.img"));
        if (loop.attached()) map_volume('C', loop.device());
        open_selected_disk();
        host_.check("the disk shrinks", [&] {
            ASSERT_EQ(truncate(image("c.img").c_str(), left * 512), 0);
            if (loop.attached()) {
                ASSERT_EQ(run_command("losetup -c " + loop.device()), 0);
            }
        });
        std::string counter_after;
        size_t seen_before = boxes().size();
        enter_text("ZZQQ");
        host_.click(item(IDC_SEARCH));
        host_.answer_message_box(IDOK);
        wait_for_end();
        look(&counter_after);
        quit();
        run_editor();
        EXPECT_EQ(counter_after, shown(0, 999)) << left;
        ASSERT_EQ(boxes().size(), seen_before + 1) << left;
        EXPECT_EQ(boxes().back().text, std::to_string(1000 - left) +
                                           " sector(s) could not be read and were not searched, the first of them "
                                           "sector " + std::to_string(left));
        EXPECT_EQ(boxes().back().caption, "Search Error");
        CloseHandle(EditorState.DiskRef);
        reset_editor_state();
    }
}

// A read that falls short by a sector: what it left out is read again, and
// a match across it and the sector before, or in it, is found.
TEST_F(Search, AMatchBeforeTheSectorAShortReadLeftOutIsFound) {
    const struct {
        uint64_t sectors;
        int start;
        uint64_t at;
        uint32_t shown_after;
    } rows[] = {
        {1000, 0, 127 * 512 - 2, 126},  // across sectors 126 and 127
        {4, 1, 3 * 512 + 5, 3},         // in the sector the short read left out
        {2, 0, 512 + 5, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.sectors);
        zero_disk(row.sectors, {{row.at, "ZZQQ"}});
        open_selected_disk();
        for (int step = 0; step < row.start; ++step) press(VK_NEXT);
        std::string counter_after;
        enter_text("ZZQQ");
        host_.check("the first read delivers one sector less", [] {
            faults::reset_counts();
            faults::arm(faults::Call::ReadFile, 1, faults::Kind::ShortBySector);
        });
        search();
        look(&counter_after);
        quit();
        run_editor();
        faults::disarm_all();
        EXPECT_EQ(counter_after, shown(row.shown_after, static_cast<uint32_t>(row.sectors - 1)));
        EXPECT_TRUE(boxes().empty());
        start_again();
    }
}

// A hit shows a sector unedited: the edits of the sector shown before are
// gone, and so is their mark, also when the hit's sector could not be read
// and shows as zeros. Stepping on then asks nothing and writes nothing.
TEST_F(Search, AHitLeavesNothingMarkedAsEditedEvenWhenItsReadFails) {
    zero_disk(64, {{5 * 512 + 9, "found"}});
    write_file_bytes(image("c.img"), 5 * 512, std::vector<uint8_t>(4, 0x77));
    // Should a save be asked for, Yes: a blank would be written over sector 5.
    host_.answer_message_boxes([](const HeadlessHost::MessageBoxSeen& box) { return box.caption == "Save Changes?" ? IDYES : IDOK; });
    open_selected_disk();
    std::vector<BYTE> dirty;
    for (bool read_fails : {false, true}) {
        host_.type_text("41");
        enter_text("found");
        host_.check("arm", [read_fails] {
            faults::reset_counts();
            // The chunk's read, then the hit's own.
            if (read_fails) faults::arm(faults::Call::ReadFile, 2, faults::Kind::Error);
        });
        search();
        host_.check("marked?", [&] {
            dirty.push_back(EditorState.SectorDirty);
            faults::disarm_all();
        });
        press(VK_NEXT);
        press(VK_PRIOR);
    }
    quit();
    run_editor();
    EXPECT_EQ(dirty, (std::vector<BYTE>{0, 0}));
    EXPECT_EQ(read_file_bytes(image("c.img"), 5 * 512, 4), std::vector<uint8_t>(4, 0x77)) << "nothing saved over it";
    ASSERT_EQ(boxes().size(), 1u) << "no question about saving";
    EXPECT_EQ(boxes()[0].text, "Error accessing contents of sector");
}

// What the field shows is what is searched for: it takes no more than the
// pattern holds, and says so.
TEST_F(Search, ThePatternFieldTakesNoMoreThanIsSearchedForAndSaysSo) {
    zero_disk(64);
    open_selected_disk();
    std::string text_field, hex_field, text_said, hex_said;
    const std::string typed(55, 'x');
    enter_text(typed);
    host_.check("text", [&] {
        text_field = field();
        text_said = progress();
    });
    host_.click(item(IDC_HEXADECIMAL));
    host_.type_text(std::string(52, '7'));
    host_.check("hex", [&] {
        hex_field = field();
        hex_said = progress();
    });
    host_.click(item(IDC_CANCEL));
    quit();
    run_editor();
    EXPECT_EQ(text_field, typed.substr(0, 49));
    EXPECT_EQ(text_said, "At most 49 characters.");
    std::string bytes;
    for (int i = 0; i < 25; ++i) bytes += "77 ";
    EXPECT_EQ(hex_field, bytes);
    EXPECT_EQ(hex_said, "At most 25 bytes.");
}

// A progress request still on its way when the dialog closed must not
// silence the next search's progress.
TEST_F(Search, ProgressShowsAgainAfterADialogClosedWithARequestPending) {
    zero_disk(kLongDisk);
    open_selected_disk();
    size_t texts_before_second = 0;
    bool raced = false;
    enter_text("nowhere");
    host_.click(item(IDC_SEARCH));
    host_.wait_until("the search runs", [] { return EditorState.SearchBusy && !progress().empty(); });
    host_.check("close while a request is pending", [&] {
        // The worker asks again within its interval; the dialog is gone first.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        raced = EditorState.SearchBusy != 0;
        SendMessageA(HeadlessHost::window("Search Disk")(), WM_CLOSE, 0, 0);
    });
    host_.wait_until("the worker has stopped", [] { return !EditorState.SearchBusy; });
    host_.check("count", [&] { texts_before_second = host_.static_texts().size(); });
    choose_menu(IDM_SELECT_DISK);
    open_selected_disk();
    enter_text("nowhere");
    host_.click(item(IDC_SEARCH));
    host_.wait_until("the search shows its progress", [&] {
        for (size_t i = texts_before_second; i < host_.static_texts().size(); ++i)
            if (host_.static_texts()[i].id == IDC_SEARCH_PROGRESS) return true;
        return false;
    });
    host_.click(item(IDC_CANCEL));
    host_.wait_until("the worker has stopped", [] { return !EditorState.SearchBusy; });
    quit();
    EXPECT_EQ(run_editor(), 0);
    EXPECT_TRUE(raced) << "the search ended before the close: the disk is too small to test this";
}

TEST_F(Search, WithNoDiskOpenOneMessageSaysSo) {
    zero_disk(64);
    host_.click(select_disk_item(IDC_CANCEL));
    enter_text("anything");
    host_.click(item(IDC_SEARCH));
    host_.answer_message_box(IDOK);
    wait_for_end();
    quit();
    run_editor();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "No disk is open: choose one with File > Select Disk.");
    EXPECT_EQ(boxes()[0].caption, "Search Error");
}

// While a search runs nothing else touches the disk: each dialog that
// would is owned by the main window, which waits behind it, and refuses to
// act while the Search Disk dialog's search runs.
TEST_F(Search, WhileASearchRunsNoOtherDialogTouchesTheDisk) {
    zero_disk(kLongDisk, {{7 * 512, "seven"}});
    write_whole_file(image("in.bin"), stamped_run(0, 4));
    struct Row {
        const char* caption;  // of the dialog that acts; none: the print dialog
        UINT command;
        std::function<void()> fill_in, act, cancel;
    };
    auto count_item = [](int id) { return HeadlessHost::item("Number of Sectors *", id); };
    const Row rows[] = {
        {"Goto Sector", IDM_GOTO_SECTOR, [&] { host_.type_text("7"); },
         [&] { host_.click(HeadlessHost::item("Goto Sector", IDC_GOTO)); },
         [&] { host_.click(HeadlessHost::item("Goto Sector", IDC_CANCEL)); }},
        {"Copy Block", IDM_COPY_BLOCK,
         [&] {
             host_.type_text("1000000");
             press(VK_TAB);
             host_.type_text("1000000");
         },
         [&] { host_.click(HeadlessHost::item("Copy Block", IDC_COPY)); },
         [&] { host_.click(HeadlessHost::item("Copy Block", IDC_CANCEL)); }},
        {"Select Disk", IDM_SELECT_DISK, [] {}, [&] { open_selected_disk(); },
         [&] { host_.click(select_disk_item(IDC_CANCEL)); }},
        {"Number of Sectors *", IDM_EXPORT_SECTORS, [&] { host_.choose_file(image("out.bin")); },
         [&] {
             host_.click(count_item(IDC_PATTERN));
             host_.type_text("9");
             host_.click(count_item(IDC_COUNT_OK));
         },
         [&] { host_.click(count_item(IDC_CANCEL)); }},
        {"Number of Sectors *", IDM_IMPORT_SECTORS, [&] { host_.choose_file(image("in.bin")); },
         [&] { host_.click(count_item(IDC_COUNT_OK)); }, [&] { host_.click(count_item(IDC_CANCEL)); }},
        {nullptr, IDM_PRINT_SECTOR, [] {}, [&] { host_.print(1); }, [] {}},
    };
    open_selected_disk();
    std::vector<std::string> held;
    for (const Row& row : rows) {
        enter_text("nowhere");
        choose_menu(row.command);
        row.fill_in();
        host_.check("the main window waits", [&] {
            HWND dialog = row.caption ? HeadlessHost::window(row.caption)() : nullptr;
            bool owned = !row.caption || (dialog && GetWindow(dialog, GW_OWNER) == EditorState.MainWindow);
            held.push_back(std::string(row.caption ? row.caption : "print") +
                           (owned && !IsWindowEnabled(EditorState.MainWindow) ? " waits" : " does not wait"));
        });
        host_.click(item(IDC_SEARCH));
        host_.wait_until("the search runs", [] { return EditorState.SearchBusy != 0; });
        row.act();
        host_.answer_message_box(IDOK);
        row.cancel();
        host_.click(item(IDC_CANCEL));
        host_.wait_until("the search has stopped", [] { return !EditorState.SearchBusy; });
    }
    std::string counter_after;
    look(&counter_after);
    quit();
    run_editor();
    for (const std::string& line : held) EXPECT_EQ(line.substr(line.size() - 6), " waits") << line;
    EXPECT_EQ(counter_after, shown(0, kLongDisk - 1)) << "no Goto, no other disk";
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 6u);
    for (const auto& box : seen) {
        EXPECT_EQ(box.text,
                  "The disk is being searched. Wait until the search ends, or stop it with Cancel in the Search Disk "
                  "dialog.");
        EXPECT_EQ(box.caption, "Search Disk");
    }
    EXPECT_EQ(read_file_bytes(image("c.img"), 1000000ull * 512, 128 * 512), std::vector<uint8_t>(128 * 512, 0))
        << "nothing copied";
    EXPECT_FALSE(std::filesystem::exists(image("out.bin")));
    EXPECT_EQ(read_file_bytes(image("c.img"), 0, 4 * 512), std::vector<uint8_t>(4 * 512, 0)) << "nothing imported";
    EXPECT_TRUE(host_.printed_documents().empty());
}

// The disk is read in large blocks: a match across two of them is found
// at its first sector, and a match across or in a sector that cannot be
// read is not; the first match after it is, and the unread sector is said.
TEST_F(Search, MatchesAcrossBlocksAreFoundAndNoneAcrossABadSector) {
    const uint64_t boundary = RUN_BLOCK_SECTORS;  // the first sector of the second block
    const struct {
        std::vector<std::pair<uint64_t, std::string>> planted;
        std::vector<uint64_t> bad;
        uint32_t hit;
        std::string box;
        std::string pattern = "ACROSS";
    } rows[] = {
        // At the very start of the second block, and further in it.
        {{{boundary * 512, "ACROSS"}}, {}, static_cast<uint32_t>(boundary), ""},
        {{{(boundary + 10) * 512 + 1, "ACROSS"}}, {}, static_cast<uint32_t>(boundary + 10), ""},
        {{{boundary * 512 - 3, "ACROSS"}}, {}, static_cast<uint32_t>(boundary - 1), ""},
        {{{20 * 512 - 3, "ACROSS"}, {21 * 512 + 7, "ACROSS"}}, {20}, 21,
         "1 sector(s) before sector 21 could not be read and were not searched, the first of them sector 20: an "
         "earlier match may have been missed"},
        {{{20 * 512 - 3, "ACROSS"}, {21 * 512 + 7, "ACROSS"}}, {19}, 21,
         "1 sector(s) before sector 21 could not be read and were not searched, the first of them sector 19: an "
         "earlier match may have been missed"},
        {{{boundary * 512 - 3, "ACROSS"}, {(boundary + 8) * 512, "ACROSS"}}, {boundary - 1, boundary},
         static_cast<uint32_t>(boundary + 8),
         "2 sector(s) before sector " + std::to_string(boundary + 8) +
             " could not be read and were not searched, the first of them sector " + std::to_string(boundary - 1) +
             ": an earlier match may have been missed"},
        // The bytes on either side of a bad sector do not meet.
        {{{20 * 512 - 3, "ACR"}, {21 * 512, "OSS"}, {30 * 512, "ACROSS"}}, {20}, 30,
         "1 sector(s) before sector 30 could not be read and were not searched, the first of them sector 20: an "
         "earlier match may have been missed"},
        {{{20 * 512 - 1, "A"}, {21 * 512, "B"}, {30 * 512, "AB"}}, {20}, 30,
         "1 sector(s) before sector 30 could not be read and were not searched, the first of them sector 20: an "
         "earlier match may have been missed",
         "AB"},
        {{{boundary * 512 + 3, "ACROSS"}}, {boundary}, 0,
         "1 sector(s) could not be read and were not searched, the first of them sector " + std::to_string(boundary)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.hit);
        zero_disk(boundary + 100, row.planted);
        for (uint64_t sector : row.bad) faults::plant_bad_sector(image("c.img"), sector);
        open_selected_disk();
        std::string counter_after;
        enter_text(row.pattern);
        host_.click(item(IDC_SEARCH));
        if (!row.box.empty()) host_.answer_message_box(IDOK);
        wait_for_end();
        look(&counter_after);
        quit();
        run_editor();
        faults::disarm_all();
        EXPECT_EQ(counter_after, shown(row.hit, static_cast<uint32_t>(boundary + 99)));
        ASSERT_EQ(boxes().size(), row.box.empty() ? 0u : 1u);
        if (!row.box.empty()) {
            EXPECT_EQ(boxes()[0].text, row.box);
        }
        start_again();
    }
}

}  // namespace
