// The Linux program: the editor on the Qt host, its resources embedded.
#include <cstdio>
#include <cstring>

#include "editor/main_window.h"
#include "platform/control.h"
#include "platform/host/qt/qt_host.h"
#include "platform/user/resource.h"
#include "program/drive_report.h"
#include "resources/embedded_res.h"
#include "resources/resource.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--drives") == 0) {
        print_drive_report(stdout);
        return 0;
    }
    // Anything else unknown stops here rather than open the editor on a disk
    // the user did not mean.
    if (argc > 1) {
        std::fprintf(stderr,
                     "Usage: orvasse            start the disk editor\n"
                     "       orvasse --drives   list the disks it can open and what each one is\n");
        return 2;
    }
    HINSTANCE instance = embedded_program_module();
    return platform::qt::run_qt_host(argc, argv, [instance] { return editor_main(instance); });
}
