#include "disk/sector_access.h"

#include "disk/aligned_transfer.h"
#include "disk/legacy_services.h"

BYTE AccessMode = ACCESS_DIRECT;
char DevicePath[32];
BYTE ProbeBuffer[SECTOR_SIZE];

DWORD read_sectors(HANDLE disk, SectorNumber first, DWORD count, void* buffer) {
    if (AccessMode == ACCESS_LEGACY)
        return legacy_read_sectors((DWORD)(ULONG_PTR)disk, (DWORD)first, count, buffer);
    if (seek_sector(disk, first)) {
        MessageBoxA(NULL, "Error reading disk", "Error", MB_OK);
        return 0;
    }
    return read_at_position(disk, (ULONGLONG)first << 9, buffer, (count & 0xFF) << 9);
}

DWORD write_sectors(HANDLE disk, SectorNumber first, DWORD count, const void* buffer) {
    if (AccessMode == ACCESS_LEGACY)
        return legacy_write_sectors((DWORD)(ULONG_PTR)disk, (DWORD)first, count, buffer);
    if (seek_sector(disk, first)) return 0;
    return write_at_position(disk, (ULONGLONG)first << 9, buffer, (count & 0xFF) << 9);
}

bool flush_disk(HANDLE disk) {
    // The legacy services write through.
    if (AccessMode == ACCESS_LEGACY) return true;
    return FlushFileBuffers(disk) != 0;
}

static bool same_identity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

bool names_open_disk(HANDLE disk, const char* path) {
    // A drive number of the legacy services is no handle to ask.
    if (AccessMode == ACCESS_LEGACY) return false;
    BY_HANDLE_FILE_INFORMATION open_disk, named;
    if (disk == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(disk, &open_disk)) return false;
    // Asking for no access reads nothing and is refused by nothing that exists.
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool known = GetFileInformationByHandle(file, &named) != 0;
    CloseHandle(file);
    return known && same_identity(open_disk, named);
}

HANDLE open_disk_device(const char* path) {
    HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                OPEN_EXISTING, FILE_FLAG_NO_BUFFERING, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                             FILE_FLAG_NO_BUFFERING, NULL);
    if (handle != INVALID_HANDLE_VALUE) remember_logical_sector(handle);
    return handle;
}

DWORD seek_sector(HANDLE handle, SectorNumber sector) {
    // The offset of a sector is a 64-bit multiple of 512, handed over in two
    // halves; a sector whose offset needs more than 64 bits has none.
    if (sector > (~0ULL >> 9)) return 1;
    ULONGLONG offset = sector << 9;
    LONG high = (LONG)(DWORD)(offset >> 32);
    DWORD low = SetFilePointer(handle, (LONG)(DWORD)offset, &high, FILE_BEGIN);
    return low == INVALID_SET_FILE_POINTER ? 1 : 0;
}

DWORD read_from_position(HANDLE handle, void* buffer, DWORD count) {
    // Where the handle stands, for the bridging of unbuffered transfers.
    LONG high = 0;
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(handle, 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return 0;
    return read_at_position(handle, ((ULONGLONG)(DWORD)high << 32) | low, buffer, (count & 0xFF) << 9);
}

DWORD close_disk_device(HANDLE handle) {
    forget_logical_sector(handle);
    CloseHandle(handle);
    return 1;
}

bool probe_device(const char* path) {
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD got = 0;
    ReadFile(handle, ProbeBuffer, SECTOR_SIZE, &got, NULL);
    CloseHandle(handle);
    return got == SECTOR_SIZE;
}

SectorNumber last_sector_of_length(LONGLONG length) {
    LONGLONG sectors = length / 512;
    // A device of one sector or none has only sector 0 to show.
    if (sectors < 2) return 0;
    return (SectorNumber)sectors - 1;
}

SectorNumber query_last_sector(HANDLE handle) {
    DWORD returned = 0;
    PARTITION_INFORMATION partition;
    if (DeviceIoControl(handle, IOCTL_DISK_GET_PARTITION_INFO, NULL, 0, &partition, sizeof partition, &returned,
                        NULL))
        return last_sector_of_length(partition.PartitionLength.QuadPart);
    // GPT disks answer only the length request.
    GET_LENGTH_INFORMATION length;
    if (DeviceIoControl(handle, IOCTL_DISK_GET_LENGTH_INFO, NULL, 0, &length, sizeof length, &returned, NULL))
        return last_sector_of_length(length.Length.QuadPart);
    // An image file standing for a drive (Wine's file-backed drives answer
    // neither request) or an ordinary file: the file's own size.
    LARGE_INTEGER size;
    if (GetFileSizeEx(handle, &size)) return last_sector_of_length(size.QuadPart);
    return 0;
}
