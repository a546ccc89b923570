// The texts of the two sector panes and the counter, and the character
// positions in them that the caret code works with.
//
// Hex pane: 32 lines of "%02X " x 16, CR LF after lines 0-30 (1598 characters).
// Text pane: 32 lines of 16 characters, CR LF after each line but the last,
// or after every line where the final break is asked for (574 or 576).
#pragma once

#include "disk/sector_access.h"
#include "platform/win32.h"

constexpr int HEX_LINE_STRIDE = 50;
constexpr int TEXT_LINE_STRIDE = 18;
constexpr int HEX_PANE_LENGTH = 31 * HEX_LINE_STRIDE + 48;     // 1598
constexpr int TEXT_PANE_LENGTH = 31 * TEXT_LINE_STRIDE + 16;   // 574
constexpr int TEXT_PANE_LENGTH_WITH_BREAK = 32 * TEXT_LINE_STRIDE;  // 576
// "%010u of %010u" up to 2^32 sectors; beyond, up to 20 digits each.
constexpr int COUNTER_LENGTH = 44;
// A hex line: 16 bytes of two digits and a blank (48 characters), then CR LF.
constexpr int HEX_LINE_TEXT = 48;
constexpr int HEX_LAST_LINE = 31 * HEX_LINE_STRIDE;           // where the last line starts: 1550
constexpr int HEX_LAST_DIGIT = HEX_LAST_LINE + 3 * 15 + 1;     // the last byte's low digit: 1596
constexpr int TEXT_LAST_LINE = 31;

// One scratch buffer for both panes' texts, the display copy and the counter.
extern char PaneText[2048];
extern BYTE TextCopy[512];
extern char CounterText[COUNTER_LENGTH + 1];

// Rebuild the panes and the counter of the main window from SectorData,
// CurrentSector and LastSector; the text pane alone for a keystroke edit.
void render_panes();
void render_text_pane();
void render_hex_pane();
// Whether the hex pane holds exactly the text SectorData gives: a control
// may refuse or garble a patch.
bool hex_pane_shows_sector();

// Each writes its text and a terminating zero into out.
void format_hex_pane(const BYTE* data, char* out);
void make_text_copy(const BYTE* data, BYTE* copy);  // 0x00, 0x09, 0x0A, 0x0D become spaces
void format_text_pane(const BYTE* copy, char* out, bool final_line_break);
void format_counter(SectorNumber current, SectorNumber last, char* out);

// Positions, as character offsets from the start of a pane's text.
int hex_position_of_byte(int byte);   // the byte's high digit; +1 low digit, +2 separator
int hex_position_to_byte(int position);
int hex_position_to_digit(int position);  // 0 high digit, 1 low digit, 2 separator
int text_position_of_byte(int byte);
int text_position_to_byte(int position);  // for columns 0-15; 16 and 17 are the line break
int hex_to_text_position(int position);
