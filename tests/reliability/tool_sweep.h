// Fault sweeps of the disk tools and the image files, on the sweep's own
// runs (sweep.h): each operation is described once (the steps that prepare
// it, start it and answer its dialogs) and run clean, then with each fault,
// on each disk; what a run left is gathered for the test's model.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sweep.h"

namespace reliability {

// What one run of the program left.
struct Outcome {
    std::vector<platform::HeadlessHost::MessageBoxSeen> boxes;
    Counts calls;
    unsigned fired = 0;
    std::vector<uint8_t> sector_data;
    BYTE dirty = 0;
    DWORD current = 0;
    std::vector<uint8_t> image;  // the whole image afterwards

    bool saw(const std::string& text) const;  // a message holding text
    std::string box_texts() const;            // for failure messages
};

// One operation as the user does it.
struct Operation {
    std::function<void()> prepare;   // steps on the opened disk before it starts
    std::function<void()> start;     // the steps that start it
    std::function<bool()> act;       // while it runs: acts on its dialogs; true when it did
    std::function<bool()> finished;  // it has ended and nothing of it is up
    int yes_no = IDYES;              // the answer to its questions
};

class ToolSweep : public SweepTest {
protected:
    // The image every run starts from: sectors stamped with their numbers,
    // then the bytes planted at byte offsets.
    void use_image(unsigned sectors, std::vector<std::pair<uint64_t, std::string>> planted = {});
    const std::vector<uint8_t>& baseline() const { return baseline_; }
    std::vector<uint8_t> baseline_sector(uint64_t sector) const;
    static std::vector<uint8_t> sector_of(const std::vector<uint8_t>& bytes, uint64_t sector);

    // Runs the program once, fault armed (none: nullptr) just before the
    // operation starts; stopped by the user (Escape) after stop_after of its
    // chunks when that is not 0.
    Outcome run(const Operation& operation, const Fault* fault, unsigned stop_after = 0);

    // On each disk: the clean run, checked by check_clean, then every fault,
    // checked by check.
    void sweep_tool(const std::string& name, const Operation& operation,
                    const std::function<void(const Outcome& clean)>& check_clean,
                    const std::function<void(const Fault&, const Outcome&)>& check);

    // On each disk: the operation stopped after each of its chunks but the
    // last (it has `chunks`), each run checked by check with the chunks it
    // ran.
    void sweep_stops(const std::string& name, const Operation& operation, unsigned chunks,
                     const std::function<void(unsigned chunks_done, const Outcome&)>& check);

    // To a sector as the user gets there: a step from the one before.
    void go_to(DWORD sector);

private:
    std::vector<uint8_t> baseline_;
    std::vector<std::pair<uint64_t, std::string>> planted_;
};

}  // namespace reliability
