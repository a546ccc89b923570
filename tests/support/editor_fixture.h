// Scenario tests of the editor: the real program, run by editor_main
// against image files mapped as drives, driven by the headless host's
// script. Observations run inside the script (check steps), while the
// program's windows are still there.
#pragma once

#include <string>

#include "disk_fixture.h"
#include "platform/host/headless/headless_host.h"

namespace testing_support {

class EditorTest : public DiskTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the program to its end; the script must close it.
    int run_editor();
    // For a table of runs in one test: the program's state and the host as
    // new (the folder and its images stay).
    void start_again();

    // What the main window shows.
    static std::string hex_pane();
    static std::string text_pane();
    static std::string counter();
    static int hex_caret();   // start of the hex pane's selection
    static int text_caret();  // start of the text pane's selection
    static int text_selection_end();
    static int hex_selection_end();
    static std::vector<std::string> disk_list();  // the Select Disk dialog's entries
    static std::vector<uint8_t> sector_data();    // the shown sector as the editor holds it

    // The pane texts a sector's bytes must give (the text pane as a full
    // render leaves it), built here from the layout alone.
    static std::string hex_text_of(const std::vector<uint8_t>& bytes);
    static std::string text_text_of(const std::vector<uint8_t>& bytes);

    // Where the user acts.
    static platform::HeadlessHost::Target main_window();
    static platform::HeadlessHost::Target hex_pane_window();
    static platform::HeadlessHost::Target text_pane_window();
    static platform::HeadlessHost::Target select_disk_item(int id);

    // Script shorthands.
    void open_selected_disk();   // presses Open in the Select Disk dialog
    void choose_menu(UINT id);   // an item of the main window's menu
    void press(UINT vk, BYTE modifiers = 0) { host_.press_key(vk, modifiers); }
    void quit();                 // the main window's close box
    void post_command(UINT id);  // WM_COMMAND to the main window, as the menu sends it
    void click_stepper(bool right);  // an arrow of the sector stepper

    // The tools, used as a person uses them: the number typed into the
    // Goto field; Copy Block's two fields filled in and Copy pressed; a
    // text pattern searched for from the shown sector, to the search's end;
    // an export or import of the count typed into the count dialog.
    void goto_sector(const std::string& number);
    void copy_block(const std::string& destination, const std::string& count);
    void search_disk_for_text(const std::string& text);
    void export_sectors_to(const std::string& path, const std::string& count);
    void import_sectors_from(const std::string& path, const std::string& count);
};

}  // namespace testing_support
