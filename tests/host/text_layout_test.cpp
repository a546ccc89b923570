// Text as the Qt host draws it and keys as it hands them on.
#include <QKeyEvent>

#include "platform/host/qt/key_map.h"
#include "platform/host/qt/text_layout.h"
#include "platform/user/input.h"
#include "qt_fixture.h"

using platform::qt::EditLayout;
using platform::qt::from_ansi;
using platform::qt::TextMetrics;

namespace {

class TextLayout : public testing_support::QtHostTest {
protected:
    TextMetrics grid() { return TextMetrics(platform::qt::dialog_font("Fixedsys"), true); }
};

TEST(CodePage, BytesAreWindows1252AndControlsKeepAVisibleCell) {
    QString text = from_ansi("\x80\x9F\xE9\x81 A");
    EXPECT_EQ(text, QString::fromUtf8("\u20AC\u0178\u00E9\u0081 A"));
    QString shown = from_ansi(std::string("\x01\x81\x7F\x00x", 5), true);
    EXPECT_EQ(shown, QString::fromUtf8("\u25A1\u25A1\u25A1\u25A1x"));
    for (int b = 1; b < 256; ++b) {
        char byte = static_cast<char>(b);
        EXPECT_EQ(platform::qt::to_ansi(from_ansi(std::string(1, byte)).at(0)), byte) << b;
    }
    EXPECT_EQ(platform::qt::to_ansi(QChar(0x03A9)), '?') << "no byte for Omega";
    EXPECT_EQ(platform::qt::strip_mnemonics(QStringLiteral("&File && &Edit&")), QStringLiteral("File & Edit"));
    // The letter to underline, counted in the stripped text.
    EXPECT_EQ(platform::qt::mnemonic_position(QStringLiteral("Sea&rch")), 3);
    EXPECT_EQ(platform::qt::mnemonic_position(QStringLiteral("A && &B")), 4);
    EXPECT_EQ(platform::qt::mnemonic_position(QStringLiteral("Fish && Chips")), -1);
}

TEST_F(TextLayout, StaticTextsWrapAtBlanksAndLineBreaks) {
    TextMetrics metrics = grid();
    int cell = metrics.cell();
    ASSERT_GT(cell, 0);
    EXPECT_EQ(metrics.width(QStringLiteral("0123")), 4 * cell) << "a grid of whole cells";
    auto lines = metrics.wrap(QStringLiteral("000 010 020"), 5 * cell);
    EXPECT_EQ(lines, (std::vector<QString>{QStringLiteral("000"), QStringLiteral("010"), QStringLiteral("020")}));
    lines = metrics.wrap(QStringLiteral("ab cd\r\nef"), 20 * cell);
    EXPECT_EQ(lines, (std::vector<QString>{QStringLiteral("ab cd"), QStringLiteral("ef")}));
    lines = metrics.wrap(QStringLiteral("wider-than-all x"), 4 * cell);
    EXPECT_EQ(lines, (std::vector<QString>{QStringLiteral("wider-than-all"), QStringLiteral("x")}))
        << "a long word stays whole and is cut off";
}

TEST_F(TextLayout, EditLinesAlignAndClicksFindTheNearestBoundary) {
    TextMetrics metrics = grid();
    int cell = metrics.cell();
    int lh = metrics.height();
    QRect area(2, 3, 10 * cell, 3 * lh);
    EditLayout centred("ab\r\nabcdefghijkl\r\n", ES_MULTILINE | ES_CENTER, area, metrics);
    ASSERT_EQ(centred.lines().size(), 3u);
    EXPECT_EQ(centred.lines()[0].left, 4 * cell) << "centred in the room";
    EXPECT_EQ(centred.lines()[1].left, 0) << "a line wider than the control starts at its left";
    EXPECT_EQ(centred.point_of(1), QPointF(2 + 5 * cell, 3));
    EXPECT_EQ(centred.point_of(4 + 3), QPointF(2 + 3 * cell, 3 + lh));
    EXPECT_EQ(centred.point_of(16), QPointF(2 + 12 * cell, 3 + lh)) << "the end of a line, before its CR LF";
    EXPECT_EQ(centred.point_of(18), QPointF(2 + 5 * cell, 3 + 2 * lh)) << "the empty last line";
    // The nearest boundary: just left of a cell's middle, just right of it.
    EXPECT_EQ(centred.position_at(QPoint(2 + 5 * cell + cell / 2 - 1, 4)), 1);
    EXPECT_EQ(centred.position_at(QPoint(2 + 5 * cell + cell / 2 + 1, 4)), 2);
    EXPECT_EQ(centred.position_at(QPoint(0, 3 + lh + 1)), 4) << "left of a line: its start";
    EXPECT_EQ(centred.position_at(QPoint(area.right() + 50, 3 + lh + 1)), 16) << "right of it: its end";
    EXPECT_EQ(centred.position_at(QPoint(2, 500)), 18) << "below the last line: the last line";
    EditLayout right("ab", ES_MULTILINE | ES_RIGHT, area, metrics);
    EXPECT_EQ(right.lines()[0].left, 8 * cell);
}

TEST_F(TextLayout, EditsScrollJustEnoughToShowTheCaret) {
    TextMetrics metrics = grid();
    int cell = metrics.cell();
    int lh = metrics.height();
    QRect area(0, 0, 10 * cell, 3 * lh);
    EditLayout single(std::string(40, 'x'), ES_AUTOHSCROLL, area, metrics);
    single.scroll_to(40);
    QPointF end = single.point_of(40);
    EXPECT_GT(single.x_offset(), 0);
    EXPECT_GE(end.x(), area.left());
    EXPECT_LE(end.x(), area.right());
    EXPECT_EQ(single.position_at(end.toPoint() + QPoint(1, 1)), 40) << "clicks see the scrolled text";
    single.scroll_to(0);
    EXPECT_EQ(single.x_offset(), 0);

    std::string lines;
    for (int i = 0; i < 10; ++i) lines += std::string(30, 'a' + i) + "\r\n";
    EditLayout pane(lines, ES_MULTILINE, area, metrics);
    pane.scroll_to(9 * 32 + 29);
    EXPECT_EQ(pane.first_line(), 7);
    EXPECT_EQ(pane.x_offset(), 0) << "without ES_AUTOHSCROLL the lines stay put";
    EXPECT_EQ(pane.position_at(QPoint(1, 1)), 7 * 32);
    pane.scroll_to(32);
    EXPECT_EQ(pane.first_line(), 1);
}

// Key events want an application to belong to.
class KeyMap : public testing_support::QtHostTest {};

QKeyEvent key(int code, Qt::KeyboardModifiers modifiers, const QString& text) {
    return QKeyEvent(QEvent::KeyPress, code, modifiers, text);
}

TEST_F(KeyMap, QtKeysAreWindowsVirtualKeysCharactersAndModifiers) {
    using platform::qt::virtual_key;
    EXPECT_EQ(virtual_key(Qt::Key_A, {}), static_cast<UINT>('A'));
    EXPECT_EQ(virtual_key(Qt::Key_7, Qt::KeypadModifier), static_cast<UINT>(VK_NUMPAD7));
    EXPECT_EQ(virtual_key(Qt::Key_Asterisk, Qt::KeypadModifier), static_cast<UINT>(VK_MULTIPLY));
    EXPECT_EQ(virtual_key(Qt::Key_Asterisk, Qt::ShiftModifier), static_cast<UINT>('8'));
    EXPECT_EQ(virtual_key(Qt::Key_Exclam, Qt::ShiftModifier), static_cast<UINT>('1'));
    EXPECT_EQ(virtual_key(Qt::Key_PageDown, {}), static_cast<UINT>(VK_NEXT));
    EXPECT_EQ(virtual_key(Qt::Key_Backtab, Qt::ShiftModifier), static_cast<UINT>(VK_TAB));
    EXPECT_EQ(virtual_key(Qt::Key_Enter, Qt::KeypadModifier), static_cast<UINT>(VK_RETURN));
    EXPECT_EQ(virtual_key(Qt::Key_unknown, {}), 0u);

    using platform::qt::input_modifiers;
    QString upper = QStringLiteral("A"), lower = QStringLiteral("a");
    EXPECT_EQ(input_modifiers(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier),
              platform::kInputShift | platform::kInputControl | platform::kInputAlt);
    EXPECT_EQ(input_modifiers({}, 'A', &upper), platform::kInputCapsLock) << "upper case without Shift";
    EXPECT_EQ(input_modifiers(Qt::ShiftModifier, 'A', &lower), platform::kInputShift | platform::kInputCapsLock);
    EXPECT_EQ(input_modifiers(Qt::ShiftModifier, 'A', &upper), platform::kInputShift);

    using platform::qt::typed_character;
    EXPECT_EQ(typed_character(key(Qt::Key_E, {}, QStringLiteral("e"))), 'e');
    EXPECT_EQ(typed_character(key(Qt::Key_E, {}, QString(QChar(0x20AC)))), '\x80') << "the euro sign is byte 0x80";
    EXPECT_EQ(typed_character(key(Qt::Key_Return, {}, QStringLiteral("\r"))), '\r');
    EXPECT_EQ(typed_character(key(Qt::Key_Left, {}, QString())), 0);
    EXPECT_EQ(typed_character(key(Qt::Key_O, {}, QString(QChar(0x03A9)))), '?');
}

}  // namespace
