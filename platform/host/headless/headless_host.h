// The host for tests: a scripted user. Each time the program waits for the
// user the next step of the script answers; every message box is recorded.
// A script that has run out while the program waits ends the process with a
// message saying what it waited for, instead of hanging the test.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/host/host.h"

namespace platform {

class HeadlessHost : public Host {
public:
    struct MessageBoxSeen {
        HWND owner;
        std::string text;
        std::string caption;
        UINT type;    // buttons and icon as passed
        int answer;   // what the script answered
        DWORD thread; // the thread that showed it
    };

    // Script: the next message box is answered with button.
    void answer_message_box(int button);
    // How many scripted answers are still unused.
    size_t unused_answers() const;

    std::vector<MessageBoxSeen> message_boxes() const;
    void forget();  // drops records and unused answers

    int message_box(HWND owner, const char* text, const char* caption, UINT type) override;

private:
    mutable std::mutex lock_;
    std::deque<int> answers_;
    std::vector<MessageBoxSeen> seen_;
};

// Writes what the program waited for and ends the process: a test whose
// script ran out must fail rather than wait for ever.
[[noreturn]] void script_ran_out(const std::string& waiting_for);

}  // namespace platform
