// Message boxes, file and print dialogs as Qt's dialogs, answered by
// clicking them, while the program's loop goes on serving other threads;
// printing into a PDF file; the shell through the desktop.
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cstring>
#include <thread>

#include "conformance.h"
#include "platform/host/qt/qt_printer.h"
#include "platform/user/window_view.h"
#include "qt_fixture.h"
#include "window_fixture.h"

using testing_support::conformance_module;
using testing_support::pdf_pages;

namespace {

std::atomic<DWORD> served_on{0};

INT_PTR CALLBACK serving_proc(HWND hwnd, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_USER) {
        served_on = GetCurrentThreadId();
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 42);
        return TRUE;
    }
    return FALSE;
}

class Dialogs : public testing_support::QtHostTest {
protected:
    HWND create_plain() {
        HWND hwnd = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_PLAIN), nullptr, serving_proc, 0);
        EXPECT_NE(hwnd, nullptr);
        ShowWindow(hwnd, SW_SHOW);
        settle();
        return hwnd;
    }
    static bool box_shown() { return shown<QMessageBox>() != nullptr; }
    // Clicks a button of the message box that is up.
    static void click_box(QMessageBox::StandardButton which) {
        QMessageBox* box = shown<QMessageBox>();
        ASSERT_NE(box, nullptr);
        ASSERT_NE(box->button(which), nullptr);
        QTest::mouseClick(box->button(which), Qt::LeftButton);
    }
    // From another thread: the user-interface thread clicks when it gets to it.
    static void click_box_later(QMessageBox::StandardButton which) {
        QMetaObject::invokeMethod(qApp, [which] { click_box(which); }, Qt::QueuedConnection);
    }
};

TEST_F(Dialogs, AMessageBoxShowsCaptionTextButtonsAndIconAndGivesTheAnswerClicked) {
    HWND owner = create_plain();
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QAbstractButton*> buttons;
    QWidget* parent = nullptr;
    Qt::WindowModality modality = Qt::NonModal;
    when("a message box is up", box_shown, [&] {
        QMessageBox* box = shown<QMessageBox>();
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->buttons();
        parent = box->parentWidget();
        modality = box->windowModality();
        save_screenshot(box, "message_box");
        click_box(QMessageBox::No);
    });
    EXPECT_EQ(MessageBoxA(owner, "Save changes?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(title, QStringLiteral("Question"));
    EXPECT_EQ(text, QStringLiteral("Save changes?"));
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(buttons.size(), 2);
    EXPECT_EQ(parent, window(owner));
    EXPECT_EQ(modality, Qt::WindowModal) << "the owner waits for its box";
    settle();
    EXPECT_FALSE(box_shown()) << "the answered box is gone";
}

TEST_F(Dialogs, EscapeAndTheCloseBoxAnswerOnlyWhereWindowsLetsThem) {
    HWND owner = create_plain();
    bool stayed = false;
    when("a Yes/No box is up", box_shown, [&] {
        QMessageBox* box = shown<QMessageBox>();
        QTest::keyClick(box, Qt::Key_Escape);
        box->close();
        stayed = box->isVisible();
        click_box(QMessageBox::Yes);
    });
    EXPECT_EQ(MessageBoxA(owner, "Write it?", "Question", MB_YESNO), IDYES);
    EXPECT_TRUE(stayed) << "a Yes/No box has no answer for Escape or the close box";
    settle();
    when("an OK/Cancel box is up", box_shown, [] { QTest::keyClick(shown<QMessageBox>(), Qt::Key_Escape); });
    EXPECT_EQ(MessageBoxA(owner, "Go on?", "Question", MB_OKCANCEL), IDCANCEL);
    settle();
    when("an OK box is up", box_shown, [] { shown<QMessageBox>()->close(); });
    EXPECT_EQ(MessageBoxA(owner, "Done.", "Copy Block", MB_OK), IDOK);
}

TEST_F(Dialogs, EnterPressesTheDefaultButtonTheTypeNames) {
    HWND owner = create_plain();
    when("a box is up", box_shown, [] { QTest::keyClick(shown<QMessageBox>(), Qt::Key_Return); });
    EXPECT_EQ(MessageBoxA(owner, "Retry?", "Error", MB_YESNOCANCEL | MB_DEFBUTTON2 | MB_ICONHAND), IDNO);
}

TEST_F(Dialogs, AWakeFromAnotherThreadEndsTheWait) {
    stop_ticking();
    DWORD ui = GetCurrentThreadId();
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        PostThreadMessageA(ui, WM_APP, 0, 0);
        // Should the wait not end, a Qt event ends it, and the test fails on the time.
        for (int i = 0; i < 300 && !returned; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!returned) QMetaObject::invokeMethod(qApp, [] {}, Qt::QueuedConnection);
    });
    QElapsedTimer elapsed;
    elapsed.start();
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    returned = true;
    worker.join();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_APP));
    EXPECT_LT(elapsed.elapsed(), 2000);
}

TEST_F(Dialogs, ASendFromAWorkerIsServedWhileAMessageBoxIsUp) {
    HWND dialog = create_plain();
    std::atomic<bool> box_up{false};
    LRESULT result = 0;
    std::thread worker([&] {
        while (!box_up) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // Only the host's wake lets the box's loop serve this now.
        result = SendMessageA(dialog, WM_USER, 0, 0);
        click_box_later(QMessageBox::Ok);
    });
    when("the box is up", box_shown, [&] {
        stop_ticking();
        box_up = true;
    });
    EXPECT_EQ(MessageBoxA(dialog, "Searching", "Search Disk", MB_OK), IDOK);
    worker.join();
    EXPECT_EQ(result, 42);
    EXPECT_EQ(served_on.load(), GetCurrentThreadId()) << "served by the user-interface thread during the box";
}

TEST_F(Dialogs, AWorkersMessageBoxShowsAndAnswersItsThread) {
    std::atomic<int> answer{0};
    std::atomic<bool> done{false};
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    std::thread worker([&] {
        answer = MessageBoxA(nullptr, "Error reading disk", "Error", MB_OK | MB_ICONHAND);
        done = true;
    });
    when("the worker's box is up", box_shown, [&] {
        text = shown<QMessageBox>()->text();
        icon = shown<QMessageBox>()->icon();
        click_box(QMessageBox::Ok);
    });
    EXPECT_TRUE(pump_until([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(answer.load(), IDOK);
    EXPECT_EQ(text, QStringLiteral("Error reading disk"));
    EXPECT_EQ(icon, QMessageBox::Critical);
}

// The image dialogs' record: a 256-byte path, the binary and all-files filters, "bin".
struct ImageDialog {
    OPENFILENAMEA record;
    char path[256] = "";
    explicit ImageDialog(HWND owner, const std::string& initial = "") {
        memset(&record, 0, sizeof record);
        record.lStructSize = sizeof record;
        record.hwndOwner = owner;
        record.lpstrFilter = "Binary Files\0*.bin\0All Files\0*.*\0\0";
        record.nFilterIndex = 1;
        record.lpstrFile = path;
        record.nMaxFile = sizeof path;
        record.lpstrTitle = "Export Sector Image";
        record.lpstrDefExt = "bin";
        snprintf(path, sizeof path, "%s", initial.c_str());
    }
};

void type_file_name(QFileDialog* dialog, const QString& name) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
}

// Clicks the dialog's Save (or Open) button.
void press_accept(QFileDialog* dialog) {
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    QPushButton* button = buttons->button(dialog->acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save
                                                                                          : QDialogButtonBox::Open);
    ASSERT_TRUE(button && button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

TEST_F(Dialogs, TheFileDialogTakesTitleFiltersPathAndExtensionAndGivesThePathChosen) {
    HWND owner = create_plain();
    QTemporaryDir folder;
    ImageDialog image(owner, QFile::encodeName(folder.filePath(QStringLiteral("old.bin"))).toStdString());
    QString title, suffix, filter, directory, name;
    QStringList filters;
    bool save = false, native = true;
    when("the file dialog is up", [] { return shown<QFileDialog>() != nullptr; }, [&] {
        QFileDialog* dialog = shown<QFileDialog>();
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        filter = dialog->selectedNameFilter();
        suffix = dialog->defaultSuffix();
        save = dialog->acceptMode() == QFileDialog::AcceptSave;
        native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
        directory = dialog->directory().absolutePath();
        name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        type_file_name(dialog, QStringLiteral("image"));
        press_accept(dialog);
    });
    ASSERT_TRUE(GetSaveFileNameA(&image.record));
    EXPECT_EQ(title, QStringLiteral("Export Sector Image"));
    EXPECT_EQ(filters, (QStringList{QStringLiteral("Binary Files (*.bin)"), QStringLiteral("All Files (*)")}));
    EXPECT_EQ(filter, QStringLiteral("Binary Files (*.bin)"));
    EXPECT_EQ(suffix, QStringLiteral("bin"));
    EXPECT_TRUE(save);
    EXPECT_FALSE(native);
    EXPECT_EQ(directory, QDir(folder.path()).absolutePath()) << "it opens where the last path was";
    EXPECT_EQ(name, QStringLiteral("old.bin"));
    EXPECT_EQ(std::string(image.path), QFile::encodeName(folder.filePath(QStringLiteral("image.bin"))).toStdString());
    EXPECT_EQ(image.record.nFilterIndex, 1u);
}

TEST_F(Dialogs, AFileDialogRefusesAPathLongerThanTheCallersBuffer) {
    HWND owner = create_plain();
    QTemporaryDir folder;
    ImageDialog image(owner, QFile::encodeName(folder.path() + QStringLiteral("/")).toStdString());
    // Names that make the whole path, ".bin" added, 256 and 255 characters long.
    int base = static_cast<int>(QFile::encodeName(folder.path()).size()) + 1 + 4;
    QString too_long(256 - base, QLatin1Char('a'));
    QString longest(255 - base, QLatin1Char('b'));
    bool refused = false;
    QString warning;
    when("the file dialog is up", [] { return shown<QFileDialog>() != nullptr; }, [&] {
        QFileDialog* dialog = shown<QFileDialog>();
        type_file_name(dialog, too_long);
        press_accept(dialog);
        refused = dialog->isVisible();
        auto* box = dialog->findChild<QMessageBox*>();
        ASSERT_TRUE(box && box->isVisible());
        warning = box->text();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        type_file_name(dialog, longest);
        press_accept(dialog);
    });
    ASSERT_TRUE(GetSaveFileNameA(&image.record));
    EXPECT_TRUE(refused);
    EXPECT_TRUE(warning.contains(QStringLiteral("255"))) << warning.toStdString();
    EXPECT_EQ(strlen(image.path), 255u);
    EXPECT_EQ(std::string(image.path), QFile::encodeName(folder.filePath(longest + QStringLiteral(".bin"))).toStdString());
}

TEST_F(Dialogs, ACancelledFileDialogGivesNothingAndNoError) {
    HWND owner = create_plain();
    ImageDialog image(owner);
    bool opens = false;
    when("the file dialog is up", [] { return shown<QFileDialog>() != nullptr; }, [&] {
        opens = shown<QFileDialog>()->acceptMode() == QFileDialog::AcceptOpen;
        shown<QFileDialog>()->reject();
    });
    EXPECT_FALSE(GetOpenFileNameA(&image.record));
    EXPECT_TRUE(opens);
    EXPECT_EQ(CommDlgExtendedError(), 0u);
}

TEST_F(Dialogs, ThePrintDialogGivesTheCopiesAndAPrinterThatPrintsEachPage) {
    HWND owner = create_plain();
    QTemporaryDir folder;
    QString output = folder.filePath(QStringLiteral("sector.pdf"));
    PRINTDLGA print;
    memset(&print, 0, sizeof print);
    print.lStructSize = sizeof print;
    print.hwndOwner = owner;
    print.Flags = PD_HIDEPRINTTOFILE | PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION;
    print.nCopies = 1;
    when("the print dialog is up", [] { return shown<QPrintDialog>() != nullptr; }, [&] {
        QPrintDialog* dialog = shown<QPrintDialog>();
        auto* copies = dialog->findChild<QSpinBox*>(QStringLiteral("copies"));
        auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
        ASSERT_TRUE(copies && file);
        copies->setValue(3);
        file->setText(output);
        dialog->accept();
    });
    ASSERT_TRUE(PrintDlgA(&print));
    ASSERT_NE(print.hDC, nullptr);
    EXPECT_EQ(print.nCopies, 3);
    TEXTMETRICA metrics;
    ASSERT_TRUE(GetTextMetricsA(print.hDC, &metrics));
    EXPECT_GT(metrics.tmHeight, 0);
    EXPECT_EQ(metrics.tmHeight, metrics.tmAscent + metrics.tmDescent);
    EXPECT_GT(GetDeviceCaps(print.hDC, LOGPIXELSY), 0);
    EXPECT_GT(GetDeviceCaps(print.hDC, VERTRES), 34 * (metrics.tmHeight + metrics.tmExternalLeading))
        << "a heading and 32 lines fit a page";
    DOCINFOA document = {sizeof(DOCINFOA), "Printing text", nullptr, nullptr, 0};
    EXPECT_GT(StartDocA(print.hDC, &document), 0);
    const char dump[] = "000: 48 65 6C 6C 6F 00 01 02 - 03 04 05 06 07 08 09 0A Hello\0\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A";
    for (int copy = 0; copy < print.nCopies; ++copy) {
        EXPECT_GT(StartPage(print.hDC), 0);
        EXPECT_TRUE(TextOutA(print.hDC, 0, 0, "Sector Number 0", 15));
        EXPECT_TRUE(TextOutA(print.hDC, 0, 2 * metrics.tmHeight, dump, static_cast<int>(sizeof dump - 1)));
        EXPECT_GT(EndPage(print.hDC), 0);
    }
    EXPECT_GT(EndDoc(print.hDC), 0);
    DeleteDC(print.hDC);
    EXPECT_EQ(pdf_pages(output), 3) << "one page per copy, each printed once";
}

TEST_F(Dialogs, ACancelledPrintDialogPrintsNothing) {
    PRINTDLGA print;
    memset(&print, 0, sizeof print);
    print.lStructSize = sizeof print;
    print.Flags = PD_RETURNDC;
    print.nCopies = 1;
    when("the print dialog is up", [] { return shown<QPrintDialog>() != nullptr; },
         [] { shown<QPrintDialog>()->reject(); });
    EXPECT_FALSE(PrintDlgA(&print));
    EXPECT_EQ(print.hDC, nullptr);
}

TEST_F(Dialogs, APrinterThatCannotBeginSaysSoAndADocumentWithoutPagesPrintsNothing) {
    QTemporaryDir folder;
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(folder.filePath(QStringLiteral("no/such/folder/out.pdf")));
    QString told;
    platform::qt::QtPrinter broken(printer, [&](const QString& where) { told = where; });
    EXPECT_GT(broken.start_doc("Printing text"), 0);
    EXPECT_EQ(broken.start_page(), 0);
    EXPECT_FALSE(broken.text_out(0, 0, "Sector Number 0"));
    EXPECT_EQ(told, printer->outputFileName());

    auto empty = std::make_shared<QPrinter>(QPrinter::HighResolution);
    empty->setOutputFormat(QPrinter::PdfFormat);
    empty->setOutputFileName(folder.filePath(QStringLiteral("empty.pdf")));
    platform::qt::QtPrinter nothing(empty, nullptr);
    EXPECT_GT(nothing.start_doc("Printing text"), 0);
    EXPECT_GT(nothing.end_doc(), 0);
    EXPECT_FALSE(QFile::exists(empty->outputFileName())) << "copies 0: started and ended with no page";
}

}  // namespace
