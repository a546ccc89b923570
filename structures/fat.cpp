// FAT12, FAT16 and FAT32 boot sectors, and FAT32's FSInfo sector.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "structures/fat.h"
#include "structures/structure_text.h"

namespace {

bool power_of_two(uint32_t n) { return n != 0 && (n & (n - 1)) == 0; }

void text_field(SectorStructure* out, uint32_t offset, uint32_t size, const char* name, const uint8_t* bytes) {
    char text[16];
    uint32_t n = size < sizeof text - 1 ? size : sizeof text - 1;
    for (uint32_t i = 0; i < n; ++i) text[i] = bytes[i] >= 0x20 && bytes[i] < 0x7F ? (char)bytes[i] : '?';
    text[n] = '\0';
    add_field(out, offset, size, name, "\"%s\"", text);
}

StructureField* sector_field(SectorStructure* out, uint32_t offset, uint32_t size, const char* name, uint64_t lba,
                             const char* format, unsigned long long value) {
    StructureField* f = add_field(out, offset, size, name, format, value);
    if (f) f->names_sector = true, f->target_lba = lba;
    return f;
}

}  // namespace

bool read_fat_geometry(const uint8_t* b, FatGeometry* g) {
    if (!((b[0] == 0xEB && b[2] == 0x90) || b[0] == 0xE9)) return false;
    g->bytes_per_sector = le16(b + 11);
    g->sectors_per_cluster = b[13];
    g->reserved = le16(b + 14);
    g->fats = b[16];
    g->root_entries = le16(b + 17);
    g->total = le16(b + 19) ? le16(b + 19) : le32(b + 32);
    g->fat_size = le16(b + 22) ? le16(b + 22) : le32(b + 36);
    if (g->bytes_per_sector < 512 || g->bytes_per_sector > 4096 || !power_of_two(g->bytes_per_sector) ||
        !power_of_two(g->sectors_per_cluster) || g->reserved == 0 || g->fats == 0 || g->fats > 4 || g->fat_size == 0 ||
        g->total == 0)
        return false;
    uint64_t root_sectors = ((uint64_t)g->root_entries * 32 + g->bytes_per_sector - 1) / g->bytes_per_sector;
    g->data_start = g->reserved + (uint64_t)g->fats * g->fat_size + root_sectors;
    g->clusters = g->total > g->data_start ? (g->total - g->data_start) / g->sectors_per_cluster : 0;
    // The type is the cluster count's, whatever the label says.
    g->bits = g->clusters < 4085 ? 12 : g->clusters < 65525 ? 16 : 32;
    return true;
}

bool fat_cluster_sector(const FatGeometry& g, uint64_t volume_start, uint32_t cluster, uint64_t* lba) {
    if (cluster < 2 || cluster - 2 >= g.clusters) return false;
    *lba = volume_start + g.data_start + (uint64_t)(cluster - 2) * g.sectors_per_cluster;
    return true;
}

bool decode_fat_boot(const uint8_t* b, const DiskView* disk, SectorStructure* out) {
    FatGeometry g;
    if (disk->part_offset != 0 || !read_fat_geometry(b, &g)) return false;
    char kind[32];
    snprintf(kind, sizeof kind, "FAT%u boot sector", g.bits);
    set_kind(out, kind);
    text_field(out, 3, 8, "OEM name", b + 3);
    add_field(out, 11, 2, "Bytes per sector", "%u", g.bytes_per_sector);
    add_field(out, 13, 1, "Sectors per cluster", "%u (%u bytes per cluster)", g.sectors_per_cluster,
              g.sectors_per_cluster * g.bytes_per_sector);
    sector_field(out, 14, 2, "Reserved sectors", disk->lba + g.reserved, "%llu (the first FAT follows)", g.reserved);
    add_field(out, 16, 1, "Number of FATs", "%u", g.fats);
    if (g.bits != 32) add_field(out, 17, 2, "Root directory entries", "%u", g.root_entries);
    add_field(out, le16(b + 19) ? 19 : 32, le16(b + 19) ? 2 : 4, "Total sectors", "%llu",
              (unsigned long long)g.total);
    add_field(out, 21, 1, "Media descriptor", "0x%02x", b[21]);
    add_field(out, g.bits == 32 ? 36 : 22, g.bits == 32 ? 4 : 2, "Sectors per FAT", "%u", g.fat_size);
    add_field(out, 24, 2, "Sectors per track", "%u", le16(b + 24));
    add_field(out, 26, 2, "Heads", "%u", le16(b + 26));
    add_field(out, 28, 4, "Hidden sectors", "%u", le32(b + 28));
    char size[64];
    format_sectors(g.clusters * (uint64_t)g.sectors_per_cluster, g.bytes_per_sector, size, sizeof size);
    add_field(out, 13, 1, "Data clusters", "%llu (FAT%u; %s)", (unsigned long long)g.clusters, g.bits, size);
    uint32_t ext = 36;
    if (g.bits == 32) {
        add_field(out, 40, 2, "Flags", "%04X", le16(b + 40));
        add_field(out, 42, 2, "Version", "%u.%u", b[43], b[42]);
        uint32_t root = le32(b + 44);
        StructureField* f = add_field(out, 44, 4, "Root directory cluster", "%u", root);
        if (f) f->names_sector = fat_cluster_sector(g, disk->lba, root, &f->target_lba);
        sector_field(out, 48, 2, "FSInfo sector", disk->lba + le16(b + 48), "%llu", le16(b + 48));
        sector_field(out, 50, 2, "Backup boot sector", disk->lba + le16(b + 50), "%llu", le16(b + 50));
        ext = 64;
    } else {
        uint64_t root = disk->lba + g.reserved + (uint64_t)g.fats * g.fat_size;
        StructureField* f = add_field(out, 17, 2, "Root directory", "at sector %llu of the volume",
                                      (unsigned long long)(root - disk->lba));
        if (f) f->names_sector = true, f->target_lba = root;
    }
    add_field(out, ext, 1, "Drive number", "0x%02x", b[ext]);
    if (b[ext + 2] == 0x29) {
        add_field(out, ext + 3, 4, "Volume serial number", "%04X-%04X", le16(b + ext + 5), le16(b + ext + 3));
        text_field(out, ext + 7, 11, "Volume label", b + ext + 7);
        text_field(out, ext + 18, 8, "File system type", b + ext + 18);
    }
    add_boot_signature(b, out);

    if (g.bytes_per_sector != disk->logical_size)
        add_problem(out, "%u bytes per sector, but the disk's sectors have %u", g.bytes_per_sector, disk->logical_size);
    add_problem_if_past_disk(disk, g.total, g.total, out);
    if (g.bits == 32 && le16(b + 22) != 0) add_problem(out, "A FAT32 boot sector with a 16-bit FAT size");
    // FAT32 keeps a copy of its boot sector: it should be this one.
    uint16_t backup = g.bits == 32 ? le16(b + 50) : 0;
    if (backup != 0 && backup != 0xFFFF && backup < g.reserved && disk->read && disk->logical_size <= 4096) {
        uint8_t copy[4096];
        if (!disk->read(disk->context, disk->lba + backup, 1, copy)) {
            add_problem(out, "The backup boot sector (sector %u) cannot be read", backup);
        } else if (memcmp(copy, b, 512) != 0) {
            add_problem(out, "The backup boot sector (sector %u of the volume) differs from this one", backup);
        }
    }
    return true;
}

bool decode_fsinfo(const uint8_t* b, SectorStructure* out) {
    if (le32(b) != 0x41615252 || le32(b + 484) != 0x61417272) return false;
    set_kind(out, "FAT32 FSInfo sector");
    add_field(out, 0, 4, "Lead signature", "RRaA");
    add_field(out, 484, 4, "Structure signature", "rrAa");
    uint32_t free_count = le32(b + 488), next = le32(b + 492);
    if (free_count == 0xFFFFFFFF) {
        add_field(out, 488, 4, "Free clusters", "not known");
    } else {
        add_field(out, 488, 4, "Free clusters", "%u", free_count);
    }
    if (next == 0xFFFFFFFF) {
        add_field(out, 492, 4, "Next free cluster", "not known");
    } else {
        add_field(out, 492, 4, "Next free cluster", "%u", next);
    }
    if (le32(b + 508) == 0xAA550000) {
        add_field(out, 508, 4, "Trail signature", "00 00 55 AA");
    } else {
        add_problem(out, "The trail signature 00 00 55 AA is missing");
    }
    return true;
}
