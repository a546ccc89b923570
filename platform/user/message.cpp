// Message queues: posting, sending (also across threads), retrieval with
// filters, translation of keys into characters, dispatching, and the modal
// waits of message boxes and common dialogs.
#include <chrono>
#include <unordered_map>

#include "platform/kernel/handles.h"
#include "platform/user/input.h"
#include "platform/user/queue.h"
#include "platform/user/window.h"

namespace platform {

namespace {

std::mutex registry_lock;
std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> queues;

// Each thread's queue lives as long as the thread.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder() {
        if (!queue) return;
        std::lock_guard<std::mutex> hold(registry_lock);
        queues.erase(queue->thread);
    }
};
thread_local QueueHolder holder;

DWORD message_time() {
    using namespace std::chrono;
    return static_cast<DWORD>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

MSG make_msg(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wparam;
    msg.lParam = lparam;
    msg.time = message_time();
    return msg;
}

bool matches(const MSG& msg, HWND hwnd, UINT first, UINT last) {
    if (first != 0 || last != 0) {
        if (msg.message < first || msg.message > last) return false;
    }
    if (!hwnd) return true;
    if (hwnd == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))) return msg.hwnd == nullptr;
    return is_child_of(hwnd, msg.hwnd);
}

bool is_key_message(UINT message) {
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
}

bool peek(ThreadQueue& queue, MSG* out, HWND hwnd, UINT first, UINT last, bool remove) {
    serve_sent_messages(queue);
    std::lock_guard<std::mutex> hold(queue.lock);
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (!matches(*it, hwnd, first, last)) continue;
        *out = *it;
        if (remove) queue.posted.erase(it);
        return true;
    }
    // As on Windows: the quit request comes after the posted messages and
    // before the input.
    if (queue.quit && ((first == 0 && last == 0) || (first <= WM_QUIT && WM_QUIT <= last))) {
        *out = make_msg(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quit_code), 0);
        if (remove) queue.quit = false;
        return true;
    }
    for (auto it = queue.input.begin(); it != queue.input.end(); ++it) {
        if (!matches(it->msg, hwnd, first, last)) continue;
        *out = it->msg;
        if (remove) {
            // The key state is the state as of the message last retrieved.
            queue.modifiers = it->modifiers;
            UINT message = it->msg.message;
            if (is_key_message(message)) {
                BYTE vk = static_cast<BYTE>(it->msg.wParam);
                queue.key_down[vk] = (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) ? 1 : 0;
                queue.last_key = it->msg;
                queue.last_key_char = it->character;
            }
            queue.input.erase(it);
        }
        return true;
    }
    return false;
}

}  // namespace

ThreadQueue& current_queue() {
    if (!holder.queue) {
        auto queue = std::make_shared<ThreadQueue>();
        queue->thread = GetCurrentThreadId();
        std::lock_guard<std::mutex> hold(registry_lock);
        queues[queue->thread] = queue;
        holder.queue = queue;
    }
    return *holder.queue;
}

std::shared_ptr<ThreadQueue> queue_of(DWORD thread) {
    std::lock_guard<std::mutex> hold(registry_lock);
    auto found = queues.find(thread);
    return found == queues.end() ? nullptr : found->second;
}

void wake_queue(ThreadQueue& queue) {
    // Taking the lock orders this wake after a waiter's check of its predicate.
    { std::lock_guard<std::mutex> hold(queue.lock); }
    queue.changed.notify_all();
    Host* host = current_host();
    if (host && host->ui_thread == queue.thread) host->wake();
}

void serve_sent_messages(ThreadQueue& queue) {
    for (;;) {
        std::shared_ptr<SentMessage> sent;
        {
            std::lock_guard<std::mutex> hold(queue.lock);
            if (queue.sent.empty()) return;
            sent = queue.sent.front();
            queue.sent.pop_front();
        }
        ++queue.in_send;
        LRESULT result = call_window_proc(sent->msg.hwnd, sent->msg.message, sent->msg.wParam, sent->msg.lParam);
        --queue.in_send;
        {
            std::lock_guard<std::mutex> hold(sent->sender->lock);
            sent->result = result;
            sent->done = true;
        }
        sent->sender->changed.notify_all();
    }
}

void wait_for_messages(ThreadQueue& queue, const WaitContext& context) {
    Host* host = current_host();
    if (host && host->ui_thread == queue.thread) {
        host->wait_for_input(context);
        return;
    }
    std::unique_lock<std::mutex> hold(queue.lock);
    queue.changed.wait_for(hold, std::chrono::milliseconds(100), [&] {
        return !queue.posted.empty() || !queue.input.empty() || !queue.sent.empty() || queue.quit ||
               (context.request && context.request->done);
    });
}

void post_input(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, BYTE modifiers, char character) {
    Window* window = find_window(hwnd);
    if (!window) return;
    auto queue = queue_of(window->thread);
    if (!queue) return;
    {
        std::lock_guard<std::mutex> hold(queue->lock);
        InputEvent event;
        event.msg = make_msg(hwnd, message, wparam, lparam);
        event.modifiers = modifiers;
        event.character = character;
        queue->input.push_back(event);
    }
    wake_queue(*queue);
}

LRESULT call_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    WNDPROC proc = nullptr;
    if (Window* window = find_window(hwnd)) proc = window->proc;
    if (!proc) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    ThreadQueue& queue = current_queue();
    ++queue.dispatch_depth;
    LRESULT result = proc(hwnd, message, wparam, lparam);
    --queue.dispatch_depth;
    return result;
}

void complete_modal_request(ModalRequest* request) {
    request->done = true;
    if (auto queue = queue_of(request->thread)) wake_queue(*queue);
}

void run_modal_request(ModalRequest* request) {
    ThreadQueue& queue = current_queue();
    request->thread = queue.thread;
    Host* host = current_host();
    if (!host) return;

    // The owner cannot be used while its box or dialog is up, and the keys
    // go to the box, not to the window that had the focus.
    HWND owner = request->owner ? top_level_of(request->owner) : nullptr;
    Window* owner_window = find_window(owner);
    bool disabled_owner = false;
    if (owner_window && owner_window->thread == queue.thread && IsWindowEnabled(owner)) {
        EnableWindow(owner, FALSE);
        disabled_owner = true;
    }
    // The box or dialog takes the activation and the keys; the window that
    // had them gets them back when it closes.
    HWND had_active = queue.active;
    HWND had_focus = queue.focus;
    if (had_active) activate(nullptr);
    if (queue.focus) SetFocus(nullptr);

    host->modal_request_opened(request);
    WaitContext context;
    context.request = request;
    while (!request->done) {
        MSG msg;
        if (!peek(queue, &msg, nullptr, 0, 0, true)) {
            wait_for_messages(queue, context);
            continue;
        }
        if (msg.message == WM_QUIT) {
            // The program is ending: the request ends unanswered and the quit
            // goes on to the loop outside.
            PostQuitMessage(static_cast<int>(msg.wParam));
            request->done = true;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    host->modal_request_closed(request);

    if (disabled_owner && IsWindow(owner)) EnableWindow(owner, TRUE);
    if (had_active && IsWindow(had_active) && IsWindowEnabled(had_active) && !queue.active) activate(had_active);
    // A dialog has put its control back on activation; a window without the
    // dialog manager gets back the child that had the focus.
    HWND focus = queue.focus;
    if (had_focus && IsWindow(had_focus) && had_focus != focus && (!focus || focus == queue.active)) SetFocus(had_focus);
}

}  // namespace platform

using namespace platform;

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<ThreadQueue> queue;
    if (!hWnd) {
        current_queue();
        queue = holder.queue;
    } else {
        DWORD thread = window_thread_or_error(hWnd);
        if (!thread) return FALSE;
        queue = queue_of(thread);
    }
    if (!queue) return fail_with(ERROR_INVALID_WINDOW_HANDLE);
    {
        std::lock_guard<std::mutex> hold(queue->lock);
        queue->posted.push_back(make_msg(hWnd, Msg, wParam, lParam));
    }
    wake_queue(*queue);
    return TRUE;
}

BOOL WINAPI PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
    auto queue = queue_of(idThread);
    if (!queue) return fail_with(ERROR_INVALID_THREAD_ID);
    {
        std::lock_guard<std::mutex> hold(queue->lock);
        queue->posted.push_back(make_msg(nullptr, Msg, wParam, lParam));
    }
    wake_queue(*queue);
    return TRUE;
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    DWORD thread = window_thread_or_error(hWnd);
    if (!thread) return 0;
    ThreadQueue& queue = current_queue();
    if (thread == queue.thread) return call_window_proc(hWnd, Msg, wParam, lParam);

    // Another thread's window: queue the message there and wait for the
    // reply, serving what is sent to this thread meanwhile.
    auto target = queue_of(thread);
    if (!target) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    auto sent = std::make_shared<SentMessage>();
    sent->msg = make_msg(hWnd, Msg, wParam, lParam);
    sent->sender = holder.queue;
    {
        std::lock_guard<std::mutex> hold(target->lock);
        target->sent.push_back(sent);
    }
    wake_queue(*target);
    for (;;) {
        {
            std::unique_lock<std::mutex> hold(queue.lock);
            queue.changed.wait(hold, [&] { return sent->done || !queue.sent.empty(); });
            if (sent->done) break;
        }
        serve_sent_messages(queue);
    }
    return sent->result;
}

void WINAPI PostQuitMessage(int nExitCode) {
    ThreadQueue& queue = current_queue();
    {
        std::lock_guard<std::mutex> hold(queue.lock);
        queue.quit = true;
        queue.quit_code = nExitCode;
    }
    queue.changed.notify_all();
}

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    if (!lpMsg) return fail_with(ERROR_INVALID_PARAMETER);
    ThreadQueue& queue = current_queue();
    if (queue.dispatch_depth == 0) collect_destroyed_windows();
    return peek(queue, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0);
}

// Only the form a busy program uses between its steps: no handles, and a
// time of 0 or a wait for anything of the queue. The host may hand over
// input that has come meanwhile.
DWORD WINAPI MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL, DWORD dwMilliseconds,
                                       DWORD dwWakeMask) {
    if (nCount != 0 || pHandles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    ThreadQueue& queue = current_queue();
    auto has_any = [&queue] {
        std::lock_guard<std::mutex> hold(queue.lock);
        return !queue.posted.empty() || !queue.input.empty() || !queue.sent.empty() || queue.quit;
    };
    Host* host = current_host();
    if (host && host->ui_thread == queue.thread) host->poll_input();
    if (has_any()) return WAIT_OBJECT_0;
    if (dwMilliseconds == 0 || dwWakeMask == 0) return WAIT_TIMEOUT;
    wait_for_messages(queue, WaitContext{});
    return has_any() ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    if (!lpMsg) return fail_with(ERROR_INVALID_PARAMETER);
    ThreadQueue& queue = current_queue();
    if (queue.dispatch_depth == 0) collect_destroyed_windows();
    while (!peek(queue, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true)) wait_for_messages(queue, WaitContext{});
    return lpMsg->message != WM_QUIT;
}

BOOL WINAPI WaitMessage(void) {
    ThreadQueue& queue = current_queue();
    MSG msg;
    while (!peek(queue, &msg, nullptr, 0, 0, false)) wait_for_messages(queue, WaitContext{});
    return TRUE;
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
    if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN)) return FALSE;
    ThreadQueue& queue = current_queue();
    const MSG& last = queue.last_key;
    bool from_host = last.hwnd == lpMsg->hwnd && last.message == lpMsg->message && last.wParam == lpMsg->wParam &&
                     last.lParam == lpMsg->lParam;
    // A key message a program posted itself makes the character of a US keyboard.
    char character = from_host ? queue.last_key_char : us_layout_character(static_cast<UINT>(lpMsg->wParam), queue.modifiers);
    if (!character) return FALSE;
    UINT message = lpMsg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    PostMessageA(lpMsg->hwnd, message, static_cast<BYTE>(character), lpMsg->lParam);
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!lpMsg->hwnd) return 0;
    Window* window = window_or_error(lpMsg->hwnd);
    if (!window) return 0;
    if (window->thread != GetCurrentThreadId()) {
        SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
        return 0;
    }
    return call_window_proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

BOOL WINAPI InSendMessage(void) { return current_queue().in_send > 0; }

SHORT WINAPI GetKeyState(int nVirtKey) {
    ThreadQueue& queue = current_queue();
    const SHORT down = static_cast<SHORT>(0x8000);
    switch (nVirtKey) {
    case VK_SHIFT: return (queue.modifiers & kShift) ? down : 0;
    case VK_CONTROL: return (queue.modifiers & kControl) ? down : 0;
    case VK_MENU: return (queue.modifiers & kAlt) ? down : 0;
    case VK_CAPITAL: return (queue.modifiers & kCapsLock) ? 1 : 0;
    default: return (nVirtKey >= 0 && nVirtKey < 256 && queue.key_down[nVirtKey]) ? down : 0;
    }
}

SHORT WINAPI GetAsyncKeyState(int vKey) { return GetKeyState(vKey); }
