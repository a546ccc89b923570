#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/control.h"
#include "platform/user/resource.h"
#include "platform/user/window_view.h"
#include "resources/embedded_res.h"

namespace fs = std::filesystem;

namespace fuzz {

HINSTANCE program_module() { return embedded_program_module(); }

void clear_windows_and_messages() {
    for (HWND hwnd : platform::top_level_windows())
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

void fail(const std::string& what) {
    std::fprintf(stderr, "model mismatch: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

namespace {

void remove_scratch() {
    std::error_code ignored;
    fs::remove_all(scratch_dir(), ignored);
}

void write_image(const std::string& path, uint32_t sectors, uint8_t fill) {
    std::vector<char> bytes(static_cast<size_t>(sectors) * 512);
    for (uint32_t s = 0; s < sectors; ++s)
        for (size_t i = 0; i < 512; ++i) bytes[s * 512 + i] = static_cast<char>(fill + s + (i % 7 == 0 ? i : 0));
    // A boot sector's counts, for the volume services: 512-byte sectors, and
    // how many.
    bytes[0x0B] = 0x00;
    bytes[0x0C] = 0x02;
    bytes[0x13] = static_cast<char>(sectors & 0xFF);
    bytes[0x14] = static_cast<char>(sectors >> 8);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    require(out.good(), "cannot write the image " + path);
}

void link(const std::string& entry, const std::string& target) {
    std::string path = scratch_dir() + "/dosdevices/" + entry;
    std::error_code ignored;
    fs::remove(path, ignored);
    fs::create_symlink(target, path);
}

}  // namespace

const std::string& scratch_dir() {
    static const std::string dir = [] {
        std::string pattern = (fs::temp_directory_path() / "orvasse-fuzz-XXXXXX").string();
        require(mkdtemp(pattern.data()) != nullptr, "cannot make a scratch folder");
        fs::create_directory(pattern + "/dosdevices");
        platform::DeviceNamespace space;
        space.dosdevices = pattern + "/dosdevices";
        space.host_block_devices = false;
        platform::set_device_namespace(space);
        return pattern;
    }();
    static const int removed_at_exit = std::atexit(remove_scratch);
    (void)removed_at_exit;
    return dir;
}

void map_volume_image(char letter, const std::string& file, uint32_t sectors, uint8_t fill) {
    std::string path = scratch_dir() + "/" + file;
    write_image(path, sectors, fill);
    link(std::string(1, static_cast<char>(letter | 0x20)) + "::", path);
}

void map_physical_image(unsigned drive, const std::string& file, uint32_t sectors, uint8_t fill) {
    std::string path = scratch_dir() + "/" + file;
    write_image(path, sectors, fill);
    link("physicaldrive" + std::to_string(drive), path);
}

void map_volume_bytes(char letter, const std::string& file, const std::vector<uint8_t>& bytes) {
    std::string path = scratch_dir() + "/" + file;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    require(out.good(), "cannot write the image " + path);
    out.close();
    link(std::string(1, static_cast<char>(letter | 0x20)) + "::", path);
}

void map_volume_to_nothing(char letter) {
    link(std::string(1, static_cast<char>(letter | 0x20)) + "::", scratch_dir() + "/missing.img");
}

std::string printable(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    return out;
}

}  // namespace fuzz
