// Device contexts of printers: the GDI calls of a print job, carried out by
// the host's printer.
#pragma once

#include <memory>

#include "platform/host/host.h"

namespace platform {

HDC create_printer_dc(std::shared_ptr<PrinterDevice> printer);

}  // namespace platform
