#include "disk/sector_run.h"

#include <new>
#include <stddef.h>
#include <string.h>

#include "disk/aligned_transfer.h"
#include "disk/chunk_buffer.h"
#include "disk/legacy_services.h"
#include "disk/request_crew.h"

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

// What a request that wrote put of count sectors leaves to do: the rest,
// split, on this thread.
static DWORD write_rest(HANDLE disk, SectorNumber first, DWORD count, const BYTE* data, BYTE* failed, DWORD put,
                        DWORD error);

static DWORD write_split(HANDLE disk, SectorNumber first, DWORD count, const BYTE* data, BYTE* failed) {
    SetLastError(ERROR_SUCCESS);
    DWORD put = write_sector_run(disk, first, count, data) / SECTOR_SIZE;
    return write_rest(disk, first, count, data, failed, put, GetLastError());
}

static DWORD write_rest(HANDLE disk, SectorNumber first, DWORD count, const BYTE* data, BYTE* failed, DWORD put,
                        DWORD error) {
    if (put >= count) return 0;
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
    DWORD lost = write_split(disk, first, half, data, failed);
    error = GetLastError();
    // A disk that refused writes as such refuses the rest too.
    if (lost == half && refuses_writes(error)) {
        memset(failed + half, 1, count - half);
        SetLastError(error);
        return count;
    }
    return lost + write_split(disk, first + half, count - half, data + (size_t)half * SECTOR_SIZE, failed + half);
}

DWORD write_exactly(const RequestCrew* crew, SectorNumber first, DWORD count, const BYTE* data, BYTE* failed) {
    RequestPiece pieces[64];
    if (pieces_needed(crew, true, first, count) > 64) return write_split(crew->handles[0], first, count, data, failed);
    int total = move_in_pieces(crew, true, first, count, (BYTE*)data, pieces);
    DWORD lost = 0;
    for (int i = 0; i < total; ++i) {
        const RequestPiece& piece = pieces[i];
        DWORD at = (DWORD)(piece.first - first);
        DWORD put = piece.moved / SECTOR_SIZE;
        if (i % crew->size == 0) {
            lost += write_rest(crew->handles[0], piece.first, piece.count, piece.data, failed + at, put, piece.error);
        } else if (put < piece.count) {
            // What a handle of the crew did not write, the disk's own is asked to.
            lost += write_split(crew->handles[0], piece.first + put, piece.count - put,
                                piece.data + (size_t)put * SECTOR_SIZE, failed + at + put);
        }
        DWORD error = GetLastError();
        // A disk that refused writes as such refuses the rest too: the
        // pieces not yet asked for, and what those asked for at the same
        // time did not write.
        if (put < piece.count && refuses_writes(error)) {
            int round_end = (i / crew->size + 1) * crew->size;
            for (int j = i + 1; j < total; ++j) {
                DWORD done = j < round_end ? pieces[j].moved / SECTOR_SIZE : 0;
                if (done > pieces[j].count) done = pieces[j].count;
                memset(failed + (pieces[j].first - first) + done, 1, pieces[j].count - done);
                lost += pieces[j].count - done;
            }
            SetLastError(error);
            return lost;
        }
    }
    return lost;
}

DWORD batch_sectors(const RequestCrew* crew, SectorNumber count) {
    DWORD blocks = 1;
    if (crew->size > 1) {
        blocks = crew->piece * (DWORD)crew->size / RUN_BLOCK_SECTORS;
        if (blocks < 1) blocks = 1;
        if (blocks > (DWORD)CREW_SIZE) blocks = CREW_SIZE;
    }
    DWORD sectors = blocks * RUN_BLOCK_SECTORS;
    return count < sectors ? (DWORD)count : sectors;
}

bool begin_sector_run(SectorRun* run, HANDLE disk, SectorNumber first, SectorNumber count, bool downward,
                      bool ahead) {
    memset(run, 0, sizeof *run);
    run->next = first;
    run->end = first + count;
    run->downward = downward;
    run->crew.handles[0] = disk;
    run->crew.size = 1;
    if (count == 0) return true;
    run->capacity = count < RUN_BLOCK_SECTORS ? (DWORD)count : RUN_BLOCK_SECTORS;
    begin_request_crew(&run->crew, disk, count < RUN_BLOCK_SECTORS * CREW_SIZE ? count : RUN_BLOCK_SECTORS * CREW_SIZE);
    run->batch_capacity = batch_sectors(&run->crew, count);
    run->batch_data = allocate_transfer_buffer(run->batch_capacity);
    run->batch_unreadable = new (std::nothrow) BYTE[run->batch_capacity];
    if (!run->batch_data || !run->batch_unreadable) {
        end_sector_run(run);
        return false;
    }
    // Worth it only where every piece of a batch has a handle of its own
    // and there is a next batch.
    if (ahead && run->crew.size > 1 && pieces_needed(&run->crew, false, first, run->batch_capacity) <= run->crew.size &&
        count > run->batch_capacity) {
        run->spare_data = allocate_transfer_buffer(run->batch_capacity);
        run->spare_unreadable = new (std::nothrow) BYTE[run->batch_capacity];
        run->ahead = run->spare_data && run->spare_unreadable;
    }
    return true;
}

void end_sector_run(SectorRun* run) {
    // Nothing is freed under a read still in flight.
    if (run->in_flight) finish_pieces(&run->flight);
    run->in_flight = false;
    free_transfer_buffer(run->batch_data);
    free_transfer_buffer(run->spare_data);
    delete[] run->batch_unreadable;
    delete[] run->spare_unreadable;
    end_request_crew(&run->crew);
    run->batch_data = run->data = run->spare_data = NULL;
    run->batch_unreadable = run->unreadable = run->spare_unreadable = NULL;
}

// Sectors [at, at + count) of the batch after a request for them gave got
// of them (none and unpositioned: the disk could not be positioned): what
// it gave is kept, whole sectors of it; the rest is split in two and each
// half asked for again, down to single sectors, which are asked twice
// before they count as unreadable.
static void read_exactly(SectorRun* run, DWORD at, DWORD count, int tries);

static void read_rest(SectorRun* run, DWORD at, DWORD count, DWORD got, bool unpositioned, int tries) {
    if (got > count) got = count;
    if (unpositioned) {
        // No request can reach the disk: splitting would only ask again.
        if (!run->told) MessageBoxA(NULL, "Error reading disk", "Error", MB_OK);
        run->told = true;
        memset(run->batch_data + (size_t)at * SECTOR_SIZE, 0, (size_t)count * SECTOR_SIZE);
        memset(run->batch_unreadable + at, 1, count);
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
        memset(run->batch_data + (size_t)at * SECTOR_SIZE, 0, SECTOR_SIZE);
        run->batch_unreadable[at] = 1;
        return;
    }
    DWORD half = count / 2;
    read_exactly(run, at, half, 2);
    read_exactly(run, at + half, count - half, 2);
}

static void read_exactly(SectorRun* run, DWORD at, DWORD count, int tries) {
    bool unpositioned = false;
    DWORD got = read_sector_run(run->crew.handles[0], run->batch_first + at, count, run->batch_data + (size_t)at * SECTOR_SIZE,
                                &unpositioned) /
                SECTOR_SIZE;
    read_rest(run, at, count, got, unpositioned, tries);
}

// The whole batch, in the crew's pieces at once; then each piece made exact.
static void read_batch(SectorRun* run) {
    memset(run->batch_unreadable, 0, run->batch_sectors);
    RequestPiece pieces[64];
    if (pieces_needed(&run->crew, false, run->batch_first, run->batch_sectors) > 64) {
        read_exactly(run, 0, run->batch_sectors, 2);
        return;
    }
    int total = move_in_pieces(&run->crew, false, run->batch_first, run->batch_sectors, run->batch_data, pieces);
    for (int i = 0; i < total; ++i) {
        DWORD at = (DWORD)(pieces[i].first - run->batch_first), got = pieces[i].moved / SECTOR_SIZE;
        if (i % run->crew.size == 0) {
            read_rest(run, at, pieces[i].count, got, pieces[i].unpositioned, 2);
        } else if (got < pieces[i].count) {
            // What a handle of the crew did not give, the disk's own is asked for.
            read_exactly(run, at + got, pieces[i].count - got, 2);
        }
    }
}

// The sectors of the run the next batch takes, no longer to be read.
static void take_batch(SectorRun* run, SectorNumber* first, DWORD* sectors) {
    SectorNumber left = run->end - run->next;
    *sectors = left < run->batch_capacity ? (DWORD)left : run->batch_capacity;
    *first = run->downward ? run->end - *sectors : run->next;
    if (run->downward) {
        run->end -= *sectors;
    } else {
        run->next += *sectors;
    }
}

// The batch read ahead becomes the one in hand, made exact on this thread
// once every piece is in.
static void land_flight(SectorRun* run) {
    int pieces = run->flight.count;
    finish_pieces(&run->flight);
    run->in_flight = false;
    BYTE* data = run->batch_data;
    BYTE* unreadable = run->batch_unreadable;
    run->batch_data = run->spare_data;
    run->batch_unreadable = run->spare_unreadable;
    run->spare_data = data;
    run->spare_unreadable = unreadable;
    run->batch_first = run->flight_first;
    run->batch_sectors = run->flight_sectors;
    memset(run->batch_unreadable, 0, run->batch_sectors);
    for (int i = 0; i < pieces; ++i) {
        const RequestPiece& piece = run->flight_pieces[i];
        DWORD at = (DWORD)(piece.first - run->batch_first), got = piece.moved / SECTOR_SIZE;
        if (got < piece.count) read_exactly(run, at + got, piece.count - got, 2);
    }
}

bool next_run_block(SectorRun* run) {
    if (run->handed == run->batch_sectors) {
        if (run->in_flight) {
            land_flight(run);
        } else {
            if (run->next >= run->end) return false;
            take_batch(run, &run->batch_first, &run->batch_sectors);
            read_batch(run);
        }
        run->handed = 0;
        if (run->ahead && run->next < run->end) {
            take_batch(run, &run->flight_first, &run->flight_sectors);
            start_pieces(&run->crew, false, run->flight_first, run->flight_sectors, run->spare_data,
                         run->flight_pieces, &run->flight);
            run->in_flight = true;
        }
    }
    // Blocks of the batch in the run's order; going down, the block at the
    // bottom of the run is the short one, as without batches.
    DWORD left = run->batch_sectors - run->handed;
    run->sectors = left < run->capacity ? left : run->capacity;
    DWORD offset = run->downward ? left - run->sectors : run->handed;
    run->first = run->batch_first + offset;
    run->data = run->batch_data + (size_t)offset * SECTOR_SIZE;
    run->unreadable = run->batch_unreadable + offset;
    run->handed += run->sectors;
    return true;
}
