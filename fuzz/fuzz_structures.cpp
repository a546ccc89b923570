// The structure decoders on any bytes: the 512 shown, and a disk around
// them that the decoders may read (the backup GPT header, the entry array,
// the EBR chain). Input: the sector, one byte of flags (bit 0: 4096-byte
// logical sectors), one byte of LBA, then the disk's bytes from LBA 0
// (zeros beyond). Nothing may crash or read past what it was given, and
// every field must lie inside the 512 bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "structures/sector_structure.h"

using fuzz::require;

namespace {

struct Disk {
    const uint8_t* bytes;
    size_t size;
    uint32_t logical;
};

bool read_disk(void* context, uint64_t lba, uint32_t count, uint8_t* out) {
    const Disk* disk = static_cast<const Disk*>(context);
    if (count > 8192) return false;
    size_t want = static_cast<size_t>(count) * disk->logical;
    memset(out, 0, want);
    if (lba >= disk->size / disk->logical + 1) return true;  // beyond: zeros
    size_t at = static_cast<size_t>(lba) * disk->logical;
    if (at < disk->size) memcpy(out, disk->bytes + at, disk->size - at < want ? disk->size - at : want);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 514) return 0;
    uint8_t sector[512];
    memcpy(sector, data, 512);
    Disk disk = {data + 514, size - 514, (data[512] & 1) ? 4096u : 512u};
    DiskView view = {static_cast<uint64_t>(64 + (data[512] >> 1)), disk.logical, data[513], 0, read_disk, &disk};
    if (disk.logical == 4096) view.part_offset = (data[512] >> 1 & 7) * 512u;
    SectorStructure out;
    decode_sector(sector, &view, &out);
    require(strnlen(out.kind, sizeof out.kind) < sizeof out.kind, "the kind is terminated");
    require(out.field_count >= 0 && out.field_count <= STRUCTURE_MAX_FIELDS, "the field count");
    require(out.problem_count >= 0 && out.problem_count <= STRUCTURE_MAX_PROBLEMS, "the problem count");
    for (int i = 0; i < out.field_count; ++i) {
        const StructureField& f = out.fields[i];
        require(f.offset + f.size <= 512, "field " + std::string(f.name) + " lies inside the 512 bytes");
        require(strnlen(f.value, sizeof f.value) < sizeof f.value, "a field's value is terminated");
    }
    // A sector that is none of the structures has no fields.
    require(out.kind[0] != 0 || out.field_count == 0, "fields without a kind");
    return 0;
}
