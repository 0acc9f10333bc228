#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "net/uTransferEngine.h"
#include "HandOverDrain.h"
#include "TestServer.h"
#include "search/uTVerificationManager.h"
#include "uToneMaker.h"

namespace {
struct Reports {
    QStringList events;
    QStringList judged; // what the verified links' starts hold
    void Attach(TVerificationManager& manager) {
        QObject::connect(&manager, &TVerificationManager::LinkFailed,
                         [this](const std::string& url, const std::string& reason) {
                             events << QString::fromStdString("failed " + url + " (" + reason + ")");
                         });
        QObject::connect(&manager, &TVerificationManager::LinkJudged, [this](const std::string&, const TContentVerdict& content) {
            judged << QString::fromStdString(VerdictText(content));
        });
        QObject::connect(&manager, &TVerificationManager::LinkVerified, [this](const std::string& url, int64_t size) {
            events << QString::fromStdString("verified " + url + " " + std::to_string(size));
        });
    }
};
} // namespace

class TestVerification : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void answersAreJudgedByStatusAndLength_data();
    void answersAreJudgedByStatusAndLength();
    void checkReadsOnlyTheStart_data();
    void checkReadsOnlyTheStart();
    void neverMoreThanFiveHeldAndOneStartPerTick();
    void hostsArePacedApart();
    void linkAddedTwiceIsReportedTwice();
    void stopThenNewSearchPurgesOldChecks();
    void checkStoppedBeforeItsAnswerReportsFailure();
    void lateOutcomeOfAnEarlierRoundIsDropped();
    void destroyingTheManagerEndsChecksWithoutWaiting();
    void linksIntoTheLocalNetworkAreNotChecked_data();
    void linksIntoTheLocalNetworkAreNotChecked();

private:
    std::unique_ptr<TTestServer> m_server;
    std::unique_ptr<TTransferEngine> m_transfers = std::make_unique<TTransferEngine>();
};

void TestVerification::initTestCase() {
    m_server = std::make_unique<TTestServer>();
    m_server->UseAsProxy();
    TScriptedResponse stalled = TScriptedResponse::Ok("never");
    stalled.StallBeforeAnswer = true;
    for (int i = 0; i < 11; ++i)
        m_server->Serve("stall.test/" + std::to_string(i) + ".mp3", stalled);
}

void TestVerification::answersAreJudgedByStatusAndLength_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("200 with a length") << "ok" << "verified http://check.test/ok.mp3 4000";
    QTest::newRow("200 with length 0") << "zero" << "failed http://check.test/zero.mp3 (empty file)";
    QTest::newRow("200 without a length") << "nolength" << "failed http://check.test/nolength.mp3 (no file size given)";
    QTest::newRow("200 with a length that is no number")
        << "garbled" << "failed http://check.test/garbled.mp3 (answer not understood)";
    QTest::newRow("404 with a length") << "missing" << "failed http://check.test/missing.mp3 (HTTP 404)";
    QTest::newRow("not HTTP") << "raw" << "failed http://check.test/raw.mp3 (answer not understood)";
    QTest::newRow("https, certificate for another host")
        << "wrongcert" << "failed https://check.test/wrongcert.mp3 (certificate for another host)";
}

void TestVerification::answersAreJudgedByStatusAndLength() {
    QFETCH(QString, name);
    QFETCH(QString, outcome);
    TScriptedResponse response = TScriptedResponse::Ok(std::string(4000, 'm'));
    if (name == "zero")
        response.Body.clear();
    if (name == "nolength")
        response.Length = TScriptedResponse::LengthMode::None;
    if (name == "garbled") {
        response.Length = TScriptedResponse::LengthMode::None;
        response.Headers.push_back("Content-Length: 1e3");
    }
    if (name == "missing")
        response = TScriptedResponse::Status(404, "<html>gone</html>");
    if (name == "raw")
        response.RawOnly = true;
    const bool secure = name == "wrongcert";
    const std::string url = (secure ? "https" : "http") + ("://check.test/" + name.toStdString() + ".mp3");
    m_server->PresentCertificate("check.test", secure ? TCertificateKind::OtherHost : TCertificateKind::Good);
    m_server->Serve(url, response);
    TVerificationManager manager(*m_transfers, 5, 1, 20);
    Reports reports;
    reports.Attach(manager);
    manager.Add(url);
    manager.Activate();
    QTRY_COMPARE(reports.events, QStringList{outcome});
    QTRY_COMPARE(manager.HeldCount(), 0); // purged on a later tick
    QTRY_VERIFY(!manager.Ticking());  // then idle: no wake-ups
}

void TestVerification::checkReadsOnlyTheStart_data() {
    QTest::addColumn<QByteArray>("song");
    QTest::addColumn<bool>("honoursRange");
    QTest::addColumn<QStringList>("ranges"); // asked for, in order
    QTest::addColumn<QString>("verdict");
    const QByteArray tone = QByteArray::fromStdString(MakeToneMp3({.DurationMs = 70000, .InfoFrame = true}));
    QFile pictureFirst(QStringLiteral(ORVALO_MEDIA_FIXTURES "/picture-first.mp3"));
    QVERIFY(pictureFirst.open(QIODevice::ReadOnly));
    const QByteArray tagged = pictureFirst.readAll();
    QTest::newRow("a range") << tone << true << QStringList{"bytes=0-65535"} << "MP3, 64 kbps, 1:10";
    QTest::newRow("no range: the transfer is ended") << tone << false << QStringList{"bytes=0-65535"}
                                                     << "MP3, 64 kbps, 1:10";
    // A 200 KB picture before the audio: the rest of the tag and 64 KiB after it, asked for.
    QTest::newRow("a long tag") << tagged << true << QStringList{"bytes=0-65535", "bytes=65536-224807"}
                                << "Short: 0:03, maybe a preview";
    QTest::newRow("a page") << QByteArray("<!DOCTYPE html><html><body>Not found</body></html>") << true
                            << QStringList{"bytes=0-65535"} << "Not an MP3 file: an HTML page";
}

void TestVerification::checkReadsOnlyTheStart() {
    // The rest of the file is held back until the test ends: the check can only end, and give
    // its place up, if it reads no more than the start.
    QFETCH(QByteArray, song);
    QFETCH(bool, honoursRange);
    QFETCH(QStringList, ranges);
    QFETCH(QString, verdict);
    TScriptedResponse file = TScriptedResponse::Ok(song.toStdString());
    file.HonoursRange = honoursRange;
    const auto gate = std::make_shared<TGate>();
    if (!honoursRange) {
        file.Gate = gate;
        file.GateAfter = 128 << 10;
    }
    const auto open = qScopeGuard([gate] { gate->Open(); });
    m_server->Serve("check.test/song.mp3", file);
    const size_t before = m_server->RequestCount();
    TVerificationManager manager(*m_transfers, 5, 1, 20);
    Reports reports;
    reports.Attach(manager);
    manager.Add("http://check.test/song.mp3");
    manager.Activate();
    const std::string size = std::to_string(song.size());
    QTRY_COMPARE(reports.events, QStringList{QString::fromStdString("verified http://check.test/song.mp3 " + size)});
    QCOMPARE(reports.judged, QStringList{verdict});
    QTRY_COMPARE(manager.HeldCount(), 0);
    QStringList asked;
    for (size_t i = before; i < m_server->RequestCount(); ++i)
        asked << QString::fromStdString(m_server->Requests().at(i).Header("Range"));
    QCOMPARE(asked, ranges);
}

void TestVerification::neverMoreThanFiveHeldAndOneStartPerTick() {
    const size_t before = m_server->RequestCount();
    auto manager = std::make_unique<TVerificationManager>(*m_transfers, 5, 1, 30);
    for (int i = 0; i < 10; ++i)
        manager->Add("http://stall.test/" + std::to_string(i) + ".mp3");
    // Ticks driven by hand: each starts one check until five are held, then none.
    QList<int> held;
    for (int tick = 0; tick < 8; ++tick) {
        manager->TimerTick();
        held << manager->HeldCount();
    }
    QCOMPARE(held, (QList<int>{1, 2, 3, 4, 5, 5, 5, 5}));
    QCOMPARE(manager->Waiting().Count(), 5);
    QVERIFY(m_server->WaitForRequests(before + 5, 60000));
    // On the timer as well: the stalled checks keep their places, the sixth never starts.
    QSignalSpy ticks(manager->findChild<QTimer*>(), &QTimer::timeout);
    manager->Activate();
    QTRY_VERIFY(ticks.count() >= 3);
    QCOMPARE(manager->HeldCount(), 5);
    QCOMPARE(manager->Waiting().Count(), 5);
}

void TestVerification::hostsArePacedApart() {
    // Each host gets its one start a tick; other hosts start beside it, up to five held.
    TScriptedResponse stalled = TScriptedResponse::Ok("never");
    stalled.StallBeforeAnswer = true;
    const QStringList links{"a.test/1", "a.test/2", "a.test/3", "b.test/1", "B.TEST/2", "c.test/1"};
    auto manager = std::make_unique<TVerificationManager>(*m_transfers, 5, 1, 30);
    for (const QString& link : links) {
        m_server->Serve(link.toLower().toStdString() + ".mp3", stalled);
        manager->Add("http://" + link.toStdString() + ".mp3");
    }
    QList<QStringList> started;
    for (int tick = 0; tick < 3; ++tick) {
        manager->TimerTick();
        QStringList running;
        for (const std::string& link : manager->Held())
            running << QString::fromStdString(link).mid(7).chopped(4);
        started << running;
    }
    QCOMPARE(started.at(0), (QStringList{"a.test/1", "b.test/1", "c.test/1"}));
    QCOMPARE(started.at(1), (QStringList{"a.test/1", "b.test/1", "c.test/1", "a.test/2", "B.TEST/2"}));
    QCOMPARE(started.at(2), started.at(1)); // five held: nothing more
    QCOMPARE(manager->Waiting().Strings(0), std::string("http://a.test/3.mp3"));
}

void TestVerification::linkAddedTwiceIsReportedTwice() {
    m_server->Serve("check.test/twice.mp3", TScriptedResponse::Ok("12345"));
    TVerificationManager manager(*m_transfers, 5, 1, 10);
    Reports reports;
    reports.Attach(manager);
    manager.Add("http://check.test/twice.mp3");
    manager.Add("http://check.test/twice.mp3");
    manager.Activate();
    QTRY_COMPARE(reports.events.size(), 2);
    QCOMPARE(reports.events.first(), reports.events.last());
}

void TestVerification::stopThenNewSearchPurgesOldChecks() {
    TScriptedResponse slow = TScriptedResponse::Ok("abc");
    slow.StallBeforeAnswer = false;
    m_server->Serve("check.test/new.mp3", TScriptedResponse::Ok("new"));
    TVerificationManager manager(*m_transfers, 5, 1, 20);
    Reports reports;
    reports.Attach(manager);
    manager.Add("http://stall.test/8.mp3");
    manager.Activate();
    QTRY_COMPARE(manager.HeldCount(), 1);
    manager.Stop();
    QVERIFY(!manager.Ticking());
    QTRY_VERIFY(manager.ActiveCount() == 0); // stopped: the worker ends
    manager.Add("http://check.test/new.mp3");
    manager.Activate();
    QTRY_VERIFY(reports.events.contains("verified http://check.test/new.mp3 3"));
    QTRY_COMPARE(manager.HeldCount(), 0);
}

void TestVerification::checkStoppedBeforeItsAnswerReportsFailure() {
    const size_t before = m_server->RequestCount();
    TVerificationManager manager(*m_transfers, 5, 1, 20);
    Reports reports;
    reports.Attach(manager);
    manager.Add("http://stall.test/9.mp3");
    manager.TimerTick();
    QVERIFY(m_server->WaitForRequests(before + 1, 60000)); // sent; no answer will come
    manager.Stop();
    QTRY_COMPARE(reports.events, QStringList{"failed http://stall.test/9.mp3 (cancelled)"});
}

void TestVerification::lateOutcomeOfAnEarlierRoundIsDropped() {
    const size_t before = m_server->RequestCount();
    TVerificationManager manager(*m_transfers, 5, 1, 20);
    Reports reports;
    reports.Attach(manager);
    manager.Add("http://stall.test/10.mp3");
    manager.TimerTick();
    QVERIFY(m_server->WaitForRequests(before + 1, 60000));
    // A new search queues the same link before the stopped check's failure comes in.
    manager.Stop();
    manager.Add("http://stall.test/10.mp3");
    // The stopped check has ended and handed its failure over: it must not be heard.
    QTRY_VERIFY(manager.ActiveCount() == 0);
    QVERIFY(DrainHandOvers());
    QCOMPARE(reports.events, QStringList());
}

void TestVerification::destroyingTheManagerEndsChecksWithoutWaiting() {
    Reports reports;
    auto manager = std::make_unique<TVerificationManager>(*m_transfers, 5, 5, 10);
    reports.Attach(*manager);
    for (int i = 0; i < 5; ++i)
        manager->Add("http://stall.test/" + std::to_string(i) + ".mp3");
    manager->Activate();
    QTRY_COMPARE(manager->HeldCount(), 5);
    // Returns while the five servers stay silent: the end never waits for the network. The
    // checks' thread has ended with it; what it handed over comes first.
    manager.reset();
    QVERIFY(DrainHandOvers());
    QVERIFY(reports.events.isEmpty());
}

void TestVerification::linksIntoTheLocalNetworkAreNotChecked_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("siteIsLocal");
    QTest::newRow("loopback") << "http://127.0.0.1/admin" << false;
    QTest::newRow("router, by a redirect") << "http://public.test/r.mp3" << false;
    QTest::newRow("link-local") << "http://169.254.1.1/x" << false;
    // A site that is itself on the local network may name files there: they are tried.
    QTest::newRow("from a local site") << "http://127.0.0.1/admin" << true;
}

void TestVerification::linksIntoTheLocalNetworkAreNotChecked() {
    QFETCH(QString, link);
    QFETCH(bool, siteIsLocal);
    // These addresses are reached straight, not through the test's proxy: as a user's
    // router would be. Nothing listens on their port 80 here.
    ::setenv("no_proxy", "127.0.0.1,169.254.1.1,192.168.1.1", 1);
    const auto restore = qScopeGuard([] { ::unsetenv("no_proxy"); });
    m_server->Redirect("public.test/r.mp3", "http://192.168.1.1/admin");
    TVerificationManager manager(*m_transfers, 5, 1, 20);
    Reports reports;
    reports.Attach(manager);
    manager.Add(link.toStdString(), siteIsLocal);
    manager.TimerTick();
    QTRY_COMPARE_WITH_TIMEOUT(reports.events.size(), 1, 60000);
    const QString refused = "failed " + link + " (private address, not checked)";
    if (siteIsLocal)
        QVERIFY2(reports.events.first() != refused, qPrintable(reports.events.first()));
    else
        QCOMPARE(reports.events.first(), refused);
}

QTEST_GUILESS_MAIN(TestVerification)
#include "tst_verification.moc"
