#include "program/drive_report.h"

#include <cstdint>
#include <string>

#include "platform/control.h"

namespace {

// "1.4 MiB (1474560 bytes)"
std::string describe_size(uint64_t bytes) {
    std::string exact = std::to_string(bytes) + " bytes";
    if (bytes < 1024) return exact;
    static const char* const units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double value = static_cast<double>(bytes) / 1024;
    size_t unit = 0;
    // 1023.96 KiB would show as "1024.0 KiB".
    while (value >= 1023.95 && unit + 1 < sizeof units / sizeof units[0]) {
        value /= 1024;
        ++unit;
    }
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.1f %s", value, units[unit]);
    return std::string(shown) + " (" + exact + ")";
}

}  // namespace

void print_drive_report(FILE* out) {
    std::vector<platform::DriveListing> drives = platform::list_drives();
    if (drives.empty()) std::fprintf(out, "No disk to list: the Select Disk dialog would be empty.\n");
    for (const platform::DriveListing& drive : drives) {
        std::string line = drive.name + "  ";
        if (!drive.link.empty()) {
            line += drive.link + " -> " + drive.link_target;
            if (drive.path != drive.link_target) line += " (" + drive.path + ")";
        } else {
            line += drive.path;
        }
        if (!drive.block_device) line += ", image file";
        if (!drive.backing_file.empty()) line += ", loop device of " + drive.backing_file;
        line += "; " + describe_size(drive.size);
        // The editor's sectors are 512 bytes whatever the device's are.
        line += "; " + std::to_string(drive.size / 512) + " sectors of 512 bytes; logical sector " +
                std::to_string(drive.logical_sector) + " bytes, physical " + std::to_string(drive.physical_sector) +
                " bytes";
        if (drive.size > (uint64_t{1} << 41)) line += "; larger than 2 TiB";
        if (!drive.model.empty()) line += "; model " + drive.model;
        if (!drive.label.empty()) line += "; label " + drive.label;
        line += drive.read_write ? "; read-write" : "; read-only: " + drive.read_only_reason;
        std::fprintf(out, "%s\n", line.c_str());
    }
}
