// A handle on a file or on a device of the namespace.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/kernel/dosdevices.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/unix_file.h"

namespace platform {

class FileObject : public KernelObject {
public:
    ~FileObject() override;
    BOOL device_io_control(DWORD code, LPVOID in, DWORD in_size, LPVOID out, DWORD out_size,
                           LPDWORD returned) override;

    std::unique_ptr<UnixFile> file;
    bool can_read = false;
    bool can_write = false;
    bool unbuffered = false;  // transfers must be whole logical sectors from aligned memory, as on Windows
    bool device = false;      // opened through the device namespace
    DeviceTarget target;      // for a device: what its name stood for
    std::string delete_on_close;

    std::mutex lock;  // one transfer at a time on the one file position
    uint64_t position = 0;
};

}  // namespace platform
