// Controls of the platform layer that Win32 has no call for: which disks the
// device namespace holds, which Windows the layer plays, and the switches of
// the emulated volume services. Hosts and tests use these; the editor never
// includes this header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace platform {

struct DeviceNamespace {
    // Folder of "x::" and "physicaldriveN" entries (Wine's dosdevices
    // convention), each a link to a block device or an image file. Empty: none.
    std::string dosdevices;
    // The machine's own block devices, behind the folder's entries.
    bool host_block_devices = true;
    // Where sysfs is mounted: its block/ and dev/block/ describe the
    // machine's block devices. Tests point it at a tree of their own.
    std::string sysfs = "/sys";
};

// $ORVASSE_DOSDEVICES, else $XDG_DATA_HOME/orvasse/dosdevices (or
// ~/.local/share/...), with the host's block devices.
DeviceNamespace default_device_namespace();
void set_device_namespace(const DeviceNamespace& space);

// The host path that a device name ("C:", "PHYSICALDRIVE0") stands for now,
// or an empty text when the name names nothing.
std::string resolve_device_path(const std::string& device_name);

// One entry of the Select Disk dialog's list and what stands behind it.
struct DriveListing {
    std::string name;          // as the dialog lists it: "Logical C:", "Physical 0"
    std::string path;          // what opens: a block device or an image file
    std::string link;          // the dosdevices entry it came through; empty for a device of the machine
    std::string link_target;   // what that entry points to, as written in it
    bool block_device = false;
    uint64_t size = 0;         // in bytes
    uint32_t logical_sector = 512;   // the device's sector sizes; an image file's are 512
    uint32_t physical_sector = 512;
    std::string model;         // the drive's model, where sysfs knows one
    std::string label;         // the file system's label, where udev knows one
    std::string backing_file;  // a loop device's image file
    bool read_write = false;   // whether the editor's open would get write access
    std::string read_only_reason;  // why not, in words; empty when read_write
};

// Probes every name as the Select Disk dialog does and in its order, and
// describes those it would list. Holds nothing open afterwards.
std::vector<DriveListing> list_drives();

// Tests let time pass without waiting for it: GetTickCount reads this much
// later from now on. Never called by the program.
void advance_tick_count(DWORD milliseconds);

// Tests name the program's file as GetModuleFileNameA gives it, to stand
// for a program installed elsewhere; empty: the process's own file.
void set_program_file_name(const std::string& path);

// GetVersionExA answers as Windows 10 (the default) or as the 95/98 family
// with the given build number.
void emulate_windows_nt();
void emulate_windows_9x(WORD build);

// The emulated volume-services device refuses the FAT32 lock and unlock
// forms (484Ah, 486Ah) as a service without them does.
void vwin32_refuse_fat32_locks(bool refuse);

// Every request the volume-services device ran while recording was on, with
// the registers as they came in and as they went back. Recording starts
// empty and is off until asked for.
struct Vwin32Request {
    DWORD code;
    DIOC_REGISTERS before;
    DIOC_REGISTERS after;
    BOOL result;
    // What EBX and EDX addressed as the request came in (tokens end with it).
    const void* ebx_target;
    const void* edx_target;
};
void vwin32_record_requests(bool record);
std::vector<Vwin32Request> vwin32_requests();
void vwin32_forget_requests();

// How many pointers hold a register token now (dioc_address).
size_t dioc_live_tokens();

// How many times CloseHandle was given a handle that was not open, as
// Windows' strict handle checks would catch.
size_t closes_of_unopened_handles();

}  // namespace platform
