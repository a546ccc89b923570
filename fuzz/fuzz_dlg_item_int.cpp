// GetDlgItemInt on any text in an edit control, signed and unsigned,
// against Win32's reading of a number: blanks around it, a sign only when
// signed, decimal digits and nothing else, within the range of the type;
// on failure 0 and the flag cleared.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/host/headless/headless_host.h"
#include "platform/win32.h"
#include "resources/resource.h"

using fuzz::require;

namespace {

INT_PTR CALLBACK plain_dialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

HWND field_dialog() {
    static platform::HeadlessHost host;
    static HWND dialog = [] {
        platform::install_host(&host);
        HWND made = CreateDialogParamA(fuzz::program_module(), MAKEINTRESOURCEA(IDD_GOTO_SECTOR), nullptr,
                                       plain_dialog, 0);
        require(made != nullptr, "the Goto Sector dialog was not made");
        return made;
    }();
    return dialog;
}

bool blank(char c) { return c == ' ' || c == '\t'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

// The value the text stands for; false when it is no number of the type.
bool model(const std::string& text, bool is_signed, uint32_t* value) {
    size_t i = 0, n = text.size();
    while (i < n && blank(text[i])) ++i;
    bool negative = false;
    if (is_signed && i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    size_t first_digit = i;
    // Leading zeros do not count towards the range.
    while (i < n && text[i] == '0') ++i;
    size_t significant = i;
    while (i < n && digit(text[i])) ++i;
    size_t end = i;
    while (i < n && blank(text[i])) ++i;
    if (end == first_digit || i != n) return false;
    if (end - significant > 10) return false;
    uint64_t number = 0;
    for (size_t k = significant; k < end; ++k) number = number * 10 + static_cast<uint64_t>(text[k] - '0');
    uint64_t limit = !is_signed ? 0xFFFFFFFFull : negative ? 0x80000000ull : 0x7FFFFFFFull;
    if (number > limit) return false;
    *value = static_cast<uint32_t>(negative ? 0 - number : number);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HWND dialog = field_dialog();
    // A window text ends at its first zero byte.
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();
    require(SetDlgItemTextA(dialog, IDC_GOTO_NUMBER, text.c_str()), "SetDlgItemTextA failed");
    require(GetWindowTextLengthA(GetDlgItem(dialog, IDC_GOTO_NUMBER)) == static_cast<int>(text.size()),
            "the field does not hold the text");
    for (BOOL is_signed : {FALSE, TRUE}) {
        uint32_t want = 0;
        bool number = model(text, is_signed, &want);
        BOOL translated = 99;
        UINT got = GetDlgItemInt(dialog, IDC_GOTO_NUMBER, &translated, is_signed);
        std::string what = std::string(is_signed ? "signed" : "unsigned") + " \"" + fuzz::printable(text) + "\": ";
        require(translated == (number ? TRUE : FALSE),
                what + "translated " + std::to_string(translated) + ", expected " + std::to_string(number));
        require(got == (number ? want : 0u), what + "got " + std::to_string(got) + ", expected " + std::to_string(want));
        require(GetDlgItemInt(dialog, IDC_GOTO_NUMBER, nullptr, is_signed) == got, what + "without the flag");
    }
    return 0;
}
