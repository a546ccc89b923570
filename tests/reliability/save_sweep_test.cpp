// Save Sector, and Paste followed by Save Sector, with each call failing: a
// save reported as done is on the image; one that is not keeps the edits
// on screen, still marked; no sector ever holds bytes nobody meant.
#include "editor/editor_state.h"
#include "resources/resource.h"
#include "sweep.h"

using namespace reliability;

namespace {

class SaveSweep : public SweepTest {
protected:
    void expect_saved_or_kept(unsigned sector) {
        EXPECT_EQ(after_.current, sector);
        if (!write_error_shown()) {
            EXPECT_TRUE(model_.holds_intended(sector)) << "a save reported as done is not on the image";
            EXPECT_EQ(after_.dirty, 0);
        } else {
            EXPECT_EQ(after_.dirty, 1) << "edits kept after a failed save are no longer marked";
            EXPECT_EQ(after_.data, edited_) << "edits lost after a failed save";
        }
    }
    std::vector<uint8_t> edited_;
};

TEST_F(SaveSweep, SaveSector) {
    sweep_disks("save sector", true, [&](const Fault* fault) {
        fresh_run();
        run_armed(fault, [this] {
            host_.type_text("ab");
            host_.check("what the user means to save", [this] {
                edited_ = sector_data();
                model_.intend(0, edited_);
            });
        }, [this] { choose_menu(IDM_SAVE_SECTOR); });
        expect_sound(fault);
        expect_saved_or_kept(0);
    });
}

}  // namespace
