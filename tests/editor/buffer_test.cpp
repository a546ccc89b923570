// The transfer buffer, Zero Data, Undo Changes and Save Sector: what each
// does to the shown sector, its mark of unsaved edits and the disk.
#include <unistd.h>

#include <filesystem>

#include "editor/editor_state.h"
#include "editor_fixture.h"
#include "platform/user/input.h"
#include "resources/resource.h"

using namespace testing_support;

namespace {

class Buffer : public EditorTest {
protected:
    struct Panes {
        std::string hex, text;
        int hex_caret = -1;
        std::vector<uint8_t> data;
        BYTE dirty = 2;
    };
    void look(Panes* panes) {
        host_.check("look at the panes", [panes] {
            *panes = {hex_pane(), text_pane(), hex_caret(), sector_data(), EditorState.SectorDirty};
        });
    }

    void SetUp() override {
        EditorTest::SetUp();
        map_stamped_image(64);
    }

    std::vector<uint8_t> on_disk(uint32_t sector) { return read_file_bytes(image("c.img"), sector * 512ull, 512); }
};

TEST_F(Buffer, PasteBeforeAnyCopyGivesZerosAndMarksTheSector) {
    open_selected_disk();
    choose_menu(IDM_PASTE_FROM_BUFFER);
    Panes pasted;
    look(&pasted);
    press(VK_NEXT);
    host_.answer_message_box(IDNO);
    quit();
    run_editor();
    std::vector<uint8_t> zeros(512, 0);
    EXPECT_EQ(pasted.data, zeros);
    EXPECT_EQ(pasted.hex, hex_text_of(zeros));
    EXPECT_EQ(pasted.text, text_text_of(zeros));
    EXPECT_EQ(pasted.dirty, 1);
    ASSERT_EQ(boxes().size(), 1u) << "the step asks about the pasted zeros";
    EXPECT_EQ(on_disk(0), stamped_sector(0)) << "paste does not write";
}

TEST_F(Buffer, CopiedSectorWithItsEditsIsPastedAndSavedOntoTheNext) {
    open_selected_disk();
    host_.type_text("41");
    choose_menu(IDM_COPY_TO_BUFFER);
    press(VK_NEXT);  // still asks: copying leaves the edits unsaved
    host_.answer_message_box(IDNO);
    choose_menu(IDM_PASTE_FROM_BUFFER);
    Panes pasted;
    look(&pasted);
    choose_menu(IDM_SAVE_SECTOR);
    press(VK_NEXT);
    quit();
    run_editor();
    std::vector<uint8_t> copied = stamped_sector(0);
    copied[0] = 0x41;
    EXPECT_EQ(pasted.hex, hex_text_of(copied));
    EXPECT_EQ(pasted.dirty, 1);
    EXPECT_EQ(on_disk(1), copied);
    EXPECT_EQ(on_disk(0), stamped_sector(0)) << "No dropped the edits of sector 0";
    EXPECT_EQ(boxes().size(), 1u) << "after the save the step asks nothing";
}

TEST_F(Buffer, ZeroThenUndoShowsTheDiskAgainUnmarked) {
    open_selected_disk();
    press(VK_NEXT);
    choose_menu(IDM_ZERO_DATA);
    Panes zeroed, undone;
    look(&zeroed);
    choose_menu(IDM_UNDO_CHANGES);
    look(&undone);
    press(VK_NEXT);
    quit();
    run_editor();
    std::vector<uint8_t> zeros(512, 0);
    EXPECT_EQ(zeroed.hex, hex_text_of(zeros));
    EXPECT_EQ(zeroed.dirty, 1);
    EXPECT_EQ(undone.data, stamped_sector(1));
    EXPECT_EQ(undone.hex, hex_text_of(stamped_sector(1)));
    EXPECT_EQ(undone.text, text_text_of(stamped_sector(1)));
    EXPECT_EQ(undone.dirty, 0);
    EXPECT_TRUE(boxes().empty()) << "nothing left to ask about";
    EXPECT_EQ(on_disk(1), stamped_sector(1));
}

TEST_F(Buffer, UndoThatCannotReadTheDiskSaysSoAndKeepsTheEdits) {
    open_selected_disk();
    press(VK_PRIOR);
    host_.type_text("41");
    host_.check("shrink the disk to 10 sectors", [&] { ASSERT_EQ(truncate(image("c.img").c_str(), 10 * 512), 0); });
    choose_menu(IDM_UNDO_CHANGES);
    host_.answer_message_box(IDOK);
    Panes after;
    look(&after);
    press(VK_NEXT);  // asks: the edits are still marked
    host_.answer_message_box(IDNO);
    quit();
    run_editor();
    std::vector<uint8_t> edited = stamped_sector(63);
    edited[0] = 0x41;
    EXPECT_EQ(after.data, edited);
    EXPECT_EQ(after.hex, hex_text_of(edited));
    EXPECT_EQ(after.dirty, 1);
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, "Error accessing contents of sector");
    EXPECT_EQ(seen[0].caption, "Data Error");
    EXPECT_EQ(seen[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(seen[0].owner, EditorState.MainWindow);
    EXPECT_EQ(seen[1].caption, "Save Changes?");
}

TEST_F(Buffer, SaveWritesEvenAnUnchangedSectorAndLeavesThePanes) {
    open_selected_disk();
    press(VK_RIGHT);
    press(VK_RIGHT);
    Panes before, after_save, edited, after_edit_save;
    look(&before);
    host_.check("change sector 0 behind the editor",
                [&] { write_file_bytes(image("c.img"), 0, std::vector<uint8_t>(512, 0xEE)); });
    choose_menu(IDM_SAVE_SECTOR);
    look(&after_save);
    std::vector<uint8_t> restored;
    host_.check("sector 0 on disk", [&] { restored = on_disk(0); });
    host_.type_text("7");
    look(&edited);
    choose_menu(IDM_SAVE_SECTOR);
    look(&after_edit_save);
    quit();
    run_editor();
    EXPECT_EQ(restored, stamped_sector(0)) << "an unchanged sector is written too";
    EXPECT_EQ(before.hex_caret, 3);
    EXPECT_EQ(after_save.hex, before.hex);
    EXPECT_EQ(after_save.text, before.text);
    EXPECT_EQ(after_save.hex_caret, before.hex_caret);
    // After an edit the text pane has its keystroke form; a save keeps it and the caret.
    EXPECT_EQ(after_edit_save.hex, edited.hex);
    EXPECT_EQ(after_edit_save.text, edited.text);
    EXPECT_EQ(after_edit_save.hex_caret, edited.hex_caret);
    EXPECT_EQ(edited.dirty, 1);
    EXPECT_EQ(after_edit_save.dirty, 0);
    std::vector<uint8_t> saved = stamped_sector(0);
    saved[1] = static_cast<uint8_t>(0x70 | (saved[1] & 0x0F));
    EXPECT_EQ(on_disk(0), saved);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Buffer, SaveOntoAnImageShorterThanASectorFailsAndLeavesItAsItWas) {
    for (uint64_t length : {uint64_t{0}, uint64_t{511}}) {
        size_t first = boxes().size();
        write_zero_image(image("short.img"), length);
        map_volume('D', image("short.img"));
        // Not listed (it gives no whole sector), but a typed name opens it.
        host_.click(select_disk_item(IDC_DISK_LIST));
        press(VK_HOME);
        press(VK_END, platform::kInputShift);
        host_.type_text("Logical D:");
        open_selected_disk();
        host_.answer_message_box(IDOK);  // sector 0 cannot be read
        host_.type_text("4");
        choose_menu(IDM_SAVE_SECTOR);
        host_.answer_message_box(IDOK);
        quit();
        run_editor();
        auto seen = boxes();
        ASSERT_EQ(seen.size(), first + 2) << length;
        EXPECT_EQ(seen[first].text, "Error accessing contents of sector");
        EXPECT_EQ(seen[first + 1].text, "Error writing contents of sector");
        EXPECT_EQ(seen[first + 1].caption, "Data Error");
        EXPECT_EQ(std::filesystem::file_size(image("short.img")), length) << "an image does not grow";
        EXPECT_EQ(read_file_bytes(image("short.img"), 0, 512), std::vector<uint8_t>(length, 0));
        CloseHandle(EditorState.DiskRef);
        reset_editor_state();
    }
}

}  // namespace
