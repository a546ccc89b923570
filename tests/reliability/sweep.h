// The fault sweep: an operation is run once clean to count the calls it
// makes, then once for each call N and each way it can fail, with the Nth
// call failing; after each run the image and the editor's state are checked
// against a model of what the user meant.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "faults.h"

namespace reliability {

using platform::faults::Call;
using platform::faults::Kind;

constexpr int kCalls = static_cast<int>(Call::Count);

// Calls of each kind an operation made.
struct Counts {
    std::array<unsigned, kCalls> of{};
    unsigned operator[](Call call) const { return of[static_cast<int>(call)]; }
    unsigned total() const;
    std::string describe() const;
};
Counts counts_now();

// One way for a run to fail: the nth call of `call` fails as `kind`, once or
// from then on.
struct Fault {
    Call call;
    unsigned nth;
    Kind kind;
    bool sticky;
    std::string describe() const;
};

// The kinds that behave differently for a call (a short count or a full
// disk means nothing to a call that moves no bytes or writes nothing).
std::vector<Kind> kinds_for(Call call);
// Every fault for an operation that made `clean` calls: each N of each call
// and each kind, once, and from then on where asked.
std::vector<Fault> faults_for(const Counts& clean, bool sticky_too);

// The image and what the user meant to write on it.
class ImageModel {
public:
    ImageModel() = default;
    ImageModel(std::string path, unsigned sectors) : path_(std::move(path)), sectors_(sectors) {}
    // Writes the original image again and forgets the intentions.
    void reset();
    void intend(unsigned sector, std::vector<uint8_t> bytes);
    const std::vector<uint8_t>& old(unsigned sector) const { return old_[sector]; }
    std::vector<uint8_t> on_image(unsigned sector) const;
    bool holds_intended(unsigned sector) const;
    // Each sector holds its old bytes or the bytes meant for it.
    ::testing::AssertionResult holds_old_or_intended() const;
    const std::string& path() const { return path_; }
    unsigned sectors() const { return sectors_; }

private:
    std::string path_;
    unsigned sectors_ = 0;
    std::vector<std::vector<uint8_t>> old_;
    std::vector<std::vector<uint8_t>> intended_;  // empty: nothing meant
};

// What a sweep of one operation did, for the record.
struct Tally {
    std::string operation;
    Counts clean;
    std::set<Kind> kinds;
    unsigned runs = 0;
    unsigned fired = 0;  // runs in which the fault came
    std::string describe() const;
};

// The disks an operation is swept on: an image file on the direct path, a
// loop device of 512-byte sectors (a block device, unbuffered), one of
// 4096-byte sectors (each 512-byte transfer bridged through whole sectors),
// and the image through the legacy volume services.
enum class Disk { ImageFile, Loop512, Loop4096, Legacy };
const char* name(Disk disk);
constexpr Disk kDisks[] = {Disk::ImageFile, Disk::Loop512, Disk::Loop4096, Disk::Legacy};

// The editor's state at one moment of a run.
struct Snapshot {
    std::vector<uint8_t> data;
    BYTE dirty = 0;
    DWORD current = 0;
    DWORD last = 0;
    size_t boxes = 0;  // message boxes shown so far
};

// A test of the editor that runs it many times, each run with a fresh
// program, a fresh host and the original image.
class SweepTest : public testing_support::EditorTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Begins a run: the program state, the host and the image as new (the
    // image mapped as drive C:); every message box is answered (the save
    // question with save_answer, others OK).
    void fresh_run();
    int save_answer = IDYES;

    // The image's size in sectors for the following runs (kSectors unless
    // set; a multiple of 8 for the loop device of 4096-byte sectors). Before
    // use_disk.
    void use_sectors(unsigned sectors) { model_ = ImageModel(image("c.img"), sectors); }

    // The disk the following runs use; false, saying why, where it cannot
    // be had here (no loop devices).
    bool use_disk(Disk disk);
    Disk disk_ = Disk::ImageFile;
    std::string why_not_;

    // Script steps: arm the fault (none: count clean), and after the
    // operation stop failing and take the counts.
    void arm(const Fault* fault);
    void disarm();
    // Then, with nothing failing, Goto Sector 0: what a fault left behind
    // must not outlast it, so the disk reads as it holds the sector.
    void follow_up();
    void expect_recovered() const;
    // Closes what a failure left open (a dialog still waiting), then quits.
    void close_up(const std::vector<std::string>& dialogs);
    // One run after fresh_run: the disk opened, `prepare`, the fault armed,
    // `act`, the counts taken, the follow-up, what `dialogs` left closed, and
    // the program run to its end.
    void run_armed(const Fault* fault, const std::function<void()>& prepare, const std::function<void()>& act,
                   const std::vector<std::string>& dialogs = {});
    // What every run of an editor operation must leave: the image holds old
    // or intended bytes, the disk reads as before once nothing fails, and a
    // clean run showed `clean_boxes` messages.
    void expect_sound(const Fault* fault, size_t clean_boxes = 0) const;

    // Runs `run` clean, then with each fault; run(nullptr) is the clean run.
    // Each run's own checks go in run; the tally is recorded and printed.
    void sweep(const std::string& operation, bool sticky_too, const std::function<void(const Fault*)>& run);
    // The same on each disk that can be had.
    void sweep_disks(const std::string& operation, bool sticky_too, const std::function<void(const Fault*)>& run);
    std::vector<Tally> tallies_;

    // The message boxes of this run whose caption is `caption`.
    size_t boxes_with(const std::string& caption) const;
    bool read_error_shown() const;
    bool write_error_shown() const;

    // The sector shown when the operation ended: its bytes are each the
    // disk's or blanked, and anything but the disk's whole sector was
    // reported.
    void expect_shown_sector_read_or_reported(const ImageModel& model, unsigned sector) const;

    static constexpr unsigned kSectors = 16;
    ImageModel model_;
    Snapshot after_;      // the editor as the operation left it, by disarm
    Snapshot recovered_;  // by follow_up
    Counts counted_;      // by disarm
    unsigned fired_ = 0;  // by disarm
    bool armed_ = false;
    Tally tally_;

private:
    unsigned runs_ = 0;
    std::unique_ptr<testing_support::LoopDevice> loop_;
};

}  // namespace reliability
