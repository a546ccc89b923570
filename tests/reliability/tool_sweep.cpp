#include "tool_sweep.h"

#include "disk_fixture.h"
#include "editor/editor_state.h"
#include "output/image_files.h"
#include "platform/user/input.h"

using platform::HeadlessHost;
using namespace testing_support;

namespace reliability {

bool Outcome::saw(const std::string& text) const {
    for (const auto& box : boxes)
        if (box.text.find(text) != std::string::npos) return true;
    return false;
}

std::string Outcome::box_texts() const {
    std::string all;
    for (const auto& box : boxes) all += "\n  [" + box.caption + "] " + box.text;
    return all.empty() ? " (no message)" : all;
}

void ToolSweep::use_image(unsigned sectors, std::vector<std::pair<uint64_t, std::string>> planted) {
    use_sectors(sectors);
    planted_ = std::move(planted);
    baseline_.clear();
    for (unsigned s = 0; s < sectors; ++s) {
        auto bytes = stamped_sector(s);
        baseline_.insert(baseline_.end(), bytes.begin(), bytes.end());
    }
    for (const auto& [at, text] : planted_) std::copy(text.begin(), text.end(), baseline_.begin() + at);
}

std::vector<uint8_t> ToolSweep::sector_of(const std::vector<uint8_t>& bytes, uint64_t sector) {
    return std::vector<uint8_t>(bytes.begin() + sector * 512, bytes.begin() + (sector + 1) * 512);
}

std::vector<uint8_t> ToolSweep::baseline_sector(uint64_t sector) const { return sector_of(baseline_, sector); }

void ToolSweep::go_to(DWORD sector) {
    host_.check("stand before sector " + std::to_string(sector), [sector] { EditorState.CurrentSector = sector - 1; });
    press(VK_NEXT);
}

Outcome ToolSweep::run(const Operation& operation, const Fault* fault, unsigned stop_after) {
    fresh_run();
    // In place: a loop device may stand on the file.
    for (const auto& [at, text] : planted_) write_file_bytes(model_.path(), at, {text.begin(), text.end()});
    ImageFileName[0] = '\0';
    int yes_no = operation.yes_no;
    // The edits an operation kept are not saved by the follow-up.
    host_.answer_message_boxes([yes_no](const HeadlessHost::MessageBoxSeen& box) {
        if (box.caption == "Save Changes?") return IDNO;
        return (box.type & 0x0F) == MB_YESNO ? yes_no : IDOK;
    });
    Outcome outcome;
    run_armed(fault, operation.prepare, [&] {
        operation.start();
        if (stop_after > 0) {
            // Its dialogs answered, it runs; it looks for input once between
            // two chunks.
            if (operation.act) host_.then("answer the operation's dialogs", [operation] { return operation.act(); });
            auto looks = std::make_shared<unsigned>(0);
            host_.while_busy("Escape after chunk " + std::to_string(stop_after), [looks, stop_after] {
                return ++*looks >= stop_after && platform::input_key(VK_ESCAPE, 0, 0x1B);
            });
        }
        host_.then("run the operation to its end", [operation] {
            if (operation.act && operation.act()) return false;
            return operation.finished();
        });
    });
    auto seen = boxes();
    outcome.boxes.assign(seen.begin(), seen.begin() + static_cast<long>(after_.boxes));
    outcome.calls = counted_;
    outcome.fired = fired_;
    outcome.sector_data = after_.data;
    outcome.dirty = after_.dirty;
    outcome.current = after_.current;
    outcome.image = read_file_bytes(model_.path(), 0, baseline_.size());
    // Once nothing fails, the editor goes on as before: nothing of the
    // operation is left running or holding the disk.
    EXPECT_EQ(recovered_.current, 0u) << "Goto Sector 0 after the operation";
    EXPECT_TRUE(recovered_.data == sector_of(outcome.image, 0)) << "the disk does not read as it holds sector 0";
    for (size_t i = after_.boxes; i < seen.size(); ++i)
        EXPECT_EQ(seen[i].caption, "Save Changes?") << "after the operation: " << seen[i].text;
    return outcome;
}

void ToolSweep::sweep_tool(const std::string& name, const Operation& operation,
                           const std::function<void(const Outcome& clean)>& check_clean,
                           const std::function<void(const Fault&, const Outcome&)>& check) {
    sweep_disks(name, true, [&](const Fault* fault) {
        Outcome outcome = run(operation, fault);
        SCOPED_TRACE("messages:" + outcome.box_texts());
        if (!fault) {
            check_clean(outcome);
            return;
        }
        EXPECT_GT(outcome.fired, 0u) << "the fault never came";
        check(*fault, outcome);
    });
}

void ToolSweep::sweep_stops(const std::string& name, const Operation& operation, unsigned chunks,
                            const std::function<void(unsigned chunks_done, const Outcome&)>& check) {
    for (Disk disk : kDisks) {
        if (!use_disk(disk)) continue;
        for (unsigned stop = 1; stop < chunks; ++stop) {
            SCOPED_TRACE(name + " on " + reliability::name(disk) + ", stopped after chunk " + std::to_string(stop));
            Outcome outcome = run(operation, nullptr, stop);
            SCOPED_TRACE("messages:" + outcome.box_texts());
            check(stop, outcome);
            if (HasFatalFailure()) return;
        }
    }
    use_disk(Disk::ImageFile);
}

}  // namespace reliability
