#include "editor/pane_render.h"

#include <stdio.h>
#include <string.h>

#include "editor/editor_state.h"
#include "resources/resource.h"

char PaneText[2048];
BYTE TextCopy[512];
char CounterText[COUNTER_LENGTH + 1];

void render_panes() {
    render_hex_pane();
    make_text_copy(EditorState.SectorData, TextCopy);
    format_text_pane(TextCopy, PaneText, false);
    SendMessageA(EditorState.TextPane, WM_SETTEXT, 0, (LPARAM)PaneText);
    format_counter(EditorState.CurrentSector, EditorState.LastSector, CounterText);
    SetDlgItemTextA(EditorState.MainWindow, IDC_SECTOR_COUNTER, CounterText);
    tell_sector_shown();
}

void render_hex_pane() {
    format_hex_pane(EditorState.SectorData, PaneText);
    SendMessageA(EditorState.HexPane, WM_SETTEXT, 0, (LPARAM)PaneText);
}

bool hex_pane_shows_sector() {
    char expected[HEX_PANE_LENGTH + 1];
    char shown[HEX_PANE_LENGTH + 2];
    format_hex_pane(EditorState.SectorData, expected);
    int length = GetWindowTextA(EditorState.HexPane, shown, sizeof shown);
    return length == HEX_PANE_LENGTH && memcmp(shown, expected, HEX_PANE_LENGTH) == 0;
}

void render_text_pane() {
    make_text_copy(EditorState.SectorData, TextCopy);
    format_text_pane(TextCopy, PaneText, true);
    SendMessageA(EditorState.TextPane, WM_SETTEXT, 0, (LPARAM)PaneText);
    tell_sector_shown();  // an edit typed
}

void format_hex_pane(const BYTE* data, char* out) {
    for (int line = 0; line < 32; ++line) {
        char* at = out + HEX_LINE_STRIDE * line;
        for (int k = 0; k < 16; ++k) sprintf(at + 3 * k, "%02X ", data[16 * line + k]);
        if (line < 31) memcpy(at + 48, "\r\n", 2);
    }
}

void make_text_copy(const BYTE* data, BYTE* copy) {
    for (int i = 0; i < 512; ++i) {
        BYTE b = data[i];
        // These would break the pane's grid or end its text.
        copy[i] = (b == 0x00 || b == 0x09 || b == 0x0A || b == 0x0D) ? 0x20 : b;
    }
}

void format_text_pane(const BYTE* copy, char* out, bool final_line_break) {
    for (int line = 0; line < 32; ++line) {
        char* at = out + TEXT_LINE_STRIDE * line;
        memcpy(at, copy + 16 * line, 16);
        if (line < 31 || final_line_break) {
            memcpy(at + 16, "\r\n", 3);
        } else {
            at[16] = '\0';
        }
    }
}

void format_counter(SectorNumber current, SectorNumber last, char* out) {
    // Ten digits each while the numbers fit in 32 bits; beyond, as many as
    // the larger number needs, both alike.
    SectorNumber larger = current > last ? current : last;
    int digits = 10;
    for (SectorNumber rest = larger / 10000000000ULL; rest; rest /= 10) ++digits;
    snprintf(out, COUNTER_LENGTH + 1, "%0*llu of %0*llu", digits, current, digits, last);
}

int hex_position_of_byte(int byte) { return HEX_LINE_STRIDE * (byte / 16) + 3 * (byte % 16); }

int hex_position_to_byte(int position) { return (position - 2 * (position / HEX_LINE_STRIDE)) / 3; }

int hex_position_to_digit(int position) { return (position - 2 * (position / HEX_LINE_STRIDE)) % 3; }

int text_position_of_byte(int byte) { return TEXT_LINE_STRIDE * (byte / 16) + byte % 16; }

int text_position_to_byte(int position) { return 16 * (position / TEXT_LINE_STRIDE) + position % TEXT_LINE_STRIDE; }

int hex_to_text_position(int position) {
    return TEXT_LINE_STRIDE * (position / HEX_LINE_STRIDE) + (position % HEX_LINE_STRIDE) / 3;
}
