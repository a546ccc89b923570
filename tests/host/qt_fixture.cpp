#include "qt_fixture.h"

#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/user/queue.h"
#include "platform/user/window_view.h"
#include "window_fixture.h"

namespace testing_support {

namespace {

int argc = 1;
char name[] = "qt_host_test";
char* argv[] = {name, nullptr};

long long now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

constexpr long long kStepTimeoutMs = 10000;

}  // namespace

void QtHostTest::SetUp() {
    // Never a window on a developer's desktop; a private runtime directory.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char dir[] = "/tmp/orvasse-qt-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    runtime_dir_ = dir;
    setenv("XDG_RUNTIME_DIR", dir, 1);
    application_ = std::make_unique<QApplication>(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    // A steady caret: pictures do not depend on the moment they are taken.
    QApplication::setCursorFlashTime(0);
    conformance_module();
    program_module();
    host_ = std::make_unique<platform::qt::QtHost>();
    platform::install_host(host_.get());
    // The user's steps are looked at while the program waits.
    tick_ = std::make_unique<QTimer>();
    tick_->setInterval(10);
    QObject::connect(tick_.get(), &QTimer::timeout, [this] {
        if (steps_.empty()) return;
        Step& step = steps_.front();
        if (step.ready()) {
            Step taken = std::move(step);
            steps_.erase(steps_.begin());
            step_started_ms_ = now_ms();
            taken.action();
            return;
        }
        if (now_ms() - step_started_ms_ > kStepTimeoutMs) {
            std::fprintf(stderr, "qt host test: the step \"%s\" never became possible\n", step.description.c_str());
            std::fflush(stderr);
            std::abort();
        }
    });
    tick_->start();
}

void QtHostTest::TearDown() {
    EXPECT_TRUE(steps_.empty()) << "a step never ran: " << (steps_.empty() ? "" : steps_.front().description);
    steps_.clear();
    clear_windows_and_messages();
    host_->show_changes();
    tick_.reset();
    platform::install_host(nullptr);
    host_.reset();
    application_.reset();
    if (!runtime_dir_.empty()) QDir(QString::fromStdString(runtime_dir_)).removeRecursively();
}

bool QtHostTest::pump_until(const std::function<bool()>& done, int timeout_ms) {
    platform::ThreadQueue& queue = platform::current_queue();
    long long deadline = now_ms() + timeout_ms;
    while (!done()) {
        if (now_ms() > deadline) return false;
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            dispatch(msg);
            continue;
        }
        platform::wait_for_messages(queue, platform::WaitContext{});
    }
    return true;
}

void QtHostTest::settle() {
    MSG msg;
    for (int round = 0; round < 5; ++round) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) dispatch(msg);
        host_->show_changes();
        QApplication::processEvents();
    }
    host_->show_changes();
}

void QtHostTest::dispatch(MSG& msg) {
    // As a program's loop does for its modeless dialogs.
    for (HWND top : platform::top_level_windows())
        if (IsWindow(top) && IsWindowVisible(top) && IsDialogMessageA(top, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

void QtHostTest::stop_ticking() { tick_->stop(); }

void QtHostTest::when(const std::string& description, std::function<bool()> ready, std::function<void()> action) {
    if (steps_.empty()) step_started_ms_ = now_ms();
    steps_.push_back(Step{description, std::move(ready), std::move(action)});
}

platform::qt::TopWindow* QtHostTest::window(HWND hwnd) {
    host_->show_changes();
    return host_->top_window(hwnd);
}

platform::qt::ControlWidget* QtHostTest::control(HWND dialog, int id) {
    host_->show_changes();
    HWND item = GetDlgItem(dialog, id);
    return item ? dynamic_cast<platform::qt::ControlWidget*>(host_->widget_of(item)) : nullptr;
}

void QtHostTest::save_screenshot(QWidget* widget, const std::string& name) {
    ASSERT_NE(widget, nullptr);
    QDir().mkpath(QStringLiteral(ORVASSE_SCREENSHOT_DIR));
    QString path = QStringLiteral(ORVASSE_SCREENSHOT_DIR "/%1.png").arg(QString::fromStdString(name));
    QPixmap picture = widget->grab();
    EXPECT_FALSE(picture.isNull());
    EXPECT_TRUE(picture.save(path)) << path.toStdString();
}

int pdf_pages(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    QByteArray bytes = file.readAll();
    if (!bytes.startsWith("%PDF")) return -1;
    return static_cast<int>(QString::fromLatin1(bytes).count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
}

}  // namespace testing_support
