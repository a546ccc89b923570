// Select Disk and Open with each call failing, from the probe of each drive
// to the read of sector 0, at start-up and again over an open disk with
// edits (which the open drops): nothing is written, sector 0 is shown as
// the disk holds it or the failure was reported, and once nothing fails the
// disk reads as it should.
#include "editor/editor_state.h"
#include "resources/resource.h"
#include "sweep.h"

using namespace reliability;

namespace {

class OpenSweep : public SweepTest {};

TEST_F(OpenSweep, SelectDiskThenOpen) {
    for (bool reopen : {false, true}) {
        sweep_disks(reopen ? "open a disk over an open one" : "select a disk and open it", true, [&](const Fault* fault) {
            fresh_run();
            // Edits kept by an open that failed are not to be saved.
            save_answer = IDNO;
            if (reopen) {
                open_selected_disk();
                host_.type_text("ab");
                arm(fault);
                choose_menu(IDM_SELECT_DISK);
            } else if (fault) {
                // The dialog comes up and probes every drive before the
                // first step of the script: fail from the start.
                platform::faults::arm(fault->call, fault->nth, fault->kind, fault->sticky);
            }
            open_selected_disk();
            disarm();
            host_.check("close the dialog if the open failed", [] {
                if (HWND dialog = platform::HeadlessHost::window("Select Disk")()) PostMessageA(dialog, WM_CLOSE, 0, 0);
            });
            // What a failure at the open leaves behind must not outlast it:
            // the next step, with nothing failing, reads as it should.
            press(VK_NEXT);
            quit();
            run_editor();
            EXPECT_TRUE(model_.holds_old_or_intended());
            if (boxes_with("Select Disk") > 0) {
                // The drive did not answer its probe: nothing was opened.
                EXPECT_TRUE(fault);
                if (reopen) {
                    EXPECT_EQ(after_.dirty, 1) << "an open that opened nothing dropped the edits";
                } else {
                    EXPECT_EQ(EditorState.DiskRef, INVALID_HANDLE_VALUE);
                }
                return;
            }
            EXPECT_EQ(after_.current, 0u);
            EXPECT_EQ(after_.dirty, 0) << "the open drops the edits";
            expect_shown_sector_read_or_reported(model_, 0);
            unsigned next = EditorState.LastSector == 0 ? 0 : 1;
            EXPECT_EQ(EditorState.CurrentSector, next);
            EXPECT_EQ(sector_data(), model_.old(next)) << "the step after the open could not read";
            EXPECT_EQ(boxes().size(), after_.boxes) << "the step after the open failed";
            // The size comes from the next way of asking when one fails; a
            // disk that answers none is taken as one sector, unreported.
            bool no_size = fault && fault->call == Call::DeviceIoControl && fault->sticky;
            EXPECT_EQ(EditorState.LastSector, no_size && EditorState.LastSector == 0 ? 0u : kSectors - 1);
            if (!fault) {
                EXPECT_TRUE(boxes().empty());
            }
        });
    }
}

}  // namespace
