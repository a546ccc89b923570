// Where a test may step into the layer's file and device calls: each call
// asks the hook installed (none in the program: every call passes) whether
// it goes through, fails, or moves fewer bytes. The fault table of the tests
// (tests/support/faults.h) is such a hook.
#pragma once

#include <cstdint>
#include <string>

namespace platform::intercept {

enum class Call { ReadFile, WriteFile, SetFilePointer, DeviceIoControl, FlushFileBuffers, fopen, fread, fwrite, fseek, Count };

// Pass: as asked. Error: the call fails (ERROR_CRC for reads,
// ERROR_GEN_FAILURE otherwise). ShortCount: a transfer moves half the
// bytes, rounded down to whole sectors. DiskFull: writes and flushes fail
// with ERROR_DISK_FULL, other calls as for Error. ShortBySector: a
// transfer moves all but its last sector.
enum class Verdict { Pass, Error, ShortCount, DiskFull, ShortBySector };

using Hook = Verdict (*)(Call call);
// Tests only; safe to call from any thread, the hook from any thread too.
void install(Hook hook);
Verdict on_call(Call call);

// Bad places of a disk, as a real disk has them: true when a ReadFile or
// WriteFile (call) of the file or device at path over the bytes [offset,
// offset + length) covers one. Such a transfer fails as a whole, as a disk
// fails a request that covers a bad sector.
using PlaceHook = bool (*)(Call call, const std::string& path, uint64_t offset, uint64_t length);
void install_places(PlaceHook hook);
bool covers_bad_place(Call call, const std::string& path, uint64_t offset, uint64_t length);

// The shortened length of a transfer of `length` bytes in units of `unit`.
unsigned short_length(unsigned length, unsigned unit);

// The byte a failed or short read leaves where nothing was read, so that
// data never read from the disk shows up in tests instead of passing for
// zeros.
constexpr unsigned char kPoison = 0xE5;

}  // namespace platform::intercept
