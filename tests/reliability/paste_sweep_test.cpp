// Paste from Buffer then Save Sector with each call failing: the pasted
// sector lands whole on the image or stays on screen, marked.
#include "editor/editor_state.h"
#include "resources/resource.h"
#include "sweep.h"

using namespace reliability;

namespace {

class PasteSweep : public SweepTest {};

TEST_F(PasteSweep, PasteThenSave) {
    sweep_disks("paste and save", true, [&](const Fault* fault) {
        fresh_run();
        model_.intend(1, model_.old(0));
        run_armed(fault, [this] {
            choose_menu(IDM_COPY_TO_BUFFER);
            press(VK_NEXT);
        }, [this] {
            choose_menu(IDM_PASTE_FROM_BUFFER);
            choose_menu(IDM_SAVE_SECTOR);
        });
        expect_sound(fault);
        EXPECT_EQ(after_.current, 1u);
        if (!write_error_shown()) {
            EXPECT_TRUE(model_.holds_intended(1)) << "a save reported as done is not on the image";
            EXPECT_EQ(after_.dirty, 0);
        } else {
            EXPECT_EQ(after_.dirty, 1);
            EXPECT_EQ(after_.data, model_.old(0)) << "the pasted sector was lost after a failed save";
        }
    });
}

}  // namespace
