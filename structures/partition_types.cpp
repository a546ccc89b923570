#include "structures/partition_types.h"

#include <string.h>

#include "structures/structure_text.h"

namespace {

const struct {
    const char* guid;
    const char* name;
} kGptTypes[] = {
    {"C12A7328-F81F-11D2-BA4B-00A0C93EC93B", "EFI system partition"},
    {"21686148-6449-6E6F-744E-656564454649", "BIOS boot partition"},
    {"E3C9E316-0B5C-4DB8-817D-F92DF00215AE", "Microsoft reserved"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", "Microsoft basic data"},
    {"DE94BBA4-06D1-4D40-A16A-BFD50179D6AC", "Windows RE"},
    {"0FC63DAF-8483-4772-8E79-3D69D8477DE4", "Linux filesystem"},
    {"0657FD6D-A4AB-43C4-84E5-0933C84B4F4F", "Linux swap"},
    {"E6D6D379-F507-44C2-A23C-238F2A3DF928", "Linux LVM"},
    {"A19D880F-05FC-4D3B-A006-743F0F84911E", "Linux RAID"},
    {"4F68BCE3-E8CD-4DB1-96E7-FBCAF984B709", "Linux x86-64 root (/)"},
    {"933AC7E1-2EB4-4F13-B844-0E14E2AEF915", "Linux /home"},
    {"48465300-0000-11AA-AA11-00306543ECAC", "Apple HFS/HFS+"},
    {"7C3457EF-0000-11AA-AA11-00306543ECAC", "Apple APFS"},
    {"516E7CB4-6ECF-11D6-8FF8-00022D09712B", "FreeBSD disklabel"},
};

const struct {
    uint8_t type;
    const char* name;
} kMbrTypes[] = {
    {0x01, "FAT12"},           {0x04, "FAT16 <32M"},      {0x05, "Extended"},   {0x06, "FAT16"},
    {0x07, "HPFS/NTFS/exFAT"}, {0x0B, "W95 FAT32"},       {0x0C, "W95 FAT32 (LBA)"}, {0x0E, "W95 FAT16 (LBA)"},
    {0x0F, "W95 Ext'd (LBA)"}, {0x82, "Linux swap / Solaris"}, {0x83, "Linux"}, {0x85, "Linux extended"},
    {0x8E, "Linux LVM"},       {0xA5, "FreeBSD"},         {0xEE, "GPT"},        {0xEF, "EFI (FAT-12/16/32)"},
    {0xFD, "Linux raid autodetect"},
};

}  // namespace

const char* gpt_type_name(const uint8_t* type_guid) {
    char text[40];
    format_guid(type_guid, text, sizeof text);
    for (const auto& known : kGptTypes)
        if (strcmp(known.guid, text) == 0) return known.name;
    return nullptr;
}

const char* mbr_type_name(uint8_t type) {
    for (const auto& known : kMbrTypes)
        if (known.type == type) return known.name;
    return nullptr;
}

bool is_extended_mbr_type(uint8_t type) { return type == 0x05 || type == 0x0F || type == 0x85; }
