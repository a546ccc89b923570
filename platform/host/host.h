// What a host implements: the part of the window system that a person (or a
// test standing in for one) sees and answers. The window system keeps every
// window's state; the host shows it, turns the user's actions into input
// messages, and answers the modal requests (message boxes, file and print
// dialogs) and the shell's.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"

namespace platform {

// What changed of a window, for the host to show it anew.
enum class WindowChange {
    Created,
    Destroyed,
    Visibility,
    Enabled,
    Text,
    Selection,
    Focus,
    Icon,
    Menu,
    Check,
    Items,
    Image,
    Geometry,
};

// A request that blocks the program until the host answers it. The thread
// that made it waits (serving the messages sent to it) until the host calls
// complete_modal_request; the host may answer from any thread.
struct ModalRequest {
    enum class Kind { MessageBox, OpenFile, SaveFile, Print };
    explicit ModalRequest(Kind k) : kind(k) {}
    virtual ~ModalRequest() = default;
    const Kind kind;
    HWND owner = nullptr;
    DWORD thread = 0;  // the waiting thread
    std::atomic<bool> done{false};
};

// The host has filled in the answer.
void complete_modal_request(ModalRequest* request);

struct MessageBoxRequest : ModalRequest {
    MessageBoxRequest() : ModalRequest(Kind::MessageBox) {}
    std::string text;
    std::string caption;
    UINT type = 0;
    int answer = 0;  // IDOK, IDYES, ...
};

struct FileDialogRequest : ModalRequest {
    explicit FileDialogRequest(bool save) : ModalRequest(save ? Kind::SaveFile : Kind::OpenFile) {}
    std::string title;
    std::vector<std::pair<std::string, std::string>> filters;  // description, pattern
    int filter_index = 1;                                      // 1-based, as OPENFILENAMEA counts
    std::string initial_path;
    std::string default_extension;
    DWORD flags = 0;
    // The caller's buffer for the path, the terminating zero included; 0 for none.
    DWORD max_path = 0;
    // The answer.
    bool accepted = false;
    std::string path;
};

// A printer as the host drives it, behind a printer device context.
class PrinterDevice {
public:
    virtual ~PrinterDevice() = default;
    virtual TEXTMETRICA text_metrics() = 0;
    virtual int device_caps(int index) = 0;
    // Results as the GDI calls give them: > 0 (or nonzero) on success.
    virtual int start_doc(const std::string& name) = 0;
    virtual int start_page() = 0;
    virtual bool text_out(int x, int y, const std::string& bytes) = 0;
    virtual int end_page() = 0;
    virtual int end_doc() = 0;
    virtual int abort_doc() = 0;
};

struct PrintDialogRequest : ModalRequest {
    PrintDialogRequest() : ModalRequest(Kind::Print) {}
    DWORD flags = 0;
    int copies = 1;
    // The answer.
    bool accepted = false;
    std::shared_ptr<PrinterDevice> printer;
};

struct ShellRequest {
    HWND owner = nullptr;
    std::string verb;
    std::string file;
    std::string parameters;
    std::string directory;
    int show = 0;
};

// Where the program waits when it waits for the user.
struct WaitContext {
    HWND modal_window = nullptr;              // the modal dialog it runs, if any
    const ModalRequest* request = nullptr;    // the request it waits for, if any
};

// The size of a character cell that the default mapping of edit positions
// uses (the headless host keeps it; a drawing host has its own fonts).
constexpr int kGridCharWidth = 8;
constexpr int kGridLineHeight = 16;

// The work area of a host without a screen.
constexpr RECT kDefaultWorkArea = {0, 0, 1024, 768};

class Host {
public:
    virtual ~Host() = default;

    // The user-interface thread has nothing to do: let the user act. Returns
    // when input may have arrived, or when wake() was called.
    virtual void wait_for_input(const WaitContext& context) = 0;
    // Another thread has queued something for the user-interface thread.
    virtual void wake() = 0;
    // The user-interface thread looks for input without waiting for any
    // (MsgWaitForMultipleObjects with a time of 0): input that has come may
    // be taken now.
    virtual void poll_input() {}

    // A modal request is up; answer it with complete_modal_request.
    virtual void modal_request_opened(ModalRequest* request) = 0;
    virtual void modal_request_closed(ModalRequest*) {}

    virtual void window_changed(HWND, WindowChange) {}

    // The dialog base units of a dialog font, {0, 0} for the window system's own.
    virtual SIZE dialog_base_units(const std::string& /*font*/, int /*point_size*/) { return {0, 0}; }
    // The screen less the desktop's panels: where windows may stand.
    virtual RECT work_area() { return kDefaultWorkArea; }
    // The character position of an edit control under a point of its client area.
    virtual int edit_char_from_point(HWND edit, POINT point);

    // ShellExecuteA: above 32 on success.
    virtual HINSTANCE shell_execute(const ShellRequest& request) = 0;

    // The thread that runs the windows and the user's input: the one that
    // installed the host.
    DWORD ui_thread = 0;
};

// The host in charge; null until one is installed.
Host* current_host();
void install_host(Host* host);

}  // namespace platform
