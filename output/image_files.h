// Sector image files: export of a run of sectors into a raw image file and
// import of such a file onto the disk, both from the shown sector on.
#pragma once

#include "platform/win32.h"

// Sectors moved per transfer call; the chunk buffer holds this many.
constexpr DWORD CHUNK_SECTORS = 128;

// One record for both file dialogs, refilled before each use.
extern OPENFILENAMEA ImageFileDialog;
// The path chosen last, by either operation: offered again next time.
extern char ImageFileName[256];

void export_sectors();
void import_sectors();

// Fills ImageFileDialog for a dialog with this title.
void prepare_image_file_dialog(const char* title);

// A chunk buffer followed by one spare sector, aligned as unbuffered device
// transfers need it; null when it cannot be had. Release it with free_chunk_buffer.
BYTE* allocate_chunk_buffer();
void free_chunk_buffer(BYTE* buffer);

// How many of count sectors from first lie on the disk: none after
// LastSector, and never past the last sector number there is.
DWORD sectors_within_disk(DWORD first, DWORD count);
