// The Search Disk dialog's hexadecimal pattern, entered key by key: digits
// (main keys and keypad), Backspace and Delete, other keys, clicks on the
// mode buttons and the field, and closing and opening the dialog again.
// After every action the pattern kept, its text in the field and the mode
// are checked against a model: in hexadecimal mode the digits typed, at
// most 50, shown in pairs with a blank after each byte.
//
// Input: one action per byte. 0-9, A-F and a-f: that digit's key; 0x80-0x89:
// keypad 0-9; '<' and 0x08 Backspace; '>' Delete; '#' click Hexadecimal;
// '$' click ASCII; '%' click the field; '|' close with Cancel and open
// again; '.' the left arrow; '_' Home; Tab; any other byte: the key that
// types it. The dialog's keys hold: Tab goes field, ASCII, Hexadecimal,
// Match case (in ASCII mode only: in hex mode it is greyed), Search,
// Cancel; on a button a letter is a mnemonic (or nothing), Space presses
// it (and toggles Match case); the arrows move between the two mode
// buttons. Actions that
// would press Search or Cancel, and Enter and Escape, are left out: they end
// the dialog or start a search (the dialog's tests cover them).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "editor/editor_state.h"
#include "fuzz/fuzz_support.h"
#include "platform/host/headless/headless_host.h"
#include "platform/user/input.h"
#include "platform/win32.h"
#include "resources/resource.h"
#include "tools/search_disk.h"

using fuzz::require;
using platform::HeadlessHost;

namespace {

HACCEL accelerators() {
    static HACCEL table = LoadAcceleratorsA(fuzz::program_module(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    return table;
}

HWND item(int id) {
    HWND dialog = EditorState.SearchDialog;
    return dialog ? GetDlgItem(dialog, id) : nullptr;
}

enum class Focus { Field, AsciiButton, HexButton, MatchCase, SearchButton, CancelButton };

struct Model {
    bool hex = false;
    std::string digits;  // upper case
    Focus focus = Focus::Field;
    bool field_known = true;  // in ASCII mode, until typing into the field
    bool match_case = true;

    // Tab: the next control that takes the focus.
    void tab() {
        focus = static_cast<Focus>((static_cast<int>(focus) + 1) % 6);
        if (focus == Focus::MatchCase && hex) focus = Focus::SearchButton;
    }

    std::string text() const {
        std::string out;
        for (size_t i = 0; i < digits.size(); ++i) {
            out += digits[i];
            if (i % 2 == 1) out += ' ';
        }
        return out;
    }
    void to_hex() {
        if (hex) return;
        hex = true;
        digits.clear();
        field_known = true;
    }
    void to_ascii() {
        if (!hex) return;
        hex = false;
        digits.clear();
        field_known = true;
    }
};

std::string field_text() {
    char text[256] = "";
    GetWindowTextA(item(IDC_PATTERN), text, sizeof text);
    return text;
}

int nibble(char digit) { return digit <= '9' ? digit - '0' : digit - 'A' + 10; }

void check(const Model& m, const std::string& where) {
    require(EditorState.SearchDialog != nullptr, where + ": the dialog is not open");
    require((EditorState.SearchHexMode == 1) == m.hex, where + ": the mode");
    require(IsDlgButtonChecked(EditorState.SearchDialog, IDC_HEXADECIMAL) == (m.hex ? BST_CHECKED : BST_UNCHECKED) &&
                IsDlgButtonChecked(EditorState.SearchDialog, IDC_ASCII) == (m.hex ? BST_UNCHECKED : BST_CHECKED),
            where + ": the mode buttons");
    HWND focus = GetFocus();
    const int ids[] = {IDC_PATTERN, IDC_ASCII, IDC_HEXADECIMAL, IDC_MATCH_CASE, IDC_SEARCH, IDC_CANCEL};
    HWND want = item(ids[static_cast<int>(m.focus)]);
    require(focus == want, where + ": the focus is on " + std::to_string(GetDlgCtrlID(focus)) + ", not " +
                               std::to_string(GetDlgCtrlID(want)));
    HWND match_case = item(IDC_MATCH_CASE);
    require(IsWindowEnabled(match_case) == !m.hex, where + ": Match case greyed in hex mode only");
    require((IsDlgButtonChecked(EditorState.SearchDialog, IDC_MATCH_CASE) == BST_CHECKED) == m.match_case &&
                (EditorState.SearchMatchCase != 0) == m.match_case,
            where + ": Match case");
    if (!m.hex) {
        require(EditorState.NibbleCount == 0, where + ": digits kept in ASCII mode");
        if (m.field_known) require(field_text().empty(), where + ": the field is not empty");
        return;
    }
    const std::string text = m.text();
    require(EditorState.NibbleCount == m.digits.size(),
            where + ": " + std::to_string(EditorState.NibbleCount) + " digits kept, " + std::to_string(m.digits.size()) +
                " typed");
    require(EditorState.NextNibbleHigh == (m.digits.size() % 2 == 0 ? 1 : 0), where + ": the next digit's half");
    require(text == EditorState.HexPatternText,
            where + ": the kept text \"" + fuzz::printable(EditorState.HexPatternText) + "\", expected \"" + text + "\"");
    require(field_text() == text, where + ": the field shows \"" + fuzz::printable(field_text()) + "\", expected \"" + text + "\"");
    for (size_t i = 0; i + 1 < m.digits.size(); i += 2) {
        int want_byte = nibble(m.digits[i]) << 4 | nibble(m.digits[i + 1]);
        require(static_cast<BYTE>(EditorState.SearchPattern[i / 2]) == want_byte,
                where + ": pattern byte " + std::to_string(i / 2));
    }
    if (m.digits.size() % 2)
        require(static_cast<BYTE>(EditorState.SearchPattern[m.digits.size() / 2]) >> 4 == nibble(m.digits.back()),
                where + ": the half byte");
}

bool click(int id) {
    HWND target = item(id);
    return target != nullptr && platform::input_click(target, {2, 2}, 0);
}

bool key(UINT vk, BYTE modifiers = 0) {
    return platform::input_key(vk, modifiers, platform::us_layout_character(vk, modifiers));
}

bool is_digit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// The control a character typed while a button has the focus chooses: the
// one whose letter it is, the focused button itself for Space; -1: none.
int chosen_by(char c, Focus focus, bool hex) {
    if (c == ' ') return static_cast<int>(focus);
    switch (c >= 'a' && c <= 'z' ? c - 32 : c) {
    case 'A': return static_cast<int>(Focus::AsciiButton);
    case 'X': return static_cast<int>(Focus::HexButton);
    case 'M': return hex ? -1 : static_cast<int>(Focus::MatchCase);
    case 'R': return static_cast<int>(Focus::Field);
    case 'S': return static_cast<int>(Focus::SearchButton);
    case 'C': return static_cast<int>(Focus::CancelButton);
    default: return -1;
    }
}

// The model after a character typed with a button focused; false when it
// would press Search or Cancel.
bool press_button_key(Model* m, char c) {
    int chosen = chosen_by(c, m->focus, m->hex);
    if (chosen < 0) return true;
    Focus control = static_cast<Focus>(chosen);
    if (control == Focus::SearchButton || control == Focus::CancelButton) return false;
    m->focus = control;
    if (control == Focus::MatchCase) m->match_case = !m->match_case;
    if (control == Focus::AsciiButton) m->to_ascii();
    if (control == Focus::HexButton) m->to_hex();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 200) return 0;
    HeadlessHost host;
    platform::install_host(&host);
    reset_editor_state();
    EditorState.Instance = fuzz::program_module();
    EditorState.Accelerators = accelerators();

    Model m;
    bool closing = false;  // the dialog closes for good after the last action
    host.check("as opened", [snapshot = m] { check(snapshot, "opened"); });
    for (size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        const uint8_t b = data[i];
        const std::string where = "action " + std::to_string(i) + " '" + fuzz::printable(std::string(1, c)) + "'";
        if (is_digit(c)) {
            char digit = static_cast<char>(c >= 'a' ? c - 32 : c);
            // In ASCII mode a digit key types its character: on a button, a mnemonic.
            if (!m.hex && m.focus != Focus::Field && !press_button_key(&m, c)) continue;
            host.then(where, [digit] { return key(static_cast<UINT>(digit)); });
            if (m.hex && m.digits.size() < 50) m.digits += digit;
            if (!m.hex && m.focus == Focus::Field) m.field_known = false;
        } else if (b >= 0x80 && b <= 0x89) {
            host.then(where, [b] { return key(VK_NUMPAD0 + (b - 0x80)); });
            if (m.hex && m.digits.size() < 50) m.digits += static_cast<char>('0' + (b - 0x80));
            if (!m.hex && m.focus == Focus::Field) m.field_known = false;
        } else if (c == '<' || c == '>' || c == '\b') {
            host.then(where, [c] { return key(c == '>' ? VK_DELETE : VK_BACK); });
            if (m.hex && !m.digits.empty()) m.digits.pop_back();
            if (!m.hex && m.focus == Focus::Field) m.field_known = false;
        } else if (c == '#') {
            host.then(where, [] { return click(IDC_HEXADECIMAL); });
            m.to_hex();
            m.focus = Focus::HexButton;
        } else if (c == '$') {
            host.then(where, [] { return click(IDC_ASCII); });
            m.to_ascii();
            m.focus = Focus::AsciiButton;
        } else if (c == '%') {
            host.then(where, [] { return click(IDC_PATTERN); });
            m.focus = Focus::Field;
        } else if (c == '|') {
            host.then(where, [] { return click(IDC_CANCEL); });
            // Opened again: the field shows the pattern kept, the focus is
            // on the field.
            m.focus = Focus::Field;
            m.field_known = true;
        } else if (c == '.' || c == '_') {
            // The left arrow moves between the mode buttons and chooses; from
            // Search or Cancel it would reach the progress text.
            if (c == '.' && (m.focus == Focus::SearchButton || m.focus == Focus::CancelButton ||
                             m.focus == Focus::MatchCase))
                continue;
            host.then(where, [c] { return key(c == '.' ? VK_LEFT : VK_HOME); });
            if (c == '.' && m.focus == Focus::AsciiButton) {
                m.focus = Focus::HexButton;
                m.to_hex();
            } else if (c == '.' && m.focus == Focus::HexButton) {
                m.focus = Focus::AsciiButton;
                m.to_ascii();
            }
        } else if (c == '\t') {
            host.then(where, [] { return key(VK_TAB); });
            m.tab();
        } else if (c == '\r' || c == '\n' || c == 0x1B) {
            continue;
        } else {
            if (m.focus != Focus::Field && !press_button_key(&m, c)) continue;
            host.type_text(std::string(1, c));
            // Typed into the field in ASCII mode; in hex mode nothing is.
            if (!m.hex && m.focus == Focus::Field) m.field_known = false;
        }
        host.check("check " + where, [where, snapshot = m] { check(snapshot, where); });
    }
    host.then("close", [&] {
        closing = true;
        return click(IDC_CANCEL);
    });
    while (!closing) {
        open_search_dialog();
        require(EditorState.SearchDialog == nullptr, "the dialog's loop ended with the dialog open");
    }

    fuzz::clear_windows_and_messages();
    platform::install_host(nullptr);
    return 0;
}
