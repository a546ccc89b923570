// exFAT: the boot sector of the main boot region.
#pragma once

#include "structures/sector_structure.h"

bool decode_exfat_boot(const uint8_t* bytes, const DiskView* disk, SectorStructure* out);
