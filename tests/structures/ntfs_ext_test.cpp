// NTFS boot sectors made by mkntfs against ntfsinfo's report, with a
// damaged backup; an ext4 superblock made by mke2fs against dumpe2fs -h.
#include <string>

#include "decoded_image.h"

using namespace testing_support;

namespace {

using Volumes = DecodedImage;

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
    // The serial number is random: its byte flipped, not set.
    write_file_bytes(path_, backup * 512 + 72, {uint8_t(read_file_bytes(path_, backup * 512 + 72, 1)[0] ^ 0xFF)});
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
