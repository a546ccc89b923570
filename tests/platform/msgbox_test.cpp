// MessageBoxA goes to the host, from any thread, and the host's answer
// comes back.
#include <gtest/gtest.h>

#include <thread>

#include "platform/host/headless/headless_host.h"
#include "platform/win32.h"

namespace {

TEST(MessageBox, ReachesTheHostWithOwnerTextCaptionAndButtons) {
    platform::HeadlessHost host;
    platform::install_host(&host);
    host.answer_message_box(IDNO);
    HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
    EXPECT_EQ(MessageBoxA(owner, "Save changes?", "Question", MB_YESNO), IDNO);
    auto seen = host.message_boxes();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].owner, owner);
    EXPECT_EQ(seen[0].text, "Save changes?");
    EXPECT_EQ(seen[0].caption, "Question");
    EXPECT_EQ(seen[0].type, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(seen[0].answer, IDNO);
    platform::install_host(nullptr);
}

TEST(MessageBox, ShownFromAnotherThreadIsRecordedWithThatThread) {
    platform::HeadlessHost host;
    platform::install_host(&host);
    host.answer_message_box(IDOK);
    DWORD worker = 0;
    int answer = 0;
    std::thread([&] {
        worker = GetCurrentThreadId();
        answer = MessageBoxA(NULL, "Error reading disk", "Error", MB_OK);
    }).join();
    EXPECT_EQ(answer, IDOK);
    ASSERT_EQ(host.message_boxes().size(), 1u);
    EXPECT_EQ(host.message_boxes()[0].thread, worker);
    EXPECT_NE(worker, GetCurrentThreadId());
    platform::install_host(nullptr);
}

TEST(MessageBox, MissingCaptionShowsError) {
    platform::HeadlessHost host;
    platform::install_host(&host);
    host.answer_message_box(IDOK);
    MessageBoxA(NULL, "text", NULL, MB_OK);
    EXPECT_EQ(host.message_boxes().at(0).caption, "Error");
    platform::install_host(nullptr);
}

TEST(MessageBox, WithoutAHostFailsWithZero) {
    platform::install_host(nullptr);
    EXPECT_EQ(MessageBoxA(NULL, "nobody sees this", "Test", MB_OK), 0);
}

TEST(MessageBoxDeathTest, ScriptThatRanOutEndsTheTestWithAReason) {
    EXPECT_DEATH(
        {
            platform::HeadlessHost host;
            platform::install_host(&host);
            MessageBoxA(NULL, "Error accessing contents of sector", "Data Error", MB_OK);
        },
        "script ran out.*Error accessing contents of sector");
}

}  // namespace
