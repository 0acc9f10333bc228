#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include <QTemporaryDir>
#include <QTest>

#include "net/uTransferEngine.h"
#include "TestServer.h"
#include "core/uTFileUtils.h"
#include "download/uTGetFile.h"

namespace fs = std::filesystem;

namespace {
// A transfer driven by hand: the test plays the worker's events and the clock.
struct Driven {
    Driven(TTransferEngine& engine, const std::string& path) : get("http://files.test/a.mp3", engine) {
        get.FilePath = path;
        get.Tick = [this] { return now; };
        get.OnProgress = [this](const std::string&, int64_t total, int64_t received, int64_t rate) {
            progress << QString("%1 %2 %3").arg(total).arg(received).arg(rate);
        };
        get.OnError = [this](const std::string&, const std::string& reason) {
            events << QString::fromStdString("error: " + reason);
        };
        get.OnComplete = [this](const std::string&) { events << "complete"; };
    }
    void Feed(size_t total, size_t block, char fill = 'x') {
        for (size_t sent = 0; sent < total; sent += block)
            get.WorkerData(get.Key, std::string(std::min(block, total - sent), fill));
    }
    TGetFile get;
    uint32_t now = 1000;
    QStringList progress;
    QStringList events;
};

int64_t FileSize(const std::string& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return error ? -1 : static_cast<int64_t>(size);
}

// What a real transfer reported.
struct Outcome {
    QStringList events;
    void Attach(TGetFile& get) {
        get.OnError = [this](const std::string&, const std::string& reason) {
            Add(QString::fromStdString("error: " + reason));
        };
        get.OnComplete = [this](const std::string&) { Add("complete"); };
        get.OnProgress = [this](const std::string&, int64_t, int64_t received, int64_t) {
            lastReceived = received;
            ++progressCalls;
        };
    }
    void Add(const QString& event) {
        std::lock_guard lock(mutex);
        events << event;
    }
    QStringList Events() {
        std::lock_guard lock(mutex);
        return events;
    }
    std::mutex mutex;
    std::atomic<int> progressCalls{0};
    std::atomic<int64_t> lastReceived{0};
};
} // namespace

class TestGetFile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void bufferIsFlushedInBlocksOfAtLeast16K();
    void smallFileIsWrittenOnceAtCompletion();
    void rateCountsWholeSeconds();
    void rateSurvivesTickWrap();
    void badAnswersFailBeforeAnyBody_data();
    void badAnswersFailBeforeAnyBody();
    void vanishedFileEndsTheTransferAndNothingIsWrittenElsewhere_data();
    void vanishedFileEndsTheTransferAndNothingIsWrittenElsewhere();
    void fullDiskAtTheEndIsAFailure();
    void unwritableFolderFailsWithoutHoldingTheFile();
    void realTransferIsByteIdentical();
    void restartRewritesFromTheFirstByte();
    void stopDuringTheBodyFailsOnce();
    void killDeliversNothing();

private:
    std::string Path(const char* name) const { return m_dir->path().toStdString() + "/" + name; }
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TTestServer> m_server;
    std::unique_ptr<TTransferEngine> m_transfers = std::make_unique<TTransferEngine>();
};

void TestGetFile::initTestCase() {
    m_server = std::make_unique<TTestServer>();
    m_server->UseAsProxy();
}

void TestGetFile::init() {
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestGetFile::bufferIsFlushedInBlocksOfAtLeast16K() {
    Driven driven(*m_transfers, Path("a.mp3"));
    driven.get.WorkerHeaders(driven.get.Key, 200, 40000);
    QList<int64_t> sizes;
    for (int block = 0; block < 40; ++block) {
        driven.Feed(block < 39 ? 1024 : 40000 - 39 * 1024, 1024);
        sizes << FileSize(Path("a.mp3"));
    }
    QCOMPARE(sizes.at(14), int64_t(-1)); // nothing written before 16 KiB are buffered
    QCOMPARE(sizes.at(15), int64_t(16384));
    QCOMPARE(sizes.at(31), int64_t(32768));
    QCOMPARE(sizes.at(39), int64_t(32768));
    QCOMPARE(driven.get.Buffer.size(), size_t(7232));
    driven.get.WorkerComplete(driven.get.Key);
    QCOMPARE(FileSize(Path("a.mp3")), int64_t(40000));
    QCOMPARE(driven.events, QStringList{"complete"});
    QCOMPARE(driven.progress.size(), 40);
    driven.get.WorkerFailed(driven.get.Key); // after the outcome, nothing more
    QCOMPARE(driven.events, QStringList{"complete"});
}

void TestGetFile::smallFileIsWrittenOnceAtCompletion() {
    Driven driven(*m_transfers, Path("small.mp3"));
    driven.get.WorkerHeaders(driven.get.Key, 200, 10000);
    driven.Feed(10000, 1024);
    QVERIFY(!fs::exists(Path("small.mp3")));
    QCOMPARE(driven.progress.size(), 10);
    driven.get.WorkerComplete(driven.get.Key);
    QCOMPARE(FileSize(Path("small.mp3")), int64_t(10000));
}

void TestGetFile::rateCountsWholeSeconds() {
    Driven driven(*m_transfers, Path("r.mp3"));
    driven.get.WorkerHeaders(driven.get.Key, 200, 1000000);
    driven.now = 5000;
    driven.Feed(1000, 1000);
    QCOMPARE(driven.progress.last(), QStringLiteral("1000000 1000 0")); // first second: 0
    driven.now = 5999;
    driven.Feed(1000, 1000);
    QCOMPARE(driven.progress.last(), QStringLiteral("1000000 2000 0"));
    driven.now = 7500; // 2.5 s: two whole seconds
    driven.Feed(498000, 498000);
    QCOMPARE(driven.progress.last(), QStringLiteral("1000000 500000 250000"));
}

void TestGetFile::rateSurvivesTickWrap() {
    Driven driven(*m_transfers, Path("w.mp3"));
    driven.get.WorkerHeaders(driven.get.Key, 200, 100000);
    driven.now = 0xFFFFF000u;
    driven.Feed(1000, 1000);
    driven.now = 0x00000800u; // 6144 ms later, across the wrap
    driven.Feed(59000, 59000);
    QCOMPARE(driven.progress.last(), QStringLiteral("100000 60000 10000"));
}

void TestGetFile::badAnswersFailBeforeAnyBody_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("reason");
    QTest::newRow("404 with a length") << 404 << 500 << "HTTP 404";
    QTest::newRow("200 with length 0") << 200 << 0 << "empty file";
    QTest::newRow("200 with a length that is no number") << 200 << -1 << "answer not understood";
}

void TestGetFile::badAnswersFailBeforeAnyBody() {
    QFETCH(int, status);
    QFETCH(int, length);
    QFETCH(QString, reason);
    Driven driven(*m_transfers, Path("bad.mp3"));
    driven.get.WorkerHeaders(driven.get.Key, status, length);
    driven.get.WorkerError(driven.get.Key, 1);
    driven.get.WorkerFailed(driven.get.Key);
    QCOMPARE(driven.events, QStringList{"error: " + reason});
    QVERIFY(driven.progress.isEmpty());
    QVERIFY(!fs::exists(Path("bad.mp3")));
}

void TestGetFile::vanishedFileEndsTheTransferAndNothingIsWrittenElsewhere_data() {
    QTest::addColumn<bool>("linkPlanted");
    QTest::newRow("removed") << false; // the user emptied the incomplete folder
    QTest::newRow("a link to another file put in its place") << true;
}

void TestGetFile::vanishedFileEndsTheTransferAndNothingIsWrittenElsewhere() {
    QFETCH(bool, linkPlanted);
    QVERIFY(TFileUtils::WriteWholeFile(Path("elsewhere.txt"), "the user's own"));
    Driven driven(*m_transfers, Path("v.mp3"));
    driven.get.WorkerHeaders(driven.get.Key, 200, 40000);
    driven.Feed(16384, 1024, 'a');
    QCOMPARE(FileSize(Path("v.mp3")), int64_t(16384));
    fs::remove(Path("v.mp3"));
    if (linkPlanted)
        fs::create_symlink(Path("elsewhere.txt"), Path("v.mp3"));
    driven.now += 1000; // the file is looked at on disk once a second, not per write
    driven.Feed(40000 - 16384, 1024, 'b');
    driven.get.WorkerComplete(driven.get.Key);
    QCOMPARE(driven.events, QStringList{"error: the file was removed while it arrived"});
    QCOMPARE(TFileUtils::ReadWholeFile(Path("elsewhere.txt")), std::string("the user's own"));
    QCOMPARE(fs::exists(Path("v.mp3")), linkPlanted); // the link is left as it is, nothing made anew
}

void TestGetFile::fullDiskAtTheEndIsAFailure() {
    Driven driven(*m_transfers, Path("full.mp3"));
    driven.get.WorkerHeaders(driven.get.Key, 200, 30000);
    driven.Feed(30000, 1024);
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 20000; // the disk fills up part-way through the last write
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    driven.get.WorkerComplete(driven.get.Key);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    QCOMPARE(driven.events, QStringList{"error: file too large for the disk"});
    // What did reach the disk is there once, and the rest waits in the buffer.
    QCOMPARE(FileSize(Path("full.mp3")) + int64_t(driven.get.Buffer.size()), int64_t(30000));
}

void TestGetFile::unwritableFolderFailsWithoutHoldingTheFile() {
    Driven driven(*m_transfers, Path("missing-folder/u.mp3"));
    driven.get.WorkerHeaders(driven.get.Key, 200, 64 << 20);
    // The worker stops delivering once the transfer has failed.
    for (int fed = 0; fed < (12 << 20) && driven.events.isEmpty(); fed += 65536)
        driven.Feed(65536, 65536);
    QCOMPARE(driven.events, QStringList{"error: the incomplete folder is missing"});
    QVERIFY(driven.get.Buffer.size() <= TGetFile::MaxUnwrittenBytes + 65536);
}

void TestGetFile::realTransferIsByteIdentical() {
    const std::string body = TTestServer::SyntheticBody(300000);
    TScriptedResponse response = TScriptedResponse::Ok(body);
    response.SliceSize = 7000;
    m_server->Serve("files.test/real.mp3", response);
    TGetFile get("k", *m_transfers);
    Outcome outcome;
    outcome.Attach(get);
    get.Start(Path("real.mp3"), "http://files.test/real.mp3");
    QVERIFY(get.IsRunning());
    QTRY_COMPARE(outcome.Events(), QStringList{"complete"});
    QVERIFY(TFileUtils::ReadWholeFile(Path("real.mp3")) == body);
    // Progress after every read of the network, each read at most TInet::kReadSize bytes.
    QVERIFY(outcome.progressCalls >= int(300000 / TInet::kReadSize));
    QCOMPARE(int64_t(outcome.lastReceived), int64_t(300000));
    QTRY_VERIFY(!get.IsRunning());
}

void TestGetFile::restartRewritesFromTheFirstByte() {
    QVERIFY(TFileUtils::WriteWholeFile(Path("again.mp3"), std::string(100000, 'o')));
    m_server->Serve("files.test/again.mp3", TScriptedResponse::Ok(std::string(20000, 'n')));
    TGetFile get("k", *m_transfers);
    Outcome outcome;
    outcome.Attach(get);
    get.Start(Path("again.mp3"), "http://files.test/again.mp3");
    QTRY_COMPARE(outcome.Events(), QStringList{"complete"});
    QCOMPARE(TFileUtils::ReadWholeFile(Path("again.mp3")), std::string(20000, 'n'));
}

void TestGetFile::stopDuringTheBodyFailsOnce() {
    // 60,000 bytes come; the rest waits until the stop is in.
    TScriptedResponse held = TScriptedResponse::Ok(std::string(200000, 's'));
    held.Gate = std::make_shared<TGate>();
    held.GateAfter = 60000;
    m_server->Serve("files.test/slow.mp3", held);
    TGetFile get("k", *m_transfers);
    Outcome outcome;
    outcome.Attach(get);
    get.Start(Path("slow.mp3"), "http://files.test/slow.mp3");
    QTRY_COMPARE(int64_t(outcome.lastReceived), int64_t(60000));
    get.Stop();
    QTRY_COMPARE(outcome.Events(), QStringList{"error: cancelled"});
    QTRY_VERIFY(!get.IsRunning());
    held.Gate->Open();
    // The blocks flushed before the stop are there; the buffered rest is not written.
    const std::string kept = TFileUtils::ReadWholeFile(Path("slow.mp3"));
    QVERIFY(kept.size() >= TGetFile::FlushThreshold && kept.size() <= 60000);
    QCOMPARE(kept, std::string(kept.size(), 's'));
}

void TestGetFile::killDeliversNothing() {
    TScriptedResponse held = TScriptedResponse::Ok(std::string(50000, 'k'));
    held.Gate = std::make_shared<TGate>();
    held.GateAfter = 30000;
    m_server->Serve("files.test/stall.mp3", held);
    Outcome outcome;
    int calls = 0;
    {
        TGetFile get("k", *m_transfers);
        outcome.Attach(get);
        get.Start(Path("stall.mp3"), "http://files.test/stall.mp3");
        QTRY_VERIFY(outcome.progressCalls > 0);
        // Returns while the server holds the rest back: a kill never waits for the network.
        get.Kill();
        QVERIFY(!get.IsRunning());
        calls = outcome.progressCalls;
        // The rest of the body and the end of the transfer are free to come now.
        held.Gate->Open();
    }
    // The transfer's end waited for its thread: whatever it was to raise, it has raised.
    QVERIFY(outcome.Events().isEmpty());
    QCOMPARE(int(outcome.progressCalls), calls);
}

QTEST_GUILESS_MAIN(TestGetFile)
#include "tst_getfile.moc"
