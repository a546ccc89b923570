// Long work on the user-interface thread (Copy Block, Export, Import).
// Between its chunks the window system is served, so that its progress
// shows and the user can stop it; the program's other windows wait
// meanwhile, as they would behind a modal dialog.
#pragma once

#include "disk/sector_access.h"
#include "platform/win32.h"

// The main window and the Search Disk dialog take no input until
// end_long_work. dialog: the window whose keys and buttons work meanwhile
// (none: set it later with set_long_work_dialog).
void begin_long_work(HWND dialog);
void set_long_work_dialog(HWND dialog);
void end_long_work();
bool long_work_running();

// Between chunks: serves the window system. True once the user asked to
// stop: the dialog's Cancel or close box, Escape, or the end of the session.
bool long_work_stopped();
// For the dialog's Cancel and close box: the work stops after the chunk in hand.
void stop_long_work();

// The progress of a run: done × 100 ÷ total, rounded down, exact for every
// count of sectors there is.
int percent_done(SectorNumber done, SectorNumber total);
