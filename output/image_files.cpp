#include "output/image_files.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "disk/sector_access.h"
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

// Unbuffered device transfers want the buffer on a block boundary; 4096
// covers every logical block size a disk reports. The block's own start is
// kept just before the aligned buffer.
static const size_t BUFFER_ALIGNMENT = 4096;

BYTE* allocate_chunk_buffer() {
    size_t bytes = (CHUNK_SECTORS + 1) * SECTOR_SIZE;
    BYTE* block = (BYTE*)malloc(bytes + BUFFER_ALIGNMENT + sizeof(void*));
    if (!block) return NULL;
    uintptr_t start = (uintptr_t)(block + sizeof(void*));
    BYTE* buffer = (BYTE*)((start + BUFFER_ALIGNMENT - 1) & ~(uintptr_t)(BUFFER_ALIGNMENT - 1));
    memcpy(buffer - sizeof(void*), &block, sizeof block);
    return buffer;
}

void free_chunk_buffer(BYTE* buffer) {
    if (!buffer) return;
    BYTE* block;
    memcpy(&block, buffer - sizeof(void*), sizeof block);
    free(block);
}

DWORD sectors_within_disk(DWORD first, DWORD count) {
    if (first > EditorState.LastSector) return 0;
    unsigned long long available = (unsigned long long)EditorState.LastSector - first + 1;
    return count < available ? count : (DWORD)available;
}
