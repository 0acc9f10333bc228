#include <memory>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QClipboard>
#include <QCompleter>
#include <QGuiApplication>
#include <QFont>
#include <QHeaderView>
#include <QMenu>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "FakeEngine.h"
#include "UiFixture.h"
#include "core/uScramble.h"
#include "core/uSearchKeys.h"
#include "playlist/uTPlayListManager.h"
#include "search/uTMp3Search.h"
#include "search/uTSearchManager.h"
#include "search/uTSearchResultManager.h"
#include "search/uTSearchSession.h"
#include "search/uTVerificationManager.h"
#include "ui/pages/uApplication.h"
#include "ui/pages/uFraSearch.h"
#include "ui/models/uResultsModel.h"
#include "ui/widgets/uSearchKeysBox.h"

namespace {
const char* const kPopularFile = "Artist<field>Song<field>3000000<field>42<field>pw<field>http://pop.test/y.mp3\r\n"
                                 "Bad<field>Size<field>12a<field>3<field><field>http://pop.test/bad.mp3\r\n"
                                 "Artist<field>Song<field>7<field>9<field><field>http://pop.test/get\n";

QString Cell(const QAbstractItemModel& model, int row, int column, int role = Qt::DisplayRole) {
    return model.data(model.index(row, column), role).toString();
}
} // namespace

class TestFraSearch : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void blankKeyStartsNothing_data();
    void blankKeyStartsNothing();
    void enterWhileSearchingCancels();
    void typingReplacesThePrompt();
    void historyIsSuggestedNeverFilledIn();
    void resultsShowAsTheyComeAndAreChecked();
    void whatSitesAndChecksAreDoingIsSaid();
    void sizeSortedTwiceThenLaterVerificationFindsItsRow();
    void statusAscendingOrdersFoundVerifiedFailed();
    void deadLinksAreNotQueued();
    void oneRowPerSongItsSitesBestFirst();
    void qualityIsShownAndAPreviewAskedAbout();
    void cancelKeepsRowsNewSearchClearsThem();
    void floodArrivesAsOneInsert();
    void popularLines();
    void downloadFollowsTheTabButtons_data();
    void downloadFollowsTheTabButtons();
    void everySelectedRowIsDownloadedOrCopied();
    void filterNarrowsBothLists();
    void songInThePlayListIsMarkedAndAskedAbout();
    void elapsedTimeShown();

private:
    void StartWith(const QString& key);
    void Verify(const std::string& link, int64_t size) { emit m_program->Checks->LinkVerified(link, size); }

    std::unique_ptr<TTestProgram> m_program;
    std::unique_ptr<TfraSearch> m_page;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> m_testers;
    std::vector<FakeEngine*> m_engines;
    std::vector<std::string> m_asked;
};

void TestFraSearch::init() {
    m_program = std::make_unique<TTestProgram>();
    QVERIFY(TFileUtils::WriteWholeFile(m_program->DataFolder + "Orvalo.dat", Scramble(kPopularFile)));
    m_engines.clear();
    for (const std::string key : {"one", "two", "three"}) {
        auto engine = std::make_unique<FakeEngine>(key, *m_program->Transfers);
        m_engines.push_back(engine.get());
        m_program->Engines->AddEngine(key, std::move(engine));
        m_program->EngineList->Add(key + "*Engine " + key);
    }
    // No check reaches the network: the tests give the outcomes.
    m_program->Session->LoadEngineNames();
    m_program->Checks->SetTickInterval(1 << 30);
    m_asked.clear();
    m_page = std::make_unique<TfraSearch>(m_program->Services());
    connect(m_page.get(), &TfraSearch::DownloadRequested, this,
            [this](const TDownloadRequest& request) { m_asked.push_back(request.Url); });
    m_page->InitPage();
    m_testers.clear();
    for (QAbstractItemModel* model : std::initializer_list<QAbstractItemModel*>{
             m_page->SearchResultRows, m_page->PopularResultRows, m_page->EngineRows, m_page->lvwFiles->model()})
        m_testers.push_back(
            std::make_unique<QAbstractItemModelTester>(model, QAbstractItemModelTester::FailureReportingMode::QtTest));
}

void TestFraSearch::cleanup() {
    m_testers.clear();
    m_page.reset();
    m_program.reset();
}

void TestFraSearch::StartWith(const QString& key) {
    m_page->cmbSearchKeys->setEditText(key);
    m_page->actFindIt->trigger();
    QCOMPARE(m_page->cmdSearch->text(), QStringLiteral("Cancel"));
    for (int i = 0; i < 3; ++i)
        m_program->Engines->StartNext();
}

void TestFraSearch::blankKeyStartsNothing_data() {
    QTest::addColumn<QString>("key");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks and a tab") << "  \t ";
}

void TestFraSearch::blankKeyStartsNothing() {
    QFETCH(QString, key);
    m_page->cmbSearchKeys->setEditText(key);
    m_page->actFindIt->trigger();
    QCOMPARE(m_program->Prompts.Told, QStringList{"No search keys specified."});
    QCOMPARE(m_program->Prompts.Icons.first(), QMessageBox::Information);
    QCOMPARE(m_page->cmdSearch->text(), QStringLiteral("Find It !"));
    QVERIFY(!m_page->tmrTime->isActive());
    QCOMPARE(m_program->Engines->WaitingCount(), 0);
    QCOMPARE(m_program->SearchKeys->Count(), 0);
}

void TestFraSearch::enterWhileSearchingCancels() {
    QAction* findIt = m_page->actFindIt;
    m_page->cmbSearchKeys->setEditText(QStringLiteral("  velvet "));
    QTest::keyClick(m_page->cmbSearchKeys->lineEdit(), Qt::Key_Return);
    QCOMPARE(m_page->cmdSearch->text(), QStringLiteral("Cancel"));
    QCOMPARE(findIt->text(), QStringLiteral("Cancel"));
    QCOMPARE(m_program->Engines->Key(), std::string("velvet"));
    QCOMPARE(m_page->cmbSearchKeys->count(), 1); // the history, not the combo's own insert
    QCOMPARE(m_page->cmbSearchKeys->itemText(0), QStringLiteral("velvet"));
    QTest::keyClick(m_page->cmbSearchKeys->lineEdit(), Qt::Key_Enter);
    QCOMPARE(m_page->cmdSearch->text(), QStringLiteral("Find It !"));
    QCOMPARE(findIt->text(), QStringLiteral("Find It !"));
    QVERIFY(m_page->Session().Cancelled());
    QVERIFY(m_program->Engines->Stopped());
    QVERIFY(!m_page->tmrTime->isActive());
}

void TestFraSearch::typingReplacesThePrompt() {
    m_page->show();
    m_page->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
    // The prompt shows in the empty box; it is no text of it.
    QLineEdit* edit = m_page->cmbSearchKeys->lineEdit();
    QCOMPARE(edit->text(), QString());
    QCOMPARE(edit->placeholderText(), QString::fromLatin1(kSearchPrompt));
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(edit->width() - 4, edit->height() / 2));
    QTest::keyClicks(edit, QStringLiteral("velvet"));
    QCOMPARE(m_page->cmbSearchKeys->EditText(), std::string("velvet"));
    // The history dropping its oldest key leaves what was typed.
    for (int i = 0; i <= kMaxSearchKeys; ++i)
        m_program->SearchKeys->Add("key " + std::to_string(i));
    QCOMPARE(m_page->cmbSearchKeys->count(), kMaxSearchKeys);
    QCOMPARE(edit->text(), QStringLiteral("velvet"));
}

void TestFraSearch::historyIsSuggestedNeverFilledIn() {
    m_program->SearchKeys->Add("velvet lanterns glasshouse");
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
    QCOMPARE(m_program->Engines->Key(), std::string("velvet"));
}

void TestFraSearch::resultsShowAsTheyComeAndAreChecked() {
    StartWith(QStringLiteral("song"));
    m_engines[1]->Found("Song 4:05", "http://a.test/x.ZIP");
    m_engines[0]->Found("Gone", "http://a.test/gone.mp3");
    const TResultsModel& rows = *m_page->SearchResultRows;
    QTRY_COMPARE(rows.rowCount(), 2);
    QCOMPARE(Cell(rows, 0, 1), QStringLiteral("Song 4:05"));
    QCOMPARE(Cell(rows, 0, 4), QStringLiteral("Engine two"));
    QCOMPARE(Cell(rows, 0, 5), QStringLiteral("Song 4:05.zip"));
    QCOMPARE(Cell(rows, 0, 0, Qt::AccessibleTextRole), QStringLiteral("Found"));
    QVERIFY(Cell(rows, 0, 0).isEmpty()); // the picture alone
    QCOMPARE(m_page->lblFilesFound->text(), QStringLiteral("2"));
    Verify("http://a.test/x.ZIP", 1234);
    emit m_program->Checks->LinkFailed("http://a.test/gone.mp3", "HTTP 404");
    QTRY_COMPARE(Cell(rows, 0, 2), QStringLiteral("1.2 KB"));
    QCOMPARE(Cell(rows, 0, 2, Qt::ToolTipRole), QStringLiteral("1,234 bytes"));
    QCOMPARE(Cell(rows, 1, 2), QString()); // dead: no size known
    QCOMPARE(Cell(rows, 0, 0, Qt::AccessibleTextRole), QStringLiteral("Verified"));
    QCOMPARE(Cell(rows, 1, 0, Qt::AccessibleTextRole), QStringLiteral("Failed"));
    QCOMPARE(Cell(rows, 1, 0, Qt::AccessibleDescriptionRole), QStringLiteral("Failed: HTTP 404"));
    QCOMPARE(m_page->lblFilesVerified->text(), QStringLiteral("1"));
    QCOMPARE(Cell(*m_page->EngineRows, 3, 0), QStringLiteral("Files: 1"));
    QCOMPARE(m_page->lblStatus->text(), QStringLiteral("Searching"));
    for (FakeEngine* engine : m_engines)
        engine->Finish();
    QCOMPARE(m_page->prgSearch->value(), 100);
    QCOMPARE(m_page->lblStatus->text(), QString()); // every link checked
    QCOMPARE(m_page->cmdSearch->text(), QStringLiteral("Find It !"));
    QCOMPARE(m_page->actFindIt->text(), QStringLiteral("Find It !"));
}

void TestFraSearch::whatSitesAndChecksAreDoingIsSaid() {
    StartWith(QStringLiteral("song"));
    m_engines[0]->Found("a", "http://s.test/a.mp3");
    m_engines[0]->Found("b", "http://s.test/b.mp3");
    m_engines[0]->Finish();
    m_engines[1]->Problem = "unreachable";
    m_engines[1]->Finish();
    QCOMPARE(Cell(*m_page->EngineRows, 2, 0, Qt::AccessibleDescriptionRole), QStringLiteral("Failed: unreachable"));
    QCOMPARE(Cell(*m_page->EngineRows, 4, 0, Qt::AccessibleDescriptionRole), QStringLiteral("Searching"));
    m_engines[2]->Finish();
    QCOMPARE(m_page->lblStatus->text(), QStringLiteral("Checking 2 links"));
    Verify("http://s.test/a.mp3", 1);
    QCOMPARE(m_page->lblStatus->text(), QStringLiteral("Checking 1 link"));
    // When no site answers, the page says so instead of a silent 0.
    StartWith(QStringLiteral("again"));
    for (FakeEngine* engine : m_engines) {
        engine->Problem = "HTTP 503";
        engine->Finish();
    }
    QCOMPARE(m_page->lblStatus->text(), QStringLiteral("No site could be reached"));
    QCOMPARE(m_page->lvwFiles->accessibleDescription(), QStringLiteral("No site could be reached. Try again in a while."));
}

void TestFraSearch::sizeSortedTwiceThenLaterVerificationFindsItsRow() {
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    StartWith(QStringLiteral("song"));
    for (const char* name : {"a", "b", "c", "d"})
        m_engines[0]->Found(name, std::string("http://s.test/") + name + ".mp3");
    Verify("http://s.test/a.mp3", 100);
    Verify("http://s.test/b.mp3", 3'000'000'000);
    Verify("http://s.test/c.mp3", 200);
    TPageList& list = *m_page->lvwFiles;
    QHeaderView* header = list.header();
    for (int click = 0; click < 2; ++click)
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(2) + 5, 5));
    QCOMPARE(list.Proxy()->SortTag(), -3);
    QCOMPARE(ShownColumn(list, 1), (QStringList{"b", "c", "a", "d"}));
    Verify("http://s.test/d.mp3", 5);
    QTRY_COMPARE(ShownColumn(list, 2).last(), QStringLiteral("5 bytes"));
    QCOMPARE(ShownColumn(list, 1).last(), QStringLiteral("d"));
    QCOMPARE(m_page->lblFilesVerified->text(), QStringLiteral("4"));
    // The arrow stays while the rows keep its order, and goes when they stop keeping it.
    QVERIFY(header->isSortIndicatorShown());
    m_engines[0]->Found("e", "http://s.test/e.mp3"); // size 0: last in descending order
    QTRY_COMPARE(list.Proxy()->rowCount(), 5);
    QCOMPARE(ShownColumn(list, 1).last(), QStringLiteral("e")); // after the sorted rows
    QVERIFY(header->isSortIndicatorShown());
    Verify("http://s.test/e.mp3", 4'000'000'000);
    QTRY_VERIFY(!header->isSortIndicatorShown());
    emit header->sectionClicked(2);
    QVERIFY(header->isSortIndicatorShown());
    m_page->actFindIt->trigger(); // Cancel
    StartWith(QStringLiteral("another"));
    QVERIFY(!header->isSortIndicatorShown());
}

void TestFraSearch::statusAscendingOrdersFoundVerifiedFailed() {
    StartWith(QStringLiteral("song"));
    for (const char* name : {"failed", "found", "verified"})
        m_engines[1]->Found(name, std::string("http://s.test/") + name + ".mp3");
    emit m_program->Checks->LinkFailed("http://s.test/failed.mp3", "HTTP 404");
    Verify("http://s.test/verified.mp3", 10);
    emit m_page->lvwFiles->header()->sectionClicked(0);
    QCOMPARE(ShownColumn(*m_page->lvwFiles, 0, Qt::AccessibleTextRole), (QStringList{"Found", "Verified", "Failed"}));
}

void TestFraSearch::deadLinksAreNotQueued() {
    StartWith(QStringLiteral("song"));
    for (const char* name : {"dead", "unchecked", "good"})
        m_engines[1]->Found(name, std::string("http://s.test/") + name + ".mp3");
    emit m_program->Checks->LinkFailed("http://s.test/dead.mp3", "HTTP 404");
    Verify("http://s.test/good.mp3", 10);
    m_page->SearchResultRows->Flush();
    // With others: skipped, and said so; a link not checked yet goes as before.
    SelectRows(*m_page->lvwFiles, {0, 1, 2});
    m_page->actDownload->trigger();
    QCOMPARE(m_asked, (std::vector<std::string>{"http://s.test/unchecked.mp3", "http://s.test/good.mp3"}));
    QVERIFY(m_page->lblStatus->text().endsWith(QStringLiteral("2 songs added to Downloads; 1 with no working link skipped")));
    // Alone: asked about first, and fetched only when the user says so.
    TTestPrompts& prompts = m_program->Prompts;
    prompts.Answers = {false, true};
    for (int time = 0; time < 2; ++time) {
        m_asked.clear();
        SelectRows(*m_page->lvwFiles, {0});
        m_page->actDownload->trigger();
        QCOMPARE(m_asked.size(), size_t(time));
    }
    QCOMPARE(prompts.Asked.last(), QStringLiteral("This link did not answer when it was checked. Try it anyway?"));
    QCOMPARE(prompts.AnswersOffered.last().Yes, QStringLiteral("Try Anyway"));
}

void TestFraSearch::oneRowPerSongItsSitesBestFirst() {
    StartWith(QStringLiteral("glasshouse"));
    m_engines[2]->Found("Velvet Lanterns - Glasshouse Reverie", "http://c.test/g.mp3");
    m_engines[0]->Found("velvet lanterns  glasshouse reverie", "http://a.test/g.mp3");
    m_engines[1]->Found("Velvet Lanterns - Glasshouse Reverie", "http://b.test/g.mp3");
    m_engines[1]->Found("Another Song", "http://b.test/other.mp3");
    for (const char* link : {"http://a.test/g.mp3", "http://c.test/g.mp3", "http://b.test/g.mp3"})
        Verify(link, 4000);
    TPageList& list = *m_page->lvwFiles;
    // The song is one row, from the site verified first; its sites are said in that order.
    QTRY_COMPARE(list.Proxy()->rowCount(), 2);
    QCOMPARE(ShownColumn(list, 4), (QStringList{"Engine one", "Engine two"}));
    QCOMPARE(ShownColumn(list, 6), (QStringList{"3", "1"}));
    QCOMPARE(list.model()->index(0, 6).data(Qt::AccessibleDescriptionRole).toString(),
             QStringLiteral("On 3 sites, the best first:\nEngine one\nEngine three\nEngine two"));
    m_page->txtFilter->setText(QStringLiteral("glasshouse"));
    QCOMPARE(m_page->lblFilesFound->text(), QStringLiteral("showing 1 of 2"));
    QCOMPARE(m_page->lblFilesFound->toolTip(), QStringLiteral("Links found: 4, songs: 2"));
    // Downloading the row fetches the song once; the menu offers each of its sites.
    SelectRows(list, {1}); // the song's row: its first verified link
    m_page->actDownload->trigger();
    auto* popup = m_page->findChild<QMenu*>(QStringLiteral("popFiles"));
    emit popup->aboutToShow();
    QStringList sites;
    for (const QAction* site : m_page->mnuDownloadFrom->actions())
        sites << site->text();
    QCOMPARE(sites, (QStringList{"Engine one", "Engine three", "Engine two"}));
    m_page->mnuDownloadFrom->actions().at(1)->trigger();
    QCOMPARE(m_asked, (std::vector<std::string>{"http://a.test/g.mp3", "http://c.test/g.mp3"}));
}

void TestFraSearch::qualityIsShownAndAPreviewAskedAbout() {
    // Looked for to replace a preview of 0:30: what is longer stands out.
    m_page->FindWholeVersion("tide", 30000);
    for (int i = 0; i < 3; ++i)
        m_program->Engines->StartNext();
    m_engines[0]->Found("Low Tide", "http://a.test/preview.mp3");
    m_engines[1]->Found("Low Tide", "http://b.test/whole.mp3");
    m_engines[2]->Found("High Tide", "http://c.test/preview.mp3");
    TContentVerdict verdict;
    verdict.Kind = TContentKind::Mp3;
    verdict.Layer = 3;
    verdict.BitrateKbps = 192;
    verdict.SampleRateHz = 44100;
    const auto judge = [&](const std::string& link, int lengthMs) {
        verdict.LengthMs = lengthMs;
        emit m_program->Checks->LinkJudged(link, verdict);
        Verify(link, 5000);
    };
    judge("http://a.test/preview.mp3", 25000);
    judge("http://b.test/whole.mp3", 245000);
    judge("http://c.test/preview.mp3", 25000);
    TPageList& list = *m_page->lvwFiles;
    // The song's row shows its whole copy, though its preview was found first.
    QTRY_COMPARE(list.Proxy()->rowCount(), 2);
    QCOMPARE(ShownColumn(list, 3), (QStringList{"192 kbps, 4:05", "Preview? 0:25"}));
    QVERIFY(ShownColumn(list, 3, Qt::ToolTipRole).first().contains(QStringLiteral("MP3, 192 kbps, 4:05; 44.1 kHz")));
    QCOMPARE(ShownColumn(list, 4).first(), QStringLiteral("Engine two"));
    const QModelIndex whole = list.Proxy()->index(0, 1);
    QVERIFY(whole.data(Qt::FontRole).value<QFont>().bold());
    QVERIFY(!list.Proxy()->index(1, 1).data(Qt::FontRole).value<QFont>().bold());
    // A song found only as a preview is asked about before it is fetched.
    m_program->Prompts.Answers = {false};
    SelectRows(list, {0, 2});
    m_page->actDownload->trigger();
    QCOMPARE(m_program->Prompts.Asked.last(),
             QStringLiteral("\"High Tide\" was found only as a preview, a cut file or no MP3 at all (Short: 0:25, maybe "
                            "a preview). Download it anyway?"));
    QCOMPARE(m_asked, std::vector<std::string>{"http://b.test/whole.mp3"});
    // It can wait on the wish list for a copy longer than its preview; a whole song cannot.
    auto* popup = m_page->findChild<QMenu*>(QStringLiteral("popFiles"));
    SelectRows(list, {0});
    emit popup->aboutToShow();
    QVERIFY(!m_page->actAddToWishList->isVisible());
    SelectRows(list, {2});
    emit popup->aboutToShow();
    QVERIFY(m_page->actAddToWishList->isVisible());
    m_page->actAddToWishList->trigger();
    QCOMPARE(m_program->Wishes->Count(), 1);
    QCOMPARE(m_program->Wishes->At(0).Words, std::string("High Tide"));
    QCOMPARE(m_program->Wishes->At(0).LongerThanMs, 25000);
}

void TestFraSearch::cancelKeepsRowsNewSearchClearsThem() {
    StartWith(QStringLiteral("first"));
    m_engines[0]->Found("kept", "http://s.test/kept.mp3");
    m_engines[0]->Finish();
    Verify("http://s.test/kept.mp3", 10);
    m_page->actFindIt->trigger(); // Cancel
    QTRY_COMPARE(m_page->SearchResultRows->rowCount(), 1);
    QCOMPARE(m_page->lblFilesFound->text(), QStringLiteral("1"));
    QCOMPARE(m_page->lblFilesVerified->text(), QStringLiteral("1"));
    QCOMPARE(m_page->prgSearch->value(), 33);

    m_page->cmdTabMostPopular->click();
    QVERIFY(m_page->pnlSearch->isHidden());
    StartWith(QStringLiteral("second"));
    QVERIFY(m_page->cmdTabSearch->isChecked());
    QVERIFY(!m_page->pnlSearch->isHidden());
    QVERIFY(m_page->pnlMostPopular->isHidden());
    QCOMPARE(m_page->SearchResultRows->rowCount(), 0);
    QCOMPARE(m_page->lblFilesFound->text(), QStringLiteral("0"));
    QCOMPARE(m_page->lblFilesVerified->text(), QStringLiteral("0"));
    QCOMPARE(m_page->lblTime->text(), QStringLiteral("00:00:00"));
    QCOMPARE(m_page->prgSearch->value(), 0);
    QTRY_COMPARE(Cell(*m_page->EngineRows, 1, 0), QStringLiteral("Files: 0"));
    QCOMPARE(m_page->cmbSearchKeys->itemText(0), QStringLiteral("second"));
    QCOMPARE(m_page->cmbSearchKeys->itemText(1), QStringLiteral("first"));
}

void TestFraSearch::floodArrivesAsOneInsert() {
    StartWith(QStringLiteral("song"));
    QSignalSpy inserted(m_page->SearchResultRows, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(m_page->SearchResultRows, &QAbstractItemModel::dataChanged);
    for (int i = 0; i < 2000; ++i)
        m_engines[i % 3]->Found("Title " + std::to_string(i), "http://s.test/" + std::to_string(i) + ".mp3");
    QTRY_COMPARE(m_page->SearchResultRows->rowCount(), 2000);
    QCOMPARE(inserted.count(), 1);
    for (int i = 100; i < 200; ++i)
        Verify("http://s.test/" + std::to_string(i) + ".mp3", i);
    emit m_program->Checks->LinkFailed("http://s.test/500.mp3", "HTTP 404");
    QTRY_COMPARE(changed.count(), 2); // rows 100 to 199, and row 500
    QCOMPARE(changed.at(0).at(0).value<QModelIndex>().row(), 100);
    QCOMPARE(changed.at(0).at(1).value<QModelIndex>().row(), 199);
}

void TestFraSearch::popularLines() {
    const TResultsModel& rows = *m_page->PopularResultRows;
    QCOMPARE(rows.rowCount(), 2); // the malformed line is skipped
    const QStringList first{"Verified", "Artist", "Song", "2.9 MB", "42", "pw", "Artist - Song.mp3", "0"};
    const QStringList second{"Verified", "Artist", "Song", "7 bytes", "9", "", "Artist - Song", "1"};
    for (int column = 0; column < 8; ++column) {
        QCOMPARE(Cell(rows, 0, column, Qt::AccessibleTextRole), first[column]);
        QCOMPARE(Cell(rows, 1, column, Qt::AccessibleTextRole), second[column]);
    }
    QCOMPARE(rows.data(rows.index(0, 3), RawValueRole).toLongLong(), 3000000);
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
    m_page->SearchResultRows->Flush();
    if (select) {
        SelectRows(*m_page->lvwFiles, {0});
        SelectRows(*m_page->lvwPopular, {0});
    }
    QToolButton* tab = popularTab ? m_page->cmdTabMostPopular : m_page->cmdTabSearch;
    toggled ? tab->toggle() : tab->click();
    QCOMPARE(m_page->pnlMostPopular->isHidden(), !popularTab);
    // The command can act exactly when the list in front has a selection.
    QCOMPARE(m_page->actDownload->isEnabled(), select);
    m_page->actDownload->trigger();
    if (downloaded.isEmpty())
        QVERIFY(m_asked.empty());
    else
        QCOMPARE(m_asked, std::vector<std::string>{downloaded.toStdString()});
}

void TestFraSearch::everySelectedRowIsDownloadedOrCopied() {
    StartWith(QStringLiteral("song"));
    for (const char* name : {"a", "b", "c"})
        m_engines[0]->Found(name, std::string("http://s.test/") + name + ".mp3");
    m_page->SearchResultRows->Flush();
    SelectRows(*m_page->lvwFiles, {0, 2});
    m_page->actDownload->trigger();
    QCOMPARE(m_asked, (std::vector<std::string>{"http://s.test/a.mp3", "http://s.test/c.mp3"}));
    m_page->findChild<QAction*>(QStringLiteral("popFilesCopyLink"))->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("http://s.test/a.mp3\nhttp://s.test/c.mp3"));
}

void TestFraSearch::filterNarrowsBothLists() {
    StartWith(QStringLiteral("song"));
    for (const char* title : {"Paper Comets", "Paper Lanterns", "Blue Hour"})
        m_engines[0]->Found(title, std::string("http://s.test/") + title + ".mp3");
    QTRY_COMPARE(m_page->lvwFiles->Proxy()->rowCount(), 3);
    m_page->txtFilter->setText(QStringLiteral("paper COM"));
    QCOMPARE(m_page->txtFilter->findChild<QToolButton*>()->accessibleName(), QStringLiteral("Clear filter"));
    QCOMPARE(ShownColumn(*m_page->lvwFiles, 1), QStringList{"Paper Comets"});
    QCOMPARE(m_page->lblFilesFound->text(), QStringLiteral("showing 1 of 3"));
    m_engines[1]->Found("Paper Comets, live", "http://s.test/live.mp3"); // new rows are filtered too
    QTRY_COMPARE(m_page->lblFilesFound->text(), QStringLiteral("showing 2 of 4"));
    QCOMPARE(m_page->lvwPopular->Proxy()->rowCount(), 0); // "Artist - Song" has neither word
    m_page->txtFilter->setText(QStringLiteral("song"));
    QCOMPARE(m_page->lvwPopular->Proxy()->rowCount(), 2);
    m_page->txtFilter->clear();
    QCOMPARE(m_page->lblFilesFound->text(), QStringLiteral("4"));
}

void TestFraSearch::songInThePlayListIsMarkedAndAskedAbout() {
    m_program->PlayList->Place(m_program->PlayList->Folder() + "Artist - Song.mp3", 3000000);
    SelectRows(*m_page->lvwPopular, {0, 1});
    m_page->cmdTabMostPopular->click();
    const TResultsModel& rows = *m_page->PopularResultRows;
    QVERIFY(Cell(rows, 0, 0, Qt::AccessibleDescriptionRole).startsWith(QStringLiteral("Already in your play list")));
    // The row itself says so: a mark beside the title, the one not held has none.
    QVERIFY(!rows.index(0, 2).data(Qt::DecorationRole).isNull());
    QVERIFY(rows.index(1, 2).data(Qt::DecorationRole).isNull());
    m_program->Prompts.Answer = false;
    m_page->actDownload->trigger();
    QCOMPARE(m_program->Prompts.Asked, QStringList{"\"Artist - Song.mp3\" is already in your play list. Download it again?"});
    QCOMPARE(m_asked, std::vector<std::string>{"http://pop.test/get"}); // only the one not there yet
}

void TestFraSearch::elapsedTimeShown() {
    m_page->StartTick = TfraSearch::TickCount() - 3'723'000; // a whole second: any moment later in it reads the same
    m_page->tmrTimeTimer();
    QCOMPARE(m_page->lblTime->text(), QStringLiteral("01:02:03"));
}

int main(int argc, char** argv) {
    TOrvaloApplication app(argc, argv);
    TestFraSearch test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_frasearch.moc"
