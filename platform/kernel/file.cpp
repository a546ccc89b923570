// CreateFileA, SetFilePointer, GetFileSizeEx, GetFileInformationByHandle, ReadFile,
// WriteFile, FlushFileBuffers.
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cstring>

#include "platform/kernel/intercept.h"
#include "platform/kernel/file_object.h"
#include "platform/vwin32/vwin32_device.h"

using platform::FileObject;
using platform::fail_with;
namespace faults = platform::intercept;

namespace {

int creation_flags(DWORD disposition) {
    switch (disposition) {
    case CREATE_NEW: return O_CREAT | O_EXCL;
    case CREATE_ALWAYS: return O_CREAT | O_TRUNC;
    case OPEN_EXISTING: return 0;
    case OPEN_ALWAYS: return O_CREAT;
    case TRUNCATE_EXISTING: return O_TRUNC;
    default: return -1;
    }
}

HANDLE open_device(const char* name, DWORD access, DWORD disposition, DWORD flags) {
    // A device is there or not: it cannot be created or truncated.
    if (disposition != OPEN_EXISTING && disposition != OPEN_ALWAYS) {
        fail_with(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto object = std::make_shared<FileObject>();
    if (!platform::resolve_device(name, &object->target)) {
        fail_with(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    platform::UnixFile::Options options;
    options.write = (access & GENERIC_WRITE) != 0;
    options.read = true;
    options.unbuffered = (flags & FILE_FLAG_NO_BUFFERING) != 0;
    options.fixed_size = true;
    options.write_through = (flags & FILE_FLAG_WRITE_THROUGH) != 0;
    DWORD error = ERROR_SUCCESS;
    object->file = platform::UnixFile::open(object->target.path, options, &error);
    if (!object->file) {
        fail_with(error);
        return INVALID_HANDLE_VALUE;
    }
    object->device = true;
    object->can_read = (access & GENERIC_READ) != 0;
    object->can_write = options.write;
    object->unbuffered = options.unbuffered;
    SetLastError(ERROR_SUCCESS);
    return platform::insert_handle(object);
}

HANDLE open_file(const char* path, DWORD access, DWORD disposition, DWORD flags) {
    int create = creation_flags(disposition);
    if (create < 0) {
        fail_with(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    bool existed = ::access(path, F_OK) == 0;
    platform::UnixFile::Options options;
    options.read = (access & GENERIC_READ) != 0 || (access & GENERIC_WRITE) == 0;
    options.write = (access & GENERIC_WRITE) != 0;
    options.unbuffered = (flags & FILE_FLAG_NO_BUFFERING) != 0;
    options.write_through = (flags & FILE_FLAG_WRITE_THROUGH) != 0;
    options.create = create;
    DWORD error = ERROR_SUCCESS;
    auto object = std::make_shared<FileObject>();
    object->file = platform::UnixFile::open(path, options, &error);
    if (!object->file) {
        fail_with(error);
        return INVALID_HANDLE_VALUE;
    }
    object->can_read = (access & GENERIC_READ) != 0;
    object->can_write = options.write;
    object->unbuffered = options.unbuffered;
    if (flags & FILE_FLAG_DELETE_ON_CLOSE) object->delete_on_close = path;
    // As on Windows: opening an existing file with CREATE_ALWAYS or
    // OPEN_ALWAYS succeeds and says so.
    bool says_exists = existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
    SetLastError(says_exists ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return platform::insert_handle(object);
}

}  // namespace

namespace platform {

FileObject::~FileObject() {
    if (!delete_on_close.empty()) ::unlink(delete_on_close.c_str());
}

}  // namespace platform

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                          DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE) {
    if (!lpFileName || !*lpFileName) {
        fail_with(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (strncmp(lpFileName, "\\\\.\\", 4) == 0) {
        const char* name = lpFileName + 4;
        if (strcasecmp(name, "vwin32") == 0) {
            DWORD error = ERROR_SUCCESS;
            auto device = platform::open_vwin32_device(&error);
            if (!device) {
                fail_with(error);
                return INVALID_HANDLE_VALUE;
            }
            SetLastError(ERROR_SUCCESS);
            return platform::insert_handle(device);
        }
        return open_device(name, dwDesiredAccess, dwCreationDisposition, dwFlagsAndAttributes);
    }
    return open_file(lpFileName, dwDesiredAccess, dwCreationDisposition, dwFlagsAndAttributes);
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
    if (faults::on_call(faults::Call::SetFilePointer) != faults::Verdict::Pass) {
        fail_with(ERROR_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    auto object = platform::lookup_handle_as<FileObject>(hFile);
    if (!object) {
        fail_with(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    int64_t distance = lpDistanceToMoveHigh
                           ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                                                  static_cast<uint32_t>(lDistanceToMove))
                           : static_cast<int64_t>(lDistanceToMove);
    std::lock_guard<std::mutex> hold(object->lock);
    int64_t base = 0;
    switch (dwMoveMethod) {
    case FILE_BEGIN: base = 0; break;
    case FILE_CURRENT: base = static_cast<int64_t>(object->position); break;
    case FILE_END: {
        uint64_t size = 0;
        DWORD error = object->file->size(&size);
        if (error != ERROR_SUCCESS) {
            fail_with(error);
            return INVALID_SET_FILE_POINTER;
        }
        base = static_cast<int64_t>(size);
        break;
    }
    default: fail_with(ERROR_INVALID_PARAMETER); return INVALID_SET_FILE_POINTER;
    }
    int64_t target = base + distance;
    if (target < 0) {
        fail_with(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (!lpDistanceToMoveHigh && target > 0xFFFFFFFELL) {
        fail_with(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    object->position = static_cast<uint64_t>(target);
    if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(target) >> 32);
    // A low part of all-ones is a valid answer; the cleared error tells it apart.
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(target);
}

BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) {
    auto object = platform::lookup_handle_as<FileObject>(hFile);
    if (!object) return fail_with(ERROR_INVALID_HANDLE);
    if (!lpFileSize) return fail_with(ERROR_INVALID_PARAMETER);
    // A disk or volume is no file: its size comes from the disk requests.
    if (object->device) return fail_with(ERROR_INVALID_PARAMETER);
    uint64_t size = 0;
    if (DWORD error = object->file->size(&size); error != ERROR_SUCCESS) return fail_with(error);
    lpFileSize->QuadPart = static_cast<LONGLONG>(size);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI GetFileInformationByHandle(HANDLE hFile, LPBY_HANDLE_FILE_INFORMATION lpFileInformation) {
    auto object = platform::lookup_handle_as<FileObject>(hFile);
    if (!object) return fail_with(ERROR_INVALID_HANDLE);
    if (!lpFileInformation) return fail_with(ERROR_INVALID_PARAMETER);
    BY_HANDLE_FILE_INFORMATION info;
    if (DWORD error = object->file->information(&info); error != ERROR_SUCCESS) return fail_with(error);
    // As GetFileSizeEx: a disk or volume has no file size.
    if (object->device) info.nFileSizeHigh = info.nFileSizeLow = 0;
    *lpFileInformation = info;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

namespace {

// A read that failed on purpose leaves bytes that were never on the disk.
void poison(LPVOID buffer, DWORD from, DWORD length) {
    if (buffer && from < length) memset(static_cast<char*>(buffer) + from, faults::kPoison, length - from);
}
void poison(LPCVOID, DWORD, DWORD) {}

template <typename Buffer, typename Transfer>
BOOL transfer(HANDLE hFile, Buffer buffer, DWORD length, LPDWORD done, LPOVERLAPPED overlapped, bool writing,
              Transfer move) {
    faults::Verdict verdict = faults::on_call(writing ? faults::Call::WriteFile : faults::Call::ReadFile);
    if (!done && !overlapped) return fail_with(ERROR_INVALID_PARAMETER);
    if (done) *done = 0;
    if (verdict == faults::Verdict::Error || verdict == faults::Verdict::DiskFull) {
        poison(buffer, 0, length);
        if (writing) return fail_with(verdict == faults::Verdict::DiskFull ? ERROR_DISK_FULL : ERROR_GEN_FAILURE);
        return fail_with(ERROR_CRC);
    }
    auto object = platform::lookup_handle_as<FileObject>(hFile);
    if (!object) return fail_with(ERROR_INVALID_HANDLE);
    if (writing ? !object->can_write : !object->can_read) return fail_with(ERROR_ACCESS_DENIED);
    if (length > 0 && !buffer) return fail_with(ERROR_INVALID_PARAMETER);

    std::lock_guard<std::mutex> hold(object->lock);
    // A synchronous handle given an OVERLAPPED transfers at its offset.
    uint64_t offset = overlapped ? (static_cast<uint64_t>(overlapped->OffsetHigh) << 32) | overlapped->Offset
                                 : object->position;
    // An unbuffered handle moves whole logical sectors from memory aligned
    // to them, as Windows demands of it (the strictest disks enforce the
    // alignment): anything else is refused, never bridged here.
    if (object->unbuffered) {
        uint64_t block = object->file->logical_block();
        if (offset % block != 0 || length % block != 0 || reinterpret_cast<uintptr_t>(buffer) % block != 0)
            return fail_with(ERROR_INVALID_PARAMETER);
    }
    if (faults::covers_bad_place(writing ? faults::Call::WriteFile : faults::Call::ReadFile, object->file->path(), offset,
                                 length)) {
        poison(buffer, 0, length);
        return fail_with(writing ? ERROR_GEN_FAILURE : ERROR_CRC);
    }
    DWORD wanted = length;
    bool shortened = verdict == faults::Verdict::ShortCount || verdict == faults::Verdict::ShortBySector;
    if (shortened) {
        // Whole sectors where the transfer is sectors.
        DWORD unit = object->unbuffered ? static_cast<DWORD>(object->file->logical_block()) : length % 512 == 0 ? 512 : 1;
        if (verdict == faults::Verdict::ShortCount) {
            length = faults::short_length(length, unit);
        } else {
            length = length > unit ? length - unit : 0;
        }
    }
    DWORD moved = 0;
    DWORD error = length > 0 ? move(*object->file, offset, buffer, length, &moved) : ERROR_SUCCESS;
    if (shortened) poison(buffer, moved, wanted);
    object->position = offset + moved;
    if (done) *done = moved;
    if (overlapped) overlapped->InternalHigh = moved;
    if (error != ERROR_SUCCESS) return fail_with(error);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

}  // namespace

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped) {
    return transfer(hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead, lpOverlapped, false,
                    [](platform::UnixFile& file, uint64_t offset, LPVOID buffer, DWORD length, DWORD* moved) {
                        return file.read_at(offset, buffer, length, moved);
                    });
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped) {
    return transfer(hFile, lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten, lpOverlapped, true,
                    [](platform::UnixFile& file, uint64_t offset, LPCVOID buffer, DWORD length, DWORD* moved) {
                        return file.write_at(offset, buffer, length, moved);
                    });
}

BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
    switch (faults::on_call(faults::Call::FlushFileBuffers)) {
    case faults::Verdict::Pass: break;
    case faults::Verdict::DiskFull: return fail_with(ERROR_DISK_FULL);
    default: return fail_with(ERROR_GEN_FAILURE);
    }
    auto object = platform::lookup_handle_as<FileObject>(hFile);
    if (!object) return fail_with(ERROR_INVALID_HANDLE);
    // As on Windows: only a handle that may write can flush.
    if (!object->can_write) return fail_with(ERROR_ACCESS_DENIED);
    std::lock_guard<std::mutex> hold(object->lock);
    if (DWORD error = object->file->flush(); error != ERROR_SUCCESS) return fail_with(error);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
