// The host for people: the window system's windows as Qt 6 widgets.
//
// Every top-level window becomes a widget with its controls at their
// rectangles; the widgets paint what the window system keeps and nothing
// else. An application event filter takes the user's keys, clicks, menu
// choices and close boxes, gives them to the window system and swallows
// them, so Qt's widgets never act on their own; the window system decides
// and the widgets show the outcome when it tells the host what changed.
// Message boxes, file and print dialogs are Qt's own, shown without
// blocking: the window system's wait loop keeps running (and serving other
// threads' sends) while they are up.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/qt/text_layout.h"

class QAbstractEventDispatcher;
class QWidget;

namespace platform::qt {

class ClientArea;
class ComboPopup;
class ControlWidget;
class ModalDialogs;
class TopWindow;

class QtHost : public QObject, public Host {
public:
    // Needs the QApplication; runs on its thread, which becomes the
    // user-interface thread when the host is installed.
    QtHost();
    ~QtHost() override;

    // ---- Host
    void wait_for_input(const WaitContext& context) override;
    void wake() override;
    void poll_input() override;
    void modal_request_opened(ModalRequest* request) override;
    void modal_request_closed(ModalRequest* request) override;
    void window_changed(HWND hwnd, WindowChange change) override;
    SIZE dialog_base_units(const std::string& font, int point_size) override;
    RECT work_area() override;
    int edit_char_from_point(HWND edit, POINT point) override;
    HINSTANCE shell_execute(const ShellRequest& request) override;

    // Shows every change so far (the host does it itself before it waits).
    void show_changes();
    // The widget that shows a window (a top-level window or a control), or null.
    QWidget* widget_of(HWND hwnd);
    TopWindow* top_window(HWND hwnd) const;
    // The list of a combo box while it is shown.
    QWidget* combo_list() const;

    // ---- for the widgets
    const TextMetrics& metrics_for(const std::string& font);
    bool caret_phase() const { return caret_phase_; }
    // The control the left button went down on, and where.
    HWND pressed_control() const { return press_.hwnd; }
    QPoint pressed_point() const { return press_.point; }
    bool combo_dropped(HWND combo) const;
    void choose_menu_item(HWND window, UINT id);
    void close_requested(HWND window);
    void window_activated(TopWindow* window);
    // Deletes a widget once no Qt handler of it can be running.
    void retire(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class ComboPopup;
    std::chrono::steady_clock::time_point last_poll_;
    struct Press {
        HWND hwnd = nullptr;
        QPoint point;  // in the control
    };
    bool on_gui_thread() const;
    void sync_window(HWND top, bool menu_changed);
    void sync_activation();
    void sync_combo_lists(TopWindow* window);
    void restart_caret();
    bool mouse_event(ClientArea* client, QEvent* event);
    bool key_event(TopWindow* top, QEvent* event);
    void open_combo_list(ControlWidget* combo);
    void combo_list_closed(HWND combo, bool chosen);
    void repeat_press();
    void delete_retired();
    // Runs program code from a Qt handler (the window system may call
    // window procedures at once): widgets are not deleted meanwhile.
    template <class F>
    auto from_qt(F&& call) {
        ++qt_callbacks_;
        struct Leave {
            int& depth;
            ~Leave() { --depth; }
        } leave{qt_callbacks_};
        return call();
    }

    QAbstractEventDispatcher* dispatcher_ = nullptr;
    std::unique_ptr<ModalDialogs> modal_;
    std::map<HWND, QPointer<TopWindow>> windows_;
    std::map<std::string, TextMetrics> metrics_;

    std::mutex dirty_lock_;  // window_changed may come from any thread
    std::set<HWND> dirty_;
    std::set<HWND> menu_dirty_;
    bool all_dirty_ = true;

    HWND shown_active_ = nullptr;
    QPointer<TopWindow> requested_activation_;
    Press press_;
    QTimer press_repeat_;
    QTimer caret_timer_;
    bool caret_phase_ = true;
    HWND caret_control_ = nullptr;
    QPointer<ComboPopup> combo_list_;
    std::map<HWND, bool> combo_dropped_;  // as last shown
    std::vector<QPointer<QWidget>> retired_;
    int qt_callbacks_ = 0;
};

// Creates the QApplication, installs a QtHost on this thread, runs the
// program (its message loops wait in the host) and returns its result.
// Without a display it says so and returns 2.
int run_qt_host(int argc, char** argv, const std::function<int()>& program);

}  // namespace platform::qt
