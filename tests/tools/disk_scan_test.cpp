// Scanning a run of sectors up from a place and down from before one must
// give the plain answer over the whole disk: the first match that starts
// at or after the place, the last that starts before it, never one that
// touches an unreadable sector; across blocks and stretches alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "disk/sector_run.h"
#include "disk_fixture.h"
#include "faults.h"
#include "tools/disk_scan.h"

using namespace testing_support;
namespace faults = platform::faults;

namespace {

constexpr uint64_t kSectors = 4300;  // two blocks and a part: joints up and down
const uint64_t kNone = ~0ull;

void no_progress(SectorNumber, SectorNumber) {}

class DiskScan : public DiskTest {
protected:
    // Where every match of the pattern starts, as a byte of the disk.
    std::vector<uint64_t> matches(const std::vector<uint8_t>& pattern, bool any_case) const {
        uint8_t as_compared[256];
        for (int b = 0; b < 256; ++b) as_compared[b] = static_cast<uint8_t>(any_case && b >= 'A' && b <= 'Z' ? b + 32 : b);
        std::vector<char> bad(kSectors, 0);
        for (uint64_t sector : bad_) bad[sector] = 1;
        const uint8_t* data = disk_.data();
        const size_t length = pattern.size();
        std::vector<uint64_t> at;
        for (uint64_t q = 0; q + length <= disk_.size(); ++q) {
            size_t i = 0;
            while (i < length && as_compared[data[q + i]] == as_compared[pattern[i]]) ++i;
            if (i == length && !bad[q / 512] && !bad[(q + length - 1) / 512]) at.push_back(q);
        }
        return at;
    }

    std::vector<uint8_t> disk_;
    std::set<uint64_t> bad_;
};

uint64_t byte_of(const DiskPlace& place) { return place.sector * 512 + place.offset; }

TEST_F(DiskScan, UpAndDownFromAnyPlaceGiveThePlainAnswer) {
    std::mt19937 random(2468);
    // A small alphabet of letters in both cases, so matches are many.
    const std::vector<uint8_t> alphabet = {'a', 'B', 'b', 'A', '@', '`'};
    disk_.resize(kSectors * 512);
    for (uint8_t& b : disk_) b = alphabet[random() % alphabet.size()];
    write_zero_image(image("c.img"), disk_.size());
    write_file_bytes(image("c.img"), 0, disk_);
    map_volume('C', image("c.img"));
    // Alone, side by side, and at the first block's end.
    bad_ = {700, 2047, 3000, 3001};
    for (uint64_t sector : bad_) faults::plant_bad_sector(image("c.img"), sector);
    HANDLE disk = open_disk_device("\\\\.\\C:");
    ASSERT_NE(disk, INVALID_HANDLE_VALUE);
    const std::atomic<BYTE> go{1};
    for (int round = 0; round < 16; ++round) {
        std::vector<uint8_t> pattern(1 + random() % (round % 3 == 0 ? 3 : MAX_PATTERN_LENGTH));
        // A pattern taken from the disk, so it is there at least once.
        uint64_t from = random() % (disk_.size() - pattern.size());
        std::copy_n(disk_.begin() + static_cast<long>(from), pattern.size(), pattern.begin());
        bool any_case = round % 2;
        PatternScan scan;
        prepare_pattern_scan(&scan, pattern.data(), pattern.size(), !any_case);
        std::vector<uint64_t> all = matches(pattern, any_case);
        for (int query = 0; query < 8; ++query) {
            uint64_t place = random() % disk_.size();
            if (query == 0) place = from;  // on a match: up finds it, down the one before
            SCOPED_TRACE("round " + std::to_string(round) + ", length " + std::to_string(pattern.size()) +
                         ", place " + std::to_string(place));
            auto next = std::lower_bound(all.begin(), all.end(), place);
            uint64_t want_up = next == all.end() ? kNone : *next;
            uint64_t want_down = next == all.begin() ? kNone : *(next - 1);

            SectorRun run;
            DiskPlace hit = {0, 0};
            Unread unread = {0, 0};
            SectorNumber start = place / 512;
            ASSERT_TRUE(begin_sector_run(&run, disk, start, kSectors - start, false, true));
            bool found = scan_up(&run, &scan, start, kSectors - start, place % 512, &go, no_progress, &hit, &unread);
            end_sector_run(&run);
            EXPECT_EQ(found ? byte_of(hit) : kNone, want_up) << "up";
            auto bad_from = [&](uint64_t low, uint64_t high) {
                return std::count_if(bad_.begin(), bad_.end(), [&](uint64_t s) { return s >= low && s <= high; });
            };
            // Having gone all the way, it met every bad sector on it.
            if (!found) {
                EXPECT_EQ(unread.count, static_cast<SectorNumber>(bad_from(start, kSectors - 1)));
            }

            // Down: every match starts before the place and may run on past it.
            uint64_t end = std::min<uint64_t>(place + pattern.size() - 1, disk_.size());
            if (end == 0) continue;
            SectorNumber top = (end - 1) / 512;
            DWORD top_bytes = static_cast<DWORD>(end - top * 512);
            unread = {0, 0};
            ASSERT_TRUE(begin_sector_run(&run, disk, 0, top + 1, true, true));
            found = scan_down(&run, &scan, top, top + 1, top_bytes, &go, no_progress, &hit, &unread);
            end_sector_run(&run);
            EXPECT_EQ(found ? byte_of(hit) : kNone, want_down) << "down";
            if (!found) {
                EXPECT_EQ(unread.count, static_cast<SectorNumber>(bad_from(0, top)));
            }
            if (HasFailure()) break;
        }
        if (HasFailure()) break;
    }
    close_disk_device(disk);
    faults::disarm_all();
}

// A match across the joint of two blocks is found going up and going
// down; halves of one around an unreadable sector are no match. Blocks
// are 2048 sectors from where the run starts (up) or ends (down).
TEST_F(DiskScan, MatchesAcrossJointsOfBlocksButNotAcrossUnreadableSectors) {
    const std::string needle = "needle";
    const uint64_t up_joint = (100 + 2048) * 512 - 3, down_joint = (4001 - 2048) * 512 - 2;
    const struct {
        std::vector<std::pair<uint64_t, std::string>> planted;
        uint64_t bad, place, up, down;
    } rows[] = {
        {{{up_joint, needle}}, 0, 100 * 512, up_joint, kNone},
        {{{down_joint, needle}}, 0, 4000 * 512, kNone, down_joint},
        {{{700 * 512 - 3, "nee"}, {701 * 512, "dle"}}, 700, 0, kNone, kNone},
        {{{700 * 512 - 3, "nee"}, {701 * 512, "dle"}}, 700, 4000 * 512, kNone, kNone},
    };
    const std::atomic<BYTE> go{1};
    PatternScan scan;
    prepare_pattern_scan(&scan, reinterpret_cast<const BYTE*>(needle.data()), needle.size());
    for (const auto& row : rows) {
        SCOPED_TRACE("place " + std::to_string(row.place));
        write_zero_image(image("c.img"), kSectors * 512);
        for (const auto& [at, text] : row.planted) write_file_bytes(image("c.img"), at, {text.begin(), text.end()});
        map_volume('C', image("c.img"));
        if (row.bad) faults::plant_bad_sector(image("c.img"), row.bad);
        HANDLE disk = open_disk_device("\\\\.\\C:");
        ASSERT_NE(disk, INVALID_HANDLE_VALUE);
        SectorRun run;
        DiskPlace hit = {0, 0};
        Unread unread = {0, 0};
        SectorNumber start = row.place / 512;
        ASSERT_TRUE(begin_sector_run(&run, disk, start, kSectors - start, false, true));
        bool found = scan_up(&run, &scan, start, kSectors - start, row.place % 512, &go, no_progress, &hit, &unread);
        end_sector_run(&run);
        EXPECT_EQ(found ? byte_of(hit) : kNone, row.up);
        uint64_t end = row.place + needle.size() - 1;
        SectorNumber top = (end - 1) / 512;
        ASSERT_TRUE(begin_sector_run(&run, disk, 0, top + 1, true, true));
        found = scan_down(&run, &scan, top, top + 1, static_cast<DWORD>(end - top * 512), &go, no_progress, &hit,
                          &unread);
        end_sector_run(&run);
        EXPECT_EQ(found ? byte_of(hit) : kNone, row.down);
        close_disk_device(disk);
        faults::disarm_all();
    }
}

}  // namespace
