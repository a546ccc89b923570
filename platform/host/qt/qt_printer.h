// A printer device context's device: a QPrinter (a real printer or a PDF
// file) drawn on with a QPainter in the printer's device units.
#pragma once

#include <QFont>
#include <QPainter>
#include <functional>
#include <memory>

#include "platform/host/host.h"

class QPrinter;

namespace platform::qt {

class QtPrinter : public PrinterDevice {
public:
    // failed is told, on the printing thread, when the document cannot be
    // begun (a file that cannot be written, a printer that refuses).
    QtPrinter(std::shared_ptr<QPrinter> printer, std::function<void(const QString&)> failed);
    ~QtPrinter() override;

    TEXTMETRICA text_metrics() override;
    int device_caps(int index) override;
    int start_doc(const std::string& name) override;
    int start_page() override;
    bool text_out(int x, int y, const std::string& bytes) override;
    int end_page() override;
    int end_doc() override;
    int abort_doc() override;

    // The printer's font: the system's fixed font, so that dumps keep their columns.
    static QFont printer_font();

private:
    std::shared_ptr<QPrinter> printer_;
    std::function<void(const QString&)> failed_;
    QPainter painter_;
    QFont font_;
    bool in_document_ = false;
    int pages_ = 0;
};

}  // namespace platform::qt
