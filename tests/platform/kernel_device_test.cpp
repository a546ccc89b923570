// Devices: the namespace, exclusive write access, durable writes, the disk
// requests of DeviceIoControl, and which handles reach the same bytes.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

#include "disk_fixture.h"
#include "platform/control.h"
#include "platform/win32.h"

using namespace testing_support;

namespace {

class KernelDevice : public DiskTest {
protected:
    HANDLE open(const char* name, DWORD access) {
        return CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                           FILE_FLAG_NO_BUFFERING, NULL);
    }
};

// The open flags of this process's descriptors for path.
std::vector<unsigned long> open_flags_of(const std::string& path) {
    std::vector<unsigned long> found;
    char target[PATH_MAX];
    if (!realpath(path.c_str(), target)) return found;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(fd.path(), ec).string() != target) continue;
        std::ifstream info("/proc/self/fdinfo/" + fd.path().filename().string());
        std::string key, value;
        while (info >> key >> value)
            if (key == "flags:") found.push_back(std::stoul(value, nullptr, 8));
    }
    return found;
}

void write_mbr_with_one_partition(const std::string& path, uint32_t start, uint32_t sectors) {
    std::vector<uint8_t> entry(16, 0);
    entry[4] = 0x83;
    for (int k = 0; k < 4; ++k) {
        entry[8 + k] = static_cast<uint8_t>(start >> (8 * k));
        entry[12 + k] = static_cast<uint8_t>(sectors >> (8 * k));
    }
    write_file_bytes(path, 0x1BE, entry);
    write_file_bytes(path, 510, {0x55, 0xAA});
}

bool wait_for(const std::string& path) {
    for (int i = 0; i < 50; ++i) {
        if (access(path.c_str(), F_OK) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TEST_F(KernelDevice, DosdevicesEntriesNameVolumesAndDrivesInAnyCase) {
    write_stamped_image(image("c.img"), 4);
    write_stamped_image(image("p.img"), 8);
    map_volume('C', image("c.img"));
    map_physical(12, image("p.img"));

    for (const char* name : {"\\\\.\\C:", "\\\\.\\c:", "\\\\.\\PHYSICALDRIVE12", "\\\\.\\PhysicalDrive12"}) {
        HANDLE h = open(name, GENERIC_READ);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << name;
        CloseHandle(h);
    }
    for (const char* name : {"\\\\.\\D:", "\\\\.\\PHYSICALDRIVE1", "\\\\.\\C:\\", "\\\\.\\CC:", "\\\\.\\PHYSICALDRIVE"}) {
        EXPECT_EQ(open(name, GENERIC_READ), INVALID_HANDLE_VALUE) << name;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << name;
    }
    // A device cannot be created.
    EXPECT_EQ(CreateFileA("\\\\.\\C:", GENERIC_READ, 0, NULL, CREATE_ALWAYS, 0, NULL), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(KernelDevice, HostBlockDevicesFollowTheFolderEntries) {
    write_stamped_image(image("disk.img"), 256);
    LoopDevice loop(image("disk.img"));
    REQUIRE_LOOP(loop);

    platform::DeviceNamespace space;
    space.dosdevices = image("dosdevices");
    space.host_block_devices = true;
    platform::set_device_namespace(space);

    // Each name is looked up afresh, and other tests attach and detach loop
    // devices meanwhile, moving the names after theirs: a scan that missed
    // the device is made again.
    int drive = -1;
    char letter = 0;
    for (int scan = 0; scan < 20 && (drive < 0 || !letter); ++scan) {
        for (int n = 0; n < 64 && drive < 0; ++n)
            if (platform::resolve_device_path("PHYSICALDRIVE" + std::to_string(n)) == loop.device()) drive = n;
        // Without partitions the whole disk is also a volume.
        for (char l = 'C'; l <= 'Z' && !letter; ++l)
            if (platform::resolve_device_path(std::string(1, l) + ":") == loop.device()) letter = l;
    }
    EXPECT_GE(drive, 0) << loop.device() << " is a whole disk of the machine";
    ASSERT_NE(letter, 0) << loop.device() << " is a volume of the machine";
    EXPECT_EQ(platform::resolve_device_path("A:"), access("/dev/fd0", F_OK) == 0 ? "/dev/fd0" : "");

    // An entry of the folder overrides the machine's own name.
    write_stamped_image(image("mine.img"), 4);
    map_volume(letter, image("mine.img"));
    std::string entry = image("dosdevices") + "/" + std::string(1, static_cast<char>(tolower(letter))) + "::";
    EXPECT_EQ(platform::resolve_device_path(std::string(1, letter) + ":"), entry);
}

// A sysfs block/ tree of made-up devices: names, partition numbers and
// loop backing files, all the namespace reads of them.
class FakeSysfs {
public:
    explicit FakeSysfs(const std::string& root) : root_(root) {}
    void disk(const std::string& name) { std::filesystem::create_directories(root_ + "/block/" + name); }
    void partition(const std::string& disk, const std::string& name, unsigned number) {
        write(root_ + "/block/" + disk + "/" + name + "/partition", std::to_string(number));
    }
    void loop(const std::string& name, bool backed) {
        disk(name);
        if (backed) write(root_ + "/block/" + name + "/loop/backing_file", "/images/" + name + ".img");
    }

private:
    static void write(const std::string& path, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path) << text << "\n";
    }
    std::string root_;
};

TEST_F(KernelDevice, MachinesDisksComeBeforeLoopDevices) {
    FakeSysfs sys(image("sys"));
    // Twelve package-manager images, named before the disks.
    for (int n = 0; n < 12; ++n) sys.loop("loop" + std::to_string(n), true);
    sys.partition("loop1", "loop1p2", 2);
    sys.partition("loop1", "loop1p1", 1);
    sys.loop("loop12", false);
    sys.partition("sda", "sda10", 10);
    sys.partition("sda", "sda2", 2);
    sys.partition("nvme0n1", "nvme0n1p1", 1);
    sys.partition("nvme0n1", "nvme0n1p2", 2);
    sys.disk("vda");
    sys.disk("fd0");
    for (const char* name : {"dm-0", "ram0", "zram0", "sr0"}) sys.disk(name);

    platform::DeviceNamespace space;
    space.dosdevices = image("dosdevices");
    space.sysfs = image("sys");
    platform::set_device_namespace(space);

    const std::vector<std::pair<std::string, std::string>> expected = {
        {"PHYSICALDRIVE0", "/dev/nvme0n1"}, {"PHYSICALDRIVE1", "/dev/sda"},    {"PHYSICALDRIVE2", "/dev/vda"},
        {"PHYSICALDRIVE3", "/dev/loop0"},   {"PHYSICALDRIVE4", "/dev/loop1"},  {"PHYSICALDRIVE5", "/dev/loop2"},
        {"PHYSICALDRIVE14", "/dev/loop11"}, {"PHYSICALDRIVE15", ""},
        {"A:", "/dev/fd0"},                 {"B:", ""},
        {"C:", "/dev/nvme0n1p1"},           {"D:", "/dev/nvme0n1p2"},      {"E:", "/dev/sda2"},
        {"F:", "/dev/sda10"},               {"G:", "/dev/vda"},            {"H:", "/dev/dm-0"},
        {"I:", "/dev/loop0"},               {"J:", "/dev/loop1p1"},        {"K:", "/dev/loop1p2"},
        {"L:", "/dev/loop2"},               {"T:", "/dev/loop10"},         {"U:", "/dev/loop11"},
        {"V:", ""},
    };
    for (const auto& [name, path] : expected) EXPECT_EQ(platform::resolve_device_path(name), path) << name;

    // The folder still wins.
    map_stamped_image(4);
    map_physical(0, image("c.img"));
    EXPECT_EQ(platform::resolve_device_path("C:"), image("dosdevices") + "/c::");
    EXPECT_EQ(platform::resolve_device_path("PHYSICALDRIVE0"), image("dosdevices") + "/physicaldrive0");
    EXPECT_EQ(platform::resolve_device_path("D:"), "/dev/nvme0n1p2");
}

TEST_F(KernelDevice, WholeDriveAnswersBothSizeRequests) {
    write_zero_image(image("disk.img"), 8192 * 512);
    LoopDevice loop(image("disk.img"));
    REQUIRE_LOOP(loop);
    map_physical(0, loop.device());
    HANDLE drive = open("\\\\.\\PHYSICALDRIVE0", GENERIC_READ);
    ASSERT_NE(drive, INVALID_HANDLE_VALUE);
    PARTITION_INFORMATION info;
    DWORD returned = 0;
    ASSERT_TRUE(DeviceIoControl(drive, IOCTL_DISK_GET_PARTITION_INFO, NULL, 0, &info, sizeof info, &returned, NULL));
    EXPECT_EQ(returned, sizeof info);
    EXPECT_EQ(info.PartitionLength.QuadPart, 8192 * 512);
    EXPECT_EQ(info.StartingOffset.QuadPart, 0);
    EXPECT_EQ(info.PartitionNumber, 0u);
    EXPECT_FALSE(info.RecognizedPartition);
    GET_LENGTH_INFORMATION length;
    ASSERT_TRUE(DeviceIoControl(drive, IOCTL_DISK_GET_LENGTH_INFO, NULL, 0, &length, sizeof length, &returned, NULL));
    EXPECT_EQ(returned, sizeof length);
    EXPECT_EQ(length.Length.QuadPart, 8192 * 512);
    // The adapter's largest transfer: the block layer's largest request.
    uint64_t kib = loop.limit_requests(256);
    STORAGE_PROPERTY_QUERY query = {StorageAdapterProperty, PropertyStandardQuery, {0}};
    STORAGE_ADAPTER_DESCRIPTOR adapter;
    ASSERT_TRUE(DeviceIoControl(drive, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &adapter, sizeof adapter,
                                &returned, NULL));
    EXPECT_EQ(returned, sizeof adapter);
    EXPECT_EQ(adapter.MaximumTransferLength, kib * 1024);
    EXPECT_EQ(adapter.AlignmentMask, 511u);
    query.PropertyId = StorageDeviceProperty;
    EXPECT_FALSE(DeviceIoControl(drive, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &adapter, sizeof adapter,
                                 &returned, NULL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    CloseHandle(drive);
}

TEST_F(KernelDevice, PartitionRequestDescribesThePartition) {
    write_zero_image(image("disk.img"), 8192 * 512);
    write_mbr_with_one_partition(image("disk.img"), 2048, 4096);
    LoopDevice loop(image("disk.img"), {.partitions = true});
    REQUIRE_LOOP(loop);
    if (!wait_for(loop.device() + "p1")) GTEST_SKIP() << "this kernel does not read partition tables";
    map_volume('C', loop.device() + "p1");

    PARTITION_INFORMATION info;
    DWORD returned = 0;
    HANDLE volume = open("\\\\.\\C:", GENERIC_READ);
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(DeviceIoControl(volume, IOCTL_DISK_GET_PARTITION_INFO, NULL, 0, &info, sizeof info, &returned, NULL));
    EXPECT_EQ(info.PartitionLength.QuadPart, 4096 * 512);
    EXPECT_EQ(info.StartingOffset.QuadPart, 2048 * 512);
    EXPECT_EQ(info.HiddenSectors, 2048u);
    EXPECT_EQ(info.PartitionNumber, 1u);
    EXPECT_TRUE(info.RecognizedPartition);
    CloseHandle(volume);
}

TEST_F(KernelDevice, DiskRequestsRefuseWhatWindowsRefuses) {
    write_zero_image(image("c.img"), 1474560);
    map_volume('C', image("c.img"));
    HANDLE h = open("\\\\.\\C:", GENERIC_READ);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    PARTITION_INFORMATION info;
    DWORD returned = 0;
    EXPECT_FALSE(DeviceIoControl(h, IOCTL_DISK_GET_PARTITION_INFO, NULL, 0, &info, 16, &returned, NULL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_FALSE(DeviceIoControl(h, IOCTL_DISK_GET_PARTITION_INFO, NULL, 0, &info, sizeof info, NULL, NULL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(DeviceIoControl(h, 0x00090000, NULL, 0, &info, sizeof info, &returned, NULL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
    EXPECT_TRUE(DeviceIoControl(h, IOCTL_DISK_GET_PARTITION_INFO, NULL, 0, &info, sizeof info, &returned, NULL));
    EXPECT_EQ(info.PartitionLength.QuadPart, 1474560);
    // An image file has no adapter to say how much it takes.
    STORAGE_PROPERTY_QUERY query = {StorageAdapterProperty, PropertyStandardQuery, {0}};
    STORAGE_ADAPTER_DESCRIPTOR adapter;
    EXPECT_FALSE(DeviceIoControl(h, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &adapter, sizeof adapter,
                                 &returned, NULL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
    CloseHandle(h);
    EXPECT_FALSE(DeviceIoControl(h, IOCTL_DISK_GET_PARTITION_INFO, NULL, 0, &info, sizeof info, &returned, NULL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(KernelDevice, DeviceHeldBySomeoneElseRefusesWriteAccess) {
    write_stamped_image(image("c.img"), 64);
    LoopDevice loop(image("c.img"));
    REQUIRE_LOOP(loop);
    map_volume('C', loop.device());

    int holder = ::open(loop.device().c_str(), O_RDONLY | O_EXCL);
    ASSERT_GE(holder, 0) << strerror(errno);
    EXPECT_EQ(open("\\\\.\\C:", GENERIC_READ | GENERIC_WRITE), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    HANDLE reader = open("\\\\.\\C:", GENERIC_READ);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "reading is still allowed";
    CloseHandle(reader);
    ::close(holder);

    // Our own handles share the claim; while we write, nobody mounts it.
    HANDLE first = open("\\\\.\\C:", GENERIC_READ | GENERIC_WRITE);
    HANDLE second = open("\\\\.\\C:", GENERIC_READ | GENERIC_WRITE);
    EXPECT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    int taker = ::open(loop.device().c_str(), O_RDONLY | O_EXCL);
    EXPECT_LT(taker, 0) << "the device must be claimed while a handle writes to it";
    if (taker >= 0) ::close(taker);
    CloseHandle(first);
    CloseHandle(second);
    taker = ::open(loop.device().c_str(), O_RDONLY | O_EXCL);
    EXPECT_GE(taker, 0) << "the claim ends with the last writing handle";
    if (taker >= 0) ::close(taker);
}

TEST_F(KernelDevice, UnbufferedWritesGoToTheDeviceAndFlushingEmptiesItsCache) {
    write_stamped_image(image("c.img"), 64);
    LoopDevice loop(image("c.img"));
    REQUIRE_LOOP(loop);
    map_volume('C', loop.device());
    auto flags_of_device = [&] {
        unsigned long all = 0;
        for (unsigned long flags : open_flags_of(loop.device())) all |= flags;
        return all;
    };
    // As on Windows: without buffering is not write-through.
    HANDLE h = open("\\\\.\\C:", GENERIC_READ | GENERIC_WRITE);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    unsigned long flags = flags_of_device();
    EXPECT_TRUE(flags & O_DIRECT);
    EXPECT_FALSE(flags & O_DSYNC);
    alignas(4096) char sector[512];
    memset(sector, 0x3C, sizeof sector);
    DWORD written = 0;
    uint64_t flushes = flushes_of(loop.device());
    if (flushes == UINT64_MAX) GTEST_SKIP() << "this kernel counts no flush requests";
    ASSERT_TRUE(WriteFile(h, sector, 512, &written, NULL));
    EXPECT_EQ(read_file_bytes(image("c.img"), 0, 512), std::vector<uint8_t>(512, 0x3C)) << "past the system's cache";
    EXPECT_TRUE(FlushFileBuffers(h));
    EXPECT_GT(flushes_of(loop.device()), flushes) << "the device was asked to empty its cache";
    CloseHandle(h);
    h = CreateFileA("\\\\.\\C:", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                    OPEN_EXISTING, FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH, NULL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(flags_of_device() & O_DSYNC);
    CloseHandle(h);
    // Only a handle that may write can flush.
    h = open("\\\\.\\C:", GENERIC_READ);
    EXPECT_FALSE(FlushFileBuffers(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(h);
}

TEST_F(KernelDevice, WriteOnReadOnlyDeviceHandleIsDenied) {
    map_stamped_image(8);
    HANDLE h = open("\\\\.\\C:", GENERIC_READ);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    alignas(4096) char sector[512] = {};
    DWORD written = 5;
    EXPECT_FALSE(WriteFile(h, sector, 512, &written, NULL));
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(h);
    EXPECT_EQ(read_file_bytes(image("c.img"), 0, 512), stamped_sector(0));
}

TEST_F(KernelDevice, ImageFileKeepsTheSizeOfTheDeviceItStandsFor) {
    write_stamped_image(image("c.img"), 4);
    write_zero_image(image("short.img"), 511);
    map_volume('C', image("c.img"));
    map_volume('D', image("short.img"));
    alignas(4096) char sector[512];
    memset(sector, 0x5A, sizeof sector);
    auto write_at = [&](const char* name, LONG offset) {
        HANDLE h = open(name, GENERIC_READ | GENERIC_WRITE);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << name;
        SetFilePointer(h, offset, nullptr, FILE_BEGIN);
        DWORD written = 7;
        BOOL done = WriteFile(h, sector, 512, &written, NULL);
        DWORD error = GetLastError();
        CloseHandle(h);
        return std::make_tuple(done, written, error);
    };
    // At the end, and across it: nothing is written, as past a device's end.
    for (LONG offset : {4 * 512, 0}) {
        const char* name = offset ? "\\\\.\\C:" : "\\\\.\\D:";
        EXPECT_EQ(write_at(name, offset), std::make_tuple(FALSE, DWORD{0}, DWORD{ERROR_DISK_FULL})) << name;
    }
    EXPECT_EQ(std::filesystem::file_size(image("c.img")), 4u * 512);
    EXPECT_EQ(std::filesystem::file_size(image("short.img")), 511u);
    EXPECT_EQ(read_file_bytes(image("short.img"), 0, 511), std::vector<uint8_t>(511, 0));
    EXPECT_EQ(write_at("\\\\.\\C:", 3 * 512), std::make_tuple(TRUE, DWORD{512}, DWORD{ERROR_SUCCESS}));
    EXPECT_EQ(read_file_bytes(image("c.img"), 3 * 512, 512), std::vector<uint8_t>(512, 0x5A));
}

TEST_F(KernelDevice, WriteToAWriteProtectedDeviceSaysWriteProtect) {
    write_stamped_image(image("c.img"), 8);
    LoopDevice loop(image("c.img"), {.read_only = true});
    REQUIRE_LOOP(loop);
    map_volume('C', loop.device());
    HANDLE h = open("\\\\.\\C:", GENERIC_READ | GENERIC_WRITE);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "Windows opens a write-protected disk for writing too";
    alignas(4096) char sector[512] = {};
    DWORD written = 5;
    EXPECT_FALSE(WriteFile(h, sector, 512, &written, NULL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_PROTECT));
    EXPECT_EQ(written, 0u);
    CloseHandle(h);
    EXPECT_EQ(read_file_bytes(image("c.img"), 0, 512), stamped_sector(0));
}

TEST_F(KernelDevice, GeometryAndUnbufferedTransfersFollowTheLogicalSector) {
    write_stamped_image(image("big-blocks.img"), 64);
    LoopDevice loop(image("big-blocks.img"), {.sector_size = 4096});
    REQUIRE_LOOP(loop);
    map_volume('C', loop.device());
    map_volume('D', image("big-blocks.img"));
    // What the request gives: success, bytes returned, then the sector size
    // (or the error) and the disk size.
    auto geometry = [&](const char* name, DWORD room) {
        HANDLE h = open(name, GENERIC_READ);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << name;
        union {
            DISK_GEOMETRY_EX ex;
            BYTE room[256];
        } out;
        DWORD returned = 7;
        BOOL done = DeviceIoControl(h, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, NULL, 0, &out, room, &returned, NULL);
        DWORD sector = done ? out.ex.Geometry.BytesPerSector : GetLastError();
        LONGLONG size = done ? out.ex.DiskSize.QuadPart : 0;
        CloseHandle(h);
        return std::make_tuple(done, returned, sector, size);
    };
    // The fixed part only: Geometry, then DiskSize.
    EXPECT_EQ(geometry("\\\\.\\C:", 256), std::make_tuple(TRUE, DWORD{32}, DWORD{4096}, LONGLONG{64 * 512}));
    EXPECT_EQ(geometry("\\\\.\\D:", 256), std::make_tuple(TRUE, DWORD{32}, DWORD{512}, LONGLONG{64 * 512}));
    EXPECT_EQ(geometry("\\\\.\\D:", 31), std::make_tuple(FALSE, DWORD{0}, DWORD{ERROR_INSUFFICIENT_BUFFER}, LONGLONG{0}));

    // Windows refuses what does not fit the logical sector; nothing bridges it here.
    HANDLE h = open("\\\\.\\C:", GENERIC_READ);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    alignas(4096) BYTE block[2 * 4096];
    DWORD got = 7;
    EXPECT_FALSE(ReadFile(h, block, 512, &got, NULL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(got, 0u);
    SetFilePointer(h, 4096, NULL, FILE_BEGIN);
    EXPECT_FALSE(ReadFile(h, block + 512, 4096, &got, NULL)) << "memory not aligned to the logical sector";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(ReadFile(h, block, 4096, &got, NULL));
    EXPECT_EQ(got, 4096u);
    EXPECT_EQ(std::vector<uint8_t>(block + 512, block + 1024), stamped_sector(9));
    CloseHandle(h);
}

// What a write open of name gives: ERROR_SUCCESS, or why not.
DWORD write_open(const std::string& name, DWORD disposition = OPEN_EXISTING) {
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           disposition, 0, NULL);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(h);
    return ERROR_SUCCESS;
}

TEST_F(KernelDevice, ImageOfAnAttachedLoopDeviceOpensOnlyForReading) {
    write_zero_image(image("fs.img"), 2 * 1024 * 1024);
    std::filesystem::create_symlink(image("fs.img"), image("link.img"));
    map_volume('C', image("fs.img"));
    {
        LoopDevice loop(image("fs.img"));
        REQUIRE_LOOP(loop);
        Mounted mount(loop.device());
        if (!mount.mounted()) GTEST_SKIP() << mount.why_not();
        std::vector<uint8_t> superblock = read_file_bytes(image("fs.img"), 1024, 1024);

        EXPECT_EQ(write_open("\\\\.\\C:"), DWORD{ERROR_SHARING_VIOLATION});
        HANDLE reader = open("\\\\.\\C:", GENERIC_READ);
        EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "reading is still allowed";
        CloseHandle(reader);
        // By any name, and before an open that would empty it.
        for (const std::string& name : {image("fs.img"), image("link.img")})
            for (DWORD disposition : {OPEN_EXISTING, OPEN_ALWAYS, CREATE_ALWAYS, TRUNCATE_EXISTING})
                EXPECT_EQ(write_open(name, disposition), DWORD{ERROR_SHARING_VIOLATION}) << name << " " << disposition;
        EXPECT_EQ(std::filesystem::file_size(image("fs.img")), 2u * 1024 * 1024);
        EXPECT_EQ(read_file_bytes(image("fs.img"), 1024, 1024), superblock);
    }
    EXPECT_EQ(write_open("\\\\.\\C:"), DWORD{ERROR_SUCCESS}) << "detached, the image is an ordinary file again";
}

// The image is found through the name sysfs gives, compared by device and
// inode: by any link, for any user; once deleted it names nothing.
TEST_F(KernelDevice, AttachedImageIsKnownByItsFileNotByItsName) {
    ::chmod(dir_.path().c_str(), 0755);
    write_stamped_image(image("disk.img"), 64);
    ::chmod(image("disk.img").c_str(), 0666);
    ASSERT_EQ(::link(image("disk.img").c_str(), image("other-name.img").c_str()), 0);
    LoopDevice loop(image("disk.img"));
    REQUIRE_LOOP(loop);
    auto as_other_user = [&](const std::string& path) {
        return as_nobody([&] { return std::to_string(write_open(path)); });
    };
    EXPECT_EQ(write_open(image("disk.img")), DWORD{ERROR_SHARING_VIOLATION});
    EXPECT_EQ(as_other_user(image("disk.img")), std::to_string(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(write_open(image("other-name.img")), DWORD{ERROR_SHARING_VIOLATION}) << "the image by its other link";

    // Deleted while attached, the image's sysfs name ends in " (deleted)";
    // a new file of the old name is another file.
    ASSERT_EQ(::unlink(image("disk.img").c_str()), 0);
    write_stamped_image(image("disk.img"), 8);
    ::chmod(image("disk.img").c_str(), 0666);
    EXPECT_EQ(write_open(image("disk.img")), DWORD{ERROR_SUCCESS});
    EXPECT_EQ(as_other_user(image("disk.img")), std::to_string(ERROR_SUCCESS));
}

// Partition 1 of a loop device, declared to the kernel for the lifetime of
// the object. It would outlive the loop device: it goes first.
class DeclaredPartition {
public:
    DeclaredPartition(const LoopDevice& disk, uint64_t start, uint64_t sectors) {
        if (!disk.attached() || run_command("addpart " + disk.device() + " 1 " + std::to_string(start) + " " +
                                            std::to_string(sectors)) != 0)
            return;
        release_ = "delpart " + disk.device() + " 1";
        held_ = hold_outside(release_);
    }
    ~DeclaredPartition() {
        if (release_.empty()) return;
        released_outside(held_);
        run_command(release_);
    }

private:
    std::string release_;
    int held_ = 0;
};

// The identity GetFileInformationByHandle gives: volume serial and file index.
std::tuple<DWORD, DWORD, DWORD> identity_of(const std::string& name) {
    HANDLE h =
        CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << name;
    BY_HANDLE_FILE_INFORMATION info {};
    EXPECT_TRUE(GetFileInformationByHandle(h, &info)) << name << ": error " << GetLastError();
    CloseHandle(h);
    return {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

TEST_F(KernelDevice, FileInformationTellsHandlesOnTheSameBytes) {
    write_stamped_image(image("a.img"), 16);
    write_stamped_image(image("b.img"), 16);
    write_zero_image(image("disk.img"), 8192 * 512);
    std::filesystem::create_symlink(image("a.img"), image("link-to-a.img"));
    map_volume('C', image("a.img"));
    LoopDevice loop(image("b.img"));
    LoopDevice second_loop(image("b.img"));
    // A block device with no backing file of its own: a partition, declared
    // to the kernel (which need not read partition tables of loop devices).
    LoopDevice disk(image("disk.img"));
    DeclaredPartition declared(disk, 2048, 4096);
    std::string partition = disk.device() + "p1";
    // Another node of the partition's device number: the device, not its node.
    struct stat node {};
    bool partition_alias = disk.attached() && wait_for(partition) && ::stat(partition.c_str(), &node) == 0 &&
                           ::mknod(image("partition-node").c_str(), S_IFBLK | 0600, node.st_rdev) == 0 &&
                           access(image("partition-node").c_str(), R_OK) == 0;
    if (loop.attached()) map_volume('D', loop.device());

    struct Case {
        const char* what;
        std::string first, second;
        bool same;
        bool runs;
    };
    const std::vector<Case> cases = {
        {"a file and a link to it", image("a.img"), image("link-to-a.img"), true, true},
        {"two files", image("a.img"), image("b.img"), false, true},
        {"a volume and its image", "\\\\.\\C:", image("a.img"), true, true},
        {"a loop device and its image", loop.device(), image("b.img"), true, loop.attached()},
        {"a volume on a loop device and the image", "\\\\.\\D:", image("b.img"), true, loop.attached()},
        {"two loop devices of one image", loop.device(), second_loop.device(), true, second_loop.attached()},
        {"a loop device and another image", loop.device(), image("a.img"), false, loop.attached()},
        {"a partition by two device nodes", partition, image("partition-node"), true, partition_alias},
        {"a partition and its disk's image", partition, image("disk.img"), false, partition_alias},
        {"a partition and its disk", partition, disk.device(), false, partition_alias},
    };
    std::string not_run;
    for (const Case& c : cases) {
        if (!c.runs) {
            not_run += std::string(not_run.empty() ? "" : "; ") + c.what;
            continue;
        }
        EXPECT_EQ(identity_of(c.first) == identity_of(c.second), c.same) << c.what;
    }

    // The size in two halves, and the links.
    write_zero_image(image("large.img"), (5ull << 30) + 512);
    ASSERT_EQ(::link(image("large.img").c_str(), image("large-link.img").c_str()), 0);
    HANDLE h = CreateFileA(image("large.img").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    BY_HANDLE_FILE_INFORMATION info {};
    ASSERT_TRUE(GetFileInformationByHandle(h, &info));
    EXPECT_EQ(std::make_tuple(info.nFileSizeHigh, info.nFileSizeLow, info.nNumberOfLinks),
              std::make_tuple(DWORD{1}, DWORD{(1u << 30) + 512}, DWORD{2}));
    CloseHandle(h);
    for (HANDLE bad : {h, INVALID_HANDLE_VALUE}) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(GetFileInformationByHandle(bad, &info));
        EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
    }
    if (!not_run.empty())
        GTEST_SKIP() << "not run without loop devices, partitions or device nodes here: " << not_run << " ("
                     << loop.why_not() << disk.why_not() << ")";
}

}  // namespace
