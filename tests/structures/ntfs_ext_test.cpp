// NTFS boot sectors made by mkntfs against ntfsinfo's report, with a
// damaged backup; an ext4 superblock made by mke2fs against dumpe2fs -h.
#include <fcntl.h>
#include <unistd.h>

#include <regex>
#include <string>

#include "disk_fixture.h"
#include "structures/sector_structure.h"

using namespace testing_support;

namespace {

bool read_file(void* context, uint64_t lba, uint32_t count, uint8_t* out) {
    int fd = open(static_cast<const char*>(context), O_RDONLY);
    if (fd < 0) return false;
    ssize_t want = static_cast<ssize_t>(count) * 512;
    bool whole = pread(fd, out, static_cast<size_t>(want), static_cast<off_t>(lba * 512)) == want;
    close(fd);
    return whole;
}

std::string field(const SectorStructure& s, const std::string& name) {
    for (int i = 0; i < s.field_count; ++i)
        if (name == s.fields[i].name) return s.fields[i].value;
    return "(no field " + name + ")";
}

std::string problems(const SectorStructure& s) {
    std::string all;
    for (int i = 0; i < s.problem_count; ++i) all += std::string(s.problems[i]) + "\n";
    return all;
}

std::string find(const std::string& text, const std::string& pattern) {
    std::smatch m;
    return std::regex_search(text, m, std::regex(pattern)) ? m[1].str() : "(\"" + pattern + "\" not found)";
}

class Volumes : public DiskTest {
protected:
    SectorStructure decode(uint64_t lba) {
        std::vector<uint8_t> bytes = read_file_bytes(path_, lba * 512, 512);
        DiskView view = {sectors_, 512, lba, 0, read_file, const_cast<char*>(path_.c_str())};
        SectorStructure out;
        decode_sector(bytes.data(), &view, &out);
        return out;
    }
    // A blank volume of mib MiB made by command, and the report of another.
    std::string make(const std::string& command, const std::string& report, uint64_t mib) {
        path_ = image("volume.img");
        sectors_ = mib << 11;
        write_zero_image(path_, mib << 20);
        std::string out;
        EXPECT_EQ(run_command(command + " '" + path_ + "' 2>&1", &out), 0) << out;
        run_command(report + " '" + path_ + "' 2>&1", &out);
        return out;
    }
    std::string path_;
    uint64_t sectors_ = 0;
};

TEST_F(Volumes, NtfsBootSectorAsNtfsinfoReportsItAndADamagedBackup) {
    std::string r = make("mkntfs -F -Q -L NTVOL", "ntfsinfo -m", 32);
    SectorStructure s = decode(0);
    EXPECT_STREQ(s.kind, "NTFS boot sector");
    EXPECT_EQ(field(s, "Bytes per sector"), find(r, "Sector Size: (\\d+)"));
    EXPECT_EQ(find(field(s, "Sectors per cluster"), "\\((\\d+) bytes per cluster"), find(r, "Cluster Size: (\\d+)"));
    EXPECT_EQ(find(field(s, "Total sectors"), "; (\\d+) clusters"), find(r, "Volume Size in Clusters: (\\d+)"));
    EXPECT_EQ(field(s, "MFT record size"), find(r, "MFT Record Size: (\\d+)") + " bytes");
    EXPECT_EQ(field(s, "Index block size"), find(r, "Index Block Size: (\\d+)") + " bytes");
    EXPECT_EQ(field(s, "$MFT cluster"), find(r, "LCN of Data Attribute for FILE_MFT: (\\d+)"));
    EXPECT_EQ(field(s, "$MFTMirr cluster"), find(r, "LCN of Data Attribute for File_MFTMirr: (\\d+)"));
    EXPECT_EQ(problems(s), "");
    uint64_t backup = std::stoull(find(field(s, "Backup boot sector"), "^(\\d+)"));
    write_file_bytes(path_, backup * 512 + 72, {0x42});
    EXPECT_EQ(problems(decode(0)), "The backup boot sector (LBA " + std::to_string(backup) + ") differs from this one\n");
}

TEST_F(Volumes, Ext4SuperblockAsDumpe2fsReportsIt) {
    std::string r = make("mke2fs -q -t ext4 -L EXTVOL", "dumpe2fs -h", 32);
    SectorStructure s = decode(2);  // 1024 bytes into the volume
    EXPECT_STREQ(s.kind, "ext2/3/4 superblock");
    for (const char* name : {"Inode count", "Block count", "Reserved block count", "Free blocks", "Free inodes",
                             "First block", "Block size", "Blocks per group", "Inodes per group", "Inode size"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(field(s, name), find(r, std::string(name) + ":\\s+(\\d+)"));
    }
    EXPECT_EQ(field(s, "UUID"), find(r, "Filesystem UUID:\\s+(\\S+)"));
    EXPECT_EQ(field(s, "Volume name"), find(r, "Filesystem volume name:\\s+(\\S+)"));
    EXPECT_EQ(problems(s), "");
    sectors_ = 1000;  // a disk smaller than the volume
    EXPECT_NE(problems(decode(2)).find("run past the end of the disk"), std::string::npos);
}

}  // namespace
