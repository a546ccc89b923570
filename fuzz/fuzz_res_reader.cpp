// The reader of compiled resources on arbitrary bytes, three ways: the
// bytes as a module's .res image, whose records are walked here on their
// own and must be what find_resource finds; the bytes as a dialog template,
// a menu and an accelerator table; and the bytes as the image of a bitmap,
// an icon and its group. Nothing may read outside the bytes, and whatever
// decodes must hold together.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/user/resource.h"
#include "platform/win32.h"

using fuzz::require;

namespace {

const HINSTANCE kImage = reinterpret_cast<HINSTANCE>(uintptr_t{0x600000});
const HINSTANCE kWrapped = reinterpret_cast<HINSTANCE>(uintptr_t{0x700000});

uint32_t u16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t u32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
size_t round4(size_t n) { return (n + 3) / 4 * 4; }

struct Name {
    bool ordinal = false;
    WORD id = 0;
    std::string text;  // as the reader gives UTF-16: Latin-1, '?' beyond
};

struct Record {
    Name type, name;
    size_t offset = 0, size = 0;
};

bool read_name(const uint8_t* d, size_t size, size_t* at, Name* out) {
    if (size - *at < 2) return false;
    if (u16(d + *at) == 0xFFFF) {
        if (size - *at < 4) return false;
        out->ordinal = true;
        out->id = static_cast<WORD>(u16(d + *at + 2));
        *at += 4;
        return true;
    }
    for (;;) {
        if (size - *at < 2) return false;
        uint32_t ch = u16(d + *at);
        *at += 2;
        if (ch == 0) return true;
        out->text += ch <= 0xFF ? static_cast<char>(ch) : '?';
    }
}

// RESOURCEHEADER: DataSize, HeaderSize, TYPE, NAME, DWORD padding,
// DataVersion, MemoryFlags, LanguageId, Version, Characteristics; the data
// at HeaderSize, the next header on a DWORD boundary. False when a record
// does not fit; *records has those read until then.
bool walk(const uint8_t* d, size_t size, std::vector<Record>* records) {
    size_t pos = 0;
    while (pos < size) {
        if (size - pos < 8) return false;
        uint32_t data_size = u32(d + pos);
        uint32_t header_size = u32(d + pos + 4);
        Record r;
        size_t at = pos + 8;
        if (!read_name(d, size, &at, &r.type) || !read_name(d, size, &at, &r.name)) return false;
        at = pos + round4(at - pos) + 16;
        if (at > size || header_size < at - pos || header_size > size - pos) return false;
        if (data_size > size - pos - header_size) return false;
        r.offset = pos + header_size;
        r.size = data_size;
        if (!(r.type.ordinal && r.type.id == 0)) records->push_back(r);
        pos = std::min(size, round4(r.offset + r.size));
    }
    return true;
}

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool same(const Name& a, const Name& b) {
    if (a.ordinal || b.ordinal) return a.ordinal == b.ordinal && a.id == b.id;
    if (a.text.size() != b.text.size()) return false;
    for (size_t i = 0; i < a.text.size(); ++i)
        if (upper(a.text[i]) != upper(b.text[i])) return false;
    return true;
}

LPCSTR as_win32(const Name& n) { return n.ordinal ? MAKEINTRESOURCEA(n.id) : n.text.c_str(); }

void check_images(const std::vector<platform::IconImage>& images) {
    for (const auto& image : images) {
        require(image.width > 0 && image.width <= 4096 && image.height > 0 && image.height <= 4096,
                "an icon image of " + std::to_string(image.width) + " x " + std::to_string(image.height));
        require(image.argb.size() == static_cast<size_t>(image.width) * image.height, "an icon's pixels");
    }
}

void check_bitmap(const platform::BitmapImage& bitmap) {
    require(bitmap.width > 0 && bitmap.width <= 4096 && bitmap.height > 0 && bitmap.height <= 4096,
            "a bitmap of " + std::to_string(bitmap.width) + " x " + std::to_string(bitmap.height));
    require(bitmap.argb.size() == static_cast<size_t>(bitmap.width) * bitmap.height, "a bitmap's pixels");
    for (uint32_t pixel : bitmap.argb) require(pixel >> 24 == 0xFF, "a bitmap pixel that is not opaque");
}

// The templates decoded from bytes: counts as their headers say.
void decode_templates(const uint8_t* data, size_t size) {
    platform::DialogTemplate dialog;
    if (platform::parse_dialog_template(data, size, &dialog)) {
        size_t count_at = dialog.extended ? 16 : 8;
        require(size >= count_at + 2 && dialog.items.size() == u16(data + count_at),
                "a dialog template's item count");
        for (const auto& item : dialog.items) item.class_name();
    }
    std::vector<platform::MenuItemTemplate> bar;
    platform::parse_menu_template(data, size, &bar);
    std::vector<ACCEL> keys;
    if (platform::parse_accelerator_table(data, size, &keys)) {
        require(!keys.empty() && keys.size() * 8 <= size, "an accelerator table of " + std::to_string(keys.size()));
        for (const ACCEL& key : keys) require(!(key.fVirt & 0x80), "an accelerator entry kept its end mark");
    }
}

void check_image(const uint8_t* data, size_t size) {
    std::vector<Record> records;
    bool whole = walk(data, size, &records);
    platform::register_module_resources(kImage, data, size);
    for (size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        // Ordinal 0 is the null pointer: no name can ask for it.
        if (r.name.ordinal && r.name.id == 0) continue;
        platform::ResourceBytes found;
        bool got = platform::find_resource(kImage, as_win32(r.type), as_win32(r.name), &found);
        if (!whole) {
            require(!got, "a malformed image still gave a resource");
            continue;
        }
        // The first record of that type and name is the one found.
        size_t first = i;
        for (size_t j = 0; j < i; ++j)
            if (same(records[j].type, r.type) && same(records[j].name, r.name)) {
                first = j;
                break;
            }
        require(got, "record " + std::to_string(i) + " was not found");
        require(found.data == data + records[first].offset && found.size == records[first].size,
                "record " + std::to_string(i) + ": the found bytes are not the record's");
        if (first != i) continue;
        const uint8_t* bytes = found.data;
        if (r.type.ordinal) {
            if (r.type.id == 5 || r.type.id == 4 || r.type.id == 9) decode_templates(bytes, found.size);
            if (r.type.id == 14) {
                std::vector<platform::IconImage> images;
                if (platform::load_icon_group(kImage, as_win32(r.name), &images)) check_images(images);
            }
            if (r.type.id == 2) {
                platform::BitmapImage bitmap;
                if (platform::load_bitmap(kImage, as_win32(r.name), &bitmap)) check_bitmap(bitmap);
            }
        }
    }
}

// A .res of four records around the bytes: the empty opening record, the
// bytes as bitmap 1 and as icon 1, and a group of one icon that names it.
void check_wrapped(const uint8_t* data, size_t size) {
    std::vector<uint8_t> res;
    auto put16 = [&](uint32_t v) {
        res.push_back(static_cast<uint8_t>(v));
        res.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    auto record = [&](WORD type, WORD name, const uint8_t* bytes, size_t length) {
        put32(static_cast<uint32_t>(length));
        put32(32);
        put16(0xFFFF);
        put16(type);
        put16(0xFFFF);
        put16(name);
        for (int i = 0; i < 4; ++i) put32(0);
        res.insert(res.end(), bytes, bytes + length);
        while (res.size() % 4) res.push_back(0);
    };
    record(0, 0, nullptr, 0);
    record(2, 1, data, size);
    record(3, 1, data, size);
    const uint8_t group[] = {0, 0, 1, 0, 1, 0, 32, 32, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0, 1, 0};
    record(14, 1, group, sizeof group);
    platform::register_module_resources(kWrapped, res.data(), res.size());
    platform::BitmapImage bitmap;
    if (platform::load_bitmap(kWrapped, MAKEINTRESOURCEA(1), &bitmap)) check_bitmap(bitmap);
    std::vector<platform::IconImage> images;
    if (platform::load_icon_group(kWrapped, MAKEINTRESOURCEA(1), &images)) {
        require(images.size() == 1, "a group of one icon gave " + std::to_string(images.size()));
        check_images(images);
    }
    platform::register_module_resources(kWrapped, nullptr, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The reader keeps no copy: the bytes must stay until the module is
    // given others.
    std::vector<uint8_t> bytes(data, data + size);
    const uint8_t* at = bytes.empty() ? nullptr : bytes.data();
    check_image(at, bytes.size());
    decode_templates(at, bytes.size());
    check_wrapped(at, bytes.size());
    platform::register_module_resources(kImage, nullptr, 0);
    return 0;
}
