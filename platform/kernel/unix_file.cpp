#include "platform/kernel/unix_file.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/kernel/handles.h"
#include "platform/kernel/loop_devices.h"

namespace platform {

namespace {

// Write access to a block device holds an exclusive claim on it for as long
// as any handle of this process writes to it: nobody can mount the device
// under us, and a device someone else holds cannot be claimed.
struct Claim {
    int fd;
    int users;
};
struct Claims {
    std::mutex lock;
    std::map<dev_t, Claim> held;
};

// Never destroyed: handles still open at exit are released during static
// destruction, in an order no other file controls.
Claims& claims() {
    static Claims* const registry = new Claims;
    return *registry;
}

DWORD claim_device(const std::string& path, dev_t device) {
    Claims& all = claims();
    std::lock_guard<std::mutex> hold(all.lock);
    auto found = all.held.find(device);
    if (found != all.held.end()) {
        ++found->second.users;
        return ERROR_SUCCESS;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
    if (fd < 0) return win32_error_from_errno(errno);
    all.held[device] = Claim{fd, 1};
    return ERROR_SUCCESS;
}

void release_device(dev_t device) {
    Claims& all = claims();
    std::lock_guard<std::mutex> hold(all.lock);
    auto found = all.held.find(device);
    if (found == all.held.end()) return;
    if (--found->second.users == 0) {
        ::close(found->second.fd);
        all.held.erase(found);
    }
}

// An image that a loop device serves is written through that device, and
// perhaps by a file system mounted on it: writing the file as well would
// go under both. Windows holds an attached virtual disk's file exclusively.
bool attached_to_a_loop_device(const struct stat& st) {
    return !loop_devices_backed_by(FileId{st.st_dev, st.st_ino}).empty();
}

constexpr size_t kBounceAlignment = 4096;

struct Bounce {
    void* data = nullptr;
    explicit Bounce(size_t size) {
        if (posix_memalign(&data, kBounceAlignment, size) != 0) data = nullptr;
    }
    ~Bounce() { free(data); }
    unsigned char* bytes() { return static_cast<unsigned char*>(data); }
};

}  // namespace

std::unique_ptr<UnixFile> UnixFile::open(const std::string& path, const Options& options, DWORD* error) {
    std::unique_ptr<UnixFile> file(new UnixFile());
    file->path_ = path;

    int flags = O_CLOEXEC | options.create;
    if (options.write) {
        flags |= (options.read ? O_RDWR : O_WRONLY) | (options.write_through ? O_DSYNC : 0);
    } else {
        flags |= O_RDONLY;
    }

    struct stat before {};
    bool found = ::stat(path.c_str(), &before) == 0;
    bool claimed = false;
    if (options.write && found && S_ISBLK(before.st_mode)) {
        DWORD claim = claim_device(path, before.st_rdev);
        if (claim != ERROR_SUCCESS) {
            *error = claim;
            return nullptr;
        }
        claimed = true;
    }
    // Asked before the open, which may truncate it. A file that must be new
    // fails as existing, as on Windows.
    bool changes = options.write || (options.create & O_TRUNC) != 0;
    if (changes && !(options.create & O_EXCL) && found && S_ISREG(before.st_mode) &&
        attached_to_a_loop_device(before)) {
        *error = ERROR_SHARING_VIOLATION;
        return nullptr;
    }

    int fd = -1;
    if (options.unbuffered) {
        fd = ::open(path.c_str(), flags | O_DIRECT, 0666);
        // File systems without direct I/O refuse the flag itself.
        if (fd >= 0) file->direct_ = true;
    }
    if (fd < 0 && (!options.unbuffered || errno == EINVAL)) fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        *error = win32_error_from_errno(errno);
        if (claimed) release_device(before.st_rdev);
        return nullptr;
    }
    file->fd_ = fd;

    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        *error = ERROR_ACCESS_DENIED;
        if (claimed) release_device(before.st_rdev);
        return nullptr;
    }
    // The file may have been put in place between the look and the open.
    bool same_file = found && st.st_dev == before.st_dev && st.st_ino == before.st_ino;
    if (changes && S_ISREG(st.st_mode) && !same_file && attached_to_a_loop_device(st)) {
        *error = ERROR_SHARING_VIOLATION;
        if (claimed) release_device(before.st_rdev);
        return nullptr;
    }
    file->block_device_ = S_ISBLK(st.st_mode);
    file->fixed_size_ = options.fixed_size;
    if (claimed) {
        file->claimed_ = true;
        file->claimed_device_ = before.st_rdev;
    }
    if (file->block_device_) {
        int block = 0;
        if (::ioctl(fd, BLKSSZGET, &block) == 0 && block >= 512) file->logical_block_ = static_cast<uint32_t>(block);
    }
    *error = ERROR_SUCCESS;
    return file;
}

UnixFile::~UnixFile() {
    if (fd_ >= 0) ::close(fd_);
    if (claimed_) release_device(claimed_device_);
}

DWORD UnixFile::size(uint64_t* bytes) const {
    if (block_device_) {
        uint64_t value = 0;
        if (::ioctl(fd_, BLKGETSIZE64, &value) != 0) return win32_error_from_errno(errno);
        *bytes = value;
        return ERROR_SUCCESS;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return win32_error_from_errno(errno);
    *bytes = static_cast<uint64_t>(st.st_size);
    return ERROR_SUCCESS;
}

namespace {

FILETIME filetime_of(const struct timespec& when) {
    // 100-nanosecond steps since 1601; earlier than that shows as none.
    constexpr int64_t kFrom1601 = 11644473600LL;
    int64_t seconds = static_cast<int64_t>(when.tv_sec) + kFrom1601;
    if (seconds < 0) return FILETIME{0, 0};
    uint64_t steps = static_cast<uint64_t>(seconds) * 10000000u + static_cast<uint64_t>(when.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(steps), static_cast<DWORD>(steps >> 32)};
}

}  // namespace

DWORD UnixFile::information(BY_HANDLE_FILE_INFORMATION* info) const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return win32_error_from_errno(errno);
    uint64_t bytes = 0;
    if (DWORD error = size(&bytes); error != ERROR_SUCCESS) return error;

    *info = BY_HANDLE_FILE_INFORMATION{};
    bool writable = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    info->dwFileAttributes = writable ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
    // Linux's stat keeps no creation time.
    info->ftLastAccessTime = filetime_of(st.st_atim);
    info->ftLastWriteTime = filetime_of(st.st_mtim);
    info->nFileSizeHigh = static_cast<DWORD>(bytes >> 32);
    info->nFileSizeLow = static_cast<DWORD>(bytes);
    info->nNumberOfLinks = static_cast<DWORD>(st.st_nlink);

    // The kernel's device numbers fit 32 bits as it encodes them, so the
    // serial loses nothing. A block device is its own volume with index 0,
    // which no file on it carries.
    FileId identity{st.st_dev, st.st_ino};
    if (S_ISBLK(st.st_mode) && !backing_file_of_loop(fd_, st.st_rdev, &identity)) identity = FileId{st.st_rdev, 0};
    info->dwVolumeSerialNumber = static_cast<DWORD>(identity.device);
    info->nFileIndexHigh = static_cast<DWORD>(static_cast<uint64_t>(identity.inode) >> 32);
    info->nFileIndexLow = static_cast<DWORD>(identity.inode);
    return ERROR_SUCCESS;
}

DWORD UnixFile::flush() {
    // On a block device this also asks the device to empty its write cache.
    if (::fdatasync(fd_) != 0) return win32_error_from_errno(errno);
    return ERROR_SUCCESS;
}

bool UnixFile::fits_directly(uint64_t offset, const void* buffer, size_t length) const {
    if (!direct_) return true;
    uint32_t block = logical_block_;
    return offset % block == 0 && length % block == 0 && reinterpret_cast<uintptr_t>(buffer) % block == 0;
}

DWORD UnixFile::raw_read(uint64_t offset, void* buffer, size_t length, size_t* done) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    size_t total = 0;
    while (total < length) {
        ssize_t got = ::pread(fd_, bytes + total, length - total, static_cast<off_t>(offset + total));
        if (got < 0) {
            if (errno == EINTR) continue;
            *done = total;
            return win32_error_from_errno(errno);
        }
        if (got == 0) break;
        total += static_cast<size_t>(got);
        // A direct read that stops inside a block has met the end of the file.
        if (direct_ && total % logical_block_ != 0) break;
    }
    *done = total;
    return ERROR_SUCCESS;
}

DWORD UnixFile::raw_write(uint64_t offset, const void* buffer, size_t length, size_t* done) {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    size_t total = 0;
    while (total < length) {
        ssize_t put = ::pwrite(fd_, bytes + total, length - total, static_cast<off_t>(offset + total));
        if (put < 0) {
            if (errno == EINTR) continue;
            *done = total;
            // Linux refuses writes to a read-only block device with EPERM.
            if (errno == EPERM && block_device_) return ERROR_WRITE_PROTECT;
            return win32_error_from_errno(errno);
        }
        if (put == 0) {
            *done = total;
            return ERROR_DISK_FULL;
        }
        total += static_cast<size_t>(put);
    }
    *done = total;
    return ERROR_SUCCESS;
}

// An ordinary file whose file system takes O_DIRECT only with a larger
// alignment than the 512 bytes we assume: go on buffered.
DWORD UnixFile::fall_back_to_buffered(DWORD error) {
    if (error != ERROR_INVALID_PARAMETER || !direct_ || block_device_) return error;
    int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_DIRECT) != 0) return error;
    direct_ = false;
    return ERROR_SUCCESS;
}

DWORD UnixFile::read_at(uint64_t offset, void* buffer, DWORD length, DWORD* done) {
    *done = 0;
    if (length == 0) return ERROR_SUCCESS;
    if (fits_directly(offset, buffer, length)) {
        size_t got = 0;
        DWORD error = raw_read(offset, buffer, length, &got);
        if (error != ERROR_SUCCESS && got == 0 && fall_back_to_buffered(error) == ERROR_SUCCESS)
            return read_at(offset, buffer, length, done);
        *done = static_cast<DWORD>(got);
        return error;
    }
    // Through an aligned bounce buffer covering the enclosing whole blocks.
    uint64_t start = offset - offset % logical_block_;
    uint64_t end = (offset + length + logical_block_ - 1) / logical_block_ * logical_block_;
    Bounce bounce(end - start);
    if (!bounce.data) return ERROR_NOT_ENOUGH_MEMORY;
    size_t got = 0;
    DWORD error = raw_read(start, bounce.data, end - start, &got);
    if (error != ERROR_SUCCESS && got == 0 && fall_back_to_buffered(error) == ERROR_SUCCESS)
        return read_at(offset, buffer, length, done);
    size_t skip = offset - start;
    size_t usable = got > skip ? std::min<size_t>(got - skip, length) : 0;
    memcpy(buffer, bounce.bytes() + skip, usable);
    *done = static_cast<DWORD>(usable);
    return error;
}

DWORD UnixFile::write_at(uint64_t offset, const void* buffer, DWORD length, DWORD* done) {
    *done = 0;
    if (length == 0) return ERROR_SUCCESS;
    if (fixed_size_ && !block_device_) {
        uint64_t end = 0;
        if (DWORD error = size(&end); error != ERROR_SUCCESS) return error;
        if (offset + length > end) return ERROR_DISK_FULL;
    }
    if (fits_directly(offset, buffer, length)) {
        size_t put = 0;
        DWORD error = raw_write(offset, buffer, length, &put);
        if (error != ERROR_SUCCESS && put == 0 && fall_back_to_buffered(error) == ERROR_SUCCESS)
            return write_at(offset, buffer, length, done);
        *done = static_cast<DWORD>(put);
        return error;
    }
    uint64_t start = offset - offset % logical_block_;
    uint64_t end = (offset + length + logical_block_ - 1) / logical_block_ * logical_block_;
    Bounce bounce(end - start);
    if (!bounce.data) return ERROR_NOT_ENOUGH_MEMORY;
    size_t skip = offset - start;
    if (skip != 0 || end != offset + length) {
        // Part of a block: read it, change our part, write it whole.
        size_t got = 0;
        DWORD error = raw_read(start, bounce.data, end - start, &got);
        if (error != ERROR_SUCCESS) return error;
        memset(bounce.bytes() + got, 0, end - start - got);
    }
    memcpy(bounce.bytes() + skip, buffer, length);
    size_t put = 0;
    DWORD error = raw_write(start, bounce.data, end - start, &put);
    if (error != ERROR_SUCCESS && put == 0 && fall_back_to_buffered(error) == ERROR_SUCCESS)
        return write_at(offset, buffer, length, done);
    *done = static_cast<DWORD>(put > skip ? std::min<size_t>(put - skip, length) : 0);
    return error;
}

}  // namespace platform
