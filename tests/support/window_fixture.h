// What every window-system test stands on: the headless host as the user,
// the test dialogs as a module's resources, and a clean slate afterwards.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "platform/host/headless/headless_host.h"
#include "platform/win32.h"

namespace testing_support {

// The module whose resources are the test dialogs, menu and keys.
HINSTANCE conformance_module();
// The module whose resources are the program's own.
HINSTANCE program_module();

// Destroys every window left and drops every message, the quit included:
// what a test leaves must not reach the next one.
void clear_windows_and_messages();

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the thread's messages, as a message loop does, until done() holds.
    // Each wait lets the script take one step.
    void pump_until(const std::function<bool()>& done);

    platform::HeadlessHost host_;
};

}  // namespace testing_support
