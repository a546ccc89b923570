// The real editor on the Qt host, with the sample disk as drive A:, driven
// by Qt input as a person drives it.
#include <QAbstractButton>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "editor/editor_state.h"
#include "editor/main_window.h"
#include "platform/control.h"
#include "platform/host/qt/window_widgets.h"
#include "platform/user/window_view.h"
#include "qt_fixture.h"
#include "resources/resource.h"
#include "window_fixture.h"

using platform::qt::ControlWidget;
using testing_support::pdf_pages;
using testing_support::program_module;

namespace {

HWND shown_window(const std::string& caption) {
    for (HWND hwnd : platform::top_level_windows()) {
        platform::WindowView view;
        if (platform::view_window(hwnd, &view) && view.visible && view.text == caption) return hwnd;
    }
    return nullptr;
}

std::string text_of(HWND hwnd) {
    platform::WindowView view;
    return platform::view_window(hwnd, &view) ? view.text : std::string();
}

std::string counter() { return text_of(GetDlgItem(EditorState.MainWindow, IDC_SECTOR_COUNTER)); }

class EditorOnQt : public testing_support::QtHostTest {
protected:
    void SetUp() override {
        QtHostTest::SetUp();
        platform::DeviceNamespace space;
        space.dosdevices = ORVASSE_SAMPLE_DIR "/dosdevices";
        space.host_block_devices = false;  // never a disk of the machine
        platform::set_device_namespace(space);
        reset_editor_state();
    }
    void click(ControlWidget* control) {
        ASSERT_NE(control, nullptr);
        QTest::mouseClick(control->parentWidget(), Qt::LeftButton, {}, control->geometry().center());
    }
    void key(Qt::Key key) { QTest::keyClick(window(EditorState.MainWindow), key); }
};

TEST_F(EditorOnQt, OpensTheSampleDiskStepsEditsAndAsksBeforeLeavingTheEdit) {
    std::vector<std::string> listed;
    when("the Select Disk dialog is up", [] { return shown_window("Select Disk") != nullptr; }, [&] {
        HWND dialog = shown_window("Select Disk");
        platform::WindowView list;
        platform::view_window(GetDlgItem(dialog, IDC_DISK_LIST), &list);
        listed = list.items;
        save_screenshot(window(dialog), "editor_select_disk");
        click(control(dialog, IDC_OPEN));
    });

    std::string hex, text, first_counter;
    platform::WindowView main_view, hex_view, text_view;
    int hex_width = 0, hex_height = 0, needed_width = 0, needed_height = 0;
    when("sector 0 is shown", [] { return !shown_window("Select Disk") && counter() == "0000000000 of 0000002879"; },
         [&] {
             hex = text_of(EditorState.HexPane);
             text = text_of(EditorState.TextPane);
             first_counter = counter();
             platform::view_window(EditorState.MainWindow, &main_view);
             platform::view_window(EditorState.HexPane, &hex_view);
             platform::view_window(EditorState.TextPane, &text_view);
             ControlWidget* pane = control(EditorState.MainWindow, IDC_HEX_PANE);
             QFontMetrics metrics(pane->font());
             hex_width = pane->width();
             hex_height = pane->height();
             // 192 units hold 48 characters of a fixed font whose width is
             // the base unit, as on Windows: a whole line, its closing blank
             // included, so nothing wraps.
             needed_width = 48 * metrics.horizontalAdvance('0');
             needed_height = 32 * metrics.height();
             save_screenshot(window(EditorState.MainWindow), "editor_main");
             key(Qt::Key_PageDown);
         });

    std::string second_counter;
    when("sector 1 is shown", [] { return counter() == "0000000001 of 0000002879"; }, [&] {
        second_counter = counter();
        key(Qt::Key_4);  // the hex caret stands on byte 0's high digit
    });

    std::string edited;
    when("the digit shows", [] { return text_of(EditorState.HexPane).rfind("4", 0) == 0; }, [&] {
        edited = text_of(EditorState.HexPane).substr(0, 2);
        key(Qt::Key_PageDown);  // asks about the edit
    });

    QString question;
    when("the save question is up", [] { return shown<QMessageBox>() != nullptr; }, [&] {
        QMessageBox* box = shown<QMessageBox>();
        question = box->windowTitle();
        save_screenshot(box, "editor_save_question");
        QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
    });

    when("sector 2 is shown", [] { return counter() == "0000000002 of 0000002879"; },
         [&] { window(EditorState.MainWindow)->close(); });

    EXPECT_EQ(editor_main(program_module()), 0);
    EXPECT_TRUE(steps_done());

    EXPECT_EQ(listed, std::vector<std::string>{"Logical A:"});
    EXPECT_EQ(hex.substr(0, 9), "EB 3C 90 ") << "the FAT12 boot sector's jump";
    EXPECT_EQ(text.substr(3, 8), "mkfs.fat") << "its OEM name";
    EXPECT_EQ(first_counter, "0000000000 of 0000002879");
    EXPECT_EQ(second_counter, "0000000001 of 0000002879");
    EXPECT_EQ(edited[0], '4');
    EXPECT_EQ(question, QStringLiteral("Save Changes?"));

    // The window as the template lays it out.
    EXPECT_EQ(main_view.units_rect.right - main_view.units_rect.left, 291);
    EXPECT_EQ(main_view.units_rect.bottom - main_view.units_rect.top, 286);
    EXPECT_EQ(hex_view.units_rect.left, 22);
    EXPECT_EQ(hex_view.units_rect.top, 12);
    EXPECT_EQ(hex_view.units_rect.right, 22 + 192);
    EXPECT_EQ(hex_view.units_rect.bottom, 12 + 260);
    EXPECT_EQ(text_view.units_rect.left, 217);
    EXPECT_EQ(text_view.units_rect.right, 217 + 72);
    EXPECT_GE(hex_width, needed_width) << "a line's 48 characters fit";
    EXPECT_GE(hex_height, needed_height) << "32 lines fit without scrolling";
}

TEST_F(EditorOnQt, PrintsTheShownSectorIntoAPdfAndShowsTheAboutBoxWithItsLogoAndIcon) {
    when("the Select Disk dialog is up", [] { return shown_window("Select Disk") != nullptr; },
         [&] { click(control(shown_window("Select Disk"), IDC_OPEN)); });
    when("sector 0 is shown", [] { return !shown_window("Select Disk") && counter() == "0000000000 of 0000002879"; },
         [&] { PostMessageA(EditorState.MainWindow, WM_COMMAND, IDM_PRINT_SECTOR, 0); });

    QTemporaryDir folder;
    QString output = folder.filePath(QStringLiteral("sector.pdf"));
    int copies_offered = 0;
    when("the print dialog is up", [] { return shown<QPrintDialog>() != nullptr; }, [&] {
        QPrintDialog* dialog = shown<QPrintDialog>();
        auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
        ASSERT_NE(file, nullptr) << "no printer here: the dialog prints to a file";
        copies_offered = dialog->printer()->copyCount();
        file->setText(output);
        dialog->accept();
    });
    when("the PDF is written", [&] { return !shown<QPrintDialog>() && pdf_pages(output) > 0; },
         [&] { PostMessageA(EditorState.MainWindow, WM_COMMAND, IDM_ABOUT, 0); });

    int logo_colours = 0;
    QSize logo_size;
    QList<QSize> icon_sizes;
    HWND about = nullptr;
    when("the About box is up", [] { return shown_window("About Orvasse") != nullptr; }, [&] {
        about = shown_window("About Orvasse");
        platform::qt::TopWindow* box = window(about);
        icon_sizes = box->windowIcon().availableSizes();
        for (HWND child : platform::child_windows(about)) {
            platform::WindowView item;
            if (!platform::view_window(child, &item) || (item.style & SS_TYPEMASK) != SS_BITMAP) continue;
            QImage logo = host_->widget_of(child)->grab().toImage();
            logo_size = logo.size();
            QSet<QRgb> colours;
            for (int y = 0; y < logo.height(); y += 2)
                for (int x = 0; x < logo.width(); x += 2) colours.insert(logo.pixel(x, y));
            logo_colours = static_cast<int>(colours.size());
        }
        save_screenshot(box, "editor_about");
        click(control(about, IDOK));
    });
    when("the About box is closed", [&] { return !IsWindow(about); }, [&] { window(EditorState.MainWindow)->close(); });

    EXPECT_EQ(editor_main(program_module()), 0);
    EXPECT_TRUE(steps_done());
    EXPECT_EQ(copies_offered, 1);
    EXPECT_EQ(pdf_pages(output), 1) << "one copy, one page";
    EXPECT_GE(logo_size.width(), 216);
    EXPECT_GE(logo_size.height(), 60);
    EXPECT_GT(logo_colours, 8) << "the logo is drawn, not an empty frame";
    EXPECT_TRUE(icon_sizes.contains(QSize(32, 32))) << "the application icon";
}

}  // namespace
