// The headless host drives a small dialog program from start to end, as a
// person would: open a dialog, type, pick an entry, press a button, answer
// a message box, close it by its close box.
#include <string>
#include <vector>

#include "conformance.h"
#include "window_fixture.h"

using platform::HeadlessHost;
using testing_support::conformance_module;

namespace {

std::string typed_text;
std::string chosen_entry;
int pushes = 0;
int answer = 0;

// A dialog program: Push asks a question and remembers the answer.
INT_PTR CALLBACK program_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(hwnd, IDC_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Physical 0"));
        SendDlgItemMessageA(hwnd, IDC_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Logical C:"));
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wparam) == 0 && LOWORD(wparam) == IDC_PUSH) {
            char text[64];
            GetDlgItemTextA(hwnd, IDC_FIELD, text, sizeof text);
            typed_text = text;
            GetDlgItemTextA(hwnd, IDC_LIST, text, sizeof text);
            chosen_entry = text;
            ++pushes;
            answer = MessageBoxA(hwnd, "Keep going?", "Question", MB_YESNO);
        }
        return TRUE;
    case WM_CLOSE:
    case WM_DESTROY: DefWindowProcA(hwnd, message, wparam, lparam); return TRUE;
    default: return FALSE;
    }
}

class Headless : public testing_support::WindowTest {};

TEST_F(Headless, DrivesADialogProgramFromStartToEnd) {
    host_.click(HeadlessHost::item("Conformance", IDC_FIELD));
    host_.type_text("Sector 7");
    host_.choose_combo_item(HeadlessHost::item("Conformance", IDC_LIST), 1);
    host_.click(HeadlessHost::item("Conformance", IDC_PUSH));
    host_.answer_message_box(IDYES);
    host_.close_window(HeadlessHost::window("Conformance"));
    INT_PTR result = DialogBoxParamA(conformance_module(), MAKEINTRESOURCEA(IDD_CONFORMANCE), nullptr, program_proc, 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(typed_text, "Sector 7");
    EXPECT_EQ(chosen_entry, "Physical 0") << "the sorted list put Logical C: first";
    EXPECT_EQ(pushes, 1);
    EXPECT_EQ(answer, IDYES);
    ASSERT_EQ(host_.message_boxes().size(), 1u);
    EXPECT_EQ(host_.message_boxes()[0].caption, "Question");
    EXPECT_EQ(HeadlessHost::window("Conformance")(), nullptr) << "the dialog is gone";
}

TEST_F(Headless, AnswersEveryMessageBoxByPolicyAheadOfTheScript) {
    pushes = 0;
    std::vector<std::string> asked;
    host_.answer_message_boxes([&](const HeadlessHost::MessageBoxSeen& box) {
        asked.push_back(box.caption);
        return asked.size() == 1 ? IDNO : IDYES;
    });
    host_.click(HeadlessHost::item("Conformance", IDC_PUSH));
    host_.check("the first answer", [] { EXPECT_EQ(answer, IDNO); });
    host_.click(HeadlessHost::item("Conformance", IDC_PUSH));
    host_.close_window(HeadlessHost::window("Conformance"));
    DialogBoxParamA(conformance_module(), MAKEINTRESOURCEA(IDD_CONFORMANCE), nullptr, program_proc, 0);
    EXPECT_EQ(pushes, 2);
    EXPECT_EQ(answer, IDYES);
    EXPECT_EQ(asked, (std::vector<std::string>{"Question", "Question"}));
    auto boxes = host_.message_boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].answer, IDNO) << "recorded as answered";
    EXPECT_EQ(boxes[1].answer, IDYES);
}

TEST(HeadlessDeathTest, StepThatNeverBecomesPossibleFailsWithItsName) {
    EXPECT_DEATH(
        {
            platform::HeadlessHost host;
            host.set_step_timeout(std::chrono::milliseconds(50));
            platform::install_host(&host);
            host.click(HeadlessHost::window("No such window"));
            MSG msg;
            GetMessageA(&msg, nullptr, 0, 0);
        },
        "the step \"click\" never became possible");
}

}  // namespace
