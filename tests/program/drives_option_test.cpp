// The Linux program's command line: `orvasse --drives` lists the disks
// without a display, --help and --version answer; anything else unknown
// stops before the editor starts.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "disk_fixture.h"
#include "orvasse_version.h"

using namespace testing_support;

namespace {

// Runs the built program without a display, with dir as its dosdevices folder.
int run_orvasse(const std::string& dir, const std::string& arguments, std::string* out) {
    return run_command("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ORVASSE_DOSDEVICES='" + dir + "' '" +
                           ORVASSE_PROGRAM + "' " + arguments,
                       out);
}

std::string line_of(const std::string& text, const std::string& start) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(start, 0) == 0) return line;
    return {};
}

TEST(DrivesOption, ListsTheMappedDisksWithoutADisplay) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("dosdevices"));
    write_zero_image(dir.file("floppy.img"), 1474560);
    write_zero_image(dir.file("disk.img"), 3 * 1024 * 1024);
    std::filesystem::create_symlink(dir.file("floppy.img"), dir.file("dosdevices/b::"));
    std::filesystem::create_symlink(dir.file("disk.img"), dir.file("dosdevices/physicaldrive7"));
    write_zero_image(dir.file("huge.img"), 3ull << 40);  // sparse
    std::filesystem::create_symlink(dir.file("huge.img"), dir.file("dosdevices/physicaldrive8"));

    std::string out;
    ASSERT_EQ(run_orvasse(dir.file("dosdevices"), "--drives", &out), 0) << out;
    std::string floppy = line_of(out, "Logical B:");
    EXPECT_NE(floppy.find(dir.file("dosdevices/b::") + " -> " + dir.file("floppy.img")), std::string::npos) << out;
    EXPECT_NE(floppy.find("1.4 MiB (1474560 bytes)"), std::string::npos) << floppy;
    EXPECT_NE(floppy.find("read-write"), std::string::npos) << floppy;
    EXPECT_NE(floppy.find("; 2880 sectors of 512 bytes; logical sector 512 bytes, physical 512 bytes; read"),
              std::string::npos)
        << floppy;
    std::string disk = line_of(out, "Physical 7");
    EXPECT_NE(disk.find(dir.file("disk.img")), std::string::npos) << out;
    EXPECT_NE(disk.find("3.0 MiB (3145728 bytes)"), std::string::npos) << disk;
    EXPECT_LT(out.find("Logical B:"), out.find("Physical 7")) << "the dialog's order";
    std::string huge = line_of(out, "Physical 8");
    EXPECT_NE(huge.find("; 6442450944 sectors of 512 bytes; logical sector 512 bytes, physical 512 bytes; larger than "
                        "2 TiB; read-write"),
              std::string::npos)
        << huge;
}

TEST(DrivesOption, HelpAndVersionAnswerAndOtherArgumentsShowTheUsageAndStartNothing) {
    TempDir dir;
    const struct {
        const char* arguments;
        int status;
        std::string starts;
    } rows[] = {
        {"--help", 0, "Usage: orvasse"},
        {"--version", 0, "orvasse " ORVASSE_VERSION_TEXT "\n"},
        {"--version extra", 2, "Usage: orvasse"},
        {"--drive", 2, "Usage: orvasse"},
        {"disk.img", 2, "Usage: orvasse"},
        {"--drives extra", 2, "Usage: orvasse"},
    };
    for (const auto& row : rows) {
        std::string out;
        EXPECT_EQ(run_orvasse(dir.path(), row.arguments, &out), row.status) << row.arguments;
        EXPECT_EQ(out.rfind(row.starts, 0), 0u) << row.arguments << ": " << out;
    }
}

}  // namespace
