// Start-up and disk selection: what the user sees first, the disk list on
// both access paths, opening, cancelling and choosing the open disk again.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "disk/sector_access.h"
#include "editor/editor_state.h"
#include "editor_fixture.h"
#include "output/web_pages.h"
#include "platform/control.h"
#include "platform/user/input.h"
#include "resources/resource.h"

using platform::HeadlessHost;
using namespace testing_support;

namespace {

// How many descriptors of this process are open on path.
int descriptors_of(const std::string& path) {
    char target[PATH_MAX];
    if (!realpath(path.c_str(), target)) return -1;
    int count = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(fd.path(), ec).string() == target) ++count;
    }
    return count;
}

std::string hex_line_of(const std::vector<uint8_t>& bytes) {
    std::string line;
    char digits[4];
    for (int k = 0; k < 16; ++k) {
        snprintf(digits, sizeof digits, "%02X ", bytes[static_cast<size_t>(k)]);
        line += digits;
    }
    return line;
}

class StartUp : public EditorTest {};

TEST_F(StartUp, AsksForTheHelpPageOnceAndShowsSelectDiskFirst) {
    write_stamped_image(image("c.img"), 2880);
    write_stamped_image(image("d.img"), 64);
    write_stamped_image(image("p0.img"), 128);
    map_volume('C', image("c.img"));
    map_volume('D', image("d.img"));
    map_physical(0, image("p0.img"));

    HWND first_dialog = nullptr;
    std::vector<std::string> listed;
    std::string field;
    host_.check("look at what is shown first", [&] {
        first_dialog = HeadlessHost::window("Select Disk")();
        listed = disk_list();
        char text[32] = {};
        GetDlgItemTextA(first_dialog, IDC_DISK_LIST, text, sizeof text);
        field = text;
    });
    open_selected_disk();
    std::string counter_shown, first_line;
    LRESULT text_selection = -1;
    HWND focus = nullptr;
    host_.check("look at sector 0", [&] {
        counter_shown = counter();
        first_line = hex_pane().substr(0, 48);
        text_selection = SendMessageA(EditorState.TextPane, EM_GETSEL, 0, 0);
        focus = GetFocus();
    });
    quit();
    EXPECT_EQ(run_editor(), 0);

    EXPECT_NE(first_dialog, nullptr) << "the Select Disk dialog is up before any input";
    EXPECT_EQ(listed, (std::vector<std::string>{"Logical C:", "Logical D:", "Physical 0"}));
    EXPECT_EQ(field, "Logical C:");
    auto requests = host_.shell_requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].verb, "open");
    EXPECT_EQ(requests[0].file, std::string(MakerWebAddress) + HELP_PAGE);
    EXPECT_EQ(requests[0].show, SW_HIDE);
    EXPECT_EQ(counter_shown, "0000000000 of 0000002879");
    EXPECT_EQ(first_line, hex_line_of(stamped_sector(0)));
    // The hex pane has the keys; the text pane is not shown wholly selected.
    EXPECT_EQ(focus, EditorState.HexPane);
    EXPECT_EQ(LOWORD(text_selection), HIWORD(text_selection)) << "text pane selection " << LOWORD(text_selection)
                                                              << "-" << HIWORD(text_selection);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(StartUp, CancelLeavesNoDiskAndSteppingReportsTheFailedReads) {
    map_stamped_image(64);
    host_.click(select_disk_item(IDC_CANCEL));
    HANDLE disk = nullptr;
    std::string hex_shown, counter_before;
    host_.check("no disk", [&] {
        disk = EditorState.DiskRef;
        hex_shown = hex_pane();
        counter_before = counter();
    });
    click_stepper(true);  // the stepper does nothing without a disk
    press(VK_NEXT);
    host_.answer_message_box(IDOK);  // the disk layer's own message
    host_.answer_message_box(IDOK);  // the step's
    std::string counter_shown;
    host_.check("the counter", [&] { counter_shown = counter(); });
    quit();
    run_editor();
    EXPECT_EQ(disk, INVALID_HANDLE_VALUE);
    EXPECT_EQ(hex_shown, hex_text_of(std::vector<uint8_t>(512, 0))) << "an empty sector, not an empty pane";
    EXPECT_EQ(counter_before, "0000000000 of 0000000000");
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, "Error reading disk");
    EXPECT_EQ(seen[1].text, "Error accessing contents of sector");
    EXPECT_EQ(seen[1].caption, "Data Error");
    EXPECT_EQ(counter_shown, "0000000000 of 0000000000");
}

TEST_F(StartUp, ChoosingTheOpenDiskAgainReturnsToSectorZeroAndDropsEdits) {
    map_stamped_image(64);
    open_selected_disk();
    press(VK_NEXT);
    host_.type_text("41");
    choose_menu(IDM_SELECT_DISK);
    open_selected_disk();
    std::string counter_shown;
    BYTE dirty = 1;
    int descriptors = 0;
    host_.check("back at sector 0", [&] {
        counter_shown = counter();
        dirty = EditorState.SectorDirty;
        descriptors = descriptors_of(image("c.img"));
    });
    quit();
    run_editor();
    EXPECT_EQ(counter_shown, "0000000000 of 0000000063");
    EXPECT_EQ(dirty, 0);
    EXPECT_EQ(descriptors, 1) << "the disk opened before was closed first";
    EXPECT_TRUE(boxes().empty()) << "no question about the edits";
    EXPECT_EQ(read_file_bytes(image("c.img"), 512, 512), stamped_sector(1)) << "the edits were not written";
}

TEST_F(StartUp, LegacyPlatformListsDrivesUpToYAndNumbersThemFromA) {
    platform::emulate_windows_9x(2222);
    for (char letter : {'A', 'C', 'D', 'Z'}) {
        std::string path = image(std::string(1, letter) + ".img");
        write_stamped_image(path, 40);
        write_file_bytes(path, 0x0B, {0x00, 0x02});
        write_file_bytes(path, 0x13, {40, 0});
        map_volume(letter, path);
    }
    std::vector<std::string> listed;
    host_.check("the list", [&] { listed = disk_list(); });
    host_.choose_combo_item(select_disk_item(IDC_DISK_LIST), 2);
    open_selected_disk();
    HANDLE disk = nullptr;
    std::string counter_shown;
    std::vector<uint8_t> shown, buffer;
    BYTE dirty = 2;
    host_.check("drive D:", [&] {
        disk = EditorState.DiskRef;
        counter_shown = counter();
        shown = sector_data();
        buffer.assign(EditorState.TransferBuffer, EditorState.TransferBuffer + 512);
        dirty = EditorState.SectorDirty;
    });
    quit();
    run_editor();
    EXPECT_EQ(listed, (std::vector<std::string>{"Logical A:", "Logical C:", "Logical D:"}));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(disk), 4u);
    EXPECT_EQ(counter_shown, "0000000000 of 0000000039");
    EXPECT_EQ(shown, read_file_bytes(image("D.img"), 0, 512)) << "sector 0, read alone";
    EXPECT_EQ(buffer, std::vector<uint8_t>(512, 0)) << "the read stays inside the shown sector";
    EXPECT_EQ(dirty, 0);
    EXPECT_EQ(AccessMode, ACCESS_LEGACY);
}

TEST_F(StartUp, OnlyATypedNameOfAnEntrysExactFormOpensADisk) {
    write_stamped_image(image("c.img"), 64);
    write_stamped_image(image("p0.img"), 128);
    write_stamped_image(image("p1.img"), 32);
    map_volume('C', image("c.img"));
    map_physical(0, image("p0.img"));
    map_physical(1, image("p1.img"));
    // The first and last letters and digits are disks too.
    for (auto [letter, sectors] : {std::pair{'A', 4}, std::pair{'Z', 8}}) {
        write_stamped_image(image(std::string(1, letter) + ".img"), sectors);
        map_volume(letter, image(std::string(1, letter) + ".img"));
    }
    write_stamped_image(image("p9.img"), 16);
    map_physical(9, image("p9.img"));
    auto type_name = [&](const char* typed) {
        // Select what the field holds, then type over it.
        host_.click(select_disk_item(IDC_DISK_LIST));
        press(VK_HOME);
        press(VK_END, platform::kInputShift);
        host_.type_text(typed);
        open_selected_disk();
    };
    const std::vector<std::string> not_disks = {"Logical",     "Logical 3:", "Physical Q", "Physical 12",
                                                "Logical CD:", "Logical C:x", "Logical C",  "Logical C: "};
    for (const std::string& typed : not_disks) {
        type_name(typed.c_str());
        host_.answer_message_box(IDOK);
    }
    HANDLE disk = nullptr;
    bool dialog_open = false;
    host_.check("nothing opened", [&] {
        disk = EditorState.DiskRef;
        dialog_open = HeadlessHost::window("Select Disk")() != nullptr;
    });
    std::vector<std::string> listed;
    host_.check("the list", [&] { listed = disk_list(); });
    type_name("Physical 0");
    std::string counter_shown;
    host_.check("physical drive 0", [&] { counter_shown = counter(); });
    std::vector<std::string> ends;
    for (const char* name : {"Physical 9", "Logical Z:", "Logical A:", "Logical z:", "Logical a:"}) {
        choose_menu(IDM_SELECT_DISK);
        type_name(name);
        host_.check(name, [&] { ends.push_back(counter()); });
    }
    quit();
    run_editor();
    EXPECT_EQ(disk, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(dialog_open);
    auto seen = boxes();
    ASSERT_EQ(seen.size(), not_disks.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].text, "\"" + not_disks[i] + "\" is not a disk.");
        EXPECT_EQ(seen[i].caption, "Select Disk");
    }
    EXPECT_EQ(counter_shown, "0000000000 of 0000000127") << "the digit at index 9 names the drive";
    EXPECT_EQ(listed, (std::vector<std::string>{"Logical A:", "Logical C:", "Logical Z:", "Physical 0", "Physical 1",
                                                "Physical 9"}));
    EXPECT_EQ(ends, (std::vector<std::string>{"0000000000 of 0000000015", "0000000000 of 0000000007",
                                              "0000000000 of 0000000003", "0000000000 of 0000000007",
                                              "0000000000 of 0000000003"}))
        << "the letters in either case";
}

TEST_F(StartUp, UnopenableDeviceStillClosesTheDialogWithTheReadError) {
    map_stamped_image(64);
    // The disk goes away between the list and the Open.
    host_.check("remove the image", [&] { std::remove(image("c.img").c_str()); });
    open_selected_disk();
    host_.answer_message_box(IDOK);
    bool dialog_open = true;
    host_.check("dialog closed", [&] { dialog_open = HeadlessHost::window("Select Disk")() != nullptr; });
    quit();
    run_editor();
    EXPECT_FALSE(dialog_open);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "Error accessing contents of sector");
    EXPECT_EQ(boxes()[0].owner != nullptr, true) << "owned by the dialog";
}

}  // namespace
