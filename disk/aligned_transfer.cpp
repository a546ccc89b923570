#include "disk/aligned_transfer.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>

#include "disk/sector_access.h"

// Set on the user-interface thread when a disk opens, before any worker
// can read it.
static HANDLE GeometryHandle = INVALID_HANDLE_VALUE;
static DWORD GeometrySector = SECTOR_SIZE;

// The disk's own answer, or 0 when it gives none that can be used.
static DWORD ask_logical_sector(HANDLE handle) {
    // Room for the partition and detection records some drivers append.
    union {
        DISK_GEOMETRY_EX geometry;
        BYTE room[256];
    } answer;
    DWORD returned = 0;
    if (!DeviceIoControl(handle, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, NULL, 0, &answer, sizeof answer, &returned,
                         NULL) ||
        returned < sizeof(DISK_GEOMETRY))
        return 0;
    DWORD size = answer.geometry.Geometry.BytesPerSector;
    if (size < SECTOR_SIZE || size > 65536 || (size & (size - 1)) != 0) return 0;
    return size;
}

DWORD query_logical_sector(HANDLE handle) {
    DWORD size = ask_logical_sector(handle);
    return size ? size : SECTOR_SIZE;
}

void remember_logical_sector(HANDLE handle) {
    // A disk that does not answer now is asked again at each transfer: one
    // failed request must not fix a wrong sector size, and with it failed
    // transfers, for as long as the disk stays open.
    DWORD size = ask_logical_sector(handle);
    GeometrySector = size ? size : SECTOR_SIZE;
    GeometryHandle = size ? handle : INVALID_HANDLE_VALUE;
}

void forget_logical_sector(HANDLE handle) {
    if (handle == GeometryHandle) GeometryHandle = INVALID_HANDLE_VALUE;
}

// Taken and given up by the thread that opens and closes the handles,
// looked up by the threads that move their pieces.
constexpr int SAME_DISK_SLOTS = 16;
static std::atomic<HANDLE> SameDisk[SAME_DISK_SLOTS];

void remember_same_disk(HANDLE handle) {
    for (std::atomic<HANDLE>& slot : SameDisk) {
        HANDLE empty = NULL;
        if (slot.compare_exchange_strong(empty, handle)) return;
    }
}

void forget_same_disk(HANDLE handle) {
    for (std::atomic<HANDLE>& slot : SameDisk) {
        HANDLE kept = handle;
        slot.compare_exchange_strong(kept, NULL);
    }
}

DWORD logical_sector(HANDLE handle) {
    if (GeometryHandle != INVALID_HANDLE_VALUE) {
        if (handle == GeometryHandle) return GeometrySector;
        for (const std::atomic<HANDLE>& slot : SameDisk)
            if (slot.load() == handle) return GeometrySector;
    }
    return query_logical_sector(handle);
}

static bool position_at(HANDLE handle, ULONGLONG offset) {
    LONG high = (LONG)(offset >> 32);
    return SetFilePointer(handle, (LONG)(DWORD)offset, &high, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

static DWORD read_here(HANDLE handle, void* buffer, DWORD bytes) {
    DWORD got = 0;
    ReadFile(handle, buffer, bytes, &got, NULL);
    return got;
}

static DWORD write_here(HANDLE handle, const void* buffer, DWORD bytes) {
    DWORD put = 0;
    WriteFile(handle, buffer, bytes, &put, NULL);
    return put;
}

// The part of a transfer of the span [start, start + moved) that falls in
// the caller's [start + skip, start + skip + bytes).
static DWORD callers_part(DWORD moved, DWORD skip, DWORD bytes) {
    if (moved <= skip) return 0;
    return moved - skip < bytes ? moved - skip : bytes;
}

// The span of whole logical sectors around a transfer, in aligned memory.
struct Span {
    ULONGLONG start;
    DWORD skip;    // where the caller's bytes begin in it
    DWORD length;  // whole logical sectors
    DWORD sector;  // the logical sector size
    BYTE* data;
    void* allocation;
};

// False when the transfer fits the disk as it is: nothing to bridge.
static bool needs_span(HANDLE handle, ULONGLONG offset, const void* buffer, DWORD bytes, Span* span) {
    DWORD sector = logical_sector(handle);
    DWORD alignment = sector > TRANSFER_ALIGNMENT ? sector : TRANSFER_ALIGNMENT;
    ULONGLONG start = offset - offset % sector;
    ULONGLONG end = (offset + bytes + sector - 1) / sector * sector;
    if (start == offset && end == offset + bytes && (uintptr_t)buffer % alignment == 0) return false;
    span->start = start;
    span->skip = (DWORD)(offset - start);
    span->length = (DWORD)(end - start);
    span->sector = sector;
    span->allocation = malloc(span->length + alignment);
    span->data = span->allocation
                     ? (BYTE*)(((uintptr_t)span->allocation + alignment - 1) & ~(uintptr_t)(alignment - 1))
                     : NULL;
    return true;
}

DWORD read_at_position(HANDLE handle, ULONGLONG offset, void* buffer, DWORD bytes) {
    if (bytes == 0) return 0;
    Span span;
    if (!needs_span(handle, offset, buffer, bytes, &span)) return read_here(handle, buffer, bytes);
    if (!span.data) return 0;
    DWORD moved = 0;
    if (span.skip == 0 || position_at(handle, span.start)) {
        moved = callers_part(read_here(handle, span.data, span.length), span.skip, bytes);
        memcpy(buffer, span.data + span.skip, moved);
    }
    free(span.allocation);
    return moved;
}

DWORD write_at_position(HANDLE handle, ULONGLONG offset, const void* buffer, DWORD bytes) {
    if (bytes == 0) return 0;
    Span span;
    if (!needs_span(handle, offset, buffer, bytes, &span)) return write_here(handle, buffer, bytes);
    if (!span.data) return 0;
    // A logical sector written only in part keeps the rest of its bytes:
    // read the first and the last one when they are partial.
    DWORD last = span.length - span.sector;
    bool head = span.skip != 0;
    bool tail = span.skip + bytes != span.length && !(head && last == 0);
    bool ready = true;
    if (head) ready = position_at(handle, span.start) && read_here(handle, span.data, span.sector) == span.sector;
    if (ready && tail)
        ready = position_at(handle, span.start + last) &&
                read_here(handle, span.data + last, span.sector) == span.sector;
    DWORD moved = 0;
    if (ready && ((!head && !tail) || position_at(handle, span.start))) {
        memcpy(span.data + span.skip, buffer, bytes);
        moved = callers_part(write_here(handle, span.data, span.length), span.skip, bytes);
    }
    free(span.allocation);
    return moved;
}
