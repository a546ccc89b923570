// The Linux program: the editor on the Qt host, its resources embedded.
#include <cstdio>
#include <cstring>

#include "editor/main_window.h"
#include "orvasse_version.h"
#include "platform/control.h"
#include "platform/host/qt/qt_host.h"
#include "platform/user/resource.h"
#include "program/drive_report.h"
#include "resources/embedded_res.h"
#include "resources/resource.h"

static const char Usage[] =
    "Usage: orvasse            start the disk editor\n"
    "       orvasse --drives   list the disks it can open and what each one is\n"
    "       orvasse --help     show this text\n"
    "       orvasse --version  show the version\n";

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--drives") == 0) {
        print_drive_report(stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(Usage, stdout);
        std::fputs("\nDrive letters are the entries of the dosdevices folder: $ORVASSE_DOSDEVICES, else\n"
                   "$XDG_DATA_HOME/orvasse/dosdevices, else ~/.local/share/orvasse/dosdevices (\"a::\" -> an\n"
                   "image file or a block device). The machine's disks are listed too. See orvasse(1).\n",
                   stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("orvasse %s\n", ORVASSE_VERSION_TEXT);
        return 0;
    }
    // Anything else unknown stops here rather than open the editor on a disk
    // the user did not mean.
    if (argc > 1) {
        std::fputs(Usage, stderr);
        return 2;
    }
    HINSTANCE instance = embedded_program_module();
    return platform::qt::run_qt_host(argc, argv, [instance] { return editor_main(instance); });
}
