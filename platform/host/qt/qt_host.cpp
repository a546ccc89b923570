#include "platform/host/qt/qt_host.h"

#include <strings.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDesktopServices>
#include <QScreen>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSessionManager>
#include <QThread>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

#include "platform/host/qt/combo_list.h"
#include "platform/host/qt/key_map.h"
#include "platform/host/qt/modal_dialogs.h"
#include "platform/host/qt/window_widgets.h"
#include "platform/user/input.h"
#include "platform/user/window_view.h"

namespace platform::qt {

namespace {

constexpr int kFirstRepeatMs = 400;
constexpr int kRepeatMs = 100;

HWND top_level_of(HWND hwnd) {
    WindowView view;
    HWND top = nullptr;
    for (HWND at = hwnd; at && view_window(at, &view); at = view.parent) top = at;
    return top;
}

}  // namespace

QtHost::QtHost() {
    dispatcher_ = QAbstractEventDispatcher::instance(thread());
    modal_ = std::make_unique<ModalDialogs>(this);
    QCoreApplication::instance()->installEventFilter(this);
    press_repeat_.setSingleShot(true);
    connect(&press_repeat_, &QTimer::timeout, this, [this] { repeat_press(); });
    connect(&caret_timer_, &QTimer::timeout, this, [this] {
        caret_phase_ = !caret_phase_;
        if (QWidget* control = widget_of(caret_control_)) control->update();
    });
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
            // A window that answers no keeps the session going, where the session manager lets us.
            if (!from_qt([] { return input_end_session(); }) && manager.allowsInteraction()) manager.cancel();
        });
    }
}

QtHost::~QtHost() {
    if (QCoreApplication* application = QCoreApplication::instance()) application->removeEventFilter(this);
    if (combo_list_) delete combo_list_.data();
    modal_.reset();
    for (auto& [hwnd, window] : windows_) delete window.data();
    delete_retired();
}

bool QtHost::on_gui_thread() const { return QThread::currentThread() == thread(); }

// ---- waiting

void QtHost::wait_for_input(const WaitContext&) {
    modal_->serve_pending();
    show_changes();
    if (qt_callbacks_ == 0) {
        // Never run at this loop level without a flush (no exec() runs).
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete_retired();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

// A program busy with long work looks between its steps: what has changed
// is shown and Qt's input taken, at a person's pace rather than at every look.
void QtHost::poll_input() {
    auto now = std::chrono::steady_clock::now();
    if (now - last_poll_ < std::chrono::milliseconds(20)) return;
    last_poll_ = now;
    modal_->serve_pending();
    show_changes();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtHost::wake() {
    if (dispatcher_) dispatcher_->wakeUp();
}

// ---- modal requests

void QtHost::modal_request_opened(ModalRequest* request) { modal_->opened(request); }

void QtHost::modal_request_closed(ModalRequest* request) { modal_->closed(request); }

// ---- showing the windows

void QtHost::window_changed(HWND hwnd, WindowChange change) {
    if (!on_gui_thread()) {
        // A window's state changed on another thread: look at all of them.
        {
            std::lock_guard<std::mutex> hold(dirty_lock_);
            all_dirty_ = true;
        }
        wake();
        return;
    }
    HWND top = top_level_of(hwnd);
    {
        std::lock_guard<std::mutex> hold(dirty_lock_);
        dirty_.insert(top ? top : hwnd);
        if (change == WindowChange::Menu) menu_dirty_.insert(hwnd);
        // Focus and activation move between windows.
        if (change == WindowChange::Focus) all_dirty_ = true;
    }
    TopWindow* window = top_window(top);
    if (!window) return;
    if (change == WindowChange::Destroyed && hwnd == top) {
        window->hide();
        return;
    }
    // Texts show at once: a loop that serves no messages (a copy with its
    // progress) still shows them, as Windows' static controls do.
    if (change == WindowChange::Text && window->isVisible() && hwnd != top) {
        WindowView view;
        ControlWidget* control = window->control(hwnd);
        if (control && view_window(hwnd, &view)) {
            control->apply(view, window->metrics());
            control->repaint();
        }
    }
}

void QtHost::show_changes() {
    if (!on_gui_thread()) return;
    std::set<HWND> dirty;
    std::set<HWND> menus;
    bool all = false;
    {
        std::lock_guard<std::mutex> hold(dirty_lock_);
        dirty.swap(dirty_);
        menus.swap(menu_dirty_);
        all = all_dirty_;
        all_dirty_ = false;
    }
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (it->second && IsWindow(it->first)) {
            ++it;
            continue;
        }
        if (it->second) retire(it->second);
        it = windows_.erase(it);
    }
    for (HWND top : top_level_windows())
        if (all || dirty.count(top) || !windows_.count(top)) sync_window(top, menus.count(top) != 0);
    // The list of a combo box that has gone goes with it.
    if (combo_list_ && !IsWindow(combo_list_->combo())) combo_list_->hide();
    sync_activation();
}

void QtHost::sync_window(HWND top, bool menu_changed) {
    WindowView view;
    if (!view_window(top, &view)) return;
    auto found = windows_.find(top);
    TopWindow* window = found != windows_.end() ? found->second.data() : nullptr;
    if (!window) {
        // A window gets its widget when it first shows.
        if (!view.visible) return;
        window = new TopWindow(this, top, view.owner ? top_window(view.owner) : nullptr);
        windows_[top] = window;
    }
    window->apply(view, menu_changed);
    if (view.visible && !window->isVisible()) {
        if (!window->placed()) window->place();
        window->show();
    } else if (!view.visible && window->isVisible()) {
        window->hide();
    }
    sync_combo_lists(window);
    HWND focus = GetFocus();
    if (focus && window->control(focus)) restart_caret();
}

void QtHost::sync_activation() {
    HWND active = GetActiveWindow();
    if (active == shown_active_) return;
    TopWindow* window = top_window(active);
    // A window that is not shown yet takes the activation when it shows.
    if (active && (!window || !window->isVisible())) return;
    shown_active_ = active;
    if (window && !window->isActiveWindow()) {
        requested_activation_ = window;
        if (QGuiApplication::platformName() != QLatin1String("offscreen")) window->raise();
        window->activateWindow();
    }
}

void QtHost::window_activated(TopWindow* window) {
    if (window == requested_activation_) {
        requested_activation_ = nullptr;
        return;
    }
    // The user brought the window forward.
    HWND hwnd = window->hwnd();
    if (GetActiveWindow() == hwnd) return;
    bool taken = from_qt([hwnd] { return input_activate(hwnd); });
    if (!taken) {
        // A window that waits for its modal dialog gives the activation back.
        TopWindow* active = top_window(GetActiveWindow());
        if (active && active != window && active->isVisible()) {
            requested_activation_ = active;
            active->activateWindow();
        }
    }
    shown_active_ = GetActiveWindow();
}

void QtHost::restart_caret() {
    caret_control_ = GetFocus();
    caret_phase_ = true;
    int flash = QApplication::cursorFlashTime();
    if (flash > 0) {
        caret_timer_.start(flash / 2);
    } else {
        caret_timer_.stop();
    }
}

TopWindow* QtHost::top_window(HWND hwnd) const {
    auto found = windows_.find(hwnd);
    return found == windows_.end() ? nullptr : found->second.data();
}

QWidget* QtHost::widget_of(HWND hwnd) {
    if (!hwnd || !on_gui_thread()) return nullptr;
    HWND top = top_level_of(hwnd);
    TopWindow* window = top_window(top);
    if (!window || hwnd == top) return window;
    return window->control(hwnd);
}

QWidget* QtHost::combo_list() const { return combo_list_ && combo_list_->isVisible() ? combo_list_.data() : nullptr; }

void QtHost::retire(QWidget* widget) {
    if (!widget) return;
    widget->hide();
    retired_.emplace_back(widget);
}

void QtHost::delete_retired() {
    std::vector<QPointer<QWidget>> retired;
    retired.swap(retired_);
    for (const QPointer<QWidget>& widget : retired) delete widget.data();
}

// ---- combo box lists

bool QtHost::combo_dropped(HWND combo) const {
    return combo_list_ && combo_list_->combo() == combo && combo_list_->isVisible();
}

void QtHost::open_combo_list(ControlWidget* combo) {
    if (combo_list_) combo_list_->hide();
    combo_list_ = new ComboPopup(this, combo);
    combo_list_->show();
    combo->update();
}

void QtHost::combo_list_closed(HWND combo, bool chosen) {
    if (combo_list_ && combo_list_->combo() == combo) {
        retire(combo_list_);
        combo_list_ = nullptr;
    }
    // Closed without a choice while the window system has it dropped (F4):
    // it closes there as well.
    if (!chosen && combo_dropped_[combo] && GetFocus() == combo)
        from_qt([] { return input_key(VK_F4, 0, 0); });
    if (QWidget* widget = widget_of(combo)) widget->update();
}

void QtHost::sync_combo_lists(TopWindow* window) {
    for (const QPointer<ControlWidget>& control : window->controls()) {
        if (!control || control->kind() != ControlWidget::Kind::ComboBox) continue;
        HWND hwnd = control->hwnd();
        bool dropped = control->view().dropped;
        bool was = combo_dropped_[hwnd];
        combo_dropped_[hwnd] = dropped;
        if (dropped && !was && !combo_dropped(hwnd) && window->isVisible()) open_combo_list(control);
        if (!dropped && was && combo_dropped(hwnd)) combo_list_->hide();
    }
}

// ---- input

void QtHost::choose_menu_item(HWND window, UINT id) {
    from_qt([window, id] { return input_choose_menu_item(window, id); });
}

void QtHost::close_requested(HWND window) {
    from_qt([window] { return input_close(window); });
}

bool QtHost::eventFilter(QObject* watched, QEvent* event) {
    QEvent::Type type = event->type();
    bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
                 type == QEvent::MouseButtonDblClick || type == QEvent::MouseMove;
    bool key = type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride;
    bool other = type == QEvent::Wheel || type == QEvent::ContextMenu || type == QEvent::Close;
    if (!mouse && !key && !other) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    if (auto* top = dynamic_cast<TopWindow*>(widget->window())) {
        if (qobject_cast<QMenuBar*>(widget)) {
            // The menu is Qt's; a window that takes no input ignores it.
            return mouse && !accepts_input(top->hwnd());
        }
        if (key) return key_event(top, event);
        if (type == QEvent::Close) return false;  // TopWindow::closeEvent asks the window system
        if (auto* client = dynamic_cast<ClientArea*>(widget); client && mouse) return mouse_event(client, event);
        return true;
    }
    if (modal_->answers_only_by_button(widget->window())) {
        if (type == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) return true;
    }
    return false;
}

bool QtHost::key_event(TopWindow* top, QEvent* event) {
    auto* key = static_cast<QKeyEvent*>(event);
    // F10 selects the menu bar, as on Windows: the way Alt alone does in
    // Qt's menu bar, so that a menu's letter then opens it.
    if (event->type() == QEvent::KeyPress && key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier &&
        top->menu_bar() && accepts_input(top->hwnd())) {
        // Qt's key events of a modifier key stand for the state after the key:
        // Alt held while it goes down, no longer once it is up.
        QKeyEvent alt_down(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
        QCoreApplication::sendEvent(top, &alt_down);
        QKeyEvent alt_up(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
        QCoreApplication::sendEvent(top, &alt_up);
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Alt combinations may open the menu; every other key is the program's.
        if (key->modifiers() & Qt::AltModifier) return false;
        event->accept();
        return true;
    }
    UINT vk = event_virtual_key(*key);
    if (!vk) return true;
    if (event->type() == QEvent::KeyPress) {
        QString text = key->text();
        BYTE modifiers = input_modifiers(key->modifiers(), vk, &text);
        char character = typed_character(*key);
        // A held key repeats its press, as on Windows.
        from_qt([&] { return input_key_down(vk, modifiers, character); });
    } else if (!key->isAutoRepeat()) {
        BYTE modifiers = input_modifiers(key->modifiers());
        from_qt([&] { return input_key_up(vk, modifiers); });
    }
    return true;
}

bool QtHost::mouse_event(ClientArea* client, QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    TopWindow* top = client->top();
    HWND top_hwnd = top->hwnd();
    QPoint at = mouse->position().toPoint();
    BYTE modifiers = input_modifiers(mouse->modifiers());
    switch (event->type()) {
    case QEvent::MouseMove: {
        ControlWidget* control = client->control_at(at);
        bool text = control && (control->kind() == ControlWidget::Kind::Edit ||
                                (control->kind() == ControlWidget::Kind::ComboBox &&
                                 !control->arrow_rect().contains(at - control->pos()) &&
                                 (control->view().style & 3) != CBS_DROPDOWNLIST));
        client->setCursor(text ? Qt::IBeamCursor : Qt::ArrowCursor);
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        if (mouse->button() != Qt::LeftButton || !accepts_input(top_hwnd)) return true;
        // A click into another window activates it first, as on Windows.
        if (GetActiveWindow() != top_hwnd) from_qt([top_hwnd] { return input_activate(top_hwnd); });
        ControlWidget* control = client->control_at(at);
        HWND hwnd = control ? control->hwnd() : top_hwnd;
        QPoint local = control ? at - control->pos() : at;
        POINT point{local.x(), local.y()};
        if (!from_qt([&] { return input_button_down(hwnd, point, modifiers); })) return true;
        press_ = Press{hwnd, local};
        if (control) control->update();
        if (control && control->kind() == ControlWidget::Kind::ComboBox &&
            (control->arrow_rect().contains(local) || (control->view().style & 3) == CBS_DROPDOWNLIST)) {
            // The list takes the rest of the click.
            press_ = Press{};
            from_qt([&] { return input_button_up(hwnd, point, modifiers); });
            open_combo_list(control);
        } else if (control && control->kind() == ControlWidget::Kind::ScrollBar) {
            press_repeat_.start(kFirstRepeatMs);
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (mouse->button() != Qt::LeftButton || !press_.hwnd) return true;
        HWND hwnd = press_.hwnd;
        press_ = Press{};
        press_repeat_.stop();
        // The button-up goes where the button went down.
        QWidget* pressed = widget_of(hwnd);
        QPoint local = pressed && pressed != top ? at - pressed->pos() : at;
        POINT point{local.x(), local.y()};
        from_qt([&] { return input_button_up(hwnd, point, modifiers); });
        if (pressed) pressed->update();
        return true;
    }
    default: return true;
    }
}

void QtHost::repeat_press() {
    if (!press_.hwnd) return;
    HWND hwnd = press_.hwnd;
    POINT point{press_.point.x(), press_.point.y()};
    if (from_qt([&] { return input_button_down(hwnd, point, 0); })) press_repeat_.start(kRepeatMs);
}

// ---- metrics

const TextMetrics& QtHost::metrics_for(const std::string& font) {
    bool fixed = is_fixed_font_name(font);
    std::string key = fixed ? "fixed" : "system";
    auto found = metrics_.find(key);
    if (found == metrics_.end()) found = metrics_.emplace(key, TextMetrics(dialog_font(font), fixed)).first;
    return found->second;
}

RECT QtHost::work_area() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return Host::work_area();
    QRect area = screen->availableGeometry();
    return {area.left(), area.top(), area.right() + 1, area.bottom() + 1};
}

SIZE QtHost::dialog_base_units(const std::string& font, int) {
    if (!on_gui_thread()) return {0, 0};
    const TextMetrics& metrics = metrics_for(font);
    return {metrics.average_width(), metrics.height()};
}

int QtHost::edit_char_from_point(HWND edit, POINT point) {
    if (on_gui_thread()) {
        WindowView view;
        auto* control = dynamic_cast<ControlWidget*>(widget_of(edit));
        if (control && view_window(edit, &view)) return control->char_from_point(view, QPoint(point.x, point.y));
    }
    return Host::edit_char_from_point(edit, point);
}

// ---- the shell

HINSTANCE QtHost::shell_execute(const ShellRequest& request) {
    auto result = [](LONG_PTR code) { return reinterpret_cast<HINSTANCE>(code); };
    if (!request.verb.empty() && strcasecmp(request.verb.c_str(), "open") != 0) return result(SE_ERR_NOASSOC);
    QString file = from_ansi(request.file);
    QUrl url(file, QUrl::StrictMode);
    // A scheme of one letter is a Windows drive; no scheme, a file.
    if (url.isValid() && url.scheme().size() <= 1) {
        QDir directory(request.directory.empty() ? QDir::currentPath() : from_ansi(request.directory));
        QString path = directory.absoluteFilePath(file);
        if (!QFileInfo::exists(path)) return result(SE_ERR_FNF);
        url = QUrl::fromLocalFile(path);
    }
    if (!url.isValid()) return result(SE_ERR_FNF);
    bool opened = false;
    if (on_gui_thread()) {
        opened = QDesktopServices::openUrl(url);
    } else {
        QMetaObject::invokeMethod(this, [&] { opened = QDesktopServices::openUrl(url); },
                                  Qt::BlockingQueuedConnection);
    }
    return result(opened ? 42 : SE_ERR_NOASSOC);
}

// ---- starting

int run_qt_host(int argc, char** argv, const std::function<int()>& program) {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if ((!platform || !*platform) && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        std::fprintf(stderr,
                     "%s: there is no display to show the windows on. Run it on a desktop, under xvfb-run, "
                     "or with QT_QPA_PLATFORM=offscreen.\n",
                     argc > 0 ? argv[0] : "orvasse");
        return 2;
    }
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    int result = 0;
    {
        QtHost host;
        install_host(&host);
        result = program();
        install_host(nullptr);
    }
    return result;
}

}  // namespace platform::qt
