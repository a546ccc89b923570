// The GPT header (LBA 1 and its backup at the disk's end) and the sectors
// of its partition entry array.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "structures/crc32.h"
#include "structures/gpt.h"
#include "structures/partition_types.h"
#include "structures/structure_text.h"

namespace {

constexpr uint32_t HEADER_MIN = 92;
constexpr uint32_t ENTRY_MIN = 128;
// An array larger than this is not read: no real one comes near it.
constexpr uint64_t ARRAY_MAX_BYTES = 4u << 20;

bool is_header(const uint8_t* bytes) { return memcmp(bytes, "EFI PART", 8) == 0; }

// The header's size, where its own CRC can be computed over it.
bool usable_size(uint32_t size, uint32_t logical_size) { return size >= HEADER_MIN && size <= 512 && size <= logical_size; }

// The entry array read whole, or nullptr (free() it).
uint8_t* read_array(const DiskView* disk, const GptHeader& header, uint64_t* bytes) {
    *bytes = (uint64_t)header.entries * header.entry_size;
    if (!disk->read || *bytes == 0 || *bytes > ARRAY_MAX_BYTES || header.entry_size < ENTRY_MIN) return nullptr;
    uint32_t sectors = (uint32_t)((*bytes + disk->logical_size - 1) / disk->logical_size);
    uint8_t* array = (uint8_t*)malloc((size_t)sectors * disk->logical_size);
    if (array && !disk->read(disk->context, header.array_lba, sectors, array)) {
        free(array);
        return nullptr;
    }
    return array;
}

void check_partitions(const DiskView* disk, const GptHeader& header, const uint8_t* array, SectorStructure* out) {
    uint32_t count = header.entries < 1024 ? header.entries : 1024;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = array + (size_t)i * header.entry_size;
        static const uint8_t unused[16] = {};
        if (memcmp(e, unused, 16) == 0) continue;
        uint64_t first = le64(e + 32), last = le64(e + 40);
        if (last < first) add_problem(out, "Partition %u ends (LBA %llu) before it starts (LBA %llu)", i + 1,
                                      (unsigned long long)last, (unsigned long long)first);
        if (last > header.last_usable)
            add_problem(out, "Partition %u ends at LBA %llu, past the last usable LBA %llu", i + 1,
                        (unsigned long long)last, (unsigned long long)header.last_usable);
        if (disk->logical_sectors && last >= disk->logical_sectors)
            add_problem(out, "Partition %u ends at LBA %llu, past the end of the disk (LBA %llu)", i + 1,
                        (unsigned long long)last, (unsigned long long)(disk->logical_sectors - 1));
        for (uint32_t j = 0; j < i; ++j) {
            const uint8_t* o = array + (size_t)j * header.entry_size;
            if (memcmp(o, unused, 16) == 0) continue;
            if (first <= le64(o + 40) && le64(o + 32) <= last)
                add_problem(out, "Partitions %u and %u overlap", j + 1, i + 1);
        }
    }
}

// The backup header, read from where this one says, against this one.
void check_backup(const DiskView* disk, const GptHeader& header, SectorStructure* out) {
    if (!disk->read || header.backup_lba == header.current_lba) return;
    if (disk->logical_sectors && header.backup_lba >= disk->logical_sectors) return;  // said already
    uint8_t* other = (uint8_t*)malloc(disk->logical_size);
    if (!other) return;
    GptHeader backup;
    if (!disk->read(disk->context, header.backup_lba, 1, other) || !read_gpt_header(other, &backup)) {
        add_problem(out, "No GPT header at LBA %llu, where this one places its copy",
                    (unsigned long long)header.backup_lba);
    } else if (!usable_size(backup.size, disk->logical_size) || gpt_header_crc(other) != backup.crc) {
        add_problem(out, "The GPT header at LBA %llu (the copy) fails its own CRC32",
                    (unsigned long long)header.backup_lba);
    } else if (backup.current_lba != header.backup_lba || backup.backup_lba != header.current_lba ||
               memcmp(backup.disk_guid, header.disk_guid, 16) != 0 || backup.first_usable != header.first_usable ||
               backup.last_usable != header.last_usable || backup.entries != header.entries ||
               backup.entry_size != header.entry_size || backup.array_crc != header.array_crc) {
        add_problem(out, "The primary and backup GPT headers disagree (the copy at LBA %llu)",
                    (unsigned long long)header.backup_lba);
    }
    free(other);
}

}  // namespace

bool read_gpt_header(const uint8_t* bytes, GptHeader* header) {
    if (!is_header(bytes)) return false;
    header->revision = le32(bytes + 8);
    header->size = le32(bytes + 12);
    header->crc = le32(bytes + 16);
    header->current_lba = le64(bytes + 24);
    header->backup_lba = le64(bytes + 32);
    header->first_usable = le64(bytes + 40);
    header->last_usable = le64(bytes + 48);
    memcpy(header->disk_guid, bytes + 56, 16);
    header->array_lba = le64(bytes + 72);
    header->entries = le32(bytes + 80);
    header->entry_size = le32(bytes + 84);
    header->array_crc = le32(bytes + 88);
    return true;
}

uint32_t gpt_header_crc(const uint8_t* bytes) {
    uint32_t size = le32(bytes + 12);
    if (size < HEADER_MIN || size > 512) size = HEADER_MIN;
    uint8_t copy[512];
    memcpy(copy, bytes, size);
    memset(copy + 16, 0, 4);
    return crc32_of(copy, size);
}

uint32_t gpt_array_crc(const DiskView* disk, const GptHeader& header, bool* read) {
    uint64_t bytes = 0;
    uint8_t* array = read_array(disk, header, &bytes);
    *read = array != nullptr;
    uint32_t crc = array ? crc32_of(array, (size_t)bytes) : 0;
    free(array);
    return crc;
}

bool decode_gpt_header(const uint8_t* bytes, const DiskView* disk, SectorStructure* out) {
    GptHeader h;
    if (disk->part_offset != 0 || !read_gpt_header(bytes, &h)) return false;
    set_kind(out, h.current_lba == 1 ? "GPT header" : "GPT header (backup)");
    char text[112];
    add_field(out, 0, 8, "Signature", "EFI PART");
    add_field(out, 8, 4, "Revision", "%u.%u", h.revision >> 16, h.revision & 0xFFFF);
    add_field(out, 12, 4, "Header size", "%u bytes", h.size);
    uint32_t own = gpt_header_crc(bytes);
    add_field(out, 16, 4, "Header CRC32", "%08X (computed: %08X)", h.crc, own);
    StructureField* f = add_field(out, 24, 8, "Current LBA", "%llu", (unsigned long long)h.current_lba);
    f = add_field(out, 32, 8, "Backup LBA", "%llu", (unsigned long long)h.backup_lba);
    if (f) f->names_sector = true, f->target_lba = h.backup_lba;
    f = add_field(out, 40, 8, "First usable LBA", "%llu", (unsigned long long)h.first_usable);
    if (f) f->names_sector = true, f->target_lba = h.first_usable;
    f = add_field(out, 48, 8, "Last usable LBA", "%llu", (unsigned long long)h.last_usable);
    if (f) f->names_sector = true, f->target_lba = h.last_usable;
    format_guid(h.disk_guid, text, sizeof text);
    add_field(out, 56, 16, "Disk GUID", "%s", text);
    f = add_field(out, 72, 8, "Partition entries LBA", "%llu", (unsigned long long)h.array_lba);
    if (f) f->names_sector = true, f->target_lba = h.array_lba;
    add_field(out, 80, 4, "Number of partition entries", "%u", h.entries);
    add_field(out, 84, 4, "Size of a partition entry", "%u bytes", h.entry_size);
    bool read = false;
    uint32_t array_crc = gpt_array_crc(disk, h, &read);
    if (read) {
        add_field(out, 88, 4, "Partition entries CRC32", "%08X (computed: %08X)", h.array_crc, array_crc);
    } else {
        add_field(out, 88, 4, "Partition entries CRC32", "%08X", h.array_crc);
    }

    if (!usable_size(h.size, disk->logical_size)) {
        add_problem(out, "Header size %u is outside 92 to %u bytes", h.size,
                    disk->logical_size < 512 ? disk->logical_size : 512);
    } else if (own != h.crc) {
        add_problem(out, "Header CRC32 is %08X; the header's bytes give %08X", h.crc, own);
    }
    if (read && array_crc != h.array_crc)
        add_problem(out, "Partition entries CRC32 is %08X; the entries on the disk give %08X", h.array_crc, array_crc);
    if (h.current_lba != disk->lba)
        add_problem(out, "The header says it stands at LBA %llu; it is at LBA %llu", (unsigned long long)h.current_lba,
                    (unsigned long long)disk->lba);
    if (disk->logical_sectors && h.backup_lba >= disk->logical_sectors)
        add_problem(out, "Backup LBA %llu is past the end of the disk (LBA %llu)", (unsigned long long)h.backup_lba,
                    (unsigned long long)(disk->logical_sectors - 1));
    if (h.first_usable > h.last_usable || (disk->logical_sectors && h.last_usable >= disk->logical_sectors))
        add_problem(out, "The usable LBAs %llu to %llu do not fit the disk", (unsigned long long)h.first_usable,
                    (unsigned long long)h.last_usable);
    if (h.entry_size < ENTRY_MIN || h.entry_size % 8 != 0)
        add_problem(out, "Partition entries of %u bytes (at least 128, a multiple of 8)", h.entry_size);
    uint64_t bytes_in_array = 0;
    uint8_t* array = read_array(disk, h, &bytes_in_array);
    if (array) check_partitions(disk, h, array, out);
    free(array);
    check_backup(disk, h, out);
    return true;
}

bool decode_gpt_entries(const uint8_t* bytes, const DiskView* disk, const GptHeader& header, SectorStructure* out) {
    if (header.entry_size < ENTRY_MIN || header.entry_size > 512 || header.array_lba > disk->lba) return false;
    uint64_t at = (disk->lba - header.array_lba) * disk->logical_size + disk->part_offset;
    uint64_t first = (at + header.entry_size - 1) / header.entry_size;  // the first entry that starts here
    if (first >= header.entries) return false;
    set_kind(out, "GPT partition entries");
    char text[112];
    for (uint32_t offset = (uint32_t)(first * header.entry_size - at); offset + 128 <= 512 && first < header.entries;
         offset += header.entry_size, ++first) {
        const uint8_t* e = bytes + offset;
        char name[48];
        uint32_t number = (uint32_t)first + 1;
        static const uint8_t unused[16] = {};
        if (memcmp(e, unused, 16) == 0) {
            snprintf(name, sizeof name, "Entry %u", number);
            add_field(out, offset, header.entry_size < 512 - offset ? header.entry_size : 512 - offset, name, "unused");
            continue;
        }
        format_guid(e, text, sizeof text);
        const char* type = gpt_type_name(e);
        snprintf(name, sizeof name, "Entry %u: type GUID", number);
        add_field(out, offset, 16, name, "%s (%s)", text, type ? type : "unknown type");
        format_guid(e + 16, text, sizeof text);
        snprintf(name, sizeof name, "Entry %u: unique GUID", number);
        add_field(out, offset + 16, 16, name, "%s", text);
        uint64_t first_lba = le64(e + 32), last_lba = le64(e + 40);
        snprintf(name, sizeof name, "Entry %u: first LBA", number);
        StructureField* f = add_field(out, offset + 32, 8, name, "%llu", (unsigned long long)first_lba);
        if (f) f->names_sector = true, f->target_lba = first_lba;
        snprintf(name, sizeof name, "Entry %u: last LBA", number);
        format_sectors(last_lba >= first_lba ? last_lba - first_lba + 1 : 0, disk->logical_size, text, sizeof text);
        add_field(out, offset + 40, 8, name, "%llu (size %s)", (unsigned long long)last_lba, text);
        snprintf(name, sizeof name, "Entry %u: attributes", number);
        add_field(out, offset + 48, 8, name, "%016llX", (unsigned long long)le64(e + 48));
        // The name: UTF-16LE, shown as far as it is ASCII.
        char label[37];
        int n = 0;
        for (int c = 0; c < 36; ++c) {
            uint16_t unit = le16(e + 56 + 2 * c);
            if (unit == 0) break;
            label[n++] = unit < 0x80 && unit >= 0x20 ? (char)unit : '?';
        }
        label[n] = '\0';
        snprintf(name, sizeof name, "Entry %u: name", number);
        add_field(out, offset + 56, 72, name, "%s", label);
        if (disk->logical_sectors && last_lba >= disk->logical_sectors)
            add_problem(out, "Partition %u ends at LBA %llu, past the end of the disk (LBA %llu)", number,
                        (unsigned long long)last_lba, (unsigned long long)(disk->logical_sectors - 1));
        if (last_lba < first_lba)
            add_problem(out, "Partition %u ends (LBA %llu) before it starts (LBA %llu)", number,
                        (unsigned long long)last_lba, (unsigned long long)first_lba);
    }
    return true;
}
