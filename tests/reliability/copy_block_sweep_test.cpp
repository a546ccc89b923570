// Copy Block with each of its reads, writes and its flush failing, for a
// run apart from its source and one that overlaps it from above (copied
// from the top down): every destination sector holds its old bytes or the
// source's original ones, a copy said to be complete is on the disk, and
// what was not copied is said.
#include <cstdio>

#include "editor/editor_state.h"
#include "resources/resource.h"
#include "tool_sweep.h"

using platform::HeadlessHost;
using namespace testing_support;
using namespace reliability;

namespace {

constexpr uint32_t kImageSectors = 4400;
constexpr uint32_t kCount = 2100;  // a read block of 2048 and 52 sectors more
const char* const kCompleted = "Copying of sectors has been completed succesfully";

class CopyBlockSweep : public ToolSweep {
protected:
    void SetUp() override {
        ToolSweep::SetUp();
        use_image(kImageSectors);
    }

    // From the shown sector, with an unsaved edit in it that the copy must
    // leave alone.
    Operation copy(uint32_t source, uint32_t destination) {
        Operation op;
        op.prepare = [this, source, destination] {
            go_to(source);
            host_.type_text("7");
            choose_menu(IDM_COPY_BLOCK);
            host_.type_text(std::to_string(destination));
            press(VK_TAB);
            host_.type_text(std::to_string(kCount));
        };
        op.start = [this] { host_.click(HeadlessHost::item("Copy Block", IDC_COPY)); };
        op.finished = [] { return HeadlessHost::window("Copy Block")() == nullptr; };
        return op;
    }

    void sweep_copy(const std::string& name, uint32_t source, uint32_t destination) {
        std::vector<uint8_t> edited;
        sweep_tool(
            name, copy(source, destination),
            [&](const Outcome& clean) {
                ASSERT_EQ(clean.boxes.size(), 1u);
                EXPECT_EQ(clean.boxes[0].text, kCompleted);
                for (uint32_t i = 0; i < kCount; ++i)
                    ASSERT_EQ(sector_of(clean.image, destination + i), baseline_sector(source + i)) << i;
                EXPECT_EQ(clean.dirty, 1);
                EXPECT_NE(clean.sector_data, baseline_sector(source));
                edited = clean.sector_data;
            },
            [&](const Fault&, const Outcome& o) { check_copy(o, source, destination, edited); });
        // Stopped by the user during the first block: that block is
        // copied, exactly what it says, and nothing more.
        sweep_stops(name, copy(source, destination), 3, [&](unsigned, const Outcome& o) {
            EXPECT_EQ(check_copy(o, source, destination, edited), 2048u);
            ASSERT_FALSE(o.boxes.empty());
            EXPECT_EQ(o.boxes.back().text, "The copy was stopped: 2048 of 2100 sectors were copied.");
        });
    }

    // The sectors copied, after checking that every other one holds its
    // old bytes, that what is said is on the disk, and that the edit stays.
    unsigned check_copy(const Outcome& o, uint32_t source, uint32_t destination, const std::vector<uint8_t>& edited) {
        unsigned copied = 0, wrong = 0;
        for (uint32_t s = 0; s < kImageSectors; ++s) {
            auto now = sector_of(o.image, s);
            bool in_run = s >= destination && s < destination + kCount;
            if (in_run && now == baseline_sector(source + (s - destination))) {
                ++copied;
            } else if (now != baseline_sector(s)) {
                ++wrong;
                ADD_FAILURE() << "sector " << s << " holds neither its old bytes nor its source's";
            }
        }
        EXPECT_EQ(wrong, 0u);
        if (o.saw(kCompleted)) {
            EXPECT_EQ(copied, kCount) << "a copy said to be complete is on the disk";
            EXPECT_EQ(o.boxes.size(), 1u) << "and nothing went wrong";
        } else {
            unsigned missing = 0;
            bool said = false;
            for (const auto& box : o.boxes) {
                unsigned n = 0;
                if (sscanf(box.text.c_str(), "%u of 2100 sectors were not copied.", &n) == 1) said = true, missing = n;
                if (sscanf(box.text.c_str(), "The copy was stopped: %u of 2100", &n) == 1) said = true, missing = kCount - n;
            }
            EXPECT_TRUE(said) << "the end of a copy that went wrong says how much was not copied";
            EXPECT_GE(copied, kCount - missing) << "sectors said to be copied are on the disk";
        }
        EXPECT_EQ(o.dirty, 1) << "the unsaved edit is kept";
        EXPECT_EQ(o.sector_data, edited);
        EXPECT_EQ(o.current, source);
        return copied;
    }
};

TEST_F(CopyBlockSweep, EveryCallFailingLeavesOldOrSourceBytesAndSaysWhatWasNotCopied) {
    sweep_copy("copy block, apart", 50, 2200);
    sweep_copy("copy block, overlapping from above", 100, 150);
}

}  // namespace
