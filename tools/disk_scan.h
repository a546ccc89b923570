// Finding a pattern in a run of sectors as the run hands them over: going
// up, the first match; going down, the last. Only sectors that were read
// are scanned; a match never spans an unreadable sector.
#pragma once

#include <atomic>

#include "disk/sector_run.h"
#include "tools/pattern_scan.h"

// Where a match starts.
struct DiskPlace {
    SectorNumber sector;
    DWORD offset;  // 0 to 511
};

// The sectors a scan could not read: how many, and the first met.
struct Unread {
    SectorNumber count;
    SectorNumber first;
};

// Told of each block handed over: sectors of the range done up to its
// end, counted from where the scan began.
typedef void (*ScanProgress)(SectorNumber done, SectorNumber range);

// The run goes up over range sectors from start; matches that start before
// byte skip of sector start do not count. Stops early when *go turns 0.
bool scan_up(SectorRun* run, const PatternScan* pattern, SectorNumber start, SectorNumber range, DWORD skip,
             const std::atomic<BYTE>* go, ScanProgress progress, DiskPlace* hit, Unread* unread);

// The run goes down over the sectors from top down to top - range + 1; of
// sector top only its first top_bytes (1 to 512) count, so every match
// found ends within them.
bool scan_down(SectorRun* run, const PatternScan* pattern, SectorNumber top, SectorNumber range, DWORD top_bytes,
               const std::atomic<BYTE>* go, ScanProgress progress, DiskPlace* hit, Unread* unread);
