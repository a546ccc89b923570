// The maker's web site as it ships in docs/site: every page the program
// opens is there, its links lead somewhere, the manual covers the menus and
// the licence page holds the licence.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
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
            std::string words = item.text.substr(0, item.text.find('\t'));  // without its key or the mnemonic's mark
            words.erase(std::remove(words.begin(), words.end(), '&'), words.end());
            EXPECT_NE(manual.find("<td>" + words + "</td>"), std::string::npos)
                << popup.text << " > " << words << " is not in the manual's table of its menu";
        }
    EXPECT_EQ(entries, 24);
    DestroyMenu(menu);

    std::string licence = read_text(file_of(LICENSE_PAGE));
    std::istringstream lines(read_text(ORVASSE_LICENSE_FILE));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty()) continue;
        EXPECT_NE(licence.find(line), std::string::npos) << line;
    }
}

// A C++ source with its comments and the insides of its string literals
// blanked out (positions kept), and the literals themselves: escapes
// decoded, adjacent ones joined.
struct Source {
    std::string code;
    std::vector<std::pair<size_t, std::string>> literals;  // where each starts, its text
};

Source parse_source(const std::string& text) {
    Source source{text, {}};
    std::string& code = source.code;
    size_t i = 0;
    size_t last_end = std::string::npos;  // where the last literal ended
    while (i < code.size()) {
        if (code.compare(i, 2, "//") == 0) {
            while (i < code.size() && code[i] != '\n') code[i++] = ' ';
        } else if (code.compare(i, 2, "/*") == 0) {
            size_t end = code.find("*/", i + 2);
            end = end == std::string::npos ? code.size() : end + 2;
            for (; i < end; ++i) code[i] = code[i] == '\n' ? '\n' : ' ';
        } else if (code[i] == '\'') {
            for (++i; i < code.size() && code[i] != '\''; ++i) {
                if (code[i] == '\\') code[i++] = ' ';
                code[i] = ' ';
            }
            ++i;
        } else if (code[i] == '"') {
            size_t start = i;
            std::string value;
            for (++i; i < code.size() && code[i] != '"'; ++i) {
                char c = code[i];
                if (c == '\\') {
                    code[i++] = ' ';
                    c = code[i] == 'n' ? '\n' : code[i] == 't' ? '\t' : code[i];
                }
                value += c;
                code[i] = ' ';
            }
            ++i;
            bool joined = last_end != std::string::npos && !source.literals.empty() &&
                          code.find_first_not_of(" \t\r\n", last_end) == start;
            if (joined) {
                source.literals.back().second += value;
            } else {
                source.literals.emplace_back(start, value);
            }
            last_end = i;
        } else {
            ++i;
        }
    }
    return source;
}

// From an opening parenthesis, the position after its closing one.
size_t after_call(const std::string& code, size_t open) {
    int depth = 0;
    for (size_t i = open; i < code.size(); ++i) {
        if (code[i] == '(') ++depth;
        if (code[i] == ')' && --depth == 0) return i + 1;
    }
    return code.size();
}

// The manual's text as a reader sees it: no tags, entities decoded, blanks joined.
std::string readable(const std::string& html) {
    std::string text = std::regex_replace(html, std::regex("</?(i|b|code|kbd)>"), "");
    text = std::regex_replace(text, std::regex("<[^>]*>"), " ");
    const std::pair<const char*, const char*> entities[] = {{"&gt;", ">"}, {"&lt;", "<"}, {"&quot;", "\""},
                                                            {"&larr;", "<-"}, {"&rarr;", "->"}, {"&amp;", "&"}};
    for (const auto& [entity, character] : entities)
        for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at))
            text.replace(at, strlen(entity), character);
    return std::regex_replace(text, std::regex("\\s+"), " ");
}

// A printf format as a pattern: each conversion stands for a word of the
// manual ("n", "text", "12.700").
std::regex pattern_of(const std::string& format) {
    std::string pattern;
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c == '%' && i + 1 < format.size() && format[i + 1] == '%') {
            pattern += '%';
            ++i;
        } else if (c == '%') {
            i = format.find_first_of("diuxXcsf", i);
            pattern += "\\S+";
        } else if (isspace(static_cast<unsigned char>(c))) {
            if (pattern.size() < 3 || pattern.compare(pattern.size() - 3, 3, "\\s+") != 0) pattern += "\\s+";
        } else {
            if (strchr("\\^$.|?*+()[]{}", c)) pattern += '\\';
            pattern += c;
        }
    }
    return std::regex(pattern);
}

// Every text the program can show a person in a message box or a dialog's
// own text, and every caption of its message boxes: the literals of each
// MessageBoxA, of each function that hands its own text on to one, of the
// texts formatted for them and of the texts set in dialogs. Each line of
// each is in the manual, conversions standing for a word.
TEST(WebSite, TheManualHoldsEveryMessageTheProgramCanShow) {
    const std::string manual = readable(read_text(file_of(HELP_PAGE)));
    std::vector<Source> sources;
    for (const char* folder : {"disk", "editor", "tools", "output"})
        for (const auto& entry : fs::directory_iterator(fs::path(ORVASSE_SOURCE_DIR) / folder))
            if (entry.path().extension() == ".cpp") sources.push_back(parse_source(read_text(entry.path())));
    // Functions that take a text and show it.
    std::set<std::string> shows = {"MessageBoxA", "SetDlgItemTextA"};
    const std::regex definition("\\b(\\w+)\\(const char\\* \\w+[^)]*\\)\\s*\\{");
    for (const Source& source : sources)
        for (std::sregex_iterator it(source.code.begin(), source.code.end(), definition), end; it != end; ++it) {
            size_t body = static_cast<size_t>(it->position(0) + it->length(0));
            size_t close = source.code.find("\n}", body);
            if (source.code.substr(body, close - body).find("MessageBoxA(") != std::string::npos) shows.insert((*it)[1]);
        }
    std::string names;
    for (const std::string& name : shows) names += (names.empty() ? "" : "|") + name;
    const std::regex call("\\b(" + names + ")\\(|\\bsnprintf\\(text\\b");
    int texts = 0;
    for (const Source& source : sources)
        for (std::sregex_iterator it(source.code.begin(), source.code.end(), call), end; it != end; ++it) {
            size_t open = static_cast<size_t>(it->position(0)) + source.code.substr(it->position(0)).find('(');
            size_t close = after_call(source.code, open);
            for (const auto& [at, text] : source.literals) {
                if (at < open || at >= close || text.empty()) continue;
                ++texts;
                std::istringstream lines(text);
                std::string line;
                while (std::getline(lines, line)) {
                    if (line.empty()) continue;
                    EXPECT_TRUE(std::regex_search(manual, pattern_of(line))) << "not in the manual: \"" << line << "\"";
                }
            }
        }
    EXPECT_GT(texts, 40) << "the texts were not found in the sources";
}

}  // namespace
