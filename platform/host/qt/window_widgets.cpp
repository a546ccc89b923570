#include "platform/host/qt/window_widgets.h"

#include <strings.h>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMoveEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <qdrawutil.h>
#include <algorithm>
#include <cmath>
#include <set>

#include "platform/host/qt/qt_host.h"

namespace platform::qt {

namespace {

constexpr DWORD kStaticGrayRect = 5;
constexpr DWORD kStaticWhiteRect = 6;
constexpr DWORD kStaticBlackFrame = 7;
constexpr DWORD kStaticGrayFrame = 8;
constexpr DWORD kStaticWhiteFrame = 9;

bool is_class(const WindowView& view, const char* name) { return strcasecmp(view.class_name.c_str(), name) == 0; }

ControlWidget::Kind kind_of(const WindowView& view) {
    using Kind = ControlWidget::Kind;
    if (is_class(view, "Edit")) return Kind::Edit;
    if (is_class(view, "Static")) return Kind::Static;
    if (is_class(view, "ComboBox")) return Kind::ComboBox;
    if (is_class(view, "ScrollBar")) return Kind::ScrollBar;
    if (is_class(view, "Button")) {
        switch (view.style & BS_TYPEMASK) {
        case BS_GROUPBOX: return Kind::GroupBox;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return Kind::RadioButton;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE: return Kind::CheckBox;
        default: return Kind::PushButton;
        }
    }
    return Kind::Other;
}

bool editable_combo(const WindowView& view) { return (view.style & 3) != CBS_DROPDOWNLIST; }

QRect to_rect(const RECT& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

}  // namespace

QImage to_image(int width, int height, const std::vector<uint32_t>& argb) {
    if (width <= 0 || height <= 0 || argb.size() < static_cast<size_t>(width) * static_cast<size_t>(height)) return {};
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        std::copy_n(argb.data() + static_cast<size_t>(y) * static_cast<size_t>(width), width,
                    reinterpret_cast<uint32_t*>(image.scanLine(y)));
    return image;
}

// ---- ControlWidget

ControlWidget::ControlWidget(QtHost* host, HWND hwnd, QWidget* parent) : QWidget(parent), host_(host), hwnd_(hwnd) {
    // The client area takes every click and finds the control itself.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void ControlWidget::apply(const WindowView& view, const TextMetrics& metrics) {
    view_ = view;
    metrics_ = metrics;
    kind_ = kind_of(view);
    setFont(metrics.font());
    QRect rect = to_rect(view.rect);
    if (kind_ == Kind::ComboBox) {
        // The template's height is that of the dropped-down list.
        QStyleOptionComboBox option;
        option.initFrom(this);
        option.editable = editable_combo(view);
        option.frame = true;
        QSize field = style()->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(rect.width(), metrics.height()), this);
        field_height_ = std::min(rect.height(), field.height());
        rect.setHeight(field_height_);
    }
    setGeometry(rect);
    if (kind_ == Kind::Edit || kind_ == Kind::ComboBox) {
        EditLayout layout = make_layout(view);
        layout.set_scroll(layout_.lines().empty() ? 0 : layout_.first_line(), layout_.x_offset());
        layout.scroll_to(view.caret);
        layout_ = std::move(layout);
    }
    if (kind_ == Kind::Static && view.image != image_handle_) {
        image_handle_ = view.image;
        image_ = QImage();
        DWORD type = view.style & SS_TYPEMASK;
        if (type == SS_BITMAP) {
            if (const BitmapImage* bitmap = bitmap_image(static_cast<HBITMAP>(view.image)))
                image_ = to_image(bitmap->width, bitmap->height, bitmap->argb);
        } else if (type == SS_ICON) {
            if (const auto* images = icon_images(static_cast<HICON>(view.image)); images && !images->empty())
                image_ = to_image(images->back().width, images->back().height, images->back().argb);
        }
    }
    setVisible(view.visible);
    update();
}

bool ControlWidget::takes_clicks() const {
    if (kind_ == Kind::GroupBox) return false;
    if (kind_ == Kind::Static) return (view_.style & SS_NOTIFY) != 0;
    return true;
}

QRect ControlWidget::shown_rect() const { return geometry(); }

QRect ControlWidget::arrow_rect() const {
    QStyleOptionComboBox option;
    option.initFrom(this);
    option.rect = QRect(0, 0, width(), field_height_);
    option.editable = editable_combo(view_);
    option.frame = true;
    return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this);
}

QRect ControlWidget::edit_area(const WindowView& view) const {
    QRect all(0, 0, view.rect.right - view.rect.left, view.rect.bottom - view.rect.top);
    if (kind_of(view) == Kind::ComboBox) {
        QStyleOptionComboBox option;
        option.initFrom(this);
        option.rect = QRect(0, 0, all.width(), field_height_);
        option.editable = true;
        option.frame = true;
        QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        int top = field.top() + std::max(0, (field.height() - metrics_.height()) / 2);
        return QRect(field.left() + 1, top, field.width() - 2, metrics_.height());
    }
    bool border = (view.style & WS_BORDER) || (view.ex_style & WS_EX_CLIENTEDGE);
    int frame = border ? 2 : 0;
    int margin = border ? 1 : 0;
    QRect inner = all.adjusted(frame + margin, frame, -(frame + margin), -frame);
    if (view.style & ES_MULTILINE) return inner.adjusted(0, border ? 1 : 0, 0, 0);
    // One line, in the middle of the field.
    int top = inner.top() + std::max(0, (inner.height() - metrics_.height()) / 2);
    return QRect(inner.left(), top, inner.width(), metrics_.height());
}

EditLayout ControlWidget::make_layout(const WindowView& view) const {
    DWORD style = view.style;
    if (kind_of(view) == Kind::ComboBox) style = ES_AUTOHSCROLL;
    return EditLayout(view.text, style, edit_area(view), metrics_);
}

int ControlWidget::char_from_point(const WindowView& view, QPoint point) const {
    EditLayout layout = make_layout(view);
    layout.set_scroll(layout_.lines().empty() ? 0 : layout_.first_line(), layout_.x_offset());
    return layout.position_at(point);
}

bool ControlWidget::caret_shown() const { return view_.focused && isActiveWindow() && host_->caret_phase(); }

void ControlWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(metrics_.font());
    switch (kind_) {
    case Kind::Edit: paint_edit(painter); break;
    case Kind::Static: paint_static(painter); break;
    case Kind::GroupBox: paint_group_box(painter); break;
    case Kind::PushButton:
    case Kind::RadioButton:
    case Kind::CheckBox: paint_button(painter); break;
    case Kind::ComboBox: paint_combo(painter); break;
    case Kind::ScrollBar: paint_scroll_bar(painter); break;
    case Kind::Other: break;
    }
}

void ControlWidget::paint_edit(QPainter& painter) {
    QPalette colors = palette();
    if (!view_.enabled) colors.setCurrentColorGroup(QPalette::Disabled);
    bool read_only = (view_.style & ES_READONLY) != 0;
    // Read-only and disabled edits show the dialog's own background, as on Windows.
    painter.fillRect(rect(), colors.color(read_only || !view_.enabled ? QPalette::Window : QPalette::Base));
    if ((view_.style & WS_BORDER) || (view_.ex_style & WS_EX_CLIENTEDGE)) {
        QStyleOptionFrame frame;
        frame.initFrom(this);
        frame.rect = rect();
        frame.lineWidth = 2;
        frame.state |= QStyle::State_Sunken;
        frame.state.setFlag(QStyle::State_Enabled, view_.enabled);
        frame.state.setFlag(QStyle::State_HasFocus, view_.focused && isActiveWindow());
        frame.state.setFlag(QStyle::State_ReadOnly, read_only);
        style()->drawPrimitive(QStyle::PE_FrameLineEdit, &frame, &painter, this);
    }
    paint_text(painter, layout_, view_.selection_start, view_.selection_end, view_.caret);
}

void ControlWidget::paint_text(QPainter& painter, const EditLayout& layout, int selection_start, int selection_end,
                               int caret) {
    QPalette colors = palette();
    if (!view_.enabled) colors.setCurrentColorGroup(QPalette::Disabled);
    if (!isActiveWindow()) colors.setCurrentColorGroup(view_.enabled ? QPalette::Inactive : QPalette::Disabled);
    // The selection shows while the control has the focus, or always with ES_NOHIDESEL.
    bool keeps_selection = kind_ == Kind::Edit && (view_.style & ES_NOHIDESEL);
    bool selection = selection_start < selection_end && (view_.focused || keeps_selection);
    painter.save();
    QRect clip = layout.area();
    if (view_.style & ES_MULTILINE) clip.setBottom(std::min(clip.bottom(), height() - 1));
    painter.setClipRect(clip.adjusted(0, 0, 1, 0));
    const auto& lines = layout.lines();
    int line_height = layout.line_height();
    for (int i = layout.first_line(); i < static_cast<int>(lines.size()); ++i) {
        int top = layout.line_top(i);
        if (top > clip.bottom()) break;
        const EditLayout::Line& line = lines[static_cast<size_t>(i)];
        qreal left = layout.area().left() + line.left - layout.x_offset();
        int from = line.length, to = line.length;
        if (selection) {
            from = std::clamp(selection_start - line.start, 0, line.length);
            to = std::clamp(selection_end - line.start, 0, line.length);
        }
        auto x = [&](int column) { return left + line.x[static_cast<size_t>(column)]; };
        painter.setPen(colors.color(QPalette::Text));
        metrics_.draw(painter, left, top, line.glyphs.left(from));
        metrics_.draw(painter, x(to), top, line.glyphs.mid(to));
        if (from < to) {
            painter.fillRect(QRectF(x(from), top, x(to) - x(from), line_height), colors.color(QPalette::Highlight));
            painter.setPen(colors.color(QPalette::HighlightedText));
            metrics_.draw(painter, x(from), top, line.glyphs.mid(from, to - from));
        }
    }
    if (caret_shown()) {
        QPointF at = layout.point_of(caret);
        painter.fillRect(QRectF(std::floor(at.x()), at.y(), 1, line_height), colors.color(QPalette::Text));
    }
    painter.restore();
}

void ControlWidget::paint_static(QPainter& painter) {
    QPalette colors = palette();
    if (!view_.enabled) colors.setCurrentColorGroup(QPalette::Disabled);
    DWORD type = view_.style & SS_TYPEMASK;
    switch (type) {
    case SS_BITMAP:
    case SS_ICON:
        if (!image_.isNull()) {
            QPoint at(0, 0);
            if (view_.style & SS_CENTERIMAGE) at = QPoint((width() - image_.width()) / 2, (height() - image_.height()) / 2);
            painter.drawImage(at, image_);
        }
        return;
    case SS_BLACKRECT: painter.fillRect(rect(), colors.color(QPalette::WindowText)); return;
    case kStaticGrayRect: painter.fillRect(rect(), colors.color(QPalette::Dark)); return;
    case kStaticWhiteRect: painter.fillRect(rect(), colors.color(QPalette::Light)); return;
    case kStaticBlackFrame:
    case kStaticGrayFrame:
    case kStaticWhiteFrame:
        painter.setPen(colors.color(type == kStaticBlackFrame  ? QPalette::WindowText
                                    : type == kStaticGrayFrame ? QPalette::Dark
                                                               : QPalette::Light));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        return;
    default: break;
    }
    QString text = from_ansi(view_.text);
    qsizetype mnemonic = (view_.style & SS_NOPREFIX) ? -1 : mnemonic_position(text);
    if (!(view_.style & SS_NOPREFIX)) text = strip_mnemonics(text);
    bool wraps = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
    std::vector<QString> lines;
    if (wraps) {
        lines = metrics_.wrap(text, width());
    } else {
        for (const QString& line : text.split(QStringLiteral("\r\n"))) lines.push_back(line);
    }
    int line_height = metrics_.height();
    int y = 0;
    if ((view_.style & SS_CENTERIMAGE) && lines.size() == 1) y = (height() - line_height) / 2;
    painter.setPen(colors.color(QPalette::WindowText));
    for (const QString& line : lines) {
        qreal room = width() - metrics_.width(line);
        qreal x = type == SS_CENTER ? std::floor(room / 2) : type == SS_RIGHT ? room : 0;
        metrics_.draw(painter, x, y, line);
        // The underlined letter, as a label of one line shows it.
        if (lines.size() == 1 && mnemonic >= 0 && mnemonic < line.size()) {
            std::vector<qreal> at = metrics_.positions(line);
            qreal under = y + metrics_.ascent() + 1;
            painter.drawLine(QPointF(x + at[mnemonic], under), QPointF(x + at[mnemonic + 1] - 1, under));
        }
        y += line_height;
        if (y >= height()) break;
    }
    if (view_.style & SS_SUNKEN) qDrawShadePanel(&painter, rect(), colors, true, 1);
}

void ControlWidget::paint_button(QPainter& painter) {
    QStyleOptionButton option;
    option.initFrom(this);
    option.text = from_ansi(view_.text);
    option.fontMetrics = QFontMetrics(metrics_.font());
    option.state.setFlag(QStyle::State_Enabled, view_.enabled);
    option.state.setFlag(QStyle::State_HasFocus, view_.focused && isActiveWindow());
    // The focus shows, as Windows shows it once the keys are in use.
    option.state.setFlag(QStyle::State_KeyboardFocusChange, view_.focused && isActiveWindow());
    option.state &= ~QStyle::State_MouseOver;
    if (!view_.enabled) option.palette.setCurrentColorGroup(QPalette::Disabled);
    if (kind_ == Kind::PushButton) {
        bool pressed = host_->pressed_control() == hwnd_;
        option.state |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;
        if ((view_.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) option.features |= QStyleOptionButton::DefaultButton;
        style()->drawControl(QStyle::CE_PushButton, &option, &painter, this);
        return;
    }
    option.state |= view_.check == BST_CHECKED         ? QStyle::State_On
                    : view_.check == BST_INDETERMINATE ? QStyle::State_NoChange
                                                       : QStyle::State_Off;
    style()->drawControl(kind_ == Kind::RadioButton ? QStyle::CE_RadioButton : QStyle::CE_CheckBox, &option, &painter,
                         this);
}

void ControlWidget::paint_group_box(QPainter& painter) {
    QPalette colors = palette();
    if (!view_.enabled) colors.setCurrentColorGroup(QPalette::Disabled);
    QString title = strip_mnemonics(from_ansi(view_.text));
    // As on Windows: the frame's top line runs through the middle of the title.
    int top = metrics_.height() / 2;
    qDrawShadeRect(&painter, QRect(0, top, width(), height() - top), colors, true, 1, 0);
    if (title.isEmpty()) return;
    qreal x = metrics_.average_width();
    qreal w = metrics_.width(title);
    painter.fillRect(QRectF(x - 2, 0, w + 4, metrics_.height()), colors.color(QPalette::Window));
    painter.setPen(colors.color(QPalette::WindowText));
    metrics_.draw(painter, x, 0, title);
}

void ControlWidget::paint_combo(QPainter& painter) {
    bool editable = editable_combo(view_);
    QStyleOptionComboBox option;
    option.initFrom(this);
    option.rect = QRect(0, 0, width(), field_height_);
    option.editable = editable;
    option.frame = true;
    option.fontMetrics = QFontMetrics(metrics_.font());
    option.state.setFlag(QStyle::State_Enabled, view_.enabled);
    option.state.setFlag(QStyle::State_HasFocus, view_.focused && isActiveWindow());
    option.state &= ~QStyle::State_MouseOver;
    if (!view_.enabled) option.palette.setCurrentColorGroup(QPalette::Disabled);
    bool dropped = host_->combo_dropped(hwnd_);
    if (dropped) option.state |= QStyle::State_On | QStyle::State_Sunken;
    option.subControls = QStyle::SC_All;
    option.activeSubControls = dropped ? QStyle::SC_ComboBoxArrow : QStyle::SC_None;
    if (!editable) option.currentText = from_ansi(view_.text);
    style()->drawComplexControl(QStyle::CC_ComboBox, &option, &painter, this);
    if (!editable) {
        style()->drawControl(QStyle::CE_ComboBoxLabel, &option, &painter, this);
        return;
    }
    QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    QPalette colors = option.palette;
    painter.fillRect(field, colors.color(QPalette::Base));
    paint_text(painter, layout_, view_.selection_start, view_.selection_end, view_.caret);
}

void ControlWidget::paint_scroll_bar(QPainter& painter) {
    bool vertical = (view_.style & SBS_VERT) != 0;
    int length = vertical ? height() : width();
    int thickness = vertical ? width() : height();
    // As the window system finds them: a square at each end, at most half the bar.
    int arrow = std::min(thickness, length / 2);
    QRect first = vertical ? QRect(0, 0, width(), arrow) : QRect(0, 0, arrow, height());
    QRect second = vertical ? QRect(0, height() - arrow, width(), arrow) : QRect(width() - arrow, 0, arrow, height());
    QPalette colors = palette();
    if (!view_.enabled) colors.setCurrentColorGroup(QPalette::Disabled);
    painter.fillRect(rect(), colors.color(QPalette::Midlight));
    bool pressed = host_->pressed_control() == hwnd_;
    QPoint at = host_->pressed_point();
    const QStyle::PrimitiveElement arrows[2] = {vertical ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowLeft,
                                                vertical ? QStyle::PE_IndicatorArrowDown : QStyle::PE_IndicatorArrowRight};
    const QRect parts[2] = {first, second};
    for (int i = 0; i < 2; ++i) {
        QStyleOptionButton button;
        button.initFrom(this);
        button.rect = parts[i];
        button.state.setFlag(QStyle::State_Enabled, view_.enabled);
        button.state &= ~(QStyle::State_MouseOver | QStyle::State_HasFocus);
        button.state |= pressed && parts[i].contains(at) ? QStyle::State_Sunken : QStyle::State_Raised;
        if (!view_.enabled) button.palette.setCurrentColorGroup(QPalette::Disabled);
        style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &button, &painter, this);
        int inset = std::max(2, arrow / 5);
        button.rect = parts[i].adjusted(inset, inset, -inset, -inset);
        style()->drawPrimitive(arrows[i], &button, &painter, this);
    }
}

// ---- ClientArea

ClientArea::ClientArea(TopWindow* top) : QWidget(top), top_(top) {
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

ControlWidget* ClientArea::control_at(QPoint point) const {
    for (const QPointer<ControlWidget>& control : top_->controls())
        if (control && control->view().visible && control->takes_clicks() && control->shown_rect().contains(point))
            return control;
    return nullptr;
}

// ---- TopWindow

TopWindow::TopWindow(QtHost* host, HWND hwnd, QWidget* owner) : QWidget(owner, Qt::Window), host_(host), hwnd_(hwnd) {
    client_ = new ClientArea(this);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void TopWindow::apply(const WindowView& view, bool menu_changed) {
    bool first = view_.hwnd == nullptr;
    view_ = view;
    metrics_ = host_->metrics_for(view.is_dialog ? view.font : std::string());
    if (first) {
        Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
        if ((view.style & WS_CAPTION) == WS_CAPTION) {
            flags |= Qt::WindowTitleHint;
            if (view.style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (view.style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
        } else {
            flags |= Qt::FramelessWindowHint;
        }
        setWindowFlags(flags);
        client_->setFont(metrics_.font());
    }
    QString title = from_ansi(view.text);
    if (windowTitle() != title) setWindowTitle(title);
    if (view.icons[0] != icons_[0] || view.icons[1] != icons_[1]) {
        icons_[0] = view.icons[0];
        icons_[1] = view.icons[1];
        QIcon icon;
        for (HICON handle : icons_) {
            QIcon images = icon_for(handle);
            for (const QSize& size : images.availableSizes()) icon.addPixmap(images.pixmap(size));
        }
        setWindowIcon(icon);
    }
    if (menu_changed || view.menu != menu_) build_menu_bar();
    int width = view.rect.right - view.rect.left;
    int height = view.rect.bottom - view.rect.top;
    int menu_height = menu_bar_ ? menu_bar_->heightForWidth(width) : 0;
    if (menu_bar_ && menu_height <= 0) menu_height = menu_bar_->sizeHint().height();
    if (menu_bar_) menu_bar_->setGeometry(0, 0, width, menu_height);
    client_->setGeometry(0, menu_height, width, height);
    setFixedSize(width, height + menu_height);
    // Moved by the program once shown: MoveWindow's place, on the screen.
    if (placed_ && view.positioned && pos() != QPoint(view.rect.left, view.rect.top)) place();
    sync_controls();
}

ControlWidget* TopWindow::control(HWND hwnd) const {
    auto found = controls_.find(hwnd);
    return found == controls_.end() ? nullptr : found->second.data();
}

void TopWindow::sync_controls() {
    std::set<HWND> alive;
    order_.clear();
    for (HWND child : child_windows(hwnd_)) {
        WindowView view;
        if (!view_window(child, &view)) continue;
        alive.insert(child);
        QPointer<ControlWidget>& widget = controls_[child];
        if (!widget) widget = new ControlWidget(host_, child, client_);
        widget->apply(view, metrics_);
        order_.push_back(widget);
    }
    for (auto it = controls_.begin(); it != controls_.end();) {
        if (alive.count(it->first)) {
            ++it;
            continue;
        }
        if (it->second) host_->retire(it->second);
        it = controls_.erase(it);
    }
}

QIcon TopWindow::icon_for(HICON handle) {
    QIcon icon;
    if (const auto* images = icon_images(handle))
        for (const IconImage& image : *images) icon.addPixmap(QPixmap::fromImage(to_image(image.width, image.height, image.argb)));
    return icon;
}

void TopWindow::build_menu_bar() {
    menu_ = view_.menu;
    if (menu_bar_) host_->retire(menu_bar_);
    menu_bar_ = nullptr;
    std::vector<MenuItemView> items;
    if (!menu_ || !view_menu(menu_, &items)) return;
    menu_bar_ = new QMenuBar(this);
    menu_bar_->setNativeMenuBar(false);
    menu_bar_->setFont(QGuiApplication::font());
    HWND hwnd = hwnd_;
    QtHost* host = host_;
    for (size_t i = 0; i < items.size(); ++i) {
        const MenuItemView& item = items[i];
        bool enabled = !(item.flags & (MF_GRAYED | MF_DISABLED));
        if (item.flags & MF_SEPARATOR) continue;
        if (item.flags & MF_POPUP) {
            auto* menu = new QMenu(from_ansi(item.text), menu_bar_);
            menu_bar_->addMenu(menu)->setEnabled(enabled);
            std::vector<int> path{static_cast<int>(i)};
            fill_menu(menu, path);
            // The program may have changed its items since: read them anew.
            connect(menu, &QMenu::aboutToShow, menu, [this, menu, path] { fill_menu(menu, path); });
        } else {
            QAction* action = menu_bar_->addAction(from_ansi(item.text));
            action->setEnabled(enabled);
            UINT id = item.id;
            connect(action, &QAction::triggered, action, [host, hwnd, id] { host->choose_menu_item(hwnd, id); });
        }
    }
    menu_bar_->show();
}

void TopWindow::fill_menu(QMenu* menu, const std::vector<int>& path) {
    std::vector<MenuItemView> items;
    if (!view_menu(menu_, &items)) return;
    for (int index : path) {
        if (index < 0 || index >= static_cast<int>(items.size())) return;
        std::vector<MenuItemView> inner = items[static_cast<size_t>(index)].popup;
        items = std::move(inner);
    }
    menu->clear();
    for (QMenu* old : menu->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly)) old->deleteLater();
    HWND hwnd = hwnd_;
    QtHost* host = host_;
    for (size_t i = 0; i < items.size(); ++i) {
        const MenuItemView& item = items[i];
        bool enabled = !(item.flags & (MF_GRAYED | MF_DISABLED));
        if (item.flags & MF_SEPARATOR) {
            menu->addSeparator();
        } else if (item.flags & MF_POPUP) {
            auto* sub = new QMenu(from_ansi(item.text), menu);
            menu->addMenu(sub)->setEnabled(enabled);
            std::vector<int> inner = path;
            inner.push_back(static_cast<int>(i));
            fill_menu(sub, inner);
        } else {
            QAction* action = menu->addAction(from_ansi(item.text));
            action->setEnabled(enabled);
            if (item.flags & MF_CHECKED) {
                action->setCheckable(true);
                action->setChecked(true);
            }
            UINT id = item.id;
            connect(action, &QAction::triggered, action, [host, hwnd, id] { host->choose_menu_item(hwnd, id); });
        }
    }
}

void TopWindow::place() {
    placed_ = true;
    QWidget* owner = parentWidget();
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect available = screen->availableGeometry();
    QRect around = (owner && owner->isVisible() && !(view_.style & DS_CENTER)) ? owner->frameGeometry() : available;
    QPoint at(around.center().x() - width() / 2, around.center().y() - height() / 2);
    if (view_.positioned) at = QPoint(view_.rect.left, view_.rect.top);
    // The frame counts once the window has one.
    QSize outer = frameGeometry().size();
    at.setX(std::clamp(at.x(), available.left(), std::max(available.left(), available.right() + 1 - outer.width())));
    at.setY(std::clamp(at.y(), available.top(), std::max(available.top(), available.bottom() + 1 - outer.height())));
    move(at);
}

void TopWindow::closeEvent(QCloseEvent* event) {
    // The window system decides whether the window closes.
    event->ignore();
    host_->close_requested(hwnd_);
}

void TopWindow::moveEvent(QMoveEvent* event) {
    host_moved_window(hwnd_, pos().x(), pos().y());
    QWidget::moveEvent(event);
}

void TopWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow()) host_->window_activated(this);
        // The caret and the focus show only in the active window.
        for (const QPointer<ControlWidget>& control : order_)
            if (control) control->update();
    }
    QWidget::changeEvent(event);
}

}  // namespace platform::qt
