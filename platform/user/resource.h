// The reader of compiled resources (.res, as windres and rc write them):
// finding a resource of a module and decoding dialog templates, menus,
// accelerator tables, icon groups and bitmaps, as Windows reads them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace platform {

// Makes the .res image the resources of module: every hInstance the program
// passes to LoadIconA, DialogBoxParamA, ... names such a module. The image is
// not copied and must outlive its use.
void register_module_resources(HINSTANCE module, const void* res, size_t size);

struct ResourceBytes {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// type and name as Win32 takes them: MAKEINTRESOURCEA ordinals or strings
// (compared without regard to case). False when the module has no such resource.
bool find_resource(HINSTANCE module, LPCSTR type, LPCSTR name, ResourceBytes* out);

// A name as templates store it: a text, or an ordinal.
struct NameOrOrdinal {
    bool is_ordinal = false;
    WORD ordinal = 0;
    std::string text;
};

struct DialogItemTemplate {
    DWORD help_id = 0;
    DWORD ex_style = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    NameOrOrdinal window_class;  // ordinal 0x80-0x85 for the predefined classes, or a name
    NameOrOrdinal title;         // the text, or the ordinal of an image (SS_BITMAP, SS_ICON)
    std::vector<uint8_t> creation_data;

    // "BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR" or "COMBOBOX" for the
    // predefined classes however they were stored (atom or name in any case);
    // any other class name as stored.
    std::string class_name() const;
};

struct DialogTemplate {
    bool extended = false;  // DLGTEMPLATEEX
    DWORD help_id = 0;
    DWORD ex_style = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;          // empty text: none
    NameOrOrdinal window_class;  // empty text: the dialog class
    std::string caption;
    // Present when style has DS_SETFONT.
    WORD point_size = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::string font;
    std::vector<DialogItemTemplate> items;
};

bool parse_dialog_template(const uint8_t* data, size_t size, DialogTemplate* out);

// A menu bar or popup: its items in order. An item with MF_POPUP has the
// items of its popup in `popup`; MF_END is removed from the flags.
struct MenuItemTemplate {
    WORD flags = 0;
    WORD id = 0;
    std::string text;
    std::vector<MenuItemTemplate> popup;
};

bool parse_menu_template(const uint8_t* data, size_t size, std::vector<MenuItemTemplate>* bar);

// The entries in stored order, duplicates kept; the end mark (0x80) is
// removed from fVirt.
bool parse_accelerator_table(const uint8_t* data, size_t size, std::vector<ACCEL>* entries);

// Decoded images: width × height pixels, top row first, 0xAARRGGBB
// (transparent pixels of an icon's mask have alpha 0).
struct IconImage {
    WORD id = 0;  // the RT_ICON resource
    int width = 0;
    int height = 0;
    int bit_count = 0;
    int color_count = 0;  // palette entries, 0 above 8 bits per pixel
    std::vector<uint32_t> argb;
};

bool load_icon_group(HINSTANCE module, LPCSTR name, std::vector<IconImage>* images);

struct BitmapImage {
    int width = 0;
    int height = 0;
    int bit_count = 0;
    std::vector<uint32_t> argb;
};

bool load_bitmap(HINSTANCE module, LPCSTR name, BitmapImage* out);

}  // namespace platform
