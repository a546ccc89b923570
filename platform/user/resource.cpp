// The resources of a module, read from a .res image as windres and rc write
// it, and the resource formats Windows reads: dialog templates, menus,
// accelerator tables, icon groups and bitmaps.
//
// Everything here reads untrusted bytes: every read is bounds-checked and a
// malformed resource makes the call fail instead of reading past its end.
#include "platform/user/resource.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

namespace platform {
namespace {

// Larger images are refused rather than decoded into huge buffers.
constexpr int kMaxImageSide = 4096;
// Popups nested deeper than this are taken for a malformed menu.
constexpr int kMaxMenuDepth = 16;
constexpr DWORD kBiRgb = 0;
constexpr BYTE kAccelLast = 0x80;
constexpr WORD kMenuExPopup = 0x01;
constexpr WORD kMenuExLast = 0x80;

// A little-endian reader over a byte range. A read past the end fails the
// cursor; once failed it stays failed and reads give 0, so a parser checks
// ok() once per structure.
class Cursor {
public:
    Cursor(const uint8_t* data, size_t size, size_t pos = 0) : data_(data), size_(size), pos_(pos) {
        ok_ = data != nullptr && pos <= size;
    }

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    const uint8_t* here() const { return data_ + pos_; }

    bool skip(size_t n) {
        if (!ok_ || n > size_ - pos_) return ok_ = false;
        pos_ += n;
        return true;
    }
    // Moves to the next multiple of n bytes counted from base.
    void align(size_t base, size_t n) {
        size_t over = (pos_ - base) % n;
        if (over) skip(n - over);
    }
    BYTE u8() {
        const uint8_t* p = here();
        return skip(1) ? p[0] : 0;
    }
    WORD u16() {
        const uint8_t* p = here();
        return skip(2) ? static_cast<WORD>(p[0] | p[1] << 8) : 0;
    }
    DWORD u32() {
        const uint8_t* p = here();
        return skip(4) ? static_cast<DWORD>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24) : 0;
    }
    short s16() { return static_cast<short>(u16()); }

    // A NUL-terminated UTF-16 string, as single-byte text: Latin-1 where it
    // can be, '?' for anything beyond.
    std::string text() {
        std::string out;
        for (;;) {
            WORD ch = u16();
            if (!ok_ || ch == 0) return out;
            out += ch <= 0xFF ? static_cast<char>(ch) : '?';
        }
    }
    // 0xFFFF and an ordinal, or a string; a lone 0 is the empty string.
    NameOrOrdinal name_or_ordinal() {
        NameOrOrdinal out;
        size_t start = pos_;
        if (u16() == 0xFFFF) {
            out.is_ordinal = true;
            out.ordinal = u16();
            return out;
        }
        if (ok_) pos_ = start;
        out.text = text();
        return out;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_;
    bool ok_;
};

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_text(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return upper(x) == upper(y);
           });
}

bool same_name(const NameOrOrdinal& stored, LPCSTR wanted) {
    if (IS_INTRESOURCE(wanted))
        return stored.is_ordinal && stored.ordinal == static_cast<WORD>(reinterpret_cast<ULONG_PTR>(wanted));
    return !stored.is_ordinal && same_text(stored.text, wanted);
}

// ---- the .res image

struct Resource {
    NameOrOrdinal type;
    NameOrOrdinal name;
    ResourceBytes bytes;
};

// Each record: DataSize, HeaderSize, type, name (each 0xFFFF+ordinal or a
// UTF-16 string), padding to a DWORD, then DataVersion, MemoryFlags,
// LanguageId, Version, Characteristics; the data follows the header and
// the next record starts on a DWORD boundary.
bool parse_res(const uint8_t* data, size_t size, std::vector<Resource>* out) {
    size_t pos = 0;
    while (pos < size) {
        Cursor c(data, size, pos);
        DWORD data_size = c.u32();
        DWORD header_size = c.u32();
        Resource r;
        r.type = c.name_or_ordinal();
        r.name = c.name_or_ordinal();
        c.align(pos, 4);
        c.skip(16);
        if (!c.ok() || header_size < c.pos() - pos || header_size > size - pos) return false;
        size_t start = pos + header_size;
        if (data_size > size - start) return false;
        r.bytes = {data + start, data_size};
        // Type 0 is the empty record that opens every .res.
        if (!(r.type.is_ordinal && r.type.ordinal == 0)) out->push_back(std::move(r));
        size_t end = start + data_size;
        pos = std::min(size, end + (4 - end % 4) % 4);
    }
    return true;
}

std::mutex modules_lock;
std::map<HINSTANCE, std::vector<Resource>> modules;

// ---- menus

bool read_menu(Cursor& c, int depth, std::vector<MenuItemTemplate>* items) {
    if (depth > kMaxMenuDepth) return false;
    for (;;) {
        MenuItemTemplate item;
        WORD flags = c.u16();
        if (!(flags & MF_POPUP)) item.id = c.u16();
        item.text = c.text();
        if (!c.ok()) return false;
        item.flags = static_cast<WORD>(flags & ~MF_END);
        if (item.flags & MF_POPUP) {
            if (!read_menu(c, depth + 1, &item.popup)) return false;
        } else if (item.flags == 0 && item.id == 0 && item.text.empty()) {
            // how MENUITEM SEPARATOR is stored
            item.flags = MF_SEPARATOR;
        }
        items->push_back(std::move(item));
        if (flags & MF_END) return true;
    }
}

// MENUEX items: type, state, id, flags (popup, last) and text, each item
// and each popup's help id on a DWORD boundary of the resource.
bool read_menu_ex(Cursor& c, int depth, std::vector<MenuItemTemplate>* items) {
    if (depth > kMaxMenuDepth) return false;
    for (;;) {
        c.align(0, 4);
        MenuItemTemplate item;
        DWORD type = c.u32();
        DWORD state = c.u32();
        item.id = static_cast<WORD>(c.u32());
        WORD res_flags = c.u16();
        item.text = c.text();
        if (!c.ok()) return false;
        item.flags = static_cast<WORD>(type | state);
        if (res_flags & kMenuExPopup) {
            item.flags |= MF_POPUP;
            c.align(0, 4);
            c.u32();  // the popup's help id
            if (!read_menu_ex(c, depth + 1, &item.popup)) return false;
        }
        items->push_back(std::move(item));
        if (res_flags & kMenuExLast) return true;
    }
}

// ---- device-independent bitmaps

struct Dib {
    int width = 0;
    int height = 0;  // of the image, without an icon's mask
    int bit_count = 0;
    int color_count = 0;
    std::vector<uint32_t> argb;
};

// Decodes BITMAPINFOHEADER, palette and bits into ARGB, top row first,
// opaque. An icon's header counts the colour rows and the mask rows
// together, and its AND mask follows the colour bits: set mask bits make
// pixels transparent, unless a 32-bit image carries its own alpha.
bool decode_dib(const uint8_t* data, size_t size, bool icon, Dib* out) {
    Cursor c(data, size);
    DWORD header_size = c.u32();
    int64_t width = static_cast<int32_t>(c.u32());
    int64_t height = static_cast<int32_t>(c.u32());
    WORD planes = c.u16();
    WORD bits = c.u16();
    DWORD compression = c.u32();
    c.skip(12);  // image size and resolution
    DWORD colors_used = c.u32();
    c.u32();  // important colours
    if (!c.ok() || header_size < 40 || header_size > size) return false;
    if (planes != 1 || compression != kBiRgb) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;

    bool top_down = height < 0;
    if (top_down) height = -height;
    if (icon) {
        // the mask's rows follow the image's rows, so the image is bottom-up
        if (top_down || height % 2) return false;
        height /= 2;
    }
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return false;

    size_t palette_size = colors_used;
    if (bits <= 8) {
        if (palette_size == 0) palette_size = size_t{1} << bits;
        if (palette_size > (size_t{1} << bits)) return false;
    } else if (palette_size > 256) {
        return false;
    }
    Cursor palette(data, size, header_size);
    std::vector<uint32_t> colors(palette_size);
    for (auto& color : colors) color = 0xFF000000u | (palette.u32() & 0xFFFFFF);
    if (!palette.ok()) return false;

    const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
    const size_t stride = (w * bits + 31) / 32 * 4;
    const size_t mask_stride = (w + 31) / 32 * 4;
    const size_t needed = stride * h + (icon ? mask_stride * h : 0);
    const uint8_t* pixels = palette.here();
    if (needed > size - palette.pos()) return false;

    out->width = static_cast<int>(w);
    out->height = static_cast<int>(h);
    out->bit_count = bits;
    out->color_count = bits <= 8 ? static_cast<int>(palette_size) : 0;
    out->argb.assign(w * h, 0);
    bool any_alpha = false;
    for (size_t y = 0; y < h; ++y) {
        const uint8_t* row = pixels + (top_down ? y : h - 1 - y) * stride;
        uint32_t* dest = &out->argb[y * w];
        for (size_t x = 0; x < w; ++x) {
            if (bits <= 8) {
                size_t bit = x * bits;
                unsigned index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                // an index past the palette shows black, as a display would
                dest[x] = index < colors.size() ? colors[index] : 0xFF000000u;
            } else {
                const uint8_t* p = row + x * (bits / 8);
                uint32_t rgb = static_cast<uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
                uint32_t alpha = bits == 32 && icon ? p[3] : 0xFF;
                any_alpha = any_alpha || (bits == 32 && icon && alpha != 0);
                dest[x] = alpha << 24 | rgb;
            }
        }
    }
    if (icon && !any_alpha) {
        const uint8_t* mask = pixels + stride * h;
        for (size_t y = 0; y < h; ++y) {
            const uint8_t* row = mask + (h - 1 - y) * mask_stride;
            for (size_t x = 0; x < w; ++x) {
                uint32_t& pixel = out->argb[y * w + x];
                pixel = (row[x / 8] >> (7 - x % 8)) & 1 ? pixel & 0xFFFFFF : pixel | 0xFF000000u;
            }
        }
    }
    return true;
}

}  // namespace

void register_module_resources(HINSTANCE module, const void* res, size_t size) {
    std::vector<Resource> found;
    bool ok = res != nullptr && parse_res(static_cast<const uint8_t*>(res), size, &found);
    std::lock_guard<std::mutex> hold(modules_lock);
    // A malformed image gives the module no resources at all rather than
    // whatever happened to come before the fault.
    if (ok)
        modules[module] = std::move(found);
    else
        modules.erase(module);
}

bool find_resource(HINSTANCE module, LPCSTR type, LPCSTR name, ResourceBytes* out) {
    if (!type || !name || !out) return false;
    std::lock_guard<std::mutex> hold(modules_lock);
    auto it = modules.find(module);
    if (it == modules.end()) return false;
    for (const Resource& r : it->second) {
        if (same_name(r.type, type) && same_name(r.name, name)) {
            *out = r.bytes;
            return true;
        }
    }
    return false;
}

std::string DialogItemTemplate::class_name() const {
    static const char* const predefined[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
    if (window_class.is_ordinal) {
        WORD atom = window_class.ordinal;
        return atom >= 0x80 && atom <= 0x85 ? predefined[atom - 0x80] : std::string();
    }
    for (const char* name : predefined)
        if (same_text(window_class.text, name)) return name;
    return window_class.text;
}

// DLGTEMPLATEEX starts with version 1 and signature 0xFFFF; anything else
// is a DLGTEMPLATE. Items start on a DWORD boundary of the template.
bool parse_dialog_template(const uint8_t* data, size_t size, DialogTemplate* out) {
    if (!out) return false;
    Cursor c(data, size);
    DialogTemplate t;
    t.extended = data && size >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF;
    if (t.extended) {
        c.skip(4);
        t.help_id = c.u32();
        t.ex_style = c.u32();
        t.style = c.u32();
    } else {
        t.style = c.u32();
        t.ex_style = c.u32();
    }
    WORD count = c.u16();
    t.x = c.s16();
    t.y = c.s16();
    t.cx = c.s16();
    t.cy = c.s16();
    t.menu = c.name_or_ordinal();
    t.window_class = c.name_or_ordinal();
    t.caption = c.text();
    if (t.style & DS_SETFONT) {
        t.point_size = c.u16();
        if (t.extended) {
            t.weight = c.u16();
            t.italic = c.u8();
            t.charset = c.u8();
        }
        t.font = c.text();
    }
    if (!c.ok()) return false;

    for (WORD i = 0; i < count; ++i) {
        c.align(0, 4);
        DialogItemTemplate item;
        if (t.extended) {
            item.help_id = c.u32();
            item.ex_style = c.u32();
            item.style = c.u32();
        } else {
            item.style = c.u32();
            item.ex_style = c.u32();
        }
        item.x = c.s16();
        item.y = c.s16();
        item.cx = c.s16();
        item.cy = c.s16();
        item.id = t.extended ? c.u32() : c.u16();
        item.window_class = c.name_or_ordinal();
        item.title = c.name_or_ordinal();
        // The creation data: its length in bytes, then the bytes.
        WORD extra = c.u16();
        const uint8_t* bytes = c.here();
        if (!c.skip(extra)) return false;
        item.creation_data.assign(bytes, bytes + extra);
        t.items.push_back(std::move(item));
    }
    *out = std::move(t);
    return true;
}

bool parse_menu_template(const uint8_t* data, size_t size, std::vector<MenuItemTemplate>* bar) {
    if (!bar) return false;
    Cursor c(data, size);
    WORD version = c.u16();
    WORD header_extra = c.u16();
    c.skip(header_extra);
    std::vector<MenuItemTemplate> items;
    if (!c.ok()) return false;
    if (version == 0) {
        if (!read_menu(c, 0, &items)) return false;
    } else if (version == 1) {
        if (!read_menu_ex(c, 0, &items)) return false;
    } else {
        return false;
    }
    *bar = std::move(items);
    return true;
}

// Stored entries are 8 bytes: flags, key, command, padding. The table ends
// with the entry that has the end mark; a table without one is malformed.
bool parse_accelerator_table(const uint8_t* data, size_t size, std::vector<ACCEL>* entries) {
    if (!entries) return false;
    Cursor c(data, size);
    std::vector<ACCEL> found;
    for (;;) {
        WORD flags = c.u16();
        ACCEL entry;
        entry.key = c.u16();
        entry.cmd = c.u16();
        c.u16();
        if (!c.ok()) return false;
        entry.fVirt = static_cast<BYTE>(flags & ~kAccelLast);
        found.push_back(entry);
        if (flags & kAccelLast) break;
    }
    *entries = std::move(found);
    return true;
}

// GRPICONDIR: reserved, type 1, count; then per image width, height,
// colour count, reserved, planes, bit count, bytes, and the RT_ICON id.
bool load_icon_group(HINSTANCE module, LPCSTR name, std::vector<IconImage>* images) {
    ResourceBytes group;
    if (!images || !find_resource(module, RT_GROUP_ICON, name, &group)) return false;
    Cursor c(group.data, group.size);
    WORD reserved = c.u16();
    WORD type = c.u16();
    WORD count = c.u16();
    if (!c.ok() || reserved != 0 || type != 1 || count == 0) return false;
    std::vector<IconImage> found;
    for (WORD i = 0; i < count; ++i) {
        c.skip(12);
        WORD id = c.u16();
        ResourceBytes bytes;
        Dib dib;
        if (!c.ok() || !find_resource(module, RT_ICON, MAKEINTRESOURCEA(id), &bytes) ||
            !decode_dib(bytes.data, bytes.size, true, &dib))
            return false;
        IconImage image;
        image.id = id;
        image.width = dib.width;
        image.height = dib.height;
        image.bit_count = dib.bit_count;
        image.color_count = dib.color_count;
        image.argb = std::move(dib.argb);
        found.push_back(std::move(image));
    }
    *images = std::move(found);
    return true;
}

bool load_bitmap(HINSTANCE module, LPCSTR name, BitmapImage* out) {
    ResourceBytes bytes;
    Dib dib;
    if (!out || !find_resource(module, RT_BITMAP, name, &bytes) || !decode_dib(bytes.data, bytes.size, false, &dib))
        return false;
    out->width = dib.width;
    out->height = dib.height;
    out->bit_count = dib.bit_count;
    out->argb = std::move(dib.argb);
    return true;
}

}  // namespace platform
