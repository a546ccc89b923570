// Int 21h function 440Dh, the generic block-device request: device
// parameters, volume lock and unlock.
#include <cstring>

#include "platform/kernel/unix_file.h"
#include "platform/vwin32/dos_services.h"
#include "platform/vwin32/vwin32_device.h"

namespace platform::vwin32 {

namespace {

constexpr BYTE kCategoryDisk = 0x08;
constexpr BYTE kCategoryFat32 = 0x48;
constexpr BYTE kGetDeviceParams = 0x60;
constexpr BYTE kLockVolume = 0x4A;
constexpr BYTE kUnlockVolume = 0x6A;
constexpr BYTE kFixedDisk = 5;
constexpr size_t kBpbOffset = 0x0B;  // where the BPB stands in a boot sector

bool is_sector_size(WORD bytes) { return bytes == 512 || bytes == 1024 || bytes == 2048 || bytes == 4096; }

// The BPB of the volume's boot sector as DOS hands it out. A volume whose
// first sector holds no BPB gets one made from its size.
void get_device_params(DIOC_REGISTERS& regs, const std::string& path) {
    auto* params = static_cast<DEVICEPARAMS*>(dioc_resolve(regs.reg_EDX));
    if (!params) return fail(regs, kInvalidAddress);

    UnixFile::Options options;
    DWORD error = ERROR_SUCCESS;
    auto volume = UnixFile::open(path, options, &error);
    unsigned char boot[512];
    DWORD got = 0;
    uint64_t size = 0;
    if (!volume || volume->read_at(0, boot, sizeof boot, &got) != ERROR_SUCCESS || got != sizeof boot ||
        volume->size(&size) != ERROR_SUCCESS)
        return fail(regs, kGeneralFailure);

    DOS_BPB bpb;
    memcpy(&bpb, boot + kBpbOffset, sizeof bpb);
    if (!is_sector_size(bpb.bytesPerSector)) {
        memset(&bpb, 0, sizeof bpb);
        bpb.bytesPerSector = 512;
        uint64_t sectors = size / 512;
        if (sectors < 0x10000) {
            bpb.totalSectors = static_cast<WORD>(sectors);
        } else {
            bpb.hugeSectors = sectors > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(sectors);
        }
    }
    params->dpDevType = kFixedDisk;
    params->dpDevAttr = 1;  // not removable
    params->dpCylinders = 0;
    params->dpMediaType = 0;
    memcpy(&params->dpBPB, &bpb, sizeof bpb);
    succeed(regs);
}

}  // namespace

void dos_ioctl(DIOC_REGISTERS& regs) {
    if ((regs.reg_EAX & 0xFFFF) != 0x440D) return fail(regs, kInvalidFunction);
    BYTE drive = regs.reg_EBX & 0xFF;
    BYTE category = (regs.reg_ECX >> 8) & 0xFF;
    BYTE minor = regs.reg_ECX & 0xFF;
    if (category == kCategoryFat32) {
        if (!extended_services() || fat32_locks_refused()) return fail(regs, kInvalidFunction);
    } else if (category != kCategoryDisk) {
        return fail(regs, kInvalidFunction);
    }
    std::string path = volume_path(drive);
    if (path.empty()) return fail(regs, kInvalidDrive);

    switch (minor) {
    case kGetDeviceParams: return get_device_params(regs, path);
    case kLockVolume: {
        BYTE level = (regs.reg_EBX >> 8) & 0xFF;
        if (level > 3) return fail(regs, kInvalidFunction);
        ++lock_depth(drive);
        return succeed(regs);
    }
    case kUnlockVolume:
        if (lock_depth(drive) == 0) return fail(regs, kAccessDenied);
        --lock_depth(drive);
        return succeed(regs);
    default: return fail(regs, kInvalidFunction);
    }
}

}  // namespace platform::vwin32
