// Print Sector, the About box and the Help and Links menus, driven through
// the real editor by the scripted user.
#include <cstring>
#include <filesystem>

#include "editor/editor_state.h"
#include "editor_fixture.h"
#include "output/web_pages.h"
#include "platform/control.h"
#include "platform/user/window_view.h"
#include "resources/resource.h"

using platform::HeadlessHost;
using namespace testing_support;

namespace {

const char kHello[] = "Hello, world!...";

class Printing : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        map_stamped_image(64);
    }
    // The pitch of the headless printer's font: height 50, leading 4.
    static constexpr int kPitch = 54;
    // A dump line built from the pane layout: the hex pane's line with "- " in
    // the middle, then the bytes themselves.
    static std::string dump_line(const std::vector<uint8_t>& sector, size_t line) {
        std::vector<uint8_t> bytes(sector.begin() + static_cast<long>(line * 16), sector.begin() + static_cast<long>(line * 16 + 16));
        std::string hex = hex_text_of(bytes);
        char offset[8];
        snprintf(offset, sizeof offset, "%03X: ", static_cast<unsigned>(line * 16));
        return offset + hex.substr(0, 24) + "- " + hex.substr(24) + std::string(bytes.begin(), bytes.end());
    }
};

TEST_F(Printing, EachCopyIsAPageWithTheHeadingAndThe32LinesOfTheSectorAsEdited) {
    open_selected_disk();
    press(VK_NEXT);
    host_.type_text("48656c6c6f2c20776f726c64212e2e2e");  // the first line's 16 bytes, typed unshifted
    choose_menu(IDM_PRINT_SECTOR);
    host_.print(3);
    std::vector<uint8_t> shown;
    BYTE dirty = 0;
    HWND main = nullptr;
    host_.check("what the editor holds", [&] {
        shown = sector_data();
        dirty = EditorState.SectorDirty;
        main = EditorState.MainWindow;
    });
    choose_menu(IDM_EXIT);
    run_editor();

    auto dialogs = host_.print_dialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].owner, main);
    EXPECT_EQ(dialogs[0].flags, 0x10010Cu) << "no print to file, a device context, no page range, no selection";
    EXPECT_EQ(dialogs[0].copies, 1);

    std::vector<uint8_t> expected = stamped_sector(1);
    memcpy(expected.data(), kHello, 16);
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(dirty, 1) << "printing saves nothing";
    EXPECT_EQ(read_file_bytes(image("c.img"), 512, 512), stamped_sector(1)) << "nor does it write";

    auto documents = host_.printed_documents();
    ASSERT_EQ(documents.size(), 1u);
    EXPECT_EQ(documents[0].name, "Printing text");
    EXPECT_TRUE(documents[0].ended);
    EXPECT_TRUE(documents[0].released) << "the device context is deleted";
    EXPECT_FALSE(documents[0].aborted);
    ASSERT_EQ(documents[0].pages.size(), 3u);
    for (const auto& page : documents[0].pages) {
        ASSERT_EQ(page.size(), 33u);
        EXPECT_EQ(page[0].text, "Sector Number 1");
        EXPECT_EQ(page[0].x, 0);
        EXPECT_EQ(page[0].y, 0);
        EXPECT_EQ(page[1].text, "000: 48 65 6C 6C 6F 2C 20 77 - 6F 72 6C 64 21 2E 2E 2E Hello, world!...");
        for (size_t line = 0; line < 32; ++line) {
            const auto& text = page[line + 1];
            EXPECT_EQ(text.x, 0);
            EXPECT_EQ(text.y, static_cast<int>(2 + line) * kPitch) << "line " << line;
            // Byte 216 of sector 1 is zero: its line still has all 71 characters.
            ASSERT_EQ(text.text.size(), 71u) << "line " << line;
            EXPECT_EQ(text.text, dump_line(expected, line)) << "line " << line;
        }
    }
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Printing, CancelPrintsNothingNoCopiesGiveNoPageAndHighSectorNumbersAreUnsigned) {
    open_selected_disk();
    choose_menu(IDM_PRINT_SECTOR);
    host_.cancel_print_dialog();
    size_t after_cancel = 99;
    host_.check("nothing printed", [&] { after_cancel = host_.printed_documents().size(); });
    choose_menu(IDM_PRINT_SECTOR);
    host_.print(0);
    // A disk of 2^32 sectors shows its last one: printing reads only the
    // number and the bytes.
    host_.check("the last sector of a large disk", [] { EditorState.CurrentSector = 4294967295u; });
    choose_menu(IDM_PRINT_SECTOR);
    host_.print(1);
    choose_menu(IDM_EXIT);
    run_editor();

    EXPECT_EQ(after_cancel, 0u);
    auto documents = host_.printed_documents();
    ASSERT_EQ(documents.size(), 2u);
    EXPECT_TRUE(documents[0].ended);
    EXPECT_TRUE(documents[0].pages.empty()) << "no copies: the document is started and ended with no page";
    ASSERT_EQ(documents[1].pages.size(), 1u);
    ASSERT_FALSE(documents[1].pages[0].empty());
    EXPECT_EQ(documents[1].pages[0][0].text, "Sector Number 4294967295");
    EXPECT_EQ(host_.print_dialogs().size(), 3u);
    EXPECT_TRUE(boxes().empty());
}

class AboutAndLinks : public Printing {
protected:
    static HeadlessHost::Target about() { return HeadlessHost::window("About Orvasse"); }
    static std::string address(const char* page) { return std::string(MakerWebAddress) + page; }
};

TEST_F(AboutAndLinks, TheWebAddressOpensTheHomePageAndKeepsTheBoxCloseAndTheCloseBoxCloseIt) {
    open_selected_disk();
    choose_menu(IDM_ABOUT);
    HWND box = nullptr;
    platform::WindowView view;
    int logo_width = 0, logo_height = 0;
    host_.check("the About box", [&] {
        box = about()();
        platform::view_window(box, &view);
        for (HWND child : platform::child_windows(box)) {
            platform::WindowView item;
            if (platform::view_window(child, &item) && (item.style & SS_TYPEMASK) == SS_BITMAP && item.image) {
                const platform::BitmapImage* logo = platform::bitmap_image(static_cast<HBITMAP>(item.image));
                if (logo) logo_width = logo->width, logo_height = logo->height;
            }
        }
    });
    host_.click(HeadlessHost::item("About Orvasse", IDC_WEB_ADDRESS));
    bool open_after_button = false;
    size_t requests_after_button = 0;
    host_.check("still open", [&] {
        open_after_button = about()() == box;
        requests_after_button = host_.shell_requests().size();
    });
    host_.click(HeadlessHost::item("About Orvasse", IDOK));
    bool open_after_close = true;
    host_.check("closed", [&] { open_after_close = IsWindow(box); });
    host_.type_text("7");  // the keys reach the main window again
    std::string first_digit;
    host_.check("the edit", [&] { first_digit = hex_pane().substr(0, 1); });
    choose_menu(IDM_ABOUT);
    host_.close_window(about());  // the close box
    bool open_after_close_box = true;
    host_.check("closed again", [&] { open_after_close_box = about()() != nullptr; });
    choose_menu(IDM_EXIT);
    run_editor();

    ASSERT_NE(box, nullptr);
    EXPECT_EQ(view.icons[ICON_SMALL], EditorState.Icon);
    EXPECT_EQ(view.icons[ICON_BIG], EditorState.Icon);
    EXPECT_NE(EditorState.Icon, nullptr);
    EXPECT_EQ(logo_width, 216);
    EXPECT_EQ(logo_height, 60);
    auto requests = host_.shell_requests();
    ASSERT_EQ(requests.size(), 2u) << "the start, then the button";
    EXPECT_EQ(requests_after_button, 2u) << "the button itself opens the page";
    EXPECT_EQ(requests[1].file, address("/"));
    EXPECT_EQ(requests[1].owner, box);
    EXPECT_EQ(requests[1].show, SW_HIDE);
    EXPECT_TRUE(open_after_button);
    EXPECT_FALSE(open_after_close);
    EXPECT_EQ(first_digit, "7");
    EXPECT_FALSE(open_after_close_box);
}

TEST_F(AboutAndLinks, TheBoxLetsTheSessionEnd) {
    open_selected_disk();
    choose_menu(IDM_ABOUT);
    host_.wait_until("the About box", [] { return about()() != nullptr; });
    host_.end_session();
    EXPECT_EQ(run_editor(), 0);
    EXPECT_EQ(host_.session_ends(), std::vector<bool>{true}) << "a box that holds nothing never objects";
}

TEST_F(AboutAndLinks, HelpOpensTheStartUpPageAndEachLinkItsOwnPage) {
    open_selected_disk();
    for (UINT id : {IDM_HELP, IDM_LICENSE, IDM_LINK_HOME, IDM_LINK_VELLUM, IDM_LINK_TESSEL, IDM_LINK_ORVASSE, IDM_LINK_BRISK})
        choose_menu(id);
    HWND main = nullptr;
    host_.check("the main window", [&] { main = EditorState.MainWindow; });
    choose_menu(IDM_EXIT);
    run_editor();

    auto requests = host_.shell_requests();
    ASSERT_EQ(requests.size(), 8u);
    for (const auto& request : requests) {
        EXPECT_EQ(request.owner, main);
        EXPECT_EQ(request.verb, "open");
        EXPECT_EQ(request.show, SW_HIDE);
    }
    EXPECT_EQ(requests[0].file, address("/software/orvasse/help.html")) << "the start";
    EXPECT_EQ(requests[1].file, requests[0].file) << "Help";
    EXPECT_EQ(requests[2].file, address("/software/orvasse/license.html"));
    EXPECT_EQ(requests[3].file, address("/"));
    EXPECT_EQ(requests[6].file, address("/software/orvasse/"));
    // Each of the other products' entries opens that product's own page.
    const std::pair<size_t, const char*> products[] = {{4, "vellum"}, {5, "tessel"}, {7, "brisk"}};
    for (const auto& [request, product] : products)
        EXPECT_EQ(requests[request].file, address("/software/") + product + "/") << product;
}

TEST_F(AboutAndLinks, DuringASearchHelpLicenseAboutLinksAndPrintDoNothing) {
    open_selected_disk();
    host_.check("a search runs", [] { EditorState.SearchBusy = 1; });
    bool about_seen = false;
    for (UINT id : {IDM_HELP, IDM_LICENSE, IDM_ABOUT, IDM_LINK_HOME, IDM_LINK_VELLUM, IDM_LINK_TESSEL, IDM_LINK_ORVASSE,
                    IDM_LINK_BRISK, IDM_PRINT_SECTOR}) {
        choose_menu(id);
        host_.check("no About box", [&] { about_seen = about_seen || about()() != nullptr; });
    }
    choose_menu(IDM_EXIT);
    run_editor();
    EXPECT_EQ(host_.shell_requests().size(), 1u) << "only the start's";
    EXPECT_FALSE(about_seen);
    EXPECT_TRUE(host_.print_dialogs().empty());
}

// The pages installed with the program open from this machine, found beside
// it, deep as its folder may be (a page ending in "/" is its index.html);
// where the program's own name does not fit, or nothing can open a page the
// user asked for, the address is opened, or a message names the page.
TEST_F(AboutAndLinks, InstalledPagesOpenFromHereAndAPageNothingOpensIsNamed) {
    TempDir installed;
    const std::string root = installed.file(std::string(150, 'i'));  // paths of some 230 characters
    std::filesystem::create_directories(root + "/share/orvasse/site/software/orvasse");
    std::filesystem::create_directories(root + "/share/orvasse/site/software/vellum");
    std::filesystem::create_directories(root + "/bin");
    write_whole_file(root + "/share/orvasse/site/software/orvasse/help.html", {'<'});
    write_whole_file(root + "/share/orvasse/site/software/orvasse/license.html", {'<'});
    write_whole_file(root + "/share/orvasse/site/software/vellum/index.html", {'<'});
    write_whole_file(root + "/share/orvasse/site/index.html", {'<'});
    platform::set_program_file_name(root + "/bin/orvasse");
    open_selected_disk();
    choose_menu(IDM_LINK_HOME);
    choose_menu(IDM_LINK_VELLUM);
    choose_menu(IDM_LICENSE);
    // Longer than MAX_PATH: cut, it names no folder for sure.
    host_.check("a program name too long", [&] { platform::set_program_file_name(root + "/bin/" + std::string(100, 'o')); });
    choose_menu(IDM_HELP);
    host_.check("no browser", [&] {
        platform::set_program_file_name(root + "/bin/orvasse");
        host_.refuse_shell_requests();
    });
    choose_menu(IDM_HELP);
    host_.answer_message_box(IDOK);
    choose_menu(IDM_LINK_TESSEL);  // not installed: the address
    host_.answer_message_box(IDOK);
    choose_menu(IDM_EXIT);
    run_editor();
    platform::set_program_file_name("");
    const std::string site = root + "/bin/../share/orvasse/site";
    const std::string help = site + "/software/orvasse/help.html";
    auto requests = host_.shell_requests();
    ASSERT_EQ(requests.size(), 7u);
    EXPECT_EQ(requests[0].file, help) << "the start";
    EXPECT_EQ(requests[1].file, site + "/index.html");
    EXPECT_EQ(requests[2].file, site + "/software/vellum/index.html");
    EXPECT_EQ(requests[3].file, site + "/software/orvasse/license.html");
    EXPECT_EQ(requests[4].file, address(HELP_PAGE)) << "the program's name cut";
    auto seen = boxes();
    ASSERT_EQ(seen.size(), 2u) << "the start and the first link opened";
    EXPECT_EQ(seen[0].text, "No program could open the page " + help + ". Open it in a web browser yourself.");
    EXPECT_EQ(seen[0].caption, "Web Page");
    EXPECT_EQ(seen[1].text, "No program could open the page " + address(TESSEL_PAGE) + ". Open it in a web browser yourself.");
}

}  // namespace
