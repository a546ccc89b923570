// Search Disk with each of its reads failing: the sector shown is a real
// match, the first one unless the search said that sectors before it went
// unread (also when it shows a later match), and a hit whose sector could
// not be read says so.
#include <algorithm>
#include <functional>

#include "editor/editor_state.h"
#include "resources/resource.h"
#include "tool_sweep.h"

using platform::HeadlessHost;
using namespace testing_support;
using namespace reliability;

namespace {

constexpr uint32_t kImageSectors = 400;  // sectors 0 to 399, all searched from sector 0
const std::string kNeedle = "needle";
const std::vector<uint32_t> kPlanted = {300, 390};
constexpr size_t kPlantedAt = 100;  // the offset in each sector

// A search from sector 0 over 400 sectors asks for them in one request;
// the hit's sector is read once more on its own.
class SearchSweep : public ToolSweep {
protected:
    void SetUp() override {
        ToolSweep::SetUp();
        std::vector<std::pair<uint64_t, std::string>> planted;
        for (uint32_t s : kPlanted) planted.push_back({s * 512ull + kPlantedAt, kNeedle});
        use_image(kImageSectors, planted);
    }

    bool one_call_each() const { return disk_ == Disk::ImageFile || disk_ == Disk::Loop512; }

    static HeadlessHost::Target item(int id) { return HeadlessHost::item("Search Disk", id); }

    Operation search() {
        Operation op;
        op.prepare = [this] {
            choose_menu(IDM_SEARCH_DISK);
            host_.click(item(IDC_ASCII));
            host_.click(item(IDC_PATTERN));
            host_.type_text(kNeedle);
        };
        op.start = [this] { host_.click(item(IDC_SEARCH)); };
        op.finished = [] { return !EditorState.SearchBusy && EditorState.SearchDialog == nullptr; };
        return op;
    }

    // Sectors where the pattern starts, as the image holds it.
    std::vector<uint32_t> matches() const {
        std::vector<uint32_t> found;
        const auto& bytes = baseline();
        auto at = bytes.begin();
        while ((at = std::search(at, bytes.end(), kNeedle.begin(), kNeedle.end())) != bytes.end()) {
            found.push_back(static_cast<uint32_t>((at - bytes.begin()) / 512));
            ++at;
        }
        return found;
    }
};

// What the search must do with this fault: the model of its reads.
struct Expected {
    uint32_t hit = 0;          // 0: no hit, the shown sector stays 0
    bool unread_before = false;  // sectors before the hit (or any, without one) went unread
    bool hit_unread = false;     // the hit's own read failed
};

// The search's reads, as the model of what each delivers: the run is asked
// for in one request; one that fails or falls short keeps what it
// delivered and asks for the rest again in two halves, down to single
// sectors, each asked twice before it counts as unread. A positioning that
// fails reads nothing of its request, which is not asked again.
Expected expect(const Fault& fault, const std::vector<uint32_t>& matches) {
    auto faulted = [&](unsigned request) { return request == fault.nth || (fault.sticky && request > fault.nth); };
    std::vector<bool> read(kImageSectors, false);
    unsigned n = 0;
    std::function<void(uint32_t, uint32_t, int)> ask = [&](uint32_t at, uint32_t count, int tries) {
        uint32_t got = count;
        if (faulted(++n)) {
            if (fault.call == Call::SetFilePointer) return;
            got = fault.kind == Kind::ShortCount ? count / 2 : 0;
        }
        std::fill(read.begin() + at, read.begin() + at + got, true);
        if (got == count) return;
        at += got;
        count -= got;
        if (count == 1) {
            if (tries > 1) ask(at, 1, tries - 1);
            return;
        }
        ask(at, count / 2, 2);
        ask(at + count / 2, count - count / 2, 2);
    };
    ask(0, kImageSectors, 2);
    Expected e;
    auto hit = std::find_if(matches.begin(), matches.end(), [&](uint32_t m) { return read[m]; });
    if (hit != matches.end()) {
        e.hit = *hit;
        e.hit_unread = faulted(n + 1);
    }
    uint32_t limit = e.hit ? e.hit : kImageSectors;
    e.unread_before = std::find(read.begin(), read.begin() + limit, false) != read.begin() + limit;
    return e;
}

// On every disk: a shown sector is a match and shows the disk's bytes or
// says it could not; a match passed over is said. Where each read is one
// positioning and one transfer (512-byte sectors on the direct path), the
// model of the reads says exactly what the search must do.
TEST_F(SearchSweep, EveryReadFailingLeavesATrueHitAndSaysWhatWentUnread) {
    const std::vector<uint32_t> genuine = matches();
    ASSERT_EQ(genuine, kPlanted);
    const std::string unread = "could not be read and were not searched";
    const std::string hit_unread = "Error accessing contents of sector";
    sweep_tool(
        "search", search(),
        [&](const Outcome& clean) {
            EXPECT_EQ(clean.current, kPlanted[0]);
            EXPECT_EQ(clean.sector_data, baseline_sector(kPlanted[0]));
            EXPECT_TRUE(clean.boxes.empty());
            if (one_call_each()) {
                EXPECT_EQ(clean.calls[Call::SetFilePointer], 2u);
                EXPECT_EQ(clean.calls[Call::ReadFile], 2u);
            }
        },
        [&](const Fault& fault, const Outcome& o) {
            EXPECT_TRUE(o.image == baseline()) << "a search writes nothing";
            bool found = o.current != 0;
            if (found) {
                EXPECT_NE(std::find(genuine.begin(), genuine.end(), o.current), genuine.end()) << "not a match";
            }
            if (found && o.sector_data != baseline_sector(o.current)) {
                EXPECT_TRUE(o.saw(hit_unread));
                // What was not read is blank, never another sector's bytes.
                auto disk = baseline_sector(o.current);
                bool blank_or_read = true;
                for (size_t i = 0; i < 512; ++i) blank_or_read &= o.sector_data[i] == 0 || o.sector_data[i] == disk[i];
                EXPECT_TRUE(blank_or_read);
            }
            if (o.current != genuine[0]) {
                EXPECT_TRUE(o.saw(unread)) << "the first match, " << genuine[0] << ", was passed over silently";
            }
            if (!one_call_each()) return;
            Expected e = expect(fault, genuine);
            EXPECT_EQ(o.current, e.hit) << "the shown sector";
            EXPECT_EQ(o.saw(hit_unread), e.hit_unread);
            EXPECT_EQ(o.saw(unread), e.unread_before) << "sectors left unread before the hit are said, and only they";
        });
}

}  // namespace
