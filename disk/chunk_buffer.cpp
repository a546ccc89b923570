#include "disk/chunk_buffer.h"

#include <new>

#include "disk/aligned_transfer.h"
#include "disk/sector_access.h"

BYTE* allocate_transfer_buffer(DWORD sectors) {
    return (BYTE*)::operator new((size_t)sectors * SECTOR_SIZE, std::align_val_t(TRANSFER_ALIGNMENT), std::nothrow);
}

void free_transfer_buffer(BYTE* buffer) {
    if (buffer) ::operator delete(buffer, std::align_val_t(TRANSFER_ALIGNMENT), std::nothrow);
}

SectorNumber sectors_within_disk(SectorNumber first, SectorNumber count, SectorNumber last) {
    if (first > last) return 0;
    // last - first + 1 would wrap to 0 for the whole 64-bit range.
    SectorNumber beyond_first = last - first;
    return beyond_first < count ? beyond_first + 1 : count;
}
