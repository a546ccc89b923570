// The message queue of a thread: posted messages, input from the host and
// messages sent by other threads, served as Windows serves them.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/host/host.h"
#include "platform/win32.h"

namespace platform {

struct ThreadQueue;

struct SentMessage {
    MSG msg{};
    LRESULT result = 0;
    bool done = false;
    std::shared_ptr<ThreadQueue> sender;
};

// Modifier keys held, as the host reported them with a key or mouse event.
enum : BYTE { kShift = 1, kControl = 2, kAlt = 4, kCapsLock = 8 };

struct InputEvent {
    MSG msg{};
    BYTE modifiers = 0;
    char character = 0;  // what the key produces, for TranslateMessage
};

struct ThreadQueue {
    DWORD thread = 0;

    // Shared with other threads, under the lock.
    std::mutex lock;
    std::condition_variable changed;
    std::deque<MSG> posted;
    std::deque<InputEvent> input;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool quit = false;
    int quit_code = 0;

    // The thread's own.
    HWND focus = nullptr;
    HWND active = nullptr;
    BYTE modifiers = 0;
    BYTE key_down[256] = {};
    MSG last_key{};         // the last key message retrieved ...
    char last_key_char = 0;  // ... and the character it produces
    int in_send = 0;
    int dispatch_depth = 0;
};

ThreadQueue& current_queue();
std::shared_ptr<ThreadQueue> queue_of(DWORD thread);

// Wakes the thread that owns the queue (and the host, for the user-interface thread).
void wake_queue(ThreadQueue& queue);

// Serves the messages other threads sent to this one.
void serve_sent_messages(ThreadQueue& queue);

// Waits until something arrives, letting the host run the user's input when
// this is the user-interface thread.
void wait_for_messages(ThreadQueue& queue, const WaitContext& context);

// Input from the host, delivered to the queue of the thread that owns hwnd.
void post_input(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, BYTE modifiers, char character);

// Runs the messages of the thread until the host has answered the request,
// as the modal loops of message boxes and common dialogs do.
void run_modal_request(ModalRequest* request);

// Calls the window procedure of hwnd on this thread.
LRESULT call_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace platform
