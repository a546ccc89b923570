#include "structures/structure_text.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

StructureField* add_field(SectorStructure* out, uint32_t offset, uint32_t size, const char* name, const char* format,
                          ...) {
    if (out->field_count >= STRUCTURE_MAX_FIELDS) return nullptr;
    StructureField* field = &out->fields[out->field_count++];
    memset(field, 0, sizeof *field);
    field->offset = offset;
    field->size = size;
    snprintf(field->name, sizeof field->name, "%s", name);
    va_list args;
    va_start(args, format);
    vsnprintf(field->value, sizeof field->value, format, args);
    va_end(args);
    return field;
}

void add_problem(SectorStructure* out, const char* format, ...) {
    if (out->problem_count >= STRUCTURE_MAX_PROBLEMS) return;
    va_list args;
    va_start(args, format);
    vsnprintf(out->problems[out->problem_count++], sizeof out->problems[0], format, args);
    va_end(args);
}

void set_kind(SectorStructure* out, const char* kind) { snprintf(out->kind, sizeof out->kind, "%s", kind); }

void add_boot_signature(const uint8_t* bytes, SectorStructure* out) {
    add_field(out, 510, 2, "Boot signature", "%02X %02X", bytes[510], bytes[511]);
    if (bytes[510] != 0x55 || bytes[511] != 0xAA)
        add_problem(out, "The boot signature 55 AA is missing (%02X %02X at offset 510)", bytes[510], bytes[511]);
}

bool add_problem_if_past_disk(const DiskView* disk, uint64_t volume_sectors, uint64_t said, SectorStructure* out) {
    if (!disk->logical_sectors || disk->lba + volume_sectors <= disk->logical_sectors) return false;
    add_problem(out, "The file system's %llu sectors run past the end of the disk (%llu sectors from here)",
                (unsigned long long)said,
                (unsigned long long)(disk->logical_sectors > disk->lba ? disk->logical_sectors - disk->lba : 0));
    return true;
}

uint16_t le16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) { return (uint32_t)le16(p) | (uint32_t)le16(p + 2) << 16; }
uint64_t le64(const uint8_t* p) { return (uint64_t)le32(p) | (uint64_t)le32(p + 4) << 32; }

void format_guid(const uint8_t* g, char* out, size_t size) {
    snprintf(out, size, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", le32(g), le16(g + 4), le16(g + 6), g[8],
             g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
}

void format_sectors(uint64_t count, uint32_t sector_size, char* out, size_t size) {
    double bytes = (double)count * sector_size;
    const char* units[] = {"bytes", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 6) bytes /= 1024, ++unit;
    snprintf(out, size, "%llu sectors (%.1f %s)", (unsigned long long)count, bytes, units[unit]);
}
