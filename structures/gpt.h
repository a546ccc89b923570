// GPT: the header's fields, and decoding the header and the sectors of the
// partition entry array.
#pragma once

#include "structures/sector_structure.h"

struct GptHeader {
    uint32_t revision, size, crc;
    uint64_t current_lba, backup_lba, first_usable, last_usable;
    uint8_t disk_guid[16];
    uint64_t array_lba;
    uint32_t entries, entry_size, array_crc;
};

// False when the bytes do not start with "EFI PART".
bool read_gpt_header(const uint8_t* bytes, GptHeader* header);
bool decode_gpt_header(const uint8_t* bytes, const DiskView* disk, SectorStructure* out);
// Over the header's own size, with its CRC field as zero.
uint32_t gpt_header_crc(const uint8_t* header);
// The CRC32 of the entry array as read through the view; *read false when
// it could not be read.
uint32_t gpt_array_crc(const DiskView* disk, const GptHeader& header, bool* read);
// The entries of the array that lie in these 512 bytes, by the header
// that places the array; false when they hold none.
bool decode_gpt_entries(const uint8_t* bytes, const DiskView* disk, const GptHeader& header, SectorStructure* out);
