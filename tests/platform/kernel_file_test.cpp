// Files and handles behave as kernel32's do.
#include <unistd.h>

#include <thread>

#include "disk_fixture.h"
#include "platform/win32.h"

using namespace testing_support;

namespace {

class KernelFile : public DiskTest {};

TEST_F(KernelFile, DispositionsCreateOpenAndTruncateAsOnWindows) {
    std::string path = image("f.bin");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(h, "abcdef", 6, &written, NULL));
    EXPECT_EQ(written, 6u);
    CloseHandle(h);

    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));

    h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "replacing a file says so";
    CloseHandle(h);
    EXPECT_TRUE(read_file_bytes(path, 0, 16).empty()) << "CREATE_ALWAYS empties the file";

    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, 99, 0, NULL), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(KernelFile, AccessIsCheckedOnEveryTransfer) {
    write_stamped_image(image("f.bin"), 2);
    HANDLE reader = CreateFileA(image("f.bin").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    char bytes[16] = {};
    DWORD moved = 99;
    EXPECT_FALSE(WriteFile(reader, bytes, 16, &moved, NULL));
    EXPECT_EQ(moved, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(reader);

    HANDLE writer = CreateFileA(image("f.bin").c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ReadFile(writer, bytes, 16, &moved, NULL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(writer);
}

TEST_F(KernelFile, ReadAtOrPastTheEndSucceedsWithFewerBytes) {
    write_zero_image(image("f.bin"), 1000);
    HANDLE h = CreateFileA(image("f.bin").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char buffer[512];
    DWORD got = 0;
    SetFilePointer(h, 900, NULL, FILE_BEGIN);
    EXPECT_TRUE(ReadFile(h, buffer, 512, &got, NULL));
    EXPECT_EQ(got, 100u);
    EXPECT_TRUE(ReadFile(h, buffer, 512, &got, NULL));
    EXPECT_EQ(got, 0u);
    SetFilePointer(h, 5000, NULL, FILE_BEGIN);
    EXPECT_TRUE(ReadFile(h, buffer, 512, &got, NULL));
    EXPECT_EQ(got, 0u);
    CloseHandle(h);
}

TEST_F(KernelFile, SetFilePointerTakesAndGivesTheHighPart) {
    write_zero_image(image("f.bin"), 4096);
    HANDLE h = CreateFileA(image("f.bin").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);

    LONG high = 3;
    EXPECT_EQ(SetFilePointer(h, 0x200, &high, FILE_BEGIN), 0x200u);
    EXPECT_EQ(high, 3);
    high = -1;  // with the high part, -0x100 is a 64-bit -256
    EXPECT_EQ(SetFilePointer(h, -0x100, &high, FILE_CURRENT), 0x100u);
    EXPECT_EQ(high, 3);
    // Without a high part a position beyond 4 GiB cannot be reported.
    high = 2;
    SetFilePointer(h, 0, &high, FILE_BEGIN);
    EXPECT_EQ(SetFilePointer(h, 0, NULL, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    // All-ones is a real low part; the cleared error says so.
    high = 0;
    EXPECT_EQ(SetFilePointer(h, -1, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(high, 0);

    EXPECT_EQ(SetFilePointer(h, -1, NULL, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(SetFilePointer(h, 0, NULL, FILE_END), 4096u);
    CloseHandle(h);

    EXPECT_EQ(SetFilePointer(h, 0, NULL, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(KernelFile, ClosedAndInvalidHandlesAreRefused) {
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(nullptr));
    write_zero_image(image("f.bin"), 512);
    HANDLE h = CreateFileA(image("f.bin").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    char buffer[16];
    DWORD got = 7;
    EXPECT_FALSE(ReadFile(h, buffer, 16, &got, NULL));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(KernelFile, UnbufferedTransfersMustBeWholeSectors) {
    write_stamped_image(image("f.bin"), 4);
    HANDLE h = CreateFileA(image("f.bin").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING, NULL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    alignas(4096) char buffer[1024 + 512];
    DWORD got = 0;
    EXPECT_FALSE(ReadFile(h, buffer, 100, &got, NULL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetFilePointer(h, 10, NULL, FILE_BEGIN);
    EXPECT_FALSE(ReadFile(h, buffer, 512, &got, NULL));
    SetFilePointer(h, 512, NULL, FILE_BEGIN);
    EXPECT_FALSE(ReadFile(h, buffer + 8, 512, &got, NULL)) << "memory must be sector-aligned";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(ReadFile(h, buffer, 1024, &got, NULL));
    EXPECT_EQ(got, 1024u);
    EXPECT_EQ(std::vector<uint8_t>(buffer + 512, buffer + 1024), stamped_sector(2));
    CloseHandle(h);
}

TEST_F(KernelFile, DeleteOnCloseRemovesTheFile) {
    std::string path = image("scratch.bin");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, NULL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(access(path.c_str(), F_OK), 0);
    CloseHandle(h);
    EXPECT_NE(access(path.c_str(), F_OK), 0);
}

TEST_F(KernelFile, FullDiskReportsTheShortWriteAsAFailure) {
    TempDir point;
    if (run_command("mount -t tmpfs -o size=64k tmpfs '" + point.path() + "'") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    std::string path = point.file("full.bin");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::vector<char> block(128 * 1024, 'x');
    DWORD written = 0;
    BOOL ok = WriteFile(h, block.data(), static_cast<DWORD>(block.size()), &written, NULL);
    DWORD error = GetLastError();
    CloseHandle(h);
    run_command("umount '" + point.path() + "'");
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_LT(written, block.size());
}

TEST_F(KernelFile, LastErrorBelongsToEachThread) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seen_there = 12345;
    std::thread other([&] {
        seen_there = GetLastError();
        SetLastError(ERROR_DISK_FULL);
    });
    other.join();
    EXPECT_EQ(seen_there, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

}  // namespace
