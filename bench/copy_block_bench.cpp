// Runs one Copy Block on a disk the way a person does: the shown sector is
// the source, the Copy Block dialog gets the destination and the count typed
// in, Copy is pressed and the closing message answered, all through the
// headless host. Prints the seconds the dialog took and what it said.
//
//   copy_block_bench --device=/dev/loopN --source=S --destination=D --count=N
//
// Exits 0 only when the copy reported that it completed.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "disk/sector_access.h"
#include "editor/editor_state.h"
#include "platform/control.h"
#include "platform/host/headless/headless_host.h"
#include "platform/user/resource.h"
#include "resources/embedded_res.h"
#include "resources/resource.h"
#include "tools/copy_block.h"

namespace {

const char* option(int argc, char** argv, const char* name) {
    size_t length = strlen(name);
    for (int i = 1; i < argc; ++i)
        if (strncmp(argv[i], name, length) == 0 && argv[i][length] == '=') return argv[i] + length + 1;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    const char* device = option(argc, argv, "--device");
    const char* source = option(argc, argv, "--source");
    const char* destination = option(argc, argv, "--destination");
    const char* count = option(argc, argv, "--count");
    if (!device || !source || !destination || !count) {
        fprintf(stderr, "usage: %s --device=DEV --source=S --destination=D --count=N\n", argv[0]);
        return 2;
    }

    namespace fs = std::filesystem;
    fs::path work = fs::temp_directory_path() / ("orvasse-copy-bench-" + std::to_string(getpid()));
    fs::create_directories(work / "dosdevices");
    fs::create_symlink(device, work / "dosdevices" / "c::");
    platform::DeviceNamespace space;
    space.dosdevices = (work / "dosdevices").string();
    space.host_block_devices = false;
    platform::set_device_namespace(space);

    HINSTANCE instance = embedded_program_module();
    platform::HeadlessHost host;
    host.set_step_timeout(std::chrono::minutes(10));
    platform::install_host(&host);

    // The disk as Select Disk leaves it, showing the source sector.
    reset_editor_state();
    EditorState.Instance = instance;
    AccessMode = ACCESS_DIRECT;
    strcpy(DevicePath, "\\\\.\\C:");  // as Select Disk leaves it
    EditorState.DiskRef = open_disk_device(DevicePath);
    EditorState.LastSector = query_last_sector(EditorState.DiskRef);
    EditorState.CurrentSector = (DWORD)strtoul(source, nullptr, 10);
    int status = 1;
    if (EditorState.DiskRef == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "cannot open %s for the editor\n", device);
    } else {
        host.type_text(destination);
        host.press_key(VK_TAB);
        host.type_text(count);
        host.click(platform::HeadlessHost::item("Copy Block", IDC_COPY));
        host.answer_message_box(IDOK);

        auto start = std::chrono::steady_clock::now();
        show_copy_block();
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        auto boxes = host.message_boxes();
        std::string said;
        for (const auto& box : boxes) said += (said.empty() ? "" : " / ") + box.text;
        for (char& c : said)
            if (c == '\n') c = ' ';
        printf("%.3f %s\n", seconds, said.c_str());
        if (boxes.size() == 1 && boxes[0].text == "Copying of sectors has been completed succesfully") status = 0;
        close_disk_device(EditorState.DiskRef);
    }
    platform::install_host(nullptr);
    fs::remove_all(work);
    return status;
}
