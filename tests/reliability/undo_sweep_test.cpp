// Undo Changes with each call failing: the disk's sector replaces the edits,
// or the failure is shown and the edits stay, still marked.
#include "editor/editor_state.h"
#include "resources/resource.h"
#include "sweep.h"

using namespace reliability;

namespace {

class UndoSweep : public SweepTest {};

TEST_F(UndoSweep, UndoChanges) {
    std::vector<uint8_t> edited;
    sweep_disks("undo changes", true, [&](const Fault* fault) {
        fresh_run();
        run_armed(fault, [&] {
            host_.type_text("ab");
            host_.check("what the user edited", [&] { edited = sector_data(); });
        }, [this] { choose_menu(IDM_UNDO_CHANGES); });
        expect_sound(fault);
        EXPECT_EQ(after_.current, 0u);
        if (read_error_shown()) {
            EXPECT_EQ(after_.dirty, 1);
            EXPECT_EQ(after_.data, edited) << "edits gone though the disk's sector was not read";
        } else {
            EXPECT_EQ(after_.dirty, 0);
            EXPECT_EQ(after_.data, model_.old(0)) << "undone without the disk's sector, unreported";
        }
    });
}

}  // namespace
