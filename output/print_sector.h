// Print Sector: the shown sector as a heading and a dump of 32 lines, one
// page per copy chosen in the print dialog.
#pragma once

#include "platform/win32.h"

// Prints SectorData as it stands, unsaved edits included; the disk is not
// read. Cancel in the print dialog prints nothing.
void print_sector();
