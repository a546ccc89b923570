// Tools > Sector Structure as a person uses it on a GPT disk sgdisk made:
// it follows the shown sector and a typed edit, goes where a field points,
// and Fix CRC mends the header in the edits, which Save writes and sgdisk
// then finds sound.
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
    host_.check("back to the editor", [] { SetFocus(EditorState.HexPane); });
    press(VK_NEXT);
    look(&seen);
    std::string fields;
    host_.check("the header's fields", [&] { fields = text(IDC_STRUCTURE_FIELDS); });
    // The Go To list: the backup header, the usable LBAs, the entry array.
    host_.check("choose the entry array", [] {
        SendDlgItemMessageA(HeadlessHost::window("Sector Structure")(), IDC_STRUCTURE_TARGETS, CB_SETCURSEL, 3, 0);
    });
    host_.click(HeadlessHost::item("Sector Structure", IDC_STRUCTURE_GOTO));
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

}  // namespace
