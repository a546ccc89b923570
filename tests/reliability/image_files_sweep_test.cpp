// Export and Import with each of their disk and file calls failing. An
// export holds the disk's sectors, whole, as many as it says (sectors it
// could not read are zeros, and counted). An import leaves each sector
// with its old bytes or the file's, and says when it did not import all.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "editor/editor_state.h"
#include "platform/user/input.h"
#include "resources/resource.h"
#include "tool_sweep.h"

using platform::HeadlessHost;
using namespace testing_support;
using namespace reliability;

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kImageSectors = 512;
constexpr uint32_t kFirst = 50;
constexpr uint32_t kCount = 300;  // chunks of 128, 128 and 44
constexpr const char* kCountCaption = "Number of Sectors *";

std::vector<uint8_t> whole_file(const std::string& path) {
    if (!fs::exists(path)) return {};
    return read_file_bytes(path, 0, fs::file_size(path));
}

class ImageFilesSweep : public ToolSweep {
protected:
    void SetUp() override {
        ToolSweep::SetUp();
        use_image(kImageSectors);
    }

    // The Number of Sectors dialog: the count typed (none: the one offered)
    // and OK, once per run.
    static bool answer_count(bool* answered, const char* count) {
        HWND field = HeadlessHost::item(kCountCaption, IDC_COUNT)();
        HWND ok = HeadlessHost::item(kCountCaption, IDC_COUNT_OK)();
        if (*answered || !field || !ok) return false;
        if (count) SetWindowTextA(field, count);
        *answered = true;
        return platform::input_click(ok, {2, 2}, 0);
    }

    // From sector kFirst, which holds an unsaved edit.
    Operation transfer(UINT command, const std::string& file, const char* count, std::function<void()> before) {
        auto answered = std::make_shared<bool>(false);
        Operation op;
        op.prepare = [this, answered, before] {
            *answered = false;
            if (before) host_.check("prepare the file", before);
            go_to(kFirst);
            host_.type_text("7");
        };
        op.start = [this, command, file] {
            choose_menu(command);
            host_.choose_file(file);
        };
        op.act = [answered, count] { return answer_count(answered.get(), count); };
        op.finished = [] { return HeadlessHost::window(kCountCaption)() == nullptr; };
        return op;
    }

    unsigned check_export(const Outcome& o, const std::vector<std::string>& texts);
    // Sector kFirst as the operation's preparation edits it: 7 typed over
    // the high half of its first byte.
    std::vector<uint8_t> edited_first() const {
        std::vector<uint8_t> bytes = baseline_sector(kFirst);
        bytes[0] = static_cast<uint8_t>(0x70 | (bytes[0] & 0x0F));
        return bytes;
    }
};

TEST_F(ImageFilesSweep, ExportWithEveryCallFailingIsCompleteAndCorrectOrSaysItFailed) {
    const std::string out = image("out.bin");
    const std::vector<uint8_t> junk(1000, 0x5A);  // what the file held before: replacing it is agreed to
    // What the export itself said, the question about replacing the file left out.
    auto said = [](const Outcome& o) {
        std::vector<std::string> texts;
        for (const auto& box : o.boxes)
            if (box.caption != "Confirm Save As") texts.push_back(box.text);
        return texts;
    };
    sweep_tool(
        "export", transfer(IDM_EXPORT_SECTORS, out, "300", [&] { write_whole_file(out, junk); }),
        [&](const Outcome& clean) {
            EXPECT_TRUE(said(clean).empty());
            EXPECT_TRUE(whole_file(out) == stamped_run(kFirst, kCount));
            EXPECT_EQ(clean.dirty, 1);
            EXPECT_EQ(clean.sector_data, edited_first());
        },
        [&](const Fault& fault, const Outcome& o) {
            if (said(o).empty()) {
                // A disk request that failed once was asked again and gave its sectors.
                EXPECT_TRUE(!fault.sticky && fault.call != Call::fopen && fault.call != Call::fwrite)
                    << "a failure is said";
                EXPECT_TRUE(whole_file(out) == stamped_run(kFirst, kCount)) << "recovered, so complete and correct";
                check_export(o, said(o));
                return;
            }
            if (o.saw("Error Exporting to file")) {
                EXPECT_EQ(fault.call, Call::fopen);
                EXPECT_EQ(whole_file(out), junk) << "a file that could not be opened is untouched";
                EXPECT_TRUE(o.image == baseline()) << "an export writes nothing on the disk";
                return;
            }
            check_export(o, said(o));
        });
    // Stopped by the user after each chunk: the file holds the chunks done.
    sweep_stops("export", transfer(IDM_EXPORT_SECTORS, out, "300", [&] { write_whole_file(out, junk); }), 3,
                [&](unsigned chunks_done, const Outcome& o) {
                    EXPECT_TRUE(o.saw("The export was stopped"));
                    EXPECT_EQ(check_export(o, said(o)), 128 * chunks_done);
                });
}

// What an export left: the disk and the editor as they were, and a file of
// whole sectors, the disk's own or zeros where a read failed, as many as the
// messages say; their number.
unsigned ImageFilesSweep::check_export(const Outcome& o, const std::vector<std::string>& texts) {
    std::vector<uint8_t> file = whole_file(image("out.bin"));
    EXPECT_TRUE(o.image == baseline()) << "an export writes nothing on the disk";
    EXPECT_EQ(o.dirty, 1) << "the unsaved edit is kept";
    EXPECT_EQ(o.sector_data, edited_first());
    EXPECT_EQ(o.current, kFirst);
    unsigned written = kCount, zeros_said = 0;
    for (const std::string& text : texts) {
        sscanf(text.c_str(), "Error writing to the file: only its first %u sector(s) were exported.", &written);
        sscanf(text.c_str(), "The export was stopped: the file holds the first %u", &written);
        sscanf(text.c_str(), "%u sector(s) could not be read and were exported as zeros.", &zeros_said);
    }
    EXPECT_EQ(file.size(), written * 512ull) << "the file holds what the messages say: " << o.box_texts();
    if (file.size() != written * 512ull) return 0;
    unsigned zeros = 0;
    const std::vector<uint8_t> zero(512, 0);
    for (uint32_t i = 0; i < written; ++i) {
        auto got = sector_of(file, i);
        if (got == zero) {
            ++zeros;
        } else {
            EXPECT_EQ(got, baseline_sector(kFirst + i)) << "sector " << kFirst + i << " of the image";
        }
    }
    EXPECT_EQ(zeros, zeros_said) << "sectors exported as zeros are counted";
    return written;
}

// A file that shrinks, to part of a sector, after it was measured; then the
// sweep: going on after each failed write, stopping there, and a file that
// ends in part of a sector.
TEST_F(ImageFilesSweep, ImportWithEveryCallFailingLeavesOldOrFileBytesAndSaysWhatWasNotImported) {
    const std::string in = image("in.bin");
    const std::vector<uint8_t> file = stamped_run(10000, kCount);  // unlike every sector of the disk
    {
        write_whole_file(in, file);
        Operation shrinking = transfer(IDM_IMPORT_SECTORS, in, nullptr, nullptr);
        auto answer = shrinking.act;
        shrinking.act = [&, answer] {
            if (HeadlessHost::window(kCountCaption)()) fs::resize_file(in, 200 * 512 + 100);
            return answer();
        };
        Outcome o = run(shrinking, nullptr);
        SCOPED_TRACE("a file that shrinks after it was measured; messages:" + o.box_texts());
        for (uint32_t s = 0; s < kImageSectors; ++s) {
            bool imported = s >= kFirst && s < kFirst + 200;
            EXPECT_EQ(sector_of(o.image, s), imported ? sector_of(file, s - kFirst) : baseline_sector(s)) << s;
        }
        ASSERT_EQ(o.boxes.size(), 1u);
        EXPECT_EQ(o.boxes[0].text, "Error reading the file: only its first 200 sector(s) could be imported.");
    }
    // The rows: the file, and the answer to the question after a failed write.
    struct Row {
        std::string name;
        size_t bytes;
        int yes_no;
    };
    const Row rows[] = {
        {"import, going on after a failed write", kCount * 512, IDYES},
        {"import, stopping at a failed write", kCount * 512, IDNO},
        {"import of a file that ends in part of a sector", 200 * 512 + 100, IDYES},
    };
    for (const Row& row : rows) {
        write_whole_file(in, std::vector<uint8_t>(file.begin(), file.begin() + static_cast<long>(row.bytes)));
        const uint32_t count = static_cast<uint32_t>((row.bytes + 511) / 512);  // as offered
        // What the user means each sector of the run to hold: the file's
        // bytes, and after its end the disk's own.
        auto meant = [&](uint32_t i) {
            std::vector<uint8_t> bytes = baseline_sector(kFirst + i);
            size_t from = i * 512ull, to = std::min(row.bytes, from + 512);
            std::copy(file.begin() + static_cast<long>(from), file.begin() + static_cast<long>(to), bytes.begin());
            return bytes;
        };
        std::vector<uint8_t> edited;
        Operation op = transfer(IDM_IMPORT_SECTORS, in, nullptr, nullptr);
        op.yes_no = row.yes_no;
        sweep_tool(
            row.name, op,
            [&](const Outcome& clean) {
                EXPECT_TRUE(clean.boxes.empty());
                for (uint32_t i = 0; i < count; ++i) ASSERT_EQ(sector_of(clean.image, kFirst + i), meant(i)) << i;
                EXPECT_EQ(clean.dirty, 0) << "the shown sector is read again";
                EXPECT_EQ(clean.sector_data, meant(0));
                edited = edited_first();
            },
            [&](const Fault&, const Outcome& o) {
                unsigned imported = 0, wrong = 0;
                for (uint32_t s = 0; s < kImageSectors; ++s) {
                    auto now = sector_of(o.image, s);
                    bool in_run = s >= kFirst && s < kFirst + count;
                    if (in_run && now == meant(s - kFirst)) {
                        ++imported;
                    } else if (now != baseline_sector(s)) {
                        ++wrong;
                        ADD_FAILURE() << "sector " << s << " holds neither its old bytes nor the file's";
                    }
                }
                EXPECT_EQ(wrong, 0u);
                // A failed lock of the legacy services, say, may cost nothing.
                if (imported < count) {
                    EXPECT_FALSE(o.boxes.empty()) << "only " << imported << " of " << count << " sectors imported, silently";
                }
                for (const auto& box : o.boxes) {
                    unsigned at = 0;
                    if (sscanf(box.text.c_str(), "Error encountered writing at sector %u", &at) != 1) continue;
                    EXPECT_TRUE(at >= kFirst && at < kFirst + count) << at;
                    if (box.answer != IDNO) continue;
                    for (uint32_t s = at + 128; s < kFirst + count; ++s)
                        EXPECT_EQ(sector_of(o.image, s), baseline_sector(s)) << "written after No, at " << s;
                }
                // The shown sector: the unsaved edit, still marked, or what
                // the disk now holds there.
                if (o.dirty) {
                    EXPECT_EQ(o.sector_data, edited);
                } else if (!o.saw("Error accessing contents of sector")) {
                    EXPECT_EQ(o.sector_data, sector_of(o.image, kFirst));
                }
            });
        if (row.bytes != kCount * 512 || row.yes_no != IDYES) continue;
        // A stop asked for while the run's only block is written comes too
        // late to leave anything out: the import is whole and says nothing.
        sweep_stops(row.name, op, 3, [&](unsigned, const Outcome& o) {
            for (uint32_t s = 0; s < kImageSectors; ++s) {
                bool imported = s >= kFirst && s < kFirst + kCount;
                ASSERT_EQ(sector_of(o.image, s), imported ? meant(s - kFirst) : baseline_sector(s)) << s;
            }
            EXPECT_TRUE(o.boxes.empty()) << o.box_texts();
            EXPECT_EQ(o.sector_data, meant(0)) << "the shown sector is read again";
        });
    }
}

}  // namespace
