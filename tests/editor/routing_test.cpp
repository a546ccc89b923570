// Command routing and shutdown: the two stages, the search gate, and the
// ways the program ends.
#include <cstdlib>
#include <cstring>

#include "disk/legacy_services.h"
#include "editor/editor_state.h"
#include "editor_fixture.h"
#include "platform/control.h"
#include "platform/user/input.h"
#include "resources/resource.h"
#include "window_fixture.h"

using platform::HeadlessHost;
using namespace testing_support;
using testing_support::conformance_module;

namespace {

class Routing : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        map_stamped_image(64);
    }
    void post(WORD id, WORD code) {
        host_.check("post a command", [id, code] { PostMessageA(EditorState.MainWindow, WM_COMMAND, MAKELONG(id, code), 0); });
    }
    static std::string zero_line() {
        std::string line;
        for (int k = 0; k < 16; ++k) line += "00 ";
        return line;
    }
};

TEST_F(Routing, MenuCommandsPassTheSecondStageOnlyWithCodeZero) {
    open_selected_disk();
    post(IDM_ZERO_DATA, 1);  // as an accelerator would send it
    std::string after_code_one;
    host_.check("still the disk's bytes", [&] { after_code_one = hex_pane().substr(0, 48); });
    // WM_SYSCOMMAND takes the same way.
    host_.check("post a system command", [] { PostMessageA(EditorState.MainWindow, WM_SYSCOMMAND, IDM_ZERO_DATA, 0); });
    std::string after_system_command;
    host_.check("zeroed", [&] { after_system_command = hex_pane().substr(0, 48); });
    post(IDM_UNDO_CHANGES, 0);
    post(IDM_ZERO_DATA, 0);
    std::string after_code_zero;
    BYTE dirty = 0;
    host_.check("zeroed", [&] {
        after_code_zero = hex_pane().substr(0, 48);
        dirty = EditorState.SectorDirty;
    });
    quit();
    run_editor();
    EXPECT_NE(after_code_one, zero_line());
    EXPECT_EQ(after_system_command, zero_line());
    EXPECT_EQ(after_code_zero, zero_line());
    EXPECT_EQ(dirty, 1);
}

TEST_F(Routing, IdentifiersWithoutAHandlerDoNothing) {
    open_selected_disk();
    std::string before, after;
    host_.check("before", [&] { before = hex_pane() + text_pane() + counter(); });
    for (WORD id : {WORD{40005}, WORD{40041}, WORD{40066}, WORD{40074 + 1}, WORD{40000}}) post(id, 0);
    host_.check("after", [&] { after = hex_pane() + text_pane() + counter(); });
    quit();
    run_editor();
    EXPECT_EQ(before, after);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Routing, WhileASearchRunsOnlyExitCaretKeysAndTabAreCarriedOut) {
    open_selected_disk();
    host_.check("a search runs", [] { EditorState.SearchBusy = 1; });
    press(VK_NEXT);
    host_.type_text("7");
    choose_menu(IDM_ZERO_DATA);
    choose_menu(IDM_SAVE_SECTOR);
    choose_menu(IDM_SELECT_DISK);
    choose_menu(IDM_EXPORT_SECTORS);
    choose_menu(IDM_IMPORT_SECTORS);
    press(VK_RIGHT);
    press(VK_RIGHT);
    press(VK_TAB);
    host_.type_text("x");  // into the text pane
    std::string counter_shown, first_line;
    int caret = -1;
    BYTE hex_active = 1, dirty = 1;
    host_.check("what happened", [&] {
        counter_shown = counter();
        first_line = hex_pane().substr(0, 48);
        caret = hex_caret();
        hex_active = EditorState.HexPaneActive;
        dirty = EditorState.SectorDirty;
    });
    // Stepping with the scroll bar's right arrow is refused as well.
    host_.click(HeadlessHost::item("Orvasse v1.01 - https://orvasse.example", IDC_STEPPER), POINT{28, 8});
    std::string counter_after_stepper;
    host_.check("still sector 0", [&] { counter_after_stepper = counter(); });
    choose_menu(IDM_EXIT);
    std::vector<uint8_t> before = read_file_bytes(image("c.img"), 0, 64 * 512);
    run_editor();
    EXPECT_EQ(counter_after_stepper, "0000000000 of 0000000063");
    EXPECT_EQ(counter_shown, "0000000000 of 0000000063");
    EXPECT_EQ(dirty, 0) << "neither the digit nor the character was stored";
    EXPECT_NE(first_line.substr(0, 2), "70");
    EXPECT_EQ(caret, 3) << "the caret moved: right twice goes to byte 1's high digit";
    EXPECT_EQ(hex_active, 0) << "Tab still switches the pane";
    EXPECT_EQ(read_file_bytes(image("c.img"), 0, 64 * 512), before);
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(host_.file_dialogs().empty());
}

TEST_F(Routing, ExitTheCloseBoxAndTheEndOfTheSessionCloseWithoutAskingOrWriting) {
    std::vector<uint8_t> before = read_file_bytes(image("c.img"), 0, 64 * 512);
    auto edit_then = [&](std::function<void()> end) {
        open_selected_disk();
        host_.type_text("55");
        end();
        EXPECT_EQ(run_editor(), 0);
        EXPECT_TRUE(boxes().empty());
        EXPECT_EQ(read_file_bytes(image("c.img"), 0, 64 * 512), before);
    };
    edit_then([&] { choose_menu(IDM_EXIT); });
    reset_editor_state();
    edit_then([&] { quit(); });
    reset_editor_state();
    edit_then([&] { host_.end_session(); });
    EXPECT_EQ(host_.session_ends(), std::vector<bool>{true}) << "the main window lets the session end";
}

TEST_F(Routing, LegacyShutdownClosesTheServiceHandleOnce) {
    platform::emulate_windows_9x(2222);
    size_t bad_closes = platform::closes_of_unopened_handles();
    open_selected_disk();
    choose_menu(IDM_EXIT);
    EXPECT_EQ(run_editor(), 0);
    EXPECT_EQ(platform::closes_of_unopened_handles(), bad_closes) << "WM_CLOSE and the WM_DESTROY after it";
    EXPECT_FALSE(CloseHandle(LegacyServiceHandle)) << "the shutdown closed it";
}

TEST_F(Routing, ExitWithADeviceOpenForWritingEndsTheProcessCleanly) {
    write_stamped_image(image("loop.img"), 64);
    LoopDevice loop(image("loop.img"));
    REQUIRE_LOOP(loop);
    map_volume('C', loop.device());
    // The whole end of the process, static destruction included, in a child.
    EXPECT_EXIT(
        {
            open_selected_disk();
            choose_menu(IDM_EXIT);
            int status = run_editor();
            std::exit(EditorState.DiskRef != INVALID_HANDLE_VALUE ? status : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(Routing, TheSelectDiskDialogLetsTheSessionEnd) {
    host_.end_session();  // while the dialog is the first thing up
    EXPECT_EQ(run_editor(), 0);
    EXPECT_EQ(host_.session_ends(), std::vector<bool>{true});
}

// A window that runs a loop of its own, as the search dialog does, which
// takes the quit request when it comes.
INT_PTR CALLBACK nested_loop_proc(HWND, UINT message, WPARAM, LPARAM) {
    if (message == WM_APP) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

TEST_F(Routing, ClosingWhileANestedLoopTakesTheQuitStillEndsTheProgram) {
    HWND looper = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(210), nullptr, nested_loop_proc, 0);
    ASSERT_NE(looper, nullptr);
    open_selected_disk();
    host_.check("start the nested loop", [&] { PostMessageA(looper, WM_APP, 0, 0); });
    quit();
    EXPECT_EQ(run_editor(), 0) << "the outer loop ends without a quit request of its own";
}

}  // namespace
