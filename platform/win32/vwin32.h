// The layouts of the 95/98 volume-services device (VWIN32). They come from the
// Windows 95 DDK, not from the SDK headers, so both builds take them from here.
#pragma once

#ifndef _WIN32
#include "platform/win32/windef.h"
#endif

#define VWIN32_DIOC_DOS_IOCTL 1
#define VWIN32_DIOC_DOS_INT25 2
#define VWIN32_DIOC_DOS_INT26 3
#define VWIN32_DIOC_DOS_DRIVEINFO 6

#define CARRY_FLAG 0x0001

typedef struct _DIOC_REGISTERS {
    DWORD reg_EBX;
    DWORD reg_EDX;
    DWORD reg_ECX;
    DWORD reg_EAX;
    DWORD reg_EDI;
    DWORD reg_ESI;
    DWORD reg_Flags;
} DIOC_REGISTERS;

#pragma pack(push, 1)
typedef struct _DISKIO {
    DWORD dwStartSector;
    WORD wSectors;
    DWORD dwBuffer;
} DISKIO;

// The BIOS parameter block as DOS hands it out inside DEVICEPARAMS.
typedef struct _DOS_BPB {
    WORD bytesPerSector;
    BYTE sectorsPerCluster;
    WORD reservedSectors;
    BYTE fatCount;
    WORD rootEntries;
    WORD totalSectors;  // 0 when the 32-bit total applies
    BYTE mediaDescriptor;
    WORD sectorsPerFat;
    WORD sectorsPerTrack;
    WORD heads;
    DWORD hiddenSectors;
    DWORD hugeSectors;
} DOS_BPB;

typedef struct _DEVICEPARAMS {
    BYTE dpSpecFunc;
    BYTE dpDevType;
    WORD dpDevAttr;
    WORD dpCylinders;
    BYTE dpMediaType;
    DOS_BPB dpBPB;
    BYTE dpReserved[6];
    WORD dpTrackCount;  // track layout follows when dpSpecFunc bit 2 is set; never used here
} DEVICEPARAMS;
#pragma pack(pop)

static_assert(sizeof(DIOC_REGISTERS) == 28, "DIOC_REGISTERS is 28 bytes");
static_assert(sizeof(DISKIO) == 10, "DISKIO is packed to 10 bytes");
static_assert(offsetof(DEVICEPARAMS, dpBPB) == 7, "the BPB starts at offset 7");
static_assert(offsetof(DEVICEPARAMS, dpBPB.totalSectors) == 15, "16-bit total at offset 15");
static_assert(offsetof(DEVICEPARAMS, dpBPB.hugeSectors) == 28, "32-bit total at offset 28");

// A 32-bit address for a register block. On 32-bit Windows it is the pointer;
// a 64-bit process cannot run on the 95/98 family, so there the legacy path is
// never taken. Elsewhere the emulated service resolves a registered token.
#ifdef _WIN32
inline DWORD dioc_address(const void* p) { return (DWORD)(ULONG_PTR)p; }
#else
DWORD dioc_address(const void* p);
#endif
