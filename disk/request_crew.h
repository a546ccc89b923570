// Several requests of one transfer in flight at once. A disk that limits
// the size of a request is asked in pieces of that size; the system serves
// the requests of one handle one after the other, and a device that gets
// its next request only once the last is done idles in between. So each
// piece goes on a thread and a handle of its own, as the system itself
// splits and queues a request larger than the disk's limit.
#pragma once

#include "disk/sector_access.h"
#include "platform/win32.h"

constexpr int CREW_SIZE = 4;

struct RequestCrew {
    HANDLE handles[CREW_SIZE];  // [0]: the open disk; the others opened for the run, on the same disk
    int size;                   // handles in use: 1, one request at a time
    DWORD piece;                // sectors of one request; 0: the disk sets no limit
};

// The disk's largest request in sectors (IOCTL_STORAGE_QUERY_PROPERTY), in
// whole 4 KiB and never fewer than a chunk; 0 when the disk does not say.
DWORD largest_request(HANDLE disk);

// For transfers of up to count sectors. The disk's limit is asked once;
// where a transfer takes more than one piece, more handles are opened on
// the disk's device path, if it names the open disk. Without them the
// pieces go one after the other.
void begin_request_crew(RequestCrew* crew, HANDLE disk, SectorNumber count);
void end_request_crew(RequestCrew* crew);

// One piece of a transfer and what became of it.
struct RequestPiece {
    SectorNumber first;
    DWORD count;
    BYTE* data;
    DWORD moved;        // bytes
    bool unpositioned;  // the disk could not be positioned: nothing moved
    DWORD error;        // GetLastError after the request
};

// Cuts count sectors from first into pieces of the crew's size and moves
// them, as many at once as it has handles; pieces[] (room for
// pieces_needed) says what each moved. The number of pieces. Writes are
// cut only where 64 KiB begin on the disk: on a disk whose logical sector
// is larger than 512 bytes, a piece that ends inside one reads, changes
// and writes back the whole of it, and two pieces doing so at once would
// each put back the other's old bytes.
int pieces_needed(const RequestCrew* crew, bool writing, SectorNumber first, DWORD count);
int move_in_pieces(const RequestCrew* crew, bool writing, SectorNumber first, DWORD count, BYTE* data,
                   RequestPiece* pieces);

// Pieces started on threads of their own, one per handle of the crew, to
// be waited for before their memory is touched.
struct PieceJob {
    HANDLE disk;
    bool writing;
    RequestPiece* piece;
};
struct PiecesInFlight {
    PieceJob jobs[CREW_SIZE];
    HANDLE threads[CREW_SIZE];
    int count;
};
// Cuts count sectors from first into pieces (no more than the crew has
// handles) and starts them; a piece no thread could be had for is moved
// at once.
void start_pieces(const RequestCrew* crew, bool writing, SectorNumber first, DWORD count, BYTE* data,
                  RequestPiece* pieces, PiecesInFlight* flight);
void finish_pieces(PiecesInFlight* flight);
