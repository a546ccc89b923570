// The legacy path: logical drives through the 95/98 volume-services device.
// Each request is a register block that the device runs as a DOS call.
#pragma once

#include "platform/win32.h"

extern HANDLE LegacyServiceHandle;
extern BYTE ExtendedServices;  // 1: Int 21h 7305h and the FAT32 lock forms exist
extern DIOC_REGISTERS DiocRegisters;
extern DISKIO DiskIoPacket;
extern DEVICEPARAMS DeviceParamBlock;

void init_legacy_services();
// Drive numbers count from A = 1; only the low 8 bits are used.
DWORD legacy_query_last_sector(DWORD drive);
[[nodiscard]] DWORD legacy_read_sectors(DWORD drive, DWORD first, DWORD count, void* buffer);
[[nodiscard]] DWORD legacy_write_sectors(DWORD drive, DWORD first, DWORD count, const void* buffer);
bool legacy_probe_drive(DWORD drive);
