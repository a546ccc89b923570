// Faults that need no fault table: a disk whose backing store is full, a
// disk that shrinks to nothing while open (its medium gone), and a loop
// device detached while the editor holds it.
#include <unistd.h>

#include <filesystem>

#include "editor/editor_state.h"
#include "resources/resource.h"
#include "sweep.h"

using namespace reliability;
using namespace testing_support;

namespace {

class RealFaults : public EditorTest {
protected:
    bool write_error_shown() const {
        for (const auto& box : boxes())
            if (box.text == "Error writing contents of sector") return true;
        return false;
    }
    size_t read_errors_shown() const {
        size_t n = 0;
        for (const auto& box : boxes())
            if (box.text == "Error accessing contents of sector") ++n;
        return n;
    }
};

// A small memory file system, mounted for the lifetime of the object.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const std::string& size) {
        std::string out;
        if (run_command("mount -t tmpfs -o size=" + size + " tmpfs '" + point_.path() + "'", &out) != 0) {
            why_not_ = "mount: " + out;
            return;
        }
        mounted_ = true;
        held_ = hold_outside("umount -l '" + point_.path() + "'");
    }
    ~SmallFileSystem() {
        released_outside(held_);
        if (mounted_) run_command("umount -l '" + point_.path() + "'");
    }
    bool mounted() const { return mounted_; }
    const std::string& why_not() const { return why_not_; }
    std::string file(const std::string& name) const { return point_.file(name); }
    // Takes every free block.
    void fill() const { run_command("dd if=/dev/zero of='" + file("filler") + "' bs=4k"); }
    void free_space() const { ::unlink(file("filler").c_str()); }

private:
    TempDir point_;
    bool mounted_ = false;
    std::string why_not_;
    int held_ = 0;
};

TEST_F(RealFaults, SaveOnADiskWhoseBackingStoreIsFull) {
    SmallFileSystem small("64k");
    if (!small.mounted()) GTEST_SKIP() << small.why_not();
    // Sectors 0 to 7 written, 8 to 15 a hole: writing there needs a block
    // the full file system does not have.
    std::string path = small.file("c.img");
    write_stamped_image(path, 8);
    ASSERT_EQ(::truncate(path.c_str(), 16 * 512), 0);
    small.fill();
    LoopDevice loop(path);
    REQUIRE_LOOP(loop);
    map_volume('C', loop.device());

    open_selected_disk();
    host_.choose_menu_item(main_window(), IDM_GOTO_SECTOR);
    host_.type_text("8");
    press(VK_RETURN);
    host_.type_text("ab");
    std::vector<uint8_t> edited;
    host_.check("the edits", [&] { edited = sector_data(); });
    choose_menu(IDM_SAVE_SECTOR);
    host_.answer_message_box(IDOK);
    BYTE dirty_after_save = 0;
    std::vector<uint8_t> shown_after_save;
    host_.check("after the failed save", [&] {
        dirty_after_save = EditorState.SectorDirty;
        shown_after_save = sector_data();
    });
    press(VK_NEXT);  // asks: Yes fails as well, and the editor stays
    host_.answer_message_box(IDYES);
    host_.answer_message_box(IDOK);
    DWORD sector_after_yes = 0;
    host_.check("after Yes", [&] { sector_after_yes = EditorState.CurrentSector; });
    host_.check("room again", [&] { small.free_space(); });
    choose_menu(IDM_SAVE_SECTOR);
    quit();
    run_editor();

    EXPECT_EQ(dirty_after_save, 1);
    EXPECT_EQ(shown_after_save, edited) << "the edits stay on screen after the failed save";
    EXPECT_EQ(sector_after_yes, 8u) << "moved on from edits the disk refused";
    EXPECT_TRUE(write_error_shown());
    EXPECT_EQ(EditorState.SectorDirty, 0) << "the save with room succeeded";
    EXPECT_EQ(read_file_bytes(path, 8 * 512, 512), edited);
    for (uint64_t s = 0; s < 8; ++s) EXPECT_EQ(read_file_bytes(path, s * 512, 512), stamped_sector(s));
    for (uint64_t s = 9; s < 16; ++s) EXPECT_EQ(read_file_bytes(path, s * 512, 512), std::vector<uint8_t>(512, 0));
}

TEST_F(RealFaults, DiskWhoseMediumGoesAwayWhileOpen) {
    write_stamped_image(image("c.img"), 16);
    LoopDevice loop(image("c.img"));
    REQUIRE_LOOP(loop);
    map_volume('C', loop.device());
    open_selected_disk();
    host_.check("the medium goes", [&] {
        ASSERT_EQ(::truncate(image("c.img").c_str(), 0), 0);
        ASSERT_EQ(run_command("losetup -c " + loop.device()), 0);
    });
    press(VK_NEXT);
    host_.answer_message_box(IDOK);
    std::vector<uint8_t> shown_after_step;
    host_.check("after the step", [&] { shown_after_step = sector_data(); });
    host_.type_text("ab");
    std::vector<uint8_t> edited;
    host_.check("the edits", [&] { edited = sector_data(); });
    choose_menu(IDM_SAVE_SECTOR);
    host_.answer_message_box(IDOK);
    quit();
    run_editor();

    EXPECT_EQ(read_errors_shown(), 1u);
    EXPECT_EQ(EditorState.CurrentSector, 1u);
    EXPECT_EQ(shown_after_step, std::vector<uint8_t>(512, 0)) << "nothing of sector 0 or of anything else is shown";
    EXPECT_TRUE(write_error_shown());
    EXPECT_EQ(EditorState.SectorDirty, 1);
    EXPECT_EQ(sector_data(), edited);
    EXPECT_EQ(std::filesystem::file_size(image("c.img")), 0u) << "nothing was written anywhere";
}

// The kernel detaches a loop device that is held open only when the last
// holder closes it: the editor goes on working with it until then.
TEST_F(RealFaults, LoopDeviceDetachedWhileOpenServesUntilClosed) {
    write_stamped_image(image("c.img"), 16);
    // Attached here, not by LoopDevice: once the editor lets go the device
    // is free, and detaching it again later might take another's.
    std::string out;
    if (run_command("losetup -f --show '" + image("c.img") + "'", &out) != 0 || out.rfind("/dev/loop", 0) != 0)
        GTEST_SKIP() << "no loop device: " << out;
    std::string device = out.substr(0, out.find('\n'));
    int held = hold_outside("losetup -d " + device);
    map_volume('C', device);
    open_selected_disk();
    host_.check("detach", [&] {
        EXPECT_EQ(run_command("losetup -d " + device), 0);
        released_outside(held);
    });
    press(VK_NEXT);
    host_.type_text("ab");
    std::vector<uint8_t> edited;
    host_.check("the edits", [&] { edited = sector_data(); });
    choose_menu(IDM_SAVE_SECTOR);
    quit();
    run_editor();
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(EditorState.SectorDirty, 0);
    EXPECT_EQ(read_file_bytes(image("c.img"), 512, 512), edited);
    CloseHandle(EditorState.DiskRef);
    EditorState.DiskRef = INVALID_HANDLE_VALUE;
    // The kernel may finish the detach a moment after the close.
    std::string listed;
    for (int tries = 0; tries < 100; ++tries) {
        run_command("losetup -j '" + image("c.img") + "'", &listed);
        if (listed.empty()) break;
        ::usleep(20000);
    }
    EXPECT_EQ(listed, "") << "detached once the editor let go";
}

}  // namespace
