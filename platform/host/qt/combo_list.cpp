#include "platform/host/qt/combo_list.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/host/qt/qt_host.h"
#include "platform/host/qt/window_widgets.h"
#include "platform/user/input.h"

namespace platform::qt {

ComboPopup::ComboPopup(QtHost* host, ControlWidget* combo)
    : QFrame(combo->window(), Qt::Popup), host_(host), combo_(combo->hwnd()) {
    setObjectName(QStringLiteral("combo-list"));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    list_ = new QListWidget(this);
    list_->setFont(combo->font());
    list_->setFrameStyle(QFrame::NoFrame);
    list_->setUniformItemSizes(true);
    layout->addWidget(list_);
    const WindowView& view = combo->view();
    for (const std::string& item : view.items) list_->addItem(from_ansi(item));
    if (view.selected >= 0 && view.selected < list_->count()) list_->setCurrentRow(view.selected);
    connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { choose(list_->row(item)); });
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { choose(list_->row(item)); });

    // The list takes what the template gives beyond the field, as Windows does.
    int row = list_->count() ? std::max(1, list_->sizeHintForRow(0)) : combo->fontMetrics().height() + 2;
    int wanted = std::max(1, list_->count()) * row + 2;
    int room = combo->view().rect.bottom - combo->view().rect.top - combo->field_height();
    int height = room >= row + 2 ? std::min(wanted, room) : wanted;
    QPoint at = combo->mapToGlobal(QPoint(0, combo->field_height()));
    setGeometry(at.x(), at.y(), combo->width(), height);
    list_->setFocus();
}

void ComboPopup::choose(int row) {
    if (chosen_ || row < 0) return;
    chosen_ = true;
    hide();
    HWND combo = combo_;
    host_->from_qt([combo, row] { return input_choose_combo_item(combo, row); });
}

void ComboPopup::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_F4) {
        hide();
        return;
    }
    QFrame::keyPressEvent(event);
}

void ComboPopup::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    if (closed_) return;
    closed_ = true;
    host_->combo_list_closed(combo_, chosen_);
}

}  // namespace platform::qt
