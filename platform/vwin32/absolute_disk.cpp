// Absolute disk reads and writes: Int 25h, Int 26h and Int 21h 7305h.
#include <cstring>

#include "platform/kernel/unix_file.h"
#include "platform/vwin32/dos_services.h"
#include "platform/vwin32/vwin32_device.h"

namespace platform::vwin32 {

namespace {

constexpr uint64_t kSector = 512;

// Moves count whole sectors between drive and buffer; 0 or a DOS error.
WORD transfer(BYTE drive, DWORD first, DWORD count, void* buffer, bool write) {
    std::string path = volume_path(drive);
    if (path.empty()) return kInvalidDrive;
    // The 95/98 family takes direct writes only from the holder of a lock.
    if (write && lock_depth(drive) == 0) return kWriteProtect;
    if (count == 0) return 0;
    if (!buffer) return kInvalidAddress;

    UnixFile::Options options;
    options.write = write;
    options.unbuffered = true;
    options.write_through = write;  // a DOS absolute write is on the disk when it returns
    DWORD error = ERROR_SUCCESS;
    auto volume = UnixFile::open(path, options, &error);
    if (!volume) {
        bool refused = error == ERROR_WRITE_PROTECT || error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
        return write && refused ? kWriteProtect : kGeneralFailure;
    }
    uint64_t size = 0;
    if (volume->size(&size) != ERROR_SUCCESS) return kGeneralFailure;
    if (static_cast<uint64_t>(first) + count > size / kSector) return kSectorNotFound;

    DWORD bytes = count * static_cast<DWORD>(kSector);
    DWORD done = 0;
    error = write ? volume->write_at(first * kSector, buffer, bytes, &done)
                  : volume->read_at(first * kSector, buffer, bytes, &done);
    if (error != ERROR_SUCCESS || done != bytes) return write ? kWriteProtect : kSectorNotFound;
    return 0;
}

// The DISKIO packet that EBX addresses.
bool read_packet(const DIOC_REGISTERS& regs, DWORD* first, DWORD* count, void** buffer) {
    const void* packet = dioc_resolve(regs.reg_EBX);
    if (!packet) return false;
    DISKIO io;
    memcpy(&io, packet, sizeof io);
    *first = io.dwStartSector;
    *count = io.wSectors;
    *buffer = dioc_resolve(io.dwBuffer);
    return true;
}

void absolute(DIOC_REGISTERS& regs, bool write) {
    BYTE drive = static_cast<BYTE>((regs.reg_EAX & 0xFF) + 1);  // AL counts from A = 0
    DWORD first = 0, count = 0;
    void* buffer = nullptr;
    if ((regs.reg_ECX & 0xFFFF) == 0xFFFF) {
        if (!read_packet(regs, &first, &count, &buffer)) return fail(regs, kInvalidAddress);
    } else {
        // Register form: CX sectors from sector DX into DS:BX.
        first = regs.reg_EDX & 0xFFFF;
        count = regs.reg_ECX & 0xFFFF;
        buffer = dioc_resolve(regs.reg_EBX);
    }
    WORD error = transfer(drive, first, count, buffer, write);
    if (error) return fail(regs, error);
    succeed(regs);
}

}  // namespace

void absolute_read(DIOC_REGISTERS& regs) { absolute(regs, false); }

void absolute_write(DIOC_REGISTERS& regs) { absolute(regs, true); }

void extended_absolute_disk(DIOC_REGISTERS& regs) {
    if (!extended_services()) return fail(regs, kNoExtendedService);
    if ((regs.reg_EAX & 0xFFFF) != 0x7305 || (regs.reg_ECX & 0xFFFF) != 0xFFFF) return fail(regs, kInvalidFunction);
    BYTE drive = regs.reg_EDX & 0xFF;
    bool write = (regs.reg_ESI & 1) != 0;
    DWORD first = 0, count = 0;
    void* buffer = nullptr;
    if (!read_packet(regs, &first, &count, &buffer)) return fail(regs, kInvalidAddress);
    WORD error = transfer(drive, first, count, buffer, write);
    if (error) return fail(regs, error);
    succeed(regs);
}

}  // namespace platform::vwin32
