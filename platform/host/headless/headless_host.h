// The host for tests: a scripted user. Each time the program waits for the
// user, the next step of the script runs; a step that cannot act yet (the
// window it wants is not there, no message box is up) is tried again at the
// next wait. What the user would have seen is recorded: message boxes, file
// and print dialogs, shell requests and printed pages. A script that has run
// out while the program waits, or a step that never becomes possible, ends
// the process with a message saying what the program waited for: a test
// fails rather than hang.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/host/host.h"

namespace platform {

// How long a step may stay "not yet": 10 s, or ORVASSE_STEP_TIMEOUT_MS
// (a mutation run wants a mutant that hangs a dialog to fail fast).
std::chrono::milliseconds default_step_timeout();

class HeadlessHost : public Host {
public:
    HeadlessHost();
    ~HeadlessHost() override;

    // ---- the script
    // A step is done when it returns true; false means "not yet".
    using Step = std::function<bool()>;
    void then(const std::string& description, Step step);
    // A step for while the program works without waiting for the user (a
    // long copy, an export): it runs when the program looks for input
    // between its own steps. A program that waits for the user first fails
    // the test.
    void while_busy(const std::string& description, Step step);
    // How long a step may stay "not yet" before the test fails.
    void set_step_timeout(std::chrono::milliseconds timeout) { step_timeout_ = timeout; }
    // Steps not run, leaving out the waits: a wait the program never came
    // to needed nothing.
    size_t unused_steps() const;

    // Finding what to act on: a shown top-level window by its caption, a
    // control of it by its identifier.
    using Target = std::function<HWND()>;
    static Target window(const std::string& caption);
    static Target item(const std::string& caption, int id);
    static Target handle(HWND hwnd);

    // Ready-made steps.
    void press_key(UINT vk, BYTE modifiers = 0);
    void press_key_with_character(UINT vk, BYTE modifiers, char character);
    void type_text(const std::string& text);  // as on a US keyboard, one key per step
    // Clicks the field, selects all it holds (Home, Shift+End) and types text over it.
    void type_over(Target field, const std::string& text);
    void click(Target target, POINT point = {2, 2});
    void click_character(Target edit, int position);
    void choose_menu_item(Target window, UINT id);
    void choose_combo_item(Target combo, int index);
    void close_window(Target window);
    void end_session();
    void answer_message_box(int button);
    // Answers every message box as soon as it opens, ahead of the script,
    // with what `answer` gives for it: for runs whose boxes cannot be
    // foreseen (a disk that may fail at any call). Null: boxes wait for the
    // script's answer_message_box steps again.
    struct MessageBoxSeen;
    using BoxAnswer = std::function<int(const MessageBoxSeen&)>;
    void answer_message_boxes(BoxAnswer answer);
    void choose_file(const std::string& path);
    void cancel_file_dialog();
    void print(int copies);
    void cancel_print_dialog();
    void check(const std::string& description, std::function<void()> observe);
    // From now on no program opens what the shell is asked to open (a
    // machine without a browser): ShellExecuteA fails. The requests are
    // still recorded.
    void refuse_shell_requests() { shell_refused_ = true; }
    void wait_until(const std::string& description, std::function<bool()> condition);

    // ---- what the user saw
    struct MessageBoxSeen {
        HWND owner;
        std::string text;
        std::string caption;
        UINT type;     // buttons and icon as passed
        int answer;    // 0 until answered
        DWORD thread;  // the thread that showed it
    };
    struct FileDialogSeen {
        bool save;
        HWND owner;
        std::string title;
        std::vector<std::pair<std::string, std::string>> filters;
        int filter_index;
        std::string initial_path;
        std::string default_extension;
        DWORD flags;
    };
    struct PrintDialogSeen {
        HWND owner;
        DWORD flags;
        int copies;
    };
    struct PrintedText {
        int x;
        int y;
        std::string text;  // the bytes drawn, zero bytes included
    };
    struct PrintedDocument {
        std::string name;
        std::vector<std::vector<PrintedText>> pages;
        bool ended = false;
        bool aborted = false;
        bool released = false;  // the device context it was printed on is deleted
    };
    std::vector<MessageBoxSeen> message_boxes() const;
    std::vector<FileDialogSeen> file_dialogs() const;
    std::vector<PrintDialogSeen> print_dialogs() const;
    std::vector<ShellRequest> shell_requests() const;
    std::vector<PrintedDocument> printed_documents() const;
    // Every text a static control was given, in order: progress shown while
    // the program does not wait for the user.
    struct StaticTextSeen {
        int id;  // the control's identifier
        std::string text;
    };
    std::vector<StaticTextSeen> static_texts() const;
    // For each end of the session: whether every window let it end.
    std::vector<bool> session_ends() const;
    // The font metrics the printer reports.
    TEXTMETRICA printer_metrics;

    // ---- Host
    void wait_for_input(const WaitContext& context) override;
    void wake() override;
    void poll_input() override;
    void modal_request_opened(ModalRequest* request) override;
    void modal_request_closed(ModalRequest* request) override;
    void window_changed(HWND hwnd, WindowChange change) override;
    HINSTANCE shell_execute(const ShellRequest& request) override;

private:
    class Printer;
    struct ScriptStep {
        std::string description;
        Step run;
        // A wait for the program (another thread, say) rather than an action.
        bool waits = false;
        bool busy = false;  // see while_busy
    };
    // The oldest open request of a kind, or null.
    ModalRequest* open_request(ModalRequest::Kind kind);
    void answer_file_dialog(bool accept, const std::string& path);
    // Answers the oldest open message box by the policy; false when none is open.
    bool answer_box_by_policy();
    void answer_box(ModalRequest* request, int button);
    BoxAnswer box_answer_;

    mutable std::mutex lock_;
    std::condition_variable woken_;
    bool wake_pending_ = false;
    std::deque<ScriptStep> steps_;
    bool running_step_ = false;
    std::chrono::steady_clock::time_point step_started_;
    std::chrono::milliseconds step_timeout_{default_step_timeout()};
    std::vector<ModalRequest*> open_;
    std::vector<MessageBoxSeen> boxes_;
    std::vector<const MessageBoxRequest*> box_requests_;  // parallel to boxes_ while open
    std::vector<FileDialogSeen> file_dialogs_;
    std::vector<PrintDialogSeen> print_dialogs_;
    std::vector<ShellRequest> shell_;
    std::atomic<bool> shell_refused_{false};
    std::vector<PrintedDocument> documents_;
    std::vector<StaticTextSeen> static_texts_;
    std::vector<bool> session_ends_;
};

// Writes what the program waited for and ends the process: a test whose
// script ran out must fail rather than wait for ever.
[[noreturn]] void script_ran_out(const std::string& waiting_for);
// Run just before that end: tests release what they hold outside the
// process (loop devices, mounts), which no destructor will.
void set_cleanup_before_abort(void (*cleanup)());

}  // namespace platform
