#include <csignal>

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "ui/uShell.h"
#include "ui/uEntry.h"
#include "ui/uFrmMain.h"
#include "ui/uSystemIcons.h"

// Receives what the desktop would be asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Opened;
public slots:
    void open(const QUrl& url) { Opened << url; }
};

class TestUi : public QObject {
    Q_OBJECT
private slots:
    void alreadyRunningNotice();
    void unwritableFoldersWarning();
    void mainWindowTitle();
    void iconIndexIsSharedPerType();
    void existingFolderGetsFolderIcon();
    void iconListsShareIndices();
    void helpPagesOpenOnTheMakersSite();
    void shellTargets_data();
    void shellTargets();
    void terminationSignalClosesWindows();
};

void TestUi::alreadyRunningNotice() {
    const auto box = MakeAlreadyRunningBox();
    QCOMPARE(box->windowTitle(), QStringLiteral("Orvalo"));
    QCOMPARE(box->text(), QStringLiteral("Orvalo is already running."));
    QCOMPARE(box->icon(), QMessageBox::Information);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
}

void TestUi::unwritableFoldersWarning() {
    const auto box = MakeUnwritableFoldersBox({"/srv/ro/data/", "/srv/ro/Music/Orvalo"});
    QCOMPARE(box->windowTitle(), QStringLiteral("Orvalo"));
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY2(box->text().contains(QStringLiteral("\n\n/srv/ro/data/\n/srv/ro/Music/Orvalo\n\n")),
             qPrintable(box->text()));
}

void TestUi::mainWindowTitle() {
    TfrmMain window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Orvalo"));
}

void TestUi::iconIndexIsSharedPerType() {
    const int mp3 = GetFileIconIndex(QStringLiteral("no such song.mp3"));
    QCOMPARE(GetFileIconIndex(QStringLiteral("another.MP3")), mp3);
    const int text = GetFileIconIndex(QStringLiteral("notes.txt"));
    QVERIFY(text != mp3);
    QCOMPARE(GetFileIconIndex(QStringLiteral("more notes.txt"), 0x20), text);
    const TSystemImageList small = GetSystemImageList(false);
    QVERIFY(mp3 >= 0 && mp3 < small.Count());
    QVERIFY(!small.Icon(mp3).isNull());
    QVERIFY(small.Icon(-1).isNull());
    QVERIFY(small.Icon(small.Count()).isNull());
}

void TestUi::existingFolderGetsFolderIcon() {
    QTemporaryDir dir;
    const int folder = GetFileIconIndex(dir.path());
    QCOMPARE(GetFileIconIndex(dir.path() + "/"), folder);
    // A missing name that looks like a file is judged by its extension alone.
    QVERIFY(GetFileIconIndex(dir.path() + "/missing.mp3") != folder);
}

void TestUi::iconListsShareIndices() {
    const int index = GetFileIconIndex(QStringLiteral("clip.ogg"));
    const TSystemImageList small = GetSystemImageList(false);
    const TSystemImageList large = GetSystemImageList(true);
    QCOMPARE(small.Count(), large.Count());
    QCOMPARE(small.IconSize(), QSize(16, 16));
    QCOMPARE(large.IconSize(), QSize(32, 32));
    QVERIFY(!large.Pixmap(index).isNull());
}

void TestUi::helpPagesOpenOnTheMakersSite() {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    OpenQuickStart();
    OpenHomePage();
    OpenFaq();
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    const QString host = QStringLiteral("http://") + kMakerHost;
    QCOMPARE(catcher.Opened, (QList<QUrl>{QUrl(host + "/orvalo/quickstart.htm"),
                                          QUrl(host + "/orvalo/index.htm"),
                                          QUrl(host + "/orvalo/faq.htm")}));
}

void TestUi::shellTargets_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QUrl>("expected");
    QTemporaryDir dir;
    QTest::newRow("web address without scheme") << "www.example.test/page.htm"
                                                << QUrl("http://www.example.test/page.htm");
    QTest::newRow("web address with scheme") << "http://a.test/x" << QUrl("http://a.test/x");
    QTest::newRow("absolute file") << "/tmp/Some Song.mp3" << QUrl::fromLocalFile("/tmp/Some Song.mp3");
    QTest::newRow("folder") << "/tmp" << QUrl::fromLocalFile("/tmp");
    QTest::newRow("absolute path holding ://")
        << "/tmp/a://b.mp3" << QUrl::fromLocalFile("/tmp/a://b.mp3");
    QTest::newRow("relative path to nothing") << "relative/no such song.mp3" << QUrl();
    QTest::newRow("bare word") << "nothing" << QUrl();
}

void TestUi::shellTargets() {
    QFETCH(QString, target);
    QFETCH(QUrl, expected);
    QCOMPARE(ShellUrlFor(target.toStdString()), expected);
}

void TestUi::terminationSignalClosesWindows() {
    CloseWindowsOnTerminationSignals(qApp);
    TfrmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    std::raise(SIGTERM);
    QTRY_VERIFY(!window.isVisible());
}

QTEST_MAIN(TestUi)
#include "tst_ui.moc"
