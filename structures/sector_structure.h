// What a sector of the disk is, decoded: its fields as a person reads them
// and the problems found in it. Pure functions of bytes: no window, no
// disk of their own (what else they need of the disk is read through the
// view given), so they are tested and fuzzed alone.
#pragma once

#include <stdint.h>

constexpr int STRUCTURE_MAX_FIELDS = 96;
constexpr int STRUCTURE_MAX_PROBLEMS = 12;

struct StructureField {
    uint32_t offset;  // in the 512 bytes shown
    uint32_t size;
    char name[40];
    char value[112];
    bool names_sector;    // Go To can go there
    uint64_t target_lba;  // in the disk's logical sectors
};

struct SectorStructure {
    char kind[64];  // "" when the sector is none of those known
    int field_count;
    StructureField fields[STRUCTURE_MAX_FIELDS];
    int problem_count;
    char problems[STRUCTURE_MAX_PROBLEMS][160];
};

// What the decoders may know of the disk. The bytes decoded are 512 of
// them: the start of logical sector lba, or a later part of it on a disk of
// larger logical sectors (part_offset). read, when there is one, reads
// whole logical sectors (the backup GPT header, the entry array).
struct DiskView {
    uint64_t logical_sectors;  // 0: the size is not known
    uint32_t logical_size;     // 512 or 4096
    uint64_t lba;
    uint32_t part_offset;  // where the 512 bytes stand in the logical sector
    bool (*read)(void* context, uint64_t lba, uint32_t count, uint8_t* out);
    void* context;
};

// Decodes 512 bytes as what they are.
void decode_sector(const uint8_t* bytes, const DiskView* disk, SectorStructure* out);
