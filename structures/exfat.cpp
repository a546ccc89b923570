// The exFAT boot sector, with the boot region's checksum.
#include <stdlib.h>
#include <string.h>

#include "structures/exfat.h"
#include "structures/structure_text.h"

namespace {

// The checksum of the boot region's first eleven sectors, leaving out the
// boot sector's volume flags and percent in use (they change while the
// volume is used).
uint32_t boot_checksum(const uint8_t* region, uint32_t sector_size) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i < 11 * sector_size; ++i) {
        if (i == 106 || i == 107 || i == 112) continue;
        sum = ((sum & 1) ? 0x80000000u : 0) + (sum >> 1) + region[i];
    }
    return sum;
}

}  // namespace

bool decode_exfat_boot(const uint8_t* b, const DiskView* disk, SectorStructure* out) {
    if (disk->part_offset != 0 || memcmp(b + 3, "EXFAT   ", 8) != 0) return false;
    set_kind(out, "exFAT boot sector");
    uint32_t sector_shift = b[108], cluster_shift = b[109];
    uint64_t length = le64(b + 72);
    uint32_t sector_size = sector_shift >= 9 && sector_shift <= 12 ? 1u << sector_shift : 0;
    add_field(out, 3, 8, "File system name", "\"EXFAT   \"");
    add_field(out, 64, 8, "Partition offset", "%llu", (unsigned long long)le64(b + 64));
    char size[64];
    format_sectors(length, sector_size ? sector_size : 512, size, sizeof size);
    add_field(out, 72, 8, "Volume length", "%s", size);
    StructureField* f = add_field(out, 80, 4, "FAT offset", "%u", le32(b + 80));
    if (f) f->names_sector = true, f->target_lba = disk->lba + le32(b + 80);
    add_field(out, 84, 4, "FAT length", "%u", le32(b + 84));
    f = add_field(out, 88, 4, "Cluster heap offset", "%u", le32(b + 88));
    if (f) f->names_sector = true, f->target_lba = disk->lba + le32(b + 88);
    add_field(out, 92, 4, "Cluster count", "%u", le32(b + 92));
    add_field(out, 96, 4, "Root directory cluster", "%u", le32(b + 96));
    add_field(out, 100, 4, "Volume serial number", "0x%08x", le32(b + 100));
    add_field(out, 104, 2, "Revision", "%u.%02u", b[105], b[104]);
    add_field(out, 106, 2, "Volume flags", "%04X", le16(b + 106));
    add_field(out, 108, 1, "Bytes per sector", "%u (shift %u)", sector_size, sector_shift);
    add_field(out, 109, 1, "Sectors per cluster", "%u (shift %u)", cluster_shift < 26 ? 1u << cluster_shift : 0,
              cluster_shift);
    add_field(out, 110, 1, "Number of FATs", "%u", b[110]);
    add_field(out, 112, 1, "Percent in use", "%u", b[112]);
    add_boot_signature(b, out);
    if (sector_size != disk->logical_size)
        add_problem(out, "Sector size shift %u, but the disk's sectors have %u bytes", sector_shift, disk->logical_size);
    add_problem_if_past_disk(disk, length, length, out);
    // The checksum sector (11) holds the region's checksum, repeated.
    if (disk->read && sector_size == disk->logical_size && sector_size <= 4096) {
        uint8_t* region = (uint8_t*)malloc(12 * (size_t)sector_size);
        if (region && disk->read(disk->context, disk->lba, 12, region)) {
            uint32_t sum = boot_checksum(region, sector_size), stored = le32(region + 11 * sector_size);
            add_field(out, 0, 0, "Boot region checksum", "%08X (computed: %08X)", stored, sum);
            if (stored != sum)
                add_problem(out, "The boot region's checksum is %08X; its sectors give %08X", stored, sum);
        }
        free(region);
    }
    return true;
}
