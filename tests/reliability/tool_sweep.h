// Fault sweeps of the disk tools and the image files: each operation runs
// once without faults to count the calls it makes, then once for every one
// of those calls failing in each way that call can fail, once and from then
// on. Every run is the real program, started afresh on the same image and
// driven by the headless host's script; what it left is checked against a
// model of the image by the test.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "platform/kernel/faults.h"

namespace tool_sweep {

namespace faults = platform::faults;
using faults::Call;
using faults::Kind;

constexpr size_t kCallKinds = static_cast<size_t>(Call::Count);
using CallCounts = std::array<unsigned, kCallKinds>;

struct Fault {
    Call call;
    unsigned nth;
    Kind kind;
    bool sticky;
};
std::string describe(const Fault& fault);

// The ways a call can fail: a transfer can also move fewer bytes, a write
// or a flush can also find the disk full.
std::vector<Kind> kinds_of(Call call);
// Every call counted, failing in each of its ways, once and from then on.
std::vector<Fault> every_fault(const CallCounts& counted);
CallCounts counted_calls();

// What one run of the program left.
struct Outcome {
    std::vector<platform::HeadlessHost::MessageBoxSeen> boxes;  // this run's, in order
    CallCounts calls{};
    unsigned fired = 0;
    std::vector<uint8_t> sector_data;
    BYTE dirty = 0;
    DWORD current = 0;
    std::vector<uint8_t> image;  // the whole image file afterwards

    bool saw(const std::string& text) const;
    bool saw_caption(const std::string& caption) const;
    std::string box_texts() const;  // for failure messages
};

// One operation as the user does it.
struct Operation {
    std::function<void()> prepare;   // steps on the opened disk before it starts
    std::function<void()> start;     // the steps that start it
    std::function<bool()> act;       // while it runs: acts on its dialogs; true when it did
    std::function<bool()> finished;  // it has ended and nothing of it is up
    int yes_no = IDYES;              // the answer to its questions
};

class ToolSweep : public testing_support::EditorTest {
protected:
    // The image every run starts from, mapped as drive C:.
    void use_image(std::vector<uint8_t> bytes);
    const std::vector<uint8_t>& baseline() const { return baseline_; }
    std::vector<uint8_t> baseline_sector(uint64_t sector) const;

    // Runs the program once with fault armed (none: nullptr) just before the
    // operation starts.
    Outcome run(const Operation& operation, const Fault* fault);

    // The clean run, which must succeed, and its count of calls; then every
    // fault, each checked by check. Reports the figures of the sweep.
    void sweep(const std::string& name, const Operation& operation,
               const std::function<void(const Outcome& clean)>& check_clean,
               const std::function<void(const Fault&, const Outcome&)>& check);

    // To a sector as the user gets there: a step from the one before.
    void go_to(DWORD sector);
    // Shorthand for a step that changes the shown sector's first byte in
    // the hex pane: an unsaved edit the operation must leave alone.
    void edit_shown_sector(const std::string& digits);

private:
    void drive(const Operation& operation, Outcome* outcome, size_t first_box);

    std::vector<uint8_t> baseline_;
};

}  // namespace tool_sweep
