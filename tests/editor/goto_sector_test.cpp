// Goto Sector: the number clamped to the last sector, edits dropped without
// a question, Cancel, and what is shown when the sector cannot be read.
#include <unistd.h>

#include <cstdio>

#include "editor/dialog_number.h"
#include "editor/editor_state.h"
#include "editor_fixture.h"
#include "platform/control.h"
#include "resources/resource.h"

using platform::HeadlessHost;
using namespace testing_support;

namespace {

class GotoSector : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        map_stamped_image(64);
    }

    // Types the number into the dialog and presses Enter, which is Goto.
    void go_to(const std::string& number) {
        choose_menu(IDM_GOTO_SECTOR);
        host_.type_text(number);
        press(VK_RETURN);
    }
    void look() {
        host_.check("look at the shown sector", [this] {
            shown_.push_back(counter() + " " + hex_pane());
            EXPECT_EQ(HeadlessHost::window("Goto Sector")(), nullptr) << "the dialog closes after Goto";
        });
    }
    static std::string stamped(uint32_t s, uint32_t last) {
        char number[32];
        snprintf(number, sizeof number, "%010u of %010u ", s, last);
        return number + hex_text_of(stamped_sector(s));
    }

    std::vector<std::string> shown_;
};

TEST_F(GotoSector, NumberIsClampedToTheLastSectorAndAnEmptyOrUnusableFieldShowsSectorZero) {
    open_selected_disk();
    go_to("1000");
    look();
    go_to("");
    look();
    go_to("17");
    look();
    go_to("18446744073709551617");  // does not fit in 64 bits (nor wraps to sector 1)
    look();
    go_to("3000000000");  // above 2^31: still greater than the last
    look();
    go_to(" 18446744073709551615 ");  // the largest there is, with blanks
    look();
    quit();
    run_editor();
    EXPECT_EQ(shown_, (std::vector<std::string>{stamped(63, 63), stamped(0, 63), stamped(17, 63), stamped(0, 63),
                                                stamped(63, 63), stamped(63, 63)}));
    EXPECT_TRUE(boxes().empty());
}

// The transfer buffer, beside the shown sector, keeps what was copied.
TEST_F(GotoSector, EditsAreDroppedWithoutAQuestionAndTheShownSectorIsReadAgain) {
    open_selected_disk();
    go_to("5");
    choose_menu(IDM_COPY_TO_BUFFER);
    host_.type_text("41");
    go_to("5");
    BYTE dirty = 2;
    host_.check("the mark", [&] { dirty = EditorState.SectorDirty; });
    look();
    host_.type_text("9");
    go_to("7");
    look();
    press(VK_PRIOR);  // no question: Goto cleared the mark
    look();
    choose_menu(IDM_PASTE_FROM_BUFFER);
    std::vector<uint8_t> pasted;
    host_.check("pasted", [&] { pasted = sector_data(); });
    quit();
    run_editor();
    EXPECT_EQ(dirty, 0);
    EXPECT_EQ(shown_, (std::vector<std::string>{stamped(5, 63), stamped(7, 63), stamped(6, 63)}));
    EXPECT_EQ(pasted, stamped_sector(5)) << "the buffer as copied";
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(read_file_bytes(image("c.img"), 5 * 512, 512), stamped_sector(5)) << "nothing was written";
    EXPECT_EQ(read_file_bytes(image("c.img"), 7 * 512, 512), stamped_sector(7));
}

TEST_F(GotoSector, CancelLeavesTheSectorItsEditsAndThePanesAsTheyWere) {
    auto state = [] {
        return std::to_string(EditorState.CurrentSector) + " " + std::to_string(EditorState.SectorDirty) + " " +
               counter() + hex_pane() + text_pane();
    };
    std::string before, after;
    std::vector<uint8_t> data;
    open_selected_disk();
    go_to("2");
    host_.type_text("41");
    host_.check("before", [&] { before = state(); });
    choose_menu(IDM_GOTO_SECTOR);
    host_.type_text("9");
    host_.click(HeadlessHost::item("Goto Sector", IDC_CANCEL));
    host_.check("after", [&] {
        after = state();
        data = sector_data();
        EXPECT_EQ(HeadlessHost::window("Goto Sector")(), nullptr);
    });
    quit();
    run_editor();
    std::vector<uint8_t> edited = stamped_sector(2);
    edited[0] = 0x41;
    EXPECT_EQ(before.substr(0, 4), "2 1 ");
    EXPECT_EQ(after, before);
    EXPECT_EQ(data, edited);
    EXPECT_TRUE(boxes().empty());
}

// A read that fails, or a disk that could not be positioned at all, must
// not leave the bytes shown before on screen under the new number.
TEST_F(GotoSector, UnreadableSectorIsReportedAndShownAsZeros) {
    open_selected_disk();
    go_to("5");
    host_.check("shrink the disk to 3 sectors", [&] { ASSERT_EQ(truncate(image("c.img").c_str(), 3 * 512), 0); });
    go_to("10");
    host_.answer_message_box(IDOK);
    std::vector<std::vector<uint8_t>> data;
    std::vector<BYTE> dirty;
    auto keep = [&] {
        host_.check("the shown sector", [&] {
            data.push_back(sector_data());
            dirty.push_back(EditorState.SectorDirty);
            shown_.push_back(counter() + " " + hex_pane());
        });
    };
    keep();
    // The device goes away: no disk is open, every positioning fails.
    choose_menu(IDM_SELECT_DISK);
    host_.check("remove the image", [&] { std::remove(image("c.img").c_str()); });
    open_selected_disk();
    host_.answer_message_box(IDOK);
    host_.type_text("41");
    go_to("3");
    host_.answer_message_box(IDOK);
    keep();
    quit();
    run_editor();
    std::vector<uint8_t> zeros(512, 0);
    EXPECT_EQ(data, (std::vector<std::vector<uint8_t>>{zeros, zeros}));
    EXPECT_EQ(dirty, (std::vector<BYTE>{0, 0}));
    EXPECT_EQ(shown_, (std::vector<std::string>{"0000000010 of 0000000063 " + hex_text_of(zeros),
                                                "0000000000 of 0000000000 " + hex_text_of(zeros)}));
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 3u);
    for (size_t i : {0u, 2u}) {
        EXPECT_EQ(seen[i].text, "Error accessing contents of sector");
        EXPECT_EQ(seen[i].caption, "Data Error");
        EXPECT_EQ(seen[i].type, static_cast<UINT>(MB_OK));
        EXPECT_NE(seen[i].owner, nullptr);
        EXPECT_NE(seen[i].owner, EditorState.MainWindow) << "owned by the Goto Sector dialog";
    }
}

TEST_F(GotoSector, LegacyPathReadsThroughTheVolumeServices) {
    platform::emulate_windows_9x(2222);
    write_file_bytes(image("c.img"), 0x0B, {0x00, 0x02});
    write_file_bytes(image("c.img"), 0x13, {40, 0});  // 40 sectors in the boot sector's count
    open_selected_disk();
    go_to("100");
    look();
    choose_menu(IDM_COPY_TO_BUFFER);
    host_.type_text("41");
    go_to("17");
    look();
    BYTE dirty = 2;
    host_.check("the mark", [&] { dirty = EditorState.SectorDirty; });
    choose_menu(IDM_PASTE_FROM_BUFFER);
    std::vector<uint8_t> pasted;
    host_.check("pasted", [&] { pasted = sector_data(); });
    quit();
    run_editor();
    EXPECT_EQ(shown_, (std::vector<std::string>{stamped(39, 39), stamped(17, 39)}));
    EXPECT_EQ(dirty, 0) << "the edits are gone with their mark";
    EXPECT_EQ(pasted, stamped_sector(39)) << "the buffer as copied";
    EXPECT_TRUE(boxes().empty());
}

// The number fields' rule: GetDlgItemInt's for an unsigned number, 64 bits
// wide. Blanks around the digits only; no sign; nothing beyond 2^64 - 1.
TEST(DialogNumbers, DigitsWithBlanksAroundThemUpTo2To64Less1) {
    const struct {
        const char* text;
        bool number;
        SectorNumber value;
    } rows[] = {
        {"0", true, 0},
        {" \t 12 \t", true, 12},
        {"007", true, 7},
        {"4294967296", true, 4294967296ull},
        {"18446744073709551615", true, ~0ull},
        {"18446744073709551616", false, 0},
        {"99999999999999999999", false, 0},
        {"", false, 0},
        {"  ", false, 0},
        {"12x", false, 0},
        {"1 2", false, 0},
        {"-5", false, 0},
        {"+5", false, 0},
    };
    for (const auto& row : rows) {
        SectorNumber value = 12345;
        EXPECT_EQ(parse_sector_number(row.text, &value), row.number) << '"' << row.text << '"';
        if (row.number) {
            EXPECT_EQ(value, row.value) << '"' << row.text << '"';
        }
    }
}

}  // namespace
