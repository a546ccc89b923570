// Copy Block: runs in chunks of 128 with their progress, overlapping runs in
// both directions checked against a model of the image, and what is said
// when part of a run could not be read, written or lies off the disk.
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "editor/editor_state.h"
#include "faults.h"
#include "editor/long_work.h"
#include "editor_fixture.h"
#include "platform/user/input.h"
#include "resources/resource.h"

using platform::HeadlessHost;
using namespace testing_support;

namespace {

const char* const kCompleted = "Copying of sectors has been completed succesfully";

class CopyBlock : public EditorTest {
protected:
    void go_to(const std::string& number) {
        choose_menu(IDM_GOTO_SECTOR);
        host_.type_text(number);
        press(VK_RETURN);
    }
    // Fills in the dialog as a person does and presses Copy.
    void copy(const std::string& destination, const std::string& count) {
        choose_menu(IDM_COPY_BLOCK);
        host_.type_text(destination);
        press(VK_TAB);
        host_.type_text(count);
        host_.click(HeadlessHost::item("Copy Block", IDC_COPY));
    }
    std::vector<std::string> progress() const {
        std::vector<std::string> texts;
        for (const auto& seen : host_.static_texts())
            if (seen.id == IDC_COPY_PROGRESS) texts.push_back(seen.text);
        return texts;
    }
    static void expect_box(const HeadlessHost::MessageBoxSeen& box, const std::string& text, const std::string& caption,
                           bool owned_by_main_window) {
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, caption);
        EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
        if (owned_by_main_window) {
            EXPECT_EQ(box.owner, EditorState.MainWindow) << text;
        } else {
            EXPECT_TRUE(box.owner != nullptr && box.owner != EditorState.MainWindow) << text << ": the dialog's own";
        }
    }

    // The image as the test expects it: each copy applied to a model of it.
    struct Model {
        std::vector<uint8_t> bytes;
        // The source's sectors at the offsets in kept are not copied.
        void copy(uint32_t source, uint32_t destination, uint32_t count, const std::vector<uint32_t>& kept = {}) {
            std::vector<uint8_t> before = bytes;
            memcpy(&bytes[destination * 512ull], &before[source * 512ull], count * 512ull);
            for (uint32_t k : kept)
                memcpy(&bytes[(destination + k) * 512ull], &before[(destination + k) * 512ull], 512);
        }
    };
    Model model_of(const std::string& path) { return Model{read_file_bytes(path, 0, std::filesystem::file_size(path))}; }
};

TEST_F(CopyBlock, CancelAndZeroSectorsCopyNothingAndZeroStillCompletes) {
    map_stamped_image(64);
    Model model = model_of(image("c.img"));
    open_selected_disk();
    choose_menu(IDM_COPY_BLOCK);
    host_.type_text("5");
    press(VK_TAB);
    host_.type_text("3");
    host_.click(HeadlessHost::item("Copy Block", IDC_CANCEL));
    copy("5", "0");
    host_.answer_message_box(IDOK);
    bool closed = false;
    host_.check("the dialog", [&] { closed = HeadlessHost::window("Copy Block")() == nullptr; });
    quit();
    run_editor();
    EXPECT_TRUE(closed);
    EXPECT_EQ(read_file_bytes(image("c.img"), 0, 64 * 512), model.bytes);
    EXPECT_TRUE(progress().empty());
    ASSERT_EQ(boxes().size(), 1u);
    expect_box(boxes()[0], kCompleted, "Copy Complete", true);
}

// Overlaps in both directions, by a whole run and by one sector: the
// destination gets the source as it was before the copy.
TEST_F(CopyBlock, OverlappingRunsGetTheSourcesOriginalBytes) {
    map_stamped_image(1024);
    Model model = model_of(image("c.img"));
    open_selected_disk();
    go_to("10");
    copy("", "300");  // an empty destination is sector 0
    host_.answer_message_box(IDOK);
    go_to("400");
    copy("500", "300");
    host_.answer_message_box(IDOK);
    go_to("900");
    copy("901", "100");
    host_.answer_message_box(IDOK);
    go_to("701");
    copy("700", "129");
    host_.answer_message_box(IDOK);
    go_to("100");
    copy("300", "300");  // above, by more than a chunk
    host_.answer_message_box(IDOK);
    quit();
    run_editor();
    model.copy(10, 0, 300);
    model.copy(400, 500, 300);
    model.copy(900, 901, 100);
    model.copy(701, 700, 129);
    model.copy(100, 300, 300);
    EXPECT_TRUE(read_file_bytes(image("c.img"), 0, 1024 * 512) == model.bytes);
    EXPECT_EQ(progress(), (std::vector<std::string>{"42% Complete", "85% Complete", "100% Complete", "42% Complete",
                                                    "85% Complete", "100% Complete", "100% Complete", "99% Complete",
                                                    "100% Complete", "42% Complete", "85% Complete", "100% Complete"}));
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 5u);
    for (const auto& box : seen) expect_box(box, kCompleted, "Copy Complete", true);
}

// Runs longer than a read block, overlapping by a few sectors, by about a
// chunk and by about a block, and close by less than, exactly and more
// than a block, in both directions.
TEST_F(CopyBlock, RunsLongerThanABlockOverlappingByAnyAmountGetTheSourcesOriginalBytes) {
    const uint32_t count = 3000;
    const uint32_t overlaps[] = {1, 127, 128, 129, 2047, 2048, 2049, count - 2048, count - 1};
    map_stamped_image(6200);
    Model model = model_of(image("c.img"));
    open_selected_disk();
    for (uint32_t overlap : overlaps) {
        for (bool above : {true, false}) {
            uint32_t source = above ? 100 : 3150, destination = above ? source + count - overlap : source - (count - overlap);
            go_to(std::to_string(source));
            copy(std::to_string(destination), std::to_string(count));
            host_.answer_message_box(IDOK);
            model.copy(source, destination, count);
        }
    }
    quit();
    run_editor();
    EXPECT_TRUE(read_file_bytes(image("c.img"), 0, 6200 * 512) == model.bytes);
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 2 * std::size(overlaps));
    for (const auto& box : seen) expect_box(box, kCompleted, "Copy Complete", true);
}

// On a loop device (requests of at most 1280 KiB) a run is read four
// blocks at a time, in pieces in flight at once, and written so: long runs
// overlapping from above and from below, and apart, with a bad sector
// inside a batch, against a model of the image; with 512- and 4096-byte
// sectors (pieces written at once must not share a logical sector).
TEST_F(CopyBlock, OnADiskThatLimitsItsRequestsRunsMovedInBatchesGetTheSourcesOriginalBytes) {
    for (unsigned sector_size : {512u, 4096u}) {
        SCOPED_TRACE(sector_size);
        map_stamped_image(24000);
        Model model = model_of(image("c.img"));
        LoopDevice loop(image("c.img"), {.sector_size = sector_size});
        REQUIRE_LOOP(loop);
        map_volume('C', loop.device());
        open_selected_disk();
        const struct {
            uint32_t source, destination, count;
        } copies[] = {{100, 1100, 9000}, {11201, 10199, 9000}, {0, 12003, 11990}};
        go_to("100");
        host_.check("a bad sector inside the first batch",
                    [&] { platform::faults::plant_bad_sector(loop.device(), 4000); });
        for (const auto& c : copies) {
            go_to(std::to_string(c.source));
            copy(std::to_string(c.destination), std::to_string(c.count));
            host_.answer_message_box(IDOK);
            if (c.source != 11201) host_.answer_message_box(IDOK);  // the bad sector
        }
        quit();
        run_editor();
        platform::faults::disarm_all();
        // A bad 512 bytes make the whole logical sector that holds them unreadable.
        const uint32_t lost = sector_size / 512;
        std::vector<uint32_t> bad_from_100, bad_from_0;
        for (uint32_t i = 0; i < lost; ++i) bad_from_100.push_back(3900 + i), bad_from_0.push_back(4000 + i);
        model.copy(100, 1100, 9000, bad_from_100);
        model.copy(11201, 10199, 9000);
        model.copy(0, 12003, 11990, bad_from_0);
        EXPECT_TRUE(read_file_bytes(image("c.img"), 0, 24000 * 512) == model.bytes);
        auto seen = boxes();
        ASSERT_EQ(seen.size(), 5u);
        const std::string n = std::to_string(lost);
        const std::string unread = "\n" + n + " of them could not be read: their destination sectors were left as they were.";
        expect_box(seen[1], n + " of 9000 sectors were not copied." + unread, "Error Copying", true);
        expect_box(seen[2], kCompleted, "Copy Complete", true);
        expect_box(seen[4], n + " of 11990 sectors were not copied." + unread, "Error Copying", true);
        start_again();
    }
}

// Sectors that cannot be read, alone or side by side, first, inside or
// last in a read block: each one's destination keeps its bytes, every other
// sector is copied, and the count is said.
TEST_F(CopyBlock, EachUnreadableSectorLeavesItsDestinationAndTheRestIsCopied) {
    const struct {
        uint32_t source, destination;
        std::vector<uint32_t> bad;  // offsets into the run of 3000
    } rows[] = {
        {0, 3100, {0}},       {0, 3100, {1024}},       {0, 3100, {2047, 2048}},
        {0, 3100, {2999}},    {100, 400, {2047}},      {3150, 150, {150, 151, 2900}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.source);
        map_stamped_image(6200);
        Model model = model_of(image("c.img"));
        open_selected_disk();
        go_to(std::to_string(row.source));
        host_.check("plant the bad sectors", [&] {
            for (uint32_t b : row.bad) platform::faults::plant_bad_sector(image("c.img"), row.source + b);
        });
        copy(std::to_string(row.destination), "3000");
        host_.answer_message_box(IDOK);
        host_.answer_message_box(IDOK);
        quit();
        run_editor();
        platform::faults::disarm_all();
        model.copy(row.source, row.destination, 3000, row.bad);
        EXPECT_TRUE(read_file_bytes(image("c.img"), 0, 6200 * 512) == model.bytes);
        auto seen = boxes();
        ASSERT_EQ(seen.size(), 2u);
        expect_box(seen[0], "Error accessing contents of sector", "Data Error", false);
        const std::string n = std::to_string(row.bad.size());
        expect_box(seen[1],
                   n + " of 3000 sectors were not copied.\n" + n +
                       " of them could not be read: their destination sectors were left as they were.",
                   "Error Copying", true);
        start_again();
    }
}

// Sectors beyond the last one are neither read nor written: the run is cut
// there and the message says how much was left.
TEST_F(CopyBlock, RunBeyondTheEndOfTheDiskCopiesWhatLiesOnItAndSaysWhatWasNot) {
    map_stamped_image(256);  // the last sector is 255
    Model model = model_of(image("c.img"));
    open_selected_disk();
    go_to("200");
    copy("20", "100");
    host_.answer_message_box(IDOK);
    go_to("0");
    copy("230", "50");
    host_.answer_message_box(IDOK);
    copy("300", "10");
    host_.answer_message_box(IDOK);
    quit();
    run_editor();
    model.copy(200, 20, 56);
    model.copy(0, 230, 26);
    EXPECT_TRUE(read_file_bytes(image("c.img"), 0, 256 * 512) == model.bytes);
    EXPECT_EQ(std::filesystem::file_size(image("c.img")), 256u * 512);
    EXPECT_EQ(progress(), (std::vector<std::string>{"56% Complete", "52% Complete"}));
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 3u);
    const std::string beyond = "\nThe run goes beyond the last sector of the disk, 255.";
    expect_box(seen[0], "44 of 100 sectors were not copied." + beyond, "Error Copying", true);
    expect_box(seen[1], "24 of 50 sectors were not copied." + beyond, "Error Copying", true);
    expect_box(seen[2], "10 of 10 sectors were not copied." + beyond, "Error Copying", true);
}

// A disk of 2^32 sectors (a sparse image): neither the source nor the
// destination goes on from sector 4,294,967,295 to sector 0.
TEST_F(CopyBlock, RunsNeverWrapToSectorZero) {
    const uint64_t sectors = 1ull << 32;
    write_zero_image(image("big.img"), sectors * 512);
    for (uint64_t s : {0xFFFFFF80ull, 0xFFFFFFFFull, 0ull, 103ull, 104ull})
        write_file_bytes(image("big.img"), s * 512, stamped_sector(s));
    map_volume('C', image("big.img"));
    open_selected_disk();
    go_to("4294967168");  // 0xFFFFFF80: 128 sectors before the end
    copy("1000", "256");
    host_.answer_message_box(IDOK);
    go_to("0");
    copy("4294967200", "200");
    host_.answer_message_box(IDOK);
    quit();
    run_editor();
    auto sector = [&](uint64_t s) { return read_file_bytes(image("big.img"), s * 512, 512); };
    EXPECT_EQ(sector(1000), stamped_sector(0xFFFFFF80));
    EXPECT_EQ(sector(1127), stamped_sector(0xFFFFFFFF));
    EXPECT_EQ(sector(1128), std::vector<uint8_t>(512, 0)) << "nothing from sector 0 and on";
    EXPECT_EQ(sector(0xFFFFFFA0), stamped_sector(0));
    EXPECT_EQ(sector(0xFFFFFFFF), std::vector<uint8_t>(512, 0)) << "sector 95 of the source";
    EXPECT_EQ(sector(0), stamped_sector(0)) << "nothing written from sector 0 on";
    EXPECT_EQ(sector(103), stamped_sector(103));
    EXPECT_EQ(std::filesystem::file_size(image("big.img")), sectors * 512);
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 2u);
    const std::string beyond = "\nThe run goes beyond the last sector of the disk, 4294967295.";
    expect_box(seen[0], "128 of 256 sectors were not copied." + beyond, "Error Copying", true);
    expect_box(seen[1], "104 of 200 sectors were not copied." + beyond, "Error Copying", true);
}

// The disk shrinks under the editor: a chunk that reads short writes only
// what it read, one that reads nothing says so, and the copy goes on.
TEST_F(CopyBlock, ShortReadsWriteOnlyTheSectorsDelivered) {
    map_stamped_image(1024);
    open_selected_disk();
    go_to("150");
    host_.check("shrink the disk to 200 sectors", [&] { ASSERT_EQ(truncate(image("c.img").c_str(), 200 * 512), 0); });
    copy("10", "300");
    host_.answer_message_box(IDOK);
    host_.answer_message_box(IDOK);
    quit();
    run_editor();
    Model model{read_file_bytes(image("c.img"), 0, 0)};
    for (uint32_t s = 0; s < 200; ++s) {
        auto bytes = stamped_sector(s);
        model.bytes.insert(model.bytes.end(), bytes.begin(), bytes.end());
    }
    model.copy(150, 10, 50);
    EXPECT_TRUE(read_file_bytes(image("c.img"), 0, 200 * 512) == model.bytes);
    EXPECT_EQ(std::filesystem::file_size(image("c.img")), 200u * 512);
    EXPECT_EQ(progress(), (std::vector<std::string>{"42% Complete", "85% Complete", "100% Complete"}));
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 2u);
    expect_box(seen[0], "Error accessing contents of sector", "Data Error", false);
    expect_box(seen[1],
               "250 of 300 sectors were not copied.\n250 of them could not be read: their destination sectors were "
               "left as they were.",
               "Error Copying", true);
}

// Past 2^31 too, sector numbers are unsigned.
TEST_F(CopyBlock, WriteProtectedDestinationReportsTheFailedWrite) {
    write_zero_image(image("big.img"), 3000001000ull * 512);
    LoopDevice loop(image("big.img"), {.read_only = true});
    REQUIRE_LOOP(loop);
    map_volume('C', loop.device());
    open_selected_disk();
    copy("3000000000", "300");
    host_.answer_message_box(IDOK);
    host_.answer_message_box(IDOK);
    quit();
    run_editor();
    CloseHandle(EditorState.DiskRef);
    EditorState.DiskRef = INVALID_HANDLE_VALUE;
    EXPECT_EQ(progress(), std::vector<std::string>{"42% Complete"}) << "the copy ends at the failed write";
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 2u);
    expect_box(seen[0], "Error writing at sector 3000000000", "Error Copying", false);
    expect_box(seen[1], "300 of 300 sectors were not copied.", "Error Copying", true);
}

// A write that fails is split: a failure that passes costs nothing, and a
// sector that will not take its bytes is named; the copy ends with the
// block that holds it.
TEST_F(CopyBlock, AFailedWriteIsSplitAndNamesTheSectorThatDidNotTakeItsBytes) {
    const struct {
        const char* what;
        uint32_t destination, count;
        int bad;            // a destination sector that refuses writes, or none
        uint32_t from, to;  // the offsets of the run copied
        uint32_t lost;      // sectors not copied
    } rows[] = {
        {"the first write fails once", 3100, 300, -1, 0, 300, 0},
        {"the write of a single sector fails once", 3100, 1, -1, 0, 1, 0},
        {"a bad sector in the second chunk", 3100, 300, 3228, 0, 300, 1},
        {"a bad sector in the first block of two", 3100, 3000, 3200, 0, 2048, 953},
        {"a bad sector in the last block copied downward", 500, 3000, 600, 0, 3000, 1},
        {"a bad sector in the first block copied downward", 500, 3000, 3000, 952, 3000, 953},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        map_stamped_image(6200);
        Model model = model_of(image("c.img"));
        if (row.bad >= 0) platform::faults::plant_bad_sector(image("c.img"), row.bad, platform::faults::Call::WriteFile);
        open_selected_disk();
        host_.check("the first write fails", [&] {
            platform::faults::reset_counts();
            if (row.bad < 0) platform::faults::arm(platform::faults::Call::WriteFile, 1, platform::faults::Kind::Error);
        });
        copy(std::to_string(row.destination), std::to_string(row.count));
        host_.answer_message_box(IDOK);
        if (row.lost) host_.answer_message_box(IDOK);
        quit();
        run_editor();
        platform::faults::disarm_all();
        std::vector<uint32_t> kept;
        if (row.bad >= 0) kept.push_back(row.bad - row.destination - row.from);
        model.copy(row.from, row.destination + row.from, row.to - row.from, kept);
        EXPECT_TRUE(read_file_bytes(image("c.img"), 0, 6200 * 512) == model.bytes);
        auto seen = boxes();
        if (row.lost == 0) {
            ASSERT_EQ(seen.size(), 1u);
            expect_box(seen[0], kCompleted, "Copy Complete", true);
        } else {
            ASSERT_EQ(seen.size(), 2u);
            expect_box(seen[0], "Error writing at sector " + std::to_string(row.bad), "Error Copying", false);
            expect_box(seen[1], std::to_string(row.lost) + " of " + std::to_string(row.count) + " sectors were not copied.",
                       "Error Copying", true);
        }
        start_again();
    }
}

// While a copy runs nothing else reaches the disk: an open Search Disk
// dialog waits too, and takes input again at the copy's end.
TEST_F(CopyBlock, WhileACopyRunsAnOpenSearchDialogWaits) {
    map_stamped_image(1024);
    open_selected_disk();
    choose_menu(IDM_SEARCH_DISK);
    copy("500", "300");
    std::vector<bool> enabled;  // the Search Disk dialog while the copy runs, then after
    auto look = [&] { enabled.push_back(IsWindowEnabled(HeadlessHost::window("Search Disk")()) != 0); };
    host_.while_busy("look while it runs", [&] {
        look();
        return true;
    });
    host_.answer_message_box(IDOK);
    host_.check("look after", look);
    host_.close_window(HeadlessHost::window("Search Disk"));
    quit();
    run_editor();
    EXPECT_EQ(enabled, (std::vector<bool>{false, true}));
}

// A copy over the shown sector shows what the disk then holds there, so
// that a Save without edits cannot put the old bytes back; unsaved edits
// stay on screen, marked.
TEST_F(CopyBlock, ACopyOverTheShownSectorShowsItsNewBytesUnlessItHasEdits) {
    map_stamped_image(64);
    open_selected_disk();
    struct Seen {
        std::vector<uint8_t> data;
        std::string hex;
        BYTE dirty;
    };
    std::vector<Seen> seen;
    auto look = [&] {
        host_.check("the shown sector", [&] { seen.push_back({sector_data(), hex_pane(), EditorState.SectorDirty}); });
    };
    std::vector<uint8_t> buffer;
    go_to("10");
    choose_menu(IDM_COPY_TO_BUFFER);
    copy("5", "10");  // 10 ... 19 onto 5 ... 14: the shown 10 gets 15
    host_.answer_message_box(IDOK);
    look();
    host_.check("the buffer", [&] { buffer.assign(EditorState.TransferBuffer, EditorState.TransferBuffer + 512); });
    choose_menu(IDM_SAVE_SECTOR);
    go_to("30");
    host_.type_text("41");
    copy("25", "10");
    host_.answer_message_box(IDOK);
    look();
    quit();
    run_editor();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].data, stamped_sector(15));
    EXPECT_EQ(seen[0].hex, hex_text_of(stamped_sector(15)));
    EXPECT_EQ(seen[0].dirty, 0);
    EXPECT_EQ(buffer, stamped_sector(10)) << "the re-read reached past the shown sector";
    EXPECT_EQ(read_file_bytes(image("c.img"), 10 * 512, 512), stamped_sector(15)) << "Save wrote the copy back";
    std::vector<uint8_t> edited = stamped_sector(30);
    edited[0] = 0x41;
    EXPECT_EQ(seen[1].data, edited);
    EXPECT_EQ(seen[1].dirty, 1);
    EXPECT_EQ(read_file_bytes(image("c.img"), 30 * 512, 512), stamped_sector(35));
}

// Completed means on the disk: a flush the disk refuses is said, and the
// copy is not called complete.
TEST_F(CopyBlock, AFlushTheDiskRefusesIsReportedAndNothingIsCalledCopied) {
    for (std::string count : {"1", "3"}) {
        map_stamped_image(64);
        open_selected_disk();
        host_.check("the next flush fails", [] {
            platform::faults::reset_counts();
            platform::faults::arm(platform::faults::Call::FlushFileBuffers, 1, platform::faults::Kind::Error);
        });
        copy("40", count);
        bool main_enabled = true;  // the Copy Block dialog is still up behind its box
        host_.then("the main window behind the box", [&] {
            if (host_.message_boxes().empty()) return false;
            main_enabled = IsWindowEnabled(EditorState.MainWindow) != 0;
            return true;
        });
        host_.answer_message_box(IDOK);
        host_.answer_message_box(IDOK);
        quit();
        run_editor();
        platform::faults::disarm_all();
        EXPECT_FALSE(main_enabled) << count;
        auto seen = boxes();
        ASSERT_EQ(seen.size(), 2u) << count;
        expect_box(seen[0], "Error writing to the disk: the sectors copied may not all be on it", "Error Copying", false);
        expect_box(seen[1], count + " of " + count + " sectors were not copied.", "Error Copying", true);
        start_again();
    }
}

TEST(CopyProgress, IsExactForEveryRunOfSectors) {
    const struct {
        DWORD done, total;
        int percent;
    } cases[] = {{128, 300, 42}, {300, 300, 100}, {1, 3, 33}, {42949673, 100000000, 42},
                 {3000000000u, 4000000000u, 75}, {4294967295u, 4294967295u, 100}};
    for (const auto& c : cases) EXPECT_EQ(percent_done(c.done, c.total), c.percent) << c.done << " of " << c.total;
}

// A long copy shows its progress as it goes, holds its fields and Copy, and
// stops at Cancel (a click, or Space: the focus is there), Escape or the
// close box, after the block in hand, saying how much it copied; the dialog
// then closes.
TEST_F(CopyBlock, CancelStopsACopyAfterTheBlockInHand) {
    const struct {
        const char* way;
        bool (*stop)(HWND dialog);
    } rows[] = {
        {"click Cancel", [](HWND dialog) { return platform::input_click(GetDlgItem(dialog, IDC_CANCEL), {2, 2}, 0); }},
        {"Space", [](HWND) { return platform::input_key(VK_SPACE, 0, ' '); }},
        {"Escape", [](HWND) { return platform::input_key(VK_ESCAPE, 0, 0x1B); }},
        {"close box", [](HWND dialog) { return platform::input_close(dialog); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.way);
        map_stamped_image(6200);
        Model model = model_of(image("c.img"));
        open_selected_disk();
        copy("3100", "3000");
        std::vector<std::string> shown;
        bool held = false;
        host_.while_busy(std::string(row.way) + " after the first chunk", [&] {
            shown.push_back(progress().empty() ? "" : progress().back());
            HWND dialog = HeadlessHost::window("Copy Block")();
            held = dialog && !IsWindowEnabled(GetDlgItem(dialog, IDC_COPY)) &&
                   !IsWindowEnabled(GetDlgItem(dialog, IDC_DESTINATION)) &&
                   GetFocus() == GetDlgItem(dialog, IDC_CANCEL);
            return dialog && row.stop(dialog);
        });
        host_.answer_message_box(IDOK);
        bool closed = false;
        host_.check("the dialog", [&] { closed = HeadlessHost::window("Copy Block")() == nullptr; });
        quit();
        run_editor();
        model.copy(0, 3100, 2048);
        EXPECT_TRUE(read_file_bytes(image("c.img"), 0, 6200 * 512) == model.bytes);
        EXPECT_EQ(shown, std::vector<std::string>{"4% Complete"}) << "the progress shows while it runs";
        EXPECT_TRUE(held) << "Copy and the fields are disabled, the focus on Cancel, while it runs";
        ASSERT_EQ(boxes().size(), 1u);
        expect_box(boxes()[0], "The copy was stopped: 2048 of 3000 sectors were copied.", "Copy Block", true);
        EXPECT_TRUE(closed);
        start_again();
    }
}

}  // namespace
