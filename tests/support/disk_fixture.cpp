#include "disk_fixture.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

#include "editor/editor_state.h"
#include "platform/control.h"

namespace testing_support {

namespace fs = std::filesystem;

namespace {

std::mutex held_lock;
std::map<int, std::string> held;  // token: release command, released newest first
int next_token = 1;

void release_everything_held() {
    std::map<int, std::string> all;
    {
        std::lock_guard<std::mutex> hold(held_lock);
        all.swap(held);
    }
    for (auto it = all.rbegin(); it != all.rend(); ++it) run_command(it->second);
}

// Whether a descriptor of this process is open on the path.
bool held_here(const std::string& path) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
        std::error_code unreadable;
        if (fs::read_symlink(entry.path(), unreadable) == path) return true;
    }
    return false;
}

}  // namespace

int hold_outside(const std::string& release_command) {
    std::lock_guard<std::mutex> hold(held_lock);
    platform::set_cleanup_before_abort(release_everything_held);
    held[next_token] = release_command;
    return next_token++;
}

void released_outside(int token) {
    std::lock_guard<std::mutex> hold(held_lock);
    held.erase(token);
}

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "orvasse-test-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed");
    path_ = name.data();
    held_ = hold_outside("rm -rf '" + path_ + "'");
}

TempDir::~TempDir() {
    released_outside(held_);
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::vector<uint8_t> stamped_sector(uint64_t sector) {
    std::vector<uint8_t> bytes(512);
    for (size_t i = 0; i < 512; ++i) bytes[i] = static_cast<uint8_t>((sector * 7 + i * 13 + 1) & 0xFF);
    for (int k = 0; k < 4; ++k) bytes[k] = static_cast<uint8_t>(sector >> (8 * k));
    return bytes;
}

std::vector<uint8_t> stamped_run(uint64_t first, uint64_t count) {
    std::vector<uint8_t> bytes;
    for (uint64_t s = first; s < first + count; ++s) {
        auto sector = stamped_sector(s);
        bytes.insert(bytes.end(), sector.begin(), sector.end());
    }
    return bytes;
}

void write_whole_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void write_stamped_image(const std::string& path, uint64_t sectors) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    for (uint64_t s = 0; s < sectors; ++s) {
        auto bytes = stamped_sector(s);
        ASSERT_EQ(::pwrite(fd, bytes.data(), 512, static_cast<off_t>(s * 512)), 512);
    }
    ::close(fd);
}

void write_zero_image(const std::string& path, uint64_t bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(bytes)), 0);
    ::close(fd);
}

std::vector<uint8_t> read_file_bytes(const std::string& path, uint64_t offset, size_t length) {
    std::vector<uint8_t> bytes(length);
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return {};
    ssize_t got = ::pread(fd, bytes.data(), length, static_cast<off_t>(offset));
    ::close(fd);
    bytes.resize(got < 0 ? 0 : static_cast<size_t>(got));
    return bytes;
}

void write_file_bytes(const std::string& path, uint64_t offset, const std::vector<uint8_t>& bytes) {
    int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)),
              static_cast<ssize_t>(bytes.size()));
    ::fsync(fd);
    ::close(fd);
}

uint64_t flushes_of(const std::string& device) {
    std::ifstream stat("/sys/block/" + fs::path(device).filename().string() + "/stat");
    std::vector<uint64_t> fields;
    uint64_t value = 0;
    while (stat >> value) fields.push_back(value);
    return fields.size() >= 16 ? fields[15] : UINT64_MAX;
}

int run_command(const std::string& command, std::string* out) {
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char chunk[256];
    while (size_t n = fread(chunk, 1, sizeof chunk, pipe)) text.append(chunk, n);
    int status = ::pclose(pipe);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string as_nobody(const std::function<std::string()>& look) {
    int channel[2];
    if (::pipe(channel) != 0) return "no look as nobody: pipe failed";
    pid_t child = ::fork();
    if (child < 0) {
        ::close(channel[0]);
        ::close(channel[1]);
        return "no look as nobody: fork failed";
    }
    if (child == 0) {
        ::close(channel[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(3);
        std::string seen = look();
        ssize_t put = ::write(channel[1], seen.data(), seen.size());
        _exit(put == static_cast<ssize_t>(seen.size()) ? 0 : 4);
    }
    ::close(channel[1]);
    std::string seen;
    char chunk[128];
    while (ssize_t got = ::read(channel[0], chunk, sizeof chunk)) {
        if (got < 0) break;
        seen.append(chunk, static_cast<size_t>(got));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "no look as nobody: the child failed";
    return seen;
}

LoopDevice::LoopDevice(const std::string& image, Options options) {
    std::string command = "losetup -f --show";
    if (options.sector_size) command += " --sector-size " + std::to_string(options.sector_size);
    if (options.read_only) command += " -r";
    if (options.partitions) command += " -P";
    command += " '" + image + "'";
    std::string out;
    int status = run_command(command, &out);
    // losetup may warn before the device name; the name is a line of its own.
    size_t at = out.find("/dev/loop");
    if (status != 0 || at == std::string::npos || (at > 0 && out[at - 1] != '\n')) {
        why_not_ = "'" + command + "' said: " + out;
        return;
    }
    device_ = out.substr(at, out.find('\n', at) - at);
    held_ = hold_outside("losetup -d " + device_);
    // Also against a limit a test did not live to put back.
    allow_largest_request();
}

std::string LoopDevice::queue() const { return "/sys/block/" + fs::path(device_).filename().string() + "/queue/"; }

void LoopDevice::allow_largest_request() {
    std::string largest;
    std::ifstream(queue() + "max_hw_sectors_kb") >> largest;
    if (!largest.empty()) std::ofstream(queue() + "max_sectors_kb") << largest << "\n";
}

unsigned LoopDevice::limit_requests(unsigned kib) {
    std::ofstream(queue() + "max_sectors_kb") << kib << "\n";
    unsigned now = 0;
    std::ifstream(queue() + "max_sectors_kb") >> now;
    return now;
}

LoopDevice::~LoopDevice() {
    released_outside(held_);
    if (device_.empty()) return;
    allow_largest_request();
    run_command("losetup -d " + device_);
    // A device someone still has open (udev's probe, say) lets go of its
    // image only at the last close: until then the image counts as attached
    // and opens read-only.
    std::string backing = "/sys/block/" + fs::path(device_).filename().string() + "/loop/backing_file";
    // Only an outside holder is waited for: one in this process (the
    // program a test ran, until its teardown) lets go only after this.
    if (held_here(device_)) return;
    for (int wait = 0; wait < 500 && fs::exists(backing); ++wait) usleep(10000);
}

Mounted::Mounted(const std::string& device) {
    std::string out;
    if (run_command("mkfs.ext2 -q -F " + device, &out) != 0) {
        why_not_ = "mkfs.ext2: " + out;
        return;
    }
    if (run_command("mount -t ext2 " + device + " '" + point_.path() + "'", &out) != 0) {
        why_not_ = "mount: " + out;
        return;
    }
    mounted_ = true;
    held_ = hold_outside("umount -l '" + point_.path() + "'");
}

Mounted::~Mounted() {
    released_outside(held_);
    if (mounted_) run_command("umount '" + point_.path() + "'");
}

void DiskTest::SetUp() {
    fs::create_directory(dir_.file("dosdevices"));
    platform::DeviceNamespace space;
    space.dosdevices = dir_.file("dosdevices");
    space.host_block_devices = false;
    platform::set_device_namespace(space);
    platform::emulate_windows_nt();
    platform::vwin32_refuse_fat32_locks(false);
    platform::vwin32_record_requests(false);
    platform::install_host(&host_);
    reset_editor_state();
}

void DiskTest::TearDown() {
    platform::install_host(nullptr);
    platform::emulate_windows_nt();
    EXPECT_EQ(host_.unused_steps(), 0u) << "a step of the script never ran";
}

void DiskTest::map_volume(char letter, const std::string& target) {
    std::string entry = dir_.file("dosdevices") + "/" + std::string(1, static_cast<char>(tolower(letter))) + "::";
    fs::remove(entry);
    fs::create_symlink(target, entry);
}

void DiskTest::map_physical(unsigned drive, const std::string& target) {
    std::string entry = dir_.file("dosdevices") + "/physicaldrive" + std::to_string(drive);
    fs::remove(entry);
    fs::create_symlink(target, entry);
}

}  // namespace testing_support
