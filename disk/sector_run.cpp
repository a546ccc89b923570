#include "disk/sector_run.h"

#include <new>
#include <stddef.h>
#include <string.h>

#include "disk/aligned_transfer.h"
#include "disk/chunk_buffer.h"
#include "disk/legacy_services.h"

DWORD read_sector_run(HANDLE disk, SectorNumber first, DWORD count, void* buffer, bool* unpositioned) {
    *unpositioned = false;
    if (AccessMode == ACCESS_LEGACY) {
        // The volume services take no more than a chunk at a time.
        DWORD got = 0;
        for (DWORD done = 0; done < count; done += CHUNK_SECTORS) {
            DWORD part = count - done < CHUNK_SECTORS ? count - done : CHUNK_SECTORS;
            DWORD bytes = legacy_read_sectors((DWORD)(ULONG_PTR)disk, (DWORD)(first + done), part,
                                              (BYTE*)buffer + (size_t)done * SECTOR_SIZE);
            got += bytes;
            if (bytes < part * SECTOR_SIZE) break;
        }
        return got;
    }
    if (seek_sector(disk, first)) {
        *unpositioned = true;
        return 0;
    }
    return read_at_position(disk, first << 9, buffer, count << 9);
}

DWORD write_sector_run(HANDLE disk, SectorNumber first, DWORD count, const void* buffer) {
    if (AccessMode == ACCESS_LEGACY) {
        DWORD put = 0;
        for (DWORD done = 0; done < count; done += CHUNK_SECTORS) {
            DWORD part = count - done < CHUNK_SECTORS ? count - done : CHUNK_SECTORS;
            DWORD bytes = legacy_write_sectors((DWORD)(ULONG_PTR)disk, (DWORD)(first + done), part,
                                               (const BYTE*)buffer + (size_t)done * SECTOR_SIZE);
            put += bytes;
            if (bytes < part * SECTOR_SIZE) break;
        }
        return put;
    }
    if (seek_sector(disk, first)) return 0;
    return write_at_position(disk, first << 9, buffer, count << 9);
}

static bool refuses_writes(DWORD error) {
    return error == ERROR_WRITE_PROTECT || error == ERROR_ACCESS_DENIED;
}

DWORD write_exactly(HANDLE disk, SectorNumber first, DWORD count, const BYTE* data, BYTE* failed) {
    SetLastError(ERROR_SUCCESS);
    DWORD put = write_sector_run(disk, first, count, data) / SECTOR_SIZE;
    if (put >= count) return 0;
    DWORD error = GetLastError();
    first += put;
    data += (size_t)put * SECTOR_SIZE;
    failed += put;
    count -= put;
    if (refuses_writes(error)) {
        memset(failed, 1, count);
        SetLastError(error);
        return count;
    }
    if (count == 1) {
        SetLastError(ERROR_SUCCESS);
        if (write_sector_run(disk, first, 1, data) == SECTOR_SIZE) return 0;
        *failed = 1;
        return 1;
    }
    DWORD half = count / 2;
    DWORD lost = write_exactly(disk, first, half, data, failed);
    error = GetLastError();
    // A disk that refused writes as such refuses the rest too.
    if (lost == half && refuses_writes(error)) {
        memset(failed + half, 1, count - half);
        SetLastError(error);
        return count;
    }
    return lost + write_exactly(disk, first + half, count - half, data + (size_t)half * SECTOR_SIZE, failed + half);
}

DWORD run_block_sectors(HANDLE disk) {
    // The legacy services are given a chunk at a time whatever the block.
    if (AccessMode == ACCESS_LEGACY) return RUN_BLOCK_SECTORS;
    STORAGE_PROPERTY_QUERY query;
    memset(&query, 0, sizeof query);
    query.PropertyId = StorageAdapterProperty;
    query.QueryType = PropertyStandardQuery;
    STORAGE_ADAPTER_DESCRIPTOR adapter;
    DWORD returned = 0;
    if (!DeviceIoControl(disk, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &adapter, sizeof adapter, &returned,
                         NULL) ||
        returned < offsetof(STORAGE_ADAPTER_DESCRIPTOR, MaximumPhysicalPages))
        return RUN_BLOCK_SECTORS;
    DWORD sectors = adapter.MaximumTransferLength / SECTOR_SIZE / 8 * 8;
    if (sectors < CHUNK_SECTORS) return CHUNK_SECTORS;
    return sectors < RUN_BLOCK_SECTORS ? sectors : RUN_BLOCK_SECTORS;
}

bool begin_sector_run(SectorRun* run, HANDLE disk, SectorNumber first, SectorNumber count, bool downward) {
    memset(run, 0, sizeof *run);
    run->disk = disk;
    run->next = first;
    run->end = first + count;
    run->downward = downward;
    if (count == 0) return true;
    DWORD block = run_block_sectors(disk);
    run->capacity = count < block ? (DWORD)count : block;
    run->data = (BYTE*)::operator new((size_t)run->capacity * SECTOR_SIZE, std::align_val_t(TRANSFER_ALIGNMENT),
                                      std::nothrow);
    run->unreadable = new (std::nothrow) BYTE[run->capacity];
    if (run->data && run->unreadable) return true;
    end_sector_run(run);
    return false;
}

void end_sector_run(SectorRun* run) {
    if (run->data) ::operator delete(run->data, std::align_val_t(TRANSFER_ALIGNMENT), std::nothrow);
    delete[] run->unreadable;
    run->data = NULL;
    run->unreadable = NULL;
}

// Sectors [at, at + count) of the block in hand: what one request gives is
// kept, whole sectors of it; the rest is split in two and each half asked
// for again, down to single sectors, which are asked twice before they
// count as unreadable.
static void read_exactly(SectorRun* run, DWORD at, DWORD count, int tries) {
    BYTE* into = run->data + (size_t)at * SECTOR_SIZE;
    bool unpositioned = false;
    DWORD got = read_sector_run(run->disk, run->first + at, count, into, &unpositioned) / SECTOR_SIZE;
    if (got > count) got = count;
    if (unpositioned) {
        // No request can reach the disk: splitting would only ask again.
        if (!run->told) MessageBoxA(NULL, "Error reading disk", "Error", MB_OK);
        run->told = true;
        memset(into, 0, (size_t)count * SECTOR_SIZE);
        memset(run->unreadable + at, 1, count);
        return;
    }
    if (got == count) return;
    at += got;
    count -= got;
    if (count == 1) {
        if (tries > 1) {
            read_exactly(run, at, 1, tries - 1);
            return;
        }
        memset(run->data + (size_t)at * SECTOR_SIZE, 0, SECTOR_SIZE);
        run->unreadable[at] = 1;
        return;
    }
    DWORD half = count / 2;
    read_exactly(run, at, half, 2);
    read_exactly(run, at + half, count - half, 2);
}

bool next_run_block(SectorRun* run) {
    if (run->next >= run->end) return false;
    run->sectors = run->end - run->next < run->capacity ? (DWORD)(run->end - run->next) : run->capacity;
    run->first = run->downward ? run->end - run->sectors : run->next;
    memset(run->unreadable, 0, run->sectors);
    read_exactly(run, 0, run->sectors, 2);
    if (run->downward) {
        run->end -= run->sectors;
    } else {
        run->next += run->sectors;
    }
    return true;
}
