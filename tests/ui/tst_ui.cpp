#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <functional>
#include <thread>

#include <QAccessible>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QTextDocument>
#include <QToolTip>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "UiFixture.h"
#include "download/uTDownload.h"
#include "download/uTDownloadManager.h"
#include "ui/models/uDownloadsModel.h"
#include "ui/look/uPlainText.h"
#include "desktop/uShell.h"
#include "ui/widgets/uPrompts.h"
#include "ui/widgets/uFittedTexts.h"
#include "ui/widgets/uPageList.h"
#include "desktop/uTerminationSignals.h"
#include "ui/pages/uTermination.h"
#include "ui/pages/uFrmMain.h"
#include "desktop/uInstanceDoor.h"
#include "ui/widgets/uWindowMemory.h"
#include "ui/widgets/uPrompts.h"
#include "core/uTAppOptions.h"
#include "ui/look/uSystemIcons.h"

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
    void iconIndexIsSharedPerType();
    void existingFolderGetsFolderIcon();
    void helpPagesOpenOnTheMakersSite();
    void shellTargets_data();
    void shellTargets();
    void terminationSignalClosesWindows();
    void renameSelectsTheNameWithoutItsExtension();
    void secondStartReachesTheRunningOne();
    void pagesByNumberOnlyWhereOneIs();
    void aSavedPlaceFitsTheScreen_data();
    void aSavedPlaceFitsTheScreen();
    void firstRunFitsTheScreen_data();
    void firstRunFitsTheScreen();
    void outsideTextIsNeverReadAsMarkup();
    void aListsTextIsCutToItsCellInItsFont();
};

namespace {
// What a screen reader hears of a box's pictures.
QStringList PictureNames(QWidget& box) {
    QStringList names;
    QAccessibleInterface* const whole = QAccessible::queryAccessibleInterface(&box);
    for (int i = 0; whole != nullptr && i < whole->childCount(); ++i) {
        if (whole->child(i)->role() == QAccessible::Graphic)
            names << whole->child(i)->text(QAccessible::Name);
    }
    return names;
}
} // namespace

void TestUi::alreadyRunningNotice() {
    const auto box = MakeAlreadyRunningBox();
    QCOMPARE(PictureNames(*box), QStringList{QStringLiteral("Information")});
    QCOMPARE(box->windowTitle(), QStringLiteral("Orvalo"));
    QCOMPARE(box->text(), QStringLiteral("Orvalo is already running."));
    QCOMPARE(box->icon(), QMessageBox::Information);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
}

void TestUi::unwritableFoldersWarning() {
    const auto box = MakeUnwritableFoldersBox({"/srv/ro/data/", "/srv/ro/Music/Orvalo"});
    QCOMPARE(box->windowTitle(), QStringLiteral("Orvalo"));
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(PictureNames(*box), QStringList{QStringLiteral("Warning")});
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY2(box->text().contains(QStringLiteral("\n\n/srv/ro/data/\n/srv/ro/Music/Orvalo\n\n")),
             qPrintable(box->text()));
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
    const TTerminationSignals termination;
    CloseWindowsOn(termination);
    TTestProgram program;
    {
        // The signal comes while the quit question is open in its own event loop: the question
        // is dropped and the window closes all the same, its layout saved.
        auto running = std::make_unique<TDownload>("http://a.test/r.mp3", "r.mp3", 10);
        program.Downloads->Keep(std::move(running));
        TDialogPrompts dialogs;
        TfrmMain window(program.TProgram::Services(dialogs), std::make_unique<TFakePlayer>());
        connect(&termination, &TTerminationSignals::Terminate, &window, &TfrmMain::EndWithoutAsking);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        OpenOrvaloSettings()->clear();
        QString asked;
        QStringList buttons;
        QTimer::singleShot(0, [&] {
            if (const auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked = box->text();
                // Each button says what it does; the safe one is the default.
                for (const QAbstractButton* button : box->buttons())
                    buttons << button->text() + (button == box->defaultButton() ? QStringLiteral(" (default)") : QString());
            }
            std::raise(SIGTERM);
        });
        QVERIFY(window.close());
        QCOMPARE(asked, "1 download is still running. Quit now and resume it at the next start?");
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"Keep Running (default)", "Quit and Resume Later"}));
        QVERIFY(!OpenOrvaloSettings()->allKeys().isEmpty());
        program.Downloads->Find("http://a.test/r.mp3")->Failed = true;
        program.Downloads->ClearFinished();
        // The windows' close that the signal queued runs before the next window comes.
        QCoreApplication::sendPostedEvents(qApp, QEvent::MetaCall);
    }
    TfrmMain window(program.Services(), std::make_unique<TFakePlayer>());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    std::raise(SIGTERM);
    QTRY_VERIFY(!window.isVisible());
}

void TestUi::firstRunFitsTheScreen_data() {
    QTest::addColumn<QSize>("available");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("a large screen: a comfortable size") << QSize(1920, 1050) << QSize(960, 680);
    QTest::newRow("1024x768: four fifths") << QSize(1024, 740) << QSize(819, 592);
    QTest::newRow("a small screen: never below the least") << QSize(800, 560) << QSize(640, 480);
    QTest::newRow("1280x800 at twice the scale: fits") << QSize(640, 372) << QSize(640, 372);
}

void TestUi::pagesByNumberOnlyWhereOneIs() {
    // The settings and the second-start door name pages 1 to 3; anything else (a hand-edited
    // file, a foreign caller) names none, and nothing indexes past the pages.
    for (const TPageId page : {TPageId::Searches, TPageId::Downloads, TPageId::PlayList})
        QCOMPARE(PageOfNumber(PageNumber(page)), std::optional<TPageId>(page));
    for (const int number : {0, 4, -1, 1 << 30})
        QVERIFY(!PageOfNumber(number));
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("orvalo-test"), QStringLiteral("pages"));
    settings.setValue(QStringLiteral("Window/Page"), QStringLiteral("2x"));
    QVERIFY(!RestoredPage(settings));
    SavePage(settings, TPageId::PlayList);
    QCOMPARE(RestoredPage(settings), std::optional<TPageId>(TPageId::PlayList));
    settings.clear();
}

void TestUi::aSavedPlaceFitsTheScreen_data() {
    QTest::addColumn<QRect>("saved");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("fits: stays") << QRect(100, 80, 800, 600) << QRect(0, 0, 1366, 740) << QRect(100, 80, 800, 600);
    QTest::newRow("saved at scale 1, opened at scale 2")
        << QRect(408, 218, 1366, 768) << QRect(0, 0, 683, 370) << QRect(0, 30, 683, 340);
    QTest::newRow("1280x800 at scale 2") << QRect(2, 70, 1280, 740) << QRect(0, 0, 640, 400) << QRect(0, 30, 640, 370);
    QTest::newRow("off to the right: moves back") << QRect(1000, 100, 800, 600) << QRect(0, 0, 1366, 740)
                                                 << QRect(566, 100, 800, 600);
    QTest::newRow("title bar above the area: moves down") << QRect(50, 5, 800, 600) << QRect(0, 0, 1366, 740)
                                                          << QRect(50, 30, 800, 600);
    QTest::newRow("second screen") << QRect(1400, 50, 800, 600) << QRect(1366, 0, 1920, 1050)
                                   << QRect(1400, 50, 800, 600);
}

void TestUi::aSavedPlaceFitsTheScreen() {
    QFETCH(QRect, saved);
    QFETCH(QRect, area);
    QFETCH(QRect, expected);
    QCOMPARE(FitIntoArea(saved, area, 30), expected);
}

void TestUi::firstRunFitsTheScreen() {
    QFETCH(QSize, available);
    QFETCH(QSize, expected);
    QCOMPARE(FirstRunSize(available, QSize(640, 480).boundedTo(available)), expected);
}

void TestUi::secondStartReachesTheRunningOne() {
    const QTemporaryDir dir;
    const QStringList places{dir.filePath(QStringLiteral("Orvalo.door")), dir.filePath(QStringLiteral("Orvalo-2.door"))};
    QVERIFY(!TInstanceDoor::AskToShow(places, 2, 1000, 1000)); // nobody there
    // A folder where the door would be: it stays, and the door opens at the next place.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Orvalo.door")));
    TInstanceDoor door(places);
    QCOMPARE(door.Place(), places.at(1));
    QVERIFY(QFileInfo(places.at(0)).isDir());
    QSignalSpy asked(&door, &TInstanceDoor::ShowRequested);
    // The second start waits for its answer on a thread of its own, as its own process would.
    bool answered = false;
    std::thread second([&] { answered = TInstanceDoor::AskToShow(places, 2, 30000, 30000); });
    QTRY_COMPARE(asked.count(), 1);
    second.join();
    QVERIFY(answered);
    QCOMPARE(asked[0][0].toInt(), 2);
}

void TestUi::renameSelectsTheNameWithoutItsExtension() {
    TDialogPrompts prompts;
    QString selected;
    int turns = 0;
    // Looks at the open box turn after turn until it shows a selection that is not the whole
    // name (or gives up), then cancels it.
    std::function<void()> look = [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        const auto* edit = box != nullptr ? box->findChild<QLineEdit*>() : nullptr;
        if (edit != nullptr && edit->hasSelectedText())
            selected = edit->selectedText();
        if (box != nullptr && ((!selected.isEmpty() && selected != edit->text()) || ++turns > 100)) {
            box->reject();
            return;
        }
        QTimer::singleShot(0, look);
    };
    QTimer::singleShot(0, look);
    QVERIFY(!prompts.AskText(nullptr, "Rename File", "Enter the new name for the file.", "Artist - Song.mp3"));
    QCOMPARE(selected, QStringLiteral("Artist - Song"));
}

namespace {
// Tells whether anything opens a named pipe for reading while it is watched. A reader's open
// waits for a writer: the watcher opens the pipe for writing as soon as a reader waits (an
// open that fails without one) and closes it again at once, so that the reader sees an
// empty file instead of waiting for ever.
class TPipeWatch {
public:
    explicit TPipeWatch(QByteArray path) : m_path(std::move(path)) {
        m_thread = std::thread([this] {
            while (!m_stop) {
                const int writer = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK);
                if (writer >= 0) {
                    m_opened = true;
                    ::close(writer);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    ~TPipeWatch() {
        m_stop = true;
        m_thread.join();
    }
    bool Opened() const { return m_opened; }

private:
    QByteArray m_path;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_opened{false};
    std::thread m_thread;
};
} // namespace

void TestUi::outsideTextIsNeverReadAsMarkup() {
    const QTemporaryDir dir;
    const QByteArray pipe = QFile::encodeName(dir.path() + "/song.png");
    QCOMPARE(::mkfifo(pipe.constData(), 0600), 0);
    const QString title = QStringLiteral("<img src=\"%1\"> Zero <b>Song</b>").arg(QString::fromUtf8(pipe));
    const TPipeWatch watch(pipe);

    TTransferEngine transfers;
    TDownloadManager manager(transfers, dir.path().toStdString(), dir.path().toStdString());
    TDownloadsModel downloads(manager);
    manager.Keep(std::make_unique<TDownload>("http://a.test/zero.mp3", title.toStdString(), 10));
    downloads.Flush();
    const QString tip = downloads.index(0, TDownloadsModel::ColTitle).data(Qt::ToolTipRole).toString();
    QLabel owner;
    owner.show();
    QToolTip::showText(owner.mapToGlobal(QPoint(5, 5)), tip, &owner);
    QTRY_VERIFY(QToolTip::isVisible());
    // What the tip shows is the title, letter for letter.
    QTextDocument shown;
    shown.setHtml(tip);
    QCOMPARE(shown.toPlainText(), title);

    const auto box = MakeUnwritableFoldersBox({pipe.toStdString(), title.toStdString()});
    box->show();
    QLabel* label = MakePlainLabel(title, &owner);
    label->show();
    QCoreApplication::processEvents();
    QVERIFY(box->text().contains(title));
    // Nor when a list paints it.
    TPageList list(QStringLiteral("downloads"), QStringLiteral("Downloads"), &downloads, nullptr);
    list.resize(1200, 120);
    list.header()->resizeSection(TDownloadsModel::ColTitle, 1000);
    list.grab();
    QToolTip::hideText();
    QVERIFY2(!watch.Opened(), "a picture named in a text from outside was read");
}

void TestUi::aListsTextIsCutToItsCellInItsFont() {
    TFittedTexts texts;
    QFont small;
    small.setPixelSize(10);
    QFont large = small;
    large.setPixelSize(30);
    const QString title = QStringLiteral("The Quillmakers - Sealing Wax Serenade");
    const qreal smallWidth = texts.Fitted(title, small, 1000, Qt::ElideRight).size().width();
    // The same text in a larger font is laid out again, not taken from the smaller one.
    QVERIFY(texts.Fitted(title, large, 1000, Qt::ElideRight).size().width() > 2 * smallWidth);
    const QStaticText& cut = texts.Fitted(title, large, 120, Qt::ElideRight);
    QVERIFY(cut.size().width() <= 120);
    QVERIFY(cut.text().endsWith(QChar(0x2026)));
    QCOMPARE(texts.Fitted(title, large, 1000, Qt::ElideRight).text(), title);
}

QTEST_MAIN(TestUi)
#include "tst_ui.moc"
