#include "faults.h"

#include <stdlib.h>

#include <atomic>
#include <climits>
#include <mutex>
#include <vector>

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

struct BadSector {
    std::string file;  // the real path, whatever name the disk was opened by
    uint64_t sector;
    Call call;
};
std::mutex bad_lock;
std::vector<BadSector> bad_sectors;
std::atomic<bool> any_bad{false};

std::string real_path(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

bool covers_bad_sector(Call call, const std::string& path, uint64_t offset, uint64_t length) {
    if (!any_bad.load()) return false;
    std::string file = real_path(path);
    std::lock_guard<std::mutex> hold(bad_lock);
    for (const BadSector& bad : bad_sectors) {
        if (bad.call != call || bad.file != file) continue;
        if (bad.sector * 512 < offset + length && offset < (bad.sector + 1) * 512) {
            failures.fetch_add(1);
            return true;
        }
    }
    return false;
}

// In place from the start of any test that links the table.
[[maybe_unused]] const bool installed =
    (intercept::install(on_call), intercept::install_places(covers_bad_sector), true);

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
    {
        std::lock_guard<std::mutex> hold(bad_lock);
        bad_sectors.clear();
        any_bad.store(false);
    }
    reset_counts();
}

void plant_bad_sector(const std::string& path, uint64_t sector, Call call) {
    std::lock_guard<std::mutex> hold(bad_lock);
    bad_sectors.push_back({real_path(path), sector, call});
    any_bad.store(true);
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
