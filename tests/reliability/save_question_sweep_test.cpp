// Stepping away from an edited sector and answering the question, with each
// call failing. Yes: the edits are on the image and the editor moved on, or
// the failure was shown and the editor stayed with the edits marked. No: the
// image is untouched and the editor moved on. (The question offers only Yes
// and No.)
#include "editor/editor_state.h"
#include "resources/resource.h"
#include "sweep.h"

using namespace reliability;

namespace {

class SaveQuestionSweep : public SweepTest {};

TEST_F(SaveQuestionSweep, StepAwayFromEditsAndAnswer) {
    for (int answer : {IDYES, IDNO}) {
        std::vector<uint8_t> edited;
        sweep_disks(answer == IDYES ? "save question, Yes" : "save question, No", true, [&](const Fault* fault) {
            fresh_run();
            save_answer = answer;
            run_armed(fault, [&] {
                host_.type_text("ab");
                host_.check("what the user edited", [&] {
                    edited = sector_data();
                    if (answer == IDYES) model_.intend(0, edited);
                });
            }, [this] { press(VK_NEXT); });
            expect_sound(fault, 1);
            EXPECT_EQ(boxes_with("Save Changes?"), 1u);
            if (answer == IDYES && write_error_shown()) {
                EXPECT_EQ(after_.current, 0u) << "moved on from edits that were not saved";
                EXPECT_EQ(after_.dirty, 1);
                EXPECT_EQ(after_.data, edited);
                return;
            }
            if (answer == IDYES) {
                EXPECT_TRUE(model_.holds_intended(0)) << "a save reported as done is not on the image";
            }
            EXPECT_EQ(after_.current, 1u);
            EXPECT_EQ(after_.dirty, 0);
            expect_shown_sector_read_or_reported(model_, 1);
        });
    }
}

}  // namespace
