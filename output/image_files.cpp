#include "output/image_files.h"

#include <string.h>

#include "editor/editor_state.h"

OPENFILENAMEA ImageFileDialog;
char ImageFileName[256];

void prepare_image_file_dialog(const char* title) {
    memset(&ImageFileDialog, 0, sizeof ImageFileDialog);
    // The record's own size: 64-bit Windows refuses the 32-bit one.
    ImageFileDialog.lStructSize = sizeof(OPENFILENAMEA);
    ImageFileDialog.hwndOwner = EditorState.MainWindow;
    ImageFileDialog.lpstrFilter = EditorState.ImageFileFilter;
    ImageFileDialog.nFilterIndex = 1;
    ImageFileDialog.lpstrFile = ImageFileName;
    ImageFileDialog.nMaxFile = sizeof ImageFileName;
    ImageFileDialog.lpstrTitle = title;
    ImageFileDialog.Flags = OFN_HIDEREADONLY;
    ImageFileDialog.lpstrDefExt = "bin";
}
