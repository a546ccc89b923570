// The dropped-down list of a combo box: a popup the host shows under the
// field. Choosing an entry goes to the window system, which selects it.
#pragma once

#include <QFrame>

#include "platform/win32.h"

class QListWidget;

namespace platform::qt {

class ControlWidget;
class QtHost;

class ComboPopup : public QFrame {
public:
    ComboPopup(QtHost* host, ControlWidget* combo);

    HWND combo() const { return combo_; }
    QListWidget* list() const { return list_; }

protected:
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(int row);

    QtHost* host_;
    HWND combo_;
    QListWidget* list_;
    bool chosen_ = false;
    bool closed_ = false;
};

}  // namespace platform::qt
