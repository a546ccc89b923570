#include "disk/request_crew.h"

#include <stddef.h>
#include <string.h>

#include "disk/aligned_transfer.h"
#include "disk/chunk_buffer.h"
#include "disk/sector_run.h"

DWORD largest_request(HANDLE disk) {
    // The legacy services are given a chunk at a time whatever is asked.
    if (AccessMode == ACCESS_LEGACY) return 0;
    STORAGE_PROPERTY_QUERY query;
    memset(&query, 0, sizeof query);
    query.PropertyId = StorageAdapterProperty;
    query.QueryType = PropertyStandardQuery;
    STORAGE_ADAPTER_DESCRIPTOR adapter;
    DWORD returned = 0;
    if (!DeviceIoControl(disk, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &adapter, sizeof adapter, &returned,
                         NULL) ||
        returned < offsetof(STORAGE_ADAPTER_DESCRIPTOR, MaximumPhysicalPages))
        return 0;
    DWORD sectors = adapter.MaximumTransferLength / SECTOR_SIZE / 8 * 8;
    return sectors < CHUNK_SECTORS ? CHUNK_SECTORS : sectors;
}

// Every logical sector there is (up to 64 KiB) begins where these do.
constexpr DWORD WRITE_CUT_SECTORS = 128;

// The sectors of a piece and of the first one: writes are cut where 64 KiB
// begin, so the first piece ends at such a place.
static DWORD piece_size(const RequestCrew* crew, bool writing) {
    if (!writing) return crew->piece;
    DWORD size = crew->piece / WRITE_CUT_SECTORS * WRITE_CUT_SECTORS;
    return size ? size : WRITE_CUT_SECTORS;
}
static DWORD first_piece(const RequestCrew* crew, bool writing, SectorNumber first) {
    DWORD size = piece_size(crew, writing);
    return writing ? size - (DWORD)(first % WRITE_CUT_SECTORS) : size;
}

int pieces_needed(const RequestCrew* crew, bool writing, SectorNumber first, DWORD count) {
    if (crew->piece == 0 || count <= crew->piece) return 1;
    DWORD head = first_piece(crew, writing, first), size = piece_size(crew, writing);
    if (count <= head) return 1;
    return 1 + (int)((count - head + size - 1) / size);
}

void begin_request_crew(RequestCrew* crew, HANDLE disk, SectorNumber count) {
    memset(crew, 0, sizeof *crew);
    crew->handles[0] = disk;
    crew->size = 1;
    crew->piece = largest_request(disk);
    if (crew->piece == 0 || count <= crew->piece || !names_open_disk(disk, DevicePath)) return;
    SectorNumber wanted = (count + crew->piece - 1) / crew->piece;
    while (crew->size < CREW_SIZE && (SectorNumber)crew->size < wanted) {
        HANDLE handle = CreateFileA(DevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                    OPEN_EXISTING, FILE_FLAG_NO_BUFFERING, NULL);
        if (handle == INVALID_HANDLE_VALUE)
            handle = CreateFileA(DevicePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                 FILE_FLAG_NO_BUFFERING, NULL);
        if (handle == INVALID_HANDLE_VALUE) break;
        remember_same_disk(handle);
        crew->handles[crew->size++] = handle;
    }
}

void end_request_crew(RequestCrew* crew) {
    for (int i = 1; i < crew->size; ++i) {
        forget_same_disk(crew->handles[i]);
        CloseHandle(crew->handles[i]);
    }
    crew->size = 1;
}

static DWORD WINAPI move_piece(LPVOID parameter) {
    PieceJob* job = (PieceJob*)parameter;
    RequestPiece* piece = job->piece;
    SetLastError(ERROR_SUCCESS);
    piece->unpositioned = false;
    if (job->writing) {
        piece->moved = write_sector_run(job->disk, piece->first, piece->count, piece->data);
    } else {
        piece->moved = read_sector_run(job->disk, piece->first, piece->count, piece->data, &piece->unpositioned);
    }
    piece->error = GetLastError();
    return 0;
}

static int cut_pieces(const RequestCrew* crew, bool writing, SectorNumber first, DWORD count, BYTE* data,
                      RequestPiece* pieces) {
    int total = pieces_needed(crew, writing, first, count);
    DWORD at = 0;
    for (int i = 0; i < total; ++i) {
        DWORD size = total == 1 ? count : i == 0 ? first_piece(crew, writing, first) : piece_size(crew, writing);
        pieces[i].first = first + at;
        pieces[i].count = count - at < size ? count - at : size;
        pieces[i].data = data + (size_t)at * SECTOR_SIZE;
        at += pieces[i].count;
        pieces[i].moved = 0;
        pieces[i].unpositioned = false;
        pieces[i].error = ERROR_SUCCESS;
    }
    return total;
}

// Pieces [from, count) each on a thread of its own, on the crew's handle of
// its place; a piece no thread could be had for is moved at once.
static void launch(const RequestCrew* crew, bool writing, RequestPiece* pieces, int count, int from,
                   PiecesInFlight* flight) {
    flight->count = count;
    for (int i = 0; i < count; ++i) {
        flight->jobs[i] = PieceJob{crew->handles[i], writing, &pieces[i]};
        flight->threads[i] = NULL;
        if (i < from) continue;
        DWORD id = 0;
        flight->threads[i] = CreateThread(NULL, 0, move_piece, &flight->jobs[i], 0, &id);
        if (!flight->threads[i]) move_piece(&flight->jobs[i]);
    }
}

void start_pieces(const RequestCrew* crew, bool writing, SectorNumber first, DWORD count, BYTE* data,
                  RequestPiece* pieces, PiecesInFlight* flight) {
    launch(crew, writing, pieces, cut_pieces(crew, writing, first, count, data, pieces), 0, flight);
}

void finish_pieces(PiecesInFlight* flight) {
    for (int i = 0; i < flight->count; ++i) {
        if (!flight->threads[i]) continue;
        WaitForSingleObject(flight->threads[i], INFINITE);
        CloseHandle(flight->threads[i]);
        flight->threads[i] = NULL;
    }
    flight->count = 0;
}

int move_in_pieces(const RequestCrew* crew, bool writing, SectorNumber first, DWORD count, BYTE* data,
                   RequestPiece* pieces) {
    int total = cut_pieces(crew, writing, first, count, data, pieces);
    // In rounds of as many pieces as there are handles: the first of each
    // on this thread, the others each on a thread of its own.
    for (int round = 0; round < total; round += crew->size) {
        PiecesInFlight flight;
        launch(crew, writing, pieces + round, total - round < crew->size ? total - round : crew->size, 1, &flight);
        move_piece(&flight.jobs[0]);
        finish_pieces(&flight);
    }
    return total;
}
