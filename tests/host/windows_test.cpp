// The Qt host shows the window system's windows: where the controls stand,
// what they show, whether the texts fit, and pictures of every dialog.
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <cstdio>
#include <string>

#include "conformance.h"
#include "orvasse_version.h"
#include "platform/host/qt/text_layout.h"
#include "platform/user/window_view.h"
#include "qt_fixture.h"
#include "resources/resource.h"
#include "window_fixture.h"

using platform::qt::ControlWidget;
using testing_support::conformance_module;
using testing_support::program_module;

namespace {

INT_PTR CALLBACK quiet_proc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

class Windows : public testing_support::QtHostTest {
protected:
    HWND create(HINSTANCE module, int id) {
        HWND hwnd = CreateDialogParamA(module, MAKEINTRESOURCEA(id), nullptr, quiet_proc, 0);
        EXPECT_NE(hwnd, nullptr);
        ShowWindow(hwnd, SW_SHOW);
        settle();
        return hwnd;
    }
};

TEST_F(Windows, AModelessDialogShowsWithItsControlsAtTheirRectangles) {
    HWND dialog = create(conformance_module(), IDD_CONFORMANCE);
    platform::qt::TopWindow* top = window(dialog);
    ASSERT_NE(top, nullptr);
    EXPECT_TRUE(top->isVisible());
    EXPECT_EQ(top->windowTitle(), QStringLiteral("Conformance"));
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(top->client()->size(), QSize(client.right, client.bottom));
    for (HWND item : platform::child_windows(dialog)) {
        platform::WindowView view;
        ASSERT_TRUE(platform::view_window(item, &view));
        auto* control = dynamic_cast<ControlWidget*>(host_->widget_of(item));
        ASSERT_NE(control, nullptr) << "control " << view.id;
        EXPECT_TRUE(control->isVisible());
        EXPECT_EQ(control->parentWidget(), top->client());
        QRect expected(view.rect.left, view.rect.top, view.rect.right - view.rect.left, view.rect.bottom - view.rect.top);
        if (control->kind() == ControlWidget::Kind::ComboBox) {
            // The field alone: the template's height is the list's.
            EXPECT_EQ(control->geometry().topLeft(), expected.topLeft());
            EXPECT_EQ(control->width(), expected.width());
            EXPECT_LT(control->height(), expected.height());
            EXPECT_GE(control->height(), top->metrics().height());
        } else {
            EXPECT_EQ(control->geometry(), expected) << "control " << view.id;
        }
    }
}

// A window shows centred until the program moves it; then where it was
// moved, kept on the screen; and the program reads where it is.
TEST_F(Windows, ADialogStandsWhereTheProgramMovedItAndTheProgramSeesWhereItIs) {
    HWND first = create(conformance_module(), IDD_CONFORMANCE);
    platform::qt::TopWindow* top = window(first);
    ASSERT_NE(top, nullptr);
    QRect screen = top->screen()->availableGeometry();
    RECT seen;
    GetWindowRect(first, &seen);
    EXPECT_EQ(QPoint(seen.left, seen.top), top->pos()) << "centred, and told";
    EXPECT_LE(std::abs(top->geometry().center().x() - screen.center().x()), 1);
    RECT work = {};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(QRect(QPoint(work.left, work.top), QPoint(work.right - 1, work.bottom - 1)), screen);
    const int width = seen.right - seen.left, height = seen.bottom - seen.top;
    // Where asked; past the screen's corner, in it, at the corner.
    for (QPoint asked : {QPoint(screen.left() + 10, screen.top() + 20), screen.bottomRight() + QPoint(100, 100)}) {
        MoveWindow(first, asked.x(), asked.y(), width, height, TRUE);
        settle();
        if (screen.contains(asked)) {
            EXPECT_EQ(top->pos(), asked);
        } else {
            EXPECT_EQ(top->frameGeometry().bottomRight(), screen.bottomRight());
        }
        GetWindowRect(first, &seen);
        EXPECT_EQ(QPoint(seen.left, seen.top), top->pos());
        EXPECT_EQ(seen.right - seen.left, width);
    }
    // Moved before it first shows: it shows there.
    HWND second = CreateDialogParamA(conformance_module(), MAKEINTRESOURCEA(IDD_CONFORMANCE), nullptr, quiet_proc, 0);
    MoveWindow(second, screen.left() + 30, screen.top() + 40, width, height, TRUE);
    ShowWindow(second, SW_SHOW);
    settle();
    ASSERT_NE(window(second), nullptr);
    EXPECT_EQ(window(second)->pos(), QPoint(screen.left() + 30, screen.top() + 40));
}

// The columns of a picture that hold anything but the background.
std::pair<int, int> ink_columns(const QImage& picture, QColor background) {
    int first = -1, last = -1;
    for (int x = 0; x < picture.width(); ++x)
        for (int y = 0; y < picture.height(); ++y)
            if (picture.pixelColor(x, y) != background) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}

TEST_F(Windows, CaptionIconBitmapAndTextAlignmentShowAsTheWindowSystemHasThem) {
    HWND about = create(program_module(), IDD_ABOUT);
    HICON icon = LoadIconA(program_module(), MAKEINTRESOURCEA(IDI_ORVASSE));
    SendMessageA(about, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SetWindowTextA(about, "About \xC9lan");
    settle();
    platform::qt::TopWindow* top = window(about);
    EXPECT_EQ(top->windowTitle(), QString::fromUtf8("About \u00C9lan"));
    EXPECT_TRUE(top->windowIcon().availableSizes().contains(QSize(32, 32)));
    // The logo: the bitmap's own pixels at the control's top left.
    ControlWidget* logo = nullptr;
    for (const QPointer<ControlWidget>& control : top->controls())
        if ((control->view().style & SS_TYPEMASK) == SS_BITMAP) logo = control;
    ASSERT_NE(logo, nullptr);
    const platform::BitmapImage* bitmap = platform::bitmap_image(static_cast<HBITMAP>(logo->view().image));
    ASSERT_NE(bitmap, nullptr);
    QImage picture = logo->grab().toImage();
    for (QPoint at : {QPoint(0, 0), QPoint(bitmap->width / 2, bitmap->height / 2), QPoint(bitmap->width - 1, 5)}) {
        uint32_t expected = bitmap->argb[static_cast<size_t>(at.y() * bitmap->width + at.x())];
        EXPECT_EQ(picture.pixel(at) & 0xFFFFFF, expected & 0xFFFFFF) << at.x() << "," << at.y();
    }
    // A centred static: as much room on either side of its text.
    int centred = 0;
    for (const QPointer<ControlWidget>& control : top->controls()) {
        if (control->view().text != "Orvasse v" ORVASSE_VERSION_TEXT) continue;
        ++centred;
        QImage text = control->grab().toImage();
        auto [first, last] = ink_columns(text, control->palette().color(QPalette::Window));
        ASSERT_GE(first, 0);
        EXPECT_NEAR(first, control->width() - 1 - last, 2);
    }
    EXPECT_EQ(centred, 1);
}

TEST_F(Windows, PicturesOfTheTestDialogs) {
    HWND dialog = create(conformance_module(), IDD_CONFORMANCE);
    SetDlgItemTextA(dialog, IDC_FIELD, "Selected text");
    SendDlgItemMessageA(dialog, IDC_FIELD, EM_SETSEL, 0, 8);
    SetDlgItemTextA(dialog, IDC_NUMBER, "1234");
    for (const char* entry : {"Logical Drive C:", "Logical Drive A:"})
        SendDlgItemMessageA(dialog, IDC_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    SendDlgItemMessageA(dialog, IDC_LIST, CB_SETCURSEL, 1, 0);
    CheckDlgButton(dialog, IDC_RADIO_B, BST_CHECKED);
    SetDlgItemTextA(dialog, IDC_READ_ONLY, "Read-only,\r\nwith a caret");
    EnableWindow(GetDlgItem(dialog, IDC_PUSH), FALSE);
    settle();
    save_screenshot(window(dialog), "conformance");

    HWND plain = create(conformance_module(), IDD_PLAIN);
    SetDlgItemTextA(plain, IDC_PANE, "00 01 02 03\r\n10 11 12 13\r\n\x01\x80\xE9 Fixedsys");
    SetFocus(GetDlgItem(plain, IDC_PANE));
    SendDlgItemMessageA(plain, IDC_PANE, EM_SETSEL, 15, 17);
    settle();
    save_screenshot(window(plain), "plain");
}

// The room a control leaves its text, and the text's width, in pixels.
struct Fit {
    qreal room = 0;
    qreal width = 0;
    int lines_room = 1;
};

Fit text_fit(ControlWidget* control, const platform::qt::TextMetrics& metrics) {
    const platform::WindowView& view = control->view();
    QString text = platform::qt::strip_mnemonics(platform::qt::from_ansi(view.text));
    Fit fit;
    fit.width = metrics.width(text);
    QStyle* style = control->style();
    switch (control->kind()) {
    case ControlWidget::Kind::PushButton:
        fit.room = control->width() - 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth) - 2;
        break;
    case ControlWidget::Kind::RadioButton:
    case ControlWidget::Kind::CheckBox:
        fit.room = control->width() - style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) -
                   style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
        break;
    case ControlWidget::Kind::GroupBox: fit.room = control->width() - 2 * metrics.average_width(); break;
    default:
        fit.room = control->width();
        fit.lines_room = std::max(1, control->height() / metrics.height());
        break;
    }
    return fit;
}

// The dialogs in the system font; those in the fixed font take its cells,
// as Fixedsys' do on Windows, and fit as they do there.
TEST_F(Windows, TheTextsOfTheDialogsFitTheirControls) {
    int dialogs[] = {IDD_ABOUT, IDD_SELECT_DISK, IDD_GOTO_SECTOR, IDD_COPY_BLOCK, IDD_SEARCH_DISK,
                     IDD_SECTOR_COUNT};
    for (int id : dialogs) {
        HWND dialog = create(program_module(), id);
        platform::qt::TopWindow* top = window(dialog);
        ASSERT_NE(top, nullptr);
        const platform::qt::TextMetrics& metrics = top->metrics();
        for (const QPointer<ControlWidget>& control : top->controls()) {
            const platform::WindowView& view = control->view();
            if (view.text.empty() || control->kind() == ControlWidget::Kind::Edit) continue;
            Fit fit = text_fit(control, metrics);
            bool wraps = control->kind() == ControlWidget::Kind::Static && (view.style & SS_TYPEMASK) <= SS_RIGHT;
            if (wraps && fit.lines_room > 1) {
                // A text that may wrap fits when its lines fit the height.
                QString text = platform::qt::strip_mnemonics(platform::qt::from_ansi(view.text));
                EXPECT_LE(static_cast<int>(metrics.wrap(text, fit.room).size()), fit.lines_room)
                    << "dialog " << id << ": \"" << view.text << "\"";
                continue;
            }
            EXPECT_LE(fit.width, fit.room) << "dialog " << id << ": \"" << view.text << "\" needs "
                                           << fit.width << " pixels, has " << fit.room;
        }
        DestroyWindow(dialog);
        settle();
    }
}

TEST_F(Windows, TheMainWindowsPanesHoldTheirLinesUnderTheirHeadings) {
    HWND dialog = create(program_module(), IDD_MAIN);
    platform::qt::TopWindow* top = window(dialog);
    ASSERT_NE(top, nullptr);
    const platform::qt::TextMetrics& metrics = top->metrics();
    EXPECT_GT(metrics.cell(), 0) << "the fixed font is drawn on a grid";
    ControlWidget* hex = control(dialog, IDC_HEX_PANE);
    ControlWidget* text = control(dialog, IDC_TEXT_PANE);
    ASSERT_TRUE(hex && text);
    // 47 characters of a hex line show ("00 " 16 times, the last blank aside), 16 of a text line.
    EXPECT_LE(47 * metrics.cell(), hex->width());
    EXPECT_LE(16 * metrics.cell(), text->width());
    EXPECT_LE(32 * metrics.height(), hex->height());
    // The column headings stand on one line; the row offsets one per line, all 32 shown.
    for (const QPointer<ControlWidget>& heading : top->controls()) {
        const platform::WindowView& view = heading->view();
        QString label = platform::qt::from_ansi(view.text);
        if (label.startsWith(QStringLiteral("00 01")) || label == QStringLiteral("0123456789ABCDEF")) {
            EXPECT_EQ(metrics.wrap(label, heading->width()).size(), 1u) << view.text;
        }
        if (label.startsWith(QStringLiteral("000 010"))) {
            std::vector<QString> rows = metrics.wrap(label, heading->width());
            ASSERT_EQ(rows.size(), 32u);
            EXPECT_EQ(rows[31], QStringLiteral("1F0"));
            EXPECT_LE(32 * metrics.height(), heading->height());
        }
    }
}

// The panes as the editor fills them: 32 lines of 16 bytes, in hex and as characters.
std::string hex_pane() {
    std::string text;
    char cell[4];
    for (int line = 0; line < 32; ++line) {
        for (int k = 0; k < 16; ++k) {
            snprintf(cell, sizeof cell, "%02X ", (line * 16 + k) & 0xFF);
            text += cell;
        }
        if (line < 31) text += "\r\n";
    }
    return text;
}

std::string text_pane() {
    std::string text;
    for (int line = 0; line < 32; ++line) {
        for (int k = 0; k < 16; ++k) {
            int b = (line * 16 + k) & 0xFF;
            text += static_cast<char>(b == 0 || b == 9 || b == 10 || b == 13 ? 0x20 : b);
        }
        if (line < 31) text += "\r\n";
    }
    return text;
}

TEST_F(Windows, PicturesOfTheProgramsDialogs) {
    HICON icon = LoadIconA(program_module(), MAKEINTRESOURCEA(IDI_ORVASSE));
    struct Dialog {
        int id;
        const char* name;
    } dialogs[] = {{IDD_MAIN, "main"},        {IDD_ABOUT, "about"},          {IDD_SELECT_DISK, "select_disk"},
                   {IDD_GOTO_SECTOR, "goto"}, {IDD_COPY_BLOCK, "copy_block"}, {IDD_SEARCH_DISK, "search"},
                   {IDD_SECTOR_COUNT, "sector_count"}};
    for (const Dialog& d : dialogs) {
        HWND dialog = create(program_module(), d.id);
        SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        if (d.id == IDD_MAIN) {
            SetDlgItemTextA(dialog, IDC_HEX_PANE, hex_pane().c_str());
            SetDlgItemTextA(dialog, IDC_TEXT_PANE, text_pane().c_str());
            SetDlgItemTextA(dialog, IDC_SECTOR_COUNTER, "0000000000 of 0000002879");
            SetFocus(GetDlgItem(dialog, IDC_HEX_PANE));
            SendDlgItemMessageA(dialog, IDC_HEX_PANE, EM_SETSEL, 3, 3);
        }
        if (d.id == IDD_SELECT_DISK)
            for (const char* entry : {"Logical Drive A:", "Physical Drive 0"})
                SendDlgItemMessageA(dialog, IDC_DISK_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
        settle();
        save_screenshot(window(dialog), d.name);
        DestroyWindow(dialog);
        settle();
    }
}

}  // namespace
