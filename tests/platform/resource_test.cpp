// The compiled resource script as the program reads it: every dialog, the
// menu, the keys, the icon and the logo, checked against the layouts they
// are meant to have. Then the reader itself on hand-made templates and
// images, and on broken input.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "orvasse_version.h"
#include "platform/user/resource.h"
#include "platform/win32.h"
#include "resources/embedded_res.h"
#include "resources/resource.h"

namespace {

using platform::DialogItemTemplate;
using platform::DialogTemplate;
using platform::MenuItemTemplate;

const HINSTANCE kProgram = reinterpret_cast<HINSTANCE>(uintptr_t{0x400000});
const HINSTANCE kHandMade = reinterpret_cast<HINSTANCE>(uintptr_t{0x500000});

size_t embedded_size() {
    return reinterpret_cast<uintptr_t>(orvasse_res_end) - reinterpret_cast<uintptr_t>(orvasse_res_begin);
}

bool load_dialog(HINSTANCE module, WORD id, DialogTemplate* out) {
    platform::ResourceBytes bytes;
    return platform::find_resource(module, RT_DIALOG, MAKEINTRESOURCEA(id), &bytes) &&
           platform::parse_dialog_template(bytes.data, bytes.size, out);
}

// ---- the program's own resources

enum Kind { GroupBox, LeftText, RightText, CentredText, Bitmap, Edit, Push, DefPush, AutoRadio, AutoCheck, Combo, ScrollBar };

// The class of each kind, and the style field that tells it from its siblings.
const struct {
    const char* window_class;
    DWORD type_mask, type;
} kKinds[] = {
    {"BUTTON", BS_TYPEMASK, BS_GROUPBOX},         // GroupBox
    {"STATIC", SS_TYPEMASK, SS_LEFT},             // LeftText
    {"STATIC", SS_TYPEMASK, SS_RIGHT},            // RightText
    {"STATIC", SS_TYPEMASK, SS_CENTER},           // CentredText
    {"STATIC", SS_TYPEMASK, SS_BITMAP},           // Bitmap
    {"EDIT", 0, 0},                               // Edit
    {"BUTTON", BS_TYPEMASK, BS_PUSHBUTTON},       // Push
    {"BUTTON", BS_TYPEMASK, BS_DEFPUSHBUTTON},    // DefPush
    {"BUTTON", BS_TYPEMASK, BS_AUTORADIOBUTTON},  // AutoRadio
    {"BUTTON", BS_TYPEMASK, BS_AUTOCHECKBOX},     // AutoCheck
    {"COMBOBOX", CBS_DROPDOWNLIST, CBS_DROPDOWN}, // Combo: an editable field, not a plain list
    {"SCROLLBAR", SBS_VERT, SBS_HORZ},            // ScrollBar
};

struct Control {
    int id;
    Kind kind;
    std::array<short, 4> rect;
    std::string text;
    DWORD required = 0;  // style bits beyond those the kind implies
    DWORD forbidden = 0;
};

struct Dialog {
    WORD id;
    std::string caption;
    std::string font;
    WORD point_size;
    short cx, cy;
    DWORD style;
    std::vector<Control> controls;
};

const DWORD kModal = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
const DWORD kPane = ES_MULTILINE | ES_READONLY | ES_CENTER | WS_TABSTOP;
const DWORD kNumber = ES_NUMBER | WS_BORDER;
const char kSansSerif[] = "MS Sans Serif";

std::string row_offsets() {
    std::string text;
    for (int row = 0; row < 32; ++row) {
        char offset[8];
        std::snprintf(offset, sizeof offset, "%s%03X", row ? " " : "", row * 16);
        text += offset;
    }
    return text;
}

const std::vector<Dialog>& dialogs() {
    static const std::vector<Dialog> all = {
        {IDD_MAIN, std::string("Orvasse v1.01 - ") + MakerWebAddress, "Fixedsys", 9, 291, 286,
         kModal | WS_MINIMIZEBOX | DS_CENTER,
         {{IDC_NONE, GroupBox, {21, 6, 194, 268}, ""},
          {IDC_NONE, GroupBox, {216, 6, 74, 268}, ""},
          {IDC_NONE, LeftText, {29, 276, 48, 8}, "Current Sector"},
          {IDC_SECTOR_COUNTER, LeftText, {66, 276, 137, 8}, ""},
          {IDC_STEPPER, ScrollBar, {227, 276, 16, 9}, ""},
          {IDC_NONE, LeftText, {246, 276, 18, 8}, "Next"},
          {IDC_NONE, RightText, {205, 276, 18, 8}, "Last"},
          {IDC_TEXT_PANE, Edit, {217, 13, 72, 258}, "", kPane},
          {IDC_NONE, LeftText, {2, 13, 19, 257}, row_offsets()},
          {IDC_HEX_PANE, Edit, {22, 12, 192, 260}, "", kPane},
          {IDC_UNUSED_STATUS, LeftText, {2, 276, 25, 9}, ""},
          {IDC_NONE, LeftText, {22, 1, 191, 8}, "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"},
          {IDC_NONE, LeftText, {221, 1, 65, 8}, "0123456789ABCDEF"}}},
        {IDD_ABOUT, "About Orvasse", kSansSerif, 8, 191, 110, kModal | DS_CENTER,
         {{IDOK, Push, {117, 78, 35, 14}, "&Close"},
          {IDC_NONE, Bitmap, {24, 7, 144, 37}, ""},
          {IDC_WEB_ADDRESS, DefPush, {33, 78, 81, 14}, MakerWebAddress, BS_CENTER | BS_VCENTER},
          {IDC_NONE, CentredText, {7, 54, 177, 8}, "Orvasse v" ORVASSE_VERSION_TEXT},
          {IDC_NONE, CentredText, {7, 64, 177, 8}, std::string("Software by ") + MakerName}}},
        {IDD_SELECT_DISK, "Select Disk", kSansSerif, 8, 149, 26, WS_POPUP | WS_CAPTION,
         {{IDC_DISK_LIST, Combo, {5, 5, 72, 65}, "", CBS_SORT | WS_VSCROLL},
          {IDC_OPEN, DefPush, {81, 5, 31, 13}, "&Open"},
          {IDC_CANCEL, Push, {115, 5, 31, 13}, "&Cancel"}}},
        {IDD_GOTO_SECTOR, "Goto Sector", kSansSerif, 8, 108, 31, WS_POPUP | WS_CAPTION,
         {{IDC_NONE, LeftText, {7, 4, 41, 9}, "Goto &Sector"},
          {IDC_GOTO_NUMBER, Edit, {52, 3, 49, 12}, "", kNumber | ES_AUTOHSCROLL, ES_READONLY},
          {IDC_GOTO, DefPush, {7, 17, 31, 13}, "&Goto"},
          {IDC_CANCEL, Push, {70, 17, 31, 13}, "&Cancel"}}},
        {IDD_COPY_BLOCK, "Copy Block", kSansSerif, 8, 138, 46, WS_POPUP | WS_CAPTION,
         {{IDC_NONE, LeftText, {5, 1, 70, 8}, "&Desitnation Sector"},
          {IDC_DESTINATION, Edit, {76, 0, 55, 11}, "", kNumber | ES_AUTOHSCROLL, ES_READONLY},
          {IDC_NONE, LeftText, {5, 13, 54, 10}, "&Sectors To Copy"},
          {IDC_SECTORS_TO_COPY, Edit, {75, 12, 56, 11}, "", kNumber | ES_AUTOHSCROLL, ES_READONLY},
          {IDC_COPY, DefPush, {3, 30, 31, 13}, "Co&py"},
          {IDC_COPY_PROGRESS, CentredText, {39, 32, 59, 9}, ""},
          {IDC_CANCEL, Push, {103, 30, 31, 13}, "&Cancel"}}},
        // modeless and created visible; the pattern field takes any characters
        {IDD_SEARCH_DISK, "Search Disk", kSansSerif, 8, 196, 53, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU,
         {{IDC_NONE, LeftText, {5, 7, 24, 8}, "Sea&rch"},
          {IDC_PATTERN, Edit, {35, 4, 157, 12}, "", WS_BORDER | ES_AUTOHSCROLL, ES_NUMBER | ES_READONLY},
          {IDC_ASCII, AutoRadio, {34, 20, 32, 10}, "&ASCII", WS_GROUP},
          {IDC_HEXADECIMAL, AutoRadio, {68, 20, 57, 10}, "He&xadecimal", 0, WS_GROUP},
          {IDC_MATCH_CASE, AutoCheck, {132, 20, 60, 10}, "&Match case", WS_GROUP},
          {IDC_SEARCH, DefPush, {3, 36, 31, 13}, "&Search", WS_GROUP},
          {IDC_SEARCH_PROGRESS, CentredText, {44, 38, 106, 10}, ""},
          {IDC_CANCEL, Push, {162, 36, 31, 13}, "&Cancel"}}},
        {IDD_SECTOR_COUNT, "Number of Sectors *", kSansSerif, 8, 125, 62, WS_POPUP | WS_CAPTION,
         {{IDC_COUNT, Edit, {7, 7, 111, 15}, "", kNumber | ES_AUTOHSCROLL, ES_READONLY},
          {IDC_COUNT_OK, DefPush, {74, 25, 44, 12}, "&OK"},
          {IDC_CANCEL, Push, {7, 25, 44, 12}, "&Cancel"},
          {IDC_NONE, LeftText, {7, 38, 111, 17},
           "* The sector currently displayed will be used as the starting point."}}},
    };
    return all;
}

void expect_dialog(const Dialog& want) {
    DialogTemplate got;
    ASSERT_TRUE(load_dialog(kProgram, want.id, &got));
    EXPECT_TRUE(got.extended);
    EXPECT_EQ(got.caption, want.caption);
    EXPECT_EQ(got.style & (want.style | DS_SETFONT), want.style | DS_SETFONT);
    EXPECT_EQ(got.font, want.font);
    EXPECT_EQ(got.point_size, want.point_size);
    EXPECT_EQ(got.cx, want.cx);
    EXPECT_EQ(got.cy, want.cy);
    ASSERT_EQ(got.items.size(), want.controls.size());
    for (size_t i = 0; i < want.controls.size(); ++i) {
        const Control& w = want.controls[i];
        const DialogItemTemplate& item = got.items[i];
        SCOPED_TRACE("control " + std::to_string(i) + " (id " + std::to_string(w.id) + ")");
        EXPECT_EQ(item.id, static_cast<DWORD>(w.id));
        EXPECT_TRUE(item.window_class.is_ordinal) << "predefined classes are stored as atoms";
        EXPECT_EQ(item.class_name(), kKinds[w.kind].window_class);
        EXPECT_EQ((std::array<short, 4>{item.x, item.y, item.cx, item.cy}), w.rect);
        EXPECT_EQ(item.style & (WS_CHILD | WS_VISIBLE), DWORD(WS_CHILD | WS_VISIBLE));
        EXPECT_EQ(item.style & kKinds[w.kind].type_mask, kKinds[w.kind].type);
        EXPECT_EQ(item.style & w.required, w.required);
        EXPECT_EQ(item.style & w.forbidden, 0u);
        EXPECT_EQ(item.title.is_ordinal, w.kind == Bitmap);
        if (w.kind == Bitmap)
            EXPECT_EQ(item.title.ordinal, IDB_LOGO);
        else
            EXPECT_EQ(item.title.text, w.text);
    }
}

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override { platform::register_module_resources(kProgram, orvasse_res_begin, embedded_size()); }
};

TEST_F(ProgramResources, EveryDialogWithItsControls) {
    for (const Dialog& dialog : dialogs()) {
        SCOPED_TRACE("dialog " + std::to_string(dialog.id));
        expect_dialog(dialog);
    }
    DialogTemplate main;
    ASSERT_TRUE(load_dialog(kProgram, IDD_MAIN, &main));
    EXPECT_TRUE(main.menu.is_ordinal);
    EXPECT_EQ(main.menu.ordinal, IDR_MAIN_MENU);
    EXPECT_EQ(main.style & WS_VISIBLE, 0u) << "the main window is shown once initialised";
}

TEST_F(ProgramResources, MenuBar) {
    const std::vector<std::pair<std::string, std::vector<std::pair<std::string, WORD>>>> want = {
        {"&File", {{"&Save Sector", IDM_SAVE_SECTOR}, {"Select &Disk", IDM_SELECT_DISK},
                   {"&Export Sector(s)", IDM_EXPORT_SECTORS}, {"&Import Sector(s)", IDM_IMPORT_SECTORS},
                   {"&Print Sector", IDM_PRINT_SECTOR}, {"E&xit", IDM_EXIT}}},
        {"&Edit", {{"&Copy To Buffer", IDM_COPY_TO_BUFFER}, {"&Paste From Buffer", IDM_PASTE_FROM_BUFFER},
                   {"&Zero Data", IDM_ZERO_DATA}}},
        {"&Tools", {{"&Undo Changes", IDM_UNDO_CHANGES}, {"&Goto Sector", IDM_GOTO_SECTOR},
                    {"&Search Disk", IDM_SEARCH_DISK}, {"Find &Next\tF3", IDM_FIND_NEXT},
                    {"Find &Previous\tShift+F3", IDM_FIND_PREVIOUS},
                    {"Sector S&tructure\tCtrl+I", IDM_SECTOR_STRUCTURE}, {"&Copy Block", IDM_COPY_BLOCK}}},
        {"&Help", {{"&Help", IDM_HELP}, {"&License", IDM_LICENSE}, {"&About", IDM_ABOUT}}},
        {"&Links", {{"&Home Page", IDM_LINK_HOME}, {"&Vellum Disk Imager", IDM_LINK_VELLUM},
                    {"&Tessel Partition Viewer", IDM_LINK_TESSEL}, {"&Orvasse", IDM_LINK_ORVASSE},
                    {"&Brisk File Recovery", IDM_LINK_BRISK}}},
    };
    platform::ResourceBytes bytes;
    ASSERT_TRUE(platform::find_resource(kProgram, RT_MENU, MAKEINTRESOURCEA(IDR_MAIN_MENU), &bytes));
    std::vector<MenuItemTemplate> bar;
    ASSERT_TRUE(platform::parse_menu_template(bytes.data, bytes.size, &bar));
    ASSERT_EQ(bar.size(), want.size());
    for (size_t p = 0; p < want.size(); ++p) {
        SCOPED_TRACE(want[p].first);
        EXPECT_EQ(bar[p].text, want[p].first);
        EXPECT_EQ(bar[p].flags, MF_POPUP);
        ASSERT_EQ(bar[p].popup.size(), want[p].second.size());
        for (size_t i = 0; i < want[p].second.size(); ++i) {
            EXPECT_EQ(bar[p].popup[i].text, want[p].second[i].first);
            EXPECT_EQ(bar[p].popup[i].id, want[p].second[i].second);
            EXPECT_EQ(bar[p].popup[i].flags, MF_STRING) << "enabled, plain items";
            // The main window's router takes no command outside its range.
            WORD id = bar[p].popup[i].id;
            EXPECT_TRUE(id >= IDM_FIRST_COMMAND && id <= IDM_LAST_COMMAND) << id << " would be dropped";
        }
    }
}

TEST_F(ProgramResources, AcceleratorsInStoredOrder) {
    const std::vector<std::pair<WORD, WORD>> want = {
        {'0', IDM_DIGIT_0}, {'1', IDM_DIGIT_1}, {'1', IDM_TYPE_CHARACTER}, {'2', IDM_DIGIT_2}, {'3', IDM_DIGIT_3},
        {'4', IDM_DIGIT_4}, {'5', IDM_DIGIT_5}, {'6', IDM_DIGIT_6}, {'7', IDM_DIGIT_7}, {'8', IDM_DIGIT_8},
        {'9', IDM_DIGIT_9}, {'A', IDM_DIGIT_A}, {'A', IDM_DIGIT_LOWER_A}, {'B', IDM_DIGIT_B},
        {'B', IDM_DIGIT_LOWER_B}, {'C', IDM_DIGIT_C}, {'C', IDM_DIGIT_LOWER_C}, {'D', IDM_DIGIT_D},
        {'D', IDM_DIGIT_LOWER_D}, {'E', IDM_DIGIT_E}, {'E', IDM_DIGIT_LOWER_E}, {'F', IDM_DIGIT_F},
        {'F', IDM_DIGIT_LOWER_F}, {VK_BACK, IDM_DELETE_DIGIT}, {VK_DELETE, IDM_DELETE_DIGIT},
        {VK_DELETE, IDM_DELETE_SHADOWED}, {VK_DOWN, IDM_CARET_DOWN}, {VK_LEFT, IDM_CARET_LEFT},
        {VK_NEXT, IDM_NEXT_SECTOR}, {VK_NUMPAD0, IDM_DIGIT_0}, {VK_NUMPAD1, IDM_DIGIT_1}, {VK_NUMPAD2, IDM_DIGIT_2},
        {VK_NUMPAD3, IDM_DIGIT_3}, {VK_NUMPAD4, IDM_DIGIT_4}, {VK_NUMPAD5, IDM_DIGIT_5}, {VK_NUMPAD6, IDM_DIGIT_6},
        {VK_NUMPAD7, IDM_DIGIT_7}, {VK_NUMPAD8, IDM_DIGIT_8}, {VK_NUMPAD9, IDM_DIGIT_9},
        {VK_PRIOR, IDM_PREVIOUS_SECTOR}, {VK_RIGHT, IDM_CARET_RIGHT}, {VK_TAB, IDM_SWITCH_PANE}, {VK_UP, IDM_CARET_UP},
        {VK_F3, IDM_FIND_NEXT}, {VK_F3, IDM_FIND_PREVIOUS}, {'I', IDM_SECTOR_STRUCTURE},
    };
    // Only these ask for a modifier: Shift+F3, Ctrl+I.
    auto modifiers = [](WORD cmd) -> BYTE {
        return cmd == IDM_FIND_PREVIOUS ? FSHIFT : cmd == IDM_SECTOR_STRUCTURE ? FCONTROL : 0;
    };
    platform::ResourceBytes bytes;
    ASSERT_TRUE(platform::find_resource(kProgram, RT_ACCELERATOR, MAKEINTRESOURCEA(IDR_ACCELERATORS), &bytes));
    std::vector<ACCEL> table;
    ASSERT_TRUE(platform::parse_accelerator_table(bytes.data, bytes.size, &table));
    ASSERT_EQ(table.size(), want.size());
    std::vector<WORD> shadowed;
    for (size_t i = 0; i < table.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        EXPECT_EQ(table[i].fVirt, FVIRTKEY | modifiers(want[i].second)) << "a virtual key";
        EXPECT_EQ(table[i].key, want[i].first);
        EXPECT_EQ(table[i].cmd, want[i].second);
        for (size_t earlier = 0; earlier < i; ++earlier)
            if (table[earlier].key == table[i].key && table[earlier].fVirt == table[i].fVirt) {
                shadowed.push_back(table[i].cmd);
                break;
            }
    }
    // The first match wins, so these are the entries that never fire.
    EXPECT_EQ(shadowed, (std::vector<WORD>{IDM_TYPE_CHARACTER, IDM_DIGIT_LOWER_A, IDM_DIGIT_LOWER_B,
                                           IDM_DIGIT_LOWER_C, IDM_DIGIT_LOWER_D, IDM_DIGIT_LOWER_E,
                                           IDM_DIGIT_LOWER_F, IDM_DELETE_SHADOWED}));
}

TEST_F(ProgramResources, IconAndLogo) {
    std::vector<platform::IconImage> images;
    ASSERT_TRUE(platform::load_icon_group(kProgram, MAKEINTRESOURCEA(IDI_ORVASSE), &images));
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ((std::array<int, 4>{images[0].bit_count, images[0].color_count, images[1].bit_count,
                                  images[1].color_count}),
              (std::array<int, 4>{4, 16, 8, 256}));
    EXPECT_NE(images[0].id, images[1].id);
    for (const auto& image : images) {
        ASSERT_EQ(image.width, 32);
        ASSERT_EQ(image.height, 32);
        ASSERT_EQ(image.argb.size(), 32u * 32u);
        // a round platter: the corners show through, the middle does not
        EXPECT_EQ(image.argb[0] >> 24, 0u);
        EXPECT_EQ(image.argb[32 * 32 - 1] >> 24, 0u);
        EXPECT_EQ(image.argb[16 * 32 + 8] >> 24, 0xFFu);
    }

    platform::BitmapImage logo;
    ASSERT_TRUE(platform::load_bitmap(kProgram, MAKEINTRESOURCEA(IDB_LOGO), &logo));
    EXPECT_EQ((std::array<int, 3>{logo.width, logo.height, logo.bit_count}), (std::array<int, 3>{216, 60, 24}));
    ASSERT_EQ(logo.argb.size(), 216u * 60u);
    for (uint32_t pixel : logo.argb) ASSERT_EQ(pixel >> 24, 0xFFu);
}

TEST_F(ProgramResources, EveryShorterTemplateOrTableIsRefused) {
    // Cut anywhere, they fail instead of reading on. Each cut is a buffer of
    // its own exact size, so AddressSanitizer sees any read past it.
    auto refused_when_cut = [](LPCSTR type, WORD name, auto parse) {
        platform::ResourceBytes whole;
        ASSERT_TRUE(platform::find_resource(kProgram, type, MAKEINTRESOURCEA(name), &whole));
        for (size_t n = 0; n < whole.size; ++n) {
            std::vector<uint8_t> cut(whole.data, whole.data + n);
            ASSERT_FALSE(parse(cut.data(), n)) << name << " cut to " << n << " bytes";
        }
    };
    DialogTemplate dialog;
    std::vector<MenuItemTemplate> bar;
    std::vector<ACCEL> table;
    refused_when_cut(RT_DIALOG, IDD_MAIN,
                     [&](const uint8_t* d, size_t n) { return platform::parse_dialog_template(d, n, &dialog); });
    refused_when_cut(RT_MENU, IDR_MAIN_MENU,
                     [&](const uint8_t* d, size_t n) { return platform::parse_menu_template(d, n, &bar); });
    refused_when_cut(RT_ACCELERATOR, IDR_ACCELERATORS,
                     [&](const uint8_t* d, size_t n) { return platform::parse_accelerator_table(d, n, &table); });
}

// ---- hand-made input

// Little-endian bytes as the templates store them.
struct Bytes {
    std::vector<uint8_t> data;
    Bytes& u8(unsigned v) {
        data.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    Bytes& u16(unsigned v) { return u8(v & 0xFF).u8(v >> 8 & 0xFF); }
    Bytes& u32(DWORD v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& text(const std::string& s) {
        for (char c : s) u16(static_cast<uint8_t>(c));
        return u16(0);
    }
    Bytes& ordinal(WORD v) { return u16(0xFFFF).u16(v); }
    Bytes& align4() {
        while (data.size() % 4) u8(0);
        return *this;
    }
    Bytes& raw(const std::vector<uint8_t>& bytes) {
        data.insert(data.end(), bytes.begin(), bytes.end());
        return *this;
    }
};

// A .res image: the empty opening record, then one record per resource,
// named by ordinal or by string.
struct Record {
    WORD type;
    std::string name;  // a number: that ordinal
    std::vector<uint8_t> data;
};

std::vector<uint8_t> res_image(const std::vector<Record>& records) {
    Bytes out;
    out.u32(0).u32(32).ordinal(0).ordinal(0).u32(0).u16(0).u16(0).u32(0).u32(0);
    for (const Record& r : records) {
        Bytes header;
        header.ordinal(r.type);
        if (std::isdigit(static_cast<unsigned char>(r.name[0])))
            header.ordinal(static_cast<WORD>(std::stoi(r.name)));
        else
            header.text(r.name);
        header.align4().u32(0).u16(0x30).u16(0x409).u32(0).u32(0);
        out.u32(static_cast<DWORD>(r.data.size())).u32(static_cast<DWORD>(8 + header.data.size()));
        out.raw(header.data).raw(r.data).align4();
    }
    return out.data;
}

// A hand-made .res as the resources of kHandMade, for one scope.
struct HandMadeModule {
    explicit HandMadeModule(std::vector<uint8_t> res) : bytes(std::move(res)) {
        platform::register_module_resources(kHandMade, bytes.data(), bytes.size());
    }
    ~HandMadeModule() { platform::register_module_resources(kHandMade, nullptr, 0); }
    std::vector<uint8_t> bytes;
};

TEST(DialogTemplateReader, ReadsAPlainTemplate) {
    Bytes t;
    t.u32(WS_POPUP | WS_CAPTION | DS_SETFONT).u32(WS_EX_TOPMOST).u16(2).u16(1).u16(2).u16(100).u16(50);
    t.ordinal(7).u16(0).text("Plain").u16(8).text("Tahoma");
    // an odd-length title and creation data: the next item must still be found
    t.align4().u32(WS_CHILD | ES_NUMBER).u32(0).u16(3).u16(4).u16(50).u16(12).u16(0x1234);
    t.ordinal(0x81).text("abc").u16(3).u8(0xAA).u8(0xBB).u8(0xCC);
    t.align4().u32(WS_CHILD | BS_DEFPUSHBUTTON).u32(0).u16(5).u16(20).u16(30).u16(13).u16(IDOK);
    t.ordinal(0x80).text("OK").u16(0);

    DialogTemplate d;
    ASSERT_TRUE(platform::parse_dialog_template(t.data.data(), t.data.size(), &d));
    EXPECT_FALSE(d.extended);
    EXPECT_EQ(d.style, DWORD(WS_POPUP | WS_CAPTION | DS_SETFONT));
    EXPECT_EQ(d.ex_style, DWORD(WS_EX_TOPMOST));
    EXPECT_EQ((std::array<short, 4>{d.x, d.y, d.cx, d.cy}), (std::array<short, 4>{1, 2, 100, 50}));
    EXPECT_TRUE(d.menu.is_ordinal);
    EXPECT_EQ(d.menu.ordinal, 7);
    EXPECT_FALSE(d.window_class.is_ordinal);
    EXPECT_EQ(d.window_class.text, "");
    EXPECT_EQ(d.caption, "Plain");
    EXPECT_EQ(d.point_size, 8);
    EXPECT_EQ(d.font, "Tahoma");
    ASSERT_EQ(d.items.size(), 2u);
    EXPECT_EQ(d.items[0].id, 0x1234u);
    EXPECT_EQ(d.items[0].style, DWORD(WS_CHILD | ES_NUMBER));
    EXPECT_EQ(d.items[0].class_name(), "EDIT");
    EXPECT_EQ(d.items[0].title.text, "abc");
    EXPECT_EQ(d.items[0].creation_data, (std::vector<uint8_t>{0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(d.items[1].id, DWORD(IDOK));
    EXPECT_EQ(d.items[1].class_name(), "BUTTON");
    EXPECT_EQ(d.items[1].title.text, "OK");
    EXPECT_EQ((std::array<short, 4>{d.items[1].x, d.items[1].y, d.items[1].cx, d.items[1].cy}),
              (std::array<short, 4>{5, 20, 30, 13}));
}

// An extended template whose items name their classes instead of using atoms,
// as windres stores a quoted class of a CONTROL statement.
std::vector<uint8_t> named_class_template() {
    Bytes t;
    t.u16(1).u16(0xFFFF).u32(0).u32(0).u32(WS_POPUP).u16(3).u16(0).u16(0).u16(80).u16(40);
    t.u16(0).u16(0).text("");
    auto item = [&t](const char* cls, bool image_title) {
        t.align4().u32(0).u32(0).u32(WS_CHILD | SS_BITMAP).u16(1).u16(2).u16(3).u16(4).u32(IDC_NONE);
        t.text(cls);
        if (image_title)
            t.ordinal(IDB_LOGO);
        else
            t.text("x");
        t.u16(0);
    };
    item("STATIC", true);
    item("eDiT", false);
    item("Orvasse.Pane", false);
    return t.data;
}

TEST(DialogTemplateReader, ClassesStoredAsNamesAndTitlesStoredAsOrdinals) {
    std::vector<uint8_t> bytes = named_class_template();
    DialogTemplate d;
    ASSERT_TRUE(platform::parse_dialog_template(bytes.data(), bytes.size(), &d));
    ASSERT_EQ(d.items.size(), 3u);
    EXPECT_FALSE(d.items[0].window_class.is_ordinal);
    EXPECT_EQ(d.items[0].class_name(), "STATIC");
    EXPECT_EQ(d.items[1].class_name(), "EDIT");
    EXPECT_EQ(d.items[2].class_name(), "Orvasse.Pane");
    EXPECT_EQ(d.items[2].id, DWORD(IDC_NONE));
    // an image by number, as a bitmap static names its bitmap
    EXPECT_TRUE(d.items[0].title.is_ordinal);
    EXPECT_EQ(d.items[0].title.ordinal, IDB_LOGO);
    EXPECT_FALSE(d.items[1].title.is_ordinal);
    EXPECT_EQ(d.items[1].title.text, "x");
}

TEST(MenuReader, ReadsExtendedMenusAndMarksSeparators) {
    Bytes ex;
    ex.u16(1).u16(4).u32(0);
    ex.u32(0).u32(0).u32(0).u16(0x01 | 0x80).text("File").align4().u32(0);  // last popup
    ex.align4().u32(0).u32(MF_GRAYED).u32(40009).u16(0x80).text("Exit");
    std::vector<MenuItemTemplate> bar;
    ASSERT_TRUE(platform::parse_menu_template(ex.data.data(), ex.data.size(), &bar));
    ASSERT_EQ(bar.size(), 1u);
    EXPECT_EQ(bar[0].text, "File");
    EXPECT_EQ(bar[0].flags, MF_POPUP);
    ASSERT_EQ(bar[0].popup.size(), 1u);
    EXPECT_EQ(bar[0].popup[0].text, "Exit");
    EXPECT_EQ(bar[0].popup[0].id, 40009);
    EXPECT_EQ(bar[0].popup[0].flags, MF_GRAYED);

    Bytes plain;  // MENUITEM SEPARATOR is stored as flags 0, id 0, no text
    plain.u16(0).u16(0).u16(MF_POPUP | MF_END).text("File");
    plain.u16(0).u16(1).text("Open").u16(0).u16(0).text("").u16(MF_END).u16(2).text("Exit");
    ASSERT_TRUE(platform::parse_menu_template(plain.data.data(), plain.data.size(), &bar));
    ASSERT_EQ(bar.at(0).popup.size(), 3u);
    EXPECT_EQ(bar[0].popup[1].flags, MF_SEPARATOR);
    EXPECT_EQ(bar[0].popup[2].flags, 0);
    EXPECT_EQ(bar[0].popup[2].id, 2);
}

TEST(AcceleratorReader, TableWithoutEndMarkIsRefused) {
    Bytes keys;
    keys.u16(FVIRTKEY).u16('A').u16(40023).u16(0).u16(FVIRTKEY).u16('B').u16(40024).u16(0);
    std::vector<ACCEL> table;
    EXPECT_FALSE(platform::parse_accelerator_table(keys.data.data(), keys.data.size(), &table));
    keys.data[8] |= 0x80;
    ASSERT_TRUE(platform::parse_accelerator_table(keys.data.data(), keys.data.size(), &table));
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[1].fVirt, FVIRTKEY);
    EXPECT_EQ(table[1].key, 'B');
}

// BITMAPINFOHEADER of a w x h DIB.
Bytes dib_header(int w, int h, int bits) {
    Bytes b;
    b.u32(40).u32(static_cast<DWORD>(w)).u32(static_cast<DWORD>(h)).u16(1).u16(bits).u32(0);
    b.u32(0).u32(0).u32(0).u32(0).u32(0);
    return b;
}

TEST(ImageReader, BitmapRowsComeTopFirstWithRowPadding) {
    // 3 x 2 at 24 bits: rows of 9 bytes padded to 12, stored bottom row first
    const uint32_t top[3] = {0x112233, 0x445566, 0x778899}, bottom[3] = {0xAABBCC, 0xDDEEFF, 0x010203};
    auto row = [](Bytes& b, const uint32_t* px) {
        for (int x = 0; x < 3; ++x) b.u8(px[x] & 0xFF).u8(px[x] >> 8 & 0xFF).u8(px[x] >> 16);
        b.u8(0).u8(0).u8(0);
    };
    Bytes up = dib_header(3, 2, 24), down = dib_header(3, -2, 24);
    row(up, bottom);
    row(up, top);
    row(down, top);
    row(down, bottom);
    HandMadeModule module(res_image({{2, "1", up.data}, {2, "Logo", down.data}}));

    const std::vector<uint32_t> want = {0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC, 0xFFDDEEFF, 0xFF010203};
    platform::BitmapImage image;
    ASSERT_TRUE(platform::load_bitmap(kHandMade, MAKEINTRESOURCEA(1), &image));
    EXPECT_EQ(image.argb, want);
    ASSERT_TRUE(platform::load_bitmap(kHandMade, "LOGO", &image)) << "names are found in any case";
    EXPECT_EQ(image.argb, want);
    EXPECT_FALSE(platform::load_bitmap(kHandMade, MAKEINTRESOURCEA(2), &image));
}

TEST(ImageReader, PaletteIconWithMask) {
    // 2 x 2 at 4 bits: palette 1 red, 2 green, 3 blue; the bottom right pixel masked out
    Bytes icon = dib_header(2, 4, 4);
    const DWORD colours[4] = {0, 0xFF0000, 0x00FF00, 0x0000FF};
    for (int i = 0; i < 16; ++i) icon.u32(i < 4 ? colours[i] : 0);
    icon.u8(0x30).u8(0).u8(0).u8(0);  // bottom row: blue, index 0
    icon.u8(0x12).u8(0).u8(0).u8(0);  // top row: red, green
    icon.u32(0x40).u32(0);            // mask, bottom row first: x = 1 transparent
    Bytes group;
    group.u16(0).u16(1).u16(1).u8(2).u8(2).u8(16).u8(0).u16(1).u16(4).u32(static_cast<DWORD>(icon.data.size())).u16(9);
    HandMadeModule module(res_image({{3, "9", icon.data}, {14, "105", group.data}}));

    std::vector<platform::IconImage> images;
    ASSERT_TRUE(platform::load_icon_group(kHandMade, MAKEINTRESOURCEA(105), &images));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].id, 9);
    EXPECT_EQ(images[0].width, 2);
    EXPECT_EQ(images[0].height, 2);
    EXPECT_EQ(images[0].color_count, 16);
    EXPECT_EQ(images[0].argb, (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00000000}));
}

TEST(ResReader, BrokenImagesGiveNoResources) {
    DialogTemplate d;
    {
        // cut short: the last record's data runs past the end
        HandMadeModule module(std::vector<uint8_t>(orvasse_res_begin, orvasse_res_begin + embedded_size() - 20));
        EXPECT_FALSE(load_dialog(kHandMade, IDD_MAIN, &d));
    }
    {
        // a record claiming more data than there is
        std::vector<uint8_t> liar = res_image({{5, "101", {1, 2, 3, 4}}});
        liar[32] = 0xFF;
        HandMadeModule module(liar);
        EXPECT_FALSE(load_dialog(kHandMade, 101, &d));
    }
    {
        // whole records, but an image without all its pixels
        platform::register_module_resources(kProgram, orvasse_res_begin, embedded_size());
        platform::ResourceBytes bitmap;
        ASSERT_TRUE(platform::find_resource(kProgram, RT_BITMAP, MAKEINTRESOURCEA(IDB_LOGO), &bitmap));
        std::vector<uint8_t> short_logo(bitmap.data, bitmap.data + bitmap.size - 1);
        HandMadeModule module(res_image({{2, "104", short_logo}}));
        platform::BitmapImage logo;
        EXPECT_FALSE(platform::load_bitmap(kHandMade, MAKEINTRESOURCEA(IDB_LOGO), &logo));
    }
    // and a module nobody registered has nothing
    std::vector<platform::IconImage> images;
    EXPECT_FALSE(platform::load_icon_group(reinterpret_cast<HINSTANCE>(uintptr_t{0x600000}),
                                           MAKEINTRESOURCEA(IDI_ORVASSE), &images));
}

}  // namespace
