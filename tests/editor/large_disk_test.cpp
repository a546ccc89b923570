// Disks beyond 2 TiB, and one of an odd number of sectors: every sector is
// reached, shown, written and moved, and nothing else on the disk changes.
// The disks are sparse image files (no space used), mapped as drives or
// behind a loop device of 4096-byte sectors.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>

#include "editor/editor_state.h"
#include "editor_fixture.h"
#include "faults.h"
#include "resources/resource.h"

using platform::HeadlessHost;
using namespace testing_support;
namespace faults = platform::faults;

namespace {

constexpr uint64_t kBoundary = 1ull << 32;  // the first sector a 32-bit number cannot name

using Sectors = std::map<uint64_t, std::vector<uint8_t>>;

std::vector<uint8_t> sector_of_text(const std::string& text, size_t at = 0) {
    std::vector<uint8_t> bytes(512, 0);
    std::copy(text.begin(), text.end(), bytes.begin() + static_cast<long>(at));
    return bytes;
}

// Every 512-byte sector of the file that holds a byte other than zero,
// found through the file's data regions: what was ever written to it.
Sectors written_sectors(const std::string& path) {
    Sectors found;
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return found;
    off_t end = ::lseek(fd, 0, SEEK_END);
    for (off_t data = ::lseek(fd, 0, SEEK_DATA); data >= 0 && data < end;) {
        off_t hole = ::lseek(fd, data, SEEK_HOLE);
        for (off_t at = data / 512 * 512; at < hole; at += 512) {
            std::vector<uint8_t> bytes(512);
            if (::pread(fd, bytes.data(), 512, at) != 512) break;
            if (std::any_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b != 0; }))
                found[static_cast<uint64_t>(at) / 512] = bytes;
        }
        data = ::lseek(fd, hole, SEEK_DATA);
    }
    ::close(fd);
    return found;
}

// Writes text at a byte offset of the file as a person would, with dd.
void plant_with_dd(const std::string& path, uint64_t offset, const std::string& text) {
    ASSERT_EQ(run_command("printf '%s' '" + text + "' | dd of='" + path + "' bs=1 seek=" + std::to_string(offset) +
                          " conv=notrunc status=none"),
              0);
}

// A sparse file of bytes, or as close below it as the file system allows.
std::optional<uint64_t> make_sparse(const std::string& path, uint64_t bytes) {
    for (uint64_t size : {bytes, bytes - 4096}) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) return std::nullopt;
        bool made = ::ftruncate(fd, static_cast<off_t>(size)) == 0;
        ::close(fd);
        if (made) return size;
    }
    return std::nullopt;
}

// The counter as a person reads it: ten digits each, or as many as the
// last sector needs.
std::string counter_text(uint64_t current, uint64_t last) {
    std::string a = std::to_string(current), b = std::to_string(last);
    size_t digits = std::max<size_t>(10, b.size());
    return std::string(digits - a.size(), '0') + a + " of " + std::string(digits - b.size(), '0') + b;
}

class LargeDisk : public EditorTest {
protected:
    struct Disk {
        const char* name;
        uint64_t bytes;
        unsigned logical_sector;  // 0: the image file itself is the drive
    };
};

TEST_F(LargeDisk, EverySectorIsReachedShownSavedSearchedCopiedAndMoved) {
    const Disk disks[] = {
        {"a 3 TiB image", 3ull << 40, 0},
        {"a 16 TiB image, or the largest this file system holds", 16ull << 40, 0},
        {"a 3 TiB loop device of 4096-byte sectors", 3ull << 40, 4096},
    };
    for (const Disk& disk : disks) {
        SCOPED_TRACE(disk.name);
        std::string path = image("big.img");
        std::optional<uint64_t> bytes = make_sparse(path, disk.bytes);
        if (!bytes) {
            ADD_FAILURE() << "no sparse file of " << disk.bytes << " bytes here";
            continue;
        }
        const uint64_t last = *bytes / 512 - 1, five = kBoundary + 5;
        plant_with_dd(path, last * 512, "LAST SECTOR");
        plant_with_dd(path, five * 512, "FIVE PAST");
        plant_with_dd(path, kBoundary * 512 - 3, "ACROSS");  // 3 bytes each side of the boundary
        Sectors expected = {{last, sector_of_text("LAST SECTOR")},
                            {five, sector_of_text("FIVE PAST")},
                            {kBoundary - 1, sector_of_text("ACR", 509)},
                            {kBoundary, sector_of_text("OSS")}};
        std::optional<LoopDevice> loop;
        if (disk.logical_sector) {
            loop.emplace(path, LoopDevice::Options{.sector_size = disk.logical_sector});
            if (!loop->attached()) {
                std::printf("not run on %s: %s\n", disk.name, loop->why_not().c_str());
                continue;
            }
        }
        map_volume('C', loop ? loop->device() : path);

        std::vector<std::string> counters;
        std::vector<std::vector<uint8_t>> shown;
        auto look = [&] {
            host_.check("look", [&] {
                counters.push_back(counter());
                shown.push_back(sector_data());
            });
        };
        open_selected_disk();
        look();
        goto_sector(std::to_string(last));
        look();
        press(VK_NEXT);
        look();
        press(VK_PRIOR);
        look();
        goto_sector(std::to_string(five));
        look();
        host_.type_text("41");
        choose_menu(IDM_SAVE_SECTOR);
        goto_sector(std::to_string(kBoundary - 3));
        search_disk_for_text("ACROSS");
        look();
        goto_sector(std::to_string(kBoundary - 2));
        copy_block(std::to_string(kBoundary + 100), "4");
        host_.answer_message_box(IDOK);
        goto_sector(std::to_string(kBoundary + 4));
        export_sectors_to(image("out.bin"), "3");
        goto_sector(std::to_string(last - 2));
        import_sectors_from(image("out.bin"), "3");
        quit();
        run_editor();

        EXPECT_EQ(counters, (std::vector<std::string>{counter_text(0, last), counter_text(last, last),
                                                      counter_text(0, last), counter_text(last, last),
                                                      counter_text(five, last), counter_text(kBoundary - 1, last)}));
        ASSERT_EQ(shown.size(), 6u);
        EXPECT_EQ(shown[1], expected[last]);
        EXPECT_EQ(shown[4], expected[five]);
        expected[five][0] = 0x41;
        for (uint64_t i = 0; i < 4; ++i)
            if (expected.count(kBoundary - 2 + i)) expected[kBoundary + 100 + i] = expected[kBoundary - 2 + i];
        std::vector<uint8_t> exported(3 * 512, 0);
        std::copy(expected[five].begin(), expected[five].end(), exported.begin() + 512);
        EXPECT_EQ(read_file_bytes(image("out.bin"), 0, 4096), exported);
        expected.erase(last);
        expected[last - 1] = expected[five];
        loop.reset();
        EXPECT_EQ(written_sectors(path), expected) << "exactly these sectors hold what was written, and no others";
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].caption, "Copy Complete");
        std::filesystem::remove(path);
        std::filesystem::remove(image("out.bin"));
        start_again();
    }
}

// Each family of messages that name a sector or a count prints it whole,
// however far beyond 2^32 it lies.
TEST_F(LargeDisk, MessagesNameSectorsBeyond2To32InFull) {
    const uint64_t last = (3ull << 40) / 512 - 1;  // 6442450943
    const struct {
        const char* family;
        uint64_t start;
        std::function<void()> act;
        std::string first_text;
    } rows[] = {
        {"Copy Block, beyond the last sector", last - 2, [this] { copy_block(std::to_string(kBoundary + 10), "5"); },
         "2 of 5 sectors were not copied.\nThe run goes beyond the last sector of the disk, 6442450943."},
        {"Copy Block, a write failing", kBoundary,
         [this] {
             host_.check("a sector that refuses writes", [this] {
                 faults::plant_bad_sector(image("big.img"), kBoundary + 201, faults::Call::WriteFile);
             });
             copy_block(std::to_string(kBoundary + 200), "3");
         },
         "Error writing at sector 4294967497"},
        {"Export, beyond the last sector", last - 2, [this] { export_sectors_to(image("out.bin"), "10"); },
         "The disk ends at sector 6442450943: 3 of the 10 sector(s) from sector 6442450941 were exported."},
        {"Import, beyond the last sector", last - 2, [this] { import_sectors_from(image("in.bin"), "5"); },
         "The disk ends at sector 6442450943: the file's sectors after the first 3 were not imported."},
        {"Import, a write failing", kBoundary + 7,
         [this] {
             host_.check("a sector that refuses writes", [this] {
                 faults::plant_bad_sector(image("big.img"), kBoundary + 8, faults::Call::WriteFile);
             });
             import_sectors_from(image("in.bin"), "2");
         },
         "Error encountered writing at sector 4294967304\nDo you wish to ignore errors and continue?"},
        {"Search, sectors unread before a hit", kBoundary,
         [this] {
             host_.check("a bad sector", [this] { faults::plant_bad_sector(image("big.img"), kBoundary); });
             search_disk_for_text("FINDME");
         },
         "1 sector(s) before sector 4294967596 could not be read and were not searched, the first of them sector "
         "4294967296: an earlier match may have been missed"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.family);
        ASSERT_TRUE(make_sparse(image("big.img"), 3ull << 40));
        write_file_bytes(image("big.img"), (kBoundary + 300) * 512, {'F', 'I', 'N', 'D', 'M', 'E'});
        write_whole_file(image("in.bin"), std::vector<uint8_t>(5 * 512, 0x5A));
        map_volume('C', image("big.img"));
        host_.answer_message_boxes([](const HeadlessHost::MessageBoxSeen& box) {
            return (box.type & MB_YESNO) == MB_YESNO ? IDNO : IDOK;
        });
        open_selected_disk();
        goto_sector(std::to_string(row.start));
        row.act();
        quit();
        run_editor();
        faults::disarm_all();
        ASSERT_FALSE(boxes().empty());
        EXPECT_EQ(boxes()[0].text, row.first_text);
        std::filesystem::remove(image("out.bin"));
        start_again();
    }
}

// The heading of a printed sector names it whole.
TEST_F(LargeDisk, ThePrintedHeadingNamesASectorBeyond2To32InFull) {
    ASSERT_TRUE(make_sparse(image("big.img"), 3ull << 40));
    map_volume('C', image("big.img"));
    open_selected_disk();
    goto_sector(std::to_string(kBoundary + 5));
    choose_menu(IDM_PRINT_SECTOR);
    host_.print(1);
    quit();
    run_editor();
    auto documents = host_.printed_documents();
    ASSERT_EQ(documents.size(), 1u);
    ASSERT_FALSE(documents[0].pages.empty());
    ASSERT_FALSE(documents[0].pages[0].empty());
    EXPECT_EQ(documents[0].pages[0][0].text, "Sector Number 4294967301");
}

// The backup GPT header lies in a disk's last sector: it is shown there.
TEST_F(LargeDisk, TheLastSectorOfAGptDiskShowsTheBackupHeader) {
    std::string path = image("gpt.img");
    ASSERT_TRUE(make_sparse(path, 3ull << 40));
    ASSERT_EQ(run_command("sgdisk -o -n 1:2048:+1G '" + path + "' >/dev/null"), 0) << "sgdisk is installed by ./test";
    map_volume('C', path);
    const uint64_t last = (3ull << 40) / 512 - 1;
    std::string text, counted;
    open_selected_disk();
    goto_sector(std::to_string(last));
    host_.check("the panes", [&] {
        text = text_pane();
        counted = counter();
    });
    quit();
    run_editor();
    EXPECT_EQ(counted, counter_text(last, last));
    EXPECT_EQ(text.substr(0, 8), "EFI PART");
}

// The final sector of a disk of an odd number of sectors (where NTFS keeps
// its backup boot sector) is the last one: shown, edited and written back.
TEST_F(LargeDisk, TheFinalSectorOfAnOddSizedDiskIsShownAndWrittenBack) {
    write_zero_image(image("c.img"), 2881 * 512);
    write_file_bytes(image("c.img"), 2880 * 512, sector_of_text("BACKUP BOOT"));
    map_volume('C', image("c.img"));
    std::string counted;
    std::vector<uint8_t> shown;
    open_selected_disk();
    press(VK_PRIOR);
    host_.check("the last sector", [&] {
        counted = counter();
        shown = sector_data();
    });
    host_.type_text("41");
    choose_menu(IDM_SAVE_SECTOR);
    quit();
    run_editor();
    EXPECT_EQ(counted, "0000002880 of 0000002880");
    EXPECT_EQ(shown, sector_of_text("BACKUP BOOT"));
    std::vector<uint8_t> saved = sector_of_text("BACKUP BOOT");
    saved[0] = 0x41;
    EXPECT_EQ(written_sectors(image("c.img")), (Sectors{{2880, saved}}));
    EXPECT_TRUE(boxes().empty());
}

}  // namespace
