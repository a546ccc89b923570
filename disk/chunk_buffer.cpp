#include "disk/chunk_buffer.h"

#include <new>

#include "disk/aligned_transfer.h"
#include "disk/sector_access.h"

BYTE* allocate_chunk_buffer() {
    return (BYTE*)::operator new((CHUNK_SECTORS + 1) * SECTOR_SIZE, std::align_val_t(TRANSFER_ALIGNMENT), std::nothrow);
}

void free_chunk_buffer(BYTE* buffer) {
    if (buffer) ::operator delete(buffer, std::align_val_t(TRANSFER_ALIGNMENT), std::nothrow);
}

DWORD sectors_within_disk(DWORD first, DWORD count, DWORD last) {
    if (first > last) return 0;
    unsigned long long available = (unsigned long long)last - first + 1;
    return count < available ? count : (DWORD)available;
}
