// The master boot record at LBA 0 and the extended boot records of the
// chain in an extended partition.
#include <stdio.h>
#include <string.h>

#include "structures/mbr.h"
#include "structures/partition_types.h"
#include "structures/structure_text.h"

namespace {

constexpr uint32_t TABLE = 446;

struct Entry {
    uint8_t status, type;
    uint64_t first, count;  // absolute LBA, sectors
};

void chs(const uint8_t* b, char* out, size_t size) {
    snprintf(out, size, "cylinder %u, head %u, sector %u", (unsigned)(((b[1] & 0xC0) << 2) | b[2]), b[0],
             b[1] & 0x3F);
}

}  // namespace

bool has_boot_signature(const uint8_t* bytes) { return bytes[510] == 0x55 && bytes[511] == 0xAA; }

void decode_partition_table(const uint8_t* bytes, const DiskView* disk, const MbrChain& chain, SectorStructure* out) {
    bool protective = false;
    for (int i = 0; i < 4; ++i) protective |= bytes[TABLE + 16 * i + 4] == 0xEE;
    if (chain.ebr) {
        set_kind(out, "Extended boot record");
    } else {
        set_kind(out, protective ? "Protective MBR (GPT disk)" : "Master boot record");
        add_field(out, 440, 4, "Disk signature", "%08X", le32(bytes + 440));
    }
    Entry entries[4];
    char name[40], text[112], size_text[64];
    for (int i = 0; i < 4; ++i) {
        const uint8_t* e = bytes + TABLE + 16 * i;
        uint32_t at = TABLE + 16 * i;
        Entry& entry = entries[i];
        entry.status = e[0];
        entry.type = e[4];
        entry.count = le32(e + 12);
        // In an EBR the first entry counts from the EBR itself, the second
        // (the next EBR) from the start of the extended partition.
        uint64_t base = !chain.ebr ? 0 : i == 0 ? disk->lba : chain.extended_start;
        entry.first = base + le32(e + 8);
        int number = chain.ebr ? chain.first_number : i + 1;
        // An EBR's first entry is a logical partition, its second the link.
        char who[24];
        if (chain.ebr && i == 1) {
            snprintf(who, sizeof who, "Next EBR");
        } else if (chain.ebr && i > 1) {
            snprintf(who, sizeof who, "Entry %d", i + 1);
        } else {
            snprintf(who, sizeof who, "Partition %d", number);
        }
        if (entry.type == 0 && entry.count == 0) {
            add_field(out, at, 16, who, "unused");
            continue;
        }
        const char* type_name = mbr_type_name(entry.type);
        snprintf(name, sizeof name, "%s: status", who);
        add_field(out, at, 1, name, "%02X (%s)", entry.status,
                  entry.status == 0x80 ? "active" : entry.status == 0 ? "inactive" : "invalid");
        snprintf(name, sizeof name, "%s: CHS start", who);
        chs(e + 1, text, sizeof text);
        add_field(out, at + 1, 3, name, "%s", text);
        snprintf(name, sizeof name, "%s: type", who);
        add_field(out, at + 4, 1, name, "%02X (%s)", entry.type, type_name ? type_name : "unknown type");
        snprintf(name, sizeof name, "%s: CHS end", who);
        chs(e + 5, text, sizeof text);
        add_field(out, at + 5, 3, name, "%s", text);
        snprintf(name, sizeof name, "%s: first LBA", who);
        StructureField* f = add_field(out, at + 8, 4, name, "%llu", (unsigned long long)entry.first);
        if (f) f->names_sector = true, f->target_lba = entry.first;
        snprintf(name, sizeof name, "%s: size", who);
        format_sectors(entry.count, disk->logical_size, size_text, sizeof size_text);
        add_field(out, at + 12, 4, name, "%s", size_text);
        if (entry.status != 0 && entry.status != 0x80)
            add_problem(out, "%s has status %02X: only 00 and 80 (active) are valid", who, entry.status);
        if (disk->logical_sectors && entry.first + entry.count > disk->logical_sectors)
            add_problem(out, "%s ends at LBA %llu, past the end of the disk (LBA %llu)", who,
                        (unsigned long long)(entry.first + entry.count - 1),
                        (unsigned long long)(disk->logical_sectors - 1));
    }
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < i; ++j) {
            const Entry &a = entries[j], &b = entries[i];
            if (a.count == 0 || b.count == 0 || (chain.ebr && (i == 1 || j == 1))) continue;
            if (a.first < b.first + b.count && b.first < a.first + a.count)
                add_problem(out, "Partitions %d and %d overlap", j + 1, i + 1);
        }
    add_boot_signature(bytes, out);
}

bool find_in_mbr_chain(const DiskView* disk, uint64_t lba, MbrChain* chain) {
    if (!disk->read || disk->logical_size > 4096) return false;
    uint8_t sector[4096];
    if (!disk->read(disk->context, 0, 1, sector) || !has_boot_signature(sector)) return false;
    for (int i = 0; i < 4; ++i) {
        const uint8_t* e = sector + TABLE + 16 * i;
        if (!is_extended_mbr_type(e[4])) continue;
        uint64_t extended = le32(e + 8), next = extended;
        int number = 5;
        // Each link leads on; a chain that comes round is cut.
        for (int link = 0; link < 128 && next != 0; ++link) {
            if (next == lba) {
                *chain = {true, extended, number};
                return true;
            }
            if (!disk->read(disk->context, next, 1, sector) || !has_boot_signature(sector)) return false;
            uint32_t onward = le32(sector + TABLE + 16 + 8);
            next = onward ? extended + onward : 0;
            ++number;
        }
        return false;
    }
    return false;
}

bool decode_mbr(const uint8_t* bytes, const DiskView* disk, SectorStructure* out) {
    if (disk->lba != 0 || disk->part_offset != 0) return false;
    decode_partition_table(bytes, disk, MbrChain{false, 0, 1}, out);
    return true;
}
