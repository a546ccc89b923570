// Select Disk and Open with each call failing, from the probe of each drive
// to the read of sector 0: nothing is written, and sector 0 is shown as the
// disk holds it or the failure was reported.
#include "editor/editor_state.h"
#include "resources/resource.h"
#include "sweep.h"

using namespace reliability;

namespace {

class OpenSweep : public SweepTest {};

TEST_F(OpenSweep, SelectDiskThenOpen) {
    sweep_disks("select a disk and open it", true, [&](const Fault* fault) {
        fresh_run();
        // The dialog comes up and probes every drive before the first step
        // of the script: fail from the start.
        if (fault) platform::faults::arm(fault->call, fault->nth, fault->kind, fault->sticky);
        open_selected_disk();
        disarm();
        // What a failure at the open leaves behind must not outlast it: the
        // next step, with nothing failing, reads as it should.
        size_t boxes_after_open = 0;
        host_.check("boxes so far", [&] { boxes_after_open = boxes().size(); });
        press(VK_NEXT);
        close_up({"Select Disk"});
        run_editor();
        EXPECT_TRUE(model_.holds_old_or_intended());
        EXPECT_EQ(EditorState.SectorDirty, 0);
        if (boxes_with("Select Disk") > 0) {
            // The drive did not answer its probe: nothing was opened.
            EXPECT_TRUE(fault);
            EXPECT_EQ(EditorState.DiskRef, INVALID_HANDLE_VALUE);
        } else {
            unsigned next = EditorState.LastSector == 0 ? 0 : 1;
            EXPECT_EQ(EditorState.CurrentSector, next);
            EXPECT_EQ(sector_data(), model_.old(next)) << "the step after the open could not read";
            EXPECT_EQ(boxes().size(), boxes_after_open) << "the step after the open failed";
            // The size comes from the next way of asking when one fails; a
            // disk that answers none is taken as one sector, unreported.
            bool no_size = fault && fault->call == Call::DeviceIoControl && fault->sticky;
            EXPECT_EQ(EditorState.LastSector, no_size && EditorState.LastSector == 0 ? 0u : kSectors - 1);
        }
        if (!fault) {
            EXPECT_TRUE(boxes().empty());
        }
    });
}

}  // namespace
