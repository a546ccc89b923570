// A run of sectors moved for Search, Copy Block, Export and Import: in large
// aligned requests (a device moves far more per second in a few large
// requests than in many small ones), handed over block by block in order,
// and exact on a failing disk: a request that fails or falls short is split
// until each sector is either moved or, alone and once more, refused.
#pragma once

#include "disk/request_crew.h"
#include "disk/sector_access.h"
#include "platform/win32.h"

// The block handed over: 1 MiB. From a file in the page cache a block this
// size is still in the processor's cache when it is scanned (4 MiB scanned
// at half the speed).
constexpr DWORD RUN_BLOCK_SECTORS = 2048;

// Sectors moved at once with this crew: one block, or as many blocks (up
// to CREW_SIZE) as its requests in flight cover, never more than count.
DWORD batch_sectors(const RequestCrew* crew, SectorNumber count);

struct SectorRun {
    RequestCrew crew;    // handles[0]: the disk
    SectorNumber next;   // the first sector of the next batch going up
    SectorNumber end;    // one past the run's last sector not yet read
    bool downward;       // blocks from the top of the run down, each in order
    DWORD capacity;      // sectors a block holds
    bool told;           // "Error reading disk" was shown: once a run is enough
    // The sectors read at once, handed over a block at a time.
    DWORD batch_capacity;
    BYTE* batch_data;        // an unreadable sector's bytes are zeros
    BYTE* batch_unreadable;  // per sector: 1 when it could not be read
    SectorNumber batch_first;
    DWORD batch_sectors;
    DWORD handed;            // of the batch's sectors
    // The next batch, read while this one is used (Search: it is scanned
    // meanwhile) where the crew has a handle for each of its pieces.
    bool ahead;
    BYTE* spare_data;
    BYTE* spare_unreadable;
    bool in_flight;
    SectorNumber flight_first;
    DWORD flight_sectors;
    RequestPiece flight_pieces[CREW_SIZE];
    PiecesInFlight flight;
    // The block in hand.
    SectorNumber first;
    DWORD sectors;
    BYTE* data;
    BYTE* unreadable;
};

// False when there is no memory for the blocks. ahead: the next batch may
// be read while the caller works on this one, which must then not use the
// disk itself until the run ends.
bool begin_sector_run(SectorRun* run, HANDLE disk, SectorNumber first, SectorNumber count, bool downward = false,
                      bool ahead = false);
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

// Writes count sectors from first, in the crew's pieces, each split like a
// read where its request fails or falls short; failed[i] is set for each
// sector that, written alone and once more, did not take its bytes.
// Returns how many did not. A disk that refuses writes as such
// (write-protected, open for reading only) is not asked again: every
// sector not written counts, and GetLastError says why.
DWORD write_exactly(const RequestCrew* crew, SectorNumber first, DWORD count, const BYTE* data, BYTE* failed);
