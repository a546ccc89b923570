// ShellExecuteA through the desktop: web pages open with the desktop's
// handler, and what cannot be opened says so with a result of 32 or less.
#include <QDesktopServices>
#include <QObject>
#include <QTemporaryDir>
#include <QUrl>

#include "qt_fixture.h"

namespace {

// Stands in for the desktop's browser.
class Browser : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class Shell : public testing_support::QtHostTest {};

LONG_PTR shell_open(const char* file, const char* directory = nullptr) {
    return reinterpret_cast<LONG_PTR>(ShellExecuteA(nullptr, "open", file, nullptr, directory, 0));
}

TEST_F(Shell, WebPagesOpenThroughTheDesktopAndFailuresSaySo) {
    Browser browser;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &browser, "open");
    EXPECT_GT(shell_open("https://orvasse.example/help.html"), 32);
    ASSERT_EQ(browser.opened.size(), 1);
    EXPECT_EQ(browser.opened[0], QUrl(QStringLiteral("https://orvasse.example/help.html")));

    // A file by its name in a folder; one that is not there.
    QTemporaryDir folder;
    QFile readme(folder.filePath(QStringLiteral("readme.txt")));
    ASSERT_TRUE(readme.open(QIODevice::WriteOnly));
    readme.close();
    std::string where = QFile::encodeName(folder.path()).toStdString();
    EXPECT_GT(shell_open("readme.txt", where.c_str()), 32);
    ASSERT_EQ(browser.opened.size(), 2);
    EXPECT_EQ(browser.opened[1], QUrl::fromLocalFile(readme.fileName()));
    EXPECT_EQ(shell_open("missing.txt", where.c_str()), SE_ERR_FNF);

    // Verbs other than "open" have no handler; an address that is no address is not found.
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(ShellExecuteA(nullptr, "print", "https://orvasse.example/", nullptr, nullptr, 0)),
              SE_ERR_NOASSOC);
    EXPECT_LE(shell_open("http://[bad"), 32);
    EXPECT_EQ(browser.opened.size(), 2);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

}  // namespace

#include "shell_test.moc"
