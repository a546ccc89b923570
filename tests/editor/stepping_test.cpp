// Stepping through the disk: wrap-around at both ends, the question about
// unsaved edits, the stepper's arrows, and what a step does when the disk
// refuses a read or a write.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "editor/editor_state.h"
#include "editor_fixture.h"
#include "resources/resource.h"

using platform::HeadlessHost;
using namespace testing_support;

namespace {

const char* const kSaveQuestion = "Unsaved changes will be lost\nWould you like to save the changes?";

class Stepping : public EditorTest {
protected:
    // The counter and the first hex line.
    static std::string shown() { return counter() + " " + hex_pane().substr(0, 48); }
    void look() {
        host_.check("look at the shown sector", [this] { shown_.push_back(shown()); });
    }

    // The same for sector s of a stamped disk whose last sector is last.
    static std::string stamped(uint32_t s, uint32_t last) {
        char number[32];
        snprintf(number, sizeof number, "%010u of %010u ", s, last);
        return number + hex_text_of(stamped_sector(s)).substr(0, 48);
    }

    static void expect_question(const HeadlessHost::MessageBoxSeen& box, int answer) {
        EXPECT_EQ(box.text, kSaveQuestion);
        EXPECT_EQ(box.caption, "Save Changes?");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_YESNO));
        EXPECT_EQ(box.owner, EditorState.MainWindow);
        EXPECT_EQ(box.answer, answer);
    }

    static void expect_data_error(const HeadlessHost::MessageBoxSeen& box, const std::string& text) {
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, "Data Error");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
        EXPECT_EQ(box.owner, EditorState.MainWindow);
    }

    std::vector<std::string> shown_;
};

TEST_F(Stepping, PageKeysWrapAtBothEndsOfAnEvenAndAnOddDisk) {
    write_stamped_image(image("even.img"), 64);
    write_stamped_image(image("odd.img"), 65);
    map_volume('C', image("even.img"));
    map_volume('D', image("odd.img"));
    open_selected_disk();
    press(VK_PRIOR);
    look();
    press(VK_NEXT);
    look();
    press(VK_NEXT);
    look();
    press(VK_PRIOR);
    press(VK_PRIOR);
    look();
    // The odd disk: its last sector, 64, is reached and wraps.
    choose_menu(IDM_SELECT_DISK);
    host_.choose_combo_item(select_disk_item(IDC_DISK_LIST), 1);
    open_selected_disk();
    press(VK_PRIOR);
    look();
    press(VK_NEXT);
    look();
    quit();
    run_editor();
    EXPECT_EQ(shown_, (std::vector<std::string>{stamped(63, 63), stamped(0, 63), stamped(1, 63), stamped(63, 63),
                                                stamped(64, 64), stamped(0, 64)}));
    EXPECT_TRUE(boxes().empty()) << "no question and no error without edits";
}

TEST_F(Stepping, SaveQuestionComesOnceAndYesWritesTheSectorThatWasShown) {
    map_stamped_image(64);
    open_selected_disk();
    press(VK_NEXT);
    host_.type_text("41");
    press(VK_NEXT);
    host_.answer_message_box(IDYES);
    look();
    press(VK_NEXT);  // the answer cleared the edits' mark: no second question
    look();
    host_.type_text("9");
    press(VK_PRIOR);
    host_.answer_message_box(IDNO);
    look();
    press(VK_PRIOR);
    look();
    quit();
    run_editor();

    std::vector<uint8_t> edited = stamped_sector(1);
    edited[0] = 0x41;
    EXPECT_EQ(shown_, (std::vector<std::string>{stamped(2, 63), stamped(3, 63), stamped(2, 63),
                                                "0000000001 of 0000000063 " + hex_text_of(edited).substr(0, 48)}));
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 2u);
    expect_question(seen[0], IDYES);
    expect_question(seen[1], IDNO);
    EXPECT_EQ(read_file_bytes(image("c.img"), 1 * 512, 512), edited) << "Yes writes to the sector that was shown";
    EXPECT_EQ(read_file_bytes(image("c.img"), 2 * 512, 512), stamped_sector(2));
    EXPECT_EQ(read_file_bytes(image("c.img"), 3 * 512, 512), stamped_sector(3)) << "No drops the edits";
}

TEST_F(Stepping, OnlyTheStepperArrowsStep) {
    map_stamped_image(64);
    open_selected_disk();
    click_stepper(false);
    look();
    click_stepper(true);
    click_stepper(true);
    look();
    host_.then("send the stepper's other codes", [] {
        HWND bar = GetDlgItem(EditorState.MainWindow, IDC_STEPPER);
        for (WORD code : {SB_PAGEDOWN, SB_PAGEUP, SB_THUMBPOSITION, SB_THUMBTRACK, SB_TOP, SB_BOTTOM, SB_ENDSCROLL})
            PostMessageA(EditorState.MainWindow, WM_HSCROLL, MAKELONG(code, 40), reinterpret_cast<LPARAM>(bar));
        PostMessageA(EditorState.MainWindow, WM_HSCROLL, SB_LINEDOWN, 0);  // no scroll bar named
        return true;
    });
    look();
    // The arrows ask about edits as the keys do.
    host_.type_text("4");
    click_stepper(true);
    host_.answer_message_box(IDNO);
    look();
    quit();
    run_editor();
    EXPECT_EQ(shown_, (std::vector<std::string>{stamped(63, 63), stamped(1, 63), stamped(1, 63), stamped(2, 63)}));
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 1u);
    expect_question(seen[0], IDNO);
}

// With no disk open the arrows have nothing to step through.
TEST_F(Stepping, WithNoDiskOpenTheArrowsDoNothing) {
    map_stamped_image(64);
    press(VK_ESCAPE);  // Select Disk, cancelled
    std::vector<std::string> counters;
    auto look_at_counter = [&] { host_.check("the counter", [&] { counters.push_back(counter()); }); };
    look_at_counter();
    click_stepper(true);
    click_stepper(false);
    look_at_counter();
    quit();
    run_editor();
    EXPECT_TRUE(boxes().empty());
    ASSERT_EQ(counters.size(), 2u);
    EXPECT_EQ(counters[0], counters[1]);
}

TEST_F(Stepping, FailedReadIsReportedAndTheCounterShowsTheNewNumber) {
    map_stamped_image(64);
    open_selected_disk();
    host_.check("shrink the disk to 10 sectors", [&] { ASSERT_EQ(truncate(image("c.img").c_str(), 10 * 512), 0); });
    press(VK_PRIOR);
    host_.answer_message_box(IDOK);
    std::string counter_shown;
    std::vector<uint8_t> held;
    host_.check("the counter", [&] {
        counter_shown = counter();
        held = sector_data();
    });
    // Save writes what is shown, and what is shown is not sector 0's; the
    // image stands for a disk of 10 sectors now and refuses sector 63.
    choose_menu(IDM_SAVE_SECTOR);
    host_.answer_message_box(IDOK);
    press(VK_NEXT);
    look();
    quit();
    run_editor();
    EXPECT_EQ(counter_shown, "0000000063 of 0000000063");
    EXPECT_EQ(held, std::vector<uint8_t>(512, 0)) << "nothing of the sector shown before";
    EXPECT_EQ(shown_, std::vector<std::string>{stamped(0, 63)}) << "stepping on from the failed sector reads again";
    EXPECT_EQ(std::filesystem::file_size(image("c.img")), 10u * 512) << "the image does not grow";
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 2u);
    expect_data_error(seen[0], "Error accessing contents of sector");
    expect_data_error(seen[1], "Error writing contents of sector");
}

// A read that ends inside the sector (the disk shrank under the editor):
// the bytes read are shown, the rest as zeros, the failure is told, and
// nothing beside the shown sector changes.
TEST_F(Stepping, ASectorReadInPartShowsItsBytesThenZeros) {
    map_stamped_image(64);
    open_selected_disk();
    choose_menu(IDM_COPY_TO_BUFFER);
    host_.check("cut the disk inside sector 63", [&] { ASSERT_EQ(truncate(image("c.img").c_str(), 63 * 512 + 100), 0); });
    press(VK_PRIOR);
    host_.answer_message_box(IDOK);
    std::vector<uint8_t> held, buffer;
    host_.check("the part read", [&] {
        held = sector_data();
        buffer.assign(EditorState.TransferBuffer, EditorState.TransferBuffer + 512);
    });
    look();
    quit();
    run_editor();
    std::vector<uint8_t> expected = stamped_sector(63);
    std::fill(expected.begin() + 100, expected.end(), 0);
    EXPECT_EQ(held, expected);
    EXPECT_EQ(shown_, std::vector<std::string>{"0000000063 of 0000000063 " + hex_text_of(expected).substr(0, 48)});
    EXPECT_EQ(buffer, stamped_sector(0)) << "the transfer buffer beside it";
    ASSERT_EQ(boxes().size(), 1u);
    expect_data_error(boxes()[0], "Error accessing contents of sector");
}

// After a box the keys go where they went before it: Return and letters in
// the hex pane change nothing, they must not become bytes of the text pane.
TEST_F(Stepping, KeysAfterTheQuestionOrAnErrorGoToThePaneThatHadTheFocus) {
    map_stamped_image(64);
    open_selected_disk();
    host_.click_character(hex_pane_window(), 0);
    press(VK_NEXT);
    host_.type_text("4");
    press(VK_NEXT);
    host_.answer_message_box(IDNO);
    auto stray_keys = [this](const std::vector<uint8_t>& data, const char* after) {
        press(VK_RETURN);
        host_.type_text("x");
        host_.check("the sector as it was", [data, after] {
            EXPECT_EQ(sector_data(), data) << after;
            EXPECT_EQ(EditorState.SectorDirty, 0) << after;
            EXPECT_EQ(GetFocus(), EditorState.HexPane) << after;
        });
    };
    stray_keys(stamped_sector(2), "after the question");
    host_.check("shrink the disk to 3 sectors", [&] { ASSERT_EQ(truncate(image("c.img").c_str(), 3 * 512), 0); });
    press(VK_NEXT);
    host_.answer_message_box(IDOK);
    stray_keys(std::vector<uint8_t>(512, 0), "after the error");
    quit();
    run_editor();
    EXPECT_EQ(read_file_bytes(image("c.img"), 2 * 512, 512), stamped_sector(2));
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 2u);
    expect_question(seen[0], IDNO);
    expect_data_error(seen[1], "Error accessing contents of sector");
}

TEST_F(Stepping, RefusedWriteKeepsTheEditsAndTheStepStays) {
    write_stamped_image(image("c.img"), 16);
    LoopDevice loop(image("c.img"), {.read_only = true});
    REQUIRE_LOOP(loop);
    map_volume('C', loop.device());
    open_selected_disk();
    press(VK_NEXT);
    host_.type_text("41");
    choose_menu(IDM_SAVE_SECTOR);
    host_.answer_message_box(IDOK);
    BYTE dirty_after_save = 0;
    host_.check("still marked", [&] { dirty_after_save = EditorState.SectorDirty; });
    press(VK_NEXT);  // asks: the failed save kept the mark
    host_.answer_message_box(IDYES);
    host_.answer_message_box(IDOK);
    BYTE dirty_after_yes = 0;
    std::vector<uint8_t> data;
    host_.check("still on sector 1 with the edits", [&] {
        dirty_after_yes = EditorState.SectorDirty;
        data = sector_data();
        shown_.push_back(shown());
    });
    press(VK_NEXT);
    host_.answer_message_box(IDNO);
    look();
    quit();
    run_editor();
    CloseHandle(EditorState.DiskRef);
    EditorState.DiskRef = INVALID_HANDLE_VALUE;

    std::vector<uint8_t> edited = stamped_sector(1);
    edited[0] = 0x41;
    std::string edited_shown = "0000000001 of 0000000015 " + hex_text_of(edited).substr(0, 48);
    EXPECT_EQ(dirty_after_save, 1);
    EXPECT_EQ(dirty_after_yes, 1);
    EXPECT_EQ(data, edited);
    EXPECT_EQ(shown_, (std::vector<std::string>{edited_shown, stamped(2, 15)}));
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 4u);
    expect_data_error(seen[0], "Error writing contents of sector");
    expect_question(seen[1], IDYES);
    expect_data_error(seen[2], "Error writing contents of sector");
    expect_question(seen[3], IDNO);
    EXPECT_EQ(read_file_bytes(image("c.img"), 512, 512), stamped_sector(1));
}

}  // namespace
