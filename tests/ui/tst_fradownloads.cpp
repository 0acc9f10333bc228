#include <QAbstractItemModelTester>
#include <QAction>
#include <QSignalSpy>
#include <QGuiApplication>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

#include "TestServer.h"
#include "UiFixture.h"
#include "core/uTFileUtils.h"
#include "download/uTDownloadManager.h"
#include "ui/pages/uApplication.h"
#include "ui/models/uDownloadsModel.h"
#include "playlist/uTPlayListManager.h"
#include "ui/pages/uFraDownloads.h"
#include "ui/widgets/uStatusFilter.h"
#include "ui/widgets/uPageList.h"
#include "ui/pages/uWishListPanel.h"
#include "search/uWishList.h"

namespace {
const std::string kGood = "http://files.test/good.mp3";
const std::string kMissing = "http://files.test/missing.mp3";
const std::string kSlow = "http://files.test/slow.mp3";

// Lists a download that does not transfer.
void Keep(TDownloadManager& manager, const std::string& name, int64_t size, int64_t speed) {
    auto download = std::make_unique<TDownload>("http://files.test/" + name, name, size);
    download->Url = download->Key;
    download->Speed = speed;
    manager.Keep(std::move(download));
}
} // namespace

class TestFraDownloads : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void progressRefreshesEvery32KiB();
    void sortByColumnClicks_data();
    void sortByColumnClicks();
    void downloadsShowTheirStateAndReachThePlayList();
    void restartOnlyAFailedRow();
    void aFailedSongWaitsOnTheWishList();
    void aSongAskedForAgainComesAgain();
    void cancelAsksAndCancels();
    void cancelAsksOnceForEverySelectedRow();
    void queuedRowsWaitTheirTurnAndAreCounted();
    void commandsActOnlyWhenTheyCan();
    void clearTakesFinishedRowsAndKeysStayUnique();
    void clearWhenCompleteTakesFailedRowsToo();
    void clearingScatteredRowsKeepsTheOrderShown();
    void equalCellsKeepTheirOrderEitherWay();
    void rowsAfterASortStayAfterItThroughFiltersAndRemovals();
    void previewPlaysTheDownloadsOwnFile();
    void eventsAfterThePageIsGoneAreDropped();
    void finishedFileSaysWhatItReallyIs();
    void aResumedDownloadIsCheckedToo();
    void theViewsShowTheirRowsAndCounts();

private:
    // What the search page asks for: a download of a result, listed on the page.
    int Start(const std::string& link, const std::string& name);
    void Select(int row) { SelectRows(*m_page->lvwDownloads, {row}); }
    QString Cell(int row, int column, int role = Qt::DisplayRole) const;
    int Status(int row) const { return m_page->DownloadRows->Record(row).Status(); }

    std::unique_ptr<TTestServer> m_server;
    std::unique_ptr<TTestProgram> m_program;
    std::unique_ptr<TfraDownloads> m_page;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    QList<QPair<QString, qint64>> m_playListed;
    QStringList m_played;
    QStringList m_ended; // title|failure of every end told
};

void TestFraDownloads::initTestCase() {
    m_server = std::make_unique<TTestServer>();
    m_server->UseAsProxy();
    m_server->Serve("files.test/good.mp3", TScriptedResponse::Ok(TTestServer::SyntheticBody(100000)));
    m_server->Serve("files.test/missing.mp3", TScriptedResponse::Status(404));
    TScriptedResponse slow = TScriptedResponse::Ok(TTestServer::SyntheticBody(100000));
    slow.StallAfter = 40000;
    m_server->Serve("files.test/slow.mp3", slow);
}

void TestFraDownloads::init() {
    m_program = std::make_unique<TTestProgram>();
    m_page = std::make_unique<TfraDownloads>(m_program->Services());
    m_tester = std::make_unique<QAbstractItemModelTester>(m_page->DownloadRows);
    m_playListed.clear();
    m_played.clear();
    m_ended.clear();
    connect(m_page.get(), &TfraDownloads::DownloadEnded, this,
            [this](const QString& title, const QString& failure) { m_ended << title + "|" + failure; });
    // What the library lists as it arrives: the finished downloads.
    const TPlayListManager& library = *m_program->PlayList;
    connect(&library, &TPlayListManager::Added, this, [this, &library](int first, int last) {
        for (int index = first; index <= last; ++index)
            m_playListed << qMakePair(QString::fromStdString(library.File(index).FileName),
                                      qint64(library.File(index).FileSize));
    });
    connect(m_page.get(), &TfraDownloads::PreviewRequested, this,
            [this](const std::string& path) { m_played << QString::fromStdString(path); });
}

void TestFraDownloads::cleanup() {
    m_tester.reset();
    m_page.reset();
    m_program.reset();
}

int TestFraDownloads::Start(const std::string& link, const std::string& name) {
    m_page->Download(TDownloadRequest::ForLink(link, name));
    m_page->DownloadRows->Flush(); // as the end of the turn does
    return m_page->DownloadRows->RowOf(link);
}

QString TestFraDownloads::Cell(int row, int column, int role) const {
    return m_page->DownloadRows->index(row, column).data(role).toString();
}

void TestFraDownloads::progressRefreshesEvery32KiB() {
    const int row = Start(kSlow, "slow.mp3");
    QStringList shown;
    connect(m_page->DownloadRows, &QAbstractItemModel::dataChanged, this, [&] {
        shown << Cell(row, TDownloadsModel::ColReceived) + " " +
                     Cell(row, TDownloadsModel::ColSpeed);
    });
    // The manager's own handler, fed block by block as the transfer would; each block shows
    // by the end of its turn of the event loop.
    for (int64_t received = 1024; received < 100000; received += 1024) {
        m_program->Downloads->WorkerProgress(kSlow, 100000, received, received < 90000 ? 1023 : 10239);
        m_page->DownloadRows->Flush();
    }
    m_program->Downloads->WorkerProgress(kSlow, 100000, 100000, 10239);
    m_page->DownloadRows->Flush();
    QCOMPARE(shown, (QStringList{"32.0 KB 1.0 KB/s", "64.0 KB 1.0 KB/s", "96.0 KB 10.0 KB/s", "97.7 KB 10.0 KB/s"}));
    QCOMPARE(Cell(row, TDownloadsModel::ColProgress, Qt::AccessibleTextRole),
             QStringLiteral("100%"));

    // A download cut short shows what arrived (not the last 32 KiB step) and no speed while
    // it waits for its next try, and says so.
    m_program->Downloads->SetRetryPauses({std::chrono::hours(1)});
    const std::string cut = "http://files.test/cut.mp3";
    TScriptedResponse cutShort = TScriptedResponse::Ok(TTestServer::SyntheticBody(100000));
    cutShort.SliceSize = 10000;
    cutShort.SlicePauseMs = 100;
    cutShort.CutAfter = 50000;
    m_server->Serve("files.test/cut.mp3", cutShort);
    const int waiting = Start(cut, "cut.mp3");
    QTRY_COMPARE(Cell(waiting, TDownloadsModel::ColStatus, Qt::AccessibleDescriptionRole),
                 QStringLiteral("Downloading: retrying in 3600 s (cut short at 50000 of 100000 bytes)"));
    QCOMPARE(Status(waiting), int(TDownload::StatusDownloading));
    QCOMPARE(Cell(waiting, TDownloadsModel::ColStatus),
             QStringLiteral("Retrying in 3600 s (cut short at 50000 of 100000 bytes)"));
    QCOMPARE(Cell(waiting, TDownloadsModel::ColReceived), QStringLiteral("48.8 KB"));
    QVERIFY(Cell(waiting, TDownloadsModel::ColReceived, Qt::ToolTipRole).contains(QStringLiteral("50,000 bytes of 100,000")));
    QCOMPARE(Cell(waiting, TDownloadsModel::ColSpeed), QString());
}

void TestFraDownloads::sortByColumnClicks_data() {
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<int>("tag");
    QTest::newRow("size ascending") << QList<int>{2} << QStringList{"b.mp3", "C.mp3", "a.mp3"} << 3;
    QTest::newRow("size descending")
        << QList<int>{2, 2} << QStringList{"a.mp3", "C.mp3", "b.mp3"} << -3;
    QTest::newRow("then title, ignoring case")
        << QList<int>{2, 2, 1} << QStringList{"a.mp3", "b.mp3", "C.mp3"} << 2;
    QTest::newRow("speed is numeric")
        << QList<int>{4} << QStringList{"C.mp3", "b.mp3", "a.mp3"} << 5;
}

void TestFraDownloads::sortByColumnClicks() {
    QFETCH(QList<int>, clicks);
    QFETCH(QStringList, titles);
    QFETCH(int, tag);
    Keep(*m_program->Downloads, "C.mp3", 5000000000, 9 * 1024);
    Keep(*m_program->Downloads, "a.mp3", 9000000000, 12 * 1024);
    Keep(*m_program->Downloads, "b.mp3", 300, 10 * 1024);
    m_page->DownloadRows->Flush();
    const int b = m_page->DownloadRows->RowOf("http://files.test/b.mp3");
    Select(b);
    for (const int column : clicks)
        emit m_page->lvwDownloads->header()->sectionClicked(column);
    QCOMPARE(ShownColumn(*m_page->lvwDownloads, TDownloadsModel::ColTitle), titles);
    QCOMPARE(m_page->lvwDownloads->Proxy()->SortTag(), tag);
    // The selection follows its row.
    QCOMPARE(m_page->lvwDownloads->SelectedRow(), b);
}

void TestFraDownloads::downloadsShowTheirStateAndReachThePlayList() {
    QVERIFY(TFileUtils::WriteWholeFile(m_program->Options->DownloadDir + "/good.mp3", "taken"));
    const int good = Start(kGood, "good.mp3");
    const int missing = Start(kMissing, "missing.mp3");
    QCOMPARE(Cell(good, TDownloadsModel::ColStatus, Qt::AccessibleTextRole),
             QStringLiteral("Downloading"));
    QCOMPARE(Cell(good, TDownloadsModel::ColKey), QStringLiteral("0"));
    QCOMPARE(Cell(missing, TDownloadsModel::ColKey), QStringLiteral("1"));
    QTRY_COMPARE(Status(missing), int(TDownload::StatusFailed));
    QTRY_COMPARE(Status(good), int(TDownload::StatusComplete));
    QCOMPARE(Cell(good, TDownloadsModel::ColStatus, Qt::AccessibleTextRole),
             QStringLiteral("Complete"));
    // The reason comes with the failure, from the transfer to the cell, seen and heard.
    QCOMPARE(Cell(missing, TDownloadsModel::ColStatus), QStringLiteral("Failed: HTTP 404"));
    QCOMPARE(Cell(missing, TDownloadsModel::ColStatus, Qt::AccessibleTextRole),
             QStringLiteral("Failed: HTTP 404"));
    // Sizes read as sizes, the exact bytes in the tool tip; an unknown size is no size.
    QCOMPARE(Cell(good, TDownloadsModel::ColSize), QStringLiteral("97.7 KB"));
    QVERIFY(Cell(good, TDownloadsModel::ColSize, Qt::ToolTipRole).contains(QStringLiteral("100,000 bytes")));
    QCOMPARE(Cell(good, TDownloadsModel::ColReceived), QStringLiteral("97.7 KB"));
    QCOMPARE(Cell(missing, TDownloadsModel::ColSize), QString());
    // The play list and the row name the file as the download folder holds it.
    QCOMPARE(m_playListed, (QList<QPair<QString, qint64>>{{QStringLiteral("good1.mp3"), 100000}}));
    QCOMPARE(Cell(good, TDownloadsModel::ColTitle), QStringLiteral("good1.mp3"));
}

void TestFraDownloads::restartOnlyAFailedRow() {
    const std::string flaky = "http://files.test/flaky.mp3";
    m_server->Serve("files.test/flaky.mp3", TScriptedResponse::Status(404));
    const int good = Start(kGood, "good.mp3");
    const int failed = Start(flaky, "flaky.mp3");
    QTRY_COMPARE(Status(good), int(TDownload::StatusComplete));
    QTRY_COMPARE(Status(failed), int(TDownload::StatusFailed));
    const size_t requests = m_server->RequestCount();
    Select(good);
    m_page->actRestartDownload->trigger();
    QCOMPARE(Status(good), int(TDownload::StatusComplete));
    // At once, while the failed transfer may still be winding down.
    m_server->Serve("files.test/flaky.mp3", TScriptedResponse::Ok("found at last"));
    Select(failed);
    m_page->actRestartDownload->trigger();
    QCOMPARE(Status(failed), int(TDownload::StatusDownloading));
    QTRY_COMPARE(Status(failed), int(TDownload::StatusComplete));
    QCOMPARE(m_server->RequestCount(), requests + 1);
    QVERIFY(m_program->Prompts.Asked.isEmpty());
    // Remove from List takes the selected finished row alone off the list.
    Select(m_page->DownloadRows->RowOf(kGood));
    m_page->actRemoveFromList->trigger();
    QCOMPARE(m_page->DownloadRows->rowCount(), 1);
    QCOMPARE(m_page->DownloadRows->RowOf(flaky), 0);
}

void TestFraDownloads::aFailedSongWaitsOnTheWishList() {
    m_server->Serve("files.test/gone.mp3", TScriptedResponse::Status(404));
    const int failed = Start("http://files.test/gone.mp3", "Band_-_Song (preview).mp3");
    QTRY_COMPARE(Status(failed), int(TDownload::StatusFailed));
    TWishListPanel& panel = *m_page->pnlWishes;
    QVERIFY(panel.isHidden());
    Select(failed);
    emit m_page->findChild<QMenu*>(QStringLiteral("popDownloads"))->aboutToShow();
    QVERIFY(m_page->actAddToWishList->isVisible());
    m_page->actAddToWishList->trigger();
    TWishList& wishes = *m_program->Wishes;
    QCOMPARE(wishes.Count(), 1);
    QCOMPARE(wishes.At(0).Words, std::string("Band - Song"));
    QVERIFY(!panel.isHidden());
    QVERIFY(panel.lvwWishes->topLevelItem(0)->text(1).startsWith(QStringLiteral("Wished for on ")));
    // A whole copy found by a quiet search is fetched only when the user says so.
    TSearchResult found(kGood, TSearchResult::Verified, kGood, "Band - Song.mp3", 0);
    found.Engine = "MP3 Search";
    wishes.NoteFound("band song", found, "192 kbps, 4:00");
    QCOMPARE(m_page->DownloadRows->RowOf(kGood), -1);
    QCOMPARE(panel.lvwWishes->topLevelItem(0)->text(1), QStringLiteral("Found whole: 192 kbps, 4:00 (MP3 Search)"));
    QVERIFY(!panel.btnDownloadWish->isEnabled());
    panel.lvwWishes->topLevelItem(0)->setSelected(true);
    panel.btnDownloadWish->click();
    QCOMPARE(wishes.Count(), 0);
    QVERIFY(panel.isHidden());
    QTRY_COMPARE(Status(m_page->DownloadRows->RowOf(kGood)), int(TDownload::StatusComplete));
}

void TestFraDownloads::aSongAskedForAgainComesAgain() {
    const int good = Start(kGood, "good.mp3");
    QTRY_COMPARE(Status(good), int(TDownload::StatusComplete));
    const size_t requests = m_server->RequestCount();
    // Asked for again (the user said Yes to "Download it again?"): fetched once more, into
    // a file of its own; the first stays.
    QCOMPARE(Start(kGood, "good.mp3"), good);
    QCOMPARE(Status(good), int(TDownload::StatusDownloading));
    QTRY_COMPARE(Status(good), int(TDownload::StatusComplete));
    QCOMPARE(m_server->RequestCount(), requests + 1);
    QCOMPARE(m_page->DownloadRows->rowCount(), 1);
    const QString done = QString::fromStdString(m_program->Options->DownloadDir);
    QCOMPARE(QDir(done).entryList(QDir::Files), (QStringList{"good.mp3", "good1.mp3"}));
    QCOMPARE(m_playListed.size(), 2);
}

void TestFraDownloads::cancelAsksAndCancels() {
    QStringList& asked = m_program->Prompts.Asked;
    m_page->actCancelAllDownloads->trigger();
    QVERIFY(asked.isEmpty()); // nothing listed, nothing asked
    const int slow = Start(kSlow, "slow.mp3");
    Select(slow);
    m_program->Prompts.Answer = false;
    m_page->actCancelDownload->trigger();
    QCOMPARE(asked, QStringList{"Do you really want to cancel this download ?\nslow.mp3"});
    m_program->Prompts.Answer = true;
    m_page->actCancelAllDownloads->trigger();
    QCOMPARE(asked.last(), QStringLiteral("Do you really want to cancel all downloads ?"));
    QTRY_COMPARE(Status(slow), int(TDownload::StatusFailed));
    m_page->actCancelDownload->trigger(); // failed: nothing to ask
    QCOMPARE(asked.size(), 2);
}

void TestFraDownloads::queuedRowsWaitTheirTurnAndAreCounted() {
    // One at a time: the others say they wait, the summary counts them, and a waiting row is
    // cancelled as a running one is. The Downloads button is told how many are under way.
    QSignalSpy underWay(m_page.get(), &TfraDownloads::UnderWayChanged);
    m_program->Downloads->SetLimits(1);
    TScriptedResponse held = TScriptedResponse::Ok(std::string(200000, 'h'));
    held.StallBeforeAnswer = true;
    std::vector<int> rows;
    for (const char* name : {"h1.mp3", "h2.mp3", "h3.mp3"}) {
        m_server->Serve(std::string("held.test/") + name, held);
        rows.push_back(Start(std::string("http://held.test/") + name, name));
    }
    QCOMPARE(Cell(rows[0], TDownloadsModel::ColStatus, Qt::AccessibleTextRole), QStringLiteral("Downloading"));
    QCOMPARE(Cell(rows[1], TDownloadsModel::ColStatus, Qt::AccessibleTextRole), QStringLiteral("Queued"));
    QTRY_COMPARE(m_page->lblSummary->text(), QStringLiteral("1 running, 2 queued"));
    Select(rows[2]);
    m_program->Prompts.Answer = true;
    m_page->actCancelDownload->trigger();
    QCOMPARE(Cell(rows[2], TDownloadsModel::ColStatus, Qt::AccessibleTextRole), QStringLiteral("Cancelled"));
    QTRY_COMPARE(m_page->lblSummary->text(), QStringLiteral("1 running, 1 queued"));
    QCOMPARE(underWay.last(), (QVariantList{2, QStringLiteral("1 running, 1 queued")}));
    m_page->actCancelAllDownloads->trigger();
    QTRY_COMPARE(Status(rows[0]), int(TDownload::StatusFailed));
    QCOMPARE(Status(rows[1]), int(TDownload::StatusFailed));
    QTRY_COMPARE(m_page->lblSummary->text(), QString());
    QCOMPARE(underWay.last().first().toInt(), 0);
    QCOMPARE(m_program->Downloads->QueuedCount(), 0);
}

void TestFraDownloads::cancelAsksOnceForEverySelectedRow() {
    // Two downloads held by their server until cancelled, one failed between them.
    const int first = Start(kSlow, "slow.mp3");
    TScriptedResponse held = TScriptedResponse::Ok(std::string(200000, 's'));
    held.StallBeforeAnswer = true;
    m_server->Serve("files.test/slow2.mp3", held);
    const int second = Start(kMissing, "missing.mp3");
    QTRY_COMPARE(Status(second), int(TDownload::StatusFailed));
    const int third = Start("http://files.test/slow2.mp3", "slow2.mp3");
    SelectRows(*m_page->lvwDownloads, {first, second, third});
    m_program->Prompts.Answer = true;
    m_page->actCancelDownload->trigger();
    // The failed row is not asked about; the two running ones are, once.
    QCOMPARE(m_program->Prompts.Asked, QStringList{"Do you really want to cancel these 2 downloads ?"});
    QTRY_COMPARE(Status(first), int(TDownload::StatusFailed));
    QTRY_COMPARE(Status(third), int(TDownload::StatusFailed));
    // The user's own cancel is no failure, and no news to tell.
    for (const int row : {first, third}) {
        QCOMPARE(Cell(row, TDownloadsModel::ColStatus, Qt::AccessibleTextRole), QStringLiteral("Cancelled"));
        QCOMPARE(Cell(row, TDownloadsModel::ColStatus, Qt::AccessibleDescriptionRole), QStringLiteral("Cancelled"));
    }
    QCOMPARE(m_ended, QStringList{"missing.mp3|HTTP 404"});
}

void TestFraDownloads::commandsActOnlyWhenTheyCan() {
    // An empty list: only nothing can be done.
    for (const QAction* command : {m_page->actPreviewFile, m_page->actRestartDownload, m_page->actCancelDownload,
                                   m_page->actCancelAllDownloads, m_page->actClearDownloaded})
        QVERIFY2(!command->isEnabled(), qPrintable(command->text()));
    const int slow = Start(kSlow, "slow.mp3");
    const int missing = Start(kMissing, "missing.mp3");
    QVERIFY(m_page->actCancelAllDownloads->isEnabled() && !m_page->actPreviewFile->isEnabled());
    Select(slow);
    QVERIFY(m_page->actPreviewFile->isEnabled() && m_page->actCancelDownload->isEnabled() && !m_page->actRestartDownload->isEnabled());
    QTRY_COMPARE(Status(missing), int(TDownload::StatusFailed));
    QTRY_VERIFY(m_page->actClearDownloaded->isEnabled());
    Select(missing);
    QVERIFY(m_page->actRestartDownload->isEnabled() && !m_page->actCancelDownload->isEnabled());
    // A command that cannot act does nothing, whoever triggers it.
    SelectRows(*m_page->lvwDownloads, {});
    m_page->actPreviewFile->trigger();
    QVERIFY(m_played.isEmpty());
}

void TestFraDownloads::clearTakesFinishedRowsAndKeysStayUnique() {
    const int missing = Start(kMissing, "missing.mp3");
    Start(kSlow, "slow.mp3");
    QTRY_COMPARE(Status(missing), int(TDownload::StatusFailed));
    // The commands follow the rows as they are shown, which may be a turn after the record.
    QTRY_VERIFY(m_page->actClearDownloaded->isEnabled());
    m_page->actClearDownloaded->trigger();
    QCOMPARE(m_page->DownloadRows->rowCount(), 1);
    QVERIFY(!m_page->actClearDownloaded->isEnabled()); // nothing finished is left
    QCOMPARE(m_page->DownloadRows->RowOf(kMissing), -1);
    QCOMPARE(m_page->DownloadRows->RowOf(kSlow), 0);
    m_program->Downloads->WorkerError(kMissing, "HTTP 404"); // an event for a cleared row changes nothing
    QCOMPARE(m_page->DownloadRows->rowCount(), 1);
    // A download after the clear gets a key never given before, the cleared link too.
    QCOMPARE(Cell(Start(kGood, "good.mp3"), TDownloadsModel::ColKey), QStringLiteral("2"));
    const int again = Start(kMissing, "missing.mp3");
    QCOMPARE(again, 2);
    QCOMPARE(Cell(again, TDownloadsModel::ColKey), QStringLiteral("3"));
    QTRY_COMPARE(Status(again), int(TDownload::StatusFailed));
    QTRY_VERIFY(m_page->actClearDownloaded->isEnabled());
}

void TestFraDownloads::clearWhenCompleteTakesFailedRowsToo() {
    m_program->Options->ClearDownloadsWhenComplete = true;
    const int missing = Start(kMissing, "missing.mp3");
    Start(kSlow, "slow.mp3");
    QTRY_COMPARE(Status(missing), int(TDownload::StatusFailed));
    Start(kGood, "good.mp3");
    QTRY_COMPARE(m_playListed.size(), 1);
    QTRY_COMPARE(m_page->DownloadRows->rowCount(), 1);
    QCOMPARE(m_page->DownloadRows->RowOf(kSlow), 0);
    QCOMPARE(m_playListed.first().first, QStringLiteral("good.mp3"));
}

void TestFraDownloads::clearingScatteredRowsKeepsTheOrderShown() {
    // Every other row finished: far more runs of rows than are taken off one by one.
    for (int i = 0; i < 40; ++i) {
        auto download = std::make_unique<TDownload>("http://files.test/" + std::to_string(i), "Song " + std::to_string(i), 0);
        download->Url = download->Key;
        download->Completed = i % 2 == 0;
        m_program->Downloads->Keep(std::move(download));
    }
    m_page->DownloadRows->Flush();
    TPageList& list = *m_page->lvwDownloads;
    list.Proxy()->SortByColumn(TDownloadsModel::ColTitle);
    list.Proxy()->SortByColumn(TDownloadsModel::ColTitle); // descending
    Select(m_page->DownloadRows->RowOf("http://files.test/7"));
    m_page->ClearDownloaded();
    QStringList left;
    for (int i = 39; i > 0; i -= 2)
        left << QStringLiteral("Song %1").arg(i);
    std::sort(left.begin(), left.end(), std::greater<>());
    QCOMPARE(ShownColumn(list, TDownloadsModel::ColTitle), left);
    QVERIFY(list.Proxy()->InSortOrder());
    // The selected row that stays is still selected.
    QCOMPARE(list.SelectedRow(), 3);
    QCOMPARE(m_page->DownloadRows->RowOf("http://files.test/7"), 3);
    QCOMPARE(m_page->DownloadRows->RowOf("http://files.test/8"), -1);
}

void TestFraDownloads::equalCellsKeepTheirOrderEitherWay() {
    // Rows of one size stay in the order they came, ascending or descending, around a larger one.
    for (const char* name : {"b.mp3", "c.mp3", "big.mp3", "a.mp3"})
        Keep(*m_program->Downloads, name, std::string(name) == "big.mp3" ? 9000 : 500, 0);
    m_page->DownloadRows->Flush();
    TListProxy& proxy = *m_page->lvwDownloads->Proxy();
    proxy.SortByColumn(TDownloadsModel::ColSize);
    QCOMPARE(ShownColumn(*m_page->lvwDownloads, TDownloadsModel::ColTitle),
             (QStringList{"b.mp3", "c.mp3", "a.mp3", "big.mp3"}));
    proxy.SortByColumn(TDownloadsModel::ColSize);
    QCOMPARE(ShownColumn(*m_page->lvwDownloads, TDownloadsModel::ColTitle),
             (QStringList{"big.mp3", "b.mp3", "c.mp3", "a.mp3"}));
}

void TestFraDownloads::rowsAfterASortStayAfterItThroughFiltersAndRemovals() {
    for (const auto& [name, size] : {std::pair{"b", 500}, {"a", 900}, {"e", 300}}) {
        auto download = std::make_unique<TDownload>(std::string("http://files.test/") + name, name + std::string(".mp3"), size);
        download->Url = download->Key;
        download->Completed = true;
        m_program->Downloads->Keep(std::move(download));
    }
    m_page->DownloadRows->Flush();
    TListProxy& proxy = *m_page->lvwDownloads->Proxy();
    proxy.SortByColumn(TDownloadsModel::ColSize);
    Keep(*m_program->Downloads, "c.mp3", 100, 0);
    m_page->DownloadRows->Flush();
    const auto shown = [this] { return ShownColumn(*m_page->lvwDownloads, TDownloadsModel::ColTitle); };
    QCOMPARE(shown(), (QStringList{"e.mp3", "b.mp3", "a.mp3", "c.mp3"}));
    // Until the next sort, a row that came later stays after the sorted ones, also when a
    // filter shows it again, and when a row before it in the list is taken off.
    const auto filterOutAndBack = [&proxy] {
        proxy.SetRowFilter([](int) { return false; });
        proxy.SetRowFilter({});
    };
    filterOutAndBack();
    QCOMPARE(shown(), (QStringList{"e.mp3", "b.mp3", "a.mp3", "c.mp3"}));
    QCOMPARE(m_program->Downloads->RemoveFinished({"http://files.test/b"}), 1);
    filterOutAndBack();
    QCOMPARE(shown(), (QStringList{"e.mp3", "a.mp3", "c.mp3"}));
    proxy.SortByColumn(TDownloadsModel::ColTitle);
    QCOMPARE(shown(), (QStringList{"a.mp3", "c.mp3", "e.mp3"}));
}

void TestFraDownloads::previewPlaysTheDownloadsOwnFile() {
    m_page->actPreviewFile->trigger();
    QVERIFY(m_played.isEmpty()); // nothing selected
    QVERIFY(TFileUtils::WriteWholeFile(m_program->Options->IncompleteDir + "/slow.mp3", "another file"));
    const int row = Start(kSlow, "slow.mp3");
    const QModelIndex shown = m_page->lvwDownloads->Proxy()->index(row, 1);
    m_page->lvwDownloads->doubleClicked(shown); // nothing selected yet
    Select(row);
    m_page->lvwDownloads->doubleClicked(shown);
    auto* popup = m_page->findChild<QMenu*>(QStringLiteral("popDownloads"));
    popup->actions().first()->trigger();
    const QString own = QString::fromStdString(m_program->Options->IncompleteDir) + QStringLiteral("/slow1.mp3");
    QCOMPARE(m_played, (QStringList{own, own}));
    QStringList items;
    for (QAction* item : popup->actions())
        items << (item->isSeparator() ? QStringLiteral("-") : item->text());
    QCOMPARE(items, (QStringList{"Play", "Find a Whole Version", "Add to Wish List", "Open Containing Folder", "Copy Link", "-", "Restart Download",
                                 "Cancel Download", "Remove from List", "-", "Cancel All Downloads",
                                 "Clear Downloaded"}));
    // Copy Link puts the row's link on the clipboard; a running row is not removed.
    m_page->actCopyLink->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(kSlow));
    QVERIFY(!m_page->actRemoveFromList->isEnabled());
    // A title of control bytes and 400 characters stays on its one line.
    Keep(*m_program->Downloads, "a\r\n\x01" + std::string(400, 'x') + ".mp3", 0, 0);
    m_page->DownloadRows->Flush();
    QCOMPARE(Cell(1, TDownloadsModel::ColTitle),
             QStringLiteral("a   ") + QString(400, QLatin1Char('x')) + ".mp3");
}

void TestFraDownloads::eventsAfterThePageIsGoneAreDropped() {
    Start(kSlow, "slow.mp3");
    m_tester.reset();
    m_page.reset();
    m_program->Downloads->WorkerProgress(kSlow, 100000, 100000, 1);
    m_program->Downloads->WorkerError(kSlow, "cancelled");
    // A page made afterwards takes the events over.
    TfraDownloads next(m_program->Services());
    next.Download(TDownloadRequest::ForLink(kMissing, "missing.mp3"));
    const int row = next.DownloadRows->RowOf(kMissing);
    QCOMPARE(row, 1);
    QTRY_COMPARE(next.DownloadRows->Record(row).Status(), int(TDownload::StatusFailed));
}

void TestFraDownloads::theViewsShowTheirRowsAndCounts() {
    const QList<QToolButton*> views = m_page->pnlShow->findChildren<QToolButton*>();
    QCOMPARE(views.size(), 5);
    views[1]->click(); // Running
    const int good = Start(kGood, "good.mp3");
    Start(kMissing, "missing.mp3");
    Start(kSlow, "slow.mp3");
    QTRY_COMPARE(Status(good), int(TDownload::StatusComplete));
    // Rows leave the view as their state does.
    QTRY_COMPARE(ShownColumn(*m_page->lvwDownloads, TDownloadsModel::ColTitle), QStringList{"slow.mp3"});
    views[3]->click(); // Failed
    QCOMPARE(ShownColumn(*m_page->lvwDownloads, TDownloadsModel::ColTitle), QStringList{"missing.mp3"});
    QStringList captions;
    for (const QToolButton* view : views)
        captions << view->accessibleName();
    QCOMPARE(captions, (QStringList{"All (3)", "Running (1)", "Queued (0)", "Failed (1)", "Complete (1)"}));
    views[0]->click();
    QCOMPARE(m_page->lvwDownloads->Proxy()->rowCount(), 3);
}

void TestFraDownloads::aResumedDownloadIsCheckedToo() {
    TScriptedResponse cut = TScriptedResponse::Ok("<html><body>" + std::string(20000, 'x') + "</body></html>");
    cut.Headers.push_back("ETag: \"r1\"");
    cut.CutAfter = 10000;
    cut.HonoursRange = true;
    m_server->Serve("files.test/resumed.mp3", cut);
    m_program->Downloads->SetRetryPauses({std::chrono::milliseconds(0)});
    const int row = Start("http://files.test/resumed.mp3", "resumed.mp3");
    QTRY_COMPARE(Status(row), int(TDownload::StatusComplete));
    QCOMPARE(m_server->Requests().back().Header("Range"), std::string("bytes=10000-")); // by a resume
    QTRY_COMPARE(Cell(row, TDownloadsModel::ColCheck), QStringLiteral("Not an MP3 file: an HTML page"));
}

void TestFraDownloads::finishedFileSaysWhatItReallyIs() {
    m_server->Serve("files.test/fake.mp3", TScriptedResponse::Ok("<!DOCTYPE html><html><body>Not found</body></html>"));
    const int fake = Start("http://files.test/fake.mp3", "fake.mp3");
    const int missing = Start(kMissing, "missing.mp3");
    // The site's page saved as an MP3 keeps the Complete picture, and says what it is.
    QTRY_COMPARE(Cell(fake, TDownloadsModel::ColStatus, Qt::AccessibleDescriptionRole),
                 QStringLiteral("Not an MP3 file: an HTML page"));
    QCOMPARE(Cell(fake, TDownloadsModel::ColStatus, Qt::AccessibleTextRole), QStringLiteral("Complete"));
    QCOMPARE(Cell(fake, TDownloadsModel::ColCheck), QStringLiteral("Not an MP3 file: an HTML page"));
    QTRY_COMPARE(Status(missing), int(TDownload::StatusFailed));
    m_ended.sort();
    QCOMPARE(m_ended, (QStringList{"fake.mp3|", "missing.mp3|HTTP 404"}));
}

int main(int argc, char** argv) {
    TOrvaloApplication app(argc, argv);
    TestFraDownloads test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fradownloads.moc"
