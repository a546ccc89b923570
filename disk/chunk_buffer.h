// The runs of sectors that Search, Copy Block, Export and Import move: at
// most CHUNK_SECTORS per transfer, in memory aligned as unbuffered devices
// want it.
#pragma once

#include "disk/sector_access.h"
#include "platform/win32.h"

constexpr DWORD CHUNK_SECTORS = 128;

// Memory for sectors to move, aligned as unbuffered devices want it; null
// when it cannot be had.
BYTE* allocate_transfer_buffer(DWORD sectors);
void free_transfer_buffer(BYTE* buffer);

// How many of count sectors from first lie on a disk whose last sector is
// last: none after it, and never past the last sector number there is.
SectorNumber sectors_within_disk(SectorNumber first, SectorNumber count, SectorNumber last);
