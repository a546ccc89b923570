// What every disk test stands on: a device namespace of the test's own
// (a dosdevices folder of links to its image files, no host devices), the
// headless host answering message boxes, and a fresh editor state.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/host/headless/headless_host.h"

namespace testing_support {

// What a test holds outside its process (a loop device, a mount, a folder)
// is released by its destructor, and also, by the command given here, when
// the headless host ends the process because a script ran out.
int hold_outside(const std::string& release_command);
void released_outside(int token);

// A folder under the system's temporary folder, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
    int held_ = 0;
};

// An image file of sectors; every sector's first 4 bytes hold its own
// number (little-endian) and the rest a pattern derived from it, so a test
// can tell which sector it got.
void write_stamped_image(const std::string& path, uint64_t sectors);
void write_zero_image(const std::string& path, uint64_t bytes);
std::vector<uint8_t> stamped_sector(uint64_t sector);
// The stamped sectors first ... first + count - 1, one after the other.
std::vector<uint8_t> stamped_run(uint64_t first, uint64_t count);
// Reads bytes straight from the file, around everything under test.
std::vector<uint8_t> read_file_bytes(const std::string& path, uint64_t offset, size_t length);
void write_file_bytes(const std::string& path, uint64_t offset, const std::vector<uint8_t>& bytes);
// Replaces the file with bytes.
void write_whole_file(const std::string& path, const std::vector<uint8_t>& bytes);

// Flush requests a block device has completed (its sysfs stat), or
// UINT64_MAX where the kernel does not count them.
uint64_t flushes_of(const std::string& device);

// Runs a command; its exit status, and its standard output in *out.
int run_command(const std::string& command, std::string* out = nullptr);

// Runs look in a child process as user and group nobody (root may write
// anything) and gives what it returned, or a text starting "no look as
// nobody" when the child could not run it.
std::string as_nobody(const std::function<std::string()>& look);

// A loop device attached to an image for the lifetime of the object.
class LoopDevice {
public:
    struct Options {
        unsigned sector_size = 0;  // 0: the default of 512
        bool read_only = false;
        bool partitions = false;   // scan the partition table (losetup -P)
    };
    LoopDevice(const std::string& image, Options options);
    LoopDevice(const std::string& image) : LoopDevice(image, Options{}) {}
    ~LoopDevice();
    bool attached() const { return !device_.empty(); }
    const std::string& device() const { return device_; }
    const std::string& why_not() const { return why_not_; }
    // Its largest request made smaller, as a disk's adapter may have it,
    // until the device is detached: the limit now in force, in KiB (0 when
    // it cannot be read).
    unsigned limit_requests(unsigned kib);

private:
    // The device's own largest request: a loop device keeps a smaller one
    // for its next user.
    void allow_largest_request();
    std::string queue() const;
    std::string device_;
    std::string why_not_;
    int held_ = 0;
};

// An ext2 file system made on a block device and mounted for the lifetime of
// the object.
class Mounted {
public:
    explicit Mounted(const std::string& device);
    ~Mounted();
    bool mounted() const { return mounted_; }
    const std::string& why_not() const { return why_not_; }
    const std::string& point() const { return point_.path(); }

private:
    TempDir point_;
    bool mounted_ = false;
    std::string why_not_;
    int held_ = 0;
};

class DiskTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Links the dosdevices entry of volume letter (or physical drive n) to target.
    void map_volume(char letter, const std::string& target);
    void map_physical(unsigned drive, const std::string& target);

    std::string image(const std::string& name) const { return dir_.file(name); }
    // The usual disk: c.img, its sectors stamped with their numbers, as C:.
    void map_stamped_image(uint64_t sectors) {
        write_stamped_image(image("c.img"), sectors);
        map_volume('C', image("c.img"));
    }
    std::vector<platform::HeadlessHost::MessageBoxSeen> boxes() const { return host_.message_boxes(); }

    TempDir dir_;
    platform::HeadlessHost host_;
};

}  // namespace testing_support

// Skips the test, with the reason, when a loop device could not be attached.
#define REQUIRE_LOOP(loop)                                                                   \
    do {                                                                                     \
        if (!(loop).attached()) GTEST_SKIP() << "no loop device: " << (loop).why_not();      \
    } while (0)
