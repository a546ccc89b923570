#include "editor/editor_state.h"

#include <cstring>

#include "disk/sector_access.h"

EditorStateData EditorState;

void reset_editor_state() {
    EditorState.Instance = nullptr;
    EditorState.MainWindow = nullptr;
    EditorState.HexPane = nullptr;
    EditorState.TextPane = nullptr;
    EditorState.Accelerators = nullptr;
    EditorState.Icon = nullptr;
    EditorState.SearchDialog = nullptr;
    EditorState.StructureDialog = nullptr;
    AccessMode = ACCESS_DIRECT;
    EditorState.DiskRef = INVALID_HANDLE_VALUE;
    EditorState.CurrentSector = 0;
    EditorState.LastSector = 0;
    memset(EditorState.SectorData, 0, sizeof EditorState.SectorData);
    memset(EditorState.TransferBuffer, 0, sizeof EditorState.TransferBuffer);
    EditorState.SectorDirty = 0;
    EditorState.HexPaneActive = 1;
    EditorState.SearchBusy = 0;
    memset(EditorState.SearchPattern, 0, sizeof EditorState.SearchPattern);
    EditorState.SearchHexMode = 0;
    EditorState.NibbleCount = 0;
    EditorState.NextNibbleHigh = 0;
    memset(EditorState.HexPatternText, 0, sizeof EditorState.HexPatternText);
    EditorState.SearchContinue = 0;
    EditorState.SearchMatchCase = 1;
    EditorState.HaveLastMatch = 0;
    EditorState.LastMatchSector = 0;
    EditorState.LastMatchOffset = 0;
    memset(EditorState.ImageFileFilter, 0, sizeof EditorState.ImageFileFilter);
    EditorState.ShutDown = 0;
    EditorState.LegacyServicesClosed = 0;
}

void post_program_icon(HWND window) {
    PostMessageA(window, WM_SETICON, ICON_SMALL, (LPARAM)EditorState.Icon);
    PostMessageA(window, WM_SETICON, ICON_BIG, (LPARAM)EditorState.Icon);
}

bool refuse_while_searching(HWND owner) {
    if (!EditorState.SearchBusy) return false;
    MessageBoxA(owner, "The disk is being searched. Wait until the search ends, or stop it with Cancel in the Search Disk dialog.",
                "Search Disk", MB_OK);
    return true;
}

void close_modal_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CLOSE) {
        EndDialog(dialog, 0);
    } else {
        DefWindowProcA(dialog, message, wparam, lparam);
    }
}

void tell_sector_shown() {
    if (HWND dialog = EditorState.StructureDialog) PostMessageA(dialog, WM_SECTOR_SHOWN, 0, 0);
}
