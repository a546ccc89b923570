#include "editor/caret_editing.h"

#include <stdio.h>

#include "editor/editor_state.h"
#include "editor/pane_render.h"
#include "resources/resource.h"

DWORD hex_digit_value(UINT command) {
    if (command == IDM_DIGIT_0) return 0;
    if (command >= IDM_DIGIT_1 && command <= IDM_DIGIT_9) return command - IDM_DIGIT_1 + 1;
    switch (command) {
    case IDM_DIGIT_A: return 10;
    case IDM_DIGIT_B: return 11;
    case IDM_DIGIT_C: return 12;
    case IDM_DIGIT_D: return 13;
    case IDM_DIGIT_E: return 14;
    case IDM_DIGIT_F: return 15;
    default: break;
    }
    if (command >= IDM_DIGIT_LOWER_A && command <= IDM_DIGIT_LOWER_F) return command - IDM_DIGIT_LOWER_A + 10;
    return 0;
}

char hex_digit_char(UINT command) {
    if (command == IDM_DIGIT_0) return '0';
    if (command >= IDM_DIGIT_1 && command <= IDM_DIGIT_9) return (char)('1' + (command - IDM_DIGIT_1));
    if (command >= IDM_DIGIT_LOWER_A && command <= IDM_DIGIT_LOWER_F) return (char)('a' + (command - IDM_DIGIT_LOWER_A));
    DWORD value = hex_digit_value(command);
    return value >= 10 ? (char)('A' + value - 10) : 0;
}

// The caret of a pane: the start of its selection.
static int caret_of(HWND pane) {
    DWORD start = 0;
    SendMessageA(pane, EM_GETSEL, (WPARAM)&start, 0);
    return (int)start;
}

static void put_caret(HWND pane, int position) { SendMessageA(pane, EM_SETSEL, position, position); }

void snap_hex_caret() {
    int p = caret_of(EditorState.HexPane);
    int col = p % HEX_LINE_STRIDE;
    if (hex_position_to_digit(p) != 2 && col < HEX_LINE_TEXT) return;  // on a digit
    if (col < HEX_LINE_TEXT - 1) {
        put_caret(EditorState.HexPane, p + 1);  // a separator: the next byte's high digit
    } else if (p < HEX_LAST_LINE) {
        put_caret(EditorState.HexPane, p + 3);  // end of a line: the next line's first digit
    }
}

void replace_char_at_caret(HWND pane, char character) {
    int s = caret_of(pane);
    SendMessageA(pane, EM_SETSEL, s, s + 1);
    char text[2] = {character, '\0'};
    SendMessageA(pane, EM_REPLACESEL, 0, (LPARAM)text);
}

// The character an unshifted letter key makes: lower case, upper case
// while Caps Lock is on.
static char typed_letter(char upper) {
    return (GetKeyState(VK_CAPITAL) & 1) ? upper : (char)(upper - 'A' + 'a');
}

void type_hex_digit(UINT command) {
    if (EditorState.SearchBusy) return;
    if (EditorState.HexPaneActive != 1) {
        // The keys A-F arrive here as commands; in the text pane they stand
        // for the letters typed, not for upper-case digits.
        char character = hex_digit_char(command);
        if (command >= IDM_DIGIT_A && command <= IDM_DIGIT_F) character = typed_letter(character);
        store_text_byte((BYTE)character);
        return;
    }
    snap_hex_caret();
    int p = caret_of(EditorState.HexPane);
    if (p > HEX_LAST_DIGIT) return;
    BYTE value = (BYTE)hex_digit_value(command);
    BYTE* byte = &EditorState.SectorData[hex_position_to_byte(p)];
    if (hex_position_to_digit(p) == 0) {
        *byte = (BYTE)((value << 4) | (*byte & 0x0F));
    } else {
        *byte = (BYTE)((*byte & 0xF0) | value);
    }
    EditorState.SectorDirty = 1;
    char character = hex_digit_char(command);
    if (character > 0x60) character -= 0x20;
    replace_char_at_caret(EditorState.HexPane, character);
    render_text_pane();
    // The caret must stand where the arithmetic says, or the next digit edits
    // another byte than the one shown under it.
    if (!hex_pane_shows_sector()) render_hex_pane();
    put_caret(EditorState.HexPane, p + 1);
    snap_hex_caret();
}

void store_text_byte(BYTE value) {
    if (EditorState.SearchBusy) return;
    EditorState.SectorDirty = 1;
    int p = caret_of(EditorState.TextPane);
    int line = p / TEXT_LINE_STRIDE;
    int col = p % TEXT_LINE_STRIDE;
    if (col > 15) {
        if (line == TEXT_LAST_LINE) return;
        put_caret(EditorState.TextPane, p + 2);
        p = caret_of(EditorState.TextPane);
        line = p / TEXT_LINE_STRIDE;
        col = p % TEXT_LINE_STRIDE;
    }
    int i = text_position_to_byte(p);
    if (i >= 512) return;
    EditorState.SectorData[i] = value;
    render_text_pane();
    int hex = hex_position_of_byte(i);
    SendMessageA(EditorState.HexPane, EM_SETSEL, hex, hex + 2);
    char digits[3];
    snprintf(digits, sizeof digits, "%02X", value);
    SendMessageA(EditorState.HexPane, EM_REPLACESEL, 0, (LPARAM)digits);
    if (!hex_pane_shows_sector()) {
        render_hex_pane();
        put_caret(EditorState.HexPane, hex + 2);
    }
    if (++col > 15) {
        col = 0;
        ++line;
    }
    if (line > TEXT_LAST_LINE) {
        line = TEXT_LAST_LINE;
        col = 15;
    }
    put_caret(EditorState.TextPane, TEXT_LINE_STRIDE * line + col);
}

void move_caret_right() {
    int p = caret_of(EditorState.HexPane);
    if (p >= HEX_LAST_DIGIT) return;
    put_caret(EditorState.HexPane, p + 1);
    snap_hex_caret();
}

void move_caret_left() {
    int p = caret_of(EditorState.HexPane);
    if (p == 0) return;
    put_caret(EditorState.HexPane, p);
    int col = p % HEX_LINE_STRIDE;
    if (hex_position_to_digit(p) != 0 && col < HEX_LINE_TEXT) {
        put_caret(EditorState.HexPane, p - 1);
    } else if (col == 0) {
        put_caret(EditorState.HexPane, p - 4);
    } else {
        put_caret(EditorState.HexPane, p - 2);
    }
}

void move_caret_down() {
    int p = caret_of(EditorState.HexPane);
    if (p < HEX_LAST_LINE) put_caret(EditorState.HexPane, p + HEX_LINE_STRIDE);
}

void move_caret_up() {
    int p = caret_of(EditorState.HexPane);
    if (p >= HEX_LINE_STRIDE) put_caret(EditorState.HexPane, p - HEX_LINE_STRIDE);
}

void switch_pane() {
    if (EditorState.HexPaneActive == 1) {
        int p = caret_of(EditorState.HexPane);
        int t = hex_to_text_position(p);
        SendMessageA(EditorState.TextPane, EM_SETSEL, t + 1, t);
        SetFocus(EditorState.TextPane);
    } else {
        SetFocus(EditorState.HexPane);
    }
    EditorState.HexPaneActive = EditorState.HexPaneActive == 1 ? 0 : 1;
}

void focus_hex_pane() {
    SetFocus(EditorState.HexPane);
    int t = hex_to_text_position(caret_of(EditorState.HexPane));
    SendMessageA(EditorState.TextPane, EM_SETSEL, t, t);
}

void select_sector_bytes(int first, int count) {
    int last = first + count - 1;
    SendMessageA(EditorState.HexPane, EM_SETSEL, hex_position_of_byte(first), hex_position_of_byte(last) + 2);
    SendMessageA(EditorState.TextPane, EM_SETSEL, text_position_of_byte(first), text_position_of_byte(last) + 1);
}
