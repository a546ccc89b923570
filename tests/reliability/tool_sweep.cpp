#include "tool_sweep.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "editor/editor_state.h"
#include "editor/main_window.h"
#include "output/image_files.h"
#include "window_fixture.h"

using platform::HeadlessHost;

namespace tool_sweep {

std::string describe(const Fault& fault) {
    return std::string(faults::name(fault.call)) + " #" + std::to_string(fault.nth) + " " + faults::name(fault.kind) +
           (fault.sticky ? ", and every later one" : ", once");
}

std::vector<Kind> kinds_of(Call call) {
    switch (call) {
    case Call::ReadFile:
    case Call::fread: return {Kind::Error, Kind::ShortCount};
    case Call::WriteFile:
    case Call::fwrite: return {Kind::Error, Kind::ShortCount, Kind::DiskFull};
    case Call::FlushFileBuffers: return {Kind::Error, Kind::DiskFull};
    default: return {Kind::Error};
    }
}

std::vector<Fault> every_fault(const CallCounts& counted) {
    std::vector<Fault> all;
    for (size_t c = 0; c < kCallKinds; ++c) {
        Call call = static_cast<Call>(c);
        for (Kind kind : kinds_of(call))
            for (unsigned nth = 1; nth <= counted[c]; ++nth)
                for (bool sticky : {false, true}) all.push_back(Fault{call, nth, kind, sticky});
    }
    return all;
}

CallCounts counted_calls() {
    CallCounts counts{};
    for (size_t c = 0; c < kCallKinds; ++c) counts[c] = faults::calls(static_cast<Call>(c));
    return counts;
}

bool Outcome::saw(const std::string& text) const {
    for (const auto& box : boxes)
        if (box.text.find(text) != std::string::npos) return true;
    return false;
}

bool Outcome::saw_caption(const std::string& caption) const {
    for (const auto& box : boxes)
        if (box.caption == caption) return true;
    return false;
}

std::string Outcome::box_texts() const {
    std::string all;
    for (const auto& box : boxes) all += "\n  [" + box.caption + "] " + box.text;
    return all.empty() ? " (no message)" : all;
}

void ToolSweep::use_image(std::vector<uint8_t> bytes) {
    baseline_ = std::move(bytes);
    testing_support::write_zero_image(image("c.img"), baseline_.size());
    testing_support::write_file_bytes(image("c.img"), 0, baseline_);
    map_volume('C', image("c.img"));
}

std::vector<uint8_t> ToolSweep::baseline_sector(uint64_t sector) const {
    return std::vector<uint8_t>(baseline_.begin() + sector * 512, baseline_.begin() + (sector + 1) * 512);
}

void ToolSweep::go_to(DWORD sector) {
    host_.check("stand before sector " + std::to_string(sector), [sector] { EditorState.CurrentSector = sector - 1; });
    press(VK_NEXT);
}

void ToolSweep::edit_shown_sector(const std::string& digits) { host_.type_text(digits); }

// Answers each message box as it comes up (a step of its own, queued after
// this one, which comes back afterwards) and lets the operation act on its
// dialogs, until it has ended; then observes what it left and closes the
// program.
void ToolSweep::drive(const Operation& operation, Outcome* outcome, size_t first_box) {
    host_.then("run the operation to its end", [this, operation, outcome, first_box] {
        auto seen = host_.message_boxes();
        for (size_t i = first_box; i < seen.size(); ++i) {
            if (seen[i].answer != 0) continue;
            UINT buttons = seen[i].type & 0x0F;
            host_.answer_message_box(buttons == MB_YESNO ? operation.yes_no : IDOK);
            drive(operation, outcome, i + 1);
            return true;
        }
        if (operation.act && operation.act()) return false;
        if (!operation.finished()) return false;
        outcome->calls = counted_calls();
        outcome->fired = faults::fired();
        faults::disarm_all();
        outcome->sector_data = sector_data();
        outcome->dirty = EditorState.SectorDirty;
        outcome->current = EditorState.CurrentSector;
        quit();
        return true;
    });
}

Outcome ToolSweep::run(const Operation& operation, const Fault* fault) {
    faults::disarm_all();
    testing_support::write_file_bytes(image("c.img"), 0, baseline_);
    reset_editor_state();
    ImageFileName[0] = '\0';
    Outcome outcome;
    size_t first_box = host_.message_boxes().size();
    open_selected_disk();
    if (operation.prepare) operation.prepare();
    Fault armed = fault ? *fault : Fault{};
    bool arm = fault != nullptr;
    host_.check("arm the fault", [armed, arm] {
        faults::disarm_all();
        if (arm) faults::arm(armed.call, armed.nth, armed.kind, armed.sticky);
    });
    operation.start();
    drive(operation, &outcome, first_box);
    run_editor();
    faults::disarm_all();
    testing_support::clear_windows_and_messages();
    if (EditorState.DiskRef != INVALID_HANDLE_VALUE) CloseHandle(EditorState.DiskRef);
    EditorState.DiskRef = INVALID_HANDLE_VALUE;
    auto seen = host_.message_boxes();
    outcome.boxes.assign(seen.begin() + static_cast<long>(first_box), seen.end());
    outcome.image = testing_support::read_file_bytes(image("c.img"), 0, baseline_.size());
    return outcome;
}

void ToolSweep::sweep(const std::string& name, const Operation& operation,
                      const std::function<void(const Outcome& clean)>& check_clean,
                      const std::function<void(const Fault&, const Outcome&)>& check) {
    Outcome clean = run(operation, nullptr);
    {
        SCOPED_TRACE(name + " without faults");
        check_clean(clean);
    }
    std::vector<Fault> all = every_fault(clean.calls);
    std::string counted, kinds;
    std::vector<Kind> kinds_seen;
    for (size_t c = 0; c < kCallKinds; ++c) {
        if (clean.calls[c] == 0) continue;
        counted += (counted.empty() ? "" : ", ") + std::string(faults::name(static_cast<Call>(c))) + " " +
                   std::to_string(clean.calls[c]);
        for (Kind kind : kinds_of(static_cast<Call>(c)))
            if (std::find(kinds_seen.begin(), kinds_seen.end(), kind) == kinds_seen.end()) kinds_seen.push_back(kind);
    }
    for (Kind kind : kinds_seen) kinds += (kinds.empty() ? "" : ", ") + std::string(faults::name(kind));
    unsigned total = 0;
    for (unsigned c : clean.calls) total += c;
    for (const Fault& fault : all) {
        Outcome outcome = run(operation, &fault);
        SCOPED_TRACE(name + ": " + describe(fault) + "; messages:" + outcome.box_texts());
        EXPECT_GT(outcome.fired, 0u) << "the fault never fired";
        check(fault, outcome);
        if (::testing::Test::HasFatalFailure()) break;
    }
    // Several sweeps may share a test: each records under its own name.
    std::string key;
    for (char c : name) key += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    ::testing::Test::RecordProperty(key + "_calls", static_cast<int>(total));
    ::testing::Test::RecordProperty(key + "_calls_by_function", counted);
    ::testing::Test::RecordProperty(key + "_fault_kinds", kinds);
    ::testing::Test::RecordProperty(key + "_runs", static_cast<int>(all.size()));
    std::printf("sweep %s: %u calls (%s) x kinds (%s) x once/sticky: %zu runs with a fault\n", name.c_str(), total,
                counted.c_str(), kinds.c_str(), all.size());
}

}  // namespace tool_sweep
