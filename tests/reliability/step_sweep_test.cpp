// Stepping to the next and the previous sector with each call failing: the
// image is never written, the editor stands on the new sector, and what it
// shows is the disk's sector or was reported.
#include "editor/editor_state.h"
#include "resources/resource.h"
#include "sweep.h"

using namespace reliability;

namespace {

class StepSweep : public SweepTest {};

TEST_F(StepSweep, NextAndPreviousSector) {
    struct Way {
        const char* name;
        UINT key;
        unsigned to;
    };
    for (Way way : {Way{"step to the next sector", VK_NEXT, 1}, Way{"step to the previous sector", VK_PRIOR, kSectors - 1}}) {
        sweep_disks(way.name, true, [&](const Fault* fault) {
            fresh_run();
            run_armed(fault, nullptr, [&] { press(way.key); });
            expect_sound(fault);
            EXPECT_EQ(after_.current, way.to);
            EXPECT_EQ(after_.dirty, 0);
            expect_shown_sector_read_or_reported(model_, way.to);
        });
    }
}

}  // namespace
