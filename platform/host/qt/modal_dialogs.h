// Message boxes, file dialogs and the print dialog: Qt's own dialogs, shown
// without blocking for the modal requests of any thread, answered when the
// user closes them.
#pragma once

#include <QPointer>
#include <QString>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/host/host.h"

class QDialog;
class QObject;
class QPrinter;
class QWidget;

namespace platform::qt {

class QtHost;

class ModalDialogs {
public:
    explicit ModalDialogs(QtHost* host);
    ~ModalDialogs();

    // Any thread; the dialog itself is made on the user-interface thread.
    void opened(ModalRequest* request);
    // Any thread; afterwards nothing touches the request any more.
    void closed(ModalRequest* request);
    // User-interface thread: shows and dismisses what other threads asked for.
    void serve_pending();

    // Message boxes that only their buttons may answer: neither Escape nor
    // the close box gives an answer Windows would not give.
    bool answers_only_by_button(QObject* dialog) const;

    // The longest path a file dialog of max_path bytes (the terminating zero
    // included) accepts, and the message that says so.
    static QString path_too_long_message(DWORD max_path);

private:
    struct Open {
        ModalRequest* request = nullptr;
        bool answered = false;
    };
    void show(int token);
    // Fills in the answer and completes the request, unless it has gone.
    template <class F>
    void answer(int token, F&& fill);
    QWidget* owner_widget(HWND owner) const;
    QDialog* message_box(int token, const MessageBoxRequest& request);
    QDialog* file_dialog(int token, const FileDialogRequest& request);
    QDialog* print_dialog(int token, const PrintDialogRequest& request);
    void dismiss(int token);

    QtHost* host_;
    mutable std::mutex lock_;
    std::map<int, Open> open_;  // by token
    int next_token_ = 1;
    // Requests of other threads, waiting for the user-interface thread. They
    // go through our own lock rather than Qt's queued calls, whose hand-over
    // inside Qt the thread sanitizer cannot see.
    std::vector<int> pending_show_;
    std::vector<int> pending_dismiss_;
    // The user-interface thread's own.
    std::map<int, QPointer<QDialog>> dialogs_;
    std::map<int, std::shared_ptr<QPrinter>> printers_;
    std::set<const QObject*> button_only_;
};

}  // namespace platform::qt
