// Faults on purpose, for tests: the Nth call of a kernel or stdio function
// fails, or moves fewer bytes, or finds the disk full. Every call is counted
// whether or not anything is armed (once this table is in use); with
// nothing armed no call behaves differently. Counts and arms are safe to use
// from any thread. The table steps into the layer through its interception
// points (platform/kernel/intercept.h): the program itself carries none of it.
#pragma once

#include "platform/kernel/intercept.h"

namespace platform::faults {

using Call = intercept::Call;
using Verdict = intercept::Verdict;
using intercept::kPoison;
using intercept::short_length;

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
void disarm_all();  // also resets counts and heals every bad sector

// A bad 512-byte sector of the disk or image at path (any name of it): every
// call (ReadFile, or WriteFile) that covers it fails as a whole, reads with
// ERROR_CRC and writes with ERROR_GEN_FAILURE, as a disk's bad sector does;
// a call beside it goes through.
void plant_bad_sector(const std::string& path, uint64_t sector, Call call = Call::ReadFile);
void reset_counts();
unsigned calls(Call call);  // calls made since the last reset
unsigned fired();           // how many calls failed on purpose since the last reset

const char* name(Call call);
const char* name(Kind kind);

// Counts one call and says whether and how it fails: the hook the table
// installs, and what the stdio wrappers ask.
Verdict on_call(Call call);

}  // namespace platform::faults
