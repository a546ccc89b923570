#include "faults.h"

#include <atomic>

namespace platform::faults {

namespace {

constexpr int kCalls = static_cast<int>(Call::Count);

struct Arm {
    std::atomic<unsigned> nth{0};  // 0: not armed
    std::atomic<Kind> kind{Kind::Error};
    std::atomic<bool> sticky{false};
};

std::atomic<unsigned> counts[kCalls];
std::atomic<unsigned> failures{0};
Arm arms[kCalls];

// In place from the start of any test that links the table.
[[maybe_unused]] const bool installed = (intercept::install(on_call), true);

}  // namespace

void arm(Call call, unsigned nth, Kind kind, bool sticky) {
    Arm& a = arms[static_cast<int>(call)];
    a.nth.store(0);
    a.kind.store(kind);
    a.sticky.store(sticky);
    a.nth.store(nth);
}

void reset_counts() {
    for (auto& count : counts) count.store(0);
    failures.store(0);
}

void disarm_all() {
    for (auto& a : arms) a.nth.store(0);
    reset_counts();
}

unsigned calls(Call call) { return counts[static_cast<int>(call)].load(); }

unsigned fired() { return failures.load(); }

Verdict on_call(Call call) {
    int index = static_cast<int>(call);
    unsigned n = counts[index].fetch_add(1) + 1;
    const Arm& a = arms[index];
    unsigned nth = a.nth.load();
    if (nth == 0 || n < nth || (n > nth && !a.sticky.load())) return Verdict::Pass;
    failures.fetch_add(1);
    switch (a.kind.load()) {
    case Kind::ShortCount: return Verdict::ShortCount;
    case Kind::DiskFull: return Verdict::DiskFull;
    case Kind::ShortBySector: return Verdict::ShortBySector;
    case Kind::Error: break;
    }
    return Verdict::Error;
}

const char* name(Call call) {
    switch (call) {
    case Call::ReadFile: return "ReadFile";
    case Call::WriteFile: return "WriteFile";
    case Call::SetFilePointer: return "SetFilePointer";
    case Call::DeviceIoControl: return "DeviceIoControl";
    case Call::FlushFileBuffers: return "FlushFileBuffers";
    case Call::fopen: return "fopen";
    case Call::fread: return "fread";
    case Call::fwrite: return "fwrite";
    case Call::fseek: return "fseek";
    case Call::Count: break;
    }
    return "?";
}

const char* name(Kind kind) {
    switch (kind) {
    case Kind::Error: return "error";
    case Kind::ShortCount: return "short count";
    case Kind::DiskFull: return "disk full";
    case Kind::ShortBySector: return "one sector short";
    }
    return "?";
}

}  // namespace platform::faults
