// FAT directory sectors. Told from other data by their content alone (every
// entry one a FAT writes, at least one in use), then placed in their volume
// when the disk shows one, so first clusters become sectors to go to.
#include <stdio.h>
#include <string.h>

#include "structures/fat.h"
#include "structures/fat_directory.h"
#include "structures/gpt.h"
#include "structures/mbr.h"
#include "structures/structure_text.h"

namespace {

constexpr int ENTRIES = 512 / 32;
constexpr uint8_t LONG_NAME = 0x0F, VOLUME_LABEL = 0x08, DIRECTORY = 0x10;

bool is_long_name(const uint8_t* e) { return (e[11] & 0x3F) == LONG_NAME && e[0] != 0xE5; }

bool short_name_byte(uint8_t c) { return c >= 0x20 && !strchr("\"*+,/:;<=>?[\\]|", c); }

bool valid_date(uint16_t date) {
    unsigned month = date >> 5 & 15, day = date & 31;
    return date == 0 || (month >= 1 && month <= 12 && day >= 1);
}

bool valid_long_name(const uint8_t* e) {
    unsigned order = e[0] & 0x3F;
    return (e[0] & 0x80) == 0 && order >= 1 && order <= 20 && e[12] == 0 && le16(e + 26) == 0;
}

bool valid_short_entry(const uint8_t* e) {
    if (e[11] & 0xC0) return false;
    if (memcmp(e, ".          ", 11) == 0 || memcmp(e, "..         ", 11) == 0) return true;
    if (e[0] == ' ') return false;
    for (int i = 0; i < 11; ++i)
        if (!(short_name_byte(e[i]) || (i == 0 && e[i] == 0x05)) || (e[i] == '.' && !(e[11] & VOLUME_LABEL)))
            return false;
    return valid_date(le16(e + 24)) && valid_date(le16(e + 16));
}

// Every entry one a FAT writes, and at least one in use.
bool looks_like_directory(const uint8_t* b) {
    int in_use = 0;
    for (int i = 0; i < ENTRIES; ++i) {
        const uint8_t* e = b + 32 * i;
        if (e[0] == 0x00) break;  // the end: nothing after it is read
        if (e[0] == 0xE5) continue;
        if (is_long_name(e) ? !valid_long_name(e) : !valid_short_entry(e)) return false;
        in_use += !is_long_name(e);
    }
    return in_use > 0;
}

uint8_t short_name_checksum(const uint8_t* e) {
    uint8_t sum = 0;
    for (int i = 0; i < 11; ++i) sum = (uint8_t)(((sum & 1) << 7) + (sum >> 1) + e[i]);
    return sum;
}

// "NAME.EXT" from the 8.3 fields.
void short_name(const uint8_t* e, char* out) {
    int n = 0;
    for (int i = 0; i < 8 && e[i] != ' '; ++i) out[n++] = i == 0 && e[i] == 0x05 ? (char)0xE5 : (char)e[i];
    if (memcmp(e + 8, "   ", 3) != 0) {
        out[n++] = '.';
        for (int i = 8; i < 11 && e[i] != ' '; ++i) out[n++] = (char)e[i];
    }
    out[n] = '\0';
}

// The 13 UTF-16 units of a long-name entry, up to the name's end, appended
// as far as they are ASCII.
void append_long_name(const uint8_t* e, char* out, size_t size) {
    static const int at[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    size_t n = strlen(out);
    for (int i = 0; i < 13; ++i) {
        uint16_t unit = le16(e + at[i]);
        if (unit == 0 || unit == 0xFFFF) break;
        if (n + 1 < size) out[n++] = unit >= 0x20 && unit < 0x7F ? (char)unit : '?';
    }
    out[n] = '\0';
}

struct FatVolume {
    uint64_t start;  // logical sector of the boot sector
    FatGeometry geometry;
};

// The FAT volume that holds lba: the whole disk, or a partition of LBA 0's
// table or of the GPT.
bool find_volume(const DiskView* disk, FatVolume* volume) {
    if (!disk->read || disk->logical_size > 4096) return false;
    uint8_t sector[4096];
    uint64_t starts[1 + 4 + 128];
    int count = 0;
    starts[count++] = 0;
    if (disk->read(disk->context, 0, 1, sector) && has_boot_signature(sector))
        for (int i = 0; i < 4; ++i)
            if (sector[446 + 16 * i + 4] != 0) starts[count++] = le32(sector + 446 + 16 * i + 8);
    GptHeader header;
    if (disk->read(disk->context, 1, 1, sector) && read_gpt_header(sector, &header) && header.entry_size >= 128 &&
        header.entry_size <= disk->logical_size && disk->logical_size % header.entry_size == 0) {
        uint32_t per_sector = disk->logical_size / header.entry_size;
        for (uint32_t i = 0; i < header.entries && i < 128; ++i) {
            if (i % per_sector == 0 && !disk->read(disk->context, header.array_lba + i / per_sector, 1, sector)) break;
            uint64_t first = le64(sector + (i % per_sector) * header.entry_size + 32);
            if (first != 0) starts[count++] = first;
        }
    }
    for (int i = 0; i < count; ++i) {
        if (starts[i] > disk->lba || !disk->read(disk->context, starts[i], 1, sector)) continue;
        FatGeometry g;
        if (read_fat_geometry(sector, &g) && g.bytes_per_sector == disk->logical_size &&
            disk->lba < starts[i] + g.total) {
            volume->start = starts[i];
            volume->geometry = g;
            return true;
        }
    }
    return false;
}

void entry_fields(const uint8_t* e, int slot, const char* long_name, uint32_t name_offset, const FatVolume* volume,
                  bool have_volume, SectorStructure* out) {
    char name[40], text[112];
    uint8_t attributes = e[11];
    short_name(e, text);
    snprintf(name, sizeof name, "Entry %d: name", slot);
    if (long_name[0]) {
        add_field(out, name_offset, 32 * slot + 11 - name_offset, name, "%s", long_name);
        snprintf(name, sizeof name, "Entry %d: short name", slot);
        add_field(out, 32 * slot, 11, name, "%s", text);
    } else {
        add_field(out, 32 * slot, 11, name, "%s", text);
    }
    static const struct {
        uint8_t bit;
        const char* text;
    } names[] = {{0x01, "read-only"}, {0x02, "hidden"},    {0x04, "system"},
                 {0x08, "volume label"}, {0x10, "directory"}, {0x20, "archive"}};
    text[0] = '\0';
    for (const auto& n : names)
        if (attributes & n.bit) snprintf(text + strlen(text), sizeof text - strlen(text), "%s%s", text[0] ? ", " : "", n.text);
    snprintf(name, sizeof name, "Entry %d: attributes", slot);
    add_field(out, 32 * slot + 11, 1, name, "%02X (%s)", attributes, text[0] ? text : "none");
    if (attributes & VOLUME_LABEL) return;
    uint32_t cluster = (uint32_t)le16(e + 20) << 16 | le16(e + 26);
    snprintf(name, sizeof name, "Entry %d: first cluster", slot);
    StructureField* f = add_field(out, 32 * slot + 26, 2, name, cluster == 0 ? "0 (none, or the root directory)" : "%u",
                                  cluster);
    uint64_t lba = 0;
    if (have_volume && fat_cluster_sector(volume->geometry, volume->start, cluster, &lba)) {
        if (f) {
            f->names_sector = true;
            f->target_lba = lba;
            snprintf(f->value + strlen(f->value), sizeof f->value - strlen(f->value), " (sector %llu)",
                     (unsigned long long)lba);
        }
    } else if (have_volume && cluster >= 2) {
        add_problem(out, "Entry %d starts at cluster %u, past the volume's last cluster %llu", slot, cluster,
                    (unsigned long long)(volume->geometry.clusters + 1));
    }
    if (!(attributes & DIRECTORY)) {
        snprintf(name, sizeof name, "Entry %d: size", slot);
        add_field(out, 32 * slot + 28, 4, name, "%u bytes", le32(e + 28));
    }
    uint16_t date = le16(e + 24), time = le16(e + 22);
    snprintf(name, sizeof name, "Entry %d: modified", slot);
    add_field(out, 32 * slot + 22, 4, name, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (date >> 9), date >> 5 & 15,
              date & 31, time >> 11, time >> 5 & 63, (time & 31) * 2);
}

}  // namespace

bool decode_fat_directory(const uint8_t* b, const DiskView* disk, SectorStructure* out) {
    if (!looks_like_directory(b)) return false;
    FatVolume volume;
    bool have_volume = find_volume(disk, &volume);
    bool root = false;
    if (have_volume && volume.geometry.bits != 32) {
        uint64_t first = volume.start + volume.geometry.reserved + (uint64_t)volume.geometry.fats * volume.geometry.fat_size;
        root = disk->lba >= first && disk->lba < volume.start + volume.geometry.data_start;
    }
    set_kind(out, root ? "FAT root directory" : "FAT directory");
    // The long name being gathered: its parts come before their short
    // entry, the name's last part first.
    char long_name[112] = "";
    uint32_t name_offset = 0;
    int expected = 0;  // the order number the next part should have; 0: none gathered
    bool begun_before = false;  // the name's last parts are in the sector before
    uint8_t checksum = 0;
    for (int slot = 0; slot < ENTRIES; ++slot) {
        const uint8_t* e = b + 32 * slot;
        if (e[0] == 0x00) break;
        if (e[0] == 0xE5) {
            expected = 0;
            continue;
        }
        if (is_long_name(e)) {
            unsigned order = e[0] & 0x3F;
            bool first_part = (e[0] & 0x40) != 0;
            if (expected == -1)
                add_problem(out, "The long name at offset %u has no short entry after it", name_offset);
            else if (expected > 0 && (first_part || (int)order != expected))
                add_problem(out, "The long name at offset %u is broken (part %u where part %d belongs)", 32 * slot,
                            order, expected);
            else if (expected > 0 && e[13] != checksum)
                add_problem(out, "The parts of the long name at offset %u disagree on its checksum", name_offset);
            if (first_part || slot == 0 || expected == 0 || (int)order != expected) {
                long_name[0] = '\0';
                name_offset = 32 * slot;
                checksum = e[13];
                begun_before = !first_part;
            }
            expected = (int)order - 1;
            char part[16] = "";
            append_long_name(e, part, sizeof part);
            size_t length = strlen(part), kept = strlen(long_name);
            if (length + kept >= sizeof long_name) kept = sizeof long_name - 1 - length;
            memmove(long_name + length, long_name, kept);
            memcpy(long_name, part, length);
            long_name[length + kept] = '\0';
            if (expected == 0) expected = -1;  // complete: the short entry comes next
            continue;
        }
        const char* name = "";
        if (expected > 0) {
            add_problem(out, "The long name before entry %d lacks its first %d part(s)", slot, expected);
        } else if (expected == -1) {
            if (short_name_checksum(e) != checksum)
                add_problem(out, "The long name of entry %d belongs to another short name (checksum %02X, not %02X)",
                            slot, checksum, short_name_checksum(e));
            if (begun_before) strncat(long_name, "...", sizeof long_name - strlen(long_name) - 1);
            name = long_name;
        }
        entry_fields(e, slot, name, name_offset, &volume, have_volume, out);
        expected = 0;
    }
    return true;
}
