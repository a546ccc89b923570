// The device namespace: what "\\.\X:" and "\\.\PHYSICALDRIVEn" stand for.
#pragma once

#include <string>

namespace platform {

struct DeviceTarget {
    std::string path;        // what to open: a block device, an image file or a link to one
    bool physical = false;   // a whole drive rather than a volume
    std::string whole_disk;  // the drive that holds it (itself for a drive); empty if unknown
    bool from_folder = false;  // an entry of the dosdevices folder rather than a device of the machine
};

// name is what follows "\\.\": "C:" or "PHYSICALDRIVE0", in any case.
bool resolve_device(const std::string& name, DeviceTarget* target);

// The sysfs folder of the block device at path (dev/block/M:m of the
// namespace's sysfs, resolved), or an empty text when path is no block
// device or sysfs does not know it.
std::string sysfs_device_dir(const std::string& path);

}  // namespace platform
