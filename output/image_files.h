// Sector image files: export of a run of sectors into a raw image file and
// import of such a file onto the disk, both from the shown sector on.
#pragma once

#include "platform/win32.h"

// One record for both file dialogs, refilled before each use.
extern OPENFILENAMEA ImageFileDialog;
// The path chosen last, by either operation: offered again next time.
extern char ImageFileName[256];

void export_sectors();
void import_sectors();

// Fills ImageFileDialog for a dialog with this title.
void prepare_image_file_dialog(const char* title);
