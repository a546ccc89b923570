// The main window's caret and edit commands, as keys and clicks through
// the real program (started once; each input starts from the disk's first
// sector, freshly shown): arrows, Home and End, Shift with them, Tab between the
// panes, hex digits and characters typed, clicks into either pane, and
// Copy, Paste, Zero and Undo from the menu. After every action SectorData,
// the dirty flag, both pane texts and both selections are checked against
// a model of the sector and the two panes.
//
// Input: one action per byte. 0x01-0x04 the arrows right, left, up, down;
// 0x05 Home; 0x06 End; 0x07, 0x0B, 0x0C, 0x0E, 0x0F, 0x10 Shift with left,
// right, up, down, Home, End; 0x09 Tab; 0x11 and 0x12 a click into the hex
// or text pane, at the line and column the next two bytes give; 0x13-0x16
// Copy To Buffer, Paste From Buffer, Zero Data, Undo Changes; any other
// byte: the key that types it on a US keyboard.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "disk/sector_access.h"
#include "editor/editor_state.h"
#include "editor/main_window.h"
#include "editor/pane_render.h"
#include "fuzz/fuzz_support.h"
#include "platform/control.h"
#include "platform/host/headless/headless_host.h"
#include "platform/user/input.h"
#include "platform/user/window_view.h"
#include "platform/win32.h"
#include "resources/resource.h"

using fuzz::require;
using platform::HeadlessHost;

namespace {

constexpr int kHexStride = 50, kTextStride = 18, kHexLength = 1598;

using Sector = std::array<uint8_t, 512>;

Sector disk_sector() {
    Sector s;
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<uint8_t>(i * 3 + i / 256);
    return s;
}

void set_up() {
    static bool done = [] {
        fuzz::program_module();
        Sector s = disk_sector();
        std::vector<uint8_t> image(s.begin(), s.end());
        image.resize(4 * 512, 0xEE);
        fuzz::map_volume_bytes('C', "c.img", image);
        platform::emulate_windows_nt();
        return true;
    }();
    (void)done;
}

// What the panes must show: the hex pane "%02X " per byte, the text pane
// the bytes with 00, 09, 0A and 0D as blanks, 16 a line, CR LF between
// lines (and after the last once an edit re-rendered the text pane).
// Each is built in place in a buffer of its own, reused: checks run after
// every action and must not cost more than the action.
const std::string& hex_text(const Sector& data) {
    static const char digits[] = "0123456789ABCDEF";
    static std::string text(kHexLength, ' ');
    char* out = text.data();
    for (size_t i = 0; i < data.size(); ++i) {
        *out++ = digits[data[i] >> 4];
        *out++ = digits[data[i] & 15];
        *out++ = ' ';
        if (i % 16 == 15 && i + 1 < data.size()) {
            *out++ = '\r';
            *out++ = '\n';
        }
    }
    return text;
}

const std::string& text_text(const Sector& data, bool final_break) {
    static std::string text;
    text.resize(final_break ? 576 : 574);
    char* out = text.data();
    for (size_t i = 0; i < data.size(); ++i) {
        uint8_t b = data[i];
        *out++ = (b == 0x00 || b == 0x09 || b == 0x0A || b == 0x0D) ? ' ' : static_cast<char>(b);
        if (i % 16 == 15 && (i + 1 < data.size() || final_break)) {
            *out++ = '\r';
            *out++ = '\n';
        }
    }
    return text;
}

// An edit control's selection, and its caret keys over a text of lines.
struct Selection {
    int anchor = 0, caret = 0;
    int start() const { return std::min(anchor, caret); }
    int end() const { return std::max(anchor, caret); }
    void put(int position, int length) { anchor = caret = std::clamp(position, 0, length); }
};

int line_start(const std::string& text, int p) {
    for (int i = std::min(p, static_cast<int>(text.size())); i >= 2; --i)
        if (text[i - 2] == '\r' && text[i - 1] == '\n') return i;
    return 0;
}

int line_end(const std::string& text, int p) {
    size_t found = text.find("\r\n", static_cast<size_t>(p));
    return found == std::string::npos ? static_cast<int>(text.size()) : static_cast<int>(found);
}

int step_left(const std::string& text, int p) {
    if (p <= 0) return 0;
    return p >= 2 && text.compare(static_cast<size_t>(p - 2), 2, "\r\n") == 0 ? p - 2 : p - 1;
}

int step_right(const std::string& text, int p) {
    if (p >= static_cast<int>(text.size())) return static_cast<int>(text.size());
    return text.compare(static_cast<size_t>(p), 2, "\r\n") == 0 ? p + 2 : p + 1;
}

int vertical(const std::string& text, int p, int lines) {
    int start = line_start(text, p);
    int column = p - start;
    int target = start;
    if (lines > 0) {
        size_t next = text.find("\r\n", static_cast<size_t>(p));
        if (next == std::string::npos) return p;
        target = static_cast<int>(next) + 2;
    } else {
        if (start == 0) return p;
        target = line_start(text, start - 2);
    }
    return std::min(target + column, line_end(text, target));
}

struct Model {
    Sector data{}, disk{}, buffer{};
    bool dirty = false;
    bool text_break = false;
    bool hex_active = true;
    Selection hex, text;

    const std::string& hex_shown() const { return hex_text(data); }
    const std::string& text_shown() const { return text_text(data, text_break); }
    int text_length() const { return text_break ? 576 : 574; }

    // A render of both panes: their selections go back to the start.
    void render_all() {
        text_break = false;
        hex.put(0, kHexLength);
        text.put(0, text_length());
    }
    void render_text() {
        text_break = true;
        text.put(0, text_length());
    }

    // Off a separator or line break onto a digit: the next byte's high
    // digit, from the end of a line three positions on, nothing on the last.
    void snap() {
        int p = hex.start(), col = p % kHexStride;
        if (col % 3 != 2 && col < 48) return;
        if (col < 47) {
            hex.put(p + 1, kHexLength);
        } else if (p < 1550) {
            hex.put(p + 3, kHexLength);
        }
    }

    void store_text_byte(uint8_t value) {
        dirty = true;
        int p = text.start(), line = p / kTextStride, col = p % kTextStride;
        if (col > 15) {
            if (line == 31) return;
            text.put(p + 2, text_length());
            p = text.start();
            line = p / kTextStride;
            col = p % kTextStride;
        }
        int i = 16 * line + col;
        if (i >= 512) return;
        data[static_cast<size_t>(i)] = value;
        render_text();
        hex.put(kHexStride * line + 3 * col + 2, kHexLength);
        if (++col > 15) {
            col = 0;
            ++line;
        }
        if (line == 32) {
            line = 31;
            col = 15;
        }
        text.put(kTextStride * line + col, text_length());
    }

    void type_digit(int value, char typed) {
        if (!hex_active) {
            store_text_byte(static_cast<uint8_t>(typed));
            return;
        }
        snap();
        int p = hex.start();
        if (p >= 1597) return;
        int q = p - 2 * (p / kHexStride);
        uint8_t& byte = data[static_cast<size_t>(q / 3)];
        byte = q % 3 == 0 ? static_cast<uint8_t>(value << 4 | (byte & 0x0F)) : static_cast<uint8_t>((byte & 0xF0) | value);
        dirty = true;
        render_text();
        hex.put(p + 1, kHexLength);
        snap();
    }

    void right() {
        int p = hex.start();
        if (p >= 1596) return;
        hex.put(p + 1, kHexLength);
        snap();
    }
    void left() {
        int p = hex.start();
        if (p == 0) return;
        int col = p % kHexStride;
        if (col % 3 != 0 && col <= 47) {
            hex.put(p - 1, kHexLength);
        } else if (col == 0) {
            hex.put(p - 4, kHexLength);
        } else {
            hex.put(p - 2, kHexLength);
        }
    }
    void down() {
        int p = hex.start();
        if (p < 1550) hex.put(p + kHexStride, kHexLength);
    }
    void up() {
        int p = hex.start();
        if (p >= kHexStride) hex.put(p - kHexStride, kHexLength);
    }
    void tab() {
        if (hex_active) {
            int p = hex.start();
            int t = (p % kHexStride) / 3 + kTextStride * (p / kHexStride);
            int length = text_length();
            text.anchor = std::clamp(t + 1, 0, length);
            text.caret = std::clamp(t, 0, length);
        }
        hex_active = !hex_active;
    }

    // A key the focused pane handles itself.
    void edit_key(UINT vk, bool shift) {
        Selection& s = hex_active ? hex : text;
        const std::string shown = hex_active ? hex_shown() : text_shown();
        int caret = s.caret;
        switch (vk) {
        case VK_LEFT: caret = step_left(shown, caret); break;
        case VK_RIGHT: caret = step_right(shown, caret); break;
        case VK_UP: caret = vertical(shown, caret, -1); break;
        case VK_DOWN: caret = vertical(shown, caret, 1); break;
        case VK_HOME: caret = line_start(shown, caret); break;
        case VK_END: caret = line_end(shown, caret); break;
        default: break;
        }
        s.caret = caret;
        if (!shift) s.anchor = caret;
    }

    void click(bool hex_pane, int line, int col) {
        hex_active = hex_pane;
        const std::string shown = hex_pane ? hex_shown() : text_shown();
        int start = line * (hex_pane ? kHexStride : kTextStride);
        int position = std::min(start + col, line_end(shown, start));
        (hex_pane ? hex : text).put(position, static_cast<int>(shown.size()));
    }
};

std::string describe(const Selection& s) {
    return std::to_string(s.anchor) + "-" + std::to_string(s.caret);
}

std::string selection_seen(const platform::WindowView& view) {
    return std::to_string(view.selection_start) + "-" + std::to_string(view.selection_end) + " caret " +
           std::to_string(view.caret);
}

// After the action at index (-1: none yet). Messages are built only on a
// mismatch.
void check(const Model& m, long index, uint8_t action) {
    auto where = [&] {
        return index < 0 ? std::string("start")
                         : "action " + std::to_string(index) + " (" + std::to_string(action) + ")";
    };
    platform::WindowView hex, text;
    if (!platform::view_window(EditorState.HexPane, &hex) || !platform::view_window(EditorState.TextPane, &text))
        fuzz::fail(where() + ": the panes are gone");
    for (size_t i = 0; i < m.data.size(); ++i)
        if (EditorState.SectorData[i] != m.data[i])
            fuzz::fail(where() + ": byte " + std::to_string(i) + " is " + std::to_string(EditorState.SectorData[i]) +
                       ", expected " + std::to_string(m.data[i]));
    if ((EditorState.SectorDirty != 0) != m.dirty) fuzz::fail(where() + ": the dirty flag");
    if ((EditorState.HexPaneActive == 1) != m.hex_active) fuzz::fail(where() + ": the active pane");
    if (GetFocus() != (m.hex_active ? EditorState.HexPane : EditorState.TextPane)) fuzz::fail(where() + ": the focus");
    if (hex.text != m.hex_shown()) fuzz::fail(where() + ": the hex pane's text");
    if (text.text != m.text_shown()) fuzz::fail(where() + ": the text pane's text");
    if (hex.selection_start != m.hex.start() || hex.selection_end != m.hex.end() || hex.caret != m.hex.caret)
        fuzz::fail(where() + ": the hex selection " + selection_seen(hex) + ", expected " + describe(m.hex));
    if (text.selection_start != m.text.start() || text.selection_end != m.text.end() || text.caret != m.text.caret)
        fuzz::fail(where() + ": the text selection " + selection_seen(text) + ", expected " + describe(m.text));
}

// The value of a key that the accelerator table makes a hex digit: the
// digits and the unshifted letters a-f; -1 for any other.
int digit_key_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Runs the thread's messages as the editor's outer loop does, until none is
// left.
void run_messages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) process_outer_message(&msg);
}

// Starts the program once, as editor_main does, and opens C: in Select
// Disk; every input then works on its main window.
void start_program() {
    static bool started = [] {
        static HeadlessHost host;
        platform::install_host(&host);
        reset_editor_state();
        EditorState.Instance = fuzz::program_module();
        AccessMode = ACCESS_DIRECT;
        HWND main = CreateDialogParamA(EditorState.Instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, main_window_proc, 0);
        ShowWindow(main, SW_SHOW);
        EditorState.Accelerators = LoadAcceleratorsA(EditorState.Instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
        host.click(HeadlessHost::item("Select Disk", IDC_OPEN));
        run_messages();
        require(EditorState.DiskRef != INVALID_HANDLE_VALUE && IsWindow(EditorState.MainWindow), "C: did not open");
        platform::install_host(nullptr);
        return true;
    }();
    (void)started;
}

// The key that types a character on a US keyboard; keys the accelerator
// table does not name stand for the rest.
void type(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    UINT vk = 0xE7;  // a key that only types its character
    BYTE modifiers = 0;
    if (u >= 'a' && u <= 'z') {
        vk = u - 'a' + 'A';
    } else if (u >= 'A' && u <= 'Z') {
        vk = u;
        modifiers = platform::kInputShift;
    } else if (u >= '0' && u <= '9') {
        vk = u;
    } else if (u == ' ') {
        vk = VK_SPACE;
    } else if (u == '\r' || u == '\n') {
        vk = VK_RETURN;
    } else if (u == '\b') {
        vk = VK_BACK;
    } else if (u == 0x1B) {
        vk = VK_ESCAPE;
    }
    platform::input_key(vk, modifiers, c);
}

void key(UINT vk, BYTE modifiers) { platform::input_key(vk, modifiers, platform::us_layout_character(vk, modifiers)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 400) return 0;
    set_up();
    start_program();
    // A host of its own for each input: what it records is of this input.
    HeadlessHost host;
    platform::install_host(&host);

    Model m;
    m.disk = disk_sector();
    m.data = m.disk;
    memcpy(EditorState.SectorData, m.data.data(), m.data.size());
    memset(EditorState.TransferBuffer, 0, sizeof EditorState.TransferBuffer);
    EditorState.SectorDirty = 0;
    render_panes();
    EditorState.HexPaneActive = 1;
    SetFocus(EditorState.HexPane);
    run_messages();
    check(m, -1, 0);

    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = data[i];
        const char c = static_cast<char>(b);
        auto menu = [](UINT id) { platform::input_choose_menu_item(EditorState.MainWindow, id); };
        switch (b) {
        case 0x01: key(VK_RIGHT, 0); m.right(); break;
        case 0x02: key(VK_LEFT, 0); m.left(); break;
        case 0x03: key(VK_UP, 0); m.up(); break;
        case 0x04: key(VK_DOWN, 0); m.down(); break;
        case 0x05: key(VK_HOME, 0); m.edit_key(VK_HOME, false); break;
        case 0x06: key(VK_END, 0); m.edit_key(VK_END, false); break;
        case 0x07: key(VK_LEFT, platform::kInputShift); m.edit_key(VK_LEFT, true); break;
        case 0x0B: key(VK_RIGHT, platform::kInputShift); m.edit_key(VK_RIGHT, true); break;
        case 0x0C: key(VK_UP, platform::kInputShift); m.edit_key(VK_UP, true); break;
        case 0x0E: key(VK_DOWN, platform::kInputShift); m.edit_key(VK_DOWN, true); break;
        case 0x0F: key(VK_HOME, platform::kInputShift); m.edit_key(VK_HOME, true); break;
        case 0x10: key(VK_END, platform::kInputShift); m.edit_key(VK_END, true); break;
        case 0x09: key(VK_TAB, 0); m.tab(); break;
        case 0x11:
        case 0x12: {
            bool hex_pane = b == 0x11;
            int line = i + 1 < size ? data[i + 1] % 32 : 0;
            int col = i + 2 < size ? data[i + 2] % (hex_pane ? 49 : 17) : 0;
            i += 2;
            POINT at = {col * platform::kGridCharWidth + 1, line * platform::kGridLineHeight + 1};
            platform::input_click(hex_pane ? EditorState.HexPane : EditorState.TextPane, at, 0);
            m.click(hex_pane, line, col);
            break;
        }
        case 0x13: menu(IDM_COPY_TO_BUFFER); m.buffer = m.data; break;
        case 0x14:
            menu(IDM_PASTE_FROM_BUFFER);
            m.data = m.buffer;
            m.dirty = true;
            m.render_all();
            break;
        case 0x15:
            menu(IDM_ZERO_DATA);
            m.data.fill(0);
            m.dirty = true;
            m.render_all();
            break;
        case 0x16:
            menu(IDM_UNDO_CHANGES);
            m.data = m.disk;
            m.dirty = false;
            m.render_all();
            break;
        default: {
            type(c);
            int value = digit_key_value(c);
            if (value >= 0) {
                m.type_digit(value, c);
            } else if (c == '\b') {
                // Backspace is the table's delete-digit command, which the
                // main window leaves alone.
            } else if (c != '\0' && !m.hex_active) {
                m.store_text_byte(b);
            }
            break;
        }
        }
        run_messages();
        check(m, static_cast<long>(i), b);
    }
    platform::install_host(nullptr);
    return 0;
}
