// A run of sectors moved for Search, Copy Block, Export and Import: in large
// aligned requests (a device moves far more per second in a few large
// requests than in many small ones), handed over block by block in order,
// and exact on a failing disk: a request that fails or falls short is split
// until each sector is either moved or, alone and once more, refused.
#pragma once

#include "disk/sector_access.h"
#include "platform/win32.h"

// The largest request: 1 MiB. Larger ones gain little more on a device,
// and from a file in the page cache a block this size is still in the
// processor's cache when it is scanned (4 MiB scanned at half the speed).
constexpr DWORD RUN_BLOCK_SECTORS = 2048;

// Sectors a block holds on this disk: no more than its adapter takes in
// one request (IOCTL_STORAGE_QUERY_PROPERTY), in whole 4 KiB, and never
// fewer than a chunk (every disk takes that) nor more than
// RUN_BLOCK_SECTORS. A disk that does not say takes RUN_BLOCK_SECTORS.
DWORD run_block_sectors(HANDLE disk);

struct SectorRun {
    HANDLE disk;
    SectorNumber next;   // the first sector of the next block going up
    SectorNumber end;    // one past the run's last sector not yet handed over
    bool downward;       // blocks from the top of the run down, each in order
    DWORD capacity;      // sectors a block holds
    BYTE* data;          // the block in hand; an unreadable sector's bytes are zeros
    BYTE* unreadable;    // per sector of the block in hand: 1 when it could not be read
    bool told;           // "Error reading disk" was shown: once a run is enough
    // The block in hand.
    SectorNumber first;
    DWORD sectors;
};

// False when there is no memory for the blocks.
bool begin_sector_run(SectorRun* run, HANDLE disk, SectorNumber first, SectorNumber count, bool downward = false);
// Reads the next block into run->data: first, sectors, and the flags of
// the unreadable ones. False at the end of the run.
bool next_run_block(SectorRun* run);
void end_sector_run(SectorRun* run);

// Bytes read, as read_sectors but for count sectors of any number (the
// legacy services are asked 128 at a time) and without a message:
// *unpositioned when the disk could not be positioned, nothing read.
[[nodiscard]] DWORD read_sector_run(HANDLE disk, SectorNumber first, DWORD count, void* buffer, bool* unpositioned);

// Bytes written, as write_sectors but for count sectors of any number (the
// legacy services are given 128 at a time); 0 when the disk could not be
// positioned.
[[nodiscard]] DWORD write_sector_run(HANDLE disk, SectorNumber first, DWORD count, const void* buffer);

// Writes count sectors from first, split like a read where a request fails
// or falls short; failed[i] is set for each sector that, written alone and
// once more, did not take its bytes. Returns how many did not. A disk that
// refuses writes as such (write-protected, open for reading only) is not
// asked again: every sector not written counts, and GetLastError says why.
DWORD write_exactly(HANDLE disk, SectorNumber first, DWORD count, const BYTE* data, BYTE* failed);
