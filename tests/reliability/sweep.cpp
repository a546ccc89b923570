#include "sweep.h"

#include <cstdio>
#include <memory>

#include "disk_fixture.h"
#include "editor/editor_state.h"
#include "platform/control.h"
#include "resources/resource.h"

namespace faults = platform::faults;
using platform::HeadlessHost;
using namespace testing_support;

namespace reliability {

unsigned Counts::total() const {
    unsigned sum = 0;
    for (unsigned n : of) sum += n;
    return sum;
}

std::string Counts::describe() const {
    std::string text;
    for (int c = 0; c < kCalls; ++c) {
        if (!of[c]) continue;
        if (!text.empty()) text += ", ";
        text += std::string(faults::name(static_cast<Call>(c))) + " " + std::to_string(of[c]);
    }
    return text.empty() ? "no calls" : text;
}

Counts counts_now() {
    Counts counts;
    for (int c = 0; c < kCalls; ++c) counts.of[c] = faults::calls(static_cast<Call>(c));
    return counts;
}

std::string Fault::describe() const {
    return std::string(faults::name(call)) + " #" + std::to_string(nth) + " " + faults::name(kind) +
           (sticky ? " from then on" : " once");
}

std::vector<Kind> kinds_for(Call call) {
    switch (call) {
    case Call::WriteFile:
    case Call::fwrite: return {Kind::Error, Kind::ShortCount, Kind::DiskFull};
    case Call::ReadFile:
    case Call::fread: return {Kind::Error, Kind::ShortCount};
    case Call::FlushFileBuffers: return {Kind::Error, Kind::DiskFull};
    default: return {Kind::Error};
    }
}

std::vector<Fault> faults_for(const Counts& clean, bool sticky_too) {
    std::vector<Fault> all;
    for (int c = 0; c < kCalls; ++c) {
        Call call = static_cast<Call>(c);
        for (unsigned n = 1; n <= clean[call]; ++n) {
            for (Kind kind : kinds_for(call)) {
                all.push_back(Fault{call, n, kind, false});
                // From then on differs from once only where a later call comes.
                if (sticky_too && n < clean[call]) all.push_back(Fault{call, n, kind, true});
            }
        }
    }
    return all;
}

void ImageModel::reset() {
    old_.assign(sectors_, {});
    std::vector<uint8_t> all;
    for (unsigned s = 0; s < sectors_; ++s) {
        old_[s] = stamped_sector(s);
        all.insert(all.end(), old_[s].begin(), old_[s].end());
    }
    // In place: a loop device may stand on the file.
    if (read_file_bytes(path_, 0, all.size() + 1).size() == all.size()) {
        write_file_bytes(path_, 0, all);
    } else {
        write_stamped_image(path_, sectors_);
    }
    intended_.assign(sectors_, {});
}

void ImageModel::intend(unsigned sector, std::vector<uint8_t> bytes) { intended_[sector] = std::move(bytes); }

std::vector<uint8_t> ImageModel::on_image(unsigned sector) const {
    return read_file_bytes(path_, static_cast<uint64_t>(sector) * 512, 512);
}

bool ImageModel::holds_intended(unsigned sector) const {
    return !intended_[sector].empty() && on_image(sector) == intended_[sector];
}

::testing::AssertionResult ImageModel::holds_old_or_intended() const {
    std::vector<uint8_t> all = read_file_bytes(path_, 0, static_cast<size_t>(sectors_) * 512);
    if (all.size() != static_cast<size_t>(sectors_) * 512)
        return ::testing::AssertionFailure() << "the image is " << all.size() << " bytes, not " << sectors_ * 512;
    for (unsigned s = 0; s < sectors_; ++s) {
        std::vector<uint8_t> bytes(all.begin() + s * 512, all.begin() + (s + 1) * 512);
        if (bytes != old_[s] && (intended_[s].empty() || bytes != intended_[s]))
            return ::testing::AssertionFailure() << "sector " << s << " holds neither its old bytes nor the bytes meant for it";
    }
    return ::testing::AssertionSuccess();
}

std::string Tally::describe() const {
    std::string kinds_text;
    for (Kind kind : kinds) kinds_text += std::string(kinds_text.empty() ? "" : ", ") + faults::name(kind);
    return operation + ": " + std::to_string(clean.total()) + " calls (" + clean.describe() + ") x kinds (" +
           kinds_text + "): " + std::to_string(runs) + " runs, the fault came in " + std::to_string(fired);
}

void SweepTest::SetUp() {
    EditorTest::SetUp();
    faults::disarm_all();
    model_ = ImageModel(image("c.img"), kSectors);
}

void SweepTest::TearDown() {
    faults::disarm_all();
    EditorTest::TearDown();
}

const char* name(Disk disk) {
    switch (disk) {
    case Disk::ImageFile: return "an image file";
    case Disk::Loop512: return "a loop device of 512-byte sectors";
    case Disk::Loop4096: return "a loop device of 4096-byte sectors";
    case Disk::Legacy: return "the legacy volume services";
    }
    return "?";
}

bool SweepTest::use_disk(Disk disk) {
    disk_ = disk;
    // The last run's program still has the disk open, which would keep a
    // detached loop device attached (and the wait for it would run out).
    if (runs_ > 0) start_again();
    loop_.reset();
    why_not_.clear();
    if (disk != Disk::Loop512 && disk != Disk::Loop4096) return true;
    model_.reset();
    unsigned sector_size = disk == Disk::Loop4096 ? 4096 : 0;
    loop_ = std::make_unique<LoopDevice>(model_.path(), LoopDevice::Options{.sector_size = sector_size});
    if (loop_->attached()) return true;
    why_not_ = loop_->why_not();
    loop_.reset();
    return false;
}

void SweepTest::sweep_disks(const std::string& operation, bool sticky_too,
                            const std::function<void(const Fault*)>& run) {
    for (Disk disk : kDisks) {
        if (!use_disk(disk)) {
            std::printf("[ sweep    ] %s on %s: not run, %s\n", operation.c_str(), name(disk), why_not_.c_str());
            continue;
        }
        sweep(operation + " on " + name(disk), sticky_too, run);
        if (HasFatalFailure()) break;
    }
    loop_.reset();
    use_disk(Disk::ImageFile);
}

void SweepTest::fresh_run() {
    faults::disarm_all();
    // A host of its own for each run: its script and what it saw.
    if (runs_++ > 0) start_again();
    model_.reset();
    map_volume('C', loop_ ? loop_->device() : model_.path());
    if (disk_ == Disk::Legacy) platform::emulate_windows_9x(2222);
    armed_ = false;
    counted_ = Counts{};
    fired_ = 0;
    host_.answer_message_boxes([this](const HeadlessHost::MessageBoxSeen& box) {
        return box.caption == "Save Changes?" ? save_answer : IDOK;
    });
}

void SweepTest::arm(const Fault* fault) {
    host_.check("arm the fault", [this, fault] {
        faults::reset_counts();
        if (fault) faults::arm(fault->call, fault->nth, fault->kind, fault->sticky);
        armed_ = true;
    });
}

static Snapshot snapshot(size_t boxes) {
    Snapshot taken;
    taken.data.assign(EditorState.SectorData, EditorState.SectorData + sizeof EditorState.SectorData);
    taken.dirty = EditorState.SectorDirty;
    taken.current = EditorState.CurrentSector;
    taken.last = EditorState.LastSector;
    taken.boxes = boxes;
    return taken;
}

void SweepTest::disarm() {
    host_.check("stop failing and count", [this] {
        counted_ = counts_now();
        fired_ = faults::fired();
        faults::disarm_all();
        armed_ = false;
        after_ = snapshot(boxes().size());
    });
}

void SweepTest::follow_up() {
    choose_menu(IDM_GOTO_SECTOR);
    host_.type_text("0");
    press(VK_RETURN);
    host_.check("after Goto Sector 0", [this] { recovered_ = snapshot(boxes().size()); });
}

void SweepTest::expect_recovered() const {
    EXPECT_EQ(recovered_.current, 0u);
    EXPECT_EQ(recovered_.data, model_.on_image(0)) << "the disk does not read as before once nothing fails";
    EXPECT_EQ(recovered_.boxes, after_.boxes) << "Goto Sector failed once nothing fails";
}

void SweepTest::close_up(const std::vector<std::string>& dialogs) {
    host_.check("close what a failure left open", [dialogs] {
        for (const std::string& caption : dialogs)
            if (HWND dialog = HeadlessHost::window(caption)()) PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    quit();
}

void SweepTest::run_armed(const Fault* fault, const std::function<void()>& prepare, const std::function<void()>& act,
                          const std::vector<std::string>& dialogs) {
    open_selected_disk();
    if (prepare) prepare();
    arm(fault);
    act();
    disarm();
    follow_up();
    close_up(dialogs);
    run_editor();
}

void SweepTest::expect_sound(const Fault* fault, size_t clean_boxes) const {
    EXPECT_TRUE(model_.holds_old_or_intended());
    expect_recovered();
    if (!fault) {
        EXPECT_EQ(boxes().size(), clean_boxes) << "a run with nothing failing showed messages";
    }
}

void SweepTest::sweep(const std::string& operation, bool sticky_too, const std::function<void(const Fault*)>& run) {
    tally_ = Tally{};
    tally_.operation = operation;
    {
        SCOPED_TRACE(operation + ", clean");
        run(nullptr);
    }
    tally_.clean = counted_;
    ASSERT_GT(tally_.clean.total(), 0u) << operation << " made no calls to fail";
    for (const Fault& fault : faults_for(tally_.clean, sticky_too)) {
        SCOPED_TRACE(operation + ", " + fault.describe());
        run(&fault);
        ++tally_.runs;
        tally_.kinds.insert(fault.kind);
        if (fired_ > 0) ++tally_.fired;
        if (HasFatalFailure()) break;
    }
    std::printf("[ sweep    ] %s\n", tally_.describe().c_str());
    tallies_.push_back(tally_);
    // The sums of every sweep this test made, for the record.
    unsigned calls = 0, runs = 0;
    std::set<Kind> kinds;
    for (const Tally& tally : tallies_) {
        calls += tally.clean.total();
        runs += tally.runs;
        kinds.insert(tally.kinds.begin(), tally.kinds.end());
    }
    RecordProperty("calls", static_cast<int>(calls));
    RecordProperty("runs", static_cast<int>(runs));
    RecordProperty("kinds", static_cast<int>(kinds.size()));
}

size_t SweepTest::boxes_with(const std::string& caption) const {
    size_t n = 0;
    for (const auto& box : boxes())
        if (box.caption == caption) ++n;
    return n;
}

bool SweepTest::read_error_shown() const {
    for (const auto& box : boxes())
        if (box.text == "Error accessing contents of sector" || box.text == "Error reading disk") return true;
    return false;
}

bool SweepTest::write_error_shown() const {
    for (const auto& box : boxes())
        if (box.text == "Error writing contents of sector") return true;
    return false;
}

void SweepTest::expect_shown_sector_read_or_reported(const ImageModel& model, unsigned sector) const {
    std::vector<uint8_t> disk = model.on_image(sector);
    const std::vector<uint8_t>& shown = after_.data;
    ASSERT_EQ(disk.size(), shown.size());
    if (shown == disk) return;
    EXPECT_TRUE(read_error_shown()) << "sector " << sector << " is shown with bytes that are not the disk's, unreported";
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] != disk[i] && shown[i] != 0) {
            ADD_FAILURE() << "byte " << i << " of the shown sector " << sector << " is " << int(shown[i])
                          << ": never read from the disk";
            break;
        }
    }
}

}  // namespace reliability
