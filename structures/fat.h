// FAT file systems: the boot sector's parameter block, and FAT32's
// FSInfo sector.
#pragma once

#include "structures/sector_structure.h"

struct FatGeometry {
    uint32_t bytes_per_sector, sectors_per_cluster, reserved, fats, root_entries, fat_size;
    uint64_t total, data_start, clusters;
    unsigned bits;  // 12, 16 or 32, by the count of clusters
};

// False when the bytes are no FAT boot sector (no jump, or a parameter
// block no FAT has).
bool read_fat_geometry(const uint8_t* bytes, FatGeometry* geometry);
// The first sector of a data cluster of the volume whose boot sector is at
// volume_start; false for a cluster the volume does not have.
bool fat_cluster_sector(const FatGeometry& geometry, uint64_t volume_start, uint32_t cluster, uint64_t* lba);
bool decode_fat_boot(const uint8_t* bytes, const DiskView* disk, SectorStructure* out);
bool decode_fsinfo(const uint8_t* bytes, SectorStructure* out);
