// The fault table: the chosen call fails, once or from then on, with the
// chosen kind, and everything else behaves as without it.
#include <stdio.h>
#include <sys/types.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "disk_fixture.h"
#include "faults.h"
#include "platform/win32.h"

using namespace testing_support;
namespace faults = platform::faults;
using faults::Call;
using faults::Kind;

namespace {

class Faults : public DiskTest {
protected:
    void SetUp() override {
        DiskTest::SetUp();
        write_stamped_image(image("disk.img"), 8);
        faults::disarm_all();
    }
    void TearDown() override {
        faults::disarm_all();
        DiskTest::TearDown();
    }
    HANDLE open(DWORD access = GENERIC_READ | GENERIC_WRITE) {
        return CreateFileA(image("disk.img").c_str(), access, 0, NULL, OPEN_EXISTING, 0, NULL);
    }
    // Reads sector n through the handle: the bytes, or empty when it failed.
    static std::vector<uint8_t> read_sector(HANDLE h, DWORD n, DWORD* error = nullptr) {
        std::vector<uint8_t> bytes(512);
        DWORD got = 0;
        SetFilePointer(h, static_cast<LONG>(n * 512), NULL, FILE_BEGIN);
        BOOL ok = ReadFile(h, bytes.data(), 512, &got, NULL);
        if (error) *error = ok ? ERROR_SUCCESS : GetLastError();
        if (!ok) return {};
        bytes.resize(got);
        return bytes;
    }
};

TEST_F(Faults, TheNthCallFailsOnceAndTheRestSucceed) {
    HANDLE h = open();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    faults::arm(Call::ReadFile, 2, Kind::Error);
    DWORD error = 0;
    EXPECT_EQ(read_sector(h, 0), stamped_sector(0));
    std::vector<uint8_t> buffer(512, 0);
    DWORD got = 99;
    EXPECT_FALSE(ReadFile(h, buffer.data(), 512, &got, NULL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CRC));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(buffer, std::vector<uint8_t>(512, faults::kPoison)) << "a failed read leaves nothing of the disk";
    EXPECT_EQ(read_sector(h, 3, &error), stamped_sector(3));
    EXPECT_EQ(faults::calls(Call::ReadFile), 3u);
    EXPECT_EQ(faults::fired(), 1u);

    // The same for a position and a device request.
    faults::arm(Call::SetFilePointer, faults::calls(Call::SetFilePointer) + 1, Kind::Error);
    EXPECT_EQ(SetFilePointer(h, 1024, NULL, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SEEK));
    EXPECT_EQ(SetFilePointer(h, 1024, NULL, FILE_BEGIN), 1024u);
    faults::arm(Call::FlushFileBuffers, 1, Kind::Error);
    EXPECT_FALSE(FlushFileBuffers(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
    EXPECT_TRUE(FlushFileBuffers(h));
    CloseHandle(h);
}

TEST_F(Faults, StickyFailsThatCallAndEveryLaterOne) {
    HANDLE h = open();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    faults::arm(Call::WriteFile, 2, Kind::Error, true);
    std::vector<uint8_t> ones(512, 0x11);
    DWORD put = 0;
    for (DWORD n = 0; n < 4; ++n) {
        SetFilePointer(h, static_cast<LONG>(n * 512), NULL, FILE_BEGIN);
        BOOL ok = WriteFile(h, ones.data(), 512, &put, NULL);
        EXPECT_EQ(ok, n == 0 ? TRUE : FALSE) << "write " << n + 1;
        if (!ok) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
        }
    }
    CloseHandle(h);
    EXPECT_EQ(faults::fired(), 3u);
    EXPECT_EQ(read_file_bytes(image("disk.img"), 0, 512), ones);
    for (uint64_t n = 1; n < 4; ++n) EXPECT_EQ(read_file_bytes(image("disk.img"), n * 512, 512), stamped_sector(n));
}

TEST_F(Faults, ShortCountMovesHalfInWholeSectors) {
    HANDLE h = open();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    faults::arm(Call::ReadFile, 1, Kind::ShortCount);
    std::vector<uint8_t> buffer(4 * 512);
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(h, buffer.data(), 4 * 512, &got, NULL));
    EXPECT_EQ(got, 2u * 512);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 512, buffer.begin() + 1024), stamped_sector(1));
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 1024, buffer.end()), std::vector<uint8_t>(1024, faults::kPoison));
    EXPECT_EQ(SetFilePointer(h, 0, NULL, FILE_CURRENT), 1024u) << "the position moves by what was moved";

    // Half of one sector is no sector: nothing is written, and it says so only by the count.
    faults::arm(Call::WriteFile, 1, Kind::ShortCount);
    std::vector<uint8_t> ones(512, 0x11);
    DWORD put = 99;
    EXPECT_TRUE(WriteFile(h, ones.data(), 512, &put, NULL));
    EXPECT_EQ(put, 0u);
    CloseHandle(h);
    EXPECT_EQ(read_file_bytes(image("disk.img"), 1024, 512), stamped_sector(2));

    // Bytes that are no sectors are halved as they are.
    EXPECT_EQ(faults::short_length(1000, 1), 500u);
}

TEST_F(Faults, DiskFullFailsWritesAndFlushesAndIsAnErrorElsewhere) {
    HANDLE h = open();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    faults::arm(Call::WriteFile, 1, Kind::DiskFull);
    std::vector<uint8_t> ones(512, 0x11);
    DWORD put = 99;
    EXPECT_FALSE(WriteFile(h, ones.data(), 512, &put, NULL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(put, 0u);
    faults::arm(Call::FlushFileBuffers, 1, Kind::DiskFull);
    EXPECT_FALSE(FlushFileBuffers(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    faults::arm(Call::ReadFile, 1, Kind::DiskFull);
    DWORD error = 0;
    EXPECT_TRUE(read_sector(h, 0, &error).empty());
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_CRC));
    CloseHandle(h);
    EXPECT_EQ(read_file_bytes(image("disk.img"), 0, 512), stamped_sector(0));
}

TEST_F(Faults, EveryCallIsCountedWithNothingArmed) {
    HANDLE h = open();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(read_sector(h, 5), stamped_sector(5));
    std::vector<uint8_t> ones(512, 0x11);
    DWORD put = 0;
    EXPECT_TRUE(WriteFile(h, ones.data(), 512, &put, NULL));
    EXPECT_TRUE(FlushFileBuffers(h));
    DWORD returned = 0;
    EXPECT_FALSE(DeviceIoControl(h, IOCTL_DISK_GET_LENGTH_INFO, NULL, 0, NULL, 0, &returned, NULL))
        << "an ordinary file answers no disk request";
    CloseHandle(h);
    EXPECT_EQ(faults::calls(Call::SetFilePointer), 1u);
    EXPECT_EQ(faults::calls(Call::ReadFile), 1u);
    EXPECT_EQ(faults::calls(Call::WriteFile), 1u);
    EXPECT_EQ(faults::calls(Call::FlushFileBuffers), 1u);
    EXPECT_EQ(faults::calls(Call::DeviceIoControl), 1u);
    EXPECT_EQ(faults::fired(), 0u);
    EXPECT_EQ(read_file_bytes(image("disk.img"), 6 * 512, 512), ones);

    faults::reset_counts();
    EXPECT_EQ(faults::calls(Call::ReadFile), 0u);

    // A read that comes short at the end of the file leaves the rest of the
    // buffer as it was, through either door.
    h = open(GENERIC_READ);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::vector<uint8_t> buffer(1024, 0x77);
    DWORD got = 0;
    SetFilePointer(h, 7 * 512, NULL, FILE_BEGIN);
    EXPECT_TRUE(ReadFile(h, buffer.data(), 1024, &got, NULL));
    EXPECT_EQ(got, 512u);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 512, buffer.end()), std::vector<uint8_t>(512, 0x77));
    CloseHandle(h);
    FILE* file = fopen(image("disk.img").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::fill(buffer.begin(), buffer.end(), 0x77);
    EXPECT_EQ(fseek(file, 7 * 512, SEEK_SET), 0);
    EXPECT_EQ(fread(buffer.data(), 1, 1024, file), 512u);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 512, buffer.end()), std::vector<uint8_t>(512, 0x77));
    fclose(file);
    EXPECT_EQ(faults::fired(), 0u);
}

TEST_F(Faults, StdioCallsFailAsTheTableSays) {
    // Without the 64-bit names and with them: the editor is built with
    // 64-bit offsets, which renames fopen and fseeko.
    faults::arm(Call::fopen, 1, Kind::Error);
    errno = 0;
    EXPECT_EQ(fopen(image("disk.img").c_str(), "rb"), nullptr);
    EXPECT_EQ(errno, EIO);
    FILE* file = fopen64(image("disk.img").c_str(), "rb+");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(faults::calls(Call::fopen), 2u);

    faults::arm(Call::fseek, 1, Kind::Error);
    EXPECT_EQ(fseeko64(file, 512, SEEK_SET), -1);
    EXPECT_TRUE(ferror(file));
    clearerr(file);
    EXPECT_EQ(fseeko(file, 512, SEEK_SET), 0);

    faults::arm(Call::fread, 1, Kind::ShortCount);
    std::vector<uint8_t> buffer(2 * 512);
    EXPECT_EQ(fread(buffer.data(), 512, 2, file), 1u);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 512), stamped_sector(1));
    EXPECT_EQ(fread(buffer.data(), 1, 1024, file), 1024u) << "once only";
    faults::arm(Call::fread, 3, Kind::Error);
    EXPECT_EQ(fread(buffer.data(), 1, 1024, file), 0u);
    EXPECT_TRUE(ferror(file));
    EXPECT_EQ(errno, EIO);
    clearerr(file);

    faults::arm(Call::fwrite, 1, Kind::DiskFull, true);
    std::vector<uint8_t> ones(512, 0x11);
    EXPECT_EQ(fwrite(ones.data(), 512, 1, file), 0u);
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_TRUE(ferror(file));
    EXPECT_EQ(fwrite(ones.data(), 1, 512, file), 0u) << "sticky";
    EXPECT_EQ(faults::fired(), 6u);
    fclose(file);
    for (uint64_t n = 0; n < 8; ++n) EXPECT_EQ(read_file_bytes(image("disk.img"), n * 512, 512), stamped_sector(n));
}

// A bad sector fails every transfer that covers it, as a whole, whatever
// name the disk is opened by; a transfer beside it goes through.
TEST_F(Faults, ABadSectorFailsEveryTransferThatCoversIt) {
    std::filesystem::create_symlink(image("disk.img"), image("link.img"));
    faults::plant_bad_sector(image("link.img"), 5);
    faults::plant_bad_sector(image("disk.img"), 2, Call::WriteFile);
    HANDLE h = open();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    for (DWORD n = 0; n < 8; ++n) {
        DWORD error = 0;
        std::vector<uint8_t> got = read_sector(h, n, &error);
        EXPECT_EQ(got, n == 5 ? std::vector<uint8_t>{} : stamped_sector(n)) << n;
        EXPECT_EQ(error, n == 5 ? static_cast<DWORD>(ERROR_CRC) : ERROR_SUCCESS) << n;
    }
    // Four sectors from 4 cover it; four from 0 do not.
    std::vector<uint8_t> four(4 * 512, 0);
    DWORD moved = 99;
    SetFilePointer(h, 4 * 512, NULL, FILE_BEGIN);
    EXPECT_FALSE(ReadFile(h, four.data(), 4 * 512, &moved, NULL));
    EXPECT_EQ(moved, 0u);
    EXPECT_EQ(four, std::vector<uint8_t>(4 * 512, faults::kPoison));
    SetFilePointer(h, 0, NULL, FILE_BEGIN);
    EXPECT_TRUE(ReadFile(h, four.data(), 4 * 512, &moved, NULL));
    EXPECT_EQ(four, stamped_run(0, 4));
    // Writes: over sector 5 they go through; over sector 2 they fail.
    std::vector<uint8_t> ones(512, 0x11);
    for (DWORD n : {5u, 2u, 3u}) {
        SetFilePointer(h, static_cast<LONG>(n * 512), NULL, FILE_BEGIN);
        BOOL written = WriteFile(h, ones.data(), 512, &moved, NULL);
        EXPECT_EQ(written != FALSE, n != 2) << n;
        if (!written) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
        }
    }
    EXPECT_EQ(read_file_bytes(image("disk.img"), 2 * 512, 512), stamped_sector(2));
    EXPECT_EQ(read_file_bytes(image("disk.img"), 3 * 512, 512), ones);
    faults::disarm_all();
    EXPECT_EQ(read_sector(h, 5), ones) << "healed";
    CloseHandle(h);
}

}  // namespace
