// The Select Disk dialog with a name typed into its field and Open pressed.
// A name opens a disk only when it has exactly the form of an entry:
// "Logical X:" with a letter of either case, or, on the direct path,
// "Physical N" with one digit. Anything else says it is not a disk and
// changes nothing; a well-formed name of a disk that is not there closes
// the dialog with the read error.
#include <cstddef>
#include <cstdint>
#include <string>

#include "disk/legacy_services.h"
#include "disk/sector_access.h"
#include "editor/select_disk.h"
#include "editor/editor_state.h"
#include "fuzz/fuzz_support.h"
#include "platform/control.h"
#include "platform/host/headless/headless_host.h"
#include "platform/user/input.h"
#include "platform/win32.h"
#include "resources/resource.h"

using fuzz::require;
using platform::HeadlessHost;

namespace {

// C: and physical drive 0 are images; E: is a link to nothing.
constexpr uint32_t kVolumeSectors = 8, kPhysicalSectors = 16;
constexpr uint8_t kVolumeFill = 0x30, kPhysicalFill = 0x90;

void set_up() {
    static bool done = [] {
        fuzz::program_module();
        fuzz::map_volume_image('C', "c.img", kVolumeSectors, kVolumeFill);
        fuzz::map_physical_image(0, "p0.img", kPhysicalSectors, kPhysicalFill);
        fuzz::map_volume_to_nothing('E');
        return true;
    }();
    (void)done;
}

bool letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

enum class Outcome { NotADisk, Opened, ReadError };

struct Expected {
    Outcome outcome = Outcome::NotADisk;
    uint32_t sectors = 0;
    uint8_t fill = 0;
};

Expected model(const std::string& name, bool legacy) {
    Expected e;
    if (name.size() != 10) return e;
    if (name.compare(0, 8, "Logical ") == 0 && letter(name[8]) && name[9] == ':') {
        bool c = name[8] == 'C' || name[8] == 'c';
        e.outcome = c ? Outcome::Opened : Outcome::ReadError;
        e.sectors = kVolumeSectors;
        e.fill = kVolumeFill;
    } else if (!legacy && name.compare(0, 9, "Physical ") == 0 && name[9] >= '0' && name[9] <= '9') {
        e.outcome = name[9] == '0' ? Outcome::Opened : Outcome::ReadError;
        e.sectors = kPhysicalSectors;
        e.fill = kPhysicalFill;
    }
    return e;
}

}  // namespace

// The first byte picks the path (its low bit: the legacy volume services);
// the rest is typed, less the bytes no key types into a field.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    set_up();
    bool legacy = data[0] & 1;
    std::string name;
    for (size_t i = 1; i < size && name.size() < 64; ++i)
        if (data[i] >= 0x20 && data[i] != 0x7F) name += static_cast<char>(data[i]);

    // Typing nothing leaves the field as the dialog filled it: the first
    // entry, C:.
    const std::string field_text = name.empty() ? "Logical C:" : name;

    HeadlessHost host;
    platform::install_host(&host);
    reset_editor_state();
    EditorState.Instance = fuzz::program_module();
    if (legacy) {
        platform::emulate_windows_9x(2222);
        AccessMode = ACCESS_LEGACY;
        init_legacy_services();
    } else {
        platform::emulate_windows_nt();
        AccessMode = ACCESS_DIRECT;
    }
    host.type_over(HeadlessHost::item("Select Disk", IDC_DISK_LIST), name);
    host.click(HeadlessHost::item("Select Disk", IDC_OPEN));
    // A message box comes up unless the disk opens, and the dialog stays only
    // for a name that is not a disk.
    host.answer_message_box(IDOK);
    bool cancelled = false;
    host.then("cancel the dialog", [&] {
        HWND cancel = HeadlessHost::item("Select Disk", IDC_CANCEL)();
        cancelled = cancel != nullptr && platform::input_click(cancel, {2, 2}, 0);
        return true;
    });
    show_select_disk();

    const Expected want = model(field_text, legacy);
    const std::string what = std::string(legacy ? "legacy" : "direct") + " \"" + fuzz::printable(field_text) + "\": ";
    auto boxes = host.message_boxes();
    switch (want.outcome) {
    case Outcome::NotADisk:
        require(boxes.size() == 1 && boxes[0].text == "\"" + field_text.substr(0, 49) + "\" is not a disk.",
                what + "no \"not a disk\" message");
        require(cancelled, what + "the dialog closed without a disk");
        require(EditorState.DiskRef == INVALID_HANDLE_VALUE, what + "a disk was opened");
        break;
    case Outcome::ReadError:
        require(boxes.size() == 1 && boxes[0].text == "Error accessing contents of sector",
                what + "no read error for a disk that is not there");
        require(!cancelled, what + "the dialog stayed open");
        break;
    case Outcome::Opened:
        require(boxes.empty(), what + "a message: " + (boxes.empty() ? "" : boxes[0].text));
        require(!cancelled, what + "the dialog stayed open");
        require(EditorState.SectorData[1] == want.fill && EditorState.SectorData[0x0C] == 0x02,
                what + "another disk's first sector");
        if (!legacy) require(EditorState.LastSector == want.sectors - 1, what + "another disk's size");
        break;
    }

    if (AccessMode == ACCESS_DIRECT && EditorState.DiskRef != INVALID_HANDLE_VALUE)
        CloseHandle(EditorState.DiskRef);
    if (legacy && LegacyServiceHandle != INVALID_HANDLE_VALUE) CloseHandle(LegacyServiceHandle);
    LegacyServiceHandle = INVALID_HANDLE_VALUE;
    ExtendedServices = 0;
    fuzz::clear_windows_and_messages();
    platform::install_host(nullptr);
    return 0;
}
