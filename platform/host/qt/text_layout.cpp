#include "platform/host/qt/text_layout.h"

#include <strings.h>

#include <QFontDatabase>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "platform/win32.h"

namespace platform::qt {

namespace {

// Windows-1252 from 0x80 to 0x9F; 0 where the code page has no character.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char16_t kBox = 0x25A1;

}  // namespace

QString from_ansi(std::string_view bytes, bool shown_controls) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (char byte : bytes) {
        auto b = static_cast<unsigned char>(byte);
        char16_t c = b;
        // The code page's unassigned bytes stand for themselves, as Windows converts them.
        if (b >= 0x80 && b < 0xA0 && kHighControls[b - 0x80]) c = kHighControls[b - 0x80];
        if (shown_controls && (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))) c = kBox;
        text.append(QChar(c));
    }
    return text;
}

char to_ansi(QChar character) {
    char16_t c = character.unicode();
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    if (c < 0xA0 && !kHighControls[c - 0x80]) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] == c && c != 0) return static_cast<char>(0x80 + i);
    return '?';  // the default character of Windows' conversion
}

bool is_fixed_font_name(const std::string& name) {
    for (const char* fixed : {"Fixedsys", "Terminal", "Courier", "Courier New", "Lucida Console", "Consolas"})
        if (strcasecmp(name.c_str(), fixed) == 0) return true;
    return false;
}

QFont dialog_font(const std::string& name) {
    return QFontDatabase::systemFont(is_fixed_font_name(name) ? QFontDatabase::FixedFont : QFontDatabase::GeneralFont);
}

TextMetrics::TextMetrics(const QFont& font, bool grid) : font_(font), metrics_(font) {
    QFontMetrics whole(font);
    height_ = whole.height();
    ascent_ = whole.ascent();
    if (grid) cell_ = std::max(1, static_cast<int>(std::lround(metrics_.horizontalAdvance(QLatin1Char('0')))));
}

int TextMetrics::average_width() const {
    if (cell_) return cell_;
    qreal letters = metrics_.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // Windows rounds; rounding up keeps the texts of templates made for
    // MS Sans Serif inside their controls in a wider font.
    return std::max(1, static_cast<int>(std::ceil(letters / 52)));
}

qreal TextMetrics::advance(QChar c) const { return cell_ ? cell_ : metrics_.horizontalAdvance(c); }

qreal TextMetrics::width(const QString& text) const {
    if (cell_) return static_cast<qreal>(cell_) * text.size();
    qreal total = 0;
    for (QChar c : text) total += advance(c);
    return total;
}

std::vector<qreal> TextMetrics::positions(const QString& text) const {
    std::vector<qreal> x(static_cast<size_t>(text.size()) + 1, 0);
    for (qsizetype i = 0; i < text.size(); ++i) x[static_cast<size_t>(i) + 1] = x[static_cast<size_t>(i)] + advance(text[i]);
    return x;
}

void TextMetrics::draw(QPainter& painter, qreal x, qreal y, const QString& text) const {
    painter.setFont(font_);
    qreal at = x;
    for (QChar c : text) {
        qreal step = advance(c);
        if (c != QLatin1Char(' ')) {
            // A glyph narrower than its cell sits in the cell's middle.
            qreal inset = cell_ ? (cell_ - metrics_.horizontalAdvance(c)) / 2 : 0;
            painter.drawText(QPointF(at + inset, y + ascent_), QString(c));
        }
        at += step;
    }
}

std::vector<QString> TextMetrics::wrap(const QString& text, qreal width) const {
    std::vector<QString> lines;
    for (const QString& paragraph : text.split(QStringLiteral("\r\n"))) {
        QString line;
        qreal line_width = 0;
        qsizetype at = 0;
        while (at < paragraph.size()) {
            // The next word with the blanks before it.
            qsizetype blanks_start = at;
            while (at < paragraph.size() && paragraph[at] == QLatin1Char(' ')) ++at;
            qsizetype word_start = at;
            while (at < paragraph.size() && paragraph[at] != QLatin1Char(' ')) ++at;
            QString blanks = paragraph.mid(blanks_start, word_start - blanks_start);
            QString word = paragraph.mid(word_start, at - word_start);
            qreal word_width = this->width(word);
            if (!line.isEmpty() && line_width + this->width(blanks) + word_width > width) {
                lines.push_back(line);
                line.clear();
                line_width = 0;
                blanks.clear();  // a wrapped line starts with its word
            }
            // A word wider than the whole line stays whole and is cut off.
            line += blanks + word;
            line_width += this->width(blanks) + word_width;
        }
        lines.push_back(line);
    }
    return lines;
}

qsizetype mnemonic_position(const QString& text) {
    qsizetype stripped = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++stripped) {
        if (text[i] != QLatin1Char('&') || i + 1 >= text.size()) continue;
        if (text[i + 1] != QLatin1Char('&')) return stripped;
        ++i;  // "&&" stands for one "&"
    }
    return -1;
}

QString strip_mnemonics(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;
        } else if (text[i] == QLatin1Char('&')) {
            continue;
        }
        out += text[i];
    }
    return out;
}

EditLayout::EditLayout(const std::string& text, DWORD style, const QRect& area, const TextMetrics& metrics)
    : area_(area), line_height_(std::max(1, metrics.height())), multiline_((style & ES_MULTILINE) != 0) {
    // Without ES_AUTOHSCROLL a multi-line edit keeps its lines where they are.
    scrolls_horizontally_ = !multiline_ || (style & ES_AUTOHSCROLL);
    size_t start = 0;
    for (;;) {
        size_t end = multiline_ ? text.find("\r\n", start) : std::string::npos;
        if (end == std::string::npos) end = text.size();
        Line line;
        line.start = static_cast<int>(start);
        line.length = static_cast<int>(end - start);
        line.glyphs = from_ansi(std::string_view(text).substr(start, end - start), true);
        line.x = metrics.positions(line.glyphs);
        qreal width = line.x.back();
        qreal room = area.width() - width;
        // A line wider than the control starts at its left edge, whatever
        // the alignment, so that nothing is cut off before the first character.
        if (style & ES_CENTER) {
            line.left = room > 0 ? std::floor(room / 2) : 0;
        } else if (style & ES_RIGHT) {
            line.left = room > 0 ? room : 0;
        }
        lines_.push_back(std::move(line));
        if (end == text.size()) break;
        start = end + 2;
    }
}

void EditLayout::set_scroll(int first_line, qreal x_offset) {
    first_line_ = std::clamp(first_line, 0, static_cast<int>(lines_.size()) - 1);
    x_offset_ = scrolls_horizontally_ ? std::max<qreal>(0, x_offset) : 0;
}

int EditLayout::line_of(int position) const {
    for (size_t i = lines_.size(); i-- > 0;)
        if (position >= lines_[i].start) return static_cast<int>(i);
    return 0;
}

void EditLayout::scroll_to(int position) {
    int line = line_of(position);
    int visible = std::max(1, area_.height() / line_height_);
    if (line < first_line_) first_line_ = line;
    if (line >= first_line_ + visible) first_line_ = line - visible + 1;
    if (!scrolls_horizontally_) return;
    const Line& l = lines_[static_cast<size_t>(line)];
    int column = std::clamp(position - l.start, 0, l.length);
    qreal x = l.left + l.x[static_cast<size_t>(column)];
    // Windows scrolls by a third of the width when the caret leaves the view.
    qreal step = std::max<qreal>(1, area_.width() / 3.0);
    if (x < x_offset_) x_offset_ = std::max<qreal>(0, x - step);
    if (x > x_offset_ + area_.width() - 1) x_offset_ = x - area_.width() + step;
}

QPointF EditLayout::point_of(int position) const {
    int line = line_of(position);
    const Line& l = lines_[static_cast<size_t>(line)];
    int column = std::clamp(position - l.start, 0, l.length);
    return {area_.left() + l.left + l.x[static_cast<size_t>(column)] - x_offset_, static_cast<qreal>(line_top(line))};
}

int EditLayout::position_at(QPoint point) const {
    int line = first_line_ + static_cast<int>(std::floor(static_cast<qreal>(point.y() - area_.top()) / line_height_));
    line = std::clamp(line, 0, static_cast<int>(lines_.size()) - 1);
    const Line& l = lines_[static_cast<size_t>(line)];
    qreal x = point.x() - area_.left() - l.left + x_offset_;
    // The nearest boundary between characters.
    int column = 0;
    while (column < l.length && x > (l.x[static_cast<size_t>(column)] + l.x[static_cast<size_t>(column) + 1]) / 2) ++column;
    return l.start + column;
}

}  // namespace platform::qt
