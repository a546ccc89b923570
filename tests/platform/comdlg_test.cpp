// File and print dialogs: the record checked and filled in as Windows does,
// the printer device context carrying out the GDI calls.
#include <cstring>

#include "disk_fixture.h"
#include "window_fixture.h"

namespace {

const char kFilter[] = "Binary Files\0*.bin\0All Files\0*.*\0";

class CommonDialogs : public testing_support::WindowTest {
protected:
    OPENFILENAMEA record(char* file, DWORD size, const char* title) {
        OPENFILENAMEA ofn;
        memset(&ofn, 0, sizeof ofn);
        ofn.lStructSize = sizeof ofn;
        ofn.lpstrFilter = kFilter;
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = file;
        ofn.nMaxFile = size;
        ofn.lpstrTitle = title;
        ofn.Flags = OFN_HIDEREADONLY;
        ofn.lpstrDefExt = "bin";
        return ofn;
    }
};

TEST_F(CommonDialogs, SaveDialogShowsTheRecordAndReturnsThePathWithTheDefaultExtension) {
    char file[256] = "previous.bin";
    OPENFILENAMEA ofn = record(file, sizeof file, "Save Sector Image As");
    host_.choose_file("/tmp/images/boot");
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_STREQ(file, "/tmp/images/boot.bin");
    EXPECT_EQ(ofn.nFileOffset, 12);
    EXPECT_EQ(ofn.nFileExtension, 17);
    auto seen = host_.file_dialogs();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].save);
    EXPECT_EQ(seen[0].title, "Save Sector Image As");
    EXPECT_EQ(seen[0].initial_path, "previous.bin");
    ASSERT_EQ(seen[0].filters.size(), 2u);
    EXPECT_EQ(seen[0].filters[0], std::make_pair(std::string("Binary Files"), std::string("*.bin")));
    EXPECT_EQ(seen[0].filters[1], std::make_pair(std::string("All Files"), std::string("*.*")));
    EXPECT_EQ(seen[0].default_extension, "bin");
}

// OFN_OVERWRITEPROMPT: an existing file (its name with the default
// extension) is taken only when the user agrees; No shows the dialog again.
TEST_F(CommonDialogs, SaveDialogAsksBeforeReplacingAnExistingFileOnlyWhenTold) {
    testing_support::TempDir dir;
    FILE* existing = fopen(dir.file("old.bin").c_str(), "wb");
    ASSERT_NE(existing, nullptr);
    fclose(existing);
    char file[256] = "";
    OPENFILENAMEA ofn = record(file, sizeof file, "Save Sector Image As");
    ofn.Flags |= OFN_OVERWRITEPROMPT;
    host_.choose_file(dir.file("old"));
    host_.answer_message_box(IDNO);
    host_.choose_file(dir.file("old"));
    host_.answer_message_box(IDYES);
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(file, dir.file("old.bin"));
    host_.choose_file(dir.file("new"));
    ASSERT_TRUE(GetSaveFileNameA(&ofn)) << "a file that is not there asks nothing";
    ofn.Flags = OFN_HIDEREADONLY;
    host_.choose_file(dir.file("old"));
    ASSERT_TRUE(GetSaveFileNameA(&ofn)) << "without the flag nothing is asked";
    host_.choose_file(dir.file("old"));
    ofn.Flags |= OFN_OVERWRITEPROMPT;
    ASSERT_TRUE(GetOpenFileNameA(&ofn)) << "an open dialog never asks";
    auto seen = host_.file_dialogs();
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[1].initial_path, dir.file("old.bin")) << "after No, the dialog again on the name chosen";
    auto boxes = host_.message_boxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, "old.bin already exists.\nDo you want to replace it?");
        EXPECT_EQ(box.caption, "Confirm Save As");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
    }
}

TEST_F(CommonDialogs, CancelReturnsFalseWithoutAnError) {
    char file[256] = "";
    OPENFILENAMEA ofn = record(file, sizeof file, "Open Sector Image");
    host_.cancel_file_dialog();
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_FALSE(host_.file_dialogs()[0].save);
}

TEST_F(CommonDialogs, PathLongerThanTheBufferFails) {
    char file[16] = "";
    OPENFILENAMEA ofn = record(file, sizeof file, "Open Sector Image");
    host_.choose_file("/a/rather/long/path/name.bin");
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
}

TEST_F(CommonDialogs, RecordOfAnotherSizeIsRefusedWithoutADialog) {
    char file[256] = "";
    OPENFILENAMEA ofn = record(file, sizeof file, "Open");
    ofn.lStructSize = 88;  // the 32-bit layout
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
    EXPECT_TRUE(host_.file_dialogs().empty());
}

TEST_F(CommonDialogs, PrintDialogGivesCopiesAndADeviceContextThatPrints) {
    PRINTDLGA pd;
    memset(&pd, 0, sizeof pd);
    pd.lStructSize = sizeof pd;
    pd.Flags = PD_HIDEPRINTTOFILE | PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION;
    pd.nCopies = 1;
    pd.nMinPage = pd.nMaxPage = 1;
    host_.print(3);
    ASSERT_TRUE(PrintDlgA(&pd));
    EXPECT_EQ(pd.nCopies, 3);
    ASSERT_NE(pd.hDC, nullptr);
    EXPECT_EQ(host_.print_dialogs().at(0).flags, pd.Flags);

    TEXTMETRICA tm;
    ASSERT_TRUE(GetTextMetricsA(pd.hDC, &tm));
    EXPECT_EQ(tm.tmHeight, host_.printer_metrics.tmHeight);
    DOCINFOA doc = {sizeof(DOCINFOA), "Printing text", nullptr, nullptr, 0};
    EXPECT_GT(StartDocA(pd.hDC, &doc), 0);
    EXPECT_GT(StartPage(pd.hDC), 0);
    const char line[] = {'A', '\0', 'B'};
    EXPECT_TRUE(TextOutA(pd.hDC, 0, 108, line, 3));
    EXPECT_GT(EndPage(pd.hDC), 0);
    EXPECT_GT(EndDoc(pd.hDC), 0);
    EXPECT_TRUE(DeleteDC(pd.hDC));
    EXPECT_FALSE(DeleteDC(pd.hDC));

    auto documents = host_.printed_documents();
    ASSERT_EQ(documents.size(), 1u);
    EXPECT_EQ(documents[0].name, "Printing text");
    EXPECT_TRUE(documents[0].ended);
    ASSERT_EQ(documents[0].pages.size(), 1u);
    ASSERT_EQ(documents[0].pages[0].size(), 1u);
    EXPECT_EQ(documents[0].pages[0][0].y, 108);
    EXPECT_EQ(documents[0].pages[0][0].text, std::string(line, 3)) << "the count, not a zero byte, ends the text";
}

TEST_F(CommonDialogs, CancelledPrintDialogGivesNoDeviceContext) {
    PRINTDLGA pd;
    memset(&pd, 0, sizeof pd);
    pd.lStructSize = sizeof pd;
    pd.Flags = PD_RETURNDC;
    host_.cancel_print_dialog();
    EXPECT_FALSE(PrintDlgA(&pd));
    EXPECT_EQ(pd.hDC, nullptr);
}

TEST_F(CommonDialogs, DocumentLeftOpenIsAbandonedByDeleteDC) {
    PRINTDLGA pd;
    memset(&pd, 0, sizeof pd);
    pd.lStructSize = sizeof pd;
    pd.Flags = PD_RETURNDC;
    host_.print(1);
    ASSERT_TRUE(PrintDlgA(&pd));
    DOCINFOA doc = {sizeof(DOCINFOA), "Left open", nullptr, nullptr, 0};
    StartDocA(pd.hDC, &doc);
    DeleteDC(pd.hDC);
    EXPECT_TRUE(host_.printed_documents().at(0).aborted);
}

}  // namespace
