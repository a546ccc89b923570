#include "platform/host/qt/key_map.h"

#include <QKeyEvent>
#include <QString>

#include "platform/host/qt/text_layout.h"
#include "platform/user/input.h"

namespace platform::qt {

namespace {

// Codes win32.h leaves out, with Windows' values.
constexpr UINT kVkSnapshot = 0x2C;
constexpr UINT kVkLeftWindows = 0x5B;
constexpr UINT kVkApps = 0x5D;
constexpr UINT kVkScroll = 0x91;
constexpr UINT kVkOem1 = 0xBA;       // ; :
constexpr UINT kVkOemPlus = 0xBB;    // = +
constexpr UINT kVkOemComma = 0xBC;   // , <
constexpr UINT kVkOemMinus = 0xBD;   // - _
constexpr UINT kVkOemPeriod = 0xBE;  // . >
constexpr UINT kVkOem2 = 0xBF;       // / ?
constexpr UINT kVkOem3 = 0xC0;       // ` ~
constexpr UINT kVkOem4 = 0xDB;       // [ {
constexpr UINT kVkOem5 = 0xDC;       // \ |
constexpr UINT kVkOem6 = 0xDD;       // ] }
constexpr UINT kVkOem7 = 0xDE;       // ' "
constexpr UINT kVkPacket = 0xE7;     // a key that carries only a character

UINT keypad_key(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return VK_NUMPAD0 + static_cast<UINT>(key - Qt::Key_0);
    switch (key) {
    case Qt::Key_Asterisk: return VK_MULTIPLY;
    case Qt::Key_Plus: return VK_ADD;
    case Qt::Key_Minus: return VK_SUBTRACT;
    case Qt::Key_Period:
    case Qt::Key_Comma: return VK_DECIMAL;
    case Qt::Key_Slash: return VK_DIVIDE;
    case Qt::Key_Enter:
    case Qt::Key_Return: return VK_RETURN;
    default: return 0;  // the navigation keys of the keypad are the ordinary ones
    }
}

}  // namespace

UINT virtual_key(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier)
        if (UINT vk = keypad_key(key)) return vk;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + static_cast<UINT>(key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + static_cast<UINT>(key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + static_cast<UINT>(key - Qt::Key_F1);
    switch (key) {
    // Shifted digits: Qt names the symbol, Windows the key.
    case Qt::Key_ParenRight: return '0';
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return kVkOem1;
    case Qt::Key_Equal:
    case Qt::Key_Plus: return kVkOemPlus;
    case Qt::Key_Comma:
    case Qt::Key_Less: return kVkOemComma;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return kVkOemMinus;
    case Qt::Key_Period:
    case Qt::Key_Greater: return kVkOemPeriod;
    case Qt::Key_Slash:
    case Qt::Key_Question: return kVkOem2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return kVkOem3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return kVkOem4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return kVkOem5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return kVkOem6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return kVkOem7;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Clear: return VK_CLEAR;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return VK_MENU;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return kVkScroll;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_Print: return kVkSnapshot;
    case Qt::Key_Meta:
    case Qt::Key_Super_L: return kVkLeftWindows;
    case Qt::Key_Menu: return kVkApps;
    default: return 0;
    }
}

UINT event_virtual_key(const QKeyEvent& event) {
    UINT vk = virtual_key(event.key(), event.modifiers());
    QList<uint> typed = event.text().toUcs4();
    // A character beyond ASCII is typed by no key the accelerators can name,
    // whatever Qt calls the key; a key without a code of its own still types.
    if (typed.size() == 1 && typed[0] != 0 && (typed[0] >= 0x80 || !vk)) return kVkPacket;
    return vk;
}

BYTE input_modifiers(Qt::KeyboardModifiers modifiers, UINT vk, const QString* text) {
    BYTE bits = 0;
    if (modifiers & Qt::ShiftModifier) bits |= kInputShift;
    if (modifiers & Qt::ControlModifier) bits |= kInputControl;
    if (modifiers & Qt::AltModifier) bits |= kInputAlt;
    // Qt does not report Caps Lock; a letter typed in the other case than
    // Shift asks for tells it.
    if (text && text->size() == 1 && vk >= 'A' && vk <= 'Z' && !(modifiers & Qt::ControlModifier)) {
        QChar c = text->at(0);
        bool shift = (modifiers & Qt::ShiftModifier) != 0;
        if (c.isLetter() && (c.isUpper() != shift)) bits |= kInputCapsLock;
    }
    return bits;
}

char typed_character(const QKeyEvent& event) {
    QList<uint> typed = event.text().toUcs4();
    if (typed.size() != 1) return 0;
    return typed[0] > 0xFFFF ? '?' : to_ansi(QChar(static_cast<char16_t>(typed[0])));
}

}  // namespace platform::qt
