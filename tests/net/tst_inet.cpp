#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>

#include <curl/curl.h>

#include <QScopeGuard>
#include <QTest>

#include "TestServer.h"
#include "net/uCurlRequest.h"
#include "net/uTInet.h"
#include "net/uThreadStart.h"
#include "net/uTransferEngine.h"

namespace {

// Collects a worker's events as they are raised on its thread. Runs of OnData are kept as
// one "data" entry; the bytes and the block sizes are kept apart.
class Recorder {
public:
    void Attach(TInet& inet, bool stopInHeaders = false) {
        inet.OnError = [this](const std::string& key, int code) { Add(key, "error " + std::to_string(code)); };
        inet.OnHeaders = [this, &inet, stopInHeaders](const std::string& key, int status, int64_t length) {
            Add(key, "headers " + std::to_string(status) + " " + std::to_string(length));
            if (stopInHeaders)
                inet.Stop();
        };
        inet.OnData = [this](const std::string& key, std::string_view chunk) {
            std::lock_guard lock(m_lock);
            if (m_events.empty() || m_events.back() != "data")
                m_events.push_back("data");
            m_body += chunk;
            m_minBlock = std::min(m_minBlock, chunk.size());
            m_maxBlock = std::max(m_maxBlock, chunk.size());
            m_keysOk = m_keysOk && key == m_key;
        };
        inet.OnComplete = [this](const std::string& key) { Add(key, "complete", true); };
        inet.OnFailed = [this](const std::string& key) { Add(key, "failed", true); };
        m_key = inet.Key();
    }
    bool WaitForEnd(int ms = 60000) {
        std::unique_lock lock(m_lock);
        return m_done.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_finals > 0; });
    }
    QStringList Events() {
        std::lock_guard lock(m_lock);
        QStringList events;
        for (const std::string& event : m_events)
            events << QString::fromStdString(event);
        return events;
    }
    std::string Body() {
        std::lock_guard lock(m_lock);
        return m_body;
    }
    size_t MinBlock() { return m_minBlock; }
    size_t MaxBlock() { return m_maxBlock; }
    bool KeysOk() { return m_keysOk; }
    int Finals() {
        std::lock_guard lock(m_lock);
        return m_finals;
    }

private:
    void Add(const std::string& key, std::string event, bool final = false) {
        {
            std::lock_guard lock(m_lock);
            m_events.push_back(std::move(event));
            m_keysOk = m_keysOk && key == m_key;
            if (final)
                ++m_finals;
            // Notified under the lock: the waiter cannot go on (and free this) before it.
            m_done.notify_all();
        }
    }
    std::mutex m_lock;
    std::condition_variable m_done;
    std::vector<std::string> m_events;
    std::string m_body;
    std::string m_key;
    size_t m_minBlock = SIZE_MAX;
    size_t m_maxBlock = 0;
    bool m_keysOk = true;
    int m_finals = 0;
};

// Sets an environment variable (or removes it, for a null value) until the end of the scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        Set(value);
    }
    ~ScopedVariable() { Set(m_old ? m_old->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    void Set(const char* value) {
        if (value != nullptr)
            ::setenv(m_name, value, 1);
        else
            ::unsetenv(m_name);
    }
    const char* m_name;
    std::optional<std::string> m_old;
};

// Runs one request to its end and hands back what was raised.
struct Run {
    Recorder recorder;
    std::unique_ptr<TInet> inet;
    Run(TTransferEngine& engine, const std::string& url, bool stopInHeaders = false, int stallMs = 60000) {
        inet = std::make_unique<TInet>("owner-key", engine);
        inet->StallTimeoutMs = stallMs;
        recorder.Attach(*inet, stopInHeaders);
        inet->Start(url);
    }
};

} // namespace

class TestInet : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void localNetworkAddresses_data();
    void localNetworkAddresses();
    void addressSplit_data();
    void addressSplit();
    void completeAnswerStreamsBlocksInOrder();
    void wireShowsHttp10AgentAndNoAcceptTypes();
    void answersJudgedByLength_data();
    void answersJudgedByLength();
    void stopInsideHeadersReadsNoBody_data();
    void stopInsideHeadersReadsNoBody();
    void bareHostRequestsTheRoot();
    void refusedAddresses_data();
    void refusedAddresses();
    void answersWithoutHttpHeadersFail_data();
    void answersWithoutHttpHeadersFail();
    void unreachableProxyFailsWithError();
    void stalledServersEndWithinTheTimeout_data();
    void stalledServersEndWithinTheTimeout();
    void redirectsShowTheFinalAnswer();
    void redirectsAcrossSchemes_data();
    void redirectsAcrossSchemes();
    void redirectsStayOnPortEighty_data();
    void redirectsStayOnPortEighty();
    void unsafeBytesAreEncodedOnTheWire();
    void killEndsAtOnceWithoutEvents();
    void destroyingARunningWorkerDeliversNothing();
    void busyUntilTheFinalEvent();
    void startWithoutAThreadFails();
    void httpsTunnelsThroughTheProxy();
    void lengthsAsServersMeanThem_data();
    void lengthsAsServersMeanThem();
    void reasonsSayWhatWentWrong_data();
    void reasonsSayWhatWentWrong();
    void refusedCertificatesFailWithTheirReason_data();
    void refusedCertificatesFailWithTheirReason();
    void authorityBundleVariables_data();
    void authorityBundleVariables();
    void requestsOfOneEngineShareAuthoritiesAndSessions();
    void aFollowerBeginsOnTheConnectionItsLeaderLeaves();

private:
    std::unique_ptr<TTestServer> m_server;
    std::unique_ptr<TTransferEngine> m_transfers = std::make_unique<TTransferEngine>();
};

void TestInet::initTestCase() {
    m_server = std::make_unique<TTestServer>();
    // Also for https, through http_proxy: no https_proxy is set.
    m_server->UseAsProxy();
}

void TestInet::addressSplit_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("path");
    QTest::newRow("with prefix") << "http://files.test/a/b.mp3?x=1" << "files.test" << "a/b.mp3?x=1";
    QTest::newRow("prefix in capitals") << "HTTP://Files.test/B.mp3" << "Files.test" << "B.mp3";
    QTest::newRow("without prefix") << "files.test/a.mp3" << "files.test" << "a.mp3";
    QTest::newRow("bare host") << "http://files.test" << "files.test" << "";
    QTest::newRow("host and slash") << "http://files.test/" << "files.test" << "";
    QTest::newRow("only the prefix") << "http://" << "" << "";
    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("https") << "https://files.test/a" << "files.test" << "a";
    QTest::newRow("https in capitals") << "HTTPS://Files.test" << "Files.test" << "";
    QTest::newRow("other scheme stays") << "ftp://files.test/a" << "ftp:" << "/files.test/a";
}

void TestInet::addressSplit() {
    QFETCH(QString, url);
    QFETCH(QString, host);
    QFETCH(QString, path);
    QCOMPARE(QString::fromStdString(TInet::ExtractHost(url.toStdString())), host);
    QCOMPARE(QString::fromStdString(TInet::ExtractPath(url.toStdString())), path);
}

void TestInet::completeAnswerStreamsBlocksInOrder() {
    std::string body = TTestServer::SyntheticBody(100000);
    body[10] = '\0';
    TScriptedResponse response = TScriptedResponse::Ok(body);
    response.SliceSize = 3000; // blocks of the worker do not follow the server's slices
    m_server->Serve("files.test/complete.mp3", response);
    Run run(*m_transfers, "http://files.test/complete.mp3");
    QVERIFY(run.recorder.WaitForEnd());
    QCOMPARE(run.recorder.Events(), (QStringList{"headers 200 100000", "data", "complete"}));
    QVERIFY(run.recorder.Body() == body);
    QVERIFY(run.recorder.MinBlock() >= 1);
    QCOMPARE(run.recorder.MaxBlock(), size_t(1024));
    QVERIFY(run.recorder.KeysOk());
    QTRY_VERIFY(!run.inet->Busy());
}

void TestInet::wireShowsHttp10AgentAndNoAcceptTypes() {
    m_server->Serve("wire.test/check", TScriptedResponse::Ok("x"));
    const size_t before = m_server->RequestCount();
    Run run(*m_transfers, "http://wire.test/check");
    QVERIFY(run.recorder.WaitForEnd());
    const TRecordedRequest request = m_server->Requests().at(before);
    QVERIFY2(QByteArray::fromStdString(request.RequestLine).startsWith("GET http://wire.test"),
             request.RequestLine.c_str());
    QVERIFY2(QByteArray::fromStdString(request.RequestLine).endsWith("/check HTTP/1.0"), request.RequestLine.c_str());
    QCOMPARE(request.Header("User-Agent"), std::string(TInet::DefaultAgent));
    QVERIFY(!request.HasHeader("Accept"));
    QCOMPARE(request.Header("Host").substr(0, 9), std::string("wire.test"));
}

void TestInet::answersJudgedByLength_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<int>("bodySize");
    QTest::newRow("404 with a correct length completes") << "notfound" << QStringList{"headers 404 9", "data", "complete"} << 9;
    QTest::newRow("no length: error, then failed") << "nolength"
        << QStringList{"error " + QString::number(kErrorHeaderNotFound), "headers 200 0", "data", "failed"} << 5000;
    QTest::newRow("no length and no body completes") << "nolength-empty"
        << QStringList{"error " + QString::number(kErrorHeaderNotFound), "headers 200 0", "complete"} << 0;
    QTest::newRow("length 0 completes") << "zero" << QStringList{"headers 200 0", "complete"} << 0;
    QTest::newRow("length longer than the body fails") << "lie-long" << QStringList{"headers 200 9000", "data", "failed"} << 5000;
    QTest::newRow("length shorter: only that much is read") << "lie-short" << QStringList{"headers 200 1000", "data", "complete"} << 1000;
    QTest::newRow("cut mid-body fails without error") << "cut" << QStringList{"headers 200 5000", "data", "failed"} << 2048;
    QTest::newRow("length that is no number") << "garbled" << QStringList{"headers 200 -1", "data", "failed"} << 3;
}

void TestInet::answersJudgedByLength() {
    QFETCH(QString, name);
    QFETCH(QStringList, events);
    QFETCH(int, bodySize);
    const std::string address = "judge.test/" + name.toStdString();
    TScriptedResponse response = TScriptedResponse::Ok(TTestServer::SyntheticBody(5000));
    if (name == "notfound") {
        response = TScriptedResponse::Status(404, "not here!");
    } else if (name == "nolength") {
        response.Length = TScriptedResponse::LengthMode::None;
    } else if (name == "nolength-empty") {
        response.Body.clear();
        response.Length = TScriptedResponse::LengthMode::None;
    } else if (name == "zero") {
        response.Body.clear();
    } else if (name == "lie-long") {
        response.Length = TScriptedResponse::LengthMode::Given;
        response.GivenLength = 9000;
    } else if (name == "lie-short") {
        response.Length = TScriptedResponse::LengthMode::Given;
        response.GivenLength = 1000;
    } else if (name == "cut") {
        response.CutAfter = 2048;
    } else if (name == "garbled") {
        response.Body = "abc";
        response.Length = TScriptedResponse::LengthMode::None;
        response.Headers.push_back("Content-Length: 3x");
    }
    m_server->Serve(address, response);
    Run run(*m_transfers, "http://" + address);
    QVERIFY(run.recorder.WaitForEnd());
    QCOMPARE(run.recorder.Events(), events);
    QCOMPARE(int(run.recorder.Body().size()), bodySize);
    QCOMPARE(run.recorder.Finals(), 1);
}

void TestInet::stopInsideHeadersReadsNoBody_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("final");
    QTest::newRow("with a body: failed") << 200000 << "failed";
    QTest::newRow("length 0: complete") << 0 << "complete";
}

void TestInet::stopInsideHeadersReadsNoBody() {
    QFETCH(int, length);
    QFETCH(QString, final);
    const std::string address = "stop.test/" + std::to_string(length);
    m_server->Serve(address, TScriptedResponse::Ok(TTestServer::SyntheticBody(length)));
    Run run(*m_transfers, "http://" + address, true);
    QVERIFY(run.recorder.WaitForEnd());
    QCOMPARE(run.recorder.Events(), (QStringList{"headers 200 " + QString::number(length), final}));
    QVERIFY(run.recorder.Body().empty());
}

void TestInet::bareHostRequestsTheRoot() {
    m_server->Serve("root.test/", TScriptedResponse::Ok("root page"));
    Run run(*m_transfers, "http://root.test");
    QVERIFY(run.recorder.WaitForEnd());
    QCOMPARE(run.recorder.Body(), std::string("root page"));
    QCOMPARE(run.recorder.Events().last(), QStringLiteral("complete"));
}

void TestInet::refusedAddresses_data() {
    QTest::addColumn<QString>("url");
    QTest::newRow("port in the host") << "http://files.test:8080/a.mp3";
    QTest::newRow("port in an https host") << "https://files.test:8443/a.mp3";
    QTest::newRow("other scheme") << "ftp://files.test/a.mp3";
    QTest::newRow("empty") << "";
    QTest::newRow("no host") << "http:///a.mp3";
    QTest::newRow("control bytes in the host") << "http://fil\r\nes.test/a.mp3";
    QTest::newRow("user information") << "http://user@files.test/a.mp3";
}

void TestInet::refusedAddresses() {
    QFETCH(QString, url);
    const size_t before = m_server->RequestCount();
    Run run(*m_transfers, url.toStdString());
    QVERIFY(run.recorder.WaitForEnd());
    const QStringList events = run.recorder.Events();
    QCOMPARE(events.size(), 2);
    QVERIFY2(events.first().startsWith("error "), qPrintable(events.join(',')));
    QCOMPARE(events.last(), QStringLiteral("failed"));
    QCOMPARE(m_server->RequestCount(), before);
}

void TestInet::answersWithoutHttpHeadersFail_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("no status line, no headers") << QByteArray("ID3\x03\x00 raw bytes only");
    QTest::newRow("malformed status line") << QByteArray("HTTQ/1.0 abc\r\n\r\nbody");
    QTest::newRow("nothing at all") << QByteArray();
}

void TestInet::answersWithoutHttpHeadersFail() {
    QFETCH(QByteArray, answer);
    TScriptedResponse response;
    response.RawOnly = true;
    response.Body = answer.toStdString();
    const std::string address = "raw.test/" + std::to_string(qHash(answer));
    m_server->Serve(address, response);
    Run run(*m_transfers, "http://" + address);
    QVERIFY(run.recorder.WaitForEnd());
    const QStringList events = run.recorder.Events();
    QCOMPARE(events.size(), 2);
    QVERIFY2(events.first().startsWith("error "), qPrintable(events.join(',')));
    QCOMPARE(events.last(), QStringLiteral("failed"));
}

void TestInet::unreachableProxyFailsWithError() {
    // A port that was just free: nothing listens there.
    int port = 0;
    {
        TTestServer closed;
        port = closed.Port();
    }
    ::setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(port)).c_str(), 1);
    Run run(*m_transfers, "http://files.test/a.mp3");
    const bool ended = run.recorder.WaitForEnd();
    m_server->UseAsProxy();
    QVERIFY(ended);
    QCOMPARE(run.recorder.Events(), (QStringList{"error 7", "failed"}));
}

void TestInet::stalledServersEndWithinTheTimeout_data() {
    QTest::addColumn<bool>("beforeAnswer");
    QTest::newRow("silent before the answer") << true;
    QTest::newRow("silent in the body") << false;
}

void TestInet::stalledServersEndWithinTheTimeout() {
    QFETCH(bool, beforeAnswer);
    TScriptedResponse response = TScriptedResponse::Ok(TTestServer::SyntheticBody(10000));
    response.StallBeforeAnswer = beforeAnswer;
    response.StallAfter = beforeAnswer ? -1 : 4000;
    const std::string address = beforeAnswer ? "stall.test/before" : "stall.test/body";
    m_server->Serve(address, response);
    // The server stays silent until it stops: only the stall time-out can end the request.
    Run run(*m_transfers, "http://" + address, false, 1000);
    QVERIFY(run.recorder.WaitForEnd());
    const QStringList events = run.recorder.Events();
    if (beforeAnswer)
        QCOMPARE(events, (QStringList{"error 28", "failed"}));
    else
        QCOMPARE(events, (QStringList{"headers 200 10000", "data", "failed"}));
}

void TestInet::redirectsShowTheFinalAnswer() {
    m_server->Redirect("moved.test/old.mp3", "http://moved.test/step.mp3", 301);
    m_server->Redirect("moved.test/step.mp3", "/new.mp3", 302);
    m_server->Serve("moved.test/new.mp3", TScriptedResponse::Ok("final body"));
    Run run(*m_transfers, "http://moved.test/old.mp3");
    QVERIFY(run.recorder.WaitForEnd());
    QCOMPARE(run.recorder.Events(), (QStringList{"headers 200 10", "data", "complete"}));
    QCOMPARE(run.recorder.Body(), std::string("final body"));
}

void TestInet::redirectsAcrossSchemes_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("followed");
    QTest::newRow("http to https on the same host") << "http://up.test/a" << "https://UP.test/b" << true;
    QTest::newRow("https to https on another host") << "https://cdn.test/a" << "https://files.test/b" << true;
    QTest::newRow("https down to http") << "https://down.test/a" << "http://down.test/b" << false;
    QTest::newRow("http to https on another host") << "http://up.test/c" << "https://files.test/b" << false;
    QTest::newRow("https to another port") << "https://cdn.test/c" << "https://cdn.test:8443/b" << false;
    QTest::newRow("http to port 443") << "http://up.test/d" << "http://up.test:443/b" << false;
}

void TestInet::redirectsAcrossSchemes() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, followed);
    const TAddressParts target = SplitAddress(to.toStdString());
    m_server->Redirect(from.toStdString(), to.toStdString(), 301);
    for (const char* scheme : {"http://", "https://"})
        m_server->Serve(scheme + target.Host + "/b", TScriptedResponse::Ok(scheme));
    const size_t before = m_server->RequestCount();
    Run run(*m_transfers, from.toStdString());
    QVERIFY(run.recorder.WaitForEnd());
    if (!followed) {
        QCOMPARE(run.recorder.Events(), (QStringList{"error " + QString::number(kErrorBadRedirect), "failed"}));
        QCOMPARE(m_server->RequestCount(), before + 1);
        return;
    }
    QCOMPARE(run.recorder.Events(), (QStringList{"headers 200 8", "data", "complete"}));
    QCOMPARE(run.recorder.Body(), std::string("https://"));
}

void TestInet::redirectsStayOnPortEighty_data() {
    QTest::addColumn<QString>("target"); // "%1" stands for the local listener's port
    QTest::addColumn<QStringList>("events");
    QTest::newRow("another port of a local listener")
        << "http://127.0.0.1:%1/secret"
        << QStringList{"error " + QString::number(kErrorBadRedirect), "failed"};
    QTest::newRow("port 80 named")
        << "http://port.test:80/b.mp3" << QStringList{"headers 200 2", "data", "complete"};
}

void TestInet::redirectsStayOnPortEighty() {
    QFETCH(QString, target);
    QFETCH(QStringList, events);
    // A local service on another port, reached directly (not through the proxy).
    TTestServer local;
    local.Serve("127.0.0.1:" + std::to_string(local.Port()) + "/secret",
                TScriptedResponse::Ok("private"));
    ::setenv("no_proxy", "127.0.0.1", 1);
    m_server->Serve("port.test/b.mp3", TScriptedResponse::Ok("ok"));
    m_server->Redirect("port.test/a.mp3", target.arg(local.Port()).toStdString());
    Run run(*m_transfers, "http://port.test/a.mp3");
    const bool ended = run.recorder.WaitForEnd();
    ::unsetenv("no_proxy");
    QVERIFY(ended);
    QCOMPARE(run.recorder.Events(), events);
    QCOMPARE(local.RequestCount(), size_t{0});
}

void TestInet::unsafeBytesAreEncodedOnTheWire() {
    const size_t before = m_server->RequestCount();
    Run run(*m_transfers, "http://enc.test/My Song\r\nX-Injected: 1\x01\xC3\xA9.mp3?a=b c");
    QVERIFY(run.recorder.WaitForEnd());
    QVERIFY(m_server->WaitForRequests(before + 1, 60000));
    const TRecordedRequest request = m_server->Requests().at(before);
    QVERIFY2(request.RequestLine.find("/My%20Song%0D%0AX-Injected:%201%01%C3%A9.mp3?a=b%20c HTTP/1.0") !=
                 std::string::npos,
             request.RequestLine.c_str());
    QVERIFY(!request.HasHeader("X-Injected"));
    QCOMPARE(EncodeUnsafeBytes("a b%20\x7f"), std::string("a%20b%20%7F"));
}

void TestInet::killEndsAtOnceWithoutEvents() {
    TScriptedResponse response = TScriptedResponse::Ok(TTestServer::SyntheticBody(10000));
    response.Gate = std::make_shared<TGate>();
    response.GateAfter = 2000;
    m_server->Serve("kill.test/a.mp3", response);
    Run run(*m_transfers, "http://kill.test/a.mp3");
    QTRY_VERIFY(run.recorder.Events().contains("data"));
    // Returns while the server holds the rest back: a kill never waits for the network.
    run.inet->Kill();
    const QStringList atKill = run.recorder.Events();
    // The rest of the body and the end of the request are free to come now; the worker's
    // end waits for its thread, so whatever it was to raise, it has raised.
    response.Gate->Open();
    run.inet.reset();
    QCOMPARE(run.recorder.Finals(), 0);
    QCOMPARE(run.recorder.Events(), atKill);
}

void TestInet::destroyingARunningWorkerDeliversNothing() {
    TScriptedResponse response = TScriptedResponse::Ok("never");
    response.Gate = std::make_shared<TGate>();
    m_server->Serve("gone.test/a.mp3", response);
    auto recorder = std::make_shared<Recorder>();
    {
        TInet inet("k", *m_transfers);
        recorder->Attach(inet);
        inet.Start("http://gone.test/a.mp3");
        QVERIFY(response.Gate->WaitForArrivals(1, 60000));
        response.Gate->Open();
    }
    QCOMPARE(recorder->Finals(), 0);
    QVERIFY(recorder->Events().isEmpty());
}

void TestInet::busyUntilTheFinalEvent() {
    TScriptedResponse response = TScriptedResponse::Ok(TTestServer::SyntheticBody(3000));
    response.SliceSize = 1000;
    response.SlicePauseMs = 100;
    m_server->Serve("busy.test/a.mp3", response);
    TInet inet("k", *m_transfers);
    QVERIFY(!inet.Busy());
    std::atomic<bool> busyInFinal{false};
    std::atomic<bool> ended{false};
    inet.OnComplete = [&](const std::string&) {
        busyInFinal = inet.Busy();
        ended = true;
    };
    inet.Start("http://busy.test/a.mp3");
    QVERIFY(inet.Busy());
    QTRY_VERIFY(ended);
    QVERIFY(busyInFinal);
    QTRY_VERIFY(!inet.Busy());
    inet.Start("http://busy.test/a.mp3"); // a worker runs once only
    QVERIFY(!inet.Busy());
}

void TestInet::startWithoutAThreadFails() {
    SetThreadStartGate([] { return false; });
    const auto openGate = qScopeGuard([] { SetThreadStartGate(nullptr); });
    Recorder recorder;
    TTransferEngine fresh; // no lane of it has a thread yet
    auto inet = std::make_unique<TInet>("k", fresh);
    recorder.Attach(*inet);
    QVERIFY(!inet->Start("http://any.test/a.mp3"));
    QCOMPARE(recorder.Events(), QStringList{"failed"});
    QVERIFY(!inet->Busy());
}

void TestInet::httpsTunnelsThroughTheProxy() {
    m_server->Serve("https://tls.test/a.mp3?x=1", TScriptedResponse::Ok("secret"));
    const size_t before = m_server->RequestCount();
    Run run(*m_transfers, "https://tls.test/a.mp3?x=1");
    QVERIFY(run.recorder.WaitForEnd());
    QCOMPARE(run.recorder.Events(), (QStringList{"headers 200 6", "data", "complete"}));
    const TRecordedRequest request = m_server->Requests().at(before);
    QCOMPARE(request.Tunnel, std::string("tls.test:443"));
    QCOMPARE(request.RequestLine, std::string("GET /a.mp3?x=1 HTTP/1.0"));
    QCOMPARE(request.Header("User-Agent"), std::string(TInet::DefaultAgent));

    // https_proxy, when set, carries https instead of http_proxy.
    TTestServer other;
    other.Serve("https://tls.test/a.mp3?x=1", TScriptedResponse::Ok("other"));
    {
        const ScopedVariable https("https_proxy", other.ProxyAddress().c_str());
        const ScopedVariable bundle("CURL_CA_BUNDLE", other.AuthorityFile().c_str());
        Run viaOther(*m_transfers, "https://tls.test/a.mp3?x=1");
        QVERIFY(viaOther.recorder.WaitForEnd());
        QCOMPARE(viaOther.recorder.Body(), std::string("other"));
    }
    // A bundle of authorities that is a pipe would hold every https request for ever, one
    // larger than any real one would be read by every request: neither is used.
    const std::string pipe = other.AuthorityFile() + ".pipe";
    QCOMPARE(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string huge = other.AuthorityFile() + ".huge";
    std::ofstream{huge};
    QCOMPARE(::truncate(huge.c_str(), off_t(17) << 20), 0); // mostly a hole: made at once
    const std::string text = other.AuthorityFile() + ".txt";
    std::ofstream{text} << "no certificate in here\n";
    for (const std::string& bundle : {pipe, huge, text}) {
        const ScopedVariable named("CURL_CA_BUNDLE", bundle.c_str());
        Run refused(*m_transfers, "https://tls.test/a.mp3?x=1");
        QVERIFY(refused.recorder.WaitForEnd());
        QCOMPARE(refused.recorder.Events(), (QStringList{"error 77", "failed"}));
        QCOMPARE(QString::fromStdString(ErrorReason(77)), QStringLiteral("certificate authorities unreadable"));
    }
    for (const std::string& bundle : {pipe, huge, text})
        ::unlink(bundle.c_str());
    QCOMPARE(m_server->RequestCount(), before + 1);
    // no_proxy still holds: the host is reached directly (where no stand-in answers), and
    // the proxy sees nothing of it.
    const ScopedVariable direct("no_proxy", "127.0.0.1");
    Run bypass(*m_transfers, "https://127.0.0.1/a.mp3");
    QVERIFY(bypass.recorder.WaitForEnd());
    QVERIFY2(bypass.recorder.Events().first().startsWith("error "), qPrintable(bypass.recorder.Events().join(',')));
    QCOMPARE(m_server->RequestCount(), before + 1);
}

void TestInet::refusedCertificatesFailWithTheirReason_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("reason");
    QTest::newRow("for another host") << "wrong.test" << int(TCertificateKind::OtherHost)
                                      << kErrorCertificateOtherHost << "certificate for another host";
    QTest::newRow("expired") << "old.test" << int(TCertificateKind::Expired) << kErrorCertificateExpired
                             << "expired";
    QTest::newRow("from an authority not trusted") << "stranger.test" << int(TCertificateKind::Good)
                                                   << kErrorCertificateUntrusted << "certificate not trusted";
    QTest::newRow("not yet valid") << "early.test" << int(TCertificateKind::NotYetValid)
                                   << kErrorCertificateNotYetValid << "certificate not yet valid";
}

void TestInet::reasonsSayWhatWentWrong_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("reason"); // of the error event
    QTest::newRow("the proxy refuses the tunnel")
        << "https://refused.test/a.mp3" << QStringList{"error " + QString::number(kErrorProxyRefused + 403), "failed"}
        << "proxy refused: HTTP 403";
    QTest::newRow("a header line of 10 MB")
        << "http://odd.test/long" << QStringList{"error " + QString::number(CURLE_OUT_OF_MEMORY), "failed"}
        << "answer not understood";
}

void TestInet::reasonsSayWhatWentWrong() {
    QFETCH(QString, url);
    QFETCH(QStringList, events);
    QFETCH(QString, reason);
    m_server->RefuseTunnel("refused.test");
    TScriptedResponse longLine = TScriptedResponse::Ok("body");
    longLine.Headers.push_back("X-Long: " + std::string(10 << 20, 'x'));
    m_server->Serve("odd.test/long", longLine);
    Run run(*m_transfers, url.toStdString());
    QVERIFY(run.recorder.WaitForEnd());
    QCOMPARE(run.recorder.Events(), events);
    QCOMPARE(QString::fromStdString(ErrorReason(events.first().mid(6).toInt())), reason);
    // Nothing of libcurl's own words reaches the window.
    QCOMPARE(QString::fromStdString(ErrorReason(CURLE_BAD_CONTENT_ENCODING)), QStringLiteral("request failed (61)"));
}

void TestInet::lengthsAsServersMeanThem_data() {
    QTest::addColumn<QString>("header"); // "-": no header
    QTest::addColumn<qint64>("value");
    QTest::newRow("a length") << "1000" << qint64(1000);
    QTest::newRow("none") << "-" << qint64(0);
    QTest::newRow("zero") << "0" << qint64(0);
    for (const char* odd : {"1e3", "+100", "-5", "99999999999999999999999", "12 ", "0x10", ""})
        QTest::newRow(odd) << odd << qint64(-1);
}

void TestInet::lengthsAsServersMeanThem() {
    QFETCH(QString, header);
    QFETCH(qint64, value);
    const std::optional<std::string> given =
        header == "-" ? std::nullopt : std::optional<std::string>(header.toStdString());
    QCOMPARE(qint64(ContentLengthValue(given)), value);
}

void TestInet::refusedCertificatesFailWithTheirReason() {
    QFETCH(QString, host);
    QFETCH(int, kind);
    QFETCH(int, code);
    QFETCH(QString, reason);
    TTestServer stranger; // its authority is in no bundle of this test
    TTestServer& server = kind == int(TCertificateKind::Good) ? stranger : *m_server;
    server.PresentCertificate(host.toStdString(), static_cast<TCertificateKind>(kind));
    server.Serve("https://" + host.toStdString() + "/a.mp3", TScriptedResponse::Ok("must not arrive"));
    const ScopedVariable proxy("http_proxy", server.ProxyAddress().c_str());
    const size_t before = server.RequestCount();
    Run run(*m_transfers, "https://" + host.toStdString() + "/a.mp3");
    QVERIFY(run.recorder.WaitForEnd());
    QCOMPARE(run.recorder.Events(), (QStringList{"error " + QString::number(code), "failed"}));
    QCOMPARE(QString::fromStdString(ErrorReason(code)), reason);
    QCOMPARE(server.RequestCount(), before);
}

void TestInet::authorityBundleVariables_data() {
    // Which authority each variable names: ours, a stranger's, or the variable is not set.
    QTest::addColumn<QString>("curlBundle");
    QTest::addColumn<QString>("certFile");
    QTest::addColumn<bool>("trusted");
    QTest::newRow("SSL_CERT_FILE") << "" << "ours" << true;
    QTest::newRow("CURL_CA_BUNDLE") << "ours" << "" << true;
    QTest::newRow("CURL_CA_BUNDLE before SSL_CERT_FILE") << "stranger" << "ours" << false;
    QTest::newRow("CURL_CA_BUNDLE empty counts as unset") << "empty" << "ours" << true;
    QTest::newRow("neither: the system's authorities") << "" << "" << false;
}

void TestInet::authorityBundleVariables() {
    QFETCH(QString, curlBundle);
    QFETCH(QString, certFile);
    QFETCH(bool, trusted);
    TTestServer stranger;
    const auto file = [&](const QString& which) -> const char* {
        if (which == "ours")
            return m_server->AuthorityFile().c_str();
        if (which == "stranger")
            return stranger.AuthorityFile().c_str();
        return which == "empty" ? "" : nullptr;
    };
    const ScopedVariable curl("CURL_CA_BUNDLE", file(curlBundle));
    const ScopedVariable ssl("SSL_CERT_FILE", file(certFile));
    m_server->Serve("https://bundle.test/a.mp3", TScriptedResponse::Ok("ok"));
    Run run(*m_transfers, "https://bundle.test/a.mp3");
    QVERIFY(run.recorder.WaitForEnd());
    if (trusted)
        QCOMPARE(run.recorder.Events(), (QStringList{"headers 200 2", "data", "complete"}));
    else
        QCOMPARE(run.recorder.Events(),
                 (QStringList{"error " + QString::number(kErrorCertificateUntrusted), "failed"}));
}

void TestInet::requestsOfOneEngineShareAuthoritiesAndSessions() {
    // The next connection to a host resumes the TLS session of the last, whichever lane makes
    // it. A bundle replaced on disk is read again, and no session made before is resumed.
    namespace fs = std::filesystem;
    TTestServer stranger;
    const std::string bundle = m_server->AuthorityFile() + ".shared";
    const auto replaceBundle = [&](const std::string& with) {
        fs::copy_file(with, bundle + ".new", fs::copy_options::overwrite_existing);
        fs::rename(bundle + ".new", bundle);
    };
    replaceBundle(m_server->AuthorityFile());
    const ScopedVariable named("CURL_CA_BUNDLE", bundle.c_str());
    m_server->Serve("https://resume.test/a.mp3", TScriptedResponse::Ok("again"));
    TTransferEngine engine(2);
    const auto fetch = [&] {
        Recorder recorder;
        TInet inet("k", engine);
        recorder.Attach(inet);
        inet.Start("https://resume.test/a.mp3");
        return recorder.WaitForEnd() ? recorder.Events().join(',') : QStringLiteral("no end");
    };
    const QString complete = "headers 200 5,data,complete";
    const size_t before = m_server->RequestCount();
    for (int i = 0; i < 3; ++i)
        QCOMPARE(fetch(), complete);
    replaceBundle(stranger.AuthorityFile());
    QCOMPARE(fetch(), QStringLiteral("error %1,failed").arg(kErrorCertificateUntrusted));
    replaceBundle(m_server->AuthorityFile());
    QCOMPARE(fetch(), complete);
    QStringList resumed;
    const std::vector<TRecordedRequest> requests = m_server->Requests();
    for (size_t i = before; i < requests.size(); ++i)
        resumed << (requests[i].ResumedSession ? "resumed" : "new");
    QCOMPARE(resumed, (QStringList{"new", "resumed", "resumed", "new"}));
    fs::remove(bundle);
}

void TestInet::localNetworkAddresses_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("local");
    for (const char* local : {"127.0.0.1", "127.9.9.9", "10.1.2.3", "172.16.0.1", "172.31.255.255", "192.168.1.1",
                              "169.254.169.254", "0.0.0.0", "100.64.0.1", "100.127.255.254", "198.18.0.1",
                              "198.19.255.255", "224.0.0.251", "255.255.255.255", "::1", "::", "fd00::1", "fc12::3",
                              "fe80::1", "fec0::1", "feff::1", "ff02::1", "::ffff:192.168.0.1", "64:ff9b::a00:1"})
        QTest::newRow(local) << local << true;
    for (const char* open : {"8.8.8.8", "172.32.0.1", "172.15.255.255", "192.169.0.1", "11.0.0.1", "100.63.255.255",
                             "100.128.0.1", "198.17.255.255", "198.20.0.1", "223.255.255.255", "2001:db8::1",
                             "::ffff:8.8.8.8", "64:ff9b::808:808", "not an address", ""})
        QTest::newRow(open) << open << false;
}

void TestInet::localNetworkAddresses() {
    QFETCH(QString, address);
    QFETCH(bool, local);
    QCOMPARE(IsLocalNetworkAddress(address.toStdString()), local);
}

QTEST_GUILESS_MAIN(TestInet)
#include "tst_inet.moc"

void TestInet::aFollowerBeginsOnTheConnectionItsLeaderLeaves() {
    // Two requests follow a held one: the first waits for it and takes its connection, the
    // second is cancelled while it waits and is never sent; one asked to begin now does not
    // wait for the request it followed.
    TScriptedResponse held = TScriptedResponse::Ok(TTestServer::SyntheticBody(4000));
    held.KeepsAlive = true;
    held.Gate = std::make_shared<TGate>();
    held.GateAfter = 1000;
    TScriptedResponse kept = TScriptedResponse::Ok("next");
    kept.KeepsAlive = true;
    m_server->Serve("follow.test/held", held);
    m_server->Serve("follow.test/next", kept);
    m_server->Serve("follow.test/never", kept);
    const size_t connections = m_server->Connections();
    const size_t requests = m_server->RequestCount();
    const auto start = [this](Recorder& recorder, const std::string& path, const TInet* after) {
        auto inet = std::make_unique<TInet>(path, *m_transfers);
        inet->Traffic = TTraffic::Bulk;
        inet->KeepAlive = true;
        inet->After = after;
        recorder.Attach(*inet);
        inet->Start("http://follow.test/" + path);
        return inet;
    };
    Recorder leaderEvents, nextEvents, neverEvents;
    const auto leader = start(leaderEvents, "held", nullptr);
    QVERIFY(held.Gate->WaitForArrivals(1, 60000));
    const auto next = start(nextEvents, "next", leader.get());
    const auto never = start(neverEvents, "never", leader.get());
    never->Stop();
    QVERIFY(neverEvents.WaitForEnd());
    QCOMPARE(neverEvents.Events(), QStringList{"failed"});
    held.Gate->Open();
    QVERIFY(leaderEvents.WaitForEnd() && nextEvents.WaitForEnd());
    QCOMPARE(nextEvents.Body(), std::string("next"));
    QCOMPARE(m_server->RequestCount() - requests, size_t{2});
    QCOMPARE(m_server->Connections() - connections, size_t{1});

    held.Gate = std::make_shared<TGate>();
    m_server->Serve("follow.test/held", held);
    Recorder againEvents, nowEvents;
    const auto again = start(againEvents, "held", nullptr);
    QVERIFY(held.Gate->WaitForArrivals(1, 60000));
    const auto now = start(nowEvents, "next", again.get());
    now->BeginNow();
    QVERIFY(nowEvents.WaitForEnd());
    QCOMPARE(nowEvents.Body(), std::string("next"));
    QCOMPARE(againEvents.Finals(), 0);
    held.Gate->Open();
    QVERIFY(againEvents.WaitForEnd());
}
