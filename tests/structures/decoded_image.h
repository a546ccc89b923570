// What the structure tests share: an image file the real tools write, its
// sectors decoded as the editor would decode them (512-byte sectors, the
// rest of the disk read from the file), and the decoded fields and the
// tools' reports read as text.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <regex>
#include <string>

#include "disk_fixture.h"
#include "structures/sector_structure.h"

namespace testing_support {

inline bool read_image(void* context, uint64_t lba, uint32_t count, uint8_t* out) {
    int fd = open(static_cast<const char*>(context), O_RDONLY);
    if (fd < 0) return false;
    ssize_t want = static_cast<ssize_t>(count) * 512;
    bool whole = pread(fd, out, static_cast<size_t>(want), static_cast<off_t>(lba * 512)) == want;
    close(fd);
    return whole;
}

// A field's value by its name.
inline std::string field(const SectorStructure& s, const std::string& name) {
    for (int i = 0; i < s.field_count; ++i)
        if (name == s.fields[i].name) return s.fields[i].value;
    return "(no field " + name + ")";
}

// Where a field's Go To leads; none: UINT64_MAX.
inline uint64_t target(const SectorStructure& s, const std::string& name) {
    for (int i = 0; i < s.field_count; ++i)
        if (name == s.fields[i].name) return s.fields[i].names_sector ? s.fields[i].target_lba : UINT64_MAX;
    return UINT64_MAX;
}

// Every problem, a line each.
inline std::string problems(const SectorStructure& s) {
    std::string all;
    for (int i = 0; i < s.problem_count; ++i) all += std::string(s.problems[i]) + "\n";
    return all;
}

// A group of the first match of pattern in text.
inline std::string find(const std::string& text, const std::string& pattern, int group = 1) {
    std::smatch m;
    return std::regex_search(text, m, std::regex(pattern)) ? m[group].str() : "(\"" + pattern + "\" not found)";
}

class DecodedImage : public DiskTest {
protected:
    SectorStructure decode(uint64_t lba) {
        std::vector<uint8_t> bytes = read_file_bytes(path_, lba * 512, 512);
        DiskView view = {sectors_, 512, lba, 0, read_image, const_cast<char*>(path_.c_str())};
        SectorStructure out;
        decode_sector(bytes.data(), &view, &out);
        return out;
    }
    // A blank image of mib MiB; with a command, made by it, and then the
    // report of another on it.
    void blank(uint64_t mib) {
        path_ = image("disk.img");
        sectors_ = mib << 11;
        write_zero_image(path_, mib << 20);
    }
    std::string make(const std::string& command, const std::string& report, uint64_t mib) {
        blank(mib);
        std::string out;
        EXPECT_EQ(run_command(command + " '" + path_ + "' 2>&1", &out), 0) << out;
        return report.empty() ? out : tool_report(report);
    }
    std::string tool_report(const std::string& command) {
        std::string out;
        run_command(command + " '" + path_ + "' 2>&1", &out);
        return out;
    }
    void put(uint64_t at, std::vector<uint8_t> bytes) { write_file_bytes(path_, at, bytes); }

    std::string path_;
    uint64_t sectors_ = 0;
};

}  // namespace testing_support
