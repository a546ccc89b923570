#include <string.h>

#include "structures/exfat.h"
#include "structures/fat.h"
#include "structures/fat_directory.h"
#include "structures/gpt.h"
#include "structures/mbr.h"
#include "structures/ntfs_ext.h"
#include "structures/sector_structure.h"
#include "structures/structure_text.h"

// A volume boot sector starts with a jump; an MBR's code does not.
static bool looks_like_boot_sector(const uint8_t* bytes) {
    return (bytes[0] == 0xEB && bytes[2] == 0x90) || bytes[0] == 0xE9;
}

// Sector 0 with a boot signature or an entry in its table (a table whose
// signature was lost is still one; a blank sector is none).
static bool looks_like_mbr(const uint8_t* bytes) {
    if (looks_like_boot_sector(bytes)) return false;
    if (has_boot_signature(bytes)) return true;
    for (int i = 0; i < 4; ++i)
        if (bytes[446 + 16 * i + 4] != 0) return true;
    return false;
}

// The GPT header at LBA 1, or its copy at the disk's end when LBA 1's is
// lost; buffer holds a logical sector.
static bool read_either_gpt_header(const DiskView* disk, uint8_t* buffer, GptHeader* header) {
    if (disk->read(disk->context, 1, 1, buffer) && read_gpt_header(buffer, header)) return true;
    return disk->logical_sectors > disk->lba + 1 && disk->read(disk->context, disk->logical_sectors - 1, 1, buffer) &&
           read_gpt_header(buffer, header);
}

void decode_sector(const uint8_t* bytes, const DiskView* disk, SectorStructure* out) {
    memset(out, 0, sizeof *out);
    if (decode_gpt_header(bytes, disk, out)) return;
    if (decode_ntfs_boot(bytes, disk, out)) return;
    if (decode_exfat_boot(bytes, disk, out)) return;
    if (decode_fat_boot(bytes, disk, out)) return;
    memset(out, 0, sizeof *out);
    if (decode_ext_superblock(bytes, disk, out)) return;
    memset(out, 0, sizeof *out);
    if (disk->part_offset == 0 && decode_fsinfo(bytes, out)) return;
    if (looks_like_mbr(bytes) && decode_mbr(bytes, disk, out)) return;
    // An entry array a GPT header places (or its copy), or an EBR of the chain.
    if (disk->read && disk->logical_size <= 4096) {
        uint8_t first[4096];
        GptHeader header;
        if (disk->lba > 1 && read_either_gpt_header(disk, first, &header)) {
            if (decode_gpt_entries(bytes, disk, header, out)) return;
            // The copy of the array, placed by the copy of the header.
            GptHeader backup;
            if (header.backup_lba > disk->lba && disk->read(disk->context, header.backup_lba, 1, first) &&
                read_gpt_header(first, &backup) && backup.current_lba == header.backup_lba &&
                decode_gpt_entries(bytes, disk, backup, out))
                return;
        }
        MbrChain chain;
        if (disk->part_offset == 0 && find_in_mbr_chain(disk, disk->lba, &chain)) {
            decode_partition_table(bytes, disk, chain, out);
            return;
        }
    }
    memset(out, 0, sizeof *out);
    if (decode_fat_directory(bytes, disk, out)) return;
    memset(out, 0, sizeof *out);
}
