// The machine's loop devices and the image files behind them. A file is told
// by its device and inode, never by its name: an image may be reached through
// links, renamed, or deleted while attached (the kernel then names it
// "... (deleted)").
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace platform {

struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId&) const = default;
};

// The attached loop devices ("/dev/loop3") whose backing file is file, in
// name order. Always the kernel's own /sys: a test's made-up sysfs tree for
// the device namespace must not hide a real attachment.
std::vector<std::string> loop_devices_backed_by(const FileId& file);

// For fd open on a whole loop device with a backing file (rdev its number),
// the backing file; false for any other device, a loop partition included.
bool backing_file_of_loop(int fd, dev_t rdev, FileId* file);

}  // namespace platform
