// FAT12, FAT16 and FAT32 boot sectors made by mkfs.fat, each field against
// fsck.fat's own report of the volume; FAT32's FSInfo; a damaged backup
// boot sector and a volume larger than its disk; exFAT's boot sector made
// by mkfs.exfat against dump.exfat, and its boot region's checksum; the
// entries of directories mtools wrote, against mdir and mshowfat.
#include <fstream>
#include <string>

#include "decoded_image.h"

using namespace testing_support;

namespace {

// A FAT volume made by mkfs.fat and fsck.fat's report of it.
class FatBootSector : public DecodedImage {
protected:
    std::string make_fat(int bits, uint64_t mib) {
        return make("mkfs.fat -F " + std::to_string(bits) + " -n VOL" + std::to_string(bits), "fsck.fat -n -v", mib);
    }
};

TEST_F(FatBootSector, EveryFieldAsFsckFatReportsIt) {
    for (int bits : {12, 16, 32}) {
        SCOPED_TRACE("FAT" + std::to_string(bits));
        std::string r = make_fat(bits, bits == 32 ? 64 : 16);
        SectorStructure s = decode(0);
        EXPECT_EQ(std::string(s.kind), "FAT" + std::to_string(bits) + " boot sector");
        EXPECT_EQ(find(r, "(\\d+) bit entries"), std::to_string(bits));
        EXPECT_EQ(field(s, "OEM name"), "\"" + find(r, "System ID \"([^\"]*)\"") + "\"");
        EXPECT_EQ(field(s, "Media descriptor"), find(r, "Media byte (0x[0-9a-f]+)"));
        EXPECT_EQ(field(s, "Bytes per sector"), find(r, "(\\d+) bytes per logical sector"));
        EXPECT_EQ(find(field(s, "Sectors per cluster"), "\\((\\d+) bytes per cluster"), find(r, "(\\d+) bytes per cluster"));
        EXPECT_EQ(find(field(s, "Reserved sectors"), "^(\\d+)"), find(r, "(\\d+) reserved sectors"));
        EXPECT_EQ(field(s, "Number of FATs"), find(r, "(\\d+) FATs"));
        EXPECT_EQ(field(s, "Sectors per FAT"), find(r, "= (\\d+) sectors\\)"));
        EXPECT_EQ(find(field(s, "Data clusters"), "^(\\d+)"), find(r, "(\\d+) data clusters"));
        EXPECT_EQ(field(s, "Sectors per track"), find(r, "(\\d+) sectors/track"));
        EXPECT_EQ(field(s, "Heads"), find(r, "(\\d+) heads"));
        EXPECT_EQ(field(s, "Hidden sectors"), find(r, "(\\d+) hidden sectors"));
        EXPECT_EQ(field(s, "Total sectors"), find(r, "(\\d+) sectors total"));
        EXPECT_EQ(field(s, "Volume label"), "\"VOL" + std::to_string(bits) + std::string(11 - 3 - (bits > 9 ? 2 : 1), ' ') + "\"");
        if (bits != 32) {
            EXPECT_EQ(field(s, "Root directory entries"), find(r, "(\\d+) root directory entries"));
        } else {
            // The FSInfo sector the boot sector names: its free count is
            // fsck.fat's clusters less those in use.
            std::string at = field(s, "FSInfo sector");
            SectorStructure info = decode(std::stoull(at));
            EXPECT_STREQ(info.kind, "FAT32 FSInfo sector");
            uint64_t used = std::stoull(find(r, "(\\d+)/(\\d+) clusters", 1)),
                     all = std::stoull(find(r, "(\\d+)/(\\d+) clusters", 2));
            EXPECT_EQ(field(info, "Free clusters"), std::to_string(all - used));
            EXPECT_EQ(problems(info), "");
        }
        EXPECT_EQ(problems(s), "");
    }
}

TEST_F(FatBootSector, ADamagedBackupAndAVolumeLargerThanItsDisk) {
    make_fat(32, 64);
    std::string backup = field(decode(0), "Backup boot sector");
    write_file_bytes(path_, std::stoull(backup) * 512 + 71, {'X'});
    EXPECT_NE(problems(decode(0)).find("The backup boot sector (sector 6 of the volume) differs from this one"),
              std::string::npos);
    make_fat(16, 16);
    sectors_ = 30000;  // the disk holds less than the volume's 32768 sectors
    EXPECT_NE(problems(decode(0)).find("The file system's 32768 sectors run past the end of the disk (30000 sectors"),
              std::string::npos) << problems(decode(0));
}

// Directories mtools wrote: every entry of the root against mdir's
// listing, clusters against mshowfat, the subdirectory reached by Go To;
// a long name whose checksum no longer fits; sectors that are no directory.
TEST_F(FatBootSector, DirectoryEntriesAsMdirListsThem) {
    const std::string long_name = "A long file name with more than twenty six characters.txt";
    for (int bits : {16, 32}) {
        SCOPED_TRACE("FAT" + std::to_string(bits));
        make_fat(bits, bits == 32 ? 64 : 16);
        for (const std::string& name : {std::string("SHORT.TXT"), long_name})
            std::ofstream(image(name)) << name.substr(2);  // text, not entries
        std::string out, i = "-i '" + path_ + "' ";
        ASSERT_EQ(run_command("mmd " + i + "'::/Sub Directory' && mcopy " + i + "'" + image("SHORT.TXT") + "' '" +
                                  image(long_name) + "' :: && mcopy " + i + "'" + image("SHORT.TXT") +
                                  "' '::/Sub Directory/' 2>&1",
                              &out),
                  0)
            << out;
        SectorStructure boot = decode(0);
        uint64_t root = target(boot, bits == 32 ? "Root directory cluster" : "Root directory");
        ASSERT_NE(root, UINT64_MAX);
        SectorStructure dir = decode(root);
        EXPECT_STREQ(dir.kind, bits == 32 ? "FAT directory" : "FAT root directory");
        EXPECT_EQ(problems(dir), "");
        // The slot whose short name is this one.
        auto slot_of = [&](const std::string& short_name) {
            for (int slot = 0; slot < 16; ++slot) {
                std::string at = "Entry " + std::to_string(slot) + ": ";
                if (field(dir, at + "short name") == short_name ||
                    (field(dir, at + "name") == short_name && field(dir, at + "short name").rfind("(no", 0) == 0))
                    return at;
            }
            return std::string("(no entry " + short_name + ") ");
        };
        run_command("mdir -a " + i + "::", &out);
        std::regex line("(\\S{1,8}) +(\\S{0,3}) +(<DIR>|\\d+) +\\d{4}-\\d\\d-\\d\\d +\\d+:\\d\\d *(.*)");
        int listed = 0;
        for (std::sregex_iterator m(out.begin(), out.end(), line), end; m != end; ++m, ++listed) {
            std::string short_name = (*m)[1].str() + ((*m)[2].length() ? "." + (*m)[2].str() : "");
            SCOPED_TRACE(short_name);
            std::string at = slot_of(short_name);
            EXPECT_EQ(field(dir, at + "name"), (*m)[4].length() ? (*m)[4].str() : short_name);
            if ((*m)[3] == "<DIR>") {
                EXPECT_NE(field(dir, at + "attributes").find("directory"), std::string::npos);
            } else {
                EXPECT_EQ(field(dir, at + "size"), (*m)[3].str() + " bytes");
            }
        }
        EXPECT_EQ(listed, 3) << out;
        run_command("mshowfat " + i + "'::/Sub Directory' ::/SHORT.TXT", &out);
        std::string sub = slot_of("SUBDIR~1");
        EXPECT_EQ(find(field(dir, sub + "first cluster"), "^(\\d+)"), find(out, "Directory <(\\d+)"));
        EXPECT_EQ(find(field(dir, slot_of("SHORT.TXT") + "first cluster"), "^(\\d+)"), find(out, "SHORT.TXT <(\\d+)"));
        SectorStructure inside = decode(target(dir, sub + "first cluster"));
        EXPECT_STREQ(inside.kind, "FAT directory");
        EXPECT_EQ(field(inside, "Entry 0: name") + field(inside, "Entry 1: name") + field(inside, "Entry 2: name"),
                  "...SHORT.TXT");
        EXPECT_EQ(field(inside, "Entry 0: first cluster"), field(dir, sub + "first cluster"));
        // Not directories: a file's data, a FAT, a blank sector.
        std::string file = slot_of("ALONGF~1.TXT");
        for (uint64_t lba : {target(dir, file + "first cluster"), target(boot, "Reserved sectors"), sectors_ - 1})
            EXPECT_STREQ(decode(lba).kind, "") << lba;
        // The long name's checksum (byte 13 of each of its parts, which
        // stand before the short entry) changed: first in one part, then in all.
        uint64_t short_entry = root * 512 + std::stoull(file.substr(6)) * 32;
        for (uint64_t part = short_entry - 32; read_file_bytes(path_, part + 11, 1)[0] == 0x0F; part -= 32) {
            put(part + 13, {uint8_t(read_file_bytes(path_, part + 13, 1)[0] ^ 1)});
            std::string seen = problems(decode(root));
            bool all = read_file_bytes(path_, part - 32 + 11, 1)[0] != 0x0F;
            EXPECT_NE(seen.find(all ? "The long name of entry " + file.substr(6, file.size() - 8) + " belongs to another"
                                    : "disagree on its checksum"),
                      std::string::npos)
                << seen;
        }
        // An end mark (a first byte of 00) before SHORT.TXT: it and what
        // follows are no longer entries.
        put(root * 512 + std::stoull(slot_of("SHORT.TXT").substr(6)) * 32, {0});
        EXPECT_EQ(field(decode(root), file + "size").rfind("(no field", 0), 0u);
    }
}

TEST_F(FatBootSector, ExfatBootSectorAsDumpExfatReportsItAndItsBootRegionChecksum) {
    std::string r = make("mkfs.exfat -L EXVOL", "dump.exfat", 32);
    SectorStructure s = decode(0);
    EXPECT_STREQ(s.kind, "exFAT boot sector");
    EXPECT_EQ(find(field(s, "Volume length"), "^(\\d+) sectors"), find(r, "Volume Length\\(sectors\\):\\s+(\\d+)"));
    EXPECT_EQ(field(s, "FAT offset"), find(r, "FAT Offset\\(sector offset\\):\\s+(\\d+)"));
    EXPECT_EQ(field(s, "FAT length"), find(r, "FAT Length\\(sectors\\):\\s+(\\d+)"));
    EXPECT_EQ(field(s, "Cluster heap offset"), find(r, "Cluster Heap Offset \\(sector offset\\):\\s+(\\d+)"));
    EXPECT_EQ(field(s, "Cluster count"), find(r, "Cluster Count:\\s+(\\d+)"));
    EXPECT_EQ(field(s, "Root directory cluster"), find(r, "Root Cluster \\(cluster offset\\):\\s+(\\d+)"));
    EXPECT_EQ(field(s, "Volume serial number"), find(r, "Volume Serial:\\s+(0x[0-9a-f]+)"));
    EXPECT_EQ(find(field(s, "Bytes per sector"), "shift (\\d+)"), find(r, "Sector Size Bits:\\s+(\\d+)"));
    EXPECT_EQ(find(field(s, "Sectors per cluster"), "shift (\\d+)"), find(r, "Sector per Cluster bits:\\s+(\\d+)"));
    EXPECT_EQ(problems(s), "");
    // The percent in use is left out of the checksum; a byte of an
    // extended boot sector is not.
    put(112, {42});
    EXPECT_EQ(problems(decode(0)), "");
    put(512 + 100, {0x33});
    EXPECT_EQ(problems(decode(0)).rfind("The boot region's checksum is ", 0), 0u) << problems(decode(0));
}

}  // namespace
