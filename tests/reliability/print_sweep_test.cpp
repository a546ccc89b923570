// Printing touches neither the disk nor a file: it prints the shown sector
// as the editor holds it, unsaved edits included. With every call of both
// failing, in each way, the page is the same and the edits are kept.
#include <cstdio>

#include "editor/editor_state.h"
#include "resources/resource.h"
#include "tool_sweep.h"

using platform::HeadlessHost;
using namespace testing_support;
using namespace reliability;

namespace {

class PrintSweep : public ToolSweep {
protected:
    void SetUp() override {
        ToolSweep::SetUp();
        use_image(64);
    }

    Operation print() {
        Operation op;
        op.prepare = [this] {
            go_to(5);
            host_.type_text("7");
        };
        op.start = [this] {
            choose_menu(IDM_PRINT_SECTOR);
            host_.print(1);
        };
        op.finished = [] { return true; };
        return op;
    }
};

TEST_F(PrintSweep, EveryCallFailingChangesNothingPrinted) {
    Outcome clean = run(print(), nullptr);
    EXPECT_EQ(clean.calls.total(), 0u) << "printing makes no call that can fail: " << clean.calls.describe();
    EXPECT_TRUE(clean.boxes.empty()) << clean.box_texts();
    EXPECT_EQ(clean.dirty, 1);
    auto documents = host_.printed_documents();
    ASSERT_EQ(documents.size(), 1u);
    ASSERT_EQ(documents[0].pages.size(), 1u);
    const auto page = documents[0].pages[0];
    ASSERT_EQ(page.size(), 33u);
    EXPECT_EQ(page[0].text, "Sector Number 5");
    EXPECT_EQ(page[1].text.substr(0, 7), "000: 75") << "the edit is printed";

    // One arm per function: every call of every one fails, in each way.
    unsigned runs = 0;
    for (Kind kind : {Kind::Error, Kind::ShortCount, Kind::DiskFull}) {
        Operation op = print();
        auto start = op.start;
        op.start = [this, kind, start] {
            host_.check("every call fails", [kind] {
                for (int c = 0; c < kCalls; ++c) platform::faults::arm(static_cast<Call>(c), 1, kind, true);
            });
            start();
        };
        Outcome o = run(op, nullptr);
        ++runs;
        SCOPED_TRACE(std::string("every call failing: ") + platform::faults::name(kind) + o.box_texts());
        EXPECT_EQ(o.fired, 0u);
        EXPECT_TRUE(o.boxes.empty());
        EXPECT_EQ(o.dirty, 1) << "the unsaved edit is kept";
        EXPECT_EQ(o.sector_data, clean.sector_data);
        EXPECT_TRUE(o.image == baseline());
        documents = host_.printed_documents();
        ASSERT_EQ(documents.size(), 1u);
        ASSERT_EQ(documents[0].pages.size(), 1u);
        EXPECT_EQ(documents[0].pages[0].size(), page.size());
        for (size_t line = 0; line < page.size() && line < documents[0].pages[0].size(); ++line)
            EXPECT_EQ(documents[0].pages[0][line].text, page[line].text) << line;
    }
    RecordProperty("calls", 0);
    RecordProperty("runs", static_cast<int>(runs));
    RecordProperty("kinds", 3);
    std::printf("[ sweep    ] print: 0 calls; %u runs with every call failing (error, short count, disk full)\n", runs);
}

}  // namespace
