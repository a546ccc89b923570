#include "editor_fixture.h"

#include <cstdio>
#include <memory>

#include "disk/legacy_services.h"
#include "disk/sector_access.h"
#include "editor/editor_state.h"
#include "editor/main_window.h"
#include "platform/user/input.h"
#include "platform/user/window_view.h"
#include "resources/resource.h"
#include "window_fixture.h"

using platform::HeadlessHost;

namespace testing_support {

void EditorTest::SetUp() {
    DiskTest::SetUp();
    program_module();
}

void EditorTest::TearDown() {
    clear_windows_and_messages();
    if (LegacyServiceHandle != INVALID_HANDLE_VALUE && !EditorState.LegacyServicesClosed)
        CloseHandle(LegacyServiceHandle);
    LegacyServiceHandle = INVALID_HANDLE_VALUE;
    ExtendedServices = 0;
    if (EditorState.DiskRef != INVALID_HANDLE_VALUE && AccessMode == ACCESS_DIRECT)
        CloseHandle(EditorState.DiskRef);
    DiskTest::TearDown();
}

int EditorTest::run_editor() { return editor_main(program_module()); }

void EditorTest::start_again() {
    EditorTest::TearDown();
    std::destroy_at(&host_);
    std::construct_at(&host_);
    EditorTest::SetUp();
}

static std::string text_of(HWND hwnd) {
    platform::WindowView view;
    return platform::view_window(hwnd, &view) ? view.text : std::string();
}

static int selection_start(HWND hwnd) {
    platform::WindowView view;
    return platform::view_window(hwnd, &view) ? view.selection_start : -1;
}

std::string EditorTest::hex_pane() { return text_of(EditorState.HexPane); }
std::string EditorTest::text_pane() { return text_of(EditorState.TextPane); }
std::string EditorTest::counter() { return text_of(GetDlgItem(EditorState.MainWindow, IDC_SECTOR_COUNTER)); }
int EditorTest::hex_caret() { return selection_start(EditorState.HexPane); }
int EditorTest::text_caret() { return selection_start(EditorState.TextPane); }

int EditorTest::text_selection_end() {
    platform::WindowView view;
    return platform::view_window(EditorState.TextPane, &view) ? view.selection_end : -1;
}

int EditorTest::hex_selection_end() {
    platform::WindowView view;
    return platform::view_window(EditorState.HexPane, &view) ? view.selection_end : -1;
}

std::vector<std::string> EditorTest::disk_list() {
    platform::WindowView view;
    platform::view_window(select_disk_item(IDC_DISK_LIST)(), &view);
    return view.items;
}

std::vector<uint8_t> EditorTest::sector_data() {
    return std::vector<uint8_t>(EditorState.SectorData, EditorState.SectorData + sizeof EditorState.SectorData);
}

std::string EditorTest::hex_text_of(const std::vector<uint8_t>& bytes) {
    std::string text;
    char digits[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        snprintf(digits, sizeof digits, "%02X ", bytes[i]);
        text += digits;
        if (i % 16 == 15 && i + 1 < bytes.size()) text += "\r\n";
    }
    return text;
}

std::string EditorTest::text_text_of(const std::vector<uint8_t>& bytes) {
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        uint8_t b = bytes[i];
        text += (b == 0x00 || b == 0x09 || b == 0x0A || b == 0x0D) ? ' ' : static_cast<char>(b);
        if (i % 16 == 15 && i + 1 < bytes.size()) text += "\r\n";
    }
    return text;
}

HeadlessHost::Target EditorTest::main_window() {
    return [] { return IsWindow(EditorState.MainWindow) ? EditorState.MainWindow : nullptr; };
}

HeadlessHost::Target EditorTest::hex_pane_window() {
    return [] { return IsWindow(EditorState.HexPane) ? EditorState.HexPane : nullptr; };
}

HeadlessHost::Target EditorTest::text_pane_window() {
    return [] { return IsWindow(EditorState.TextPane) ? EditorState.TextPane : nullptr; };
}

HeadlessHost::Target EditorTest::select_disk_item(int id) { return HeadlessHost::item("Select Disk", id); }

void EditorTest::open_selected_disk() { host_.click(select_disk_item(IDC_OPEN)); }

void EditorTest::choose_menu(UINT id) { host_.choose_menu_item(main_window(), id); }

void EditorTest::quit() { host_.close_window(main_window()); }

void EditorTest::goto_sector(const std::string& number) {
    choose_menu(IDM_GOTO_SECTOR);
    host_.type_text(number);
    press(VK_RETURN);
}

void EditorTest::copy_block(const std::string& destination, const std::string& count) {
    choose_menu(IDM_COPY_BLOCK);
    host_.type_text(destination);
    press(VK_TAB);
    host_.type_text(count);
    host_.click(HeadlessHost::item("Copy Block", IDC_COPY));
}

void EditorTest::search_disk_for_text(const std::string& text) {
    choose_menu(IDM_SEARCH_DISK);
    host_.click(HeadlessHost::item("Search Disk", IDC_ASCII));
    host_.type_over(HeadlessHost::item("Search Disk", IDC_PATTERN), text);
    host_.click(HeadlessHost::item("Search Disk", IDC_SEARCH));
    host_.wait_until("the search has ended", [] { return !EditorState.SearchBusy && EditorState.SearchDialog == nullptr; });
}

static void answer_sector_count(HeadlessHost& host, const std::string& count) {
    host.type_over(HeadlessHost::item("Number of Sectors *", IDC_COUNT), count);
    host.click(HeadlessHost::item("Number of Sectors *", IDC_COUNT_OK));
}

void EditorTest::export_sectors_to(const std::string& path, const std::string& count) {
    choose_menu(IDM_EXPORT_SECTORS);
    host_.choose_file(path);
    answer_sector_count(host_, count);
}

void EditorTest::import_sectors_from(const std::string& path, const std::string& count) {
    choose_menu(IDM_IMPORT_SECTORS);
    host_.choose_file(path);
    answer_sector_count(host_, count);
}

void EditorTest::post_command(UINT id) {
    host_.then("post command " + std::to_string(id), [id] {
        return IsWindow(EditorState.MainWindow) && PostMessageA(EditorState.MainWindow, WM_COMMAND, MAKELONG(id, 0), 0);
    });
}

void EditorTest::click_stepper(bool right) {
    host_.then(right ? "click the stepper's right arrow" : "click the stepper's left arrow", [right] {
        HWND bar = GetDlgItem(EditorState.MainWindow, IDC_STEPPER);
        RECT area = {};
        if (!bar || !GetClientRect(bar, &area)) return false;
        POINT at = {right ? area.right - 2 : 1, area.bottom / 2};
        return platform::input_click(bar, at, 0);
    });
}

}  // namespace testing_support
