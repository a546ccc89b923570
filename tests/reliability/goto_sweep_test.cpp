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
        open_selected_disk();
        arm(fault);
        choose_menu(IDM_GOTO_SECTOR);
        host_.type_text("5");
        press(VK_RETURN);
        disarm();
        follow_up();
        close_up({"Goto Sector"});
        run_editor();
        EXPECT_TRUE(model_.holds_old_or_intended());
        EXPECT_EQ(after_.current, 5u);
        EXPECT_EQ(after_.dirty, 0);
        expect_shown_sector_read_or_reported(model_, 5);
        expect_recovered();
        if (!fault) {
            EXPECT_TRUE(boxes().empty());
        }
    });
}

}  // namespace
