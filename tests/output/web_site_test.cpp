// The maker's web site as it ships in docs/site: every page the program
// opens is there, its links lead somewhere, the manual covers the menus and
// the licence page holds the licence.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "output/web_pages.h"
#include "platform/user/window_view.h"
#include "resources/resource.h"
#include "window_fixture.h"

namespace fs = std::filesystem;

namespace {

std::string read_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every value of an attribute (name="...") in a page.
std::vector<std::string> attribute_values(const std::string& text, const std::string& name) {
    std::vector<std::string> values;
    std::string opening = " " + name + "=\"";
    for (size_t at = text.find(opening); at != std::string::npos; at = text.find(opening, at + 1)) {
        size_t start = at + opening.size();
        values.push_back(text.substr(start, text.find('"', start) - start));
    }
    return values;
}

// The file that serves a path of the site: a folder's is its index.html.
fs::path file_of(const std::string& page) {
    std::string path = page.substr(1);
    if (path.empty() || path.back() == '/') path += "index.html";
    return fs::path(ORVASSE_SITE_DIR) / path;
}

TEST(WebSite, EveryPageTheProgramOpensIsThere) {
    ASSERT_GT(WebPageCount, 0);
    for (int i = 0; i < WebPageCount; ++i) {
        std::string page = WebPageTable[i].page;
        ASSERT_EQ(page[0], '/') << page;
        EXPECT_TRUE(fs::is_regular_file(file_of(page))) << page << " has no " << file_of(page);
    }
}

TEST(WebSite, EveryLinkOfEveryPageLeadsToAPageAndAPlaceOnIt) {
    int pages = 0;
    for (const auto& entry : fs::recursive_directory_iterator(ORVASSE_SITE_DIR)) {
        if (entry.path().extension() != ".html") continue;
        ++pages;
        std::string text = read_text(entry.path());
        std::vector<std::string> links = attribute_values(text, "href"), sources = attribute_values(text, "src");
        links.insert(links.end(), sources.begin(), sources.end());
        for (const std::string& link : links) {
            if (link.rfind("https://", 0) == 0 || link.rfind("mailto:", 0) == 0) continue;
            // Relative links only, so that the copy on a machine works as the site does.
            ASSERT_FALSE(link.empty() || link[0] == '/' || link.find(':') != std::string::npos)
                << entry.path() << ": " << link;
            std::string target = link.substr(0, link.find('#'));
            fs::path file = target.empty() ? entry.path() : entry.path().parent_path() / target;
            EXPECT_TRUE(fs::is_regular_file(file)) << entry.path() << ": " << link;
            if (link.find('#') == std::string::npos || !fs::is_regular_file(file)) continue;
            std::string place = link.substr(link.find('#') + 1);
            std::vector<std::string> ids = attribute_values(read_text(file), "id");
            EXPECT_NE(std::find(ids.begin(), ids.end(), place), ids.end()) << entry.path() << ": " << link;
        }
    }
    EXPECT_GT(pages, 0);
}

TEST(WebSite, TheManualCoversEveryMenuEntryAndTheLicencePageHoldsTheLicence) {
    std::string manual = read_text(file_of(HELP_PAGE));
    HMENU menu = LoadMenuA(testing_support::program_module(), MAKEINTRESOURCEA(IDR_MAIN_MENU));
    ASSERT_NE(menu, nullptr);
    std::vector<platform::MenuItemView> bar;
    ASSERT_TRUE(platform::view_menu(menu, &bar));
    int entries = 0;
    for (const auto& popup : bar)
        for (const auto& item : popup.popup) {
            ++entries;
            EXPECT_NE(manual.find("<td>" + item.text + "</td>"), std::string::npos)
                << popup.text << " > " << item.text << " is not in the manual's table of its menu";
        }
    EXPECT_EQ(entries, 21);
    DestroyMenu(menu);

    std::string licence = read_text(file_of(LICENSE_PAGE));
    std::istringstream lines(read_text(ORVASSE_LICENSE_FILE));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty()) continue;
        EXPECT_NE(licence.find(line), std::string::npos) << line;
    }
}

}  // namespace
