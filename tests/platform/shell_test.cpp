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

}  // namespace
