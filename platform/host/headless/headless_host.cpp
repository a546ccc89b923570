#include "platform/host/headless/headless_host.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

void script_ran_out(const std::string& waiting_for) {
    std::fprintf(stderr, "headless host: the script ran out while the program waited for %s\n", waiting_for.c_str());
    std::fflush(stderr);
    std::abort();
}

void HeadlessHost::answer_message_box(int button) {
    std::lock_guard<std::mutex> hold(lock_);
    answers_.push_back(button);
}

size_t HeadlessHost::unused_answers() const {
    std::lock_guard<std::mutex> hold(lock_);
    return answers_.size();
}

std::vector<HeadlessHost::MessageBoxSeen> HeadlessHost::message_boxes() const {
    std::lock_guard<std::mutex> hold(lock_);
    return seen_;
}

void HeadlessHost::forget() {
    std::lock_guard<std::mutex> hold(lock_);
    answers_.clear();
    seen_.clear();
}

int HeadlessHost::message_box(HWND owner, const char* text, const char* caption, UINT type) {
    std::string shown_text = text ? text : "";
    std::string shown_caption = caption ? caption : "Error";
    std::lock_guard<std::mutex> hold(lock_);
    if (answers_.empty())
        script_ran_out("an answer to the message box \"" + shown_text + "\" (caption \"" + shown_caption + "\")");
    int answer = answers_.front();
    answers_.pop_front();
    seen_.push_back(MessageBoxSeen{owner, shown_text, shown_caption, type, answer, GetCurrentThreadId()});
    return answer;
}

}  // namespace platform
