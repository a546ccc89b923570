#include "platform/kernel/dosdevices.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <vector>

#include "platform/control.h"

namespace platform {

namespace {

std::mutex space_lock;
bool space_set = false;
DeviceNamespace space;

DeviceNamespace current_space() {
    std::lock_guard<std::mutex> hold(space_lock);
    if (!space_set) {
        space = default_device_namespace();
        space_set = true;
    }
    return space;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> list_dir(const std::string& path) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return names;
    while (dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

bool starts_with(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

unsigned read_number(const std::string& path) {
    std::ifstream in(path);
    unsigned value = 0;
    in >> value;
    return value;
}

// The machine's block devices, named the way Windows would name them.
struct HostLayout {
    std::vector<std::string> drives;      // PHYSICALDRIVE0, 1, ...
    std::map<char, std::string> volumes;  // A:, B:, C:, ...
};

// A desktop's package-manager images are loop devices, and "loop" sorts
// before "nvme", "sd" and "vd": the machine's own disks come first, or the
// drive numbers and letters the user can choose run out before them.
HostLayout scan_host(const std::string& sysfs) {
    const std::string sys = sysfs + "/block/";
    std::vector<std::string> disks, loops, floppies, mapped;
    for (const std::string& name : list_dir(sys)) {
        if (starts_with(name, "ram") || starts_with(name, "zram") || starts_with(name, "sr")) continue;
        if (starts_with(name, "loop")) {
            if (exists(sys + name + "/loop/backing_file")) loops.push_back(name);
        } else if (starts_with(name, "fd")) {
            floppies.push_back(name);
        } else if (starts_with(name, "dm-") || starts_with(name, "md")) {
            mapped.push_back(name);
        } else {
            disks.push_back(name);
        }
    }
    auto by_name = [](const std::string& a, const std::string& b) { return strverscmp(a.c_str(), b.c_str()) < 0; };
    std::sort(disks.begin(), disks.end(), by_name);
    std::sort(loops.begin(), loops.end(), by_name);
    std::sort(mapped.begin(), mapped.end(), by_name);

    HostLayout layout;
    for (const std::string& disk : disks) layout.drives.push_back("/dev/" + disk);
    for (const std::string& loop : loops) layout.drives.push_back("/dev/" + loop);
    for (const std::string& floppy : floppies) {
        if (floppy == "fd0") layout.volumes['A'] = "/dev/fd0";
        if (floppy == "fd1") layout.volumes['B'] = "/dev/fd1";
    }
    char letter = 'C';
    auto add_volume = [&](const std::string& name) {
        if (letter <= 'Z') layout.volumes[letter++] = "/dev/" + name;
    };
    // Each partition of a drive in partition order; a drive without any is
    // itself the volume.
    auto add_volumes_of = [&](const std::string& disk) {
        std::vector<std::pair<unsigned, std::string>> parts;
        for (const std::string& entry : list_dir(sys + disk)) {
            std::string number = sys + disk + "/" + entry + "/partition";
            if (exists(number)) parts.emplace_back(read_number(number), entry);
        }
        std::sort(parts.begin(), parts.end());
        if (parts.empty()) add_volume(disk);
        for (const auto& part : parts) add_volume(part.second);
    };
    for (const std::string& disk : disks) add_volumes_of(disk);
    for (const std::string& name : mapped) add_volume(name);
    for (const std::string& loop : loops) add_volumes_of(loop);
    return layout;
}

std::string device_dir(const std::string& sysfs, const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return {};
    std::string node = sysfs + "/dev/block/" + std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
    char resolved[PATH_MAX];
    if (!::realpath(node.c_str(), resolved)) return {};
    return resolved;
}

// For a partition the whole disk that holds it, for a whole disk itself.
std::string whole_disk_of(const std::string& sysfs, const std::string& path) {
    std::string dir = device_dir(sysfs, path);
    if (dir.empty()) return {};
    if (exists(dir + "/partition")) dir = dir.substr(0, dir.rfind('/'));
    return "/dev/" + dir.substr(dir.rfind('/') + 1);
}

bool parse_name(const std::string& name, bool* physical, unsigned* index) {
    if (name.size() == 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) {
        *physical = false;
        *index = static_cast<unsigned>(std::toupper(static_cast<unsigned char>(name[0])) - 'A');
        return true;
    }
    const char* prefix = "PHYSICALDRIVE";
    size_t len = strlen(prefix);
    if (name.size() <= len || name.size() > len + 3 || strncasecmp(name.c_str(), prefix, len) != 0) return false;
    unsigned value = 0;
    for (size_t i = len; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
        value = value * 10 + static_cast<unsigned>(name[i] - '0');
    }
    *physical = true;
    *index = value;
    return true;
}

}  // namespace

DeviceNamespace default_device_namespace() {
    DeviceNamespace result;
    if (const char* folder = std::getenv("ORVASSE_DOSDEVICES"); folder && *folder) {
        result.dosdevices = folder;
    } else if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) {
        result.dosdevices = std::string(data) + "/orvasse/dosdevices";
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        result.dosdevices = std::string(home) + "/.local/share/orvasse/dosdevices";
    }
    result.host_block_devices = true;
    return result;
}

void set_device_namespace(const DeviceNamespace& replacement) {
    std::lock_guard<std::mutex> hold(space_lock);
    space = replacement;
    space_set = true;
}

bool resolve_device(const std::string& name, DeviceTarget* target) {
    bool physical = false;
    unsigned index = 0;
    if (!parse_name(name, &physical, &index)) return false;
    DeviceNamespace now = current_space();

    if (!now.dosdevices.empty()) {
        std::vector<std::string> entries;
        if (physical) {
            entries = {"physicaldrive" + std::to_string(index), "PHYSICALDRIVE" + std::to_string(index)};
        } else {
            entries = {std::string(1, static_cast<char>('a' + index)) + "::",
                       std::string(1, static_cast<char>('A' + index)) + "::"};
        }
        for (const std::string& entry : entries) {
            std::string path = now.dosdevices + "/" + entry;
            if (!exists(path)) continue;
            target->path = path;
            target->physical = physical;
            target->whole_disk = physical ? path : whole_disk_of(now.sysfs, path);
            target->from_folder = true;
            return true;
        }
    }
    if (!now.host_block_devices) return false;

    HostLayout layout = scan_host(now.sysfs);
    if (physical) {
        if (index >= layout.drives.size()) return false;
        target->path = layout.drives[index];
    } else {
        auto found = layout.volumes.find(static_cast<char>('A' + index));
        if (found == layout.volumes.end()) return false;
        target->path = found->second;
    }
    target->physical = physical;
    target->whole_disk = physical ? target->path : whole_disk_of(now.sysfs, target->path);
    target->from_folder = false;
    return true;
}

std::string sysfs_device_dir(const std::string& path) { return device_dir(current_space().sysfs, path); }

std::string resolve_device_path(const std::string& device_name) {
    DeviceTarget target;
    return resolve_device(device_name, &target) ? target.path : std::string();
}

}  // namespace platform
