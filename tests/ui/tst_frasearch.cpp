#include <memory>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QCompleter>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "TestServer.h"
#include "core/uTFileUtils.h"
#include "download/uTDownload.h"
#include "download/uTDownloadManager.h"
#include "search/uTMp3Search.h"
#include "search/uTSearchManager.h"
#include "search/uTSearchResultManager.h"
#include "search/uTVerificationManager.h"
#include "startup/uIncludes.h"
#include "ui/uApplication.h"
#include "ui/uFraSearch.h"
#include "ui/uPageList.h"
#include "ui/uSearchModels.h"

namespace {
// An engine the test makes report files and end.
class FakeEngine : public TMp3Search {
public:
    explicit FakeEngine(const std::string& key) : TMp3Search(key, "http://fake.test/?q=", "") {}
    void Search(const std::string&) override {}
    void Found(const std::string& title, const std::string& url) { ReportResult(title, url); }
    void Finish() { ReportComplete(); }
};

// The most-popular file: two good lines among lines its writer would never make.
const char* const kPopularFile =
    "Artist<field>Song<field>3000000<field>42<field>pw<field>http://pop.test/y.mp3\r\n"
    "\r\n"
    "Short<field>line<field>1<field>2<field>no link field\r\n"
    "Bad<field>Size<field>12a<field>3<field><field>http://pop.test/bad.mp3\r\n"
    "Artist<field>Song<field>7<field>9<field><field>http://pop.test/get\n"
    "Bad<field>Downloads<field>5<field>-1<field><field>http://pop.test/neg.mp3";

QString Cell(const QAbstractItemModel& model, int row, int column, int role = Qt::DisplayRole) {
    return model.data(model.index(row, column), role).toString();
}
} // namespace

class TestFraSearch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void blankKeyStartsNothing_data();
    void blankKeyStartsNothing();
    void enterWhileSearchingCancels();
    void typingReplacesThePrompt();
    void historyIsSuggestedNeverFilledIn();
    void titleAndFileName_data();
    void titleAndFileName();
    void progressStepsPerEngineThenFull();
    void sizeSortedTwiceThenLaterVerificationFindsItsRow();
    void statusAscendingOrdersFoundVerifiedFailed();
    void cancelKeepsRowsNewSearchClearsThem();
    void linkFromTwoEnginesCountedOnce();
    void floodArrivesAsOneInsert();
    void linksVerifyAndFailThroughTheServer();
    void popularLines();
    void longPopularFileLoadsInSlices();
    void downloadFollowsTheTabButtons_data();
    void downloadFollowsTheTabButtons();
    void elapsedTimeShown();

private:
    void StartWith(const QString& key);
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<TTestServer> m_server;
    std::unique_ptr<TfraSearch> m_page;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> m_testers;
    std::vector<FakeEngine*> m_engines;
    QStringList m_notices;
    std::vector<std::string> m_shownDownloads;
};

void TestFraSearch::initTestCase() {
    m_server = std::make_unique<TTestServer>();
    m_server->UseAsProxy();
    m_server->Serve("check.test/small.mp3", TScriptedResponse::Ok(std::string(1234, 'x')));
    m_server->Serve("check.test/gone.mp3", TScriptedResponse::Status(404, "gone"));
}

void TestFraSearch::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    const std::string folder = m_folder->path().toStdString() + "/";
    QVERIFY(CreateDir(folder + "data"));
    QVERIFY(TFileUtils::WriteWholeFile(folder + "data/Orvalo.dat", Scramble(kPopularFile)));
    StartUp(folder);
    m_engines.clear();
    for (const std::string key : {"one", "two", "three"}) {
        auto engine = std::make_unique<FakeEngine>(key);
        m_engines.push_back(engine.get());
        SearchManager->AddEngine(key, std::move(engine));
        EngineList->Add(key + "*Engine " + key);
    }
    // Quick ticks: checks start at once; engines are started by hand.
    VerificationManager->Timer->setInterval(1);
    m_notices.clear();
    m_shownDownloads.clear();
    m_page = std::make_unique<TfraSearch>();
    m_page->FindItItem = new QAction(QStringLiteral("Find It !"), m_page.get());
    m_page->ShowNotice = [this](const QString& text) { m_notices << text; };
    m_page->ShowDownload = [this](const TDownload& download) {
        m_shownDownloads.push_back(download.Url);
    };
    m_page->InitPage();
    m_testers.clear();
    for (QAbstractItemModel* model : std::initializer_list<QAbstractItemModel*>{
             m_page->FileRows, m_page->PopularRows, m_page->EngineRows})
        m_testers.push_back(std::make_unique<QAbstractItemModelTester>(
            model, QAbstractItemModelTester::FailureReportingMode::QtTest));
}

void TestFraSearch::cleanup() {
    m_testers.clear();
    m_page.reset();
    ShutDown();
    m_folder.reset();
}

void TestFraSearch::StartWith(const QString& key) {
    m_page->cmbSearchKeys->setEditText(key);
    m_page->cmdSearchClick();
    QCOMPARE(m_page->cmdSearch->text(), QStringLiteral("Cancel"));
    for (int i = 0; i < 3; ++i)
        SearchManager->StartNext();
}

void TestFraSearch::blankKeyStartsNothing_data() {
    QTest::addColumn<QString>("key");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks and a tab") << "  \t ";
    QTest::newRow("the prompt") << "Enter an artist or song";
    QTest::newRow("the prompt with blanks") << " Enter an artist or song ";
}

void TestFraSearch::blankKeyStartsNothing() {
    QFETCH(QString, key);
    m_page->cmbSearchKeys->setEditText(key);
    m_page->cmdSearchClick();
    QCOMPARE(m_notices, QStringList{"No search keys specified."});
    QCOMPARE(m_page->cmdSearch->text(), QStringLiteral("Find It !"));
    QVERIFY(!m_page->tmrTime->isActive());
    QCOMPARE(SearchManager->Pending.Count(), 0);
    QCOMPARE(SearchKeys->Count(), 0);
}

void TestFraSearch::enterWhileSearchingCancels() {
    m_page->cmbSearchKeys->setEditText(QStringLiteral("  velvet "));
    QTest::keyClick(m_page->cmbSearchKeys->lineEdit(), Qt::Key_Return);
    QCOMPARE(m_page->cmdSearch->text(), QStringLiteral("Cancel"));
    QCOMPARE(m_page->FindItItem->text(), QStringLiteral("Cancel"));
    QCOMPARE(SearchManager->SearchKey, std::string("velvet"));
    QCOMPARE(m_page->cmbSearchKeys->count(), 1); // the history, not the combo's own insert
    QCOMPARE(m_page->cmbSearchKeys->itemText(0), QStringLiteral("velvet"));
    QTest::keyClick(m_page->cmbSearchKeys->lineEdit(), Qt::Key_Enter);
    QCOMPARE(m_page->cmdSearch->text(), QStringLiteral("Find It !"));
    QCOMPARE(m_page->FindItItem->text(), QStringLiteral("Find It !"));
    QVERIFY(m_page->Cancelled);
    QVERIFY(SearchManager->Stopped);
    QVERIFY(!m_page->tmrTime->isActive());
}

void TestFraSearch::typingReplacesThePrompt() {
    m_page->show();
    m_page->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
    QLineEdit* edit = m_page->cmbSearchKeys->lineEdit();
    QCOMPARE(edit->text(), QString::fromLatin1(kSearchPrompt));
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(edit->width() - 4, edit->height() / 2));
    QTRY_VERIFY(edit->hasSelectedText());
    QTest::keyClicks(edit, QStringLiteral("velvet"));
    QCOMPARE(m_page->cmbSearchKeys->EditText(), std::string("velvet"));
}

void TestFraSearch::historyIsSuggestedNeverFilledIn() {
    AddSearchKey(*SearchKeys, *m_page->cmbSearchKeys, "velvet lanterns glasshouse");
    m_page->show();
    m_page->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
    QLineEdit* edit = m_page->cmbSearchKeys->lineEdit();
    QAbstractItemView* suggestions = m_page->cmbSearchKeys->completer()->popup();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("velvet"));
    QCOMPARE(edit->text(), QStringLiteral("velvet"));
    QTRY_VERIFY(suggestions->isVisible());
    QTest::keyClick(suggestions, Qt::Key_Escape);
    QCOMPARE(edit->text(), QStringLiteral("velvet"));
    QTest::keyClicks(edit, QStringLiteral(" "));
    QTRY_VERIFY(suggestions->isVisible());
    QTest::keyClick(suggestions, Qt::Key_Return);
    QCOMPARE(SearchManager->SearchKey, std::string("velvet"));
}

void TestFraSearch::titleAndFileName_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("shownTitle");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("colon, page link") << "Song 4:05"
                                      << "http://a.test/x.php?id=7"
                                      << "Song 4m05"
                                      << "Song 4m05.mp3";
    QTest::newRow("upper-case zip") << "Song 4:05"
                                    << "http://a.test/x.ZIP"
                                    << "Song 4m05"
                                    << "Song 4m05.zip";
    QTest::newRow("dot only in the host") << "Tune"
                                          << "http://zip.test/get"
                                          << "Tune"
                                          << "Tune.mp3";
    QTest::newRow("Latin-1 bytes")
        << QString::fromLatin1("Caf\xe9") << "http://a.test/c.mp3" << QString::fromLatin1("Caf\xe9")
        << QString::fromLatin1("Caf\xe9.mp3");
}

void TestFraSearch::titleAndFileName() {
    QFETCH(QString, title);
    QFETCH(QString, link);
    QFETCH(QString, shownTitle);
    QFETCH(QString, fileName);
    StartWith(QStringLiteral("song"));
    m_engines[0]->Found(title.toLatin1().toStdString(), link.toStdString());
    QCOMPARE(SearchResults->Count(), 1);
    QCOMPARE(SearchResults->Item(0)->FileName, fileName.toLatin1().toStdString());
    QTRY_COMPARE(m_page->FileRows->rowCount(), 1);
    QCOMPARE(Cell(*m_page->FileRows, 0, 1), shownTitle);
    QCOMPARE(Cell(*m_page->FileRows, 0, 4), fileName);
    QCOMPARE(Cell(*m_page->FileRows, 0, 0, Qt::AccessibleTextRole), QStringLiteral("Found"));
    QCOMPARE(m_page->lblFilesFound->text(), QStringLiteral("1"));
}

void TestFraSearch::progressStepsPerEngineThenFull() {
    StartWith(QStringLiteral("song"));
    QList<int> seen;
    for (FakeEngine* engine : m_engines) {
        QCOMPARE(m_page->cmdSearch->text(), QStringLiteral("Cancel"));
        engine->Finish();
        seen << m_page->prgSearch->value();
    }
    QCOMPARE(seen, (QList<int>{33, 66, 100}));
    QCOMPARE(m_page->cmdSearch->text(), QStringLiteral("Find It !"));
    QCOMPARE(m_page->FindItItem->text(), QStringLiteral("Find It !"));
    QVERIFY(!m_page->tmrTime->isActive());
    // 99 stands between the last engine and the end of the search.
    m_page->prgSearch->setValue(66);
    m_page->HandleEngineDone("three");
    QCOMPARE(m_page->prgSearch->value(), 99);
    m_page->HandleEngineDone("three");
    QCOMPARE(m_page->prgSearch->value(), 99); // 132 lies beyond the bar: not set
}

void TestFraSearch::sizeSortedTwiceThenLaterVerificationFindsItsRow() {
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    StartWith(QStringLiteral("song"));
    for (const char* name : {"a", "b", "c", "d"})
        m_engines[0]->Found(name, std::string("http://s.test/") + name + ".mp3");
    m_page->HandleLinkVerified("http://s.test/a.mp3", 100);
    m_page->HandleLinkVerified("http://s.test/b.mp3", 3'000'000'000);
    m_page->HandleLinkVerified("http://s.test/c.mp3", 200);
    QHeaderView* header = m_page->lvwFiles->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 5, 5));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 5, 5));
    QCOMPARE(m_page->lvwFiles->SortTag, -3);
    QStringList titles;
    for (int row = 0; row < 4; ++row)
        titles << Cell(*m_page->FileRows, row, 1);
    QCOMPARE(titles, (QStringList{"b", "c", "a", "d"}));
    QCOMPARE(Cell(*m_page->FileRows, 0, 2), QStringLiteral("3000000000"));
    m_page->HandleLinkVerified("http://s.test/d.mp3", 5);
    QTRY_COMPARE(Cell(*m_page->FileRows, 3, 2), QStringLiteral("5"));
    QCOMPARE(m_page->FileRows->data(m_page->FileRows->index(3, 0), StatusRole).toInt(), 1);
    QCOMPARE(Cell(*m_page->FileRows, 3, 5), QStringLiteral("3")); // its Key: the fourth row found
    QCOMPARE(m_page->lblFilesVerified->text(), QStringLiteral("4"));
    // The arrow stays while the rows keep its order, and goes when they stop keeping it.
    QVERIFY(header->isSortIndicatorShown());
    m_engines[0]->Found("e", "http://s.test/e.mp3"); // size 0: last in descending order
    QTRY_COMPARE(m_page->FileRows->rowCount(), 5);
    QVERIFY(header->isSortIndicatorShown());
    m_page->HandleLinkVerified("http://s.test/e.mp3", 4'000'000'000);
    QVERIFY(!header->isSortIndicatorShown());
    header->sectionClicked(2);
    QVERIFY(header->isSortIndicatorShown());
    m_page->cmdSearchClick(); // Cancel
    StartWith(QStringLiteral("another"));
    QVERIFY(!header->isSortIndicatorShown());
}

void TestFraSearch::statusAscendingOrdersFoundVerifiedFailed() {
    StartWith(QStringLiteral("song"));
    for (const char* name : {"failed", "found", "verified"})
        m_engines[1]->Found(name, std::string("http://s.test/") + name + ".mp3");
    m_page->HandleLinkFailed("http://s.test/failed.mp3");
    m_page->HandleLinkVerified("http://s.test/verified.mp3", 10);
    m_page->FileRows->Flush();
    m_page->lvwFiles->header()->sectionClicked(0);
    QStringList order;
    for (int row = 0; row < 3; ++row)
        order << Cell(*m_page->FileRows, row, 0, Qt::AccessibleTextRole);
    QCOMPARE(order, (QStringList{"Found", "Verified", "Failed"}));
    QCOMPARE(SearchResults->Item(0)->Status, 2);
}

void TestFraSearch::cancelKeepsRowsNewSearchClearsThem() {
    StartWith(QStringLiteral("first"));
    m_engines[0]->Found("kept", "http://s.test/kept.mp3");
    m_engines[0]->Finish();
    m_page->HandleLinkVerified("http://s.test/kept.mp3", 10);
    m_page->cmdSearchClick(); // Cancel
    m_page->HandleLinkFailed("http://s.test/kept.mp3");
    m_page->HandleResultFound("two", "late", "http://s.test/late.mp3");
    QTRY_COMPARE(m_page->FileRows->rowCount(), 1);
    QCOMPARE(m_page->FileRows->StatusOf(0), 1);
    QCOMPARE(m_page->lblFilesFound->text(), QStringLiteral("1"));
    QCOMPARE(m_page->lblFilesVerified->text(), QStringLiteral("1"));
    QCOMPARE(m_page->prgSearch->value(), 33);
    QCOMPARE(Cell(*m_page->EngineRows, 1, 0), QStringLiteral("Files: 1"));

    m_page->cmdTabMostPopular->click();
    QVERIFY(m_page->pnlSearch->isHidden());
    StartWith(QStringLiteral("second"));
    QVERIFY(m_page->cmdTabSearch->isChecked());
    QVERIFY(!m_page->pnlSearch->isHidden());
    QVERIFY(m_page->pnlMostPopular->isHidden());
    QCOMPARE(m_page->FileRows->rowCount(), 0);
    QCOMPARE(SearchResults->Count(), 0);
    QCOMPARE(SearchResultRows->Count(), 0);
    QCOMPARE(m_page->lblFilesFound->text(), QStringLiteral("0"));
    QCOMPARE(m_page->lblFilesVerified->text(), QStringLiteral("0"));
    QCOMPARE(m_page->lblTime->text(), QStringLiteral("00:00:00"));
    QCOMPARE(m_page->prgSearch->value(), 0);
    QTRY_COMPARE(Cell(*m_page->EngineRows, 1, 0), QStringLiteral("Files: 0"));
    QCOMPARE(m_page->cmbSearchKeys->itemText(0), QStringLiteral("second"));
    QCOMPARE(m_page->cmbSearchKeys->itemText(1), QStringLiteral("first"));
}

void TestFraSearch::linkFromTwoEnginesCountedOnce() {
    StartWith(QStringLiteral("song"));
    m_engines[0]->Found("Song", "http://s.test/same.mp3");
    m_engines[1]->Found("Song", "HTTP://S.TEST/SAME.MP3");
    m_engines[2]->Found("Other", "http://s.test/other.mp3");
    QTRY_COMPARE(m_page->FileRows->rowCount(), 2);
    QCOMPARE(m_page->EngineRows->FilesOf("Engine one"), 1);
    QCOMPARE(m_page->EngineRows->FilesOf("Engine two"), 0);
    QCOMPARE(m_page->EngineRows->FilesOf("Engine three"), 1);
    QCOMPARE(Cell(*m_page->FileRows, 0, 3), QStringLiteral("Engine one"));
    QCOMPARE(VerificationManager->Pending.Count() + VerificationManager->Running.Count(), 2);
}

void TestFraSearch::floodArrivesAsOneInsert() {
    StartWith(QStringLiteral("song"));
    QSignalSpy inserted(m_page->FileRows, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(m_page->FileRows, &QAbstractItemModel::dataChanged);
    for (int i = 0; i < 2000; ++i)
        m_engines[i % 3]->Found("Title " + std::to_string(i),
                                "http://s.test/" + std::to_string(i) + ".mp3");
    QTRY_COMPARE(m_page->FileRows->rowCount(), 2000);
    QCOMPARE(inserted.count(), 1);
    for (int i = 100; i < 200; ++i)
        m_page->HandleLinkVerified("http://s.test/" + std::to_string(i) + ".mp3", i);
    m_page->HandleLinkFailed("http://s.test/500.mp3");
    QTRY_COMPARE(changed.count(), 2); // rows 100 to 199, and row 500
    QCOMPARE(changed.at(0).at(0).value<QModelIndex>().row(), 100);
    QCOMPARE(changed.at(0).at(1).value<QModelIndex>().row(), 199);
}

void TestFraSearch::linksVerifyAndFailThroughTheServer() {
    StartWith(QStringLiteral("song"));
    m_engines[0]->Found("Small", "http://check.test/small.mp3");
    m_engines[0]->Found("Gone", "http://check.test/gone.mp3");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->FileRows->StatusOf(0), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(m_page->FileRows->StatusOf(1), 2, 10000);
    QTRY_COMPARE(Cell(*m_page->FileRows, 0, 2), QStringLiteral("1234"));
    QCOMPARE(Cell(*m_page->FileRows, 1, 2), QStringLiteral("0"));
    QCOMPARE(SearchResults->Item(0)->Size, 1234);
    QCOMPARE(m_page->lblFilesVerified->text(), QStringLiteral("1"));
}

void TestFraSearch::popularLines() {
    const TResultListModel& rows = *m_page->PopularRows;
    QCOMPARE(rows.rowCount(), 2); // the malformed lines are skipped
    QCOMPARE(PopularResults->Count(), 2);
    QCOMPARE(PopularResultRows->Strings(1), std::string("1*http://pop.test/get"));
    const QStringList first{"Verified",          "Artist", "Song", "3000000", "42", "pw",
                            "Artist - Song.mp3", "0"};
    const QStringList second{"Verified", "Artist", "Song", "7", "9", "", "Artist - Song", "1"};
    for (int column = 0; column < 8; ++column) {
        QCOMPARE(Cell(rows, 0, column, Qt::AccessibleTextRole), first[column]);
        QCOMPARE(Cell(rows, 1, column), second[column]);
    }
    QCOMPARE(rows.data(rows.index(0, 3), SortValueRole).toLongLong(), 3000000);
    QCOMPARE(PopularResults->Item(0)->Status, 1);
}

void TestFraSearch::longPopularFileLoadsInSlices() {
    m_testers.clear();
    m_page.reset();
    PopularResults->Clear();
    PopularResultRows->Clear();
    std::string text;
    for (int i = 0; i < 1500; ++i)
        text += "A<field>T" + std::to_string(i) + "<field>" + std::to_string(i) +
                "<field>1<field><field>http://p.test/" + std::to_string(i) + ".mp3\r\n" +
                (i % 100 == 0 ? "broken line\n" : "");
    QVERIFY(TFileUtils::WriteWholeFile(AppFolder + "data/Orvalo.dat", Scramble(text)));
    TfraSearch page;
    page.PopularSliceMs = 0; // 256 lines a slice
    QSignalSpy inserted(page.PopularRows, &QAbstractItemModel::rowsInserted);
    page.InitPage();
    QCOMPARE(page.PopularRows->rowCount(), 256 - 3); // the first slice, without its broken lines
    QTRY_COMPARE(page.PopularRows->rowCount(), 1500);
    QCOMPARE(inserted.count(), 6); // 1,515 lines, 256 a slice
    QCOMPARE(PopularResultRows->Strings(1499), std::string("1499*http://p.test/1499.mp3"));
    QCOMPARE(Cell(*page.PopularRows, 1499, 2), QStringLiteral("T1499"));
    QCOMPARE(Cell(*page.PopularRows, 1499, 3), QStringLiteral("1499"));
}

void TestFraSearch::downloadFollowsTheTabButtons_data() {
    QTest::addColumn<bool>("popularTab");
    QTest::addColumn<bool>("select");
    QTest::addColumn<QString>("downloaded");
    QTest::addColumn<bool>("toggled"); // a screen reader's Toggle action, no click
    QTest::newRow("Most Popular in front") << true << true << "http://pop.test/y.mp3" << false;
    QTest::newRow("Search in front") << false << true << "http://s.test/found.mp3" << false;
    QTest::newRow("nothing selected") << true << false << "" << false;
    QTest::newRow("Most Popular toggled") << true << true << "http://pop.test/y.mp3" << true;
}

void TestFraSearch::downloadFollowsTheTabButtons() {
    QFETCH(bool, popularTab);
    QFETCH(bool, select);
    QFETCH(QString, downloaded);
    QFETCH(bool, toggled);
    StartWith(QStringLiteral("song"));
    m_engines[0]->Found("Found", "http://s.test/found.mp3");
    m_page->FileRows->Flush();
    if (select) {
        m_page->lvwFiles->setCurrentIndex(m_page->FileRows->index(0, 1));
        m_page->lvwPopular->setCurrentIndex(m_page->PopularRows->index(0, 1));
    }
    QToolButton* tab = popularTab ? m_page->cmdTabMostPopular : m_page->cmdTabSearch;
    toggled ? tab->toggle() : tab->click();
    QCOMPARE(m_page->pnlMostPopular->isHidden(), !popularTab);
    m_page->DownloadSelected();
    if (downloaded.isEmpty()) {
        QCOMPARE(DownloadManager->Count(), 0);
        QVERIFY(m_shownDownloads.empty());
        return;
    }
    QCOMPARE(DownloadManager->Count(), 1);
    QCOMPARE(DownloadManager->Items(0)->Key, downloaded.toStdString());
    QCOMPARE(m_shownDownloads, std::vector<std::string>{downloaded.toStdString()});
}

void TestFraSearch::elapsedTimeShown() {
    m_page->StartTick = TfraSearch::TickCount() - 3'723'400;
    m_page->tmrTimeTimer();
    QCOMPARE(m_page->lblTime->text(), QStringLiteral("01:02:03"));
}

int main(int argc, char** argv) {
    TOrvaloApplication app(argc, argv);
    TestFraSearch test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_frasearch.moc"
