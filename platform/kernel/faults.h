// Faults on purpose, for tests: the Nth call of a kernel or stdio function
// fails, or moves fewer bytes, or finds the disk full. Every call is counted
// whether or not anything is armed; with nothing armed no call behaves
// differently. Counts and arms are safe to use from any thread.
#pragma once

namespace platform::faults {

enum class Call { ReadFile, WriteFile, SetFilePointer, DeviceIoControl, FlushFileBuffers, fopen, fread, fwrite, fseek, Count };

// Error: the call fails (ERROR_CRC for reads, ERROR_GEN_FAILURE otherwise;
// EIO for stdio). ShortCount: a transfer succeeds but moves half the bytes,
// rounded down to whole sectors (possibly none); a call that moves no bytes
// fails as for Error. DiskFull: writes and flushes fail with
// ERROR_DISK_FULL / ENOSPC; other calls as for Error. ShortBySector (ReadFile
// and WriteFile only; stdio calls fail as for Error): a transfer moves all
// but its last sector (a logical block on an unbuffered handle).
enum class Kind { Error, ShortCount, DiskFull, ShortBySector };

// The nth call (1-based, counted from the last reset) fails; sticky: that
// call and every later one of that Call. One arm per Call: arming again
// replaces it.
void arm(Call call, unsigned nth, Kind kind, bool sticky = false);
void disarm_all();  // also resets counts
void reset_counts();
unsigned calls(Call call);  // calls made since the last reset
unsigned fired();           // how many calls failed on purpose since the last reset

const char* name(Call call);
const char* name(Kind kind);

// For the hooked functions: counts one call and says whether and how it
// fails.
enum class Verdict { Pass, Error, ShortCount, DiskFull, ShortBySector };
Verdict on_call(Call call);

// The shortened length of a transfer of `length` bytes in units of `unit`.
unsigned short_length(unsigned length, unsigned unit);

// The byte a failed or short read leaves where nothing was read, so that
// data never read from the disk shows up in tests instead of passing for
// zeros.
constexpr unsigned char kPoison = 0xE5;

}  // namespace platform::faults
