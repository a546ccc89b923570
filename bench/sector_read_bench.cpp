// Reading a disk in 128-sector chunks through read_sectors, against plain
// O_DIRECT preads of the same chunks in the same process. The interesting
// figure is the ratio: what the Win32 layer and the bounce buffer cost.
//
//   sector_read_bench [--device=/dev/loopN]   (default: a 64 MiB image file)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "disk/sector_access.h"
#include "editor/editor_state.h"
#include "platform/control.h"

namespace {

std::string target;           // the block device or image file read
std::string dosdevices;       // where C: points at it
constexpr DWORD kChunk = 128;
constexpr uint64_t kImageBytes = 64ull << 20;

uint64_t sectors_of_target() {
    int fd = ::open(target.c_str(), O_RDONLY);
    off_t end = ::lseek(fd, 0, SEEK_END);
    ::close(fd);
    return static_cast<uint64_t>(end) / 512;
}

void read_whole_disk(benchmark::State& state, size_t misalign) {
    HANDLE disk = open_disk_device("\\\\.\\C:");
    if (disk == INVALID_HANDLE_VALUE) {
        state.SkipWithError("cannot open C:");
        return;
    }
    uint64_t sectors = sectors_of_target();
    std::vector<BYTE> storage(kChunk * 512 + 4096);
    BYTE* buffer = storage.data() + (4096 - reinterpret_cast<uintptr_t>(storage.data()) % 4096) % 4096 + misalign;
    for (auto _ : state) {
        for (uint64_t s = 0; s + kChunk <= sectors; s += kChunk)
            benchmark::DoNotOptimize(read_sectors(disk, static_cast<DWORD>(s), kChunk, buffer));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sectors * 512));
    close_disk_device(disk);
}

void BM_ReadSectorsAligned(benchmark::State& state) { read_whole_disk(state, 0); }
void BM_ReadSectorsUnaligned(benchmark::State& state) { read_whole_disk(state, 1); }

void BM_ReferencePreadDirect(benchmark::State& state) {
    int fd = ::open(target.c_str(), O_RDONLY | O_DIRECT);
    if (fd < 0) fd = ::open(target.c_str(), O_RDONLY);
    uint64_t sectors = sectors_of_target();
    void* buffer = nullptr;
    if (posix_memalign(&buffer, 4096, kChunk * 512) != 0) return;
    for (auto _ : state) {
        for (uint64_t s = 0; s + kChunk <= sectors; s += kChunk)
            benchmark::DoNotOptimize(::pread(fd, buffer, kChunk * 512, static_cast<off_t>(s * 512)));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sectors * 512));
    free(buffer);
    ::close(fd);
}

BENCHMARK(BM_ReferencePreadDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSectorsAligned)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSectorsUnaligned)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    fs::path work = fs::temp_directory_path() / ("orvasse-bench-" + std::to_string(getpid()));
    fs::create_directories(work / "dosdevices");
    for (int i = 1; i < argc; ++i)
        if (strncmp(argv[i], "--device=", 9) == 0) target = argv[i] + 9;
    if (target.empty()) {
        target = (work / "disk.img").string();
        int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char> block(1 << 20, 'x');
        for (uint64_t done = 0; done < kImageBytes; done += block.size()) (void)!::write(fd, block.data(), block.size());
        ::close(fd);
    }
    fs::create_symlink(target, work / "dosdevices" / "c::");
    platform::set_device_namespace({(work / "dosdevices").string(), false});
    reset_editor_state();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(work);
    return 0;
}
