// What only our layer can show of files: access on each transfer, removal on
// close, a full file system. The rest runs on Wine too (window_checks.cpp).
#include <unistd.h>


#include "disk_fixture.h"
#include "platform/win32.h"

using namespace testing_support;

namespace {

class KernelFile : public DiskTest {};

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

}  // namespace
