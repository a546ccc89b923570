// One whole Search Disk through the editor, as a person starts it: Open in
// Select Disk, Tools > Search Disk, the pattern as hex digits or as text,
// Search, until the dialog closes. Prints the disk's size, the seconds from
// the click to the end and the rate. The pattern must not be on the disk, so
// that all of it is read; the last progress shown tells that it was.
// With "previous" it is Find Previous instead (Shift+F3 in the dialog),
// from the last sector back to the first.
//
//   search_bench DEVICE-OR-IMAGE hex|text PATTERN [previous]
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "editor/editor_state.h"
#include "editor/main_window.h"
#include "platform/control.h"
#include "platform/host/headless/headless_host.h"
#include "platform/user/input.h"
#include "platform/user/resource.h"
#include "resources/embedded_res.h"
#include "resources/resource.h"

using platform::HeadlessHost;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    bool hex = argc >= 4 && strcmp(argv[2], "hex") == 0;
    bool previous = argc == 5 && strcmp(argv[4], "previous") == 0;
    if (argc < 4 || argc > 5 || (argc == 5 && !previous) || (!hex && strcmp(argv[2], "text") != 0)) {
        fprintf(stderr, "usage: search_bench DEVICE-OR-IMAGE hex|text PATTERN [previous]\n");
        return 2;
    }
    namespace fs = std::filesystem;
    fs::path folder = fs::temp_directory_path() / ("orvasse-search-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::create_symlink(fs::absolute(argv[1]), folder / "c::");
    platform::DeviceNamespace space;
    space.dosdevices = folder.string();
    space.host_block_devices = false;
    platform::set_device_namespace(space);

    HINSTANCE instance = embedded_program_module();
    HeadlessHost host;
    host.set_step_timeout(std::chrono::hours(1));
    platform::install_host(&host);

    auto item = [](int id) { return HeadlessHost::item("Search Disk", id); };
    host.click(HeadlessHost::item("Select Disk", IDC_OPEN));
    // Before sector 0 comes the last: Find Previous goes back from its end.
    if (previous) host.press_key(VK_PRIOR, 0);
    host.choose_menu_item([] { return EditorState.MainWindow; }, IDM_SEARCH_DISK);
    if (hex) {
        host.click(item(IDC_HEXADECIMAL));
    } else {
        host.click(item(IDC_ASCII));
        host.click(item(IDC_PATTERN));
    }
    host.type_text(argv[3]);
    Clock::time_point started, ended;
    host.then(previous ? "press Shift+F3" : "click Search", [&] {
        started = Clock::now();
        HWND search = item(IDC_SEARCH)();
        if (!search) return false;
        if (!previous) return platform::input_click(search, POINT{2, 2}, 0);
        return platform::input_key(VK_F3, platform::kInputShift, 0);
    });
    // Find Previous says when it found nothing (a box the host answers at
    // once); Search Disk closes silently.
    if (previous) host.answer_message_box(IDOK);
    host.wait_until("the search has ended", [&] {
        if (EditorState.SearchBusy || EditorState.SearchDialog) return false;
        ended = Clock::now();
        return true;
    });
    host.close_window([] { return EditorState.MainWindow; });
    editor_main(instance);
    platform::install_host(nullptr);
    fs::remove_all(folder);

    // The last chunk of the range starts at the first offset (0, 127, 254, ...)
    // from which 128 sectors reach its end.
    unsigned long long range = static_cast<unsigned long long>(EditorState.LastSector) + 1, last = 0;
    while (last + 128 < range) last += 127;
    char expected[32];
    snprintf(expected, sizeof expected, "%3.3f%% Complete", 100.0 * static_cast<double>(last) / static_cast<double>(range));
    std::string shown;
    for (const auto& seen : host.static_texts())
        if (seen.id == IDC_SEARCH_PROGRESS) shown = seen.text;
    size_t boxes = host.message_boxes().size();
    bool said_none = boxes == 1 && host.message_boxes()[0].text.rfind("No further match before sector", 0) == 0;
    if (shown != expected || (previous ? !said_none : boxes != 0)) {
        fprintf(stderr, "search_bench: the search did not read the whole disk (found, or a message); nothing measured\n");
        return 1;
    }
    double bytes = static_cast<double>(range) * 512;
    double seconds = std::chrono::duration<double>(ended - started).count();
    printf("%.0f bytes %.6f s %.3f GB/s\n", bytes, seconds, bytes / seconds / 1e9);
    return 0;
}
