// The drive listing: which names the Select Disk dialog would list, what is
// behind each, and whether the editor would get write access to it.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "disk_fixture.h"
#include "platform/control.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

class DriveList : public DiskTest {
protected:
    static const platform::DriveListing* find(const std::vector<platform::DriveListing>& drives,
                                              const std::string& name) {
        for (const auto& drive : drives)
            if (drive.name == name) return &drive;
        return nullptr;
    }
    std::string entry(const std::string& name) const { return image("dosdevices") + "/" + name; }
};

std::string numbers_of(const std::string& device) {
    struct stat st {};
    ::stat(device.c_str(), &st);
    return std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
}

void write_text(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text << "\n";
}

TEST_F(DriveList, ListsWhatTheDialogListsInItsOrder) {
    write_stamped_image(image("c.img"), 64);
    write_stamped_image(image("p.img"), 3000);
    write_zero_image(image("empty.img"), 0);
    map_physical(1, image("c.img"));
    map_volume('D', image("c.img"));
    map_volume('C', image("c.img"));
    map_physical(0, image("p.img"));
    map_volume('E', image("empty.img"));      // nothing to read: not listed
    map_volume('F', image("missing.img"));    // names nothing
    map_physical(12, image("p.img"));         // beyond what the dialog offers

    auto drives = platform::list_drives();
    std::vector<std::string> names;
    for (const auto& drive : drives) names.push_back(drive.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Logical C:", "Logical D:", "Physical 0", "Physical 1"}));

    const auto* c = find(drives, "Logical C:");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->link, entry("c::"));
    EXPECT_EQ(c->link_target, image("c.img"));
    EXPECT_EQ(c->path, fs::canonical(image("c.img")).string());
    EXPECT_FALSE(c->block_device);
    EXPECT_EQ(c->size, 64u * 512);
    EXPECT_TRUE(c->read_write);
    EXPECT_EQ(c->read_only_reason, "");
    const auto* p = find(drives, "Physical 0");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->link, entry("physicaldrive0"));
    EXPECT_EQ(p->size, 3000u * 512);
}

TEST_F(DriveList, LoopDeviceNamesItsImageWriteProtectionAndSectorSizes) {
    write_stamped_image(image("ro.img"), 16);
    write_stamped_image(image("rw.img"), 16);
    LoopDevice read_only(image("ro.img"), {.read_only = true});
    REQUIRE_LOOP(read_only);
    LoopDevice writable(image("rw.img"), {.sector_size = 4096});
    REQUIRE_LOOP(writable);
    map_volume('C', read_only.device());
    map_volume('D', writable.device());

    auto drives = platform::list_drives();
    const auto* c = find(drives, "Logical C:");
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->block_device);
    EXPECT_EQ(c->path, read_only.device());
    EXPECT_EQ(c->backing_file, image("ro.img"));
    EXPECT_FALSE(c->read_write);
    EXPECT_EQ(c->read_only_reason, "write-protected");
    EXPECT_EQ(c->logical_sector, 512u);
    const auto* d = find(drives, "Logical D:");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->backing_file, image("rw.img"));
    EXPECT_TRUE(d->read_write) << d->read_only_reason;
    EXPECT_EQ(d->logical_sector, 4096u);
    EXPECT_EQ(d->physical_sector, 4096u);
}

TEST_F(DriveList, HeldDeviceIsReadOnlyAndTheListingHoldsNothing) {
    write_stamped_image(image("c.img"), 16);
    LoopDevice loop(image("c.img"));
    REQUIRE_LOOP(loop);
    map_volume('C', loop.device());

    int holder = ::open(loop.device().c_str(), O_RDONLY | O_EXCL);
    ASSERT_GE(holder, 0) << strerror(errno);
    auto drives = platform::list_drives();
    ::close(holder);
    const auto* c = find(drives, "Logical C:");
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(c->read_write);
    EXPECT_EQ(c->read_only_reason, "held exclusively by another program");

    drives = platform::list_drives();
    ASSERT_NE(find(drives, "Logical C:"), nullptr);
    EXPECT_TRUE(find(drives, "Logical C:")->read_write) << find(drives, "Logical C:")->read_only_reason;
    int taker = ::open(loop.device().c_str(), O_RDONLY | O_EXCL);
    EXPECT_GE(taker, 0) << "the listing must not keep its claim on the device";
    if (taker >= 0) ::close(taker);
}

TEST_F(DriveList, MountedDeviceSaysWhereAlsoThroughAPartitionOfItsDisk) {
    write_zero_image(image("fs.img"), 2 * 1024 * 1024);
    write_stamped_image(image("disk.img"), 64);
    LoopDevice file_system(image("fs.img"));
    REQUIRE_LOOP(file_system);
    LoopDevice disk(image("disk.img"));
    REQUIRE_LOOP(disk);
    Mounted mount(file_system.device());
    if (!mount.mounted()) GTEST_SKIP() << mount.why_not();
    map_volume('C', file_system.device());
    map_physical(0, disk.device());

    // This kernel makes no partition devices of loop devices; a sysfs tree of
    // our own gives the disk a partition that is the mounted device, and a
    // model. The kernel holds the disk of a mounted partition; so does the test.
    std::string sys = image("sys");
    std::string disk_dir = sys + "/dev/block/" + numbers_of(disk.device());
    std::string part = fs::path(disk.device()).filename().string() + "p1";
    write_text(disk_dir + "/" + part + "/partition", "1");
    write_text(disk_dir + "/" + part + "/dev", numbers_of(file_system.device()));
    write_text(disk_dir + "/device/model", "Orvasse Test Disk   ");
    platform::DeviceNamespace space;
    space.dosdevices = image("dosdevices");
    space.host_block_devices = false;
    space.sysfs = sys;
    platform::set_device_namespace(space);
    int holder = ::open(disk.device().c_str(), O_RDONLY | O_EXCL);
    ASSERT_GE(holder, 0) << strerror(errno);
    auto drives = platform::list_drives();
    ::close(holder);

    const auto* c = find(drives, "Logical C:");
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(c->read_write);
    EXPECT_EQ(c->read_only_reason, "mounted at " + mount.point());
    const auto* p = find(drives, "Physical 0");
    ASSERT_NE(p, nullptr);
    EXPECT_FALSE(p->read_write);
    EXPECT_EQ(p->read_only_reason, "its partition /dev/" + part + " is mounted at " + mount.point());
    EXPECT_EQ(p->model, "Orvasse Test Disk");
}

TEST_F(DriveList, ImageOfALoopDeviceNamesTheDeviceAndWhereItIsMounted) {
    write_zero_image(image("fs.img"), 2 * 1024 * 1024);
    write_stamped_image(image("idle.img"), 16);
    LoopDevice file_system(image("fs.img"));
    REQUIRE_LOOP(file_system);
    Mounted mount(file_system.device());
    if (!mount.mounted()) GTEST_SKIP() << mount.why_not();
    LoopDevice idle(image("idle.img"));
    REQUIRE_LOOP(idle);
    map_volume('C', image("fs.img"));
    map_volume('D', image("idle.img"));

    auto drives = platform::list_drives();
    const auto* c = find(drives, "Logical C:");
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(c->read_write);
    EXPECT_EQ(c->read_only_reason,
              "its image is attached to " + file_system.device() + ", mounted at " + mount.point());
    const auto* d = find(drives, "Logical D:");
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->read_write);
    EXPECT_EQ(d->read_only_reason, "its image is attached to " + idle.device());
}

TEST_F(DriveList, NoWritePermissionIsSaidSo) {
    write_stamped_image(image("c.img"), 16);
    ::chmod(image("c.img").c_str(), 0444);
    ::chmod(dir_.path().c_str(), 0755);
    ::chmod(image("dosdevices").c_str(), 0755);
    map_volume('C', image("c.img"));

    // Root may write anything: look as nobody.
    std::string seen = as_nobody([] {
        std::string said = "not listed";
        for (const auto& drive : platform::list_drives())
            if (drive.name == "Logical C:") said = drive.read_write ? "read-write" : drive.read_only_reason;
        return said;
    });
    EXPECT_EQ(seen, "no permission to write");
}

}  // namespace
