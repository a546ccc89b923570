#include "platform/host/qt/modal_dialogs.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QThread>
#include <utility>
#include <vector>

#include "platform/host/qt/qt_host.h"
#include "platform/host/qt/qt_printer.h"
#include "platform/host/qt/text_layout.h"
#include "platform/host/qt/window_widgets.h"
#include "platform/user/input.h"
#include "platform/user/window_view.h"

namespace platform::qt {

namespace {

constexpr int kIdTryAgain = 10;
constexpr int kIdContinue = 11;
constexpr UINT kCancelTryContinue = 6;

struct BoxButton {
    QMessageBox::StandardButton button;
    int id;
};

std::vector<BoxButton> box_buttons(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
        return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL: return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    case kCancelTryContinue:
        return {{QMessageBox::Cancel, IDCANCEL}, {QMessageBox::Retry, kIdTryAgain}, {QMessageBox::Ignore, kIdContinue}};
    default: return {{QMessageBox::Ok, IDOK}};
    }
}

// What Escape or the close box answer on Windows; 0 where they answer nothing.
int escape_answer(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OK: return IDOK;
    case MB_YESNO:
    case MB_ABORTRETRYIGNORE: return 0;
    default: return IDCANCEL;
    }
}

QMessageBox::Icon box_icon(UINT type) {
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// "Binary Files" and "*.bin;*.img" as Qt writes a filter: "Binary Files (*.bin *.img)".
// Windows' "*.*" matches every name, with a dot or without.
QString name_filter(const std::pair<std::string, std::string>& filter) {
    QStringList patterns;
    for (const QString& pattern : from_ansi(filter.second).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        QString trimmed = pattern.trimmed();
        patterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
    }
    if (patterns.isEmpty()) patterns << QStringLiteral("*");
    return from_ansi(filter.first) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

// The path as the window system will hand it to the program: with the
// default extension when the name has none.
QByteArray final_path(const QString& chosen, const QString& extension) {
    QByteArray path = QFile::encodeName(chosen);
    qsizetype name = path.lastIndexOf('/') + 1;
    if (!extension.isEmpty() && path.indexOf('.', name) < 0) path += '.' + QFile::encodeName(extension);
    return path;
}

// A file dialog that refuses a path longer than the caller can take.
class PathDialog : public QFileDialog {
public:
    PathDialog(QWidget* parent, const QString& title, DWORD max_path, QString extension)
        : QFileDialog(parent, title), max_path_(max_path), extension_(std::move(extension)) {}

    void accept() override {
        QStringList files = selectedFiles();
        if (max_path_ > 0 && !files.isEmpty() &&
            static_cast<DWORD>(final_path(files.first(), extension_).size()) + 1 > max_path_) {
            auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                        ModalDialogs::path_too_long_message(max_path_), QMessageBox::Ok, this);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->open();
            return;
        }
        QFileDialog::accept();
    }

private:
    DWORD max_path_;
    QString extension_;
};

QString default_pdf_path() { return QDir::home().filePath(QStringLiteral("Orvasse.pdf")); }

}  // namespace

ModalDialogs::ModalDialogs(QtHost* host) : host_(host) {}

ModalDialogs::~ModalDialogs() {
    for (auto& [token, dialog] : dialogs_) delete dialog.data();
}

QString ModalDialogs::path_too_long_message(DWORD max_path) {
    return QStringLiteral("The path is too long. Choose a path of at most %1 characters.")
        .arg(max_path > 0 ? max_path - 1 : 0);
}

bool ModalDialogs::answers_only_by_button(QObject* dialog) const { return button_only_.count(dialog) != 0; }

void ModalDialogs::opened(ModalRequest* request) {
    int token = 0;
    {
        std::lock_guard<std::mutex> hold(lock_);
        token = next_token_++;
        open_[token] = Open{request, false};
    }
    if (QThread::currentThread() == host_->thread()) {
        show(token);
        return;
    }
    {
        std::lock_guard<std::mutex> hold(lock_);
        pending_show_.push_back(token);
    }
    host_->wake();
}

void ModalDialogs::closed(ModalRequest* request) {
    int token = 0;
    {
        std::lock_guard<std::mutex> hold(lock_);
        for (auto it = open_.begin(); it != open_.end(); ++it) {
            if (it->second.request == request) {
                token = it->first;
                open_.erase(it);
                break;
            }
        }
    }
    if (!token) return;
    if (QThread::currentThread() == host_->thread()) {
        dismiss(token);
        return;
    }
    {
        std::lock_guard<std::mutex> hold(lock_);
        pending_dismiss_.push_back(token);
    }
    host_->wake();
}

void ModalDialogs::serve_pending() {
    std::vector<int> show_now, dismiss_now;
    {
        std::lock_guard<std::mutex> hold(lock_);
        show_now.swap(pending_show_);
        dismiss_now.swap(pending_dismiss_);
    }
    // A request closed before it was shown is skipped by show().
    for (int token : show_now) show(token);
    for (int token : dismiss_now) dismiss(token);
}

void ModalDialogs::dismiss(int token) {
    QPointer<QDialog> dialog = dialogs_[token];
    dialogs_.erase(token);
    printers_.erase(token);
    if (!dialog) return;
    button_only_.erase(dialog.data());
    // The request has ended, answered or not: its dialog goes.
    dialog->disconnect();
    dialog->hide();
    host_->retire(dialog);
}

template <class F>
void ModalDialogs::answer(int token, F&& fill) {
    std::lock_guard<std::mutex> hold(lock_);
    auto found = open_.find(token);
    if (found == open_.end() || found->second.answered) return;
    found->second.answered = true;
    fill(found->second.request);
    complete_modal_request(found->second.request);
}

QWidget* ModalDialogs::owner_widget(HWND owner) const {
    if (!owner) return nullptr;
    WindowView view;
    for (HWND at = owner; at && view_window(at, &view); at = view.parent)
        if (!view.parent) return host_->top_window(at);
    return nullptr;
}

void ModalDialogs::show(int token) {
    // The request stays as it is while it is open; copy what the dialog needs.
    std::unique_ptr<ModalRequest> copy;
    {
        std::lock_guard<std::mutex> hold(lock_);
        auto found = open_.find(token);
        if (found == open_.end()) return;
        ModalRequest* request = found->second.request;
        switch (request->kind) {
        case ModalRequest::Kind::MessageBox: {
            auto box = std::make_unique<MessageBoxRequest>();
            auto* from = static_cast<MessageBoxRequest*>(request);
            box->text = from->text;
            box->caption = from->caption;
            box->type = from->type;
            copy = std::move(box);
            break;
        }
        case ModalRequest::Kind::OpenFile:
        case ModalRequest::Kind::SaveFile: {
            auto* from = static_cast<FileDialogRequest*>(request);
            auto file = std::make_unique<FileDialogRequest>(request->kind == ModalRequest::Kind::SaveFile);
            file->title = from->title;
            file->filters = from->filters;
            file->filter_index = from->filter_index;
            file->initial_path = from->initial_path;
            file->default_extension = from->default_extension;
            file->flags = from->flags;
            file->max_path = from->max_path;
            copy = std::move(file);
            break;
        }
        case ModalRequest::Kind::Print: {
            auto* from = static_cast<PrintDialogRequest*>(request);
            auto print = std::make_unique<PrintDialogRequest>();
            print->flags = from->flags;
            print->copies = from->copies;
            copy = std::move(print);
            break;
        }
        }
        copy->owner = request->owner;
    }
    QDialog* dialog = nullptr;
    switch (copy->kind) {
    case ModalRequest::Kind::MessageBox: dialog = message_box(token, static_cast<MessageBoxRequest&>(*copy)); break;
    case ModalRequest::Kind::OpenFile:
    case ModalRequest::Kind::SaveFile: dialog = file_dialog(token, static_cast<FileDialogRequest&>(*copy)); break;
    case ModalRequest::Kind::Print: dialog = print_dialog(token, static_cast<PrintDialogRequest&>(*copy)); break;
    }
    if (!dialog) return;
    dialogs_[token] = dialog;
    // A dialog that goes without an answer (its owner went) still ends the
    // wait: with nothing chosen, as a box that failed.
    QObject::connect(dialog, &QObject::destroyed, [this, token] { answer(token, [](ModalRequest*) {}); });
    // Modal to the owner only while the window system keeps the owner from input.
    HWND owner = copy->owner;
    bool owner_waits = owner && IsWindow(owner) && !accepts_input(owner);
    dialog->setWindowModality(owner_waits ? Qt::WindowModal : Qt::NonModal);
    dialog->show();
    dialog->activateWindow();
}

QDialog* ModalDialogs::message_box(int token, const MessageBoxRequest& request) {
    auto* box = new QMessageBox(owner_widget(request.owner));
    box->setWindowTitle(from_ansi(request.caption));
    box->setTextFormat(Qt::PlainText);
    box->setText(from_ansi(request.text));
    box->setIcon(box_icon(request.type));
    std::vector<BoxButton> buttons = box_buttons(request.type);
    std::map<QAbstractButton*, int> ids;
    for (const BoxButton& button : buttons) ids[static_cast<QAbstractButton*>(box->addButton(button.button))] = button.id;
    size_t default_index = (request.type & MB_DEFMASK) >> 8;
    if (default_index < buttons.size()) box->setDefaultButton(buttons[default_index].button);
    int on_escape = escape_answer(request.type);
    if (!on_escape) button_only_.insert(box);
    QObject::connect(box, &QMessageBox::finished, box, [this, token, box, ids, on_escape](int) {
        auto found = ids.find(box->clickedButton());
        int id = found != ids.end() ? found->second : on_escape;
        if (!id) id = ids.rbegin()->second;
        answer(token, [id](ModalRequest* request) { static_cast<MessageBoxRequest*>(request)->answer = id; });
    });
    return box;
}

QDialog* ModalDialogs::file_dialog(int token, const FileDialogRequest& request) {
    QString extension = from_ansi(request.default_extension);
    bool save = request.kind == ModalRequest::Kind::SaveFile;
    auto* dialog = new PathDialog(owner_widget(request.owner), from_ansi(request.title), request.max_path, extension);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(!save && (request.flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // The window system asks before a file is replaced, once the default
    // extension is on its name, for both hosts alike.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    QStringList filters;
    for (const auto& filter : request.filters) filters << name_filter(filter);
    if (!filters.isEmpty()) {
        dialog->setNameFilters(filters);
        int index = request.filter_index - 1;
        dialog->selectNameFilter(filters.value(index >= 0 && index < filters.size() ? index : 0));
    }
    dialog->setDefaultSuffix(extension);
    if (!request.initial_path.empty()) {
        QFileInfo initial(QFile::decodeName(QByteArray::fromStdString(request.initial_path)));
        if (initial.isDir()) {
            dialog->setDirectory(initial.absoluteFilePath());
        } else {
            if (initial.absoluteDir().exists()) dialog->setDirectory(initial.absolutePath());
            dialog->selectFile(initial.fileName());
        }
    }
    QObject::connect(dialog, &QFileDialog::finished, dialog, [this, token, dialog, filters](int result) {
        if (result != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
            answer(token, [](ModalRequest* request) { static_cast<FileDialogRequest*>(request)->accepted = false; });
            return;
        }
        std::string path = QFile::encodeName(dialog->selectedFiles().first()).toStdString();
        int index = static_cast<int>(filters.indexOf(dialog->selectedNameFilter())) + 1;
        answer(token, [path, index](ModalRequest* request) {
            auto* file = static_cast<FileDialogRequest*>(request);
            file->accepted = true;
            file->path = path;
            if (index > 0) file->filter_index = index;
        });
    });
    return dialog;
}

QDialog* ModalDialogs::print_dialog(int token, const PrintDialogRequest& request) {
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    bool no_printer = QPrinterInfo::availablePrinterNames().isEmpty();
    if (no_printer || printer->outputFormat() == QPrinter::PdfFormat) {
        // Without a printer the document goes to a PDF file.
        printer->setOutputFormat(QPrinter::PdfFormat);
        if (printer->outputFileName().isEmpty()) printer->setOutputFileName(default_pdf_path());
    }
    printer->setCopyCount(request.copies > 0 ? request.copies : 1);
    auto failed = [](const QString& where) {
        QCoreApplication* application = QCoreApplication::instance();
        if (!application) return;
        QMetaObject::invokeMethod(application, [where] {
            auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Print"),
                                        QStringLiteral("The document could not be printed to %1.").arg(where),
                                        QMessageBox::Ok);
            box->setObjectName(QStringLiteral("print-failed"));
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->show();
        }, Qt::QueuedConnection);
    };
    if (request.flags & PD_RETURNDEFAULT) {
        answer(token, [printer, failed](ModalRequest* r) {
            auto* print = static_cast<PrintDialogRequest*>(r);
            print->accepted = true;
            print->printer = std::make_shared<QtPrinter>(printer, failed);
        });
        return nullptr;
    }
    auto* dialog = new QPrintDialog(printer.get(), owner_widget(request.owner));
    printers_[token] = printer;
    dialog->setOption(QAbstractPrintDialog::PrintSelection, !(request.flags & PD_NOSELECTION));
    dialog->setOption(QAbstractPrintDialog::PrintPageRange, !(request.flags & PD_NOPAGENUMS));
    dialog->setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    // Printing to a file stays open when there is no printer to print on.
    bool file_hidden = request.flags & (PD_HIDEPRINTTOFILE | PD_DISABLEPRINTTOFILE);
    dialog->setOption(QAbstractPrintDialog::PrintToFile, no_printer || !file_hidden);
    QObject::connect(dialog, &QDialog::finished, dialog, [this, token, printer, failed](int result) {
        if (result != QDialog::Accepted) {
            answer(token, [](ModalRequest* r) { static_cast<PrintDialogRequest*>(r)->accepted = false; });
            return;
        }
        // The program prints each copy itself.
        int copies = printer->copyCount();
        printer->setCopyCount(1);
        answer(token, [printer, failed, copies](ModalRequest* r) {
            auto* print = static_cast<PrintDialogRequest*>(r);
            print->accepted = true;
            print->copies = copies;
            print->printer = std::make_shared<QtPrinter>(printer, failed);
        });
    });
    return dialog;
}

}  // namespace platform::qt
