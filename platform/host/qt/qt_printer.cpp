#include "platform/host/qt/qt_printer.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPrinter>
#include <cmath>
#include <cstring>

#include "platform/host/qt/text_layout.h"

namespace platform::qt {

namespace {
// Windows' weights and the pitch and family bits of TEXTMETRIC.
constexpr LONG kNormalWeight = 400;
constexpr LONG kBoldWeight = 700;
constexpr BYTE kModernFamily = 0x30;
constexpr BYTE kVectorFont = 0x02;
constexpr BYTE kTrueTypeFont = 0x04;
constexpr BYTE kVariablePitch = 0x01;  // Windows names it TMPF_FIXED_PITCH, and means the opposite
}  // namespace

QtPrinter::QtPrinter(std::shared_ptr<QPrinter> printer, std::function<void(const QString&)> failed)
    : printer_(std::move(printer)), failed_(std::move(failed)), font_(printer_font()) {}

QtPrinter::~QtPrinter() {
    if (painter_.isActive()) {
        printer_->abort();
        painter_.end();
    }
}

QFont QtPrinter::printer_font() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
    return font;
}

TEXTMETRICA QtPrinter::text_metrics() {
    QFontMetrics metrics(font_, printer_.get());
    TEXTMETRICA tm;
    memset(&tm, 0, sizeof tm);
    tm.tmAscent = metrics.ascent();
    tm.tmDescent = metrics.descent();
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    // The em square in device units; what the height has beyond it is leading inside the cell.
    auto em = static_cast<LONG>(std::lround(font_.pointSizeF() * printer_->resolution() / 72.0));
    tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - em);
    tm.tmExternalLeading = std::max(0, metrics.leading());
    tm.tmAveCharWidth = metrics.averageCharWidth();
    tm.tmMaxCharWidth = metrics.maxWidth();
    tm.tmWeight = font_.bold() ? kBoldWeight : kNormalWeight;
    tm.tmDigitizedAspectX = printer_->resolution();
    tm.tmDigitizedAspectY = printer_->resolution();
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFF;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmPitchAndFamily = kModernFamily | kVectorFont | kTrueTypeFont;
    if (!QFontInfo(font_).fixedPitch()) tm.tmPitchAndFamily |= kVariablePitch;
    tm.tmCharSet = 0;  // ANSI_CHARSET
    return tm;
}

int QtPrinter::device_caps(int index) {
    int resolution = printer_->resolution();
    switch (index) {
    case HORZRES: return printer_->pageLayout().paintRectPixels(resolution).width();
    case VERTRES: return printer_->pageLayout().paintRectPixels(resolution).height();
    case LOGPIXELSX:
    case LOGPIXELSY: return resolution;
    default: return 0;
    }
}

int QtPrinter::start_doc(const std::string& name) {
    if (in_document_) return 0;
    printer_->setDocName(from_ansi(name));
    in_document_ = true;
    pages_ = 0;
    return 1;
}

int QtPrinter::start_page() {
    if (!in_document_) return 0;
    if (pages_ == 0) {
        // The painter begins with the first page, so a document without
        // pages prints nothing at all.
        if (!painter_.begin(printer_.get())) {
            in_document_ = false;
            QString where = printer_->outputFileName().isEmpty() ? printer_->printerName() : printer_->outputFileName();
            if (failed_) failed_(where);
            return 0;
        }
        painter_.setFont(font_);
    } else if (!printer_->newPage()) {
        return 0;
    }
    ++pages_;
    return 1;
}

bool QtPrinter::text_out(int x, int y, const std::string& bytes) {
    if (!painter_.isActive()) return false;
    QFontMetricsF metrics(font_, printer_.get());
    QString text = from_ansi(bytes, true);
    qreal advance = metrics.horizontalAdvance(QLatin1Char('0'));
    // y is the top of the line, as TextOutA takes it; every character takes
    // one column of the fixed-pitch font, controls included.
    qreal baseline = y + metrics.ascent();
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] != QLatin1Char(' ')) painter_.drawText(QPointF(x + advance * static_cast<qreal>(i), baseline), QString(text[i]));
    return true;
}

int QtPrinter::end_page() { return in_document_ ? 1 : 0; }

int QtPrinter::end_doc() {
    if (!in_document_) return 0;
    in_document_ = false;
    if (!painter_.isActive()) return 1;
    return painter_.end() ? 1 : 0;
}

int QtPrinter::abort_doc() {
    in_document_ = false;
    if (painter_.isActive()) {
        printer_->abort();
        painter_.end();
    }
    return 1;
}

}  // namespace platform::qt
