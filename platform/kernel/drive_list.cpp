// The disks the Select Disk dialog would list, and what stands behind each:
// so a person can tell "Physical 0" from "Physical 1" before writing to one.
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/control.h"
#include "platform/kernel/dosdevices.h"
#include "platform/kernel/loop_devices.h"

namespace platform {

namespace {

constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The dialog's probe: a plain read-only open that reads the first 512 bytes.
bool probe(const std::string& device, uint64_t* size) {
    HANDLE handle = CreateFileA(device.c_str(), GENERIC_READ, kShare, NULL, OPEN_EXISTING, 0, NULL);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BYTE sector[512];
    DWORD got = 0;
    ReadFile(handle, sector, sizeof sector, &got, NULL);
    GET_LENGTH_INFORMATION length;
    DWORD returned = 0;
    if (DeviceIoControl(handle, IOCTL_DISK_GET_LENGTH_INFO, NULL, 0, &length, sizeof length, &returned, NULL))
        *size = static_cast<uint64_t>(length.Length.QuadPart);
    CloseHandle(handle);
    return got == sizeof sector;
}

// The editor's open: read-write and unbuffered. ERROR_SUCCESS when it would
// get write access, else why not.
DWORD write_access(const std::string& device) {
    HANDLE handle = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, NULL, OPEN_EXISTING,
                                FILE_FLAG_NO_BUFFERING, NULL);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(handle);
    return ERROR_SUCCESS;
}

std::string first_line(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    size_t end = line.find_last_not_of(" \t\r");
    return end == std::string::npos ? std::string() : line.substr(0, end + 1);
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Undoes the escapes of /proc/self/mountinfo ("\040") and of udev's link
// names ("\x20").
std::string unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            out += static_cast<char>(std::strtol(text.substr(i + 2, 2).c_str(), nullptr, 16));
            i += 3;
        } else if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '3') {
            out += static_cast<char>(std::strtol(text.substr(i + 1, 3).c_str(), nullptr, 8));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Where this process sees the device mounted; empty if nowhere. A mount
// names its device by number, except on file systems that number their
// mounts themselves (btrfs), which are matched by their source.
std::string mount_point_of(dev_t device) {
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, numbers, root, point;
        fields >> id >> parent >> numbers >> root >> point;
        unsigned high = 0, low = 0;
        if (std::sscanf(numbers.c_str(), "%u:%u", &high, &low) == 2 && makedev(high, low) == device)
            return unescape(point);
        size_t dash = line.find(" - ");
        if (dash == std::string::npos) continue;
        std::istringstream rest(line.substr(dash + 3));
        std::string type, source;
        rest >> type >> source;
        struct stat st {};
        if (!source.empty() && source[0] == '/' && ::stat(unescape(source).c_str(), &st) == 0 && S_ISBLK(st.st_mode) &&
            st.st_rdev == device)
            return unescape(point);
    }
    return {};
}

// The device itself mounted, or for a whole disk any of its partitions.
std::string mounted(const std::string& path, dev_t device) {
    std::string point = mount_point_of(device);
    if (!point.empty()) return "mounted at " + point;
    std::string dir = sysfs_device_dir(path);
    if (dir.empty() || exists(dir + "/partition")) return {};
    DIR* listing = ::opendir(dir.c_str());
    if (!listing) return {};
    std::string found;
    while (dirent* entry = ::readdir(listing)) {
        std::string part = dir + "/" + entry->d_name;
        if (entry->d_name[0] == '.' || !exists(part + "/partition")) continue;
        unsigned high = 0, low = 0;
        if (std::sscanf(first_line(part + "/dev").c_str(), "%u:%u", &high, &low) != 2) continue;
        point = mount_point_of(makedev(high, low));
        if (!point.empty()) {
            found = std::string("its partition /dev/") + entry->d_name + " is mounted at " + point;
            break;
        }
    }
    ::closedir(listing);
    return found;
}

bool read_only_flag(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int read_only = 0;
    bool set = ::ioctl(fd, BLKROGET, &read_only) == 0 && read_only != 0;
    ::close(fd);
    return set;
}

// An image file that loop devices serve: the first one mounted, or else the first.
std::string attached(const struct stat& st) {
    std::vector<std::string> loops = loop_devices_backed_by(FileId{st.st_dev, st.st_ino});
    if (loops.empty()) return {};
    for (const std::string& loop : loops) {
        struct stat device {};
        if (::stat(loop.c_str(), &device) != 0) continue;
        std::string where = mounted(loop, device.st_rdev);
        if (!where.empty()) return "its image is attached to " + loop + ", " + where;
    }
    return "its image is attached to " + loops.front();
}

std::string read_only_reason(DWORD error, const std::string& path, const struct stat& st) {
    bool block = S_ISBLK(st.st_mode);
    switch (error) {
    // Linux lets a write-protected device open for writing and refuses each write.
    case ERROR_SUCCESS: return block && read_only_flag(path) ? "write-protected" : "";
    case ERROR_SHARING_VIOLATION: {
        std::string why = block ? mounted(path, st.st_rdev) : S_ISREG(st.st_mode) ? attached(st) : std::string();
        return why.empty() ? "held exclusively by another program" : why;
    }
    case ERROR_ACCESS_DENIED: return block && read_only_flag(path) ? "write-protected" : "no permission to write";
    case ERROR_WRITE_PROTECT: return "write-protected";
    default: return "cannot be opened for writing (error " + std::to_string(error) + ")";
    }
}

// The label of the file system on the device, as udev names it.
std::string label_of(const std::string& path) {
    const std::string folder = "/dev/disk/by-label";
    char device[PATH_MAX];
    if (!::realpath(path.c_str(), device)) return {};
    DIR* listing = ::opendir(folder.c_str());
    if (!listing) return {};
    std::string label;
    while (dirent* entry = ::readdir(listing)) {
        char target[PATH_MAX];
        if (entry->d_name[0] == '.' || !::realpath((folder + "/" + entry->d_name).c_str(), target)) continue;
        if (std::string(target) == device) {
            label = unescape(entry->d_name);
            break;
        }
    }
    ::closedir(listing);
    return label;
}

// A block device's logical and physical sector sizes, as the kernel gives them.
void sector_sizes(const std::string& path, DriveListing* drive) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    int logical = 0;
    unsigned int physical = 0;
    if (::ioctl(fd, BLKSSZGET, &logical) == 0 && logical >= 512) drive->logical_sector = static_cast<uint32_t>(logical);
    if (::ioctl(fd, BLKPBSZGET, &physical) == 0 && physical >= 512) drive->physical_sector = physical;
    ::close(fd);
}

DriveListing describe(const std::string& name, const std::string& device_name, uint64_t size) {
    DriveListing drive;
    drive.name = name;
    drive.size = size;
    DeviceTarget target;
    if (!resolve_device(device_name, &target)) return drive;
    drive.path = target.path;
    if (target.from_folder) {
        drive.link = target.path;
        char buffer[PATH_MAX];
        ssize_t length = ::readlink(target.path.c_str(), buffer, sizeof buffer - 1);
        if (length > 0) drive.link_target.assign(buffer, static_cast<size_t>(length));
        if (::realpath(target.path.c_str(), buffer)) drive.path = buffer;
    }
    struct stat st {};
    ::stat(drive.path.c_str(), &st);
    drive.block_device = S_ISBLK(st.st_mode);
    if (drive.block_device) {
        // A partition's model and backing file are its disk's.
        std::string dir = sysfs_device_dir(drive.path);
        if (!dir.empty() && exists(dir + "/partition")) dir = dir.substr(0, dir.rfind('/'));
        if (!dir.empty()) {
            drive.model = first_line(dir + "/device/model");
            drive.backing_file = first_line(dir + "/loop/backing_file");
        }
        drive.label = label_of(drive.path);
        sector_sizes(drive.path, &drive);
    }
    drive.read_only_reason = read_only_reason(write_access("\\\\.\\" + device_name), drive.path, st);
    drive.read_write = drive.read_only_reason.empty();
    return drive;
}

}  // namespace

std::vector<DriveListing> list_drives() {
    std::vector<DriveListing> drives;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        std::string device_name = std::string(1, letter) + ":";
        uint64_t size = 0;
        if (probe("\\\\.\\" + device_name, &size))
            drives.push_back(describe("Logical " + device_name, device_name, size));
    }
    for (char digit = '0'; digit <= '9'; ++digit) {
        std::string device_name = std::string("PHYSICALDRIVE") + digit;
        uint64_t size = 0;
        if (probe("\\\\.\\" + device_name, &size))
            drives.push_back(describe(std::string("Physical ") + digit, device_name, size));
    }
    return drives;
}

}  // namespace platform
