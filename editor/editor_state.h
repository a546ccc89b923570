// The editor's process-wide state. Every part of the editor reads and changes
// these items directly; the search worker shares the atomic ones and gets the
// rest handed over under SearchBusy.
#pragma once

#include <atomic>

#include "disk/sector_access.h"
#include "platform/win32.h"
#include "resources/resource.h"

struct EditorStateData {
    HINSTANCE Instance;
    HWND MainWindow;
    HWND HexPane;
    HWND TextPane;
    HACCEL Accelerators;
    HICON Icon;
    std::atomic<HWND> SearchDialog;
    // Sector Structure, while open: told of each change of the shown
    // sector (WM_SECTOR_SHOWN), from whichever thread made it.
    std::atomic<HWND> StructureDialog;

    HANDLE DiskRef;   // device handle (direct path) or drive number with A = 1 (legacy path)
    std::atomic<SectorNumber> CurrentSector;
    SectorNumber LastSector;
    BYTE SectorData[512];
    BYTE TransferBuffer[512];
    BYTE SectorDirty;
    BYTE HexPaneActive;

    std::atomic<BYTE> SearchBusy;
    char SearchPattern[50];
    BYTE SearchHexMode;
    BYTE NibbleCount;      // hex digits entered, 0 to 50
    BYTE NextNibbleHigh;   // 1 when the next digit starts a byte
    char HexPatternText[76];
    std::atomic<BYTE> SearchContinue;  // cleared when the dialog closes: the worker stops between chunks
    BYTE SearchMatchCase;  // 0: ASCII letters of a text pattern match either case
    // The last match a search showed, where Find Next and Find Previous go
    // on from while its sector is the shown one. Written by the worker
    // before it clears SearchBusy.
    BYTE HaveLastMatch;
    SectorNumber LastMatchSector;
    WORD LastMatchOffset;
    char ImageFileFilter[64];

    // Set by the main window's shutdown: the outer loop ends even when a
    // nested loop took the quit request.
    BYTE ShutDown;
    BYTE LegacyServicesClosed;
};

extern EditorStateData EditorState;

constexpr UINT WM_SECTOR_SHOWN = WM_APP + 2;
// Posts WM_SECTOR_SHOWN to the Sector Structure dialog when it is open.
void tell_sector_shown();

// Start values: no disk, sector 0, nothing dirty, hex pane active.
void reset_editor_state();

// The program's icon, small and big, for a window's caption and task bar.
void post_program_icon(HWND window);

// The closing messages of a modal dialog owned by the main window: WM_CLOSE
// ends it with EndDialog, which gives the owner its input back before the
// dialog goes, so that the main window, not another program's, is active
// again; the others get the default handling.
void close_modal_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// A dialog's Cancel button, or Escape (the dialog manager's IDCANCEL),
// which does the same.
inline bool is_cancel_command(WORD id) { return id == IDC_CANCEL || id == IDCANCEL; }

// A running search reads the disk and may replace the shown sector at any
// moment, so nothing else may touch the disk meanwhile. True, after telling
// the user (owner: the window the action came from), while one runs.
bool refuse_while_searching(HWND owner);
