#include <sys/resource.h>

#include <algorithm>
#include <csignal>

#include <QDate>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "net/uTransferEngine.h"
#include "HandOverDrain.h"
#include "TestServer.h"
#include "core/uAppInfo.h"
#include "core/uGeneralKey.h"
#include "core/uScramble.h"
#include "core/uTFileUtils.h"
#include "livedata/uTLiveUpdate.h"
#include "net/uThreadStart.h"

class TestLiveUpdate : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void firstStartAsksForAllThree();
    void mostPopularEverySevenDays_data();
    void mostPopularEverySevenDays();
    void firstRunAnswers_data();
    void firstRunAnswers();
    void mostPopularIsStoredAsReceived();
    void unusableMostPopularChangesNothing_data();
    void unusableMostPopularChangesNothing();
    void sameNameTwiceFetchesOnce();
    void failedFetchIsReported_data();
    void failedFetchIsReported();
    void oversizedAnswerIsNotCutShort();
    void fetcherGoneBeforeTheAnswer();
    void endToEndFirstStart();

private:
    void HoldLiveDataAnswers();
    std::string Dat() const { return m_app->path().toStdString() + "/data/Orvalo.dat"; }
    std::unique_ptr<TTestServer> m_server;
    std::unique_ptr<TTransferEngine> m_transfers = std::make_unique<TTransferEngine>();
    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_app;
    const QDate m_today{2026, 12, 7};
};

void TestLiveUpdate::initTestCase() {
    m_server = std::make_unique<TTestServer>();
    m_server->UseAsProxy();
}

void TestLiveUpdate::init() {
    m_config = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config->path());
    m_app = std::make_unique<QTemporaryDir>();
    QVERIFY(CreateDir(m_app->path().toStdString() + "/data"));
}

void TestLiveUpdate::HoldLiveDataAnswers() {
    // Answers that never come keep the fetches in flight for as long as the test looks.
    TScriptedResponse held;
    held.StallBeforeAnswer = true;
    for (const char* path : {kFirstRunPath, kAllFirstRunPath, kMostPopularPath})
        m_server->Serve(LiveDataUrl(path), held);
}

void TestLiveUpdate::firstStartAsksForAllThree() {
    HoldLiveDataAnswers();
    const size_t before = m_server->RequestCount();
    auto fetcher = StartLiveUpdate(*m_transfers, m_today, Dat());
    QVERIFY(fetcher->InFlight("firstrun"));
    QVERIFY(fetcher->InFlight("allfirstrun"));
    QVERIFY(fetcher->InFlight("mostpopular"));
    QVERIFY(m_server->WaitForRequests(before + 3, 60000));
    QStringList paths;
    for (size_t i = before; i < before + 3; ++i) {
        const TRecordedRequest request = m_server->Requests().at(i);
        paths << QString::fromStdString((request.Secure() ? "https://" : "http://") + request.Address());
    }
    paths.sort();
    QCOMPARE(paths, (QStringList{"https://www.orvalo.test/firstrun/allfirstrun.txt",
                                 "https://www.orvalo.test/orvalo/data/firstrunv850.txt",
                                 "https://www.orvalo.test/orvalo/data/mostpopular.txt"}));
}

void TestLiveUpdate::mostPopularEverySevenDays_data() {
    QTest::addColumn<int>("daysAgo");
    QTest::addColumn<bool>("due");
    QTest::newRow("six days") << 6 << false;
    QTest::newRow("seven days") << 7 << true;
    QTest::newRow("today") << 0 << false;
    QTest::newRow("a date seven days ahead") << -7 << true;
    QTest::newRow("a date three days ahead") << -3 << false;
}

void TestLiveUpdate::mostPopularEverySevenDays() {
    QFETCH(int, daysAgo);
    QFETCH(bool, due);
    QCOMPARE(MostPopularIsDue(DayNumber(m_today.addDays(-daysAgo)), m_today), due);
    MarkFirstRunDone();
    WritePopularDate(m_today.addDays(-daysAgo));
    HoldLiveDataAnswers();
    auto fetcher = StartLiveUpdate(*m_transfers, m_today, Dat());
    QCOMPARE(fetcher->InFlight("mostpopular"), due);
    QVERIFY(!fetcher->InFlight("firstrun"));
}

void TestLiveUpdate::firstRunAnswers_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("registers");
    QTest::newRow("f") << QByteArray("f") << true;
    QTest::newRow("f and a line break") << QByteArray("f\r\n") << true;
    QTest::newRow("blanks around") << QByteArray(" \tf \n") << true;
    QTest::newRow("capital F") << QByteArray("F") << false;
    QTest::newRow("false") << QByteArray("false") << false;
    QTest::newRow("an error page") << QByteArray("<html>404</html>") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestLiveUpdate::firstRunAnswers() {
    QFETCH(QByteArray, answer);
    QFETCH(bool, registers);
    LiveDataReceived("firstrun", answer.toStdString(), Dat());
    QCOMPARE(!IsFirstRun(), registers);
    LiveDataReceived("allfirstrun", "f", Dat()); // dropped
    QCOMPARE(!IsFirstRun(), registers);
}

void TestLiveUpdate::mostPopularIsStoredAsReceived() {
    // One well-formed entry among bytes of every value: all of it is kept, byte for byte.
    std::string plain = "Artist<field>Song<field>123<field>4<field><field>http://h.test/a.mp3\r\n";
    for (int i = 0; i < 700; ++i)
        plain += static_cast<char>((i * 89) % 256);
    const std::string scrambled = Scramble(plain);
    ProcessMostPopular(scrambled, m_today, Dat());
    QVERIFY(TFileUtils::ReadWholeFile(Dat()) == scrambled);
    QCOMPARE(ReadPopularDate(), DayNumber(m_today));
}

void TestLiveUpdate::unusableMostPopularChangesNothing_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("diskFull");
    std::string list;
    for (int i = 0; i < 200; ++i)
        list += "A<field>B<field>" + std::to_string(i) + "<field>1<field><field>http://h.test/x.mp3\n";
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("no well-formed entry")
        << QByteArray::fromStdString(Scramble("<html>503 Service Unavailable</html>\n")) << false;
    QTest::newRow("a full disk") << QByteArray::fromStdString(Scramble(list)) << true;
}

void TestLiveUpdate::unusableMostPopularChangesNothing() {
    QFETCH(QByteArray, answer);
    QFETCH(bool, diskFull);
    const std::string old = Scramble("Old<field>List<field>1<field>1<field><field>http://h.test/o.mp3");
    QVERIFY(TFileUtils::WriteWholeFile(Dat(), old));
    WritePopularDate(m_today.addDays(-30));
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    if (diskFull) {
        // Writes stop at 1 KiB, as on a disk that fills up; the signal would end the test.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{1024, before.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ProcessMostPopular(answer.toStdString(), m_today, Dat());
    ::setrlimit(RLIMIT_FSIZE, &before);
    QVERIFY(TFileUtils::ReadWholeFile(Dat()) == old);
    QCOMPARE(ReadPopularDate(), DayNumber(m_today.addDays(-30)));
}

void TestLiveUpdate::sameNameTwiceFetchesOnce() {
    TScriptedResponse slow = TScriptedResponse::Ok("abc");
    slow.SliceSize = 1;
    slow.SlicePauseMs = 100;
    m_server->Serve("www.orvalo.test/twice.txt", slow);
    TLiveUpdate fetcher(*m_transfers);
    QStringList events;
    fetcher.OnFetchComplete = [&](const std::string& name, const std::string& text) {
        events << QString::fromStdString(name + " " + text);
    };
    fetcher.Fetch("twice", "http://www.orvalo.test/twice.txt");
    fetcher.Fetch("twice", "http://www.orvalo.test/twice.txt");
    QTRY_COMPARE(events, QStringList{"twice abc"});
    // Counted by address: an earlier test's fetch, still held, may arrive meanwhile.
    const std::vector<TRecordedRequest> requests = m_server->Requests();
    QCOMPARE(std::count_if(requests.begin(), requests.end(),
                           [](const TRecordedRequest& request) {
                               return request.Address() == "www.orvalo.test/twice.txt";
                           }),
             1);
    QVERIFY(!fetcher.InFlight("twice"));
}

void TestLiveUpdate::failedFetchIsReported_data() {
    QTest::addColumn<bool>("noThread");
    QTest::newRow("answer without a length") << false;
    QTest::newRow("no thread to be had") << true;
}

void TestLiveUpdate::failedFetchIsReported() {
    QFETCH(bool, noThread);
    TScriptedResponse noLength = TScriptedResponse::Ok("f");
    noLength.Length = TScriptedResponse::LengthMode::None;
    m_server->Serve("www.orvalo.test/nolength.txt", noLength);
    TLiveUpdate fetcher(*m_transfers);
    QStringList events;
    fetcher.OnFetchFailed = [&](const std::string& name) { events << QString::fromStdString("failed " + name); };
    fetcher.OnFetchComplete = [&](const std::string& name, const std::string&) {
        events << QString::fromStdString("complete " + name);
    };
    {
        if (noThread)
            SetThreadStartGate([] { return false; });
        const auto openGate = qScopeGuard([] { SetThreadStartGate(nullptr); });
        fetcher.Fetch("x", "http://www.orvalo.test/nolength.txt");
    }
    QTRY_COMPARE(events, QStringList{"failed x"});
    QVERIFY(!fetcher.InFlight("x"));
    fetcher.Fetch("x", "http://www.orvalo.test/nolength.txt"); // the name is free again
    QTRY_COMPARE(events.size(), 2);
}

void TestLiveUpdate::oversizedAnswerIsNotCutShort() {
    TScriptedResponse huge;
    huge.SyntheticBodySize = TLiveUpdate::kMaxTextBytes + 1;
    m_server->Serve("www.orvalo.test/huge.txt", huge);
    TLiveUpdate fetcher(*m_transfers);
    std::string received = "unset";
    fetcher.OnFetchComplete = [&](const std::string&, const std::string& text) { received = text; };
    fetcher.Fetch("huge", "http://www.orvalo.test/huge.txt");
    QTRY_VERIFY(received != "unset");
    QVERIFY(received.empty());
}

void TestLiveUpdate::fetcherGoneBeforeTheAnswer() {
    TScriptedResponse held = TScriptedResponse::Ok("late answer");
    held.Gate = std::make_shared<TGate>();
    m_server->Serve("www.orvalo.test/late.txt", held);
    bool reported = false;
    {
        TLiveUpdate fetcher(*m_transfers);
        fetcher.OnFetchComplete = [&](const std::string&, const std::string&) { reported = true; };
        fetcher.OnFetchFailed = [&](const std::string&) { reported = true; };
        fetcher.Fetch("late", "http://www.orvalo.test/late.txt");
        QVERIFY(held.Gate->WaitForArrivals(1, 60000));
        // The answer is free to come; the fetcher goes before it is heard of.
        held.Gate->Open();
    }
    // The fetch's thread ended with the fetcher; what it handed over comes first.
    QVERIFY(DrainHandOvers());
    QVERIFY(!reported);
}

void TestLiveUpdate::endToEndFirstStart() {
    m_server->Serve(LiveDataUrl(kFirstRunPath), TScriptedResponse::Ok("f\r\n"));
    m_server->Serve(LiveDataUrl(kAllFirstRunPath), TScriptedResponse::Ok("ok"));
    const std::string list = Scramble("A<field>B<field>1<field>2<field><field>http://h.test/b.mp3\r\n");
    m_server->Serve(LiveDataUrl(kMostPopularPath), TScriptedResponse::Ok(list));
    auto fetcher = StartLiveUpdate(*m_transfers, m_today, Dat());
    QTRY_VERIFY(!IsFirstRun());
    QTRY_COMPARE(TFileUtils::ReadWholeFile(Dat()), list);
    QCOMPARE(ReadPopularDate(), DayNumber(QDate::currentDate()));
}

QTEST_GUILESS_MAIN(TestLiveUpdate)
#include "tst_liveupdate.moc"
