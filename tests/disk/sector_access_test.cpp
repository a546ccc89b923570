#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "disk/chunk_buffer.h"
#include "disk/legacy_services.h"
#include "disk/sector_access.h"
#include "disk_fixture.h"
#include "editor/editor_state.h"
#include "faults.h"
#include "platform/control.h"

using namespace testing_support;
namespace faults = platform::faults;

namespace {

const char* kVolumeC = "\\\\.\\C:";

class SectorAccess : public DiskTest {
protected:
    void TearDown() override {
        for (HANDLE h : opened_) close_disk_device(h);
        DiskTest::TearDown();
    }
    HANDLE open_c() {
        HANDLE h = open_disk_device(kVolumeC);
        if (h != INVALID_HANDLE_VALUE) opened_.push_back(h);
        return h;
    }
    std::vector<HANDLE> opened_;
};

std::vector<uint8_t> bytes_of(const void* p, size_t n) {
    auto* b = static_cast<const uint8_t*>(p);
    return std::vector<uint8_t>(b, b + n);
}

// Whether this process holds path open with O_DIRECT.
bool open_with_direct_io(const std::string& path) {
    char target[PATH_MAX];
    if (!realpath(path.c_str(), target)) return false;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(fd.path(), ec).string() != target) continue;
        std::ifstream info("/proc/self/fdinfo/" + fd.path().filename().string());
        std::string key;
        while (info >> key) {
            if (key != "flags:") continue;
            std::string octal;
            info >> octal;
            if (std::stoul(octal, nullptr, 8) & O_DIRECT) return true;
        }
    }
    return false;
}

TEST_F(SectorAccess, SectorOffsetsAre64BitMultiplesOf512) {
    // A sparse image of two sectors more than a 32-bit number counts.
    const uint64_t sectors = (1ull << 32) + 2;
    std::string path = image("huge.img");
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    bool sized = ::ftruncate(fd, static_cast<off_t>(sectors * 512)) == 0;
    ::close(fd);
    if (!sized) GTEST_SKIP() << "the temporary folder's file system cannot hold a 2 TiB sparse file";
    write_file_bytes(path, 8388608ull * 512, stamped_sector(8388608));
    write_file_bytes(path, 4294967295ull * 512, stamped_sector(4294967295ull));
    map_volume('C', path);
    HANDLE h = open_c();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);

    EXPECT_EQ(seek_sector(h, 8388608), 0u);
    LONG high = 0;
    EXPECT_EQ(SetFilePointer(h, 0, &high, FILE_CURRENT), 0u);
    EXPECT_EQ(high, 1);

    EXPECT_EQ(seek_sector(h, 4294967295u), 0u);
    high = 0;
    DWORD low = SetFilePointer(h, 0, &high, FILE_CURRENT);
    EXPECT_EQ((static_cast<uint64_t>(high) << 32) | low, 2199023255040ull);

    BYTE buffer[512];
    EXPECT_EQ(read_sectors(h, 8388608, 1, buffer), 512u);
    EXPECT_EQ(bytes_of(buffer, 512), stamped_sector(8388608));
    EXPECT_EQ(read_sectors(h, 4294967295u, 1, buffer), 512u);
    EXPECT_EQ(bytes_of(buffer, 512), stamped_sector(4294967295ull));
    EXPECT_EQ(read_sectors(h, 0, 1, buffer), 512u);
    EXPECT_EQ(bytes_of(buffer, 512), std::vector<uint8_t>(512, 0));

    // More sectors than a 32-bit number counts: the last one all the same.
    EXPECT_EQ(query_last_sector(h), sectors - 1);
    write_file_bytes(path, (sectors - 1) * 512, stamped_sector(sectors - 1));
    EXPECT_EQ(read_sectors(h, sectors - 1, 1, buffer), 512u);
    EXPECT_EQ(bytes_of(buffer, 512), stamped_sector(sectors - 1));

    // A failed ask of where the handle stands reads nothing, not the bytes at 4 GiB - 1.
    faults::arm(faults::Call::SetFilePointer, faults::calls(faults::Call::SetFilePointer) + 1, faults::Kind::Error);
    EXPECT_EQ(read_from_position(h, buffer, 1), 0u);
    faults::disarm_all();
    EXPECT_TRUE(boxes().empty());

    // On a disk of 4096-byte blocks the block around a sector is found by
    // its own 64-bit offset, both by number and where the handle stands.
    LoopDevice loop(path, {.sector_size = 4096});
    REQUIRE_LOOP(loop);
    map_volume('D', loop.device());
    HANDLE blocks = open_disk_device("\\\\.\\D:");
    ASSERT_NE(blocks, INVALID_HANDLE_VALUE);
    opened_.push_back(blocks);
    EXPECT_EQ(read_sectors(blocks, 4294967295u, 1, buffer), 512u);
    EXPECT_EQ(bytes_of(buffer, 512), stamped_sector(4294967295ull));
    memset(buffer, 0, sizeof buffer);
    EXPECT_EQ(seek_sector(blocks, 4294967295u), 0u);
    EXPECT_EQ(read_from_position(blocks, buffer, 1), 512u);
    EXPECT_EQ(bytes_of(buffer, 512), stamped_sector(4294967295ull));
}

TEST_F(SectorAccess, CountsMoveCountModulo256Sectors) {
    map_stamped_image(600);
    HANDLE h = open_c();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::vector<BYTE> buffer(260 * 512, 0xEE);

    EXPECT_EQ(read_sectors(h, 0, 1, buffer.data()), 512u);
    EXPECT_EQ(read_sectors(h, 10, 128, buffer.data()), 65536u);
    EXPECT_EQ(bytes_of(&buffer[127 * 512], 512), stamped_sector(137));
    EXPECT_EQ(read_sectors(h, 20, 255, buffer.data()), 130560u);
    EXPECT_EQ(bytes_of(&buffer[254 * 512], 512), stamped_sector(274));

    std::fill(buffer.begin(), buffer.end(), 0xEE);
    EXPECT_EQ(read_sectors(h, 0, 256, buffer.data()), 0u);
    EXPECT_EQ(buffer[0], 0xEE) << "a count of 256 must move nothing";
    EXPECT_EQ(read_sectors(h, 3, 257, buffer.data()), 512u);
    EXPECT_EQ(bytes_of(buffer.data(), 512), stamped_sector(3));

    std::vector<uint8_t> before = read_file_bytes(image("c.img"), 0, 600 * 512);
    EXPECT_EQ(write_sectors(h, 0, 256, buffer.data()), 0u);
    EXPECT_EQ(read_file_bytes(image("c.img"), 0, 600 * 512), before);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(SectorAccess, WritesReachTheDeviceAndLeaveNeighboursAlone) {
    map_stamped_image(64);
    HANDLE h = open_c();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::vector<BYTE> data(2 * 512);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<BYTE>(i ^ 0x5A);
    EXPECT_EQ(write_sectors(h, 7, 2, data.data()), 1024u);
    close_disk_device(h);
    opened_.clear();
    EXPECT_EQ(read_file_bytes(image("c.img"), 7 * 512, 1024), data);
    EXPECT_EQ(read_file_bytes(image("c.img"), 6 * 512, 512), stamped_sector(6));
    EXPECT_EQ(read_file_bytes(image("c.img"), 9 * 512, 512), stamped_sector(9));
}

TEST_F(SectorAccess, ReadsPastTheEndGiveShortCountsWithoutMessage) {
    map_stamped_image(100);
    HANDLE h = open_c();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::vector<BYTE> buffer(8 * 512);
    EXPECT_EQ(read_sectors(h, 98, 4, buffer.data()), 1024u);
    EXPECT_EQ(bytes_of(&buffer[512], 512), stamped_sector(99));
    EXPECT_EQ(read_sectors(h, 100, 1, buffer.data()), 0u);
    EXPECT_EQ(read_sectors(h, 4000000000u, 1, buffer.data()), 0u);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(SectorAccess, FailedPositioningShowsOneMessageAndMovesNothing) {
    BYTE buffer[512];
    memset(buffer, 0xC3, sizeof buffer);
    host_.answer_message_box(IDOK);
    // No disk chosen yet: DiskRef is all-ones, the invalid handle.
    EXPECT_EQ(read_sectors(EditorState.DiskRef, 0, 1, buffer), 0u);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "Error reading disk");
    EXPECT_EQ(boxes()[0].caption, "Error");
    EXPECT_EQ(boxes()[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(boxes()[0].owner, nullptr);
    EXPECT_EQ(buffer[0], 0xC3);

    // Writes fail the same way but say nothing.
    EXPECT_EQ(write_sectors(EditorState.DiskRef, 0, 1, buffer), 0u);
    EXPECT_EQ(boxes().size(), 1u);

    // A handle that was closed is no better.
    map_stamped_image(8);
    HANDLE h = open_disk_device(kVolumeC);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    close_disk_device(h);
    host_.answer_message_box(IDOK);
    EXPECT_EQ(read_sectors(h, 1, 1, buffer), 0u);
    EXPECT_EQ(boxes().size(), 2u);
}

TEST_F(SectorAccess, UnalignedCallerBuffersWorkWithDirectIo) {
    map_stamped_image(32);
    HANDLE h = open_c();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    int probe = ::open(image("c.img").c_str(), O_RDONLY | O_DIRECT);
    if (probe < 0) GTEST_SKIP() << "the temporary folder's file system refuses O_DIRECT; the handle is buffered";
    ::close(probe);
    ASSERT_TRUE(open_with_direct_io(image("c.img"))) << "a disk is opened without the system's cache";

    // One past an aligned address: misaligned for any disk.
    alignas(4096) BYTE storage[3 * 512 + 1];
    BYTE* odd = storage + 1;
    EXPECT_EQ(read_sectors(h, 5, 3, odd), 1536u);
    EXPECT_EQ(bytes_of(odd + 1024, 512), stamped_sector(7));

    for (int i = 0; i < 512; ++i) odd[i] = static_cast<BYTE>(255 - i);
    EXPECT_EQ(write_sectors(h, 9, 1, odd), 512u);
    EXPECT_EQ(read_file_bytes(image("c.img"), 9 * 512, 512), bytes_of(odd, 512));
    EXPECT_EQ(read_file_bytes(image("c.img"), 10 * 512, 512), stamped_sector(10));
}

TEST_F(SectorAccess, DeviceWithLargerLogicalBlocksMovesSingleSectors) {
    write_stamped_image(image("big-blocks.img"), 64);
    LoopDevice loop(image("big-blocks.img"), {.sector_size = 4096});
    REQUIRE_LOOP(loop);
    map_volume('C', loop.device());
    HANDLE h = open_c();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);

    std::vector<BYTE> buffer(4 * 512);
    EXPECT_EQ(read_sectors(h, 3, 1, buffer.data()), 512u);
    EXPECT_EQ(bytes_of(buffer.data(), 512), stamped_sector(3));
    // Three sectors across the boundary of two 4096-byte blocks.
    EXPECT_EQ(read_sectors(h, 7, 3, buffer.data()), 1536u);
    EXPECT_EQ(bytes_of(&buffer[1024], 512), stamped_sector(9));
    // Four from part-way into the last block: the disk ends after two.
    EXPECT_EQ(read_sectors(h, 62, 4, buffer.data()), 1024u);
    EXPECT_EQ(bytes_of(&buffer[512], 512), stamped_sector(63));
    // Aligned memory does not make a run that ends, or starts, a block whole.
    alignas(4096) BYTE aligned[2 * 512];
    for (DWORD first : {6u, 8u}) {
        EXPECT_EQ(read_sectors(h, first, 2, aligned), 1024u) << first;
        EXPECT_EQ(bytes_of(aligned, 1024), stamped_run(first, 2)) << first;
    }

    std::vector<BYTE> data(512, 0x6B);
    EXPECT_EQ(write_sectors(h, 5, 1, data.data()), 512u);
    EXPECT_EQ(read_sectors(h, 4, 3, buffer.data()), 1536u);
    EXPECT_EQ(bytes_of(buffer.data(), 512), stamped_sector(4));
    EXPECT_EQ(bytes_of(&buffer[512], 512), std::vector<uint8_t>(512, 0x6B));
    EXPECT_EQ(bytes_of(&buffer[1024], 512), stamped_sector(6));
    EXPECT_EQ(query_last_sector(h), 63u);

    // Sectors 3 to 12 end part-way into both 4096-byte blocks they touch;
    // the last sector of the disk ends its last block.
    std::vector<BYTE> run(10 * 512);
    for (size_t i = 0; i < run.size(); ++i) run[i] = static_cast<BYTE>(i * 7 + 1);
    EXPECT_EQ(write_sectors(h, 3, 10, run.data()), 5120u);
    EXPECT_EQ(write_sectors(h, 63, 1, data.data()), 512u);
    EXPECT_EQ(write_sectors(h, 63, 2, data.data()), 0u) << "past the end: nothing written";
    // Goto's path: position, then read where the handle stands.
    EXPECT_EQ(seek_sector(h, 12), 0u);
    EXPECT_EQ(read_from_position(h, buffer.data(), 2), 1024u);
    EXPECT_EQ(bytes_of(buffer.data(), 512), bytes_of(&run[9 * 512], 512));
    EXPECT_EQ(bytes_of(&buffer[512], 512), stamped_sector(13));
    close_disk_device(h);
    opened_.clear();
    EXPECT_EQ(read_file_bytes(image("big-blocks.img"), 2 * 512, 512), stamped_sector(2));
    EXPECT_EQ(read_file_bytes(image("big-blocks.img"), 3 * 512, run.size()), run);
    EXPECT_EQ(read_file_bytes(image("big-blocks.img"), 13 * 512, 512), stamped_sector(13));
    EXPECT_EQ(read_file_bytes(image("big-blocks.img"), 62 * 512, 512), stamped_sector(62));
    EXPECT_EQ(read_file_bytes(image("big-blocks.img"), 63 * 512, 512), data);

    // A disk that gave no geometry at its open is asked again at each transfer.
    faults::arm(faults::Call::DeviceIoControl, faults::calls(faults::Call::DeviceIoControl) + 1, faults::Kind::Error);
    h = open_c();
    faults::disarm_all();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(read_sectors(h, 2, 1, buffer.data()), 512u);
    EXPECT_EQ(bytes_of(buffer.data(), 512), stamped_sector(2));

    // A bridge that cannot position at its block has read nothing: not a
    // byte may be counted, or a caller takes it for the sector's first.
    faults::arm(faults::Call::SetFilePointer, faults::calls(faults::Call::SetFilePointer) + 2, faults::Kind::Error);
    EXPECT_EQ(read_sectors(h, 3, 1, buffer.data()), 0u);
    EXPECT_EQ(faults::fired(), 1u) << "the bridge's own positioning failed, not the seek before it";
    faults::disarm_all();
}

TEST_F(SectorAccess, WriteProtectedDeviceOpensReadOnly) {
    write_stamped_image(image("c.img"), 16);
    LoopDevice loop(image("c.img"), {.read_only = true});
    REQUIRE_LOOP(loop);
    map_volume('C', loop.device());
    HANDLE h = open_c();
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "the read-only second attempt must open it";
    BYTE buffer[512];
    EXPECT_EQ(read_sectors(h, 2, 1, buffer), 512u);
    EXPECT_EQ(bytes_of(buffer, 512), stamped_sector(2));
    memset(buffer, 0, sizeof buffer);
    EXPECT_EQ(write_sectors(h, 2, 1, buffer), 0u);
    EXPECT_EQ(read_file_bytes(image("c.img"), 2 * 512, 512), stamped_sector(2));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(SectorAccess, DeviceHeldBySomeoneElseOpensReadOnly) {
    write_stamped_image(image("c.img"), 16);
    LoopDevice loop(image("c.img"));
    REQUIRE_LOOP(loop);
    map_volume('C', loop.device());
    int holder = ::open(loop.device().c_str(), O_RDONLY | O_EXCL);
    ASSERT_GE(holder, 0) << strerror(errno);
    HANDLE h = open_c();
    ::close(holder);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "the read-only second attempt must open it";
    BYTE buffer[512];
    EXPECT_EQ(read_sectors(h, 2, 1, buffer), 512u);
    EXPECT_EQ(bytes_of(buffer, 512), stamped_sector(2));
    EXPECT_EQ(write_sectors(h, 2, 1, buffer), 0u) << "opened for reading only";
    EXPECT_TRUE(boxes().empty());
}

TEST_F(SectorAccess, MountedDeviceOpensReadOnlyUntilUnmounted) {
    write_zero_image(image("fs.img"), 2 * 1024 * 1024);
    LoopDevice loop(image("fs.img"));
    REQUIRE_LOOP(loop);
    map_volume('C', loop.device());
    BYTE buffer[512];
    {
        Mounted mount(loop.device());
        if (!mount.mounted()) GTEST_SKIP() << mount.why_not();
        HANDLE h = open_disk_device(kVolumeC);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        // The ext2 superblock starts at byte 1024; its magic 0xEF53 is at 56.
        EXPECT_EQ(read_sectors(h, 2, 1, buffer), 512u);
        EXPECT_EQ(buffer[56], 0x53);
        EXPECT_EQ(buffer[57], 0xEF);
        EXPECT_EQ(write_sectors(h, 2, 1, buffer), 0u) << "a mounted volume must not be written under its file system";
        close_disk_device(h);
    }
    HANDLE h = open_c();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(read_sectors(h, 2, 1, buffer), 512u);
    EXPECT_EQ(write_sectors(h, 2, 1, buffer), 512u) << "unmounted, it is writable again";
}

TEST_F(SectorAccess, LastSectorFromPartitionLength) {
    struct Case {
        uint64_t length;
        SectorNumber last;
    } cases[] = {
        {1474560, 2879},  // 2,880 sectors
        {1475072, 2880},  // 2,881: the odd final sector too
        {1000000, 1952},  // 1,953 whole sectors
        {1024, 1},
        {1536, 2},
        {512, 0},  // one sector: only sector 0, not 4,294,967,295
        {0, 0},
    };
    for (const Case& c : cases) {
        std::string path = image("len-" + std::to_string(c.length) + ".img");
        write_zero_image(path, c.length);
        map_volume('C', path);
        HANDLE h = open_disk_device(kVolumeC);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << c.length;
        EXPECT_EQ(query_last_sector(h), c.last) << "length " << c.length;
        close_disk_device(h);
    }
    // 2^32 - 1 sectors: an odd count, its final sector the last.
    EXPECT_EQ(last_sector_of_length(0xFFFFFFFFll * 512), 0xFFFFFFFEu);
}

TEST(SectorRuns, RunsStopAfterTheLastSector) {
    struct Case {
        DWORD first, count, last, within;
    } cases[] = {
        {98, 5, 100, 3},
        {100, 5, 100, 1},  // from the last sector: that one
        {101, 5, 100, 0},
        {0, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu},  // 2^32 sectors on the disk: no 32-bit wrap
    };
    for (const Case& c : cases)
        EXPECT_EQ(sectors_within_disk(c.first, c.count, c.last), c.within) << c.first << " " << c.count;
}

TEST_F(SectorAccess, GptDiskAnswersOnlyTheLengthQuery) {
    write_zero_image(image("gpt.img"), 4096 * 512);
    write_file_bytes(image("gpt.img"), 512, {'E', 'F', 'I', ' ', 'P', 'A', 'R', 'T'});
    map_physical(0, image("gpt.img"));
    HANDLE h = open_disk_device("\\\\.\\PHYSICALDRIVE0");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    PARTITION_INFORMATION info;
    DWORD returned = 0;
    ASSERT_FALSE(DeviceIoControl(h, IOCTL_DISK_GET_PARTITION_INFO, NULL, 0, &info, sizeof info, &returned, NULL));
    EXPECT_EQ(query_last_sector(h), 4095u);
    close_disk_device(h);
}

TEST_F(SectorAccess, SizeOfTheFileWhenNeitherRequestAnswersElseZero) {
    EXPECT_EQ(query_last_sector(INVALID_HANDLE_VALUE), 0u);
    // An ordinary file is no device: neither request answers, as with
    // Wine's file-backed drives, but the file has a size.
    write_zero_image(image("plain.bin"), 1474560);
    HANDLE h = CreateFileA(image("plain.bin").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    BYTE answer[64];
    DWORD returned = 0;
    EXPECT_FALSE(DeviceIoControl(h, IOCTL_DISK_GET_PARTITION_INFO, NULL, 0, answer, sizeof answer, &returned, NULL));
    EXPECT_FALSE(DeviceIoControl(h, IOCTL_DISK_GET_LENGTH_INFO, NULL, 0, answer, sizeof answer, &returned, NULL));
    EXPECT_EQ(query_last_sector(h), 2879u);
    CloseHandle(h);
}

TEST_F(SectorAccess, ProbeIsTrueOnlyForA512ByteRead) {
    write_stamped_image(image("good.img"), 2880);
    write_zero_image(image("empty.img"), 0);
    write_zero_image(image("short.img"), 100);
    map_volume('C', image("good.img"));
    map_volume('D', image("empty.img"));
    map_volume('E', image("short.img"));
    map_volume('F', image("missing.img"));
    std::filesystem::create_directory(image("folder"));
    map_volume('G', image("folder"));

    memset(ProbeBuffer, 0, sizeof ProbeBuffer);
    EXPECT_TRUE(probe_device(kVolumeC));
    EXPECT_EQ(bytes_of(ProbeBuffer, 512), stamped_sector(0));
    EXPECT_FALSE(probe_device("\\\\.\\D:"));
    EXPECT_FALSE(probe_device("\\\\.\\E:"));
    EXPECT_FALSE(probe_device("\\\\.\\F:"));
    EXPECT_FALSE(probe_device("\\\\.\\G:"));
    EXPECT_FALSE(probe_device("\\\\.\\H:")) << "an unmapped letter names nothing";
    EXPECT_TRUE(boxes().empty());
}

TEST_F(SectorAccess, DeviceWithoutMediumProbesFalse) {
    write_zero_image(image("no-medium.img"), 0);
    LoopDevice loop(image("no-medium.img"));
    REQUIRE_LOOP(loop);
    map_volume('C', loop.device());
    HANDLE h = CreateFileA(kVolumeC, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "the device itself opens";
    CloseHandle(h);
    EXPECT_FALSE(probe_device(kVolumeC));
}

TEST_F(SectorAccess, UnopenableDeviceLeavesTheInvalidHandle) {
    map_volume('C', image("does-not-exist.img"));
    EXPECT_EQ(open_disk_device(kVolumeC), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(open_disk_device("\\\\.\\Q:"), INVALID_HANDLE_VALUE);
}

TEST_F(SectorAccess, LegacyModeHandsTransfersToTheVolumeServices) {
    platform::emulate_windows_9x(2222);
    AccessMode = ACCESS_LEGACY;
    init_legacy_services();
    map_stamped_image(40);
    HANDLE drive_c = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(3));

    std::vector<BYTE> buffer(2 * 512);
    EXPECT_EQ(read_sectors(drive_c, 7, 2, buffer.data()), 1024u);
    EXPECT_EQ(bytes_of(&buffer[512], 512), stamped_sector(8));
    std::fill(buffer.begin(), buffer.end(), 0x11);
    EXPECT_EQ(write_sectors(drive_c, 30, 2, buffer.data()), 1024u);
    EXPECT_EQ(read_file_bytes(image("c.img"), 30 * 512, 1024), std::vector<uint8_t>(1024, 0x11));
    // A failing legacy read says nothing: the callers report it.
    HANDLE drive_t = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(20));
    EXPECT_EQ(read_sectors(drive_t, 0, 1, buffer.data()), 0u);
    EXPECT_TRUE(boxes().empty());

    CloseHandle(LegacyServiceHandle);
    LegacyServiceHandle = INVALID_HANDLE_VALUE;
    ExtendedServices = 0;
}

}  // namespace
