#include "disk/legacy_services.h"

#include <string.h>

HANDLE LegacyServiceHandle = INVALID_HANDLE_VALUE;
BYTE ExtendedServices = 0;
DIOC_REGISTERS DiocRegisters;
DISKIO DiskIoPacket;
DEVICEPARAMS DeviceParamBlock;

static DWORD BytesReturned;

// Every request uses the one register block both ways; it succeeded when the
// device took it and the carry flag came back clear.
static bool run_request(DWORD code) {
    BOOL taken = DeviceIoControl(LegacyServiceHandle, code, &DiocRegisters, sizeof DiocRegisters, &DiocRegisters,
                                 sizeof DiocRegisters, &BytesReturned, NULL);
    return taken && !(DiocRegisters.reg_Flags & CARRY_FLAG);
}

static void fill_packet(DWORD first, DWORD count, const void* buffer) {
    DiskIoPacket.dwStartSector = first;
    DiskIoPacket.wSectors = (WORD)count;
    DiskIoPacket.dwBuffer = dioc_address(buffer);
}

void init_legacy_services() {
    OSVERSIONINFOA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && (WORD)(version.dwBuildNumber & 0xFFFF) > 1000)
        ExtendedServices = 1;
    LegacyServiceHandle = CreateFileA("\\\\.\\vwin32", 0, 0, NULL, 0, FILE_FLAG_DELETE_ON_CLOSE, NULL);
}

DWORD legacy_query_last_sector(DWORD drive) {
    drive &= 0xFF;
    DeviceParamBlock.dpSpecFunc = 1;
    for (int attempt = 0; attempt < 2; ++attempt) {
        DiocRegisters.reg_EAX = 0x440D;
        DiocRegisters.reg_EBX = drive;
        DiocRegisters.reg_ECX = 0x0860;
        DiocRegisters.reg_EDX = dioc_address(&DeviceParamBlock);
        DiocRegisters.reg_Flags = CARRY_FLAG;
        if (!run_request(VWIN32_DIOC_DOS_IOCTL)) continue;
        WORD total16 = DeviceParamBlock.dpBPB.totalSectors;
        if (total16 >= 2 && total16 <= 0xFFFC) return total16 - 1;
        DWORD total32 = DeviceParamBlock.dpBPB.hugeSectors;
        // An empty volume has only sector 0 to show.
        return total32 == 0 ? 0 : total32 - 1;
    }
    return 0;
}

// Sets up the packet transfer of a read or write: Int 21h 7305h where the
// extended services exist, else Int 25h or Int 26h. Gives the control code.
static DWORD packet_request(DWORD drive, bool write) {
    DiocRegisters.reg_EBX = dioc_address(&DiskIoPacket);
    if (ExtendedServices) {
        DiocRegisters.reg_EAX = 0x7305;
        DiocRegisters.reg_ECX = 0xFFFFFFFF;
        DiocRegisters.reg_EDX = drive;
        if (write) DiocRegisters.reg_ESI = 0x6001;  // write, normal file data
        return VWIN32_DIOC_DOS_DRIVEINFO;
    }
    DiocRegisters.reg_EAX = drive - 1;
    DiocRegisters.reg_ECX = 0xFFFF;
    return write ? VWIN32_DIOC_DOS_INT26 : VWIN32_DIOC_DOS_INT25;
}

DWORD legacy_read_sectors(DWORD drive, DWORD first, DWORD count, void* buffer) {
    drive &= 0xFF;
    fill_packet(first, count, buffer);
    DiocRegisters.reg_ESI = 0;
    return run_request(packet_request(drive, false)) ? count << 9 : 0;
}

// Lock (CX 084Ah) and unlock (CX 086Ah), each tried first in its FAT32 form
// (48xxh) where the extended services exist. Outcomes do not matter.
static void lock_volume(DWORD drive) {
    DWORD forms[2] = {0x484A, 0x084A};
    for (int form = ExtendedServices ? 0 : 1; form < 2; ++form) {
        DiocRegisters.reg_Flags = CARRY_FLAG;
        DiocRegisters.reg_EDX = 1;
        DiocRegisters.reg_EAX = 0x440D;
        DiocRegisters.reg_EBX = drive + 256;  // BH 1: lock level
        DiocRegisters.reg_ECX = forms[form];
        if (run_request(VWIN32_DIOC_DOS_IOCTL)) return;
    }
}

static void unlock_volume(DWORD drive) {
    DWORD forms[2] = {0x486A, 0x086A};
    for (int form = ExtendedServices ? 0 : 1; form < 2; ++form) {
        DiocRegisters.reg_Flags = CARRY_FLAG;
        DiocRegisters.reg_EAX = 0x440D;
        DiocRegisters.reg_EBX = drive;
        DiocRegisters.reg_ECX = forms[form];
        if (run_request(VWIN32_DIOC_DOS_IOCTL)) return;
    }
}

DWORD legacy_write_sectors(DWORD drive, DWORD first, DWORD count, const void* buffer) {
    drive &= 0xFF;
    fill_packet(first, count, buffer);
    lock_volume(drive);
    bool written = run_request(packet_request(drive, true));
    unlock_volume(drive);
    return written ? count << 9 : 0;
}

bool legacy_probe_drive(DWORD drive) {
    drive &= 0xFF;
    BYTE buffer[512] = {0};
    DWORD code;
    if (ExtendedServices) {
        fill_packet(1, 1, buffer);
        code = VWIN32_DIOC_DOS_DRIVEINFO;
        DiocRegisters.reg_EAX = 0x7305;
        DiocRegisters.reg_EBX = dioc_address(&DiskIoPacket);
        DiocRegisters.reg_ECX = 0xFFFFFFFF;
        DiocRegisters.reg_EDX = drive;
        DiocRegisters.reg_ESI = 0;
    } else {
        // Register form of Int 25h: one sector from sector 0 into the buffer.
        code = VWIN32_DIOC_DOS_INT25;
        DiocRegisters.reg_EAX = drive - 1;
        DiocRegisters.reg_EBX = dioc_address(buffer);
        DiocRegisters.reg_ECX = 1;
        DiocRegisters.reg_EDX = 0;
        DiocRegisters.reg_Flags = CARRY_FLAG;
    }
    return run_request(code);
}
