#include "platform/trace.h"
#include "platform/vwin32/vwin32_device.h"

#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/control.h"
#include "platform/kernel/dosdevices.h"
#include "platform/vwin32/dos_services.h"

namespace platform {

namespace {

std::mutex service_lock;  // one request at a time, as the real device
bool refuse_fat32 = false;
std::map<BYTE, int> locks;
bool recording = false;
std::vector<Vwin32Request> requests;

// The addresses a request carries: EBX and EDX, and the buffer of the
// packet that EBX addresses in the packet forms of the transfers.
void release_addresses(DWORD code, const DIOC_REGISTERS& regs) {
    bool packet = code == VWIN32_DIOC_DOS_DRIVEINFO ||
                  ((code == VWIN32_DIOC_DOS_INT25 || code == VWIN32_DIOC_DOS_INT26) && (regs.reg_ECX & 0xFFFF) == 0xFFFF);
    if (packet) {
        if (const void* at = dioc_resolve(regs.reg_EBX)) {
            DISKIO io;
            memcpy(&io, at, sizeof io);
            dioc_release(io.dwBuffer);
        }
    }
    dioc_release(regs.reg_EBX);
    dioc_release(regs.reg_EDX);
}

bool plays_windows_9x(DWORD* build) {
    OSVERSIONINFOA info;
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return false;
    *build = info.dwBuildNumber & 0xFFFF;
    return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

class Vwin32Device : public KernelObject {
public:
    BOOL device_io_control(DWORD code, LPVOID in, DWORD in_size, LPVOID out, DWORD out_size,
                           LPDWORD returned) override {
        if (!in || in_size < sizeof(DIOC_REGISTERS) || !out || out_size < sizeof(DIOC_REGISTERS))
            return fail_with(ERROR_INVALID_PARAMETER);
        std::lock_guard<std::mutex> hold(service_lock);
        Vwin32Request request{};
        request.code = code;
        memcpy(&request.before, in, sizeof(DIOC_REGISTERS));
        request.ebx_target = dioc_resolve(request.before.reg_EBX);
        request.edx_target = dioc_resolve(request.before.reg_EDX);
        DIOC_REGISTERS regs = request.before;
        switch (code) {
        case VWIN32_DIOC_DOS_IOCTL: vwin32::dos_ioctl(regs); break;
        case VWIN32_DIOC_DOS_INT25: vwin32::absolute_read(regs); break;
        case VWIN32_DIOC_DOS_INT26: vwin32::absolute_write(regs); break;
        case VWIN32_DIOC_DOS_DRIVEINFO: vwin32::extended_absolute_disk(regs); break;
        default:
            fixme("vwin32", "request", code);
            request.after = regs;
            request.result = FALSE;
            if (recording) requests.push_back(request);
            release_addresses(code, request.before);
            return fail_with(ERROR_INVALID_FUNCTION);
        }
        memcpy(out, &regs, sizeof regs);
        *returned = sizeof regs;
        request.after = regs;
        request.result = TRUE;
        if (recording) requests.push_back(request);
        release_addresses(code, request.before);
        return TRUE;
    }
};

}  // namespace

std::shared_ptr<KernelObject> open_vwin32_device(DWORD* error) {
    DWORD build = 0;
    if (!plays_windows_9x(&build)) {
        *error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    return std::make_shared<Vwin32Device>();
}

void vwin32_refuse_fat32_locks(bool refuse) {
    std::lock_guard<std::mutex> hold(service_lock);
    refuse_fat32 = refuse;
}

std::vector<Vwin32Request> vwin32_requests() {
    std::lock_guard<std::mutex> hold(service_lock);
    return requests;
}

void vwin32_record_requests(bool record) {
    std::lock_guard<std::mutex> hold(service_lock);
    recording = record;
    requests.clear();
}

void vwin32_forget_requests() {
    std::lock_guard<std::mutex> hold(service_lock);
    requests.clear();
    locks.clear();
}

namespace vwin32 {

void succeed(DIOC_REGISTERS& regs) { regs.reg_Flags &= ~static_cast<DWORD>(CARRY_FLAG); }

void fail(DIOC_REGISTERS& regs, WORD error) {
    regs.reg_Flags |= CARRY_FLAG;
    regs.reg_EAX = (regs.reg_EAX & 0xFFFF0000u) | error;
}

bool extended_services() {
    DWORD build = 0;
    return plays_windows_9x(&build) && build > 1000;
}

bool fat32_locks_refused() { return refuse_fat32; }

int& lock_depth(BYTE drive) { return locks[drive]; }

std::string volume_path(BYTE drive) {
    if (drive < 1 || drive > 26) return {};
    DeviceTarget target;
    std::string name = {static_cast<char>('A' + drive - 1), ':'};
    return resolve_device(name, &target) ? target.path : std::string();
}

}  // namespace vwin32

}  // namespace platform
