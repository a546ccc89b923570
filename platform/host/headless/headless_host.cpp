#include "platform/host/headless/headless_host.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <strings.h>

#include "platform/user/input.h"
#include "platform/user/window_view.h"

namespace platform {

namespace {
std::atomic<void (*)()> cleanup_before_abort{nullptr};
}

void set_cleanup_before_abort(void (*cleanup)()) { cleanup_before_abort = cleanup; }

std::chrono::milliseconds default_step_timeout() {
    const char* told = std::getenv("ORVASSE_STEP_TIMEOUT_MS");
    long value = told ? std::atol(told) : 0;
    return std::chrono::milliseconds(value > 0 ? value : 10000);
}

void script_ran_out(const std::string& waiting_for) {
    std::fprintf(stderr, "headless host: the script ran out while the program waited for %s\n", waiting_for.c_str());
    std::fflush(stderr);
    if (void (*cleanup)() = cleanup_before_abort.exchange(nullptr)) cleanup();
    std::abort();
}

namespace {

std::string caption_of(HWND hwnd) {
    WindowView view;
    return view_window(hwnd, &view) ? view.text : std::string();
}

std::string describe(const WaitContext& context) {
    if (const ModalRequest* request = context.request) {
        switch (request->kind) {
        case ModalRequest::Kind::MessageBox: {
            auto* box = static_cast<const MessageBoxRequest*>(request);
            return "an answer to the message box \"" + box->text + "\" (caption \"" + box->caption + "\")";
        }
        case ModalRequest::Kind::OpenFile:
        case ModalRequest::Kind::SaveFile:
            return "the file dialog \"" + static_cast<const FileDialogRequest*>(request)->title + "\"";
        case ModalRequest::Kind::Print: return "the print dialog";
        }
    }
    if (context.modal_window) return "input to the modal dialog \"" + caption_of(context.modal_window) + "\"";
    std::string shown;
    for (HWND hwnd : top_level_windows()) {
        WindowView view;
        if (view_window(hwnd, &view) && view.visible) shown += (shown.empty() ? "\"" : ", \"") + view.text + "\"";
    }
    return "input in its message loop (windows shown: " + (shown.empty() ? std::string("none") : shown) + ")";
}

// The key that types a character on a US keyboard.
void us_key(char c, UINT* vk, BYTE* modifiers) {
    *modifiers = 0;
    unsigned char u = static_cast<unsigned char>(c);
    if (std::isalpha(u)) {
        *vk = static_cast<UINT>(std::toupper(u));
        if (std::isupper(u)) *modifiers = kInputShift;
        return;
    }
    if (std::isdigit(u)) {
        *vk = u;
        return;
    }
    const char* shifted_digits = ")!@#$%^&*(";
    if (const char* at = c ? std::strchr(shifted_digits, c) : nullptr) {
        *vk = static_cast<UINT>('0' + (at - shifted_digits));
        *modifiers = kInputShift;
        return;
    }
    struct Punct {
        char plain, shifted;
        UINT vk;
    } punctuation[] = {{';', ':', 0xBA}, {'=', '+', 0xBB}, {',', '<', 0xBC}, {'-', '_', 0xBD}, {'.', '>', 0xBE},
                       {'/', '?', 0xBF}, {'`', '~', 0xC0}, {'[', '{', 0xDB}, {'\\', '|', 0xDC}, {']', '}', 0xDD},
                       {'\'', '"', 0xDE}};
    for (const Punct& p : punctuation) {
        if (c == p.plain || c == p.shifted) {
            *vk = p.vk;
            if (c == p.shifted) *modifiers = kInputShift;
            return;
        }
    }
    switch (c) {
    case ' ': *vk = VK_SPACE; return;
    case '\r':
    case '\n': *vk = VK_RETURN; return;
    case '\t': *vk = VK_TAB; return;
    case '\b': *vk = VK_BACK; return;
    case 0x1B: *vk = VK_ESCAPE; return;
    default: *vk = 0xE7; return;  // VK_PACKET: a character no key makes
    }
}

// Where the default grid puts a character of an edit's text.
POINT character_point(HWND edit, int position) {
    WindowView view;
    view_window(edit, &view);
    const std::string& text = view.text;
    int line = 0;
    int start = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos && static_cast<int>(at) < position;
         at = text.find("\r\n", at + 2)) {
        ++line;
        start = static_cast<int>(at) + 2;
    }
    int column = position - start;
    return {column * kGridCharWidth + 1, line * kGridLineHeight + 1};
}

}  // namespace

class HeadlessHost::Printer : public PrinterDevice {
public:
    explicit Printer(HeadlessHost* host) : host_(host) {}
    // The last device context on it is gone.
    ~Printer() override {
        std::lock_guard<std::mutex> hold(host_->lock_);
        if (started_) host_->documents_[document_].released = true;
    }
    TEXTMETRICA text_metrics() override { return host_->printer_metrics; }
    int device_caps(int index) override {
        switch (index) {
        case HORZRES: return 4800;
        case VERTRES: return 6600;
        case LOGPIXELSX:
        case LOGPIXELSY: return 600;
        default: return 0;
        }
    }
    int start_doc(const std::string& name) override {
        std::lock_guard<std::mutex> hold(host_->lock_);
        host_->documents_.push_back(PrintedDocument{name, {}, false, false});
        document_ = host_->documents_.size() - 1;
        started_ = true;
        return static_cast<int>(document_ + 1);
    }
    int start_page() override {
        std::lock_guard<std::mutex> hold(host_->lock_);
        host_->documents_[document_].pages.emplace_back();
        return 1;
    }
    bool text_out(int x, int y, const std::string& bytes) override {
        std::lock_guard<std::mutex> hold(host_->lock_);
        auto& pages = host_->documents_[document_].pages;
        if (pages.empty()) return false;
        pages.back().push_back(PrintedText{x, y, bytes});
        return true;
    }
    int end_page() override { return 1; }
    int end_doc() override {
        std::lock_guard<std::mutex> hold(host_->lock_);
        host_->documents_[document_].ended = true;
        return 1;
    }
    int abort_doc() override {
        std::lock_guard<std::mutex> hold(host_->lock_);
        host_->documents_[document_].aborted = true;
        return 1;
    }

private:
    HeadlessHost* host_;
    size_t document_ = 0;
    bool started_ = false;
};

HeadlessHost::HeadlessHost() {
    memset(&printer_metrics, 0, sizeof printer_metrics);
    printer_metrics.tmHeight = 50;
    printer_metrics.tmAscent = 40;
    printer_metrics.tmDescent = 10;
    printer_metrics.tmExternalLeading = 4;
    printer_metrics.tmAveCharWidth = 30;
    printer_metrics.tmMaxCharWidth = 30;
    printer_metrics.tmWeight = 400;
    step_started_ = std::chrono::steady_clock::now();
}

HeadlessHost::~HeadlessHost() = default;

void HeadlessHost::then(const std::string& description, Step step) {
    std::lock_guard<std::mutex> hold(lock_);
    if (steps_.empty()) step_started_ = std::chrono::steady_clock::now();
    steps_.push_back(ScriptStep{description, std::move(step), false});
}

void HeadlessHost::while_busy(const std::string& description, Step step) {
    std::lock_guard<std::mutex> hold(lock_);
    if (steps_.empty()) step_started_ = std::chrono::steady_clock::now();
    steps_.push_back(ScriptStep{description, std::move(step), false, true});
}

size_t HeadlessHost::unused_steps() const {
    std::lock_guard<std::mutex> hold(lock_);
    return static_cast<size_t>(
        std::count_if(steps_.begin(), steps_.end(), [](const ScriptStep& step) { return !step.waits; }));
}

HeadlessHost::Target HeadlessHost::window(const std::string& caption) {
    return [caption]() -> HWND {
        std::vector<HWND> windows = top_level_windows();
        for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
            WindowView view;
            if (view_window(*it, &view) && view.visible && view.text == caption) return *it;
        }
        return nullptr;
    };
}

HeadlessHost::Target HeadlessHost::item(const std::string& caption, int id) {
    Target dialog = window(caption);
    return [dialog, id]() -> HWND {
        HWND parent = dialog();
        if (!parent) return nullptr;
        for (HWND child : child_windows(parent))
            if (GetDlgCtrlID(child) == id) return child;
        return nullptr;
    };
}

HeadlessHost::Target HeadlessHost::handle(HWND hwnd) {
    return [hwnd]() { return IsWindow(hwnd) ? hwnd : nullptr; };
}

void HeadlessHost::press_key(UINT vk, BYTE modifiers) {
    then("press key " + std::to_string(vk),
         [vk, modifiers] { return input_key(vk, modifiers, us_layout_character(vk, modifiers)); });
}

void HeadlessHost::press_key_with_character(UINT vk, BYTE modifiers, char character) {
    then("press key " + std::to_string(vk), [vk, modifiers, character] { return input_key(vk, modifiers, character); });
}

void HeadlessHost::type_text(const std::string& text) {
    for (char c : text) {
        UINT vk = 0;
        BYTE modifiers = 0;
        us_key(c, &vk, &modifiers);
        then(std::string("type '") + c + "'", [vk, modifiers, c] { return input_key(vk, modifiers, c); });
    }
}

void HeadlessHost::type_over(Target field, const std::string& text) {
    click(field);
    press_key(VK_HOME);
    press_key(VK_END, kInputShift);
    type_text(text);
}

void HeadlessHost::click(Target target, POINT point) {
    then("click", [target, point] {
        HWND hwnd = target();
        return hwnd && input_click(hwnd, point, 0);
    });
}

void HeadlessHost::click_character(Target edit, int position) {
    then("click character " + std::to_string(position), [edit, position] {
        HWND hwnd = edit();
        return hwnd && input_click(hwnd, character_point(hwnd, position), 0);
    });
}

void HeadlessHost::choose_menu_item(Target window, UINT id) {
    then("choose menu item " + std::to_string(id), [window, id] {
        HWND hwnd = window();
        return hwnd && input_choose_menu_item(hwnd, id);
    });
}

void HeadlessHost::choose_combo_item(Target combo, int index) {
    then("choose combo box entry " + std::to_string(index), [combo, index] {
        HWND hwnd = combo();
        return hwnd && input_choose_combo_item(hwnd, index);
    });
}

void HeadlessHost::close_window(Target window) {
    then("close a window", [window] {
        HWND hwnd = window();
        return hwnd && input_close(hwnd);
    });
}

void HeadlessHost::end_session() {
    then("end the desktop session", [this] {
        bool agreed = input_end_session();
        std::lock_guard<std::mutex> hold(lock_);
        session_ends_.push_back(agreed);
        return true;
    });
}

void HeadlessHost::answer_box(ModalRequest* request, int button) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        for (size_t i = 0; i < box_requests_.size(); ++i)
            if (box_requests_[i] == request) boxes_[i].answer = button;
    }
    static_cast<MessageBoxRequest*>(request)->answer = button;
    complete_modal_request(request);
}

void HeadlessHost::answer_message_box(int button) {
    then("answer a message box with " + std::to_string(button), [this, button] {
        ModalRequest* request = open_request(ModalRequest::Kind::MessageBox);
        if (!request) return false;
        answer_box(request, button);
        return true;
    });
}

void HeadlessHost::answer_message_boxes(BoxAnswer answer) {
    std::lock_guard<std::mutex> hold(lock_);
    box_answer_ = std::move(answer);
}

bool HeadlessHost::answer_box_by_policy() {
    BoxAnswer answer;
    MessageBoxSeen seen{};
    ModalRequest* request = nullptr;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!box_answer_) return false;
        for (size_t i = 0; i < box_requests_.size() && !request; ++i) {
            if (box_requests_[i] && !box_requests_[i]->done) {
                request = const_cast<MessageBoxRequest*>(box_requests_[i]);
                seen = boxes_[i];
            }
        }
        if (!request) return false;
        answer = box_answer_;
    }
    answer_box(request, answer(seen));
    return true;
}

void HeadlessHost::answer_file_dialog(bool accept, const std::string& path) {
    then(accept ? "choose the file " + path : "cancel the file dialog", [this, accept, path] {
        ModalRequest* request = open_request(ModalRequest::Kind::OpenFile);
        if (!request) request = open_request(ModalRequest::Kind::SaveFile);
        if (!request) return false;
        auto* file = static_cast<FileDialogRequest*>(request);
        file->accepted = accept;
        file->path = path;
        complete_modal_request(file);
        return true;
    });
}

void HeadlessHost::choose_file(const std::string& path) { answer_file_dialog(true, path); }

void HeadlessHost::cancel_file_dialog() { answer_file_dialog(false, ""); }

void HeadlessHost::print(int copies) {
    then("print " + std::to_string(copies) + " copies", [this, copies] {
        auto* request = static_cast<PrintDialogRequest*>(open_request(ModalRequest::Kind::Print));
        if (!request) return false;
        request->accepted = true;
        request->copies = copies;
        request->printer = std::make_shared<Printer>(this);
        complete_modal_request(request);
        return true;
    });
}

void HeadlessHost::cancel_print_dialog() {
    then("cancel the print dialog", [this] {
        ModalRequest* request = open_request(ModalRequest::Kind::Print);
        if (!request) return false;
        complete_modal_request(request);
        return true;
    });
}

void HeadlessHost::check(const std::string& description, std::function<void()> observe) {
    then(description, [observe] {
        observe();
        return true;
    });
}

void HeadlessHost::wait_until(const std::string& description, std::function<bool()> condition) {
    std::lock_guard<std::mutex> hold(lock_);
    if (steps_.empty()) step_started_ = std::chrono::steady_clock::now();
    steps_.push_back(ScriptStep{description, std::move(condition), true});
}

std::vector<HeadlessHost::MessageBoxSeen> HeadlessHost::message_boxes() const {
    std::lock_guard<std::mutex> hold(lock_);
    return boxes_;
}

std::vector<HeadlessHost::FileDialogSeen> HeadlessHost::file_dialogs() const {
    std::lock_guard<std::mutex> hold(lock_);
    return file_dialogs_;
}

std::vector<HeadlessHost::PrintDialogSeen> HeadlessHost::print_dialogs() const {
    std::lock_guard<std::mutex> hold(lock_);
    return print_dialogs_;
}

std::vector<ShellRequest> HeadlessHost::shell_requests() const {
    std::lock_guard<std::mutex> hold(lock_);
    return shell_;
}

std::vector<HeadlessHost::PrintedDocument> HeadlessHost::printed_documents() const {
    std::lock_guard<std::mutex> hold(lock_);
    return documents_;
}

std::vector<HeadlessHost::StaticTextSeen> HeadlessHost::static_texts() const {
    std::lock_guard<std::mutex> hold(lock_);
    return static_texts_;
}

void HeadlessHost::window_changed(HWND hwnd, WindowChange change) {
    if (change != WindowChange::Text) return;
    WindowView view;
    if (!view_window(hwnd, &view) || strcasecmp(view.class_name.c_str(), "Static") != 0) return;
    std::lock_guard<std::mutex> hold(lock_);
    static_texts_.push_back(StaticTextSeen{view.id, view.text});
}

std::vector<bool> HeadlessHost::session_ends() const {
    std::lock_guard<std::mutex> hold(lock_);
    return session_ends_;
}

ModalRequest* HeadlessHost::open_request(ModalRequest::Kind kind) {
    std::lock_guard<std::mutex> hold(lock_);
    for (ModalRequest* request : open_)
        if (request->kind == kind && !request->done) return request;
    return nullptr;
}

void HeadlessHost::wait_for_input(const WaitContext& context) {
    std::unique_lock<std::mutex> hold(lock_);
    if (running_step_) {
        hold.unlock();
        script_ran_out(describe(context) + " inside a step of the script: steps must give input, not call the program");
    }
    hold.unlock();
    if (answer_box_by_policy()) return;
    hold.lock();
    if (steps_.empty()) {
        hold.unlock();
        script_ran_out(describe(context));
    }
    ScriptStep step = steps_.front();
    if (step.busy) {
        hold.unlock();
        script_ran_out(describe(context) + ", but the step \"" + step.description + "\" is for while it works");
    }
    running_step_ = true;
    hold.unlock();
    bool done = step.run();
    hold.lock();
    running_step_ = false;
    auto now = std::chrono::steady_clock::now();
    if (done) {
        steps_.pop_front();
        step_started_ = now;
        return;
    }
    if (now - step_started_ > step_timeout_) {
        hold.unlock();
        script_ran_out(describe(context) + "; the step \"" + step.description + "\" never became possible");
    }
    woken_.wait_for(hold, std::chrono::milliseconds(5), [this] { return wake_pending_; });
    wake_pending_ = false;
}

// The program is busy and only looks: the next step runs if it is one for
// such a time; a script that has run out is no failure, since the program
// does not wait.
void HeadlessHost::poll_input() {
    std::unique_lock<std::mutex> hold(lock_);
    if (running_step_ || steps_.empty() || !steps_.front().busy) return;
    ScriptStep step = steps_.front();
    running_step_ = true;
    hold.unlock();
    bool done = step.run();
    hold.lock();
    running_step_ = false;
    if (!done) return;
    steps_.pop_front();
    step_started_ = std::chrono::steady_clock::now();
}

void HeadlessHost::wake() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        wake_pending_ = true;
    }
    woken_.notify_all();
}

void HeadlessHost::modal_request_opened(ModalRequest* request) {
    std::lock_guard<std::mutex> hold(lock_);
    open_.push_back(request);
    switch (request->kind) {
    case ModalRequest::Kind::MessageBox: {
        auto* box = static_cast<MessageBoxRequest*>(request);
        boxes_.push_back(MessageBoxSeen{box->owner, box->text, box->caption, box->type, 0, box->thread});
        box_requests_.push_back(box);
        break;
    }
    case ModalRequest::Kind::OpenFile:
    case ModalRequest::Kind::SaveFile: {
        auto* file = static_cast<FileDialogRequest*>(request);
        file_dialogs_.push_back(FileDialogSeen{request->kind == ModalRequest::Kind::SaveFile, file->owner, file->title,
                                               file->filters, file->filter_index, file->initial_path,
                                               file->default_extension, file->flags});
        break;
    }
    case ModalRequest::Kind::Print: {
        auto* print = static_cast<PrintDialogRequest*>(request);
        print_dialogs_.push_back(PrintDialogSeen{print->owner, print->flags, print->copies});
        break;
    }
    }
    wake_pending_ = true;
    woken_.notify_all();
}

void HeadlessHost::modal_request_closed(ModalRequest* request) {
    std::lock_guard<std::mutex> hold(lock_);
    open_.erase(std::remove(open_.begin(), open_.end(), request), open_.end());
    for (auto& seen : box_requests_)
        if (seen == request) seen = nullptr;
}

HINSTANCE HeadlessHost::shell_execute(const ShellRequest& request) {
    std::lock_guard<std::mutex> hold(lock_);
    shell_.push_back(request);
    return reinterpret_cast<HINSTANCE>(static_cast<LONG_PTR>(shell_refused_ ? SE_ERR_NOASSOC : 42));
}

}  // namespace platform
