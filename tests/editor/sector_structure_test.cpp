// Tools > Sector Structure as a person uses it on a GPT disk sgdisk made:
// it follows the shown sector and a typed edit, goes where a field points,
// and Fix CRC mends the header in the edits, which Save writes and sgdisk
// then finds sound.
#include "../structures/decoded_image.h"
#include "editor/editor_state.h"
#include "editor_fixture.h"
#include "platform/user/input.h"
#include "resources/resource.h"

using platform::HeadlessHost;
using namespace testing_support;

namespace {

class SectorStructureView : public EditorTest {
protected:
    static std::string text(int id) {
        char buffer[4096] = {};
        GetDlgItemTextA(HeadlessHost::window("Sector Structure")(), id, buffer, sizeof buffer);
        return buffer;
    }
    // The Go To list's entry that starts so, chosen and gone to.
    void go_to(const std::string& target) {
        host_.check("choose " + target, [target] {
            HWND list = GetDlgItem(HeadlessHost::window("Sector Structure")(), IDC_STRUCTURE_TARGETS);
            SendMessageA(list, CB_SETCURSEL, SendMessageA(list, CB_FINDSTRING, -1, (LPARAM)target.c_str()), 0);
        });
        host_.click(HeadlessHost::item("Sector Structure", IDC_STRUCTURE_GOTO));
    }
    // What the view says of the shown sector: its first line and its problems.
    void look(std::vector<std::string>* seen) {
        host_.check("the view", [seen] {
            seen->push_back(text(IDC_STRUCTURE_KIND) + " | " + text(IDC_STRUCTURE_PROBLEMS));
        });
    }
};

TEST_F(SectorStructureView, FollowsTheSectorGoesWhereAFieldPointsAndFixCrcMendsTheHeader) {
    write_zero_image(image("c.img"), 16 << 20);
    std::string out;
    ASSERT_EQ(run_command("sgdisk -n 1:2048:+4M -n 2:0:0 '" + image("c.img") + "'", &out), 0) << out;
    // The header's entry array CRC32 broken on the disk: both CRCs fail.
    // Flipped, not set: sgdisk's random GUIDs can make any byte value the CRC's.
    const BYTE crc_byte = read_file_bytes(image("c.img"), 512 + 88, 1)[0];
    write_file_bytes(image("c.img"), 512 + 88, {static_cast<BYTE>(crc_byte ^ 0xFF)});
    map_volume('C', image("c.img"));
    open_selected_disk();
    std::vector<std::string> seen;
    press('I', platform::kInputControl);
    host_.wait_until("the view is open", [] { return HeadlessHost::window("Sector Structure")() != nullptr; });
    look(&seen);
    RECT main_rect = {}, view_rect = {};
    host_.check("where the windows stand", [&] {
        GetWindowRect(EditorState.MainWindow, &main_rect);
        GetWindowRect(HeadlessHost::window("Sector Structure")(), &view_rect);
    });
    host_.check("back to the editor", [] { SetFocus(EditorState.HexPane); });
    press(VK_NEXT);
    look(&seen);
    std::string fields;
    host_.check("the header's fields", [&] { fields = text(IDC_STRUCTURE_FIELDS); });
    go_to("Partition entries LBA");
    look(&seen);
    host_.check("back to the editor", [] { SetFocus(EditorState.HexPane); });
    press(VK_PRIOR);
    BYTE dirty_before = 1, dirty_after = 0;
    host_.check("no edit yet", [&] { dirty_before = EditorState.SectorDirty; });
    host_.click(HeadlessHost::item("Sector Structure", IDC_STRUCTURE_FIX_CRC));
    look(&seen);
    host_.check("the edit", [&] { dirty_after = EditorState.SectorDirty; });
    // A reserved byte of the header (byte 20: its 41st digit) typed over.
    host_.check("back to the editor", [] { SetFocus(EditorState.HexPane); });
    for (int digit = 0; digit < 40; ++digit) press(VK_RIGHT);
    host_.type_text("1");
    look(&seen);
    host_.click(HeadlessHost::item("Sector Structure", IDC_STRUCTURE_FIX_CRC));
    look(&seen);
    choose_menu(IDM_SAVE_SECTOR);
    host_.click(HeadlessHost::item("Sector Structure", IDC_CANCEL));
    host_.wait_until("the view is closed", [] { return HeadlessHost::window("Sector Structure")() == nullptr; });
    quit();
    run_editor();
    // The headless screen has room on the main window's right.
    EXPECT_EQ(view_rect.left, main_rect.right) << "beside the main window, on its right";
    EXPECT_EQ(view_rect.top, main_rect.top);
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0], "Sector 0: Protective MBR (GPT disk) | None found.");
    EXPECT_EQ(seen[1].rfind("Sector 1: GPT header | Header CRC32 is ", 0), 0u) << seen[1];
    EXPECT_NE(seen[1].find("Partition entries CRC32 is "), std::string::npos) << seen[1];
    EXPECT_NE(fields.find("030  Last usable LBA: 32734"), std::string::npos) << fields;
    EXPECT_EQ(seen[2], "Sector 2: GPT partition entries | None found.");
    EXPECT_EQ(seen[3], "Sector 1: GPT header | None found.");
    EXPECT_EQ(seen[4].rfind("Sector 1: GPT header | Header CRC32 is ", 0), 0u) << "the typed edit: " << seen[4];
    EXPECT_EQ(seen[5], "Sector 1: GPT header | None found.");
    EXPECT_EQ(dirty_before, 0);
    EXPECT_EQ(dirty_after, 1) << "Fix CRC changes the edits only";
    run_command("sgdisk -v '" + image("c.img") + "'", &out);
    EXPECT_NE(out.find("No problems found"), std::string::npos) << out;
    EXPECT_EQ(read_file_bytes(image("c.img"), 512 + 20, 1)[0], 0x10) << "the typed byte is on the disk";
}

// On a loop device of 4096-byte sectors LBA 1 is shown sector 8: the view
// says so, Go To turns LBAs into shown sectors, and Fix CRC computes the
// array's CRC over the 4096-byte sectors it spans (sgdisk agrees).
TEST_F(SectorStructureView, OnADiskOf4096ByteSectorsLbasAreCountedInThem) {
    write_zero_image(image("c.img"), 16 << 20);
    LoopDevice loop(image("c.img"), {.sector_size = 4096});
    REQUIRE_LOOP(loop);
    std::string out, p;
    ASSERT_EQ(run_command("sgdisk -n 1:0:+4M -t 1:ef00 -n 2:0:0 '" + loop.device() + "'", &out), 0) << out;
    run_command("sgdisk -p '" + loop.device() + "'; sgdisk -i 2 '" + loop.device() + "'", &p);
    ASSERT_EQ(find(p, "Sector size \\(logical[^:]*\\): (\\d+)"), "4096") << p;
    const uint64_t array = std::stoull(find(p, "Main partition table begins at sector (\\d+)")),
                   second = std::stoull(find(p, "First sector: (\\d+)"));
    map_volume('C', loop.device());
    open_selected_disk();
    for (int step = 0; step < 8; ++step) press(VK_NEXT);
    press('I', platform::kInputControl);
    host_.wait_until("the view is open", [] { return HeadlessHost::window("Sector Structure")() != nullptr; });
    std::vector<std::string> seen;
    look(&seen);
    host_.check("back to the editor", [] { SetFocus(EditorState.HexPane); });
    for (int digit = 0; digit < 40; ++digit) press(VK_RIGHT);
    host_.type_text("1");
    host_.click(HeadlessHost::item("Sector Structure", IDC_STRUCTURE_FIX_CRC));
    look(&seen);
    choose_menu(IDM_SAVE_SECTOR);
    SectorNumber shown[2] = {};
    std::vector<uint8_t> bytes;
    go_to("Partition entries LBA");
    look(&seen);
    host_.check("where", [&] { shown[0] = EditorState.CurrentSector; });
    go_to("Entry 2: first LBA");
    int focus = 0;
    host_.check("where", [&] {
        shown[1] = EditorState.CurrentSector;
        bytes.assign(EditorState.SectorData, EditorState.SectorData + 512);
        focus = GetDlgCtrlID(GetFocus());
    });
    quit();
    run_editor();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], "Sector 8 (LBA 1, bytes 0-511 of its 4096): GPT header | None found.");
    EXPECT_EQ(seen[1].rfind("Sector 8 (LBA 1, bytes 0-511 of its 4096): GPT header | None found.", 0), 0u)
        << "the edit's CRC mended: " << seen[1];
    EXPECT_EQ(seen[2], "Sector " + std::to_string(array * 8) + " (LBA " + std::to_string(array) +
                           ", bytes 0-511 of its 4096): GPT partition entries | None found.");
    EXPECT_EQ(shown[0], array * 8);
    EXPECT_EQ(shown[1], second * 8);
    EXPECT_EQ(focus, IDC_STRUCTURE_FIELDS) << "Go To, disabled where there is nowhere to go, gave the focus on";
    EXPECT_EQ(bytes, read_file_bytes(image("c.img"), second * 4096, 512));
    run_command("sgdisk -v '" + loop.device() + "'", &out);
    EXPECT_NE(out.find("No problems found"), std::string::npos) << out;
    EXPECT_EQ(read_file_bytes(image("c.img"), 4096 + 20, 1)[0], 0x10) << "the typed byte is on the disk";
}

}  // namespace
