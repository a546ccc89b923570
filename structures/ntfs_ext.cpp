#include <stdio.h>
#include <string.h>

#include "structures/ntfs_ext.h"
#include "structures/structure_text.h"

namespace {

// NTFS keeps a size as clusters (a positive byte) or as 2 to the power of
// minus the byte, in bytes.
uint64_t ntfs_size(int8_t value, uint64_t cluster) { return value > 0 ? value * cluster : 1ull << (-value & 63); }

}  // namespace

bool decode_ntfs_boot(const uint8_t* b, const DiskView* disk, SectorStructure* out) {
    if (disk->part_offset != 0 || memcmp(b + 3, "NTFS    ", 8) != 0) return false;
    set_kind(out, "NTFS boot sector");
    uint32_t bps = le16(b + 11);
    uint64_t spc = b[13] <= 0x80 ? b[13] : 1ull << ((256 - b[13]) & 63);
    uint64_t cluster = bps * spc, total = le64(b + 40), mft = le64(b + 48), mirror = le64(b + 56);
    uint64_t per_lba = bps >= disk->logical_size && disk->logical_size ? bps / disk->logical_size : 1;
    add_field(out, 3, 8, "OEM name", "\"NTFS    \"");
    add_field(out, 11, 2, "Bytes per sector", "%u", bps);
    add_field(out, 13, 1, "Sectors per cluster", "%llu (%llu bytes per cluster)", (unsigned long long)spc,
              (unsigned long long)cluster);
    add_field(out, 21, 1, "Media descriptor", "0x%02x", b[21]);
    add_field(out, 24, 2, "Sectors per track", "%u", le16(b + 24));
    add_field(out, 26, 2, "Heads", "%u", le16(b + 26));
    add_field(out, 28, 4, "Hidden sectors", "%u", le32(b + 28));
    char size[64];
    format_sectors(total, bps, size, sizeof size);
    add_field(out, 40, 8, "Total sectors", "%llu (%s; %llu clusters)", (unsigned long long)total, size,
              spc ? (unsigned long long)(total / spc) : 0ull);
    StructureField* f = add_field(out, 48, 8, "$MFT cluster", "%llu", (unsigned long long)mft);
    if (f) f->names_sector = true, f->target_lba = disk->lba + mft * spc * per_lba;
    f = add_field(out, 56, 8, "$MFTMirr cluster", "%llu", (unsigned long long)mirror);
    if (f) f->names_sector = true, f->target_lba = disk->lba + mirror * spc * per_lba;
    add_field(out, 64, 1, "MFT record size", "%llu bytes", (unsigned long long)ntfs_size((int8_t)b[64], cluster));
    add_field(out, 68, 1, "Index block size", "%llu bytes", (unsigned long long)ntfs_size((int8_t)b[68], cluster));
    add_field(out, 72, 8, "Volume serial number", "%016llX", (unsigned long long)le64(b + 72));
    // The volume's last sector, past the count it gives, holds the copy of this one.
    uint64_t backup = disk->lba + total * per_lba;
    f = add_field(out, 40, 8, "Backup boot sector", "%llu sectors on", (unsigned long long)total);
    if (f) f->names_sector = true, f->target_lba = backup;
    add_boot_signature(b, out);
    if (bps != disk->logical_size)
        add_problem(out, "%u bytes per sector, but the disk's sectors have %u", bps, disk->logical_size);
    if (!add_problem_if_past_disk(disk, total * per_lba + 1, total, out) && disk->read && disk->logical_size <= 4096 &&
        total != 0) {
        uint8_t copy[4096];
        if (!disk->read(disk->context, backup, 1, copy)) {
            add_problem(out, "The backup boot sector (LBA %llu) cannot be read", (unsigned long long)backup);
        } else if (memcmp(copy, b, 512) != 0) {
            add_problem(out, "The backup boot sector (LBA %llu) differs from this one", (unsigned long long)backup);
        }
    }
    return true;
}

bool decode_ext_superblock(const uint8_t* b, const DiskView* disk, SectorStructure* out) {
    uint32_t log_block = le32(b + 24);
    if (le16(b + 56) != 0xEF53 || log_block > 6 || le32(b) == 0 || le32(b + 4) == 0 || le32(b + 32) == 0) return false;
    set_kind(out, "ext2/3/4 superblock");
    uint32_t block = 1024u << log_block;
    add_field(out, 0, 4, "Inode count", "%u", le32(b));
    add_field(out, 4, 4, "Block count", "%u", le32(b + 4));
    add_field(out, 8, 4, "Reserved block count", "%u", le32(b + 8));
    add_field(out, 12, 4, "Free blocks", "%u", le32(b + 12));
    add_field(out, 16, 4, "Free inodes", "%u", le32(b + 16));
    add_field(out, 20, 4, "First block", "%u", le32(b + 20));
    add_field(out, 24, 4, "Block size", "%u", block);
    add_field(out, 32, 4, "Blocks per group", "%u", le32(b + 32));
    add_field(out, 40, 4, "Inodes per group", "%u", le32(b + 40));
    add_field(out, 56, 2, "Magic", "0xEF53");
    uint16_t state = le16(b + 58);
    add_field(out, 58, 2, "State", "%s", state & 1 ? (state & 2 ? "clean, with errors" : "clean") : "not clean");
    add_field(out, 76, 4, "Revision", "%u", le32(b + 76));
    if (le32(b + 76) >= 1) add_field(out, 88, 2, "Inode size", "%u", le16(b + 88));
    add_field(out, 92, 4, "Compatible features", "%08X", le32(b + 92));
    add_field(out, 96, 4, "Incompatible features", "%08X", le32(b + 96));
    add_field(out, 100, 4, "Read-only compatible features", "%08X", le32(b + 100));
    // The UUID as ext tools write it: big-endian, lower case.
    const uint8_t* u = b + 104;
    add_field(out, 104, 16, "UUID", "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", u[0], u[1],
              u[2], u[3], u[4], u[5], u[6], u[7], u[8], u[9], u[10], u[11], u[12], u[13], u[14], u[15]);
    char name[17];
    memcpy(name, b + 120, 16);
    name[16] = '\0';
    for (char& c : name)
        if (c && (c < 0x20 || c > 0x7E)) c = '?';
    add_field(out, 120, 16, "Volume name", "%s", name[0] ? name : "<none>");
    // The superblock stands 1024 bytes into the volume.
    uint64_t volume_bytes = (uint64_t)le32(b + 4) * block;
    uint64_t here = disk->lba * disk->logical_size + disk->part_offset;
    if (disk->logical_sectors && here >= 1024 &&
        here - 1024 + volume_bytes > disk->logical_sectors * (uint64_t)disk->logical_size)
        add_problem(out, "The file system's %u blocks of %u bytes run past the end of the disk", le32(b + 4), block);
    if (le32(b + 12) > le32(b + 4)) add_problem(out, "More free blocks (%u) than blocks (%u)", le32(b + 12), le32(b + 4));
    return true;
}
