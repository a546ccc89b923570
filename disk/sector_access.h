// Sector access: every transfer of the editor goes through read_sectors and
// write_sectors, which take the direct device path or the legacy volume
// services as AccessMode says.
#pragma once

#include "platform/win32.h"

constexpr DWORD SECTOR_SIZE = 512;

// A sector number: 64 bits, so that every sector of a disk larger than
// 2 TiB can be named. The legacy services count in 32 bits, and so do
// their disks.
typedef unsigned long long SectorNumber;  // printed with %llu

// AccessMode values.
enum : BYTE { ACCESS_LEGACY = 16, ACCESS_DIRECT = 32 };
// The access path, chosen once at start-up from the platform: the direct
// device path, or the volume services of Windows 95 and 98.
extern BYTE AccessMode;

// Device path formats: a volume by letter, a whole drive by digit.
#define LOGICAL_VOLUME_PATH "\\\\.\\%c:"
#define PHYSICAL_DRIVE_PATH "\\\\.\\PHYSICALDRIVE%c"

extern char DevicePath[32];
extern BYTE ProbeBuffer[SECTOR_SIZE];

// Bytes moved; 0 or a short count is a failure. The direct path moves
// count modulo 256 sectors per call, from any memory: the unbuffered
// device's own rules are kept by disk/aligned_transfer.h.
[[nodiscard]] DWORD read_sectors(HANDLE disk, SectorNumber first, DWORD count, void* buffer);
[[nodiscard]] DWORD write_sectors(HANDLE disk, SectorNumber first, DWORD count, const void* buffer);
// After the writes of an operation: true when they are on the disk, past
// its own cache. A device opened without buffering still has one.
[[nodiscard]] bool flush_disk(HANDLE disk);

// True when path names the open disk itself, by identity and whatever the
// name: the same file or device. A transfer between the two would
// overwrite the sectors it reads.
bool names_open_disk(HANDLE disk, const char* path);

HANDLE open_disk_device(const char* path);
[[nodiscard]] DWORD seek_sector(HANDLE handle, SectorNumber sector);  // 1 when positioning failed
[[nodiscard]] DWORD read_from_position(HANDLE handle, void* buffer, DWORD count);
DWORD close_disk_device(HANDLE handle);
bool probe_device(const char* path);
SectorNumber query_last_sector(HANDLE handle);

// The highest sector stepping may reach on a device of length bytes: the
// last whole one (sector 0 when there is none).
SectorNumber last_sector_of_length(LONGLONG length);
