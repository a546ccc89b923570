// Stepping through the disk, saving and undoing edits, the transfer buffer.
#pragma once

#include "disk/sector_access.h"
#include "platform/win32.h"

// Asks whether to save unsaved edits first. False when the user asked to
// keep them and they could not be written: the caller must not move on.
bool prompt_save_changes();
void step_to_next_sector();
void step_to_previous_sector();
// To a sector (the last, for one past it) as stepping goes: the save
// question first.
void move_to_sector(SectorNumber sector);
DWORD save_current_sector();
void undo_changes();
void copy_to_buffer();
void paste_from_buffer();
void zero_data();

// After a read of the shown sector into SectorData that gave bytes_read:
// the part not read is blanked, so the panes never show another sector's
// bytes under this sector's number (nor would Save write them there); a
// short read is said ("Error accessing contents of sector", owned by owner,
// or by nobody should owner be gone meanwhile); the panes show the sector.
void show_sector_read(DWORD bytes_read, HWND owner);
