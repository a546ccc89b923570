// Unbuffered device handles move whole logical sectors from aligned memory,
// on Windows and on our own layer alike. These move any run of 512-byte
// sectors through them: aligned memory always, and on a disk whose logical
// sector is larger the enclosing logical sectors (a write reads, changes and
// writes them back).
#pragma once

#include "platform/win32.h"

// Every transfer's memory is aligned to at least this.
constexpr DWORD TRANSFER_ALIGNMENT = 4096;

// The disk's logical sector size (IOCTL_DISK_GET_DRIVE_GEOMETRY_EX); 512
// when the disk does not say or says something no disk has.
DWORD query_logical_sector(HANDLE handle);

// The open disk's answer is kept from its open to its close, so transfers
// ask nothing of the disk; a disk that gave none at its open is asked again
// at each transfer.
void remember_logical_sector(HANDLE handle);
void forget_logical_sector(HANDLE handle);

// A handle opened for a while on the open disk's device (a request crew's)
// moves the disk's logical sectors: kept, it is asked nothing either.
// Forgotten before it closes.
void remember_same_disk(HANDLE handle);
void forget_same_disk(HANDLE handle);

// The logical sector size of a handle: the kept answer for the open disk
// and its crews', asked of the disk for any other.
DWORD logical_sector(HANDLE handle);

// Moves bytes (a multiple of 512) between buffer and the disk at offset,
// where the handle already stands. Returns the bytes moved, 0 on failure.
[[nodiscard]] DWORD read_at_position(HANDLE handle, ULONGLONG offset, void* buffer, DWORD bytes);
[[nodiscard]] DWORD write_at_position(HANDLE handle, ULONGLONG offset, const void* buffer, DWORD bytes);
