// Accelerator tables: stored order, first match, exact modifiers, and the
// command sent to the target window whichever window has the focus.
#include <vector>

#include "conformance.h"
#include "platform/user/input.h"
#include "platform/user/queue.h"
#include "resources/resource.h"
#include "window_fixture.h"

using testing_support::conformance_module;
using testing_support::program_module;

namespace {

struct Received {
    HWND window;
    WORD id;
    WORD code;
};
std::vector<Received> received;

INT_PTR CALLBACK target_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM) {
    // Commands from keys and menus; not the controls' notifications.
    if (message == WM_COMMAND && HIWORD(wparam) <= 1) received.push_back(Received{hwnd, LOWORD(wparam), HIWORD(wparam)});
    return message == WM_INITDIALOG;
}

class Accelerators : public testing_support::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        received.clear();
        target_ = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_PLAIN), nullptr, target_proc, 0);
        other_ = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_CONFORMANCE), nullptr, target_proc, 0);
        ShowWindow(target_, SW_SHOW);
        ShowWindow(other_, SW_SHOW);
        // The keys are typed into another window's field.
        SetFocus(GetDlgItem(other_, IDC_FIELD));
    }
    // Presses each key and runs a loop that offers every message to the table first.
    std::vector<bool> press(HACCEL table, const std::vector<std::pair<UINT, BYTE>>& keys) {
        std::vector<bool> translated;
        for (const auto& key : keys) host_.press_key(key.first, key.second);
        bool done = false;
        host_.then("stop", [&] { return done = true; });
        while (!done) {
            MSG msg;
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                platform::wait_for_messages(platform::current_queue(), platform::WaitContext{});
                continue;
            }
            int fired = TranslateAcceleratorA(target_, table, &msg);
            if (msg.message == WM_KEYDOWN) translated.push_back(fired != 0);
            if (fired) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        return translated;
    }
    HWND target_ = nullptr;
    HWND other_ = nullptr;
};

TEST_F(Accelerators, TheStoredTableKeepsItsDuplicates) {
    HACCEL table = LoadAcceleratorsA(program_module(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    int count = CopyAcceleratorTableA(table, nullptr, 0);
    std::vector<ACCEL> entries(static_cast<size_t>(count));
    CopyAcceleratorTableA(table, entries.data(), count);
    EXPECT_EQ(count, 46);
    int ones = 0;
    for (const ACCEL& entry : entries) ones += entry.key == '1';
    EXPECT_EQ(ones, 2);
}

TEST_F(Accelerators, FirstEntryWinsSoTheSecondEntriesNeverFire) {
    HACCEL table = LoadAcceleratorsA(program_module(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    press(table, {{'1', 0}, {'A', 0}, {'B', 0}, {'C', 0}, {'D', 0}, {'E', 0}, {'F', 0}, {VK_DELETE, 0}});
    std::vector<WORD> ids;
    for (const Received& r : received) ids.push_back(r.id);
    EXPECT_EQ(ids, (std::vector<WORD>{IDM_DIGIT_1, IDM_DIGIT_A, IDM_DIGIT_B, IDM_DIGIT_C, IDM_DIGIT_D, IDM_DIGIT_E,
                                      IDM_DIGIT_F, IDM_DELETE_DIGIT}));
}

TEST_F(Accelerators, AFiredKeySendsCodeOneToTheTargetWhateverHasTheFocus) {
    HACCEL table = LoadAcceleratorsA(program_module(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    press(table, {{VK_NEXT, 0}});
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].window, target_);
    EXPECT_EQ(received[0].id, IDM_NEXT_SECTOR);
    EXPECT_EQ(received[0].code, 1);
    char field[8] = {};
    GetDlgItemTextA(other_, IDC_FIELD, field, sizeof field);
    EXPECT_STREQ(field, "") << "the key never reached the focused field";
}

TEST_F(Accelerators, HeldModifiersMustMatchExactly) {
    HACCEL table = LoadAcceleratorsA(program_module(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    std::vector<bool> fired = press(table, {{'1', platform::kInputShift}, {'1', platform::kInputControl}, {'1', 0}});
    EXPECT_EQ(fired, (std::vector<bool>{false, false, true}));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].id, IDM_DIGIT_1);
}

TEST_F(Accelerators, AnEntryWithShiftMatchesOnlyWithShift) {
    HACCEL table = LoadAcceleratorsA(conformance_module(), MAKEINTRESOURCEA(IDR_TEST_KEYS));
    ASSERT_NE(table, nullptr);
    press(table, {{'A', platform::kInputShift}, {'A', 0}});
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].id, IDM_SHIFT_A);
    EXPECT_EQ(received[1].id, IDM_LETTER_A);
}

TEST_F(Accelerators, UnknownTableIsRefused) {
    MSG msg = {target_, WM_KEYDOWN, '1', 0, 0, {0, 0}};
    EXPECT_EQ(TranslateAcceleratorA(target_, reinterpret_cast<HACCEL>(0x1234), &msg), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ACCEL_HANDLE));
}

}  // namespace
