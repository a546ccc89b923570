// The emulated 95/98 volume-services device, as a 32-bit program sees it.
#include <cstring>

#include "disk_fixture.h"
#include "platform/control.h"
#include "platform/win32.h"

using namespace testing_support;

namespace {

class Vwin32 : public DiskTest {
protected:
    HANDLE open_service(WORD build) {
        platform::emulate_windows_9x(build);
        HANDLE h = CreateFileA("\\\\.\\vwin32", 0, 0, NULL, 0, FILE_FLAG_DELETE_ON_CLOSE, NULL);
        if (h != INVALID_HANDLE_VALUE) service_ = h;
        return h;
    }
    void TearDown() override {
        if (service_) CloseHandle(service_);
        DiskTest::TearDown();
    }
    // Runs one request; true when the device took it and the carry is clear.
    bool run(DWORD code, DIOC_REGISTERS& regs) {
        DWORD returned = 0;
        BOOL taken = DeviceIoControl(service_, code, &regs, sizeof regs, &regs, sizeof regs, &returned, NULL);
        EXPECT_TRUE(taken);
        EXPECT_EQ(returned, sizeof regs);
        return taken && !(regs.reg_Flags & CARRY_FLAG);
    }
    HANDLE service_ = nullptr;
};

TEST_F(Vwin32, ExistsOnlyOnThe9xFamily) {
    platform::emulate_windows_nt();
    EXPECT_EQ(CreateFileA("\\\\.\\vwin32", 0, 0, NULL, 0, FILE_FLAG_DELETE_ON_CLOSE, NULL), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_NE(open_service(950), INVALID_HANDLE_VALUE);
}

TEST_F(Vwin32, DeviceParametersCarryTheBootSectorsBpb) {
    write_stamped_image(image("c.img"), 16);
    // bytes per sector 512, 16-bit total 0, 32-bit total 123456
    write_file_bytes(image("c.img"), 0x0B, {0x00, 0x02});
    write_file_bytes(image("c.img"), 0x13, {0x00, 0x00});
    write_file_bytes(image("c.img"), 0x20, {0x40, 0xE2, 0x01, 0x00});
    map_volume('C', image("c.img"));
    ASSERT_NE(open_service(950), INVALID_HANDLE_VALUE);

    DEVICEPARAMS params;
    memset(&params, 0, sizeof params);
    params.dpSpecFunc = 1;
    DIOC_REGISTERS regs = {};
    regs.reg_EAX = 0x440D;
    regs.reg_EBX = 3;
    regs.reg_ECX = 0x0860;
    regs.reg_EDX = dioc_address(&params);
    regs.reg_Flags = CARRY_FLAG;
    ASSERT_TRUE(run(VWIN32_DIOC_DOS_IOCTL, regs));
    EXPECT_EQ(static_cast<unsigned>(params.dpBPB.bytesPerSector), 512u);
    EXPECT_EQ(static_cast<unsigned>(params.dpBPB.totalSectors), 0u);
    EXPECT_EQ(static_cast<unsigned>(params.dpBPB.hugeSectors), 123456u);
    EXPECT_EQ(static_cast<unsigned>(params.dpSpecFunc), 1u) << "the special-functions byte is the caller's";

    // A volume without a BPB gets totals from its size.
    write_zero_image(image("raw.img"), 100 * 512);
    map_volume('D', image("raw.img"));
    regs.reg_EBX = 4;
    regs.reg_EDX = dioc_address(&params);  // a token lasts one request
    regs.reg_Flags = CARRY_FLAG;
    ASSERT_TRUE(run(VWIN32_DIOC_DOS_IOCTL, regs));
    EXPECT_EQ(static_cast<unsigned>(params.dpBPB.totalSectors), 100u);
}

TEST_F(Vwin32, FailureSetsCarryAndAnErrorInAx) {
    ASSERT_NE(open_service(950), INVALID_HANDLE_VALUE);
    DEVICEPARAMS params;
    DIOC_REGISTERS regs = {};
    regs.reg_EAX = 0x440D;
    regs.reg_EBX = 5;  // E: is not there
    regs.reg_ECX = 0x0860;
    regs.reg_EDX = dioc_address(&params);
    EXPECT_FALSE(run(VWIN32_DIOC_DOS_IOCTL, regs));
    EXPECT_EQ(regs.reg_EAX & 0xFFFF, 0x000Fu) << "invalid drive";

    map_stamped_image(4);
    regs = {};
    regs.reg_EAX = 0x440D;
    regs.reg_EBX = 3;
    regs.reg_ECX = 0x0860;
    regs.reg_EDX = 0xDEAD0000;  // no memory was registered under this address
    EXPECT_FALSE(run(VWIN32_DIOC_DOS_IOCTL, regs));

    // Function 7305h does not exist before build 1001.
    DISKIO packet = {0, 1, 0};
    regs = {};
    regs.reg_EAX = 0x7305;
    regs.reg_ECX = 0xFFFFFFFF;
    regs.reg_EBX = dioc_address(&packet);
    regs.reg_EDX = 3;
    EXPECT_FALSE(run(VWIN32_DIOC_DOS_DRIVEINFO, regs));
    EXPECT_EQ(regs.reg_EAX & 0xFFFF, 0x7300u);

    DWORD returned = 0;
    EXPECT_FALSE(DeviceIoControl(service_, 4, &regs, sizeof regs, &regs, sizeof regs, &returned, NULL));
    EXPECT_FALSE(DeviceIoControl(service_, 1, &regs, 8, &regs, sizeof regs, &returned, NULL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Vwin32, Fat32LockFormsNeedBuildAbove1000AndCanBeRefused) {
    map_stamped_image(4);
    auto lock = [&](DWORD cx) {
        DIOC_REGISTERS regs = {};
        regs.reg_EAX = 0x440D;
        regs.reg_EBX = 3 + 256;
        regs.reg_ECX = cx;
        regs.reg_EDX = 1;
        regs.reg_Flags = CARRY_FLAG;
        return run(VWIN32_DIOC_DOS_IOCTL, regs);
    };
    auto unlock = [&](DWORD cx) {
        DIOC_REGISTERS regs = {};
        regs.reg_EAX = 0x440D;
        regs.reg_EBX = 3;
        regs.reg_ECX = cx;
        regs.reg_Flags = CARRY_FLAG;
        return run(VWIN32_DIOC_DOS_IOCTL, regs);
    };
    ASSERT_NE(open_service(1000), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(lock(0x484A));
    EXPECT_TRUE(lock(0x084A));
    EXPECT_FALSE(unlock(0x486A));
    EXPECT_TRUE(unlock(0x086A));
    EXPECT_FALSE(unlock(0x086A)) << "nothing left to unlock";

    platform::emulate_windows_9x(1001);
    EXPECT_TRUE(lock(0x484A));
    EXPECT_TRUE(unlock(0x486A));
    platform::vwin32_refuse_fat32_locks(true);
    EXPECT_FALSE(lock(0x484A));
    EXPECT_TRUE(lock(0x084A));
    EXPECT_TRUE(unlock(0x086A));
}

TEST_F(Vwin32, AbsoluteWritesNeedTheLock) {
    map_stamped_image(8);
    ASSERT_NE(open_service(950), INVALID_HANDLE_VALUE);
    std::vector<BYTE> data(512, 0xA1);
    DISKIO packet = {4, 1, 0};
    auto write = [&] {
        // A token lasts for the one request that carries it.
        packet.dwBuffer = dioc_address(data.data());
        DIOC_REGISTERS regs = {};
        regs.reg_EAX = 2;  // AL: C: counted from A = 0
        regs.reg_ECX = 0xFFFF;
        regs.reg_EBX = dioc_address(&packet);
        return run(VWIN32_DIOC_DOS_INT26, regs);
    };
    EXPECT_FALSE(write());
    EXPECT_EQ(read_file_bytes(image("c.img"), 4 * 512, 512), stamped_sector(4));

    DIOC_REGISTERS regs = {};
    regs.reg_EAX = 0x440D;
    regs.reg_EBX = 3 + 256;
    regs.reg_ECX = 0x084A;
    regs.reg_EDX = 1;
    ASSERT_TRUE(run(VWIN32_DIOC_DOS_IOCTL, regs));
    EXPECT_TRUE(write());
    EXPECT_EQ(read_file_bytes(image("c.img"), 4 * 512, 512), data);
}

TEST_F(Vwin32, Int25RegisterFormReadsFromDx) {
    map_stamped_image(8);
    ASSERT_NE(open_service(950), INVALID_HANDLE_VALUE);
    std::vector<BYTE> buffer(2 * 512);
    DIOC_REGISTERS regs = {};
    regs.reg_EAX = 2;
    regs.reg_EBX = dioc_address(buffer.data());
    regs.reg_ECX = 2;
    regs.reg_EDX = 5;
    ASSERT_TRUE(run(VWIN32_DIOC_DOS_INT25, regs));
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 512, buffer.end()), stamped_sector(6));
    regs.reg_EDX = 7;  // sectors 7 and 8: past the end
    regs.reg_Flags = 0;
    EXPECT_FALSE(run(VWIN32_DIOC_DOS_INT25, regs));
}

TEST(Vwin32Address, SamePointerSameAddressAndNullIsZero) {
    int a = 0, b = 0;
    EXPECT_EQ(dioc_address(nullptr), 0u);
    EXPECT_EQ(dioc_address(&a), dioc_address(&a));
    EXPECT_NE(dioc_address(&a), dioc_address(&b));
    EXPECT_NE(dioc_address(&a), 0u);
}

}  // namespace
