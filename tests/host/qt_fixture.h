// What the Qt host's tests stand on: a QApplication on the offscreen
// platform, the Qt host installed, the test dialogs, and a user who acts on
// the Qt widgets (synthesized Qt events) while the program waits.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/qt/qt_host.h"
#include "platform/host/qt/window_widgets.h"
#include "platform/win32.h"

namespace testing_support {

class QtHostTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the thread's messages, as a message loop does, until done() holds;
    // false when it still does not after timeout_ms.
    bool pump_until(const std::function<bool()>& done, int timeout_ms = 5000);
    // Hands a message to its modeless dialog, or translates and dispatches it.
    static void dispatch(MSG& msg);
    // Runs the messages until none are left and the host has shown them.
    void settle();
    // Acts once, at the first moment ready() holds while the program waits
    // (in a message loop, a dialog's or a message box's): the user's next
    // step. A step that never becomes possible fails the test and ends it.
    void when(const std::string& description, std::function<bool()> ready, std::function<void()> action);
    bool steps_done() const { return steps_.empty(); }
    // From here on nothing of the test's own wakes the program's waits: only
    // the host's wake() (or Qt's own events) can end them.
    void stop_ticking();

    // The widgets showing a window, after what changed so far is shown.
    platform::qt::TopWindow* window(HWND hwnd);
    platform::qt::ControlWidget* control(HWND dialog, int id);
    // A visible Qt dialog of a type among the top-level widgets, or null.
    template <class T>
    static T* shown() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<T*>(widget); found && found->isVisible()) return found;
        return nullptr;
    }
    // Saves a picture of a widget as screenshots/<name>.png in the build tree.
    void save_screenshot(QWidget* widget, const std::string& name);

    std::unique_ptr<QApplication> application_;
    std::unique_ptr<platform::qt::QtHost> host_;

private:
    struct Step {
        std::string description;
        std::function<bool()> ready;
        std::function<void()> action;
    };
    std::vector<Step> steps_;
    std::unique_ptr<class QTimer> tick_;
    std::string runtime_dir_;
    long long step_started_ms_ = 0;
};

// The pages of a PDF file the printer wrote; -1 when it is none.
int pdf_pages(const QString& path);

}  // namespace testing_support
