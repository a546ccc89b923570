// MBR partition tables: the master boot record and the extended boot
// records chained through an extended partition.
#pragma once

#include "structures/sector_structure.h"

// Where a partition table stands: the MBR, or an EBR of the chain (its
// entries count from the extended partition's start).
struct MbrChain {
    bool ebr;
    uint64_t extended_start;
    int first_number;  // of the logical partition the EBR holds: 5, 6, ...
};

bool has_boot_signature(const uint8_t* bytes);
// Sector 0's table.
bool decode_mbr(const uint8_t* bytes, const DiskView* disk, SectorStructure* out);
void decode_partition_table(const uint8_t* bytes, const DiskView* disk, const MbrChain& chain, SectorStructure* out);
// Whether lba is an EBR of the chain that LBA 0's extended partition starts.
bool find_in_mbr_chain(const DiskView* disk, uint64_t lba, MbrChain* chain);
