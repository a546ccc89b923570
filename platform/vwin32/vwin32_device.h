// The 95/98 volume-services device behind "\\.\vwin32".
#pragma once

#include <memory>

#include "platform/kernel/handles.h"

namespace platform {

// Null with *error set when the layer plays the NT family, which has no
// such device.
std::shared_ptr<KernelObject> open_vwin32_device(DWORD* error);

// The memory a 32-bit register value stands for, as dioc_address made it;
// null for a value that no pointer was registered under.
void* dioc_resolve(DWORD address);
// Forgets a token; its value may be handed out again.
void dioc_release(DWORD address);

}  // namespace platform
