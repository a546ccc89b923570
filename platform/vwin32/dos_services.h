// The DOS requests that the emulated volume-services device carries. Each
// runs on the register block in place: carry clear on success, carry set and
// a DOS error code in AX on failure. The device runs one request at a time.
#pragma once

#include <string>

#include "platform/win32.h"

namespace platform::vwin32 {

// DOS error codes in AX after a failed request.
constexpr WORD kInvalidFunction = 0x0001;
constexpr WORD kAccessDenied = 0x0005;
constexpr WORD kInvalidAddress = 0x0009;
constexpr WORD kInvalidDrive = 0x000F;
constexpr WORD kWriteProtect = 0x0013;
constexpr WORD kSectorNotFound = 0x001B;
constexpr WORD kGeneralFailure = 0x001F;
// What a service without the extended calls leaves in AX for function 73h.
constexpr WORD kNoExtendedService = 0x7300;

void succeed(DIOC_REGISTERS& regs);
void fail(DIOC_REGISTERS& regs, WORD error);

// Build above 1000 of the 95/98 family: function 7305h and the FAT32 lock forms.
bool extended_services();
bool fat32_locks_refused();
// How many locks are held on a drive (A = 1).
int& lock_depth(BYTE drive);

// The volume of drive number drive (A = 1), or empty when there is none.
std::string volume_path(BYTE drive);

void dos_ioctl(DIOC_REGISTERS& regs);             // Int 21h 440Dh
void absolute_read(DIOC_REGISTERS& regs);         // Int 25h
void absolute_write(DIOC_REGISTERS& regs);        // Int 26h
void extended_absolute_disk(DIOC_REGISTERS& regs);  // Int 21h 7305h

}  // namespace platform::vwin32
