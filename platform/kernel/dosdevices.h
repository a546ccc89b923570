// The device namespace: what "\\.\X:" and "\\.\PHYSICALDRIVEn" stand for.
#pragma once

#include <string>

namespace platform {

struct DeviceTarget {
    std::string path;        // what to open: a block device, an image file or a link to one
    bool physical = false;   // a whole drive rather than a volume
    std::string whole_disk;  // the drive that holds it (itself for a drive); empty if unknown
};

// name is what follows "\\.\": "C:" or "PHYSICALDRIVE0", in any case.
bool resolve_device(const std::string& name, DeviceTarget* target);

}  // namespace platform
