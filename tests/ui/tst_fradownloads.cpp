#include <QAbstractItemModelTester>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include "TestServer.h"
#include "core/uTFileUtils.h"
#include "download/uTDownloadManager.h"
#include "search/uTSearchResultManager.h"
#include "startup/uIncludes.h"
#include "ui/uApplication.h"
#include "ui/uDownloadsDelegate.h"
#include "ui/uDownloadsModel.h"
#include "ui/uFraDownloads.h"
#include "ui/uPageList.h"

namespace {
const std::string kGood = "http://files.test/good.mp3";
const std::string kMissing = "http://files.test/missing.mp3";
const std::string kSlow = "http://files.test/slow.mp3";

TDownload Record(const std::string& name, int64_t size, int64_t speed) {
    TDownload download("http://files.test/" + name, name, size);
    download.Url = download.Key;
    download.Speed = speed;
    return download;
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
    void cancelAsksAndCancels();
    void clearKeepsKeysUniqueAndRowsComeBack();
    void clearWhenCompleteTakesFailedRowsToo();
    void previewPlaysTheDownloadsOwnFile();
    void eventsAfterThePageIsGoneAreDropped();
    void barRoundsHalfToEven_data();
    void barRoundsHalfToEven();
    void barDrawnInsideItsFrame();

private:
    // What the search page does: ask the manager, then list the manager's record.
    int Start(const std::string& link, const std::string& name);
    void Select(int row);
    QString Cell(int row, int column, int role = Qt::DisplayRole) const;
    int Status(int row) const { return m_page->Rows->Row(row).Status; }

    std::unique_ptr<TTestServer> m_server;
    std::unique_ptr<QTemporaryDir> m_done;
    std::unique_ptr<QTemporaryDir> m_partial;
    std::unique_ptr<TfraDownloads> m_page;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    QList<QPair<QString, qint64>> m_playListed;
    QStringList m_played;
    QStringList m_asked;
    bool m_answer = false;
};

void TestFraDownloads::initTestCase() {
    m_server = std::make_unique<TTestServer>();
    m_server->UseAsProxy();
    m_server->Serve("files.test/good.mp3",
                    TScriptedResponse::Ok(TTestServer::SyntheticBody(100000)));
    m_server->Serve("files.test/missing.mp3", TScriptedResponse::Status(404));
    TScriptedResponse slow = TScriptedResponse::Ok(TTestServer::SyntheticBody(100000));
    slow.StallAfter = 40000;
    m_server->Serve("files.test/slow.mp3", slow);
}

void TestFraDownloads::init() {
    m_done = std::make_unique<QTemporaryDir>();
    m_partial = std::make_unique<QTemporaryDir>();
    AppOptions = std::make_unique<TAppOptions>();
    AppOptions->DownloadDir = m_done->path().toStdString();
    AppOptions->IncompleteDir = m_partial->path().toStdString();
    DownloadManager =
        std::make_unique<TDownloadManager>(AppOptions->DownloadDir, AppOptions->IncompleteDir);
    DownloadRows = std::make_unique<TStringList>('*');
    m_page = std::make_unique<TfraDownloads>();
    m_page->InitPage();
    m_tester = std::make_unique<QAbstractItemModelTester>(m_page->Rows);
    m_playListed.clear();
    m_played.clear();
    m_asked.clear();
    m_page->AddFileToPlayList = [this](const std::string& name, int64_t size) {
        m_playListed << qMakePair(QString::fromStdString(name), qint64(size));
    };
    m_page->PlayInPlayer = [this](const std::string& path) {
        m_played << QString::fromStdString(path);
    };
    m_page->Confirm = [this](const QString& text) {
        m_asked << text;
        return m_answer;
    };
}

void TestFraDownloads::cleanup() {
    m_tester.reset();
    m_page.reset();
    DownloadManager.reset();
    DownloadRows.reset();
    AppOptions.reset();
}

int TestFraDownloads::Start(const std::string& link, const std::string& name) {
    DownloadManager->AddDownload(TSearchResult(link, TSearchResult::Verified, link, name, 0));
    m_page->AddDownloadRow(*DownloadManager->Find(link));
    return m_page->FindDownloadRow(link);
}

void TestFraDownloads::Select(int row) {
    m_page->lvwDownloads->selectionModel()->select(m_page->Rows->index(row, 0),
                                                   QItemSelectionModel::ClearAndSelect |
                                                       QItemSelectionModel::Rows);
}

QString TestFraDownloads::Cell(int row, int column, int role) const {
    return m_page->Rows->index(row, column).data(role).toString();
}

void TestFraDownloads::progressRefreshesEvery32KiB() {
    const int row = Start(kSlow, "slow.mp3");
    QStringList shown;
    connect(m_page->Rows, &QAbstractItemModel::dataChanged, this, [&] {
        shown << Cell(row, TDownloadsModel::ColReceived) + " " +
                     Cell(row, TDownloadsModel::ColSpeed);
    });
    // The manager's own handler, fed block by block as the transfer would.
    for (int64_t received = 1024; received < 100000; received += 1024)
        DownloadManager->WorkerProgress(kSlow, 100000, received, received < 90000 ? 1023 : 10239);
    DownloadManager->WorkerProgress(kSlow, 100000, 100000, 10239);
    QCOMPARE(shown, (QStringList{"32768 0 kb/s", "65536 0 kb/s", "98304 9 kb/s", "100000 9 kb/s"}));
    QCOMPARE(Cell(row, TDownloadsModel::ColProgress, Qt::AccessibleTextRole),
             QStringLiteral("100%"));
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
    QTest::newRow("key restores the order")
        << QList<int>{1, 6} << QStringList{"C.mp3", "a.mp3", "b.mp3"} << 7;
}

void TestFraDownloads::sortByColumnClicks() {
    QFETCH(QList<int>, clicks);
    QFETCH(QStringList, titles);
    QFETCH(int, tag);
    m_page->AddDownloadRow(Record("C.mp3", 5000000000, 9 * 1024));
    m_page->AddDownloadRow(Record("a.mp3", 9000000000, 12 * 1024));
    m_page->AddDownloadRow(Record("b.mp3", 300, 10 * 1024));
    Select(m_page->FindDownloadRow("http://files.test/b.mp3"));
    for (const int column : clicks)
        m_page->ColumnClick(column);
    QStringList order;
    for (int row = 0; row < m_page->Rows->rowCount(); ++row)
        order << Cell(row, TDownloadsModel::ColTitle);
    QCOMPARE(order, titles);
    QCOMPARE(m_page->lvwDownloads->SortTag, tag);
    // The selection and the key lookups follow the rows.
    const int b = m_page->FindDownloadRow("http://files.test/b.mp3");
    QCOMPARE(Cell(b, TDownloadsModel::ColTitle), QStringLiteral("b.mp3"));
    QCOMPARE(m_page->lvwDownloads->selectionModel()->selectedRows().value(0).row(), b);
}

void TestFraDownloads::downloadsShowTheirStateAndReachThePlayList() {
    QVERIFY(TFileUtils::WriteWholeFile(AppOptions->DownloadDir + "/good.mp3", "taken"));
    const int good = Start(kGood, "good.mp3");
    const int missing = Start(kMissing, "missing.mp3");
    QCOMPARE(Cell(good, TDownloadsModel::ColStatus, Qt::AccessibleTextRole),
             QStringLiteral("Downloading"));
    QCOMPARE(Cell(good, TDownloadsModel::ColKey), QStringLiteral("0"));
    QCOMPARE(QString::fromStdString(DownloadRows->Strings(1)),
             QStringLiteral("1*") + QString::fromStdString(kMissing));
    QTRY_COMPARE(Status(missing), int(TDownload::StatusFailed));
    QTRY_COMPARE(Status(good), int(TDownload::StatusComplete));
    QCOMPARE(Cell(good, TDownloadsModel::ColStatus, Qt::AccessibleTextRole),
             QStringLiteral("Complete"));
    QCOMPARE(Cell(missing, TDownloadsModel::ColStatus, Qt::AccessibleTextRole),
             QStringLiteral("Failed"));
    QCOMPARE(Cell(good, TDownloadsModel::ColSize), QStringLiteral("100000"));
    QCOMPARE(Cell(good, TDownloadsModel::ColReceived), QStringLiteral("100000"));
    // The play list names the file as the download folder holds it.
    QCOMPARE(m_playListed, (QList<QPair<QString, qint64>>{{QStringLiteral("good1.mp3"), 100000}}));
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
    m_page->RestartSelected();
    QCOMPARE(Status(good), int(TDownload::StatusComplete));
    m_server->Serve("files.test/flaky.mp3", TScriptedResponse::Ok("found at last"));
    QTRY_VERIFY(
        !DownloadManager->Workers.Objects(DownloadManager->Workers.IndexOf(flaky))->IsRunning());
    Select(failed);
    m_page->RestartSelected();
    QCOMPARE(Status(failed), int(TDownload::StatusDownloading));
    QTRY_COMPARE(Status(failed), int(TDownload::StatusComplete));
    QCOMPARE(m_server->RequestCount(), requests + 1);
    QVERIFY(m_asked.isEmpty());
}

void TestFraDownloads::cancelAsksAndCancels() {
    m_page->CancelAll();
    QVERIFY(m_asked.isEmpty()); // nothing listed, nothing asked
    const int slow = Start(kSlow, "slow.mp3");
    Select(slow);
    m_answer = false;
    m_page->CancelSelected();
    QCOMPARE(m_asked, QStringList{"Do you really want to cancel this download ?\nslow.mp3"});
    m_answer = true;
    m_page->CancelAll();
    QCOMPARE(m_asked.last(), QStringLiteral("Do you really want to cancel all downloads ?"));
    QTRY_COMPARE(Status(slow), int(TDownload::StatusFailed));
    m_page->CancelSelected(); // failed: nothing to ask
    QCOMPARE(m_asked.size(), 2);
}

void TestFraDownloads::clearKeepsKeysUniqueAndRowsComeBack() {
    const int missing = Start(kMissing, "missing.mp3");
    Start(kSlow, "slow.mp3");
    QTRY_COMPARE(Status(missing), int(TDownload::StatusFailed));
    m_page->ClearDownloaded();
    QCOMPARE(m_page->Rows->rowCount(), 1);
    QCOMPARE(m_page->FindDownloadRow(kMissing), -1);
    QCOMPARE(m_page->FindDownloadRow(kSlow), 0);
    DownloadManager->WorkerError(kMissing); // an event for a cleared row changes nothing
    QCOMPARE(m_page->Rows->rowCount(), 1);
    // A download after the clear gets a key never given before.
    QCOMPARE(Cell(Start(kGood, "good.mp3"), TDownloadsModel::ColKey), QStringLiteral("2"));
    m_page->AddDownloadRow(*DownloadManager->Find(kSlow));
    QCOMPARE(m_page->Rows->rowCount(), 2);
    // The cleared one comes back as it stands, under its old key.
    m_page->AddDownloadRow(*DownloadManager->Find(kMissing));
    const int back = m_page->FindDownloadRow(kMissing);
    QCOMPARE(back, 2);
    QCOMPARE(Status(back), int(TDownload::StatusFailed));
    QCOMPARE(Cell(back, TDownloadsModel::ColKey), QStringLiteral("0"));
    QCOMPARE(DownloadRows->Count(), 3);
}

void TestFraDownloads::clearWhenCompleteTakesFailedRowsToo() {
    AppOptions->ClearDownloadsWhenComplete = true;
    const int missing = Start(kMissing, "missing.mp3");
    Start(kSlow, "slow.mp3");
    QTRY_COMPARE(Status(missing), int(TDownload::StatusFailed));
    Start(kGood, "good.mp3");
    QTRY_COMPARE(m_playListed.size(), 1);
    QCOMPARE(m_page->Rows->rowCount(), 1);
    QCOMPARE(m_page->FindDownloadRow(kSlow), 0);
    QCOMPARE(m_playListed.first().first, QStringLiteral("good.mp3"));
}

void TestFraDownloads::previewPlaysTheDownloadsOwnFile() {
    m_page->PreviewFile();
    QVERIFY(m_played.isEmpty()); // nothing selected
    QVERIFY(TFileUtils::WriteWholeFile(AppOptions->IncompleteDir + "/slow.mp3", "another file"));
    const int row = Start(kSlow, "slow.mp3");
    m_page->lvwDownloads->doubleClicked(m_page->Rows->index(row, 1)); // nothing selected yet
    Select(row);
    m_page->lvwDownloads->doubleClicked(m_page->Rows->index(row, 1));
    m_page->MenuAction(
        m_page->popDownloads->findChild<QAction*>(QStringLiteral("popDownloadsPreviewFile")));
    const QString own = m_partial->path() + QStringLiteral("/slow1.mp3");
    QCOMPARE(m_played, (QStringList{own, own}));
    QStringList items;
    for (QAction* item : m_page->popDownloads->actions())
        items << (item->isSeparator() ? QStringLiteral("-") : item->text());
    QCOMPARE(items, (QStringList{"Preview File", "-", "Restart Download", "Cancel Download",
                                 "Cancel All Downloads", "-", "Clear Downloaded"}));
    // A title of control bytes and 400 characters stays on its one line.
    m_page->AddDownloadRow(Record("a\r\n\x01" + std::string(400, 'x') + ".mp3", 0, 0));
    QCOMPARE(Cell(1, TDownloadsModel::ColTitle),
             QStringLiteral("a   ") + QString(400, QLatin1Char('x')) + ".mp3");
}

void TestFraDownloads::eventsAfterThePageIsGoneAreDropped() {
    Start(kSlow, "slow.mp3");
    m_tester.reset();
    m_page.reset();
    DownloadManager->WorkerProgress(kSlow, 100000, 100000, 1);
    DownloadManager->WorkerError(kSlow);
    // A page made afterwards takes the events over.
    TfraDownloads next;
    next.InitPage();
    DownloadManager->AddDownload(
        TSearchResult(kMissing, TSearchResult::Verified, kMissing, "missing.mp3", 0));
    next.AddDownloadRow(*DownloadManager->Find(kMissing));
    QTRY_COMPARE(next.Rows->Row(0).Status, int(TDownload::StatusFailed));
}

void TestFraDownloads::barRoundsHalfToEven_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("progress");
    QTest::addColumn<int>("right");
    QTest::newRow("half of 94") << 94 << 50 << 47;
    QTest::newRow("2.5 down to 2") << 5 << 50 << 2;
    QTest::newRow("3.5 up to 4") << 7 << 50 << 4;
    QTest::newRow("above a half") << 94 << 33 << 31;
    QTest::newRow("past 100 stays inside") << 94 << 250 << 94;
    QTest::newRow("below 0 stays empty") << 94 << -5 << 0;
}

void TestFraDownloads::barRoundsHalfToEven() {
    QFETCH(int, width);
    QFETCH(int, progress);
    QFETCH(int, right);
    QCOMPARE(ProgressBarRight(10, width, progress), 10 + right);
}

void TestFraDownloads::barDrawnInsideItsFrame() {
    const QColor light(250, 250, 250);
    for (const int progress : {50, 0}) {
        QImage image(100, 20, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        PaintProgressCell(painter, image.rect(), kRowBackground, light, progress);
        painter.end();
        QCOMPARE(image.pixelColor(0, 10), kRowBackground);
        QCOMPARE(image.pixelColor(50, 1), kRowBackground);
        QCOMPARE(image.pixelColor(1, 10), QColor(128, 128, 128));
        QCOMPARE(image.pixelColor(98, 10), QColor(128, 128, 128));
        QCOMPARE(image.pixelColor(50, 2), QColor(128, 128, 128));
        QCOMPARE(image.pixelColor(50, 17), QColor(128, 128, 128));
        QCOMPARE(image.pixelColor(2, 10), light);
        // The inner box runs from x 3 to 96, y 4 to 15: 94 wide, so 50% is 47 pixels.
        QCOMPARE(image.pixelColor(3, 4), progress ? kProgressBarColour : light);
        QCOMPARE(image.pixelColor(49, 15), progress ? kProgressBarColour : light);
        QCOMPARE(image.pixelColor(50, 10), light);
        QCOMPARE(image.pixelColor(3, 3), light);
    }
}

int main(int argc, char** argv) {
    TOrvaloApplication app(argc, argv);
    TestFraDownloads test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fradownloads.moc"
