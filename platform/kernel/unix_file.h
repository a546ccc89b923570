// An open file or block device of the host. On a direct (O_DIRECT)
// descriptor a transfer that does not fit its logical blocks goes through an
// aligned bounce buffer: the emulated 95/98 volume services need that, since
// they take any buffer and 512-byte sectors. Win32 handles never ask for it:
// an unbuffered handle refuses such transfers as Windows does, and the
// editor's disk access bridges them itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <sys/types.h>

#include "platform/win32.h"

namespace platform {

class UnixFile {
public:
    struct Options {
        bool read = true;
        bool write = false;
        bool unbuffered = false;  // O_DIRECT where the file system takes it
        int create = 0;           // O_CREAT, O_EXCL and O_TRUNC bits for ordinary files
        // An image file standing for a device: it keeps its size, and a write
        // past its end fails as on a device.
        bool fixed_size = false;
        // Every write on the device (or in the file) before it returns
        // (FILE_FLAG_WRITE_THROUGH); otherwise flush() makes them so.
        bool write_through = false;
    };

    // Opens path. On failure returns null and sets *error to a Win32 code.
    // A block device opened for writing is claimed exclusively, so a mounted
    // or otherwise held device refuses with ERROR_SHARING_VIOLATION.
    static std::unique_ptr<UnixFile> open(const std::string& path, const Options& options, DWORD* error);
    ~UnixFile();

    UnixFile(const UnixFile&) = delete;
    UnixFile& operator=(const UnixFile&) = delete;

    // Transfers at a byte offset. *done is the count moved; the result is
    // ERROR_SUCCESS or the Win32 code of the failure that stopped it. Reads
    // at or past the end succeed with fewer or no bytes.
    DWORD read_at(uint64_t offset, void* buffer, DWORD length, DWORD* done);
    DWORD write_at(uint64_t offset, const void* buffer, DWORD length, DWORD* done);

    // Size in bytes: BLKGETSIZE64 on a block device, else the file's size.
    DWORD size(uint64_t* bytes) const;
    // Attributes, size, links, times and an identity, as
    // GetFileInformationByHandle gives them. A block device is known by its
    // number, whatever node opened it; a loop device by its backing file,
    // since they are the same bytes.
    DWORD information(BY_HANDLE_FILE_INFORMATION* info) const;
    // Puts everything written on the device, past its own cache.
    DWORD flush();

    bool is_block_device() const { return block_device_; }
    bool is_direct() const { return direct_; }
    uint32_t logical_block() const { return logical_block_; }
    const std::string& path() const { return path_; }

private:
    UnixFile() = default;
    DWORD raw_read(uint64_t offset, void* buffer, size_t length, size_t* done);
    DWORD raw_write(uint64_t offset, const void* buffer, size_t length, size_t* done);
    bool fits_directly(uint64_t offset, const void* buffer, size_t length) const;
    DWORD fall_back_to_buffered(DWORD error);

    int fd_ = -1;
    bool claimed_ = false;
    dev_t claimed_device_ = 0;
    bool block_device_ = false;
    bool direct_ = false;
    bool fixed_size_ = false;
    uint32_t logical_block_ = 512;
    std::string path_;
};

}  // namespace platform
