#include "tools/disk_scan.h"

#include <string.h>

// A stretch of readable sectors of the block in hand, from sector s up to
// (not with) e.
static DWORD stretch_end(const SectorRun* run, DWORD s) {
    DWORD e = s;
    while (e < run->sectors && !run->unreadable[e]) ++e;
    return e;
}

static void count_unread(Unread* unread, SectorNumber sector) {
    if (unread->count++ == 0) unread->first = sector;
}

// A sector holds more than a pattern, so a match across the joint of two
// stretches starts in the last length - 1 bytes of the lower one: the
// joint is those bytes and the first length - 1 (or fewer) of the upper.
bool scan_up(SectorRun* run, const PatternScan* pattern, SectorNumber start, SectorNumber range, DWORD skip,
             const std::atomic<BYTE>* go, ScanProgress progress, DiskPlace* hit, Unread* unread) {
    const size_t keep = pattern->length - 1;
    BYTE joint[2 * MAX_PATTERN_LENGTH];
    size_t carried = 0;  // the last bytes of the stretch just below, when it ends where this one starts
    while (*go && next_run_block(run)) {
        progress(run->first - start + run->sectors, range);
        for (DWORD s = 0; s < run->sectors;) {
            if (run->unreadable[s]) {
                count_unread(unread, run->first + s);
                carried = 0;
                ++s;
                continue;
            }
            DWORD e = stretch_end(run, s);
            const BYTE* stretch = run->data + (size_t)s * SECTOR_SIZE;
            size_t bytes = (size_t)(e - s) * SECTOR_SIZE;
            if (carried) {
                memcpy(joint + carried, stretch, keep);
                size_t at = find_pattern(pattern, joint, carried + keep);
                if (at != (size_t)-1) {
                    *hit = {run->first + s - 1, (DWORD)(SECTOR_SIZE - carried + at)};
                    return true;
                }
            }
            // Matches before byte skip of the first sector do not count.
            size_t from = run->first + s == start ? skip : 0;
            size_t at = find_pattern(pattern, stretch + from, bytes - from);
            if (at != (size_t)-1) {
                at += from;
                *hit = {run->first + s + at / SECTOR_SIZE, (DWORD)(at % SECTOR_SIZE)};
                return true;
            }
            memcpy(joint, stretch + bytes - keep, keep);
            carried = keep;
            s = e;
        }
    }
    return false;
}

bool scan_down(SectorRun* run, const PatternScan* pattern, SectorNumber top, SectorNumber range, DWORD top_bytes,
               const std::atomic<BYTE>* go, ScanProgress progress, DiskPlace* hit, Unread* unread) {
    const size_t keep = pattern->length - 1;
    BYTE joint[2 * MAX_PATTERN_LENGTH];
    size_t carried = 0;  // the first bytes of the stretch just above, when it starts where this one ends
    while (*go && next_run_block(run)) {
        progress(top - run->first + 1, range);
        // The block's stretches from the top down.
        for (DWORD e = run->sectors; e > 0;) {
            if (run->unreadable[e - 1]) {
                count_unread(unread, run->first + e - 1);
                carried = 0;
                --e;
                continue;
            }
            DWORD s = e;
            while (s > 0 && !run->unreadable[s - 1]) --s;
            const BYTE* stretch = run->data + (size_t)s * SECTOR_SIZE;
            size_t bytes = (size_t)(e - s) * SECTOR_SIZE;
            if (run->first + e - 1 == top) bytes -= SECTOR_SIZE - top_bytes;
            // A match across the joint starts higher than one wholly below it.
            if (carried) {
                memcpy(joint, stretch + bytes - keep, keep);
                size_t at = find_last_pattern(pattern, joint, keep + carried);
                if (at != (size_t)-1) {
                    *hit = {run->first + e - 1, (DWORD)(SECTOR_SIZE - keep + at)};
                    return true;
                }
            }
            size_t at = find_last_pattern(pattern, stretch, bytes);
            if (at != (size_t)-1) {
                *hit = {run->first + s + at / SECTOR_SIZE, (DWORD)(at % SECTOR_SIZE)};
                return true;
            }
            carried = bytes < keep ? bytes : keep;
            memcpy(joint + keep, stretch, carried);
            e = s;
        }
    }
    return false;
}
