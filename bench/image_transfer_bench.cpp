// One export or import through the editor's own code (export_sectors,
// import_sectors), the headless host choosing the file and the count as a
// user would. Prints the seconds the operation took, from the file dialog to
// its return; exits non-zero when the program showed any message.
//
//   image_transfer_bench export|import DEVICE FILE SECTORS
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "disk/sector_access.h"
#include "editor/editor_state.h"
#include "output/image_files.h"
#include "platform/control.h"
#include "platform/host/headless/headless_host.h"
#include "platform/user/input.h"
#include "platform/user/resource.h"
#include "resources/embedded_res.h"
#include "resources/resource.h"

namespace fs = std::filesystem;
using platform::HeadlessHost;

int main(int argc, char** argv) {
    if (argc != 5 || (strcmp(argv[1], "export") != 0 && strcmp(argv[1], "import") != 0)) {
        fprintf(stderr, "usage: %s export|import DEVICE FILE SECTORS\n", argv[0]);
        return 2;
    }
    bool exporting = strcmp(argv[1], "export") == 0;
    std::string device = argv[2], file = argv[3], sectors = argv[4];

    fs::path work = fs::temp_directory_path() / ("orvasse-transfer-bench-" + std::to_string(getpid()));
    fs::create_directories(work / "dosdevices");
    fs::create_symlink(fs::absolute(device), work / "dosdevices" / "c::");
    platform::set_device_namespace({(work / "dosdevices").string(), false});

    HINSTANCE instance = embedded_program_module();
    HeadlessHost host;
    platform::install_host(&host);
    reset_editor_state();
    EditorState.Instance = instance;
    AccessMode = ACCESS_DIRECT;
    snprintf(EditorState.ImageFileFilter, sizeof EditorState.ImageFileFilter, "Binary Files%c*.bin%cAll Files%c*.*%c%c",
             0, 0, 0, 0, 0);
    strcpy(DevicePath, "\\\\.\\C:");  // as Select Disk leaves it
    EditorState.DiskRef = open_disk_device(DevicePath);
    if (EditorState.DiskRef == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "cannot open %s\n", device.c_str());
        fs::remove_all(work);
        return 1;
    }
    EditorState.LastSector = query_last_sector(EditorState.DiskRef);

    host.choose_file(file);
    host.then("give the count", [sectors] {
        HWND field = HeadlessHost::item("Number of Sectors *", IDC_COUNT)();
        HWND ok = HeadlessHost::item("Number of Sectors *", IDC_COUNT_OK)();
        if (!field || !ok) return false;
        SetWindowTextA(field, sectors.c_str());
        return platform::input_click(ok, POINT{2, 2}, 0);
    });

    auto start = std::chrono::steady_clock::now();
    if (exporting) {
        export_sectors();
    } else {
        import_sectors();
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    CloseHandle(EditorState.DiskRef);
    platform::install_host(nullptr);
    fs::remove_all(work);
    for (const auto& box : host.message_boxes()) fprintf(stderr, "message: %s (%s)\n", box.text.c_str(), box.caption.c_str());
    if (!host.message_boxes().empty() || host.unused_steps() != 0) return 1;
    printf("%.6f\n", seconds);
    return 0;
}
