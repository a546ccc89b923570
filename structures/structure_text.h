// Adding fields and problems to a decoded structure, printf-style; what
// does not fit is cut, never written past.
#pragma once

#include <stddef.h>

#include "structures/sector_structure.h"

StructureField* add_field(SectorStructure* out, uint32_t offset, uint32_t size, const char* name, const char* format,
                          ...) __attribute__((format(printf, 5, 6)));
void add_problem(SectorStructure* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void set_kind(SectorStructure* out, const char* kind);

// The boot signature at offset 510 as a field, and a problem when it is
// not 55 AA.
void add_boot_signature(const uint8_t* bytes, SectorStructure* out);
// A problem when a volume of volume_sectors logical sectors from the
// view's LBA runs past the end of the disk; said is the count the volume
// gives. True when it does.
bool add_problem_if_past_disk(const DiskView* disk, uint64_t volume_sectors, uint64_t said, SectorStructure* out);

// Little-endian values at an offset.
uint16_t le16(const uint8_t* p);
uint32_t le32(const uint8_t* p);
uint64_t le64(const uint8_t* p);

// A GUID as Windows writes it: the first three parts little-endian.
void format_guid(const uint8_t* bytes, char* out, size_t size);
// A size in sectors as a person reads it: "20480 sectors (10.0 MiB)".
void format_sectors(uint64_t count, uint32_t sector_size, char* out, size_t size);
