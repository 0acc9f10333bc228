#include <algorithm>
#include <stdexcept>

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QAbstractButton>
#include <QAccessible>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "UiFixture.h"
#include "ui/models/uResultsModel.h"
#include "search/uTSearchManager.h"
#include "uToneMaker.h"
#include "download/uTDownloadManager.h"
#include "core/uTAppOptions.h"
#include "download/uTDownload.h"
#include "playlist/uTPlayListManager.h"
#include "search/uTSearchResultManager.h"
#include "ui/pages/uApplication.h"
#include "ui/models/uDownloadsModel.h"
#include "ui/pages/uFraDownloads.h"
#include "ui/pages/uFraPlayList.h"
#include "ui/widgets/uPlayerPanel.h"
#include "ui/widgets/uPlayerBar.h"
#include "ui/pages/uFraSearch.h"
#include "ui/pages/uFrmMain.h"
#include "ui/widgets/uFrmSplash.h"
#include "ui/widgets/uPageList.h"
#include "ui/models/uPlayListModel.h"
#include "ui/widgets/uSearchKeysBox.h"

// Receives what the desktop would be asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Opened;
public slots:
    void open(const QUrl& url) { Opened << url; }
};

class TestFrmMain : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void everythingVisibleUntilFirstActive();
    void changePage_data();
    void changePage();
    void pressedViewButtonAgainChangesNothing();
    void pageSwitchersReadAsPageTabs();
    void everyControlIsNamedAndDescribedApart();
    void firstActivationHandledOnce();
    void keyboardStartsInTheSearchBox();
    void layoutColumnsSharesWhatFixedColumnsLeave();
    void layoutFollowsEveryResize();
    void hiddenPagesColumnsFitAfterStateChanges();
    void pagesAskEachOtherThroughTheWindow();
    void aPreviewInTheLibraryIsLookedForWhole();
    void windowComesBackAsItWasLeft();
    void savedPlacesOutOfReach_data();
    void savedPlacesOutOfReach();
    void quitAsksOnlyWhileDownloadsRun();
    void menuCarriesEveryItem();
    void exceptionInAnActionLeavesWindowWorking();
    void splashClosesByTimerOrClick();
    void aboutBoxStaysAndOffersTheLink();

private:
    std::unique_ptr<TfrmMain> MakeWindow() {
        auto player = std::make_unique<TFakePlayer>();
        m_player = player.get();
        return std::make_unique<TfrmMain>(m_program->Services(), std::move(player));
    }
    std::unique_ptr<TTestProgram> m_program;
    TFakePlayer* m_player = nullptr;
};

namespace {
QStringList VisibleActions(TfrmMain& window) {
    QStringList names;
    const QMenu* actions = nullptr;
    for (QAction* menu : window.menuBar()->actions()) {
        if (menu->text() == QStringLiteral("&Actions"))
            actions = menu->menu();
    }
    for (QAction* item : actions->actions()) {
        if (item->isVisible())
            names << (item->isSeparator() ? QStringLiteral("-") : item->text());
    }
    return names;
}

QStringList VisibleButtons(TfrmMain& window) {
    QStringList names;
    for (QToolButton* button : window.pnlToolbar->findChildren<QToolButton*>()) {
        if (button->objectName().startsWith(QStringLiteral("tlb")) && button->isVisibleTo(&window))
            names << button->objectName();
    }
    return names;
}
} // namespace

void TestFrmMain::init() {
    m_program = std::make_unique<TTestProgram>();
}

void TestFrmMain::cleanup() {
    m_program.reset();
}

void TestFrmMain::everythingVisibleUntilFirstActive() {
    const auto made = MakeWindow();
    TfrmMain& window = *made;
    QVERIFY(!window.fraSearch1->isHidden());
    QVERIFY(!window.fraDownloads1->isHidden());
    QVERIFY(!window.fraPlayList1->isHidden());
    QCOMPARE(VisibleActions(window).size(), 18); // thirteen items, five separators
    QCOMPARE(VisibleButtons(window).size(), 12);
}

void TestFrmMain::changePage_data() {
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QString>("checked");
    QTest::newRow("Searches by button") << "cmdViewSearches" << "fraSearch1"
                                        << QStringList{"Find It !", "-", "Download"} << QStringList{"tlbDownload"}
                                        << "cmdViewSearches" << "mnuViewSearch";
    QTest::newRow("Downloads by menu")
        << "mnuViewDownloads" << "fraDownloads1"
        << QStringList{"Preview File", "-", "Restart Download", "Cancel Download", "Cancel All Downloads", "-",
                       "Clear Downloaded"}
        << QStringList{"tlbPreview", "tlbRestartDownload", "tlbCancelDownload", "tlbCancelAllDownloads",
                       "tlbClearDownloaded"}
        << "cmdViewDownloads" << "mnuViewDownloads";
    QTest::newRow("Play List by button")
        << "cmdViewPlayList" << "fraPlayList1"
        << QStringList{"Play File", "Launch File...", "-", "Delete File", "Rename File...", "Locate...", "-",
                       "Refresh"}
        << QStringList{"tlbPlayFile", "tlbLaunchFile", "tlbDeleteFile", "tlbRenameFile", "tlbLocate", "tlbRefresh"}
        << "cmdViewPlayList" << "mnuViewPlayList";
    // A screen reader's Toggle action checks the button without clicking it.
    QTest::newRow("Downloads by a screen reader's toggle")
        << "toggle:cmdViewDownloads"
        << "fraDownloads1"
        << QStringList{"Preview File",         "-", "Restart Download", "Cancel Download",
                       "Cancel All Downloads", "-", "Clear Downloaded"}
        << QStringList{"tlbPreview", "tlbRestartDownload", "tlbCancelDownload",
                       "tlbCancelAllDownloads", "tlbClearDownloaded"}
        << "cmdViewDownloads"
        << "mnuViewDownloads";
}

void TestFrmMain::changePage() {
    QFETCH(QString, sender);
    QFETCH(QString, page);
    QFETCH(QStringList, actions);
    QFETCH(QStringList, buttons);
    QFETCH(QString, pressed);
    QFETCH(QString, checked);
    const auto made = MakeWindow();
    TfrmMain& window = *made;
    window.show();
    if (sender.startsWith(QStringLiteral("toggle:")))
        window.findChild<QToolButton*>(sender.mid(7))->toggle();
    else if (auto* button = window.findChild<QToolButton*>(sender))
        button->click();
    else
        window.findChild<QAction*>(sender)->trigger();
    for (QWidget* each : {static_cast<QWidget*>(window.fraSearch1), static_cast<QWidget*>(window.fraDownloads1),
                          static_cast<QWidget*>(window.fraPlayList1)})
        QCOMPARE(each->isVisible(), each->objectName() == page);
    QCOMPARE(VisibleActions(window), actions);
    QStringList shown = VisibleButtons(window);
    std::sort(shown.begin(), shown.end());
    QStringList expected = buttons;
    std::sort(expected.begin(), expected.end());
    QCOMPARE(shown, expected);
    for (const char* view : {"cmdViewSearches", "cmdViewDownloads", "cmdViewPlayList"})
        QCOMPARE(window.findChild<QToolButton*>(view)->isChecked(), pressed == view);
    for (const char* item : {"mnuViewSearch", "mnuViewDownloads", "mnuViewPlayList"})
        QCOMPARE(window.findChild<QAction*>(item)->isChecked(), checked == item);
}

void TestFrmMain::pageSwitchersReadAsPageTabs() {
    const auto made = MakeWindow();
    TfrmMain& window = *made;
    window.show();
    for (const char* name : {"cmdViewSearches", "cmdViewDownloads", "cmdTabMostPopular"}) {
        QAccessibleInterface* tab = QAccessible::queryAccessibleInterface(window.findChild<QToolButton*>(name));
        QCOMPARE(tab->role(), QAccessible::PageTab);
    }
    QAccessibleInterface* downloads =
        QAccessible::queryAccessibleInterface(window.findChild<QToolButton*>(QStringLiteral("cmdViewDownloads")));
    QCOMPARE(downloads->text(QAccessible::Name), QStringLiteral("Downloads"));
    QVERIFY(!downloads->state().selected);
    // A screen reader's Press shows the page.
    downloads->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(window.fraDownloads1->isVisible());
    QVERIFY(downloads->state().selected);
}

void TestFrmMain::pressedViewButtonAgainChangesNothing() {
    const auto made = MakeWindow();
    TfrmMain& window = *made;
    window.show();
    auto* downloads = window.findChild<QToolButton*>(QStringLiteral("cmdViewDownloads"));
    downloads->click();
    const QStringList before = VisibleActions(window);
    downloads->click();
    QVERIFY(downloads->isChecked());
    QVERIFY(window.fraDownloads1->isVisible());
    QCOMPARE(VisibleActions(window), before);
}

void TestFrmMain::everyControlIsNamedAndDescribedApart() {
    // A screen reader reads the name, then the description: the same words twice are noise.
    const auto made = MakeWindow();
    QStringList faults;
    for (QWidget* control : made->findChildren<QWidget*>()) {
        if (control->focusPolicy() == Qt::NoFocus && !qobject_cast<QAbstractButton*>(control))
            continue;
        QAccessibleInterface* readable = QAccessible::queryAccessibleInterface(control);
        if (readable == nullptr || readable->role() == QAccessible::Client)
            continue;
        const QString name = readable->text(QAccessible::Name);
        const QString description = readable->text(QAccessible::Description);
        if (name.isEmpty() || name == description)
            faults << control->metaObject()->className() + QStringLiteral(" ") + control->objectName() + ": " + name;
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
}

void TestFrmMain::firstActivationHandledOnce() {
    const auto made = MakeWindow();
    TfrmMain& window = *made;
    // Shown, and before any activation could arrive (a desktop that prevents focus stealing
    // sends none): one page all the same.
    QSignalSpy firstShown(&window, &TfrmMain::FirstShown);
    window.show();
    QVERIFY(window.fraSearch1->isVisible());
    QVERIFY(!window.fraDownloads1->isVisible());
    QCOMPARE(firstShown.count(), 1);
    window.findChild<QAction*>(QStringLiteral("mnuViewPlayList"))->trigger();
    window.FormActivate();
    window.hide();
    window.show();
    QVERIFY(window.fraPlayList1->isVisible());
    QCOMPARE(firstShown.count(), 1);
}

void TestFrmMain::keyboardStartsInTheSearchBox() {
    const auto made = MakeWindow();
    TfrmMain& window = *made;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    TfraSearch& page = *window.fraSearch1;
    QCOMPARE(QApplication::focusWidget(), page.cmbSearchKeys);
    QTest::keyClicks(page.cmbSearchKeys, QStringLiteral("velvet"));
    QCOMPARE(page.cmbSearchKeys->currentText(), QStringLiteral("velvet"));
    // Tab goes down the page as it reads.
    QList<QWidget*> visited;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    QCOMPARE(visited, QList<QWidget*>() << page.cmdSearch << page.cmdTabSearch << page.txtFilter
                                        << page.lvwFiles);
}

void TestFrmMain::layoutColumnsSharesWhatFixedColumnsLeave() {
    const auto made = MakeWindow();
    TfrmMain& window = *made;
    TPageList* list = window.fraSearch1->lvwFiles;
    list->resize(600, 200);
    list->LayOutColumns();
    const QHeaderView* header = list->header();
    QList<int> widths;
    for (int column = 0; column < header->count(); ++column)
        widths << header->sectionSize(column);
    // The fixed columns take 45 + 70 + 140 + 90 + 60 (Sources); Title and File Name 0.49 of
    // the rest.
    QCOMPARE(widths, (QList<int>{45, 95, 70, 140, 90, 95, 60}));
    // The Key column is not in the view, so a screen reader does not meet it either.
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(list);
    QVERIFY(table && table->tableInterface());
    QCOMPARE(table->tableInterface()->columnCount(), 7);
    // The share is taken in double precision from the 32-bit value: 0.49 of 100 is 49.
    list->resize(100 + 405, 200);
    list->LayOutColumns();
    QCOMPARE(header->sectionSize(1), 49);
}

void TestFrmMain::layoutFollowsEveryResize() {
    const auto made = MakeWindow();
    TfrmMain& window = *made;
    window.show();
    QHeaderView* header = window.fraSearch1->lvwFiles->header();
    const int laidOut = header->sectionSize(1);
    QVERIFY(laidOut > 40); // its share, well above the 30 it is dragged to below
    header->resizeSection(1, 30);
    window.resize(700, 500); // a border drag of a normal window
    window.tmrResizeTimer();
    QVERIFY(header->sectionSize(1) > laidOut);
    header->resizeSection(1, 30);
    window.setWindowState(Qt::WindowMinimized);
    window.tmrResizeTimer();
    QCOMPARE(header->sectionSize(1), 30);
    window.setWindowState(Qt::WindowNoState); // back from minimized: as wide as before
    window.tmrResizeTimer();
    QCOMPARE(header->sectionSize(1), 30);
    const int normalWidth = window.width();
    window.setWindowState(Qt::WindowMaximized);
    QTRY_VERIFY(window.width() != normalWidth);
    window.tmrResizeTimer();
    QVERIFY(header->sectionSize(1) > 100);
    // A burst of resizes is checked once, 20 ms after its first.
    window.setWindowState(Qt::WindowNoState);
    QVERIFY(window.tmrResize->isActive());
}

void TestFrmMain::hiddenPagesColumnsFitAfterStateChanges() {
    const auto made = MakeWindow();
    TfrmMain& window = *made;
    window.show();
    const QSize normal = window.size();
    window.setWindowState(Qt::WindowMaximized);
    QTRY_VERIFY(window.size() != normal);
    window.tmrResizeTimer();
    // The pages hidden during the change show columns laid out for their lists' widths.
    // The window may settle in more than one step, each laid out on its own timer: the
    // columns fit the list as it stands once it has.
    window.findChild<QAction*>(QStringLiteral("mnuViewDownloads"))->trigger();
    const QTreeView* downloads = window.fraDownloads1->lvwDownloads;
    QTRY_COMPARE(downloads->header()->sectionSize(1), int((downloads->width() - 575) * double(0.98f)));
    window.findChild<QAction*>(QStringLiteral("mnuViewPlayList"))->trigger();
    const QTreeView* playList = window.fraPlayList1->lvwPlayList;
    QTRY_COMPARE(playList->header()->sectionSize(1), int((playList->width() - 195) * double(0.99f)));
    // The picture column keeps its 45 pixels.
    QCOMPARE(playList->header()->sectionResizeMode(0), QHeaderView::Fixed);
}

void TestFrmMain::aPreviewInTheLibraryIsLookedForWhole() {
    const std::string folder = m_program->Options->DownloadDir;
    QVERIFY(TFileUtils::WriteWholeFile(folder + "/Band_-_Song (preview) [128k].mp3", MakeToneMp3({440.0, 12000})));
    QVERIFY(TFileUtils::WriteWholeFile(folder + "/Band - Whole.mp3", MakeToneMp3({440.0, 70000})));
    const auto made = MakeWindow();
    TfrmMain& window = *made;
    TPlayListManager& library = *m_program->PlayList;
    QTRY_VERIFY(library.Count() == 2 && library.File(0).Checked && library.File(1).Checked);
    auto* popup = window.fraPlayList1->findChild<QMenu*>(QStringLiteral("popPlayList"));
    // Offered for the preview only.
    SelectRows(*window.fraPlayList1->lvwPlayList, {0}); // "Band - Whole.mp3" sorts first
    emit popup->aboutToShow();
    QVERIFY(!window.fraPlayList1->actFindWholeVersion->isVisible());
    SelectRows(*window.fraPlayList1->lvwPlayList, {1});
    emit popup->aboutToShow();
    QVERIFY(window.fraPlayList1->actFindWholeVersion->isVisible());
    window.fraPlayList1->actFindWholeVersion->trigger();
    // The search page searches for the song by its name (less what the site added), and
    // marks what is longer.
    QVERIFY(window.fraSearch1->isVisibleTo(&window));
    QCOMPARE(m_program->Engines->Key(), std::string("Band - Song"));
    QVERIFY(std::abs(window.fraSearch1->SearchResultRows->LongerThanMs - 12000) < 200);
}

void TestFrmMain::pagesAskEachOtherThroughTheWindow() {
    const auto made = MakeWindow();
    TfrmMain& window = *made;
    // A download asked for on the search page is listed on the downloads page.
    const std::string link = "http://nowhere.test/song.mp3";
    emit window.fraSearch1->DownloadRequested(TDownloadRequest::ForLink(link, "song.mp3"));
    QCOMPARE(window.fraDownloads1->DownloadRows->RowOf(link), 0);
    // A preview plays in the play list's player.
    emit window.fraDownloads1->PreviewRequested("/partial/song.mp3");
    QCOMPARE(m_player->Loads.back(), std::string("/partial/song.mp3"));
    // A command acts only when it can: nothing is selected to play.
    window.fraPlayList1->actPlayFile->trigger();
    QCOMPARE(m_player->Loads.size(), size_t(1));
}

void TestFrmMain::windowComesBackAsItWasLeft() {
    {
        const auto made = MakeWindow();
        TfrmMain& window = *made;
        window.show();
        window.setGeometry(QRect(QPoint(20, 30), QSize(700, 520)));
        window.findChild<QAction*>(QStringLiteral("mnuViewDownloads"))->trigger();
        window.fraDownloads1->lvwDownloads->header()->setSectionHidden(TDownloadsModel::ColSpeed, true);
        window.fraPlayList1->lvwPlayList->header()->resizeSection(1, 123);
        emit window.fraSearch1->lvwFiles->header()->sectionClicked(2);
        emit window.fraSearch1->lvwFiles->header()->sectionClicked(2);
        QVERIFY(window.close());
    }
    const auto made = MakeWindow();
    TfrmMain& window = *made;
    QCOMPARE(window.size(), QSize(700, 520));
    QCOMPARE(window.pos(), QPoint(20, 30));
    window.show();
    QVERIFY(window.fraDownloads1->isVisible());
    QVERIFY(window.fraDownloads1->lvwDownloads->header()->isSectionHidden(TDownloadsModel::ColSpeed));
    QCOMPARE(window.fraPlayList1->lvwPlayList->header()->sectionSize(1), 123);
    QCOMPARE(window.fraSearch1->lvwFiles->Proxy()->SortTag(), -3);
}

void TestFrmMain::savedPlacesOutOfReach_data() {
    QTest::addColumn<QString>("geometry");
    QTest::addColumn<QString>("sort");
    QTest::addColumn<bool>("centred"); // else: where the window would be with nothing saved
    QTest::newRow("off every screen") << "-9000,-9000,800,600" << "" << true;
    QTest::newRow("not numbers") << "left,top" << "" << false;
    QTest::newRow("larger than any screen") << "10,10,90000,90000" << "" << false;
    QTest::newRow("overflowing") << "2147483647,2147483647,2147483647,2147483647" << "-2147483648" << false;
    QTest::newRow("far out, huge") << "2147483000,0,5000,5000" << "2147483647" << false;
    QTest::newRow("negative sides") << "-2147483648,-2147483648,-5,-5" << "" << false;
    QTest::newRow("longer than any real one") << QString(100 << 10, QLatin1Char('7'))
                                              << QString(100 << 10, QLatin1Char('1')) << false;
}

void TestFrmMain::savedPlacesOutOfReach() {
    QFETCH(QString, geometry);
    QFETCH(QString, sort);
    QFETCH(bool, centred);
    const QSize own = MakeWindow()->size();
    OpenOrvaloSettings()->setValue(QStringLiteral("Window/Geometry"), geometry);
    OpenOrvaloSettings()->setValue(QStringLiteral("Window/lvwFiles/Sort"), sort);
    const auto made = MakeWindow();
    // Any screen here shows the whole window.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(made->width() <= screen.width() && made->height() <= screen.height());
    if (centred)
        QCOMPARE(made->geometry().center(), screen.center());
    else if (geometry != "10,10,90000,90000")
        QCOMPARE(made->size(), own);
    QCOMPARE(made->fraSearch1->lvwFiles->Proxy()->SortTag(), 0);
}

void TestFrmMain::quitAsksOnlyWhileDownloadsRun() {
    TTestPrompts& prompts = m_program->Prompts;
    {
        const auto made = MakeWindow();
        made->show();
        QVERIFY(made->close());
        QVERIFY(prompts.Asked.isEmpty());
    }
    auto running = std::make_unique<TDownload>("http://a.test/r.mp3", "r.mp3", 10);
    m_program->Downloads->Keep(std::move(running));
    const auto made = MakeWindow();
    made->show();
    prompts.Answer = false;
    QVERIFY(!made->close());
    QVERIFY(made->isVisible());
    QCOMPARE(prompts.Asked, QStringList{"1 download is still running. Quit now and resume it at the next start?"});
    QCOMPARE(prompts.NoByDefault, QList<bool>{true});
    prompts.Answer = true;
    QVERIFY(made->close());
}

void TestFrmMain::menuCarriesEveryItem() {
    const auto made = MakeWindow();
    TfrmMain& window = *made;
    QStringList menus;
    for (QAction* menu : window.menuBar()->actions())
        menus << menu->text();
    QCOMPARE(menus, (QStringList{"&File", "&View", "&Actions", "E&xtra", "&Help"}));
    for (const char* help : {"mnuHelpQuickStart", "mnuHelpHomePage", "mnuHelpFAQ", "mnuHelpAbout", "mnuExtraOptions",
                             "mnuFileExit", "mnuHelpSep01", "mnuHelpSep02", "mnuViewSep01"})
        QVERIFY2(window.findChild<QAction*>(help) != nullptr, help);
    QCOMPARE(window.findChild<QAction*>("mnuFileExit")->shortcut(), QKeySequence(QKeySequence::Quit));
    // Glyph-only buttons are named by their hints for screen readers.
    QCOMPARE(window.findChild<QToolButton*>("tlbLocate")->accessibleName(), QStringLiteral("Locate Media Folder"));
    // A media key runs the player's action while another page shows.
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(!window.fraPlayList1->isVisible());
    QSignalSpy stopped(window.fraPlayList1->pnlPlayer->pnlTransport->actStop, &QAction::triggered);
    QTest::keyClick(&window, Qt::Key_MediaStop);
    QCOMPARE(stopped.count(), 1);
}

void TestFrmMain::exceptionInAnActionLeavesWindowWorking() {
    const auto made = MakeWindow();
    TfrmMain& window = *made;
    window.show();
    auto* faulty = new QToolButton(window.pnlToolbar);
    faulty->setGeometry(600, 4, 20, 20);
    faulty->show();
    bool reached = false;
    connect(faulty, &QToolButton::clicked, this, [&reached] {
        reached = true;
        throw std::runtime_error("a fault inside an action");
    });
    QTest::mouseClick(faulty, Qt::LeftButton);
    QVERIFY(reached);
    QTest::mouseClick(window.findChild<QToolButton*>(QStringLiteral("cmdViewPlayList")), Qt::LeftButton);
    QVERIFY(window.fraPlayList1->isVisible());
}

void TestFrmMain::splashClosesByTimerOrClick() {
    TfrmSplash splash;
    splash.show();
    QVERIFY(!splash.lblVisitSite->isVisible());
    QVERIFY(splash.tmrSplash->isActive());
    splash.tmrSplash->start(0); // the five seconds, passed at once
    QTRY_VERIFY(!splash.isVisible());

    TfrmSplash clicked;
    clicked.show();
    QTest::mouseClick(clicked.lblVersion, Qt::LeftButton);
    QVERIFY(!clicked.isVisible());
}

void TestFrmMain::aboutBoxStaysAndOffersTheLink() {
    const auto owner = MakeWindow();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    for (int twice = 0; twice < 2; ++twice) {
        TfrmSplash about(owner.get());
        about.AboutMode = true;
        about.show();
        QVERIFY(!about.tmrSplash->isActive());
        QVERIFY(about.lblVisitSite->isVisible());
        QCOMPARE(about.lblVisitSite->text(), QStringLiteral("Visit the Orvalo Website"));
        QTest::mouseClick(about.lblVisitSite, Qt::LeftButton);
        QVERIFY(about.isVisible());
        // Closed by a click on it the first time, by its Close button the second.
        QTest::mouseClick(twice == 0 ? static_cast<QWidget*>(about.imgLogo) : about.cmdClose, Qt::LeftButton);
        QVERIFY(!about.isVisible());
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QCOMPARE(catcher.Opened.size(), 2);
    QCOMPARE(catcher.Opened.first().path(), QStringLiteral("/orvalo/index.htm"));
}

int main(int argc, char** argv) {
    TOrvaloApplication app(argc, argv);
    TestFrmMain test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_frmmain.moc"
