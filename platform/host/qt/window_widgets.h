// The widgets that show the window system's windows. They keep a copy of
// what they show and paint it; they never change it. Input reaching them is
// taken by the host's event filter and goes to the window system.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <map>
#include <vector>

#include "platform/host/qt/text_layout.h"
#include "platform/user/window_view.h"
#include "platform/win32.h"

class QMenu;
class QMenuBar;

namespace platform::qt {

class QtHost;
class TopWindow;

// One control: an edit, static, button, combo box or scroll bar.
class ControlWidget : public QWidget {
public:
    ControlWidget(QtHost* host, HWND hwnd, QWidget* parent);

    HWND hwnd() const { return hwnd_; }
    const WindowView& view() const { return view_; }
    // Takes the window's state and shows it.
    void apply(const WindowView& view, const TextMetrics& metrics);

    enum class Kind { Edit, Static, PushButton, RadioButton, CheckBox, GroupBox, ComboBox, ScrollBar, Other };
    Kind kind() const { return kind_; }
    // Whether clicks stop here; statics without SS_NOTIFY and group boxes
    // let them through to what lies below, as on Windows.
    bool takes_clicks() const;
    // The rectangle that shows the control and takes its clicks, in the
    // client area: a combo box's template height is its list's, not its field's.
    QRect shown_rect() const;
    int field_height() const { return field_height_; }
    // Combo boxes: where the arrow of the field is.
    QRect arrow_rect() const;
    // Edits: the position under a point, for the text the control has now,
    // and the top left of the caret before a position, as it is drawn.
    int char_from_point(const WindowView& view, QPoint point) const;
    QPointF caret_point(int position) const { return layout_.point_of(position); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect edit_area(const WindowView& view) const;
    EditLayout make_layout(const WindowView& view) const;
    void paint_edit(QPainter& painter);
    void paint_text(QPainter& painter, const EditLayout& layout, int selection_start, int selection_end, int caret);
    void paint_static(QPainter& painter);
    void paint_button(QPainter& painter);
    void paint_group_box(QPainter& painter);
    void paint_combo(QPainter& painter);
    void paint_scroll_bar(QPainter& painter);
    bool caret_shown() const;

    QtHost* host_;
    HWND hwnd_;
    WindowView view_;
    Kind kind_ = Kind::Other;
    TextMetrics metrics_;
    EditLayout layout_;
    int field_height_ = 0;
    QImage image_;
    HANDLE image_handle_ = nullptr;
};

// The client area of a top-level window: the dialog's background and its
// controls, where every mouse click lands.
class ClientArea : public QWidget {
public:
    ClientArea(TopWindow* top);
    TopWindow* top() const { return top_; }
    // The control a click at a point reaches: the first in the window
    // system's order that lies there and takes clicks; null for the window itself.
    ControlWidget* control_at(QPoint point) const;

private:
    TopWindow* top_;
};

// A top-level window: caption, icon, menu bar and client area.
class TopWindow : public QWidget {
public:
    TopWindow(QtHost* host, HWND hwnd, QWidget* owner);

    HWND hwnd() const { return hwnd_; }
    ClientArea* client() const { return client_; }
    QMenuBar* menu_bar() const { return menu_bar_; }
    const WindowView& view() const { return view_; }
    const TextMetrics& metrics() const { return metrics_; }

    // Takes the window's state and that of its controls.
    void apply(const WindowView& view, bool menu_changed);
    ControlWidget* control(HWND hwnd) const;
    const std::vector<QPointer<ControlWidget>>& controls() const { return order_; }
    // Places the window the first time it shows: where the program moved
    // it, or else centred on its owner or the screen, as DS_CENTER asks and
    // as people expect of a dialog; on the screen either way.
    void place();
    bool placed() const { return placed_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void sync_controls();
    void build_menu_bar();
    void fill_menu(QMenu* menu, const std::vector<int>& path);
    QIcon icon_for(HICON icon);

    QtHost* host_;
    HWND hwnd_;
    WindowView view_;
    TextMetrics metrics_;
    ClientArea* client_;
    QMenuBar* menu_bar_ = nullptr;
    HMENU menu_ = nullptr;
    std::map<HWND, QPointer<ControlWidget>> controls_;
    std::vector<QPointer<ControlWidget>> order_;  // the window system's order: the first lies on top
    HICON icons_[2] = {nullptr, nullptr};
    bool placed_ = false;
};

// An image of the window system as a Qt image.
QImage to_image(int width, int height, const std::vector<uint32_t>& argb);

}  // namespace platform::qt
