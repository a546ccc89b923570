// Export and import of sector image files: what reaches the file and the
// disk, the count dialog, and every way a run can fail.
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "disk/sector_run.h"
#include "editor/editor_state.h"
#include "editor_fixture.h"
#include "faults.h"
#include "output/image_files.h"
#include "output/web_pages.h"
#include "platform/control.h"
#include "platform/user/input.h"
#include "platform/user/window_view.h"
#include "resources/resource.h"

using platform::HeadlessHost;
using namespace testing_support;

namespace {

namespace fs = std::filesystem;

constexpr const char* kCountCaption = "Number of Sectors *";

// A tmpfs of 64 KiB mounted for the lifetime of the object: a disk that fills.
class SmallTmpfs {
public:
    SmallTmpfs() {
        std::string out;
        mounted_ = run_command("mount -t tmpfs -o size=64k tmpfs '" + point_.path() + "'", &out) == 0;
        if (!mounted_) why_not_ = out;
        if (mounted_) held_ = hold_outside("umount -l '" + point_.path() + "'");
    }
    ~SmallTmpfs() {
        released_outside(held_);
        if (mounted_) run_command("umount '" + point_.path() + "'");
    }
    bool mounted() const { return mounted_; }
    const std::string& why_not() const { return why_not_; }
    std::string file(const std::string& name) const { return point_.file(name); }

private:
    TempDir point_;
    bool mounted_ = false;
    std::string why_not_;
    int held_ = 0;
};

class ExportImport : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        ImageFileName[0] = '\0';  // kept for the process's life, as the program keeps it
        map_stamped_image(2000);
    }

    static HeadlessHost::Target count_item(int id) { return HeadlessHost::item(kCountCaption, id); }

    // To a sector the way a user gets there: a step from the one before.
    void go_to(DWORD sector) {
        host_.check("stand before sector " + std::to_string(sector),
                    [sector] { EditorState.CurrentSector = sector - 1; });
        press(VK_NEXT);
    }

    // Records what the count field shows as the dialog opens.
    void look_at_count(std::string* shown) {
        host_.then("look at the count dialog", [shown] {
            HWND field = count_item(IDC_COUNT)();
            if (!field) return false;
            char text[32] = {};
            GetWindowTextA(field, text, sizeof text);
            *shown = text;
            return true;
        });
    }

    // Types text over the count and presses OK; empty text presses OK on what is shown.
    void answer_count(const std::string& text) {
        if (!text.empty()) {
            host_.click(count_item(IDC_COUNT));
            press(VK_HOME);
            press(VK_END, platform::kInputShift);
            host_.type_text(text);
        }
        host_.click(count_item(IDC_COUNT_OK));
    }

    void cancel_count() { host_.click(count_item(IDC_CANCEL)); }

    void export_to(const std::string& path, const std::string& count) {
        choose_menu(IDM_EXPORT_SECTORS);
        host_.choose_file(path);
        answer_count(count);
    }

    void import_from(const std::string& path, const std::string& count) {
        choose_menu(IDM_IMPORT_SECTORS);
        host_.choose_file(path);
        answer_count(count);
    }

    // Runs when a message box is up, before it is answered.
    void while_box_is_up(const std::string& description, std::function<void()> act) {
        host_.then(description, [this, act] {
            auto seen = host_.message_boxes();
            if (seen.empty() || seen.back().answer != 0) return false;
            act();
            return true;
        });
    }

    std::vector<uint8_t> on_disk(uint64_t first, uint64_t count) {
        return read_file_bytes(image("c.img"), first * 512, count * 512);
    }

    struct Shown {
        std::vector<uint8_t> data;
        std::string hex;
        BYTE dirty = 2;
    };
    void look(Shown* shown) {
        host_.check("look at the shown sector", [shown] { *shown = {sector_data(), hex_pane(), EditorState.SectorDirty}; });
    }
};

// Read I/Os and sectors a block device has served so far.
struct DeviceReads {
    uint64_t ios = 0, sectors = 0;
};
DeviceReads reads_of(const std::string& device) {
    std::ifstream stat("/sys/block/" + fs::path(device).filename().string() + "/stat");
    DeviceReads reads;
    uint64_t merges = 0;
    stat >> reads.ios >> merges >> reads.sectors;
    return reads;
}

TEST_F(ExportImport, ExportFromSector1000ReadsTheRunInOneRequestIntoTheFileInOrder) {
    LoopDevice loop(image("c.img"));
    REQUIRE_LOOP(loop);
    run_command("udevadm settle");  // where udev runs, its probe of the new device is over before we count
    map_volume('C', loop.device());
    open_selected_disk();
    go_to(1000);
    DeviceReads before, after;
    host_.check("device reads before", [&] { before = reads_of(loop.device()); });
    export_to(image("out.bin"), "384");
    host_.check("device reads after", [&] { after = reads_of(loop.device()); });
    quit();
    run_editor();
    EXPECT_EQ(fs::file_size(image("out.bin")), 384u * 512);
    EXPECT_EQ(read_file_bytes(image("out.bin"), 0, 384 * 512), stamped_run(1000, 384));
    EXPECT_EQ(after.ios - before.ios, 1u) << "384 sectors in one request";
    EXPECT_EQ(after.sectors - before.sectors, 384u);
    EXPECT_TRUE(boxes().empty());
}

// A disk whose adapter takes at most 256 KiB a request is asked for no
// more: 1500 sectors in requests of up to 512, read and written at once
// on handles of their own; a longer run is read a batch ahead; and a
// bad sector in one of them costs that sector alone, in an export and in
// a copy.
TEST_F(ExportImport, RunsAskNoMoreOfADiskThanItTakesInOneRequestAndKeepSeveralInFlight) {
    write_whole_file(image("in.bin"), stamped_run(5000, 1500));
    write_stamped_image(image("c.img"), 4000);
    write_file_bytes(image("c.img"), 1700 * 512 + 10, {'F', 'I', 'N', 'D', 'M', 'E'});
    LoopDevice loop(image("c.img"));
    REQUIRE_LOOP(loop);
    if (loop.limit_requests(256) != 256) GTEST_SKIP() << "the loop device's largest request cannot be set here";
    map_volume('C', loop.device());
    open_selected_disk();
    go_to(100);
    unsigned reads = 0, writes = 0;
    host_.check("count from here", [] { platform::faults::reset_counts(); });
    export_to(image("out.bin"), "1500");
    host_.check("count the reads", [&] { reads = platform::faults::calls(platform::faults::Call::ReadFile); });
    import_from(image("in.bin"), "");
    host_.check("count the writes", [&] { writes = platform::faults::calls(platform::faults::Call::WriteFile); });
    // From sector 100: the hit lies in the first batch, found while the
    // next one is read, which must be over before its memory goes.
    search_disk_for_text("FINDME");
    SectorNumber found = 0;
    host_.check("where the search stopped", [&] { found = EditorState.CurrentSector; });
    go_to(100);
    std::vector<uint8_t> imported;
    host_.check("bad sectors in the second and third requests", [&] {
        imported = read_file_bytes(image("c.img"), 0, 4000 * 512);
        platform::faults::plant_bad_sector(loop.device(), 800);
        platform::faults::plant_bad_sector(loop.device(), 2500);  // in the batch read ahead
        platform::faults::plant_bad_sector(loop.device(), 3300, platform::faults::Call::WriteFile);  // a second handle's piece
    });
    export_to(image("bad.bin"), "3800");
    host_.answer_message_box(IDOK);
    copy_block("2000", "1500");
    host_.answer_message_box(IDOK);
    host_.answer_message_box(IDOK);
    host_.answer_message_box(IDOK);
    quit();
    run_editor();
    platform::faults::disarm_all();
    EXPECT_EQ(read_file_bytes(image("out.bin"), 0, 1500 * 512), stamped_run(100, 1500));
    EXPECT_EQ(reads, 3u) << "three requests";
    EXPECT_EQ(writes, 4u) << "writes are cut where 64 KiB begin: 412, 512, 512 and 64 sectors";
    EXPECT_EQ(found, 1700u);
    ASSERT_EQ(imported.size(), 4000u * 512);
    std::vector<uint8_t> exported(imported.begin() + 100 * 512, imported.begin() + 3900 * 512);
    for (size_t bad : {700, 2400}) std::fill_n(exported.begin() + bad * 512, 512, 0);
    EXPECT_TRUE(read_file_bytes(image("bad.bin"), 0, 3800 * 512) == exported) << "zeros for the bad sectors alone";
    std::vector<uint8_t> copied = imported;
    std::copy(imported.begin() + 100 * 512, imported.begin() + 1600 * 512, copied.begin() + 2000 * 512);
    for (uint64_t kept : {2700, 3300}) std::copy_n(imported.begin() + kept * 512, 512, copied.begin() + kept * 512);
    EXPECT_TRUE(read_file_bytes(image("c.img"), 0, 4000 * 512) == copied)
        << "the copy leaves the unread and the unwritten sector alone";
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].text, "2 sector(s) could not be read and were exported as zeros.");
    EXPECT_EQ(seen[1].text, "Error accessing contents of sector");
    EXPECT_EQ(seen[2].text, "Error writing at sector 3300");
    EXPECT_EQ(seen[3].text,
              "2 of 1500 sectors were not copied.\n1 of them could not be read: their destination sectors were left "
              "as they were.");
}

TEST_F(ExportImport, ExportOfOneSectorTakesTheDiskNotTheEditsAndBothDialogsOfferTheLastPath) {
    open_selected_disk();
    host_.type_text("41");
    export_to(image("one.bin"), "1");
    Shown after;
    look(&after);
    choose_menu(IDM_IMPORT_SECTORS);
    host_.cancel_file_dialog();
    quit();
    run_editor();
    EXPECT_EQ(read_file_bytes(image("one.bin"), 0, 1024), stamped_sector(0));
    std::vector<uint8_t> edited = stamped_sector(0);
    edited[0] = 0x41;
    EXPECT_EQ(after.data, edited) << "the export leaves the edits on screen";
    EXPECT_EQ(after.dirty, 1);
    auto dialogs = host_.file_dialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    std::vector<std::pair<std::string, std::string>> filters = {{"Binary Files", "*.bin"}, {"All Files", "*.*"}};
    EXPECT_TRUE(dialogs[0].save);
    EXPECT_EQ(dialogs[0].title, "Save Sector Image As");
    EXPECT_EQ(dialogs[0].initial_path, "");
    EXPECT_FALSE(dialogs[1].save);
    EXPECT_EQ(dialogs[1].title, "Open Sector Image");
    EXPECT_EQ(dialogs[1].initial_path, image("one.bin")) << "the path chosen last is offered";
    for (const auto& dialog : dialogs) {
        EXPECT_EQ(dialog.owner, EditorState.MainWindow);
        EXPECT_EQ(dialog.filters, filters);
        EXPECT_EQ(dialog.filter_index, 1);
        EXPECT_EQ(dialog.default_extension, "bin");
    }
    EXPECT_EQ(dialogs[0].flags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT)) << "asks before replacing";
    EXPECT_EQ(dialogs[1].flags, static_cast<DWORD>(OFN_HIDEREADONLY));
    EXPECT_TRUE(boxes().empty());
}

// An existing file is replaced only once the user has agreed and given a
// count: No, Cancel, the close box and a count that does not translate all
// leave it as it was.
TEST_F(ExportImport, ExportReplacesAnExistingFileOnlyWhenAllowedAndGivenACount) {
    const std::vector<uint8_t> old = stamped_run(0, 4);
    write_whole_file(image("old.bin"), old);
    open_selected_disk();
    choose_menu(IDM_EXPORT_SECTORS);
    host_.choose_file(image("old.bin"));
    host_.answer_message_box(IDNO);  // not this file: the dialog again
    host_.cancel_file_dialog();
    std::vector<std::string> shown(3);
    std::vector<std::vector<uint8_t>> while_asked(3);
    for (int way = 0; way < 3; ++way) {
        choose_menu(IDM_EXPORT_SECTORS);
        host_.choose_file(image("old.bin"));
        host_.answer_message_box(IDYES);
        look_at_count(&shown[way]);
        host_.check("the file while the count is asked", [&, way] { while_asked[way] = read_file_bytes(image("old.bin"), 0, 4096); });
        if (way == 0) cancel_count();
        if (way == 1) host_.close_window(HeadlessHost::window(kCountCaption));
        if (way == 2) answer_count("18446744073709551616");  // beyond 64 bits: no number
    }
    choose_menu(IDM_EXPORT_SECTORS);
    host_.choose_file(image("old.bin"));
    host_.answer_message_box(IDYES);
    answer_count("2");
    quit();
    run_editor();
    for (int way = 0; way < 3; ++way) {
        EXPECT_EQ(shown[way], "0") << way;
        EXPECT_EQ(while_asked[way], old) << way;
    }
    EXPECT_EQ(read_file_bytes(image("old.bin"), 0, 4096), stamped_run(0, 2)) << "replaced, not written over";
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 5u) << "the questions alone";
    for (const auto& box : seen) EXPECT_EQ(box.text, "old.bin already exists.\nDo you want to replace it?");
    // The help page at start-up, then the other product's help page at every opening.
    auto requests = host_.shell_requests();
    ASSERT_EQ(requests.size(), 5u);
    for (size_t i = 1; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].verb, "open");
        EXPECT_EQ(requests[i].file, std::string(MakerWebAddress) + VELLUM_HELP_PAGE);
        EXPECT_EQ(requests[i].show, 0);
        EXPECT_NE(requests[i].owner, EditorState.MainWindow) << "the count dialog asks";
        EXPECT_NE(requests[i].owner, nullptr);
    }
}

TEST_F(ExportImport, TheCountDialogLetsTheSessionEnd) {
    open_selected_disk();
    choose_menu(IDM_EXPORT_SECTORS);
    host_.choose_file(image("out.bin"));
    host_.wait_until("the count dialog", [] { return count_item(IDC_COUNT)() != nullptr; });
    host_.end_session();
    EXPECT_EQ(run_editor(), 0);
    EXPECT_EQ(host_.session_ends(), std::vector<bool>{true});
    EXPECT_FALSE(fs::exists(image("out.bin")));
}

// The open disk's own image is no file to export into or import from,
// whatever name it is chosen by: either would overwrite what it reads.
TEST_F(ExportImport, TheOpenDiskItselfIsRefusedAsTheFileOfAnExportOrAnImport) {
    LoopDevice loop(image("c.img"));
    fs::create_symlink(image("c.img"), image("link.img"));
    struct Row {
        std::string disk, file;
    };
    std::vector<Row> rows = {{image("c.img"), image("c.img")}, {image("c.img"), image("link.img")}};
    // A name the file dialog takes as it stands: one without an extension gets ".bin".
    if (loop.attached()) fs::create_symlink(loop.device(), image("device.img"));
    if (loop.attached()) rows.insert(rows.end(), {{loop.device(), image("c.img")}, {loop.device(), image("device.img")}});
    for (const Row& row : rows) {
        map_volume('C', row.disk);
        open_selected_disk();
        go_to(1);
        choose_menu(IDM_EXPORT_SECTORS);
        host_.choose_file(row.file);
        host_.answer_message_box(IDYES);  // it exists
        host_.answer_message_box(IDOK);
        choose_menu(IDM_IMPORT_SECTORS);
        host_.choose_file(row.file);
        host_.answer_message_box(IDOK);
        quit();
        run_editor();
        CloseHandle(EditorState.DiskRef);
        reset_editor_state();
    }
    EXPECT_EQ(on_disk(0, 2000), stamped_run(0, 2000));
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 3 * rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].disk + " and " + rows[i].file);
        EXPECT_EQ(seen[3 * i + 1].text,
                  "This file is the open disk itself: exporting into it would overwrite the sectors being exported. "
                  "Choose another file.");
        EXPECT_EQ(seen[3 * i + 1].caption, "Export Error");
        EXPECT_EQ(seen[3 * i + 2].text,
                  "This file is the open disk itself: importing it would overwrite the sectors it is read from. "
                  "Choose another file.");
        EXPECT_EQ(seen[3 * i + 2].caption, "Import Error");
    }
    EXPECT_EQ(host_.shell_requests().size(), rows.size()) << "no count was asked";
}

// A disk that refuses every write ends the import at its first chunk, with
// one message that names the cause, instead of a question per chunk.
TEST_F(ExportImport, ImportOntoADiskThatRefusesWritesStopsAtOnceAndSaysWhy) {
    write_whole_file(image("in.bin"), stamped_run(5000, 1000));
    struct Row {
        bool mounted;
        std::string cause;
    };
    const Row rows[] = {{false, "the disk is write-protected"},
                        {true, "the disk is open for reading only (it is mounted, in use by another program, or you may "
                               "not write to it)"}};
    for (const Row& row : rows) {
        write_stamped_image(image("c.img"), 2000);
        LoopDevice loop(image("c.img"), {.read_only = !row.mounted});
        REQUIRE_LOOP(loop);
        std::unique_ptr<Mounted> mount;
        if (row.mounted) {
            mount = std::make_unique<Mounted>(loop.device());
            if (!mount->mounted()) GTEST_SKIP() << mount->why_not();
        }
        map_volume('C', loop.device());
        size_t first_box = boxes().size();
        std::vector<uint8_t> before = read_file_bytes(image("c.img"), 0, 2000 * 512);
        open_selected_disk();
        import_from(image("in.bin"), "");
        host_.answer_message_box(IDOK);
        quit();
        run_editor();
        CloseHandle(EditorState.DiskRef);
        reset_editor_state();
        // Before the file system, unmounted, writes its own state.
        EXPECT_EQ(read_file_bytes(image("c.img"), 0, 2000 * 512), before) << row.cause;
        mount.reset();
        auto seen = boxes();
        ASSERT_EQ(seen.size(), first_box + 1) << row.cause;
        EXPECT_EQ(seen[first_box].text, "Error writing at sector 0: " + row.cause + ". The import was stopped.");
        EXPECT_EQ(seen[first_box].caption, "Import Error");
    }
}

TEST_F(ExportImport, ImportOffersTheFileLengthInWholeSectors) {
    const std::vector<std::pair<uint64_t, std::string>> cases = {
        {1000, "2"}, {1024, "2"}, {1025, "3"}, {0, "0"}, {(2ull << 30) + 1, "4194305"}, {(2ull << 40) + 1, "4294967297"}};
    for (size_t i = 0; i < cases.size(); ++i) write_zero_image(image("in" + std::to_string(i) + ".bin"), cases[i].first);
    open_selected_disk();
    std::vector<std::string> shown(cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        choose_menu(IDM_IMPORT_SECTORS);
        host_.choose_file(image("in" + std::to_string(i) + ".bin"));
        look_at_count(&shown[i]);
        cancel_count();
    }
    quit();
    run_editor();
    for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(shown[i], cases[i].second) << cases[i].first << " bytes";
    EXPECT_EQ(on_disk(0, 2000), stamped_run(0, 2000));
    EXPECT_EQ(host_.shell_requests().size(), 1 + cases.size());
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ExportImport, ImportWritesTheFileInOrderThenShowsTheDiskUnmarked) {
    write_whole_file(image("in.bin"), stamped_run(5000, 300));
    open_selected_disk();
    go_to(10);
    host_.type_text("41");
    import_from(image("in.bin"), "");
    Shown after;
    look(&after);
    press(VK_NEXT);  // asks nothing: the edits are gone
    quit();
    run_editor();
    EXPECT_EQ(on_disk(10, 300), stamped_run(5000, 300));
    EXPECT_EQ(on_disk(9, 1), stamped_sector(9));
    EXPECT_EQ(on_disk(310, 1), stamped_sector(310));
    EXPECT_EQ(after.data, stamped_sector(5000));
    EXPECT_EQ(after.hex, hex_text_of(stamped_sector(5000)));
    EXPECT_EQ(after.dirty, 0);
    EXPECT_TRUE(boxes().empty());
}

// A count typed over the offer replaces it; a count beyond the file imports
// the file and says nothing, whether the disk goes on or ends with it; the
// sector copied to the buffer before stays there; runs this short show no
// progress.
TEST_F(ExportImport, ATypedCountReplacesTheOfferAndACountPastTheFileImportsTheFileAlone) {
    const std::vector<uint8_t> file = stamped_run(5000, 256);  // two whole chunks
    write_whole_file(image("in.bin"), file);
    open_selected_disk();
    choose_menu(IDM_COPY_TO_BUFFER);
    choose_menu(IDM_IMPORT_SECTORS);
    host_.choose_file(image("in.bin"));
    host_.type_text("3");  // over the offered 256
    press(VK_RETURN);
    std::vector<uint8_t> buffer;
    host_.check("the buffer", [&] { buffer.assign(EditorState.TransferBuffer, EditorState.TransferBuffer + 512); });
    go_to(100);
    import_from(image("in.bin"), "400");
    go_to(1744);  // the file ends where the disk does
    import_from(image("in.bin"), "300");
    // Late in the run: after its last chunk nothing is shown or asked.
    host_.while_busy("time passes", [] {
        platform::advance_tick_count(1000);
        return true;
    });
    quit();
    run_editor();
    for (const auto& text : host_.static_texts()) EXPECT_NE(text.id, IDC_PROGRESS_TEXT) << "a run this quick shows no progress";
    EXPECT_EQ(on_disk(0, 3), stamped_run(5000, 3));
    EXPECT_EQ(on_disk(3, 1), stamped_sector(3)) << "3 typed over 256 is 3";
    EXPECT_EQ(buffer, stamped_sector(0)) << "the import reads the shown sector alone";
    EXPECT_EQ(on_disk(100, 256), file);
    EXPECT_EQ(on_disk(356, 44), stamped_run(356, 44));
    EXPECT_EQ(on_disk(1744, 256), file);
    EXPECT_TRUE(boxes().empty()) << boxes().front().text;
}

// When the disk's sector under the file's end cannot be read, that part of
// the file is left out, and said.
TEST_F(ExportImport, ImportStopsAtTheEndOfTheFileAndKeepsTheDisksBytesBeyondIt) {
    std::vector<uint8_t> file(1000);
    for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(0xA0 ^ i);
    for (bool tail_unreadable : {false, true}) {
        SCOPED_TRACE(tail_unreadable ? "the disk's last sector unreadable" : "readable");
        map_stamped_image(2000);
        write_whole_file(image("in.bin"), file);
        open_selected_disk();
        go_to(20);
        host_.check("arm", [&] {
            platform::faults::reset_counts();
            if (tail_unreadable) platform::faults::arm(platform::faults::Call::ReadFile, 1, platform::faults::Kind::Error);
        });
        import_from(image("in.bin"), "5");
        if (tail_unreadable) host_.answer_message_box(IDOK);
        quit();
        run_editor();
        platform::faults::disarm_all();
        std::vector<uint8_t> second(file.begin() + 512, file.end());
        auto kept = stamped_sector(21);
        second.insert(second.end(), kept.begin() + 488, kept.end());
        EXPECT_EQ(on_disk(20, 1), std::vector<uint8_t>(file.begin(), file.begin() + 512));
        EXPECT_EQ(on_disk(21, 1), tail_unreadable ? kept : second) << "bytes 1000 to 1023 stay as the disk had them";
        EXPECT_EQ(on_disk(22, 3), stamped_run(22, 3)) << "nothing past the end of the file";
        if (tail_unreadable) {
            ASSERT_EQ(boxes().size(), 1u);
            EXPECT_EQ(boxes()[0].text, "Error reading sector 21: the last 488 bytes of the file were not imported.");
            EXPECT_EQ(boxes()[0].caption, "Import Error");
        } else {
            EXPECT_TRUE(boxes().empty());
        }
        start_again();
    }
}

// A block whose write fails is split: every sector that takes its bytes
// gets them, and the question names the one that did not; Yes goes on with
// the next block, No stops before it.
TEST_F(ExportImport, AFailedWriteAsksOnceNamingTheSectorThatFailedYesGoesOnNoStops) {
    write_whole_file(image("in.bin"), stamped_run(5000, 3000));
    for (int answer : {IDYES, IDNO}) {
        size_t first_box = boxes().size();
        write_stamped_image(image("c.img"), 4000);
        open_selected_disk();
        go_to(100);
        host_.check("a sector that refuses writes",
                    [&] { platform::faults::plant_bad_sector(image("c.img"), 1128, platform::faults::Call::WriteFile); });
        import_from(image("in.bin"), "");
        host_.answer_message_box(answer);
        Shown after;
        look(&after);
        quit();
        run_editor();
        platform::faults::disarm_all();
        auto seen = boxes();
        ASSERT_EQ(seen.size(), first_box + 1) << answer;
        EXPECT_EQ(seen[first_box].text, "Error encountered writing at sector 1128\nDo you wish to ignore errors and continue?");
        EXPECT_EQ(seen[first_box].caption, "Error");
        EXPECT_EQ(seen[first_box].type, static_cast<UINT>(MB_ICONERROR | MB_YESNO));
        EXPECT_EQ(seen[first_box].owner, EditorState.MainWindow);
        EXPECT_EQ(on_disk(100, 1028), stamped_run(5000, 1028));
        EXPECT_EQ(on_disk(1128, 1), stamped_run(1128, 1)) << "the bad sector keeps its bytes";
        EXPECT_EQ(on_disk(1129, 1019), stamped_run(6029, 1019)) << "the rest of its block is written";
        EXPECT_EQ(on_disk(2148, 952), answer == IDYES ? stamped_run(7048, 952) : stamped_run(2148, 952))
            << "the next block";
        EXPECT_EQ(after.data, stamped_sector(5000)) << "the shown sector is read again";
        EXPECT_EQ(after.dirty, 0);
        CloseHandle(EditorState.DiskRef);
        reset_editor_state();
    }
}

TEST_F(ExportImport, ImportEndingBeforeTheShownSectorIsReadKeepsTheEditsMarked) {
    write_whole_file(image("in.bin"), stamped_run(5000, 3));
    open_selected_disk();
    host_.type_text("41");
    std::vector<Shown> after(4);
    choose_menu(IDM_IMPORT_SECTORS);
    host_.cancel_file_dialog();
    look(&after[0]);
    choose_menu(IDM_IMPORT_SECTORS);
    host_.choose_file(image("missing.bin"));
    host_.answer_message_box(IDOK);
    look(&after[1]);
    choose_menu(IDM_IMPORT_SECTORS);
    host_.choose_file(image("in.bin"));
    host_.close_window(HeadlessHost::window(kCountCaption));  // the close box answers 0, not the offer
    look(&after[2]);
    import_from(image("in.bin"), "18446744073709551616");
    look(&after[3]);
    press(VK_NEXT);
    host_.answer_message_box(IDNO);
    quit();
    run_editor();
    std::vector<uint8_t> edited = stamped_sector(0);
    edited[0] = 0x41;
    for (const Shown& shown : after) {
        EXPECT_EQ(shown.data, edited);
        EXPECT_EQ(shown.hex, hex_text_of(edited));
        EXPECT_EQ(shown.dirty, 1);
    }
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, "Error Importing from file.  Click OK to continue");
    EXPECT_EQ(seen[0].caption, "Import Error");
    EXPECT_EQ(seen[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(seen[1].caption, "Save Changes?") << "the next step asks about the edits";
    EXPECT_EQ(on_disk(0, 4), stamped_run(0, 4));
}

// What a failing disk gave is worth keeping: a file that fills up keeps the
// whole sectors written, and the message says how many.
TEST_F(ExportImport, AFullDiskStopsTheExportAndKeepsTheWholeSectorsWritten) {
    SmallTmpfs full;
    if (!full.mounted()) GTEST_SKIP() << "no tmpfs: " << full.why_not();
    open_selected_disk();
    go_to(10);
    export_to(full.file("out.bin"), "300");
    host_.answer_message_box(IDOK);
    host_.check("fill the disk", [&] { write_whole_file(full.file("filler"), std::vector<uint8_t>(64 * 1024, 1)); });
    export_to(full.file("one.bin"), "1");
    host_.answer_message_box(IDOK);
    quit();
    run_editor();
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 2u);
    uintmax_t size = fs::file_size(full.file("out.bin"));
    EXPECT_EQ(size % 512, 0u) << "no part of a sector";
    EXPECT_GT(size, 0u);
    EXPECT_LT(size, 300u * 512);
    EXPECT_EQ(read_file_bytes(full.file("out.bin"), 0, size), stamped_run(10, size / 512));
    EXPECT_EQ(seen[0].text, "Error writing to the file: only its first " + std::to_string(size / 512) +
                                " sector(s) were exported.");
    EXPECT_EQ(seen[1].text, "Error writing to the file: only its first 0 sector(s) were exported.");
    for (const auto& box : seen) {
        EXPECT_EQ(box.caption, "Export Error");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
    }
    EXPECT_EQ(fs::file_size(full.file("one.bin")), 0u);
}

// Where the file takes part of a sector (a limit on file sizes, here) the
// part goes: the file holds the whole sectors the message counts.
TEST_F(ExportImport, AFileThatTakesPartOfASectorKeepsTheWholeSectorsOnly) {
    struct rlimit unlimited {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    open_selected_disk();
    host_.check("files of 1000 bytes at most", [&] {
        signal(SIGXFSZ, SIG_IGN);  // the write fails instead
        struct rlimit limit = unlimited;
        limit.rlim_cur = 1000;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    });
    export_to(image("out.bin"), "3");
    host_.answer_message_box(IDOK);
    host_.check("no limit", [&] {
        setrlimit(RLIMIT_FSIZE, &unlimited);
        signal(SIGXFSZ, SIG_DFL);
    });
    quit();
    run_editor();
    EXPECT_EQ(read_file_bytes(image("out.bin"), 0, 2048), stamped_sector(0));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "Error writing to the file: only its first 1 sector(s) were exported.");
}

// A file that cannot be made is said, and nothing is read.
TEST_F(ExportImport, AFileThatCannotBeMadeIsSaid) {
    open_selected_disk();
    export_to(image("no such folder/out.bin"), "3");
    host_.answer_message_box(IDOK);
    quit();
    run_editor();
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "Error Exporting to file.  Click OK to continue");
    EXPECT_EQ(seen[0].caption, "Export Error");
}

TEST_F(ExportImport, SectorsThatCannotBeReadAreExportedAsZerosAndCounted) {
    open_selected_disk();
    go_to(1000);
    host_.check("shrink the disk", [&] { ASSERT_EQ(truncate(image("c.img").c_str(), 1150 * 512), 0); });
    export_to(image("out.bin"), "300");
    host_.answer_message_box(IDOK);
    quit();
    run_editor();
    auto expected = stamped_run(1000, 150);
    expected.resize(300 * 512, 0);
    EXPECT_EQ(read_file_bytes(image("out.bin"), 0, 200 * 1024), expected);
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "150 sector(s) could not be read and were exported as zeros.");
    EXPECT_EQ(seen[0].caption, "Export Error");
}

TEST_F(ExportImport, RunsEndAtTheLastSectorAndSaySo) {
    write_stamped_image(image("c.img"), 2000);
    write_whole_file(image("in.bin"), stamped_run(5000, 300));
    open_selected_disk();
    go_to(1990);
    export_to(image("out.bin"), "2147483648");  // unsigned: not a negative count
    host_.answer_message_box(IDOK);
    import_from(image("in.bin"), "");
    host_.answer_message_box(IDOK);
    quit();
    run_editor();
    EXPECT_EQ(read_file_bytes(image("out.bin"), 0, 300 * 512), stamped_run(1990, 10));
    EXPECT_EQ(on_disk(1990, 10), stamped_run(5000, 10));
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text,
              "The disk ends at sector 1999: 10 of the 2147483648 sector(s) from sector 1990 were exported.");
    EXPECT_EQ(seen[0].caption, "Export Error");
    EXPECT_EQ(seen[1].text, "The disk ends at sector 1999: the file's sectors after the first 10 were not imported.");
    EXPECT_EQ(seen[1].caption, "Import Error");
}

TEST_F(ExportImport, SectorNumbersFrom2To31OnAreUnsignedAndNoRunWrapsPastTheLast) {
    const uint64_t last = 0xFFFFFFFFull;
    write_zero_image(image("c.img"), (last + 1) * 512);  // 2 TiB, sparse
    write_whole_file(image("in.bin"), stamped_run(5000, 1));
    open_selected_disk();
    go_to(0x80000000u);
    host_.check("shrink the disk to 2^31 sectors", [&] { ASSERT_EQ(truncate(image("c.img").c_str(), 512ll << 31), 0); });
    import_from(image("in.bin"), "");
    host_.answer_message_box(IDNO);
    host_.answer_message_box(IDOK);  // the shown sector is gone as well
    host_.check("grow the disk back", [&] { ASSERT_EQ(truncate(image("c.img").c_str(), (last + 1) * 512), 0); });
    go_to(0xFFFFFF80u);
    export_to(image("out.bin"), "300");
    host_.answer_message_box(IDOK);
    quit();
    run_editor();
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].text, "Error encountered writing at sector 2147483648\nDo you wish to ignore errors and continue?");
    EXPECT_EQ(seen[1].text, "Error accessing contents of sector");
    EXPECT_EQ(seen[2].text,
              "The disk ends at sector 4294967295: 128 of the 300 sector(s) from sector 4294967168 were exported.");
    EXPECT_EQ(fs::file_size(image("out.bin")), 128u * 512);
}

// Saved, copied and imported mean on the disk: each ends by asking the
// device to empty its own cache (writes without buffering still go there).
TEST_F(ExportImport, SaveCopyAndImportEndWithTheDisksCacheEmptied) {
    LoopDevice loop(image("c.img"));
    REQUIRE_LOOP(loop);
    if (flushes_of(loop.device()) == UINT64_MAX) GTEST_SKIP() << "this kernel counts no flush requests";
    map_volume('C', loop.device());
    write_stamped_image(image("in.bin"), 2);
    std::vector<uint64_t> flushes;
    auto count_flushes = [&] { host_.check("flushes", [&] { flushes.push_back(flushes_of(loop.device())); }); };
    open_selected_disk();
    count_flushes();
    host_.type_text("4");
    choose_menu(IDM_SAVE_SECTOR);
    count_flushes();
    choose_menu(IDM_COPY_BLOCK);
    host_.type_text("100");
    press(VK_TAB);
    host_.type_text("3");
    host_.click(HeadlessHost::item("Copy Block", IDC_COPY));
    host_.answer_message_box(IDOK);
    count_flushes();
    import_from(image("in.bin"), "");
    count_flushes();
    quit();
    run_editor();
    ASSERT_EQ(flushes.size(), 4u);
    EXPECT_GT(flushes[1], flushes[0]) << "Save Sector";
    EXPECT_GT(flushes[2], flushes[1]) << "Copy Block";
    EXPECT_GT(flushes[3], flushes[2]) << "Import";
    EXPECT_EQ(boxes().size(), 1u) << "the copy's completion alone";
}

// An export or import that takes a while shows its progress in a dialog of
// its own, whose Cancel, clicked or by Enter (or Escape, before it shows),
// stops it after the chunk in hand: what was done is kept and said.
TEST_F(ExportImport, ALongRunShowsItsProgressAndStopsWhenAsked) {
    write_whole_file(image("in.bin"), stamped_run(5000, 1000));
    write_whole_file(image("big.bin"), stamped_run(5000, 2049));
    write_stamped_image(image("c.img"), 4000);
    open_selected_disk();
    go_to(100);
    choose_menu(IDM_SEARCH_DISK);  // open, it waits for the run too
    export_to(image("out.bin"), "1000");
    std::string progress;
    bool search_held = false;
    platform::WindowView view;
    host_.while_busy("time passes; keys and the menu of the main window meanwhile", [&] {
        search_held = !IsWindowEnabled(HeadlessHost::window("Search Disk")());
        platform::advance_tick_count(1000);
        // The main window waits: neither an edit nor a command reaches it.
        platform::input_key('7', 0, '7');
        platform::input_choose_menu_item(EditorState.MainWindow, IDM_ZERO_DATA);
        return true;
    });
    host_.while_busy("Cancel in the progress dialog", [&] {
        HWND text = HeadlessHost::item("Export Sector(s)", IDC_PROGRESS_TEXT)();
        HWND cancel = HeadlessHost::item("Export Sector(s)", IDC_CANCEL)();
        if (!text || !cancel) return false;
        char shown[32] = {};
        GetWindowTextA(text, shown, sizeof shown);
        progress = shown;
        return platform::input_click(cancel, {2, 2}, 0);
    });
    host_.answer_message_box(IDOK);
    Shown after_export;
    look(&after_export);
    // Enter is its default button, Cancel.
    export_to(image("entered.bin"), "1000");
    host_.while_busy("time passes", [] {
        platform::advance_tick_count(1000);
        return true;
    });
    host_.while_busy("the progress dialog shows", [] { return HeadlessHost::window("Export Sector(s)")() != nullptr; });
    host_.while_busy("its icons; Enter", [&] {
        platform::view_window(HeadlessHost::window("Export Sector(s)")(), &view);
        return platform::input_key(VK_RETURN, 0, '\r');
    });
    host_.answer_message_box(IDOK);
    import_from(image("big.bin"), "2049");  // one sector left after the first block still looks for the stop
    host_.while_busy("Escape", [] { return platform::input_key(VK_ESCAPE, 0, 0x1B); });
    host_.answer_message_box(IDOK);
    bool gone = false;
    Shown after;
    look(&after);
    host_.check("no progress dialog", [&] { gone = !HeadlessHost::window("Import Sector(s)")() && !HeadlessHost::window("Export Sector(s)")(); });
    quit();
    run_editor();
    EXPECT_EQ(progress, "25% Complete") << "shown after the second chunk, 256 of 1000";
    EXPECT_TRUE(search_held);
    EXPECT_EQ(view.icons[ICON_SMALL], EditorState.Icon);
    EXPECT_EQ(view.icons[ICON_BIG], EditorState.Icon);
    EXPECT_EQ(fs::file_size(image("entered.bin")), 384u * 512);
    EXPECT_EQ(fs::file_size(image("out.bin")), 256u * 512);
    EXPECT_EQ(read_file_bytes(image("out.bin"), 0, 256 * 512), stamped_run(100, 256));
    EXPECT_EQ(on_disk(100, 2048), stamped_run(5000, 2048));
    EXPECT_EQ(on_disk(2148, 1000), stamped_run(2148, 1000)) << "nothing after the block in hand";
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].text, "The export was stopped: the file holds the first 256 of the 1000 sector(s).");
    EXPECT_EQ(seen[0].caption, "Export Sector(s)");
    EXPECT_EQ(seen[1].text, "The export was stopped: the file holds the first 384 of the 1000 sector(s).") << "Enter";
    EXPECT_EQ(seen[2].text, "The import was stopped: 2048 of the 2049 sector(s) were imported.");
    EXPECT_EQ(seen[2].caption, "Import Sector(s)");
    EXPECT_TRUE(gone);
    EXPECT_EQ(after_export.data, stamped_sector(100)) << "neither edited nor zeroed while the export ran";
    EXPECT_EQ(after_export.dirty, 0);
    EXPECT_EQ(after.data, stamped_sector(5000)) << "the import's first sector, read again";
}

// The end of the session during a run stops it and ends the program: the
// box that says so goes with it, unanswered.
TEST_F(ExportImport, TheEndOfTheSessionDuringARunEndsTheProgram) {
    open_selected_disk();
    export_to(image("out.bin"), "1000");
    host_.while_busy("the session ends", [] { return platform::input_end_session(); });
    EXPECT_EQ(run_editor(), 0);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "The export was stopped: the file holds the first 128 of the 1000 sector(s).");
    EXPECT_EQ(boxes()[0].answer, 0);
}

// A failing disk: only the sectors that cannot be read alone are lost. The
// image holds every other sector's bytes and zeros for each bad one, the
// message counts them, and the map beside the image names exactly them, so
// that ddrescue, run on the disk once it reads again, fills in just those.
TEST_F(ExportImport, BadSectorsAreExactlyTheOnesExportedAsZerosAndTheMapNamesThem) {
    const std::vector<std::vector<uint64_t>> rows = {{250}, {100}, {399}, {250, 251}, {100, 101, 399}, {150, 152}};
    for (const auto& bad : rows) {
        SCOPED_TRACE(::testing::PrintToString(bad));
        map_stamped_image(1000);
        fs::remove(image("out.bin"));
        fs::remove(image("out.bin.map"));
        open_selected_disk();
        go_to(100);
        host_.check("the bad sectors", [&] {
            for (uint64_t sector : bad) platform::faults::plant_bad_sector(image("c.img"), sector);
        });
        export_to(image("out.bin"), "300");
        host_.answer_message_box(IDOK);
        quit();
        run_editor();
        platform::faults::disarm_all();
        std::vector<uint8_t> expected = stamped_run(100, 300);
        for (uint64_t sector : bad) std::fill_n(expected.begin() + (sector - 100) * 512, 512, 0);
        EXPECT_TRUE(read_file_bytes(image("out.bin"), 0, 301 * 512) == expected);
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].text,
                  std::to_string(bad.size()) + " sector(s) could not be read and were exported as zeros.");
        std::string listed;
        EXPECT_EQ(run_command("ddrescuelog -b 512 --list-blocks=- '" + image("out.bin.map") + "'", &listed), 0)
            << "gddrescue is installed by ./test";
        std::string wanted;
        for (uint64_t sector : bad) wanted += std::to_string(sector) + "\n";
        EXPECT_EQ(listed, wanted) << "the map's bad sectors, by number on the disk";
        // Each run of neighbouring bad sectors is one block of the map.
        std::vector<std::pair<uint64_t, uint64_t>> blocks, runs;
        std::ifstream map(image("out.bin.map"));
        for (std::string line; std::getline(map, line);) {
            unsigned long long pos = 0, size = 0;
            char status = 0;
            if (line[0] != '#' && sscanf(line.c_str(), "%llx %llx %c", &pos, &size, &status) == 3 && status == '-')
                blocks.push_back({pos, size});
        }
        for (uint64_t sector : bad) {
            if (!runs.empty() && runs.back().first + runs.back().second == sector * 512) {
                runs.back().second += 512;
            } else {
                runs.push_back({sector * 512, 512});
            }
        }
        EXPECT_EQ(blocks, runs);
        EXPECT_EQ(run_command("ddrescue -q -b 512 -r 1 -i " + std::to_string(100 * 512) + " -o 0 -s " +
                              std::to_string(300 * 512) + " '" + image("c.img") + "' '" + image("out.bin") + "' '" +
                              image("out.bin.map") + "'"),
                  0);
        EXPECT_TRUE(read_file_bytes(image("out.bin"), 0, 301 * 512) == stamped_run(100, 300))
            << "ddrescue, given the map, read the bad sectors again";
        start_again();
    }
}

// A sector is asked for twice alone, no more, before it counts as
// unreadable: one that fails once is exported whole; a bad one costs two
// reads, and a bad one beside a good one four (both, then each alone, the
// bad one again).
TEST_F(ExportImport, ASectorIsAskedForTwiceAloneBeforeItCountsAsUnreadable) {
    map_stamped_image(64);
    open_selected_disk();
    go_to(9);
    host_.check("the next read fails", [] {
        platform::faults::reset_counts();
        platform::faults::arm(platform::faults::Call::ReadFile, 1, platform::faults::Kind::Error);
    });
    export_to(image("out.bin"), "1");
    unsigned reads_of_one = 0, reads_of_two = 0;
    host_.check("sector 9 goes bad", [&] {
        platform::faults::disarm_all();
        platform::faults::plant_bad_sector(image("c.img"), 9);
    });
    export_to(image("one.bin"), "1");
    host_.answer_message_box(IDOK);
    host_.check("count", [&] {
        reads_of_one = platform::faults::calls(platform::faults::Call::ReadFile);
        platform::faults::reset_counts();
    });
    go_to(8);
    host_.check("from here", [] { platform::faults::reset_counts(); });
    export_to(image("two.bin"), "2");
    host_.answer_message_box(IDOK);
    host_.check("count", [&] { reads_of_two = platform::faults::calls(platform::faults::Call::ReadFile); });
    unsigned reads_of_bad_first = 0;
    go_to(9);
    host_.answer_message_box(IDOK);  // the shown sector cannot be read either
    host_.check("from the bad one", [] { platform::faults::reset_counts(); });
    export_to(image("three.bin"), "2");
    host_.answer_message_box(IDOK);
    host_.check("count", [&] { reads_of_bad_first = platform::faults::calls(platform::faults::Call::ReadFile); });
    quit();
    run_editor();
    platform::faults::disarm_all();
    EXPECT_EQ(read_file_bytes(image("out.bin"), 0, 1024), stamped_sector(9));
    EXPECT_FALSE(fs::exists(image("out.bin.map"))) << "nothing was lost: no map";
    EXPECT_EQ(reads_of_one, 2u);
    EXPECT_EQ(reads_of_two, 4u);
    EXPECT_EQ(reads_of_bad_first, 4u);
    ASSERT_EQ(boxes().size(), 4u);
    EXPECT_EQ(boxes()[1].text, "1 sector(s) could not be read and were exported as zeros.");
}

// The 95/98 volume services take a chunk of 128 sectors at a time: a
// longer run is read a chunk after another, into its place in the image,
// and a chunk that fails once ends the request there, to be asked again.
TEST_F(ExportImport, TheLegacyServicesExportARunLongerThanTheirChunk) {
    platform::emulate_windows_9x(2222);
    map_stamped_image(1000);
    write_file_bytes(image("c.img"), 0x0B, {0x00, 0x02});
    write_file_bytes(image("c.img"), 0x13, {0xE8, 0x03});  // 1000 sectors in the boot sector's count
    open_selected_disk();
    go_to(100);
    export_to(image("out.bin"), "300");
    host_.check("the second chunk's request fails once", [] {
        platform::faults::reset_counts();
        platform::faults::arm(platform::faults::Call::DeviceIoControl, 2, platform::faults::Kind::Error);
    });
    export_to(image("again.bin"), "300");
    quit();
    run_editor();
    platform::faults::disarm_all();
    for (const char* name : {"out.bin", "again.bin"}) {
        EXPECT_EQ(fs::file_size(image(name)), 300u * 512) << name;
        EXPECT_TRUE(read_file_bytes(image(name), 0, 300 * 512) == stamped_run(100, 300)) << name;
    }
    EXPECT_TRUE(boxes().empty());
}

// A disk that can no longer be positioned is told once for the whole run,
// not once for each of its requests, and nothing it did not read is taken
// for read: after the first request, the rest is zeros.
TEST_F(ExportImport, ADiskThatCannotBePositionedIsToldOnce) {
    map_stamped_image(9000);
    open_selected_disk();
    go_to(100);
    host_.check("every positioning after the first request's fails", [] {
        platform::faults::reset_counts();
        platform::faults::arm(platform::faults::Call::SetFilePointer, 2, platform::faults::Kind::Error, true);
    });
    export_to(image("out.bin"), "8500");  // several requests
    host_.answer_message_box(IDOK);
    host_.answer_message_box(IDOK);
    quit();
    run_editor();
    platform::faults::disarm_all();
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, "Error reading disk");
    EXPECT_EQ(seen[1].text, std::to_string(8500 - RUN_BLOCK_SECTORS) +
                                " sector(s) could not be read and were exported as zeros.");
    std::vector<uint8_t> expected = stamped_run(100, RUN_BLOCK_SECTORS);
    expected.resize(8500 * 512, 0);
    EXPECT_TRUE(read_file_bytes(image("out.bin"), 0, 8501 * 512) == expected);
}

}  // namespace
