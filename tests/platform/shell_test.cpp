// ShellExecuteA hands the request to the host as given, or the copy of a
// web page that the machine holds.
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "disk_fixture.h"
#include "platform/control.h"
#include "window_fixture.h"

namespace {

class Shell : public testing_support::WindowTest {};

TEST_F(Shell, RequestReachesTheHostAsGiven) {
    HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x10));
    HINSTANCE result = ShellExecuteA(owner, "open", "https://orvasse.example/", nullptr, nullptr, SW_HIDE);
    EXPECT_GT(reinterpret_cast<intptr_t>(result), 32);
    auto requests = host_.shell_requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].owner, owner);
    EXPECT_EQ(requests[0].verb, "open");
    EXPECT_EQ(requests[0].file, "https://orvasse.example/");
    EXPECT_EQ(requests[0].parameters, "");
    EXPECT_EQ(requests[0].show, SW_HIDE);
}

TEST_F(Shell, NothingToOpenIsAnError) {
    EXPECT_LE(reinterpret_cast<intptr_t>(ShellExecuteA(nullptr, "open", "", nullptr, nullptr, SW_HIDE)), 32);
    EXPECT_TRUE(host_.shell_requests().empty());
}

TEST_F(Shell, PagesOfASiteWithACopyOpenTheCopyAndNothingElseDoes) {
    // The copy, and beside it files that no address may reach.
    testing_support::TempDir folder;
    std::string site = folder.file("site");
    for (const char* made : {"/site", "/site/software", "/sites"}) ASSERT_EQ(mkdir((folder.path() + made).c_str(), 0755), 0);
    for (const char* page : {"/site/index.html", "/site/software/index.html", "/site/software/help.html", "/secret.html",
                             "/sites/index.html"})
        fclose(fopen((folder.path() + page).c_str(), "w"));
    platform::set_local_web_site("https://orvasse.example", site + "/");

    auto opened = [&](const std::string& address) {
        ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_HIDE);
        return host_.shell_requests().back().file;
    };
    EXPECT_EQ(opened("https://orvasse.example/software/help.html"), site + "/software/help.html");
    EXPECT_EQ(opened("https://orvasse.example/"), site + "/index.html");
    EXPECT_EQ(opened("https://orvasse.example"), site + "/index.html");
    EXPECT_EQ(opened("HTTPS://Orvasse.Example/software/"), site + "/software/index.html");
    // Not on the site, not in the copy, or a way out of the folder: as given.
    for (const char* address : {"https://orvasse.example/software/license.html", "https://orvasse.example.org/",
                                "https://orvasse.examples/index.html", "https://orvasse.example/../secret.html",
                                "https://orvasse.example/software", "https://orvasse.example/index.html?q=1",
                                "https://elsewhere.example/"})
        EXPECT_EQ(opened(address), address);

    platform::set_local_web_site("https://orvasse.example", "");
    EXPECT_EQ(opened("https://orvasse.example/"), "https://orvasse.example/") << "no copy any more";
}

}  // namespace
