#include "platform/kernel/loop_devices.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/loop.h>
#include <strings.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace platform {

namespace {

// The kernel's own answer: the device and inode of the file it holds open,
// whatever became of the file's name since.
bool asked_of_the_device(int fd, FileId* file) {
    loop_info64 info {};
    if (::ioctl(fd, LOOP_GET_STATUS64, &info) != 0) return false;
    file->device = static_cast<dev_t>(info.lo_device);
    file->inode = static_cast<ino_t>(info.lo_inode);
    return true;
}

// The file the sysfs line names. A deleted image's line ends in
// " (deleted)" and names nothing, or a newer file of that name, which must
// not be taken for it; such an image can still be reached through another
// hard link, which only the device itself could tell.
bool named_in(const std::string& backing_file_line, FileId* file) {
    static const char kDeleted[] = " (deleted)";
    const size_t suffix = sizeof kDeleted - 1;
    const std::string& line = backing_file_line;
    if (line.size() >= suffix && line.compare(line.size() - suffix, suffix, kDeleted) == 0) return false;
    struct stat st {};
    if (line.empty() || ::stat(line.c_str(), &st) != 0) return false;
    file->device = st.st_dev;
    file->inode = st.st_ino;
    return true;
}

// The sysfs file holds the path and a newline; a name may end in blanks.
// Read without stdio: a write open must not show in the counts of the
// editor's own stdio calls that tests fail on purpose.
bool read_backing_line(const std::string& path, std::string* line) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[PATH_MAX + 16];
    size_t length = 0;
    while (length < sizeof text) {
        ssize_t got = ::read(fd, text + length, sizeof text - length);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        length += static_cast<size_t>(got);
    }
    ::close(fd);
    line->assign(text, length);
    line->erase(std::min(line->find('\n'), line->size()));
    return true;
}

}  // namespace

std::vector<std::string> loop_devices_backed_by(const FileId& file) {
    std::vector<std::string> found;
    DIR* listing = ::opendir("/sys/block");
    if (!listing) return found;
    while (dirent* entry = ::readdir(listing)) {
        if (strncmp(entry->d_name, "loop", 4) != 0) continue;
        std::string name = entry->d_name;
        std::string line;
        if (!read_backing_line("/sys/block/" + name + "/loop/backing_file", &line)) continue;
        // By the name only: opening every loop device at every write open
        // would hold off anyone's detach of one (it waits for the last close).
        FileId backing;
        if (named_in(line, &backing) && backing == file) found.push_back("/dev/" + name);
    }
    ::closedir(listing);
    std::sort(found.begin(), found.end(),
              [](const std::string& a, const std::string& b) { return strverscmp(a.c_str(), b.c_str()) < 0; });
    return found;
}

bool backing_file_of_loop(int fd, dev_t rdev, FileId* file) {
    // Only a whole loop device has loop/; its partitions hold part of the bytes.
    std::string line;
    std::string dir = "/sys/dev/block/" + std::to_string(major(rdev)) + ":" + std::to_string(minor(rdev));
    if (!read_backing_line(dir + "/loop/backing_file", &line)) return false;
    return asked_of_the_device(fd, file) || named_in(line, file);
}

}  // namespace platform
