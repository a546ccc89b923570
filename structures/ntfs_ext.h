// The NTFS boot sector, and the first half of an ext2/3/4 superblock.
#pragma once

#include "structures/sector_structure.h"

bool decode_ntfs_boot(const uint8_t* bytes, const DiskView* disk, SectorStructure* out);
bool decode_ext_superblock(const uint8_t* bytes, const DiskView* disk, SectorStructure* out);
