// Text as the Qt host draws it: the program's single-byte text in the
// Windows code page, measured and drawn one character at a time so that
// what is drawn and where a click lands always agree. A fixed-pitch dialog
// font is drawn on a grid of whole-pixel cells, as Windows' raster fonts
// are, so columns of hex digits line up with their headings.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QRect>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

class QPainter;

namespace platform::qt {

// The program's bytes as characters of Windows-1252. With shown_controls,
// control codes and the code page's unassigned bytes become a box, so that
// every byte keeps a visible cell (edit panes, printed dumps).
QString from_ansi(std::string_view bytes, bool shown_controls = false);
// A character typed by the user as the program's byte; '?' when the code page
// has none for it, as an ANSI window receives such a character.
char to_ansi(QChar character);

// The fonts that stand for the dialog fonts: Fixedsys (and the other
// fixed-pitch Windows fonts) is the system's fixed font, anything else the
// system font.
bool is_fixed_font_name(const std::string& name);
QFont dialog_font(const std::string& name);

// Widths and drawing of a text in one font. On a grid every character takes
// one cell of the grid's width.
class TextMetrics {
public:
    TextMetrics() = default;
    TextMetrics(const QFont& font, bool grid);

    const QFont& font() const { return font_; }
    int height() const { return height_; }
    int ascent() const { return ascent_; }
    int cell() const { return cell_; }  // 0: proportional
    // The average character width of "A".."Z" "a".."z" (rounded up), as
    // Windows measures a dialog font; on a grid, the cell.
    int average_width() const;

    qreal advance(QChar c) const;
    qreal width(const QString& text) const;
    // The x of each position of text, from 0 before the first character to
    // the end after the last: size() + 1 entries.
    std::vector<qreal> positions(const QString& text) const;
    // Draws text with its top left at (x, y).
    void draw(QPainter& painter, qreal x, qreal y, const QString& text) const;

    // Word wrapping as a static text control does it: lines break at CR LF,
    // at blanks where the next word would not fit, and inside a word that
    // is wider than the whole width.
    std::vector<QString> wrap(const QString& text, qreal width) const;

private:
    QFont font_;
    QFontMetricsF metrics_{QFont()};
    int cell_ = 0;
    int height_ = 0;
    int ascent_ = 0;
};

// Removes the '&' marks of a control text: "&&" is one '&'.
QString strip_mnemonics(const QString& text);
// Where the underlined letter stands once the marks are stripped; -1: none.
qsizetype mnemonic_position(const QString& text);

// Where the lines and characters of an edit control stand. Built from the
// control's text, its style and size; the first line shown and the
// horizontal scroll are the control's own and survive rebuilding.
class EditLayout {
public:
    struct Line {
        int start = 0;   // position of the first character in the text
        int length = 0;  // characters, without the CR LF
        QString glyphs;
        std::vector<qreal> x;  // positions, relative to the line's left
        qreal left = 0;        // the line's left edge in the control
    };

    EditLayout() = default;
    // area: the text's rectangle inside the control's frame and margins.
    EditLayout(const std::string& text, DWORD style, const QRect& area, const TextMetrics& metrics);

    // Scrolls as little as possible so that position is in view.
    void scroll_to(int position);
    void set_scroll(int first_line, qreal x_offset);
    int first_line() const { return first_line_; }
    qreal x_offset() const { return x_offset_; }

    const std::vector<Line>& lines() const { return lines_; }
    const QRect& area() const { return area_; }
    int line_height() const { return line_height_; }
    int line_of(int position) const;
    // The top left of the caret before position, in control coordinates.
    QPointF point_of(int position) const;
    // The position nearest to a point of the control.
    int position_at(QPoint point) const;
    int line_top(int line) const { return area_.top() + (line - first_line_) * line_height_; }

private:
    std::vector<Line> lines_;
    QRect area_;
    int line_height_ = 1;
    bool multiline_ = false;
    bool scrolls_horizontally_ = true;
    int first_line_ = 0;
    qreal x_offset_ = 0;
};

}  // namespace platform::qt
