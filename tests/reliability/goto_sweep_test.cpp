// Goto Sector with each call failing: the editor stands on the chosen sector
// and shows the disk's bytes of it, or says it could not read them.
#include "editor/editor_state.h"
#include "resources/resource.h"
#include "sweep.h"

using namespace reliability;

namespace {

class GotoSweep : public SweepTest {};

TEST_F(GotoSweep, GotoSector) {
    sweep_disks("goto sector", true, [&](const Fault* fault) {
        fresh_run();
        run_armed(fault, nullptr, [this] {
            choose_menu(IDM_GOTO_SECTOR);
            host_.type_text("5");
            press(VK_RETURN);
        }, {"Goto Sector"});
        expect_sound(fault);
        EXPECT_EQ(after_.current, 5u);
        EXPECT_EQ(after_.dirty, 0);
        expect_shown_sector_read_or_reported(model_, 5);
    });
}

}  // namespace
