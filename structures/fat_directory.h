// A sector of a FAT directory: its 32-byte entries, long names joined to
// the short entries they belong to.
#pragma once

#include "structures/sector_structure.h"

// False when the bytes are not entries of a directory (an entry no FAT
// writes, or none in use).
bool decode_fat_directory(const uint8_t* bytes, const DiskView* disk, SectorStructure* out);
