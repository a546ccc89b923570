// MBR and GPT decoded from images the real tools made, each field against
// the tool's own report of the same image; problems found on copies damaged
// on purpose, and a GPT whose header CRC was mended checked by sgdisk.
#include <functional>
#include <string>

#include "decoded_image.h"
#include "structures/gpt.h"

using namespace testing_support;

namespace {

using PartitionTables = DecodedImage;

TEST_F(PartitionTables, GptHeaderAndEntriesAsSgdiskReportsThem) {
    blank(64);
    std::string out;
    ASSERT_EQ(run_command("sgdisk -n 1:2048:+10M -t 1:ef00 -c 1:EFI -n 2:0:+20M -t 2:8300 -c 2:root "
                          "-n 3:0:0 -t 3:0700 -c 3:data '" + path_ + "'", &out), 0) << out;
    std::string p = tool_report("sgdisk -p");
    SectorStructure header = decode(1);
    EXPECT_STREQ(header.kind, "GPT header");
    EXPECT_EQ(field(header, "Disk GUID"), find(p, "Disk identifier \\(GUID\\): (\\S+)"));
    EXPECT_EQ(field(header, "First usable LBA"), find(p, "First usable sector is (\\d+)"));
    EXPECT_EQ(field(header, "Last usable LBA"), find(p, "last usable sector is (\\d+)"));
    EXPECT_EQ(field(header, "Partition entries LBA"), find(p, "Main partition table begins at sector (\\d+)"));
    EXPECT_EQ(field(header, "Number of partition entries"), find(p, "holds up to (\\d+) entries"));
    EXPECT_EQ(problems(header), "");
    SectorStructure backup = decode(sectors_ - 1);
    EXPECT_STREQ(backup.kind, "GPT header (backup)");
    EXPECT_EQ(field(backup, "Disk GUID"), field(header, "Disk GUID"));
    EXPECT_EQ(problems(backup), "");
    SectorStructure mbr = decode(0);
    EXPECT_STREQ(mbr.kind, "Protective MBR (GPT disk)");
    EXPECT_EQ(field(mbr, "Partition 1: type"), "EE (GPT)");

    SectorStructure entries = decode(2);
    EXPECT_STREQ(entries.kind, "GPT partition entries");
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE("partition " + std::to_string(n));
        std::string i = tool_report("sgdisk -i " + std::to_string(n));
        std::string entry = "Entry " + std::to_string(n) + ": ";
        EXPECT_EQ(field(entries, entry + "type GUID"), find(i, "Partition GUID code: ([^\\n]+)"));
        EXPECT_EQ(field(entries, entry + "unique GUID"), find(i, "Partition unique GUID: (\\S+)"));
        EXPECT_EQ(field(entries, entry + "first LBA"), find(i, "First sector: (\\d+)"));
        EXPECT_EQ(find(field(entries, entry + "last LBA"), "^(\\d+) \\(size (\\d+ sectors)"), find(i, "Last sector: (\\d+)"));
        EXPECT_EQ(find(field(entries, entry + "last LBA"), "size (\\d+ sectors)"), find(i, "Partition size: (\\d+ sectors)"));
        EXPECT_EQ(field(entries, entry + "attributes"), find(i, "Attribute flags: (\\S+)"));
        EXPECT_EQ(field(entries, entry + "name"), find(i, "Partition name: '([^']*)'"));
    }
    EXPECT_EQ(field(entries, "Entry 4"), "unused");
    EXPECT_EQ(problems(entries), "");
    // The copy of the array where the backup header places it, also when
    // LBA 1's header is lost.
    auto all = [](const SectorStructure& s) {
        std::string text = std::string(s.kind) + "\n";
        for (int i = 0; i < s.field_count; ++i) text += std::string(s.fields[i].name) + ": " + s.fields[i].value + "\n";
        return text;
    };
    uint64_t copy = std::stoull(field(backup, "Partition entries LBA"));
    EXPECT_EQ(copy, sectors_ - 33);
    EXPECT_EQ(all(decode(copy)), all(entries));
    put(512, std::vector<uint8_t>(512));
    EXPECT_EQ(all(decode(copy)), all(entries));
}

// Damaged on purpose, one way at a time, each on a fresh GPT disk.
TEST_F(PartitionTables, GptProblemsAndAMendedHeaderCrcThatSgdiskAccepts) {
    const uint64_t header = 512;
    struct Row {
        const char* damage;
        uint64_t lba;  // decoded
        std::function<void()> act;
        std::string problem;  // one of those expected
    };
    auto byte = [](uint8_t b) { return std::vector<uint8_t>{b}; };
    // A byte of the backup header changed and its CRC mended, so only the
    // comparison with the primary can tell.
    auto change_backup = [&](uint32_t offset) {
        uint64_t at = (sectors_ - 1) * 512;
        put(at + offset, byte(read_file_bytes(path_, at + offset, 1)[0] ^ 0xFF));  // random bytes: flipped, not set
        std::vector<uint8_t> b = read_file_bytes(path_, at, 512);
        uint32_t crc = gpt_header_crc(b.data());
        put(at + 16, {uint8_t(crc), uint8_t(crc >> 8), uint8_t(crc >> 16), uint8_t(crc >> 24)});
    };
    const std::vector<uint8_t> past_the_end = {0x40, 0x0D, 0x03, 0, 0, 0, 0, 0};  // LBA 200000
    const Row rows[] = {
        {"a reserved byte of the header", 1, [&] { put(header + 20, byte(1)); },
         "Header CRC32 is "},
        {"the backup header's disk GUID", 1, [&] { change_backup(56); },
         "The primary and backup GPT headers disagree"},
        {"the backup header's entry array CRC", 1, [&] { change_backup(88); },
         "The primary and backup GPT headers disagree"},
        {"partition 2's end past the disk, in its entry", 2, [&] { put(2 * 512 + 128 + 40, past_the_end); },
         "Partition 2 ends at LBA 200000, past the end of the disk"},
        {"partition 2's end past the disk, from the header", 1, [&] { put(2 * 512 + 128 + 40, past_the_end); },
         "Partition 2 ends at LBA 200000, past the end of the disk"},
        {"partition 2 starting inside partition 1", 1, [&] { put(2 * 512 + 128 + 32, {0x00, 0x10, 0, 0, 0, 0, 0, 0}); },
         "Partitions 1 and 2 overlap"},
        {"the protective MBR's partition past the disk", 0, [&] { put(446 + 12, {0, 0, 1, 0}); },
         "Partition 1 ends at LBA 65536, past the end of the disk"},
        {"the protective MBR's 55 AA", 0, [&] { put(510, {0, 0}); },
         "The boot signature 55 AA is missing"},
    };
    // sgdisk takes a second to write a table: made once, copied for each.
    blank(16);
    std::string out;
    ASSERT_EQ(run_command("sgdisk -n 1:2048:+4M -n 2:0:0 '" + path_ + "'", &out), 0) << out;
    const std::vector<uint8_t> sound = read_file_bytes(path_, 0, sectors_ * 512);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.damage);
        put(0, sound);
        EXPECT_EQ(problems(decode(row.lba)), "") << "before the damage";
        row.act();
        std::string seen = problems(decode(row.lba));
        EXPECT_NE(seen.find(row.problem), std::string::npos) << seen;
    }
    // The first damage mended as Fix CRC mends it: sgdisk finds the disk sound.
    put(0, sound);
    put(header + 20, byte(1));
    EXPECT_NE(tool_report("sgdisk -v").find("CRC"), std::string::npos) << "sgdisk sees the damage";
    std::vector<uint8_t> b = read_file_bytes(path_, header, 512);
    uint32_t crc = gpt_header_crc(b.data());
    put(header + 16, {uint8_t(crc), uint8_t(crc >> 8), uint8_t(crc >> 16), uint8_t(crc >> 24)});
    EXPECT_EQ(problems(decode(1)), "");
    EXPECT_NE(tool_report("sgdisk -v").find("No problems found"), std::string::npos);
}

// sfdisk's MBR with an extended partition and two logical ones in it: the
// MBR's entries and each EBR's logical partition against sfdisk -d.
TEST_F(PartitionTables, MbrAndExtendedBootRecordsAsSfdiskReportsThem) {
    blank(64);
    std::string out;
    ASSERT_EQ(run_command("printf 'label: dos\\n,10MiB,83\\n,20MiB,7\\n,,5\\n,5MiB,83\\n,5MiB,82\\n,5MiB,83\\n' | sfdisk -q '" +
                              path_ + "'", &out), 0) << out;
    std::string d = tool_report("sfdisk -d");
    auto part = [&](int n, int group) {
        std::smatch m;
        std::regex line(std::regex_replace(path_, std::regex("[.^$|()\\[\\]{}*+?\\\\]"), "\\$&") + std::to_string(n) +
                        " : start=\\s*(\\d+), size=\\s*(\\d+), type=(\\w+)");
        return std::regex_search(d, m, line) ? m[group].str() : "(partition " + std::to_string(n) + " not reported)";
    };
    SectorStructure mbr = decode(0);
    EXPECT_STREQ(mbr.kind, "Master boot record");
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE("partition " + std::to_string(n));
        std::string entry = "Partition " + std::to_string(n) + ": ";
        EXPECT_EQ(field(mbr, entry + "first LBA"), part(n, 1));
        EXPECT_EQ(find(field(mbr, entry + "size"), "^(\\d+) sectors"), part(n, 2));
        EXPECT_EQ(find(field(mbr, entry + "type"), "^0?([0-9A-F]+) "), part(n, 3));
    }
    EXPECT_EQ(problems(mbr), "");
    // The EBRs, found by their own links from the extended partition's start.
    uint64_t extended = std::stoull(part(3, 1)), ebr = extended;
    for (int n = 5; n <= 7; ++n) {
        SCOPED_TRACE("logical partition " + std::to_string(n));
        SectorStructure s = decode(ebr);
        EXPECT_STREQ(s.kind, "Extended boot record");
        std::string entry = "Partition " + std::to_string(n) + ": ";
        EXPECT_EQ(field(s, entry + "first LBA"), part(n, 1));
        EXPECT_EQ(find(field(s, entry + "size"), "^(\\d+) sectors"), part(n, 2));
        EXPECT_EQ(problems(s), "");
        std::vector<uint8_t> b = read_file_bytes(path_, ebr * 512 + 446 + 16 + 8, 4);
        ebr = extended + (b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint64_t>(b[3]) << 24);
    }
}

}  // namespace
