#include <QCoreApplication>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "TestServer.h"
#include "core/uTFileUtils.h"
#include "net/HTTPGet.h"
#include "net/uThreadStart.h"

namespace {
// What one component reported, in order.
struct Outcomes {
    QStringList events;
    std::string data;
    void Attach(THTTPGet& get) {
        get.OnDataComplete = [this](THTTPGet*, const std::string& received) {
            events << "data";
            data = received;
        };
        get.OnFileComplete = [this](THTTPGet*, const std::string& name, int64_t size) {
            events << QString("file %1 %2").arg(QString::fromStdString(name)).arg(size);
        };
        get.OnError = [this](THTTPGet*) { events << "error"; };
    }
};
} // namespace

class TestHttpGet : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void fetchDeliversPageOnGuiThread();
    void secondFetchWhileBusyDoesNothing();
    void fetchAfterAbortIsIgnoredUntilTheErrorCame();
    void errorPageIsData();
    void missingLength_data();
    void missingLength();
    void refusedAddresses_data();
    void refusedAddresses();
    void postQuerySendsForm();
    void progressRunsOnGuiThreadWhileWorkerWaits();
    void truncatedOrOversizedPagesFail_data();
    void truncatedOrOversizedPagesFail();
    void fileModeNeedsTheExactLength();
    void waitThreadDispatchesQueuedEvents();
    void destroyedComponentGetsNoLateOutcome();
    void fetchWithoutAThreadFails();

private:
    std::unique_ptr<TTestServer> m_server;
};

void TestHttpGet::initTestCase() {
    m_server = std::make_unique<TTestServer>();
    m_server->UseAsProxy();
}

void TestHttpGet::fetchDeliversPageOnGuiThread() {
    m_server->Serve("engine.test/search?q=blue", TScriptedResponse::Ok("<html>results</html>"));
    const size_t before = m_server->RequestCount();
    THTTPGet get;
    Outcomes outcomes;
    QThread* thread = nullptr;
    get.OnDataComplete = [&](THTTPGet* sender, const std::string& data) {
        QCOMPARE(sender, &get);
        thread = QThread::currentThread();
        outcomes.events << "data";
        outcomes.data = data;
    };
    get.URL = "http://engine.test/search?q=blue";
    get.Referer = "http://engine.test/";
    get.Fetch();
    QVERIFY(get.Busy());
    QTRY_COMPARE(outcomes.events, QStringList{"data"});
    QCOMPARE(thread, QCoreApplication::instance()->thread());
    QCOMPARE(outcomes.data, std::string("<html>results</html>"));
    QVERIFY(!get.Busy());
    const TRecordedRequest request = m_server->Requests().at(before);
    QVERIFY2(QByteArray::fromStdString(request.RequestLine).startsWith("GET "), request.RequestLine.c_str());
    QVERIFY2(QByteArray::fromStdString(request.RequestLine).endsWith("/search?q=blue HTTP/1.0"), request.RequestLine.c_str());
    QCOMPARE(request.Header("Accept"), std::string("*/*"));
    QCOMPARE(request.Header("User-Agent"), get.Agent);
    QCOMPARE(request.Header("Referer"), std::string("http://engine.test/"));
    QCOMPARE(request.Header("Pragma"), std::string("no-cache"));
}

void TestHttpGet::secondFetchWhileBusyDoesNothing() {
    TScriptedResponse slow = TScriptedResponse::Ok(std::string(3000, 'x'));
    slow.SliceSize = 1000;
    slow.SlicePauseMs = 150;
    m_server->Serve("engine.test/slow", slow);
    const size_t before = m_server->RequestCount();
    THTTPGet get;
    Outcomes outcomes;
    outcomes.Attach(get);
    get.URL = "http://engine.test/slow";
    get.Fetch();
    get.URL = "http://engine.test/other";
    get.Fetch();
    QTRY_COMPARE(outcomes.events, QStringList{"data"});
    QCOMPARE(outcomes.data.size(), size_t(3000));
    QCOMPARE(m_server->RequestCount(), before + 1);
    // Idle again: the next fetch runs, with the settings as they stand now.
    get.Fetch();
    QTRY_COMPARE(outcomes.events, (QStringList{"data", "data"}));
    QVERIFY(outcomes.data.find("not found") != std::string::npos);
}

void TestHttpGet::fetchAfterAbortIsIgnoredUntilTheErrorCame() {
    TScriptedResponse stalled = TScriptedResponse::Ok("late");
    stalled.StallBeforeAnswer = true;
    m_server->Serve("engine.test/stalled", stalled);
    m_server->Serve("engine.test/fine", TScriptedResponse::Ok("fine"));
    THTTPGet get;
    Outcomes outcomes;
    outcomes.Attach(get);
    get.URL = "http://engine.test/stalled";
    const size_t before = m_server->RequestCount();
    get.Fetch();
    QVERIFY(m_server->WaitForRequests(before + 1, 5000));
    get.Abort();
    get.URL = "http://engine.test/fine";
    get.Fetch(); // still busy with the aborted one
    QTRY_COMPARE(outcomes.events, QStringList{"error"});
    QVERIFY(!get.Busy());
    get.Fetch();
    QTRY_COMPARE(outcomes.events, (QStringList{"error", "data"}));
    QCOMPARE(outcomes.data, std::string("fine"));
}

void TestHttpGet::errorPageIsData() {
    m_server->Serve("engine.test/missing", TScriptedResponse::Status(404, "<html>no such page</html>"));
    THTTPGet get;
    Outcomes outcomes;
    outcomes.Attach(get);
    get.URL = "http://engine.test/missing";
    get.Fetch();
    QTRY_COMPARE(outcomes.events, QStringList{"data"});
    QCOMPARE(outcomes.data, std::string("<html>no such page</html>"));
}

void TestHttpGet::missingLength_data() {
    QTest::addColumn<bool>("binaryData");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<int>("progressCalls");
    QTest::newRow("text: read to the end") << false << QStringList{"data"} << 5;
    QTest::newRow("binary: failed unread") << true << QStringList{"error"} << 0;
}

void TestHttpGet::missingLength() {
    QFETCH(bool, binaryData);
    QFETCH(QStringList, events);
    QFETCH(int, progressCalls);
    TScriptedResponse response = TScriptedResponse::Ok(std::string(5000, 'b'));
    response.Length = TScriptedResponse::LengthMode::None;
    m_server->Serve("engine.test/nolength", response);
    THTTPGet get;
    Outcomes outcomes;
    outcomes.Attach(get);
    int calls = 0;
    int64_t lastTotal = -1;
    get.OnProgress = [&](THTTPGetThread*, int64_t total, int64_t) {
        ++calls;
        lastTotal = total;
    };
    get.BinaryData = binaryData;
    get.URL = "http://engine.test/nolength";
    get.Fetch();
    QTRY_COMPARE(outcomes.events, events);
    // One report per block of at most 1025 bytes: at least five for 5000 bytes.
    QVERIFY(progressCalls == 0 ? calls == 0 : calls >= progressCalls);
    if (calls > 0)
        QCOMPARE(lastTotal, int64_t(0));
}

void TestHttpGet::refusedAddresses_data() {
    QTest::addColumn<QString>("url");
    QTest::newRow("bare host without slash") << "http://engine.test";
    QTest::newRow("port in the host") << "http://engine.test:8080/x";
    QTest::newRow("port in an https host") << "https://engine.test:8443/x";
    QTest::newRow("empty") << "";
}

void TestHttpGet::refusedAddresses() {
    QFETCH(QString, url);
    const size_t before = m_server->RequestCount();
    THTTPGet get;
    Outcomes outcomes;
    outcomes.Attach(get);
    get.URL = url.toStdString();
    get.Fetch();
    QTRY_COMPARE(outcomes.events, QStringList{"error"});
    QCOMPARE(m_server->RequestCount(), before);
}

void TestHttpGet::postQuerySendsForm() {
    m_server->Serve("engine.test/form", TScriptedResponse::Ok("posted"));
    const size_t before = m_server->RequestCount();
    THTTPGet get;
    Outcomes outcomes;
    outcomes.Attach(get);
    get.URL = "http://engine.test/form";
    get.PostQuery = "q=blue+harbour&page=1";
    get.Fetch();
    QTRY_COMPARE(outcomes.events, QStringList{"data"});
    const TRecordedRequest request = m_server->Requests().at(before);
    QVERIFY2(QByteArray::fromStdString(request.RequestLine).startsWith("POST "), request.RequestLine.c_str());
    QCOMPARE(request.Header("Content-Type"), std::string("application/x-www-form-urlencoded"));
    QCOMPARE(request.Body, std::string("q=blue+harbour&page=1"));
}

void TestHttpGet::progressRunsOnGuiThreadWhileWorkerWaits() {
    m_server->Serve("engine.test/big", TScriptedResponse::Ok(std::string(10250, 'p')));
    THTTPGet get;
    Outcomes outcomes;
    outcomes.Attach(get);
    QList<int64_t> received;
    int64_t size = -1;
    bool allOnGui = true;
    get.OnFileSize = [&](THTTPGetThread*, int64_t fileSize) { size = fileSize; };
    get.OnProgress = [&](THTTPGetThread*, int64_t total, int64_t bytes) {
        allOnGui = allOnGui && QThread::currentThread() == QCoreApplication::instance()->thread();
        QCOMPARE(total, int64_t(10250));
        received << bytes;
    };
    get.URL = "http://engine.test/big";
    get.Fetch();
    QTRY_COMPARE(outcomes.events, QStringList{"data"});
    QVERIFY(allOnGui);
    QCOMPARE(size, int64_t(10250));
    // One report per block of at most 1025 bytes, however the bytes arrived.
    QVERIFY(received.size() >= 10);
    QCOMPARE(received.last(), int64_t(10250));
    for (int i = 0; i < received.size(); ++i) {
        const int64_t step = received[i] - (i == 0 ? 0 : received[i - 1]);
        QVERIFY(step > 0 && step <= 1025);
    }
}

void TestHttpGet::truncatedOrOversizedPagesFail_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("connection cut before the announced length") << "cut";
    QTest::newRow("larger than the page limit") << "huge";
    QTest::newRow("malformed status line") << "garbage";
    QTest::newRow("trickling past the total limit") << "trickle";
}

void TestHttpGet::truncatedOrOversizedPagesFail() {
    QFETCH(QString, kind);
    TScriptedResponse response = TScriptedResponse::Ok(std::string(50000, 'z'));
    if (kind == "cut")
        response.CutAfter = 20000;
    if (kind == "trickle") {
        response.SliceSize = 100; // never silent long enough to stall, never done in time
        response.SlicePauseMs = 100;
    }
    if (kind == "garbage") {
        response.RawOnly = true;
        response.Body = "\x01\x02 this is not HTTP\r\n\r\nbody";
    }
    const std::string address = "engine.test/" + kind.toStdString();
    m_server->Serve(address, response);
    THTTPGet get;
    Outcomes outcomes;
    outcomes.Attach(get);
    get.MaxDataSize = kind == "huge" ? 10000 : get.MaxDataSize;
    get.TotalTimeoutMs = kind == "trickle" ? 1000 : get.TotalTimeoutMs;
    get.URL = "http://" + address;
    get.Fetch();
    QTRY_COMPARE(outcomes.events, QStringList{"error"});
}

void TestHttpGet::fileModeNeedsTheExactLength() {
    QTemporaryDir dir;
    const std::string target = dir.path().toStdString() + "/page.bin";
    const std::string body = TTestServer::SyntheticBody(7000);
    m_server->Serve("engine.test/file", TScriptedResponse::Ok(body));
    TScriptedResponse noLength = TScriptedResponse::Ok(body);
    noLength.Length = TScriptedResponse::LengthMode::None;
    m_server->Serve("engine.test/file-nolength", noLength);
    THTTPGet get;
    Outcomes outcomes;
    outcomes.Attach(get);
    get.URL = "http://engine.test/file";
    get.DstFilePath = target;
    get.FetchToFile();
    QTRY_COMPARE(outcomes.events, QStringList{QString("file %1 7000").arg(QString::fromStdString(target))});
    QVERIFY(TFileUtils::ReadWholeFile(target) == body);
    get.URL = "http://engine.test/file-nolength";
    get.FetchToFile();
    QTRY_COMPARE(outcomes.events.size(), 2);
    QCOMPARE(outcomes.events.last(), QStringLiteral("error"));
}

void TestHttpGet::waitThreadDispatchesQueuedEvents() {
    m_server->Serve("engine.test/wait", TScriptedResponse::Ok("w"));
    THTTPGet get;
    Outcomes outcomes;
    outcomes.Attach(get);
    bool queuedRan = false;
    QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { queuedRan = true; }, Qt::QueuedConnection);
    get.URL = "http://engine.test/wait";
    get.WaitThread = true;
    get.Fetch();
    QVERIFY(queuedRan);
    QTRY_COMPARE(outcomes.events, QStringList{"data"});
}

void TestHttpGet::destroyedComponentGetsNoLateOutcome() {
    // The first kilobyte comes, the rest only once the component is gone.
    TScriptedResponse held = TScriptedResponse::Ok(std::string(20000, 's'));
    held.Gate = std::make_shared<TGate>();
    held.GateAfter = 1000;
    m_server->Serve("engine.test/late", held);
    bool reported = false;
    bool progressed = false;
    std::weak_ptr<THTTPGetThread> worker;
    {
        THTTPGet get;
        get.OnDataComplete = [&](THTTPGet*, const std::string&) { reported = true; };
        get.OnError = [&](THTTPGet*) { reported = true; };
        get.OnProgress = [&](THTTPGetThread*, int64_t, int64_t) { progressed = true; };
        get.URL = "http://engine.test/late";
        get.Fetch();
        worker = get.Worker;
        QTRY_VERIFY(progressed);
    }
    held.Gate->Open();
    // The worker is freed only once its last hand-over was dropped on this thread.
    QTRY_VERIFY(worker.expired());
    QVERIFY(!reported);
}

void TestHttpGet::fetchWithoutAThreadFails() {
    m_server->Serve("engine.test/nothread", TScriptedResponse::Ok("page"));
    THTTPGet get;
    Outcomes outcomes;
    outcomes.Attach(get);
    get.URL = "http://engine.test/nothread";
    {
        SetThreadStartGate([] { return false; });
        const auto openGate = qScopeGuard([] { SetThreadStartGate(nullptr); });
        get.Fetch();
    }
    QTRY_COMPARE(outcomes.events, QStringList{"error"});
    QVERIFY(!get.Busy());
    get.Fetch(); // the getter is free for the next fetch
    QTRY_COMPARE(outcomes.events, (QStringList{"error", "data"}));
}

QTEST_GUILESS_MAIN(TestHttpGet)
#include "tst_httpget.moc"
