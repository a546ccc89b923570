#include <cstring>

#include "disk/legacy_services.h"
#include "disk/sector_access.h"
#include "disk_fixture.h"
#include "editor/editor_state.h"
#include "platform/control.h"

using namespace testing_support;

namespace {

constexpr DWORD kDriveC = 3;

class LegacyServices : public DiskTest {
protected:
    void start(WORD build) {
        platform::emulate_windows_9x(build);
        AccessMode = ACCESS_LEGACY;
        init_legacy_services();
        platform::vwin32_record_requests(true);
    }
    void TearDown() override {
        CloseHandle(LegacyServiceHandle);
        LegacyServiceHandle = INVALID_HANDLE_VALUE;
        ExtendedServices = 0;
        DiskTest::TearDown();
    }
    // Drive C: on an image whose boot sector carries the given BPB totals.
    void map_c_with_totals(uint64_t sectors, WORD total16, DWORD total32) {
        std::string path = image("c.img");
        write_stamped_image(path, sectors);
        write_file_bytes(path, 0x0B, {0x00, 0x02});  // 512 bytes per sector
        write_file_bytes(path, 0x13, {static_cast<uint8_t>(total16), static_cast<uint8_t>(total16 >> 8)});
        write_file_bytes(path, 0x20,
                         {static_cast<uint8_t>(total32), static_cast<uint8_t>(total32 >> 8),
                          static_cast<uint8_t>(total32 >> 16), static_cast<uint8_t>(total32 >> 24)});
        map_volume('C', path);
    }
    static std::vector<platform::Vwin32Request> requests() { return platform::vwin32_requests(); }
    static bool carried(const platform::Vwin32Request& r) { return (r.after.reg_Flags & CARRY_FLAG) != 0; }
};

TEST_F(LegacyServices, BuildAbove1000BringsTheExtendedServices) {
    start(1000);
    EXPECT_EQ(ExtendedServices, 0);
    EXPECT_NE(LegacyServiceHandle, INVALID_HANDLE_VALUE);
    CloseHandle(LegacyServiceHandle);
    start(1001);
    EXPECT_EQ(ExtendedServices, 1);
}

TEST_F(LegacyServices, WithoutTheServiceDeviceEveryRequestFails) {
    // The NT family has no such device: nothing can be read or probed.
    platform::emulate_windows_nt();
    init_legacy_services();
    EXPECT_EQ(LegacyServiceHandle, INVALID_HANDLE_VALUE);
    map_c_with_totals(64, 64, 0);
    BYTE buffer[512];
    EXPECT_EQ(legacy_read_sectors(kDriveC, 0, 1, buffer), 0u);
    EXPECT_FALSE(legacy_probe_drive(kDriveC));
    EXPECT_EQ(legacy_query_last_sector(kDriveC), 0u);
}

TEST_F(LegacyServices, DriveNumberTravelsAsBlDlAndAsAlMinusOne) {
    map_c_with_totals(64, 64, 0);
    BYTE buffer[512];

    start(950);
    ASSERT_EQ(legacy_query_last_sector(kDriveC), 63u);
    ASSERT_EQ(legacy_read_sectors(kDriveC, 5, 1, buffer), 512u);
    auto basic = requests();
    ASSERT_EQ(basic.size(), 2u);
    EXPECT_EQ(basic[0].code, static_cast<DWORD>(VWIN32_DIOC_DOS_IOCTL));
    EXPECT_EQ(basic[0].before.reg_EBX & 0xFF, kDriveC);  // BL
    EXPECT_EQ(basic[0].before.reg_EAX, 0x440Du);
    EXPECT_EQ(basic[0].before.reg_ECX, 0x0860u);
    EXPECT_EQ(basic[0].edx_target, &DeviceParamBlock);
    EXPECT_EQ(basic[0].before.reg_Flags, static_cast<DWORD>(CARRY_FLAG));
    EXPECT_EQ(basic[1].code, static_cast<DWORD>(VWIN32_DIOC_DOS_INT25));
    EXPECT_EQ(basic[1].before.reg_EAX & 0xFF, kDriveC - 1);  // AL counts from A = 0
    EXPECT_EQ(basic[1].before.reg_ECX, 0xFFFFu);
    EXPECT_EQ(basic[1].ebx_target, &DiskIoPacket);

    CloseHandle(LegacyServiceHandle);
    start(1111);
    ASSERT_EQ(legacy_read_sectors(kDriveC, 5, 1, buffer), 512u);
    auto extended = requests();
    ASSERT_EQ(extended.size(), 1u);
    EXPECT_EQ(extended[0].code, static_cast<DWORD>(VWIN32_DIOC_DOS_DRIVEINFO));
    EXPECT_EQ(extended[0].before.reg_EDX & 0xFF, kDriveC);  // DL
    EXPECT_EQ(extended[0].before.reg_EAX, 0x7305u);
    EXPECT_EQ(extended[0].before.reg_ECX, 0xFFFFFFFFu);
    EXPECT_EQ(extended[0].before.reg_ESI, 0u);
    EXPECT_EQ(memcmp(buffer, stamped_sector(5).data(), 512), 0);
}

TEST_F(LegacyServices, LastSectorFromTheBpbTotals) {
    start(950);
    struct Case {
        WORD total16;
        DWORD total32;
        DWORD last;
    } cases[] = {
        {2, 999, 1},
        {65532, 999, 65531},
        {65533, 70000, 69999},  // 65,533 and above: the 32-bit total
        {1, 70000, 69999},
        {0, 4000000000u, 3999999999u},
        {0, 0, 0},  // an empty 32-bit total gives sector 0, not 4,294,967,295
        {1, 0, 0},
    };
    for (const Case& c : cases) {
        map_c_with_totals(8, c.total16, c.total32);
        EXPECT_EQ(legacy_query_last_sector(kDriveC), c.last) << c.total16 << " / " << c.total32;
    }
}

TEST_F(LegacyServices, SizeQueryIsTriedTwiceThenGivesZero) {
    start(1111);
    // Drive T: is not there.
    EXPECT_EQ(legacy_query_last_sector(20), 0u);
    auto tried = requests();
    ASSERT_EQ(tried.size(), 2u);
    // The same request again, with a fresh token for the same block.
    DIOC_REGISTERS first = tried[0].before, second = tried[1].before;
    EXPECT_EQ(tried[0].edx_target, &DeviceParamBlock);
    EXPECT_EQ(tried[1].edx_target, &DeviceParamBlock);
    first.reg_EDX = second.reg_EDX = 0;
    EXPECT_EQ(memcmp(&first, &second, sizeof(DIOC_REGISTERS)), 0);
    EXPECT_TRUE(carried(tried[1]));
}

TEST_F(LegacyServices, WriteLocksWritesAndUnlocksInOrder) {
    map_c_with_totals(64, 64, 0);
    std::vector<BYTE> data(2 * 512, 0x3C);

    start(950);
    ASSERT_EQ(legacy_write_sectors(kDriveC, 10, 2, data.data()), 1024u);
    auto basic = requests();
    ASSERT_EQ(basic.size(), 3u);
    EXPECT_EQ(basic[0].code, static_cast<DWORD>(VWIN32_DIOC_DOS_IOCTL));
    EXPECT_EQ(basic[0].before.reg_ECX, 0x084Au);
    EXPECT_EQ(basic[0].before.reg_EBX, kDriveC + 256);  // BH 1: lock level 1
    EXPECT_EQ(basic[0].before.reg_EDX, 1u);
    EXPECT_EQ(basic[1].code, static_cast<DWORD>(VWIN32_DIOC_DOS_INT26));
    EXPECT_EQ(basic[1].before.reg_EAX & 0xFF, kDriveC - 1);
    EXPECT_EQ(basic[1].before.reg_ECX, 0xFFFFu);
    EXPECT_EQ(basic[2].before.reg_ECX, 0x086Au);
    EXPECT_EQ(basic[2].before.reg_EBX, kDriveC);
    for (const auto& r : basic) EXPECT_FALSE(carried(r));
    EXPECT_EQ(read_file_bytes(image("c.img"), 10 * 512, 1024), std::vector<uint8_t>(1024, 0x3C));

    CloseHandle(LegacyServiceHandle);
    start(1111);
    std::fill(data.begin(), data.end(), 0x4D);
    ASSERT_EQ(legacy_write_sectors(kDriveC, 12, 2, data.data()), 1024u);
    auto extended = requests();
    ASSERT_EQ(extended.size(), 3u);
    EXPECT_EQ(extended[0].before.reg_ECX, 0x484Au);
    EXPECT_EQ(extended[1].code, static_cast<DWORD>(VWIN32_DIOC_DOS_DRIVEINFO));
    EXPECT_EQ(extended[1].before.reg_ESI, 0x6001u);
    EXPECT_EQ(extended[1].before.reg_EDX & 0xFF, kDriveC);
    EXPECT_EQ(extended[2].before.reg_ECX, 0x486Au);
    EXPECT_EQ(read_file_bytes(image("c.img"), 12 * 512, 1024), std::vector<uint8_t>(1024, 0x4D));
}

TEST_F(LegacyServices, RefusedFat32LockFallsBackAndStillWrites) {
    map_c_with_totals(64, 64, 0);
    start(1111);
    platform::vwin32_refuse_fat32_locks(true);
    std::vector<BYTE> data(512, 0x77);
    EXPECT_EQ(legacy_write_sectors(kDriveC, 3, 1, data.data()), 512u);
    auto sequence = requests();
    ASSERT_EQ(sequence.size(), 5u);
    EXPECT_EQ(sequence[0].before.reg_ECX, 0x484Au);
    EXPECT_TRUE(carried(sequence[0]));
    EXPECT_EQ(sequence[1].before.reg_ECX, 0x084Au);
    EXPECT_EQ(sequence[1].before.reg_EBX, kDriveC + 256);
    EXPECT_FALSE(carried(sequence[1]));
    EXPECT_EQ(sequence[2].code, static_cast<DWORD>(VWIN32_DIOC_DOS_DRIVEINFO));
    EXPECT_FALSE(carried(sequence[2]));
    EXPECT_EQ(sequence[3].before.reg_ECX, 0x486Au);
    EXPECT_TRUE(carried(sequence[3]));
    EXPECT_EQ(sequence[4].before.reg_ECX, 0x086Au);
    EXPECT_FALSE(carried(sequence[4]));
    EXPECT_EQ(read_file_bytes(image("c.img"), 3 * 512, 512), data);
}

TEST_F(LegacyServices, FailedWriteGivesZeroAndStillUnlocks) {
    start(950);
    // Drive T: does not exist: lock, write and unlock all fail.
    std::vector<BYTE> data(512, 1);
    EXPECT_EQ(legacy_write_sectors(20, 0, 1, data.data()), 0u);
    auto sequence = requests();
    ASSERT_EQ(sequence.size(), 3u);
    EXPECT_EQ(sequence[2].before.reg_ECX, 0x086Au);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(LegacyServices, ProbeReadsSectorOneOnExtendedServicesAndZeroOtherwise) {
    // A volume of a single sector: sector 0 can be read, sector 1 cannot.
    map_c_with_totals(1, 1, 1);
    start(950);
    EXPECT_TRUE(legacy_probe_drive(kDriveC));
    auto basic = requests();
    ASSERT_EQ(basic.size(), 1u);
    EXPECT_EQ(basic[0].code, static_cast<DWORD>(VWIN32_DIOC_DOS_INT25));
    EXPECT_EQ(basic[0].before.reg_ECX, 1u);  // register form: one sector ...
    EXPECT_EQ(basic[0].before.reg_EDX, 0u);  // ... from sector 0
    EXPECT_EQ(basic[0].before.reg_EAX & 0xFF, kDriveC - 1);

    CloseHandle(LegacyServiceHandle);
    start(1111);
    EXPECT_FALSE(legacy_probe_drive(kDriveC));
    EXPECT_EQ(static_cast<unsigned>(DiskIoPacket.dwStartSector), 1u);
    EXPECT_EQ(static_cast<unsigned>(DiskIoPacket.wSectors), 1u);

    map_c_with_totals(2, 2, 0);
    EXPECT_TRUE(legacy_probe_drive(kDriveC));
    EXPECT_FALSE(legacy_probe_drive(26)) << "Z: is not there";
}

TEST_F(LegacyServices, ReadOf128SectorsReturns65536Bytes) {
    map_c_with_totals(300, 300, 0);
    std::vector<BYTE> buffer(128 * 512);
    for (WORD build : {WORD{950}, WORD{1111}}) {
        if (LegacyServiceHandle != INVALID_HANDLE_VALUE) CloseHandle(LegacyServiceHandle);
        start(build);
        std::fill(buffer.begin(), buffer.end(), 0);
        EXPECT_EQ(legacy_read_sectors(kDriveC, 100, 128, buffer.data()), 65536u) << "build " << build;
        EXPECT_EQ(std::vector<uint8_t>(buffer.end() - 512, buffer.end()), stamped_sector(227));
        EXPECT_EQ(static_cast<unsigned>(DiskIoPacket.wSectors), 128u);
    }
    // Past the end of the volume the service refuses the whole read.
    EXPECT_EQ(legacy_read_sectors(kDriveC, 250, 128, buffer.data()), 0u);
}

TEST_F(LegacyServices, RequestsReleaseTheirAddressesAndAreLoggedOnlyWhenAsked) {
    map_c_with_totals(64, 64, 0);
    for (WORD build : {WORD{950}, WORD{1111}}) {
        if (LegacyServiceHandle != INVALID_HANDLE_VALUE) CloseHandle(LegacyServiceHandle);
        start(build);
        // Fresh buffers at new addresses each time, as callers allocate them.
        for (int round = 0; round < 50; ++round) {
            std::vector<BYTE> buffer(2 * 512);
            EXPECT_EQ(legacy_read_sectors(kDriveC, 3, 2, buffer.data()), 1024u);
            EXPECT_EQ(legacy_write_sectors(kDriveC, 5, 1, buffer.data()), 512u);
            EXPECT_EQ(legacy_read_sectors(20, 0, 1, buffer.data()), 0u) << "T: is not there";
            EXPECT_EQ(legacy_write_sectors(20, 0, 1, buffer.data()), 0u);
        }
        EXPECT_TRUE(legacy_probe_drive(kDriveC));
        EXPECT_FALSE(legacy_probe_drive(20));
        EXPECT_EQ(legacy_query_last_sector(kDriveC), 63u);
        EXPECT_EQ(platform::dioc_live_tokens(), 0u) << "build " << build;
    }
    EXPECT_FALSE(requests().empty());
    platform::vwin32_record_requests(false);
    BYTE buffer[512];
    EXPECT_EQ(legacy_read_sectors(kDriveC, 0, 1, buffer), 512u);
    EXPECT_TRUE(requests().empty());
}

}  // namespace
