#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include "net/uTransferEngine.h"
#include "HandOverDrain.h"
#include "ScratchDisk.h"
#include "TestServer.h"
#include "core/uTFileUtils.h"
#include "download/uDownloadStore.h"
#include "download/uTDownloadManager.h"
#include "download/uFileMover.h"

namespace fs = std::filesystem;

namespace {
struct Events {
    QStringList log;
    bool allOnGuiThread = true;
    void Attach(TDownloadManager& manager) {
        QObject::connect(&manager, &TDownloadManager::Changed, [this](const TDownload& download, TDownloadChange what) {
            if (what == TDownloadChange::Figures) {
                ++progress;
                allOnGuiThread = allOnGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
            } else if (what == TDownloadChange::Status && download.Status() != TDownload::StatusDownloading) {
                Add((download.Completed ? "complete " : "error ") + download.Key);
            }
        });
    }
    void Add(const std::string& event) {
        allOnGuiThread = allOnGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        log << QString::fromStdString(event);
    }
    int progress = 0;
};

int Running(const TDownloadManager& manager) {
    return manager.TransfersRunning();
}

TDownloadRequest Result(const std::string& link, const std::string& fileName, int64_t size = 0) {
    return TDownloadRequest::ForLink(link, fileName, size);
}
} // namespace

class TestDownloadManager : public QObject {
    Q_OBJECT
private slots:
    void aFileMovesUnderAFreeNameAndNeverReplacesOne();
    void initTestCase();
    void init();
    void safeFileNames_data();
    void safeFileNames();
    void uniqueNamesCountUpWithoutSeparator();
    void completedFileMovesUnderAFreeName();
    void finishedSongIsStoredOnce_data();
    void finishedSongIsStoredOnce();
    void quittingLeavesNoHalfFile();
    void concurrentDownloadsNeverShareAPath();
    void repeatedLinkIsOneDownload();
    void filesOfOneServerShareItsConnection();
    void badAnswerFailsWithoutFile();
    void restartContinuesWhatTheServerAllows_data();
    void restartContinuesWhatTheServerAllows();
    void cutTransferContinuesByItselfUntilCancelled();
    void aTrickleLetsGoOfItsPlace();
    void removeTakesOnlyTheChosenFinishedDownloads();
    void listSurvivesARestartAndGoesOn();
    void damagedOrHostileListsLoseNothingElse();
    void restartTakesTheSameSongFromTheNextSite();
    void cancelEndsARunningDownloadAsFailed();
    void progressIsWholePercent();
    void everyListenerHearsAndClearTellsFirst();
    void failedCopyIsAFailure();
    void nameSearchGivesUp();
    void foldersCanChangeWhileRunning();
    void destroyingEndsTransfersWithoutEvents();
    void manyEndingAtOnceKeepEachDownloadsOrder();
    void cancelWhileTheEngineIsFull();
    void queueKeepsItsLimitsAndOrder();
    void aShortageGivesUpOnlyWhenNothingRuns();

private:
    std::string Done() const { return m_done->path().toStdString(); }
    std::string Partial() const { return m_partial->path().toStdString(); }
    std::unique_ptr<TTestServer> m_server;
    std::unique_ptr<TTransferEngine> m_transfers = std::make_unique<TTransferEngine>();
    std::unique_ptr<QTemporaryDir> m_done;
    std::unique_ptr<QTemporaryDir> m_partial;
    std::unique_ptr<TDownloadManager> m_manager;
    Events m_events;
};

void TestDownloadManager::initTestCase() {
    m_server = std::make_unique<TTestServer>();
    m_server->UseAsProxy();
}

void TestDownloadManager::init() {
    m_done = std::make_unique<QTemporaryDir>();
    m_partial = std::make_unique<QTemporaryDir>();
    m_manager = std::make_unique<TDownloadManager>(*m_transfers, Done(), Partial());
    m_manager->SetRetryPauses({}); // a cut fails at once, unless a test says otherwise
    m_events = Events{};
    m_events.Attach(*m_manager);
}

void TestDownloadManager::safeFileNames_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("safe");
    QTest::newRow("plain") << QByteArray("Band - Song.mp3") << QByteArray("Band - Song.mp3");
    QTest::newRow("separators") << QByteArray("AC/DC\\live.mp3") << QByteArray("AC_DC_live.mp3");
    QTest::newRow("climbing out") << QByteArray("../../etc/passwd") << QByteArray(".._.._etc_passwd");
    QTest::newRow("dot dot") << QByteArray("..") << QByteArray("download");
    QTest::newRow("dot") << QByteArray(".") << QByteArray("download");
    QTest::newRow("empty") << QByteArray("") << QByteArray("download");
    QTest::newRow("control bytes") << QByteArray("a\r\nb\x01\x7f.mp3", 10) << QByteArray("a__b__.mp3");
    QTest::newRow("NUL") << QByteArray("a\0b.mp3", 7) << QByteArray("a_b.mp3");
    QTest::newRow("what FAT and NTFS forbid") << QByteArray("Song: Remix *?\"<>|.mp3")
                                               << QByteArray("Song- Remix ------.mp3");
}

void TestDownloadManager::safeFileNames() {
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, safe);
    QCOMPARE(QByteArray::fromStdString(SafeFileName(name.toStdString())), safe);
}

void TestDownloadManager::uniqueNamesCountUpWithoutSeparator() {
    QVERIFY(TFileUtils::WriteWholeFile(Partial() + "/Song.mp3", "x"));
    QVERIFY(TFileUtils::WriteWholeFile(Partial() + "/Song1.mp3", "x"));
    QCOMPARE(m_manager->ReserveFileName(Partial() + "/Song.mp3"), Partial() + "/Song2.mp3");
    QVERIFY(TFileUtils::WriteWholeFile(Partial() + "/song", "x"));
    QCOMPARE(m_manager->ReserveFileName(Partial() + "/song"), Partial() + "/song1");
    QCOMPARE(m_manager->ReserveFileName(Partial() + "/new.mp3"), Partial() + "/new.mp3");
    QVERIFY(fs::exists(Partial() + "/new.mp3")); // made at once
    // 400 bytes of title stay a valid name, extension kept, no character cut in half.
    std::string title;
    for (int i = 0; i < 200; ++i)
        title += "\xC3\xA9";
    const std::string safe = SafeFileName(title + ".mp3");
    QVERIFY(safe.size() <= 240);
    QCOMPARE(safe.substr(safe.size() - 4), std::string(".mp3"));
    QCOMPARE(safe.substr(0, safe.size() - 4).size() % 2, size_t(0));
    QVERIFY(TFileUtils::WriteWholeFile(Partial() + "/" + safe, "ok"));
}

void TestDownloadManager::completedFileMovesUnderAFreeName() {
    const std::string body = TTestServer::SyntheticBody(100000);
    m_server->Serve("files.test/a.mp3", TScriptedResponse::Ok(body));
    QVERIFY(TFileUtils::WriteWholeFile(Partial() + "/a.mp3", "older partial"));
    QVERIFY(TFileUtils::WriteWholeFile(Done() + "/a.mp3", "already here"));
    m_manager->Download(Result("http://files.test/a.mp3", "a.mp3", 0));
    QCOMPARE(m_manager->Count(), 1);
    TDownload* download = m_manager->Items(0);
    QCOMPARE(download->FilePath, Partial() + "/a1.mp3");
    QCOMPARE(download->Status(), TDownload::StatusDownloading);
    QTRY_COMPARE(m_events.log, QStringList{"complete http://files.test/a.mp3"});
    QCOMPARE(download->FilePath, Done() + "/a1.mp3");
    QCOMPARE(download->Status(), TDownload::StatusComplete);
    QCOMPARE(download->Size, int64_t(100000));
    QCOMPARE(download->Progress, 100);
    QVERIFY(TFileUtils::ReadWholeFile(Done() + "/a1.mp3") == body);
    QVERIFY(!fs::exists(Partial() + "/a1.mp3")); // moved, not kept twice
    QCOMPARE(TFileUtils::ReadWholeFile(Partial() + "/a.mp3"), std::string("older partial"));
    QCOMPARE(TFileUtils::ReadWholeFile(Done() + "/a.mp3"), std::string("already here"));
    QVERIFY(m_events.progress > 0);
    QVERIFY(m_events.allOnGuiThread);
}

void TestDownloadManager::finishedSongIsStoredOnce_data() {
    QTest::addColumn<QString>("where"); // of the download folder
    QTest::newRow("same disk") << "same disk";
    QTest::newRow("another disk") << "another disk";
    QTest::newRow("the incomplete folder itself") << "same folder";
}

void TestDownloadManager::finishedSongIsStoredOnce() {
    QFETCH(QString, where);
    std::unique_ptr<TScratchDisk> disk;
    if (where == "another disk") {
        disk = std::make_unique<TScratchDisk>(Done());
        if (!disk->Mounted())
            QSKIP(disk->Why().c_str());
    }
    if (where == "same folder")
        m_manager->SetFolders(Partial(), Partial());
    const std::string body = TTestServer::SyntheticBody(70000);
    m_server->Serve("files.test/6.mp3", TScriptedResponse::Ok(body));
    m_manager->Download(Result("http://files.test/6.mp3", "6.mp3"));
    QTRY_COMPARE(m_events.log, QStringList{"complete http://files.test/6.mp3"});
    // One file, under the song's own name, in the download folder alone.
    const std::string folder = m_manager->DownloadFolder();
    QCOMPARE(m_manager->Items(0)->FilePath, folder + "/6.mp3");
    QVERIFY(TFileUtils::ReadWholeFile(folder + "/6.mp3") == body);
    QCOMPARE(QDir(QString::fromStdString(folder)).entryList(QDir::Files | QDir::Hidden), QStringList{"6.mp3"});
    if (folder != Partial())
        QCOMPARE(QDir(m_partial->path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestDownloadManager::quittingLeavesNoHalfFile() {
    TScriptedResponse held = TScriptedResponse::Ok(std::string(50000, 'q'));
    held.Gate = std::make_shared<TGate>();
    held.GateAfter = 20000;
    m_server->Serve("files.test/quit.mp3", held);
    m_manager->Download(Result("http://files.test/quit.mp3", "quit.mp3"));
    QTRY_COMPARE(int(m_manager->Items(0)->Received), 20000);
    m_manager.reset();
    held.Gate->Open();
    QCOMPARE(QDir(m_partial->path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestDownloadManager::concurrentDownloadsNeverShareAPath() {
    TScriptedResponse slow = TScriptedResponse::Ok(std::string(40000, '1'));
    slow.SliceSize = 10000;
    slow.SlicePauseMs = 50;
    m_server->Serve("one.test/song.mp3", slow);
    TScriptedResponse other = slow;
    other.Body = std::string(40000, '2');
    m_server->Serve("two.test/song.mp3", other);
    m_manager->Download(Result("http://one.test/song.mp3", "song.mp3"));
    m_manager->Download(Result("http://two.test/song.mp3", "song.mp3"));
    QCOMPARE(m_manager->Items(0)->FilePath, Partial() + "/song.mp3");
    QCOMPARE(m_manager->Items(1)->FilePath, Partial() + "/song1.mp3");
    QTRY_COMPARE(m_events.log.size(), 2);
    QCOMPARE(TFileUtils::ReadWholeFile(m_manager->Items(0)->FilePath), std::string(40000, '1'));
    QCOMPARE(TFileUtils::ReadWholeFile(m_manager->Items(1)->FilePath), std::string(40000, '2'));
    QVERIFY(m_manager->Items(0)->FilePath != m_manager->Items(1)->FilePath);
}

void TestDownloadManager::repeatedLinkIsOneDownload() {
    // The same link again (in any letter case) while it is under way is the same download;
    // once it has ended, asking again fetches it once more, and the first file stays.
    m_server->Serve("files.test/once.mp3", TScriptedResponse::Ok("once"));
    QCOMPARE(m_manager->Download(Result("http://files.test/once.mp3", "once.mp3")), TDownloadStart::Added);
    QCOMPARE(m_manager->Download(Result("HTTP://FILES.TEST/once.mp3", "other.mp3")), TDownloadStart::UnderWay);
    QCOMPARE(m_manager->Count(), 1);
    QTRY_COMPARE(m_events.log.size(), 1);
    QTRY_COMPARE(Running(*m_manager), 0);
    QCOMPARE(m_manager->Download(Result("http://files.test/once.mp3", "once.mp3")), TDownloadStart::FetchedAgain);
    QCOMPARE(m_manager->Count(), 1);
    QTRY_COMPARE(m_events.log.size(), 2);
    QCOMPARE(QDir(QString::fromStdString(Done())).entryList(QDir::Files), (QStringList{"once.mp3", "once1.mp3"}));
}

void TestDownloadManager::filesOfOneServerShareItsConnection() {
    // One after another from a server that does not keep connections: one each; from one
    // that does, one for all.
    m_manager->SetLimits(1, 1);
    for (const bool keeps : {false, true}) {
        const size_t before = m_server->Connections();
        const std::string host = keeps ? "kept.test" : "closed.test";
        for (int i = 0; i < 3; ++i) {
            TScriptedResponse answer = TScriptedResponse::Ok(std::string(3000 + i, 'k'));
            answer.KeepsAlive = keeps;
            const std::string path = host + "/" + std::to_string(i) + ".mp3";
            m_server->Serve(path, answer);
            m_manager->Download(Result("http://" + path, host + std::to_string(i) + ".mp3"));
        }
        // Between one file's end and the next one's start nothing runs, so wait for the ends.
        QTRY_COMPARE(m_events.log.size(), qsizetype(keeps ? 6 : 3));
        QCOMPARE(m_server->Connections() - before, keeps ? size_t{1} : size_t{3});
    }
    QCOMPARE(m_events.log.filter("complete ").size(), 6);
    QCOMPARE(QDir(QString::fromStdString(Done())).entryList(QDir::Files).size(), 6);
}

void TestDownloadManager::badAnswerFailsWithoutFile() {
    m_server->Serve("files.test/missing.mp3", TScriptedResponse::Status(404, "<html>no</html>"));
    m_manager->Download(Result("http://files.test/missing.mp3", "missing.mp3"));
    QTRY_COMPARE(m_events.log, QStringList{"error http://files.test/missing.mp3"});
    QCOMPARE(m_manager->Items(0)->Status(), TDownload::StatusFailed);
    QVERIFY(!fs::exists(Partial() + "/missing.mp3"));
    QVERIFY(!fs::exists(Done() + "/missing.mp3"));
    QCOMPARE(m_events.progress, 0);
}

void TestDownloadManager::restartContinuesWhatTheServerAllows_data() {
    // The first answer is cut at 40,000 of 60,000 bytes; then the server answers a restart so.
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("validator"); // the header that names the file's version
    QTest::addColumn<int>("requests");      // for the restart
    QTest::addColumn<bool>("continued");    // the restart asks for the rest first
    const QString strong = "ETag: \"v1\"";
    QTest::newRow("honours the range") << "range" << strong << 1 << true;
    QTest::newRow("ignores the range: the whole file again") << "whole" << strong << 1 << true;
    QTest::newRow("the file changed: If-Range fails") << "changed" << strong << 1 << true;
    QTest::newRow("the file changed, If-Range ignored") << "ignores" << strong << 2 << true;
    QTest::newRow("lies about the part") << "lies" << strong << 2 << true;
    QTest::newRow("will not continue (416)") << "shorter" << strong << 2 << true;
    QTest::newRow("a date names the version") << "range" << "Last-Modified: Tue, 01 Dec 2026 10:00:00 GMT" << 1 << true;
    // Nothing would tell another version's part from this one's: the file comes whole.
    QTest::newRow("only a weak ETag") << "range" << "ETag: W/\"v1\"" << 1 << false;
    QTest::newRow("no validator") << "range" << "" << 1 << false;
}

void TestDownloadManager::restartContinuesWhatTheServerAllows() {
    QFETCH(QString, server);
    QFETCH(QString, validator);
    QFETCH(int, requests);
    QFETCH(bool, continued);
    const std::string first = TTestServer::SyntheticBody(60000);
    TScriptedResponse cut = TScriptedResponse::Ok(first);
    if (!validator.isEmpty())
        cut.Headers.push_back(validator.toStdString());
    cut.CutAfter = 40000;
    cut.HonoursRange = true;
    m_server->Serve("files.test/r.mp3", cut);
    const std::string key = "http://files.test/r.mp3";
    m_manager->Download(Result(key, "r.mp3"));
    QTRY_COMPARE(m_events.log, QStringList{"error " + QString::fromStdString(key)});
    // What the cut transfer wrote stays, to be continued.
    QCOMPARE(fs::file_size(Partial() + "/r.mp3"), uintmax_t(40000));

    TScriptedResponse again = TScriptedResponse::Ok(first);
    again.Headers = cut.Headers;
    again.HonoursRange = server != "whole";
    std::string expected = first;
    if (server == "changed" || server == "shorter" || server == "ignores") {
        expected = std::string(server == "shorter" ? 30000 : 60000, 'n');
        again = TScriptedResponse::Ok(expected);
        again.Headers.push_back(server == "shorter" ? "ETag: \"v1\"" : "ETag: \"v2\"");
        again.HonoursRange = true;
        again.IgnoresIfRange = server == "ignores";
    }
    if (server == "lies")
        again.RangeShift = 100;
    m_server->Serve("files.test/r.mp3", again);
    const size_t before = m_server->RequestCount();
    // At once, while the failed transfer may still be winding down.
    QVERIFY(m_manager->RestartDownload(key));
    QVERIFY(!m_manager->RestartDownload(key)); // running now: nothing more happens
    QTRY_COMPARE(m_events.log.size(), 2);
    QCOMPARE(m_events.log.last(), "complete " + QString::fromStdString(key));
    QCOMPARE(m_server->RequestCount(), before + static_cast<size_t>(requests));
    const TRecordedRequest resumed = m_server->Requests().at(before);
    QCOMPARE(resumed.Header("Range"), std::string(continued ? "bytes=40000-" : ""));
    if (continued)
        QCOMPARE(resumed.Header("If-Range"), validator.mid(validator.indexOf(':') + 2).toStdString());
    QVERIFY(resumed.RequestLine.ends_with("HTTP/1.0"));
    if (requests == 2) // started over: the whole file, asked for whole
        QVERIFY(!m_server->Requests().at(before + 1).HasHeader("Range"));
    QVERIFY(TFileUtils::ReadWholeFile(Done() + "/r.mp3") == expected);
    QTRY_COMPARE(Running(*m_manager), 0);
    QVERIFY(!m_manager->RestartDownload(key)); // complete: nothing happens
    QCOMPARE(m_manager->Items(0)->Status(), TDownload::StatusComplete);
}

void TestDownloadManager::cutTransferContinuesByItselfUntilCancelled() {
    // Cut at 30,000 of 90,000 bytes: the next try asks for the rest and gets it.
    const std::string body = TTestServer::SyntheticBody(90000);
    TScriptedResponse cut = TScriptedResponse::Ok(body);
    cut.Headers.push_back("ETag: \"t1\"");
    cut.CutAfter = 30000;
    cut.HonoursRange = true;
    m_server->Serve("files.test/t.mp3", cut);
    m_manager->SetRetryPauses({std::chrono::milliseconds(0)});
    QStringList notes;
    connect(m_manager.get(), &TDownloadManager::Changed, this, [&](const TDownload& download, TDownloadChange) {
        if (!download.RetryNote.empty())
            notes << QString::fromStdString(download.RetryNote);
    });
    const size_t before = m_server->RequestCount();
    m_manager->Download(Result("http://files.test/t.mp3", "t.mp3"));
    QTRY_COMPARE(m_events.log, QStringList{"complete http://files.test/t.mp3"});
    QVERIFY(TFileUtils::ReadWholeFile(Done() + "/t.mp3") == body);
    QCOMPARE(notes.first(), QStringLiteral("retrying in 0 s (cut short at 30000 of 90000 bytes)"));
    QCOMPARE(m_server->Requests().at(before + 1).Header("Range"), std::string("bytes=30000-"));

    // A cancel while it waits for its next try ends it, and no try follows.
    m_manager->SetRetryPauses({std::chrono::hours(1)});
    m_server->Serve("files.test/w.mp3", cut);
    m_manager->Download(Result("http://files.test/w.mp3", "w.mp3"));
    QTRY_VERIFY(!m_manager->Find("http://files.test/w.mp3")->RetryNote.empty());
    const size_t requests = m_server->RequestCount();
    m_manager->CancelDownload("http://files.test/w.mp3");
    const TDownload& cancelled = *m_manager->Find("http://files.test/w.mp3");
    QVERIFY(cancelled.Cancelled && cancelled.Status() == TDownload::StatusFailed && cancelled.RetryNote.empty());
    QCOMPARE(m_server->RequestCount(), requests);
    QCOMPARE(fs::file_size(Partial() + "/w.mp3"), uintmax_t(30000)); // kept for a restart
}

void TestDownloadManager::aTrickleLetsGoOfItsPlace() {
    // A few bytes a second pass a limit of one byte a second, and would hold the only place
    // for minutes; below the stall limit (lowered from 1 KB in 30 s) the transfer counts as cut.
    TScriptedResponse trickle = TScriptedResponse::Ok(TTestServer::SyntheticBody(100000));
    trickle.SliceSize = 10;
    trickle.SlicePauseMs = 100;
    m_server->Serve("files.test/trickle.mp3", trickle);
    m_server->Serve("files.test/next.mp3", TScriptedResponse::Ok("whole"));
    m_manager->SetLimits(1, 1);
    m_manager->SetStallLimit(1024, std::chrono::seconds(1));
    m_manager->SetRetryPauses({std::chrono::hours(1)});
    m_manager->Download(Result("http://files.test/trickle.mp3", "trickle.mp3"));
    m_manager->Download(Result("http://files.test/next.mp3", "next.mp3"));
    QCOMPARE(m_manager->QueuedCount(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(m_events.log, QStringList{"complete http://files.test/next.mp3"}, 60000);
    const TDownload& stalled = *m_manager->Find("http://files.test/trickle.mp3");
    QCOMPARE(stalled.Status(), int(TDownload::StatusDownloading)); // it goes on later
    QVERIFY2(QString::fromStdString(stalled.RetryNote).endsWith(QStringLiteral("(stalled)")), stalled.RetryNote.c_str());

    // A song found on another site leaves the trickle for that site at once, and says so.
    m_server->Serve("files.test/trickle2.mp3", trickle);
    m_server->Serve("mirror.test/song.mp3", TScriptedResponse::Ok("from the mirror"));
    TDownloadRequest song = Result("http://files.test/trickle2.mp3", "song.mp3");
    song.Alternatives = {"http://mirror.test/song.mp3"};
    m_manager->Download(song);
    QTRY_COMPARE_WITH_TIMEOUT(m_events.log.size(), qsizetype(2), 60000);
    QCOMPARE(m_events.log.last(), QStringLiteral("complete http://files.test/trickle2.mp3"));
    QCOMPARE(TFileUtils::ReadWholeFile(Done() + "/song.mp3"), std::string("from the mirror"));
    QCOMPARE(m_manager->Find(song.Key)->SourceNote, std::string("from the next site (the last stalled)"));
}

void TestDownloadManager::removeTakesOnlyTheChosenFinishedDownloads() {
    TScriptedResponse held = TScriptedResponse::Ok(TTestServer::SyntheticBody(90000));
    held.StallAfter = 40000; // runs until the manager ends
    m_server->Serve("files.test/running.mp3", held);
    m_server->Serve("files.test/done.mp3", TScriptedResponse::Ok("whole"));
    m_server->Serve("files.test/kept.mp3", TScriptedResponse::Ok("kept"));
    for (const char* name : {"running", "done", "kept"})
        m_manager->Download(Result(std::string("http://files.test/") + name + ".mp3", std::string(name) + ".mp3"));
    QTRY_COMPARE(m_events.log.size(), qsizetype(2));
    // Asked for the running and a finished one: the finished one goes, the running one and
    // the one not chosen stay, and so do their files.
    QSignalSpy going(m_manager.get(), &TDownloadManager::AboutToBeRemoved);
    QCOMPARE(m_manager->RemoveFinished({"http://files.test/running.mp3", "http://files.test/done.mp3"}), 1);
    QCOMPARE(going.count(), 1);
    QVERIFY(m_manager->Find("http://files.test/done.mp3") == nullptr);
    QVERIFY(m_manager->Find("http://files.test/running.mp3") != nullptr);
    QVERIFY(m_manager->Find("http://files.test/kept.mp3") != nullptr);
    QVERIFY(TFileUtils::ReadWholeFile(Done() + "/done.mp3") == "whole");
}

void TestDownloadManager::listSurvivesARestartAndGoesOn() {
    const std::string list = Partial() + "/../" + QFileInfo(m_partial->path()).fileName().toStdString() + ".json";
    const std::string body = TTestServer::SyntheticBody(90000);
    TScriptedResponse held = TScriptedResponse::Ok(body);
    held.Headers.push_back("ETag: \"e1\"");
    held.StallAfter = 40000; // arrives in part, then nothing more until the program ends
    held.HonoursRange = true;
    m_server->Serve("files.test/run.mp3", held);
    m_server->Serve("files.test/gone.mp3", TScriptedResponse::Status(404));
    m_server->Serve("files.test/ok.mp3", TScriptedResponse::Ok("whole"));
    {
        TDownloadListKeeper keeper(*m_manager, list);
        for (const char* name : {"ok", "gone", "run"})
            m_manager->Download(Result(std::string("http://files.test/") + name + ".mp3", std::string(name) + ".mp3"));
        QTRY_COMPARE(m_events.log.size(), 2); // ok complete, gone failed
        QTRY_COMPARE(m_manager->Find("http://files.test/run.mp3")->Received, int64_t(40000));
    } // the program ends: the list is written with the running one stopped
    m_manager.reset();
    QCOMPARE(fs::file_size(Partial() + "/run.mp3"), uintmax_t(40000)); // its part stays

    m_manager = std::make_unique<TDownloadManager>(*m_transfers, Done(), Partial());
    const size_t before = m_server->RequestCount();
    TDownloadListKeeper keeper(*m_manager, list);
    QCOMPARE(m_manager->Count(), 3);
    QCOMPARE(m_manager->Find("http://files.test/ok.mp3")->Status(), TDownload::StatusComplete);
    QCOMPARE(m_manager->Find("http://files.test/gone.mp3")->FailReason, std::string("HTTP 404"));
    // The stopped one goes on at once, from its part, while it is the same file.
    QTRY_COMPARE(m_manager->Find("http://files.test/run.mp3")->Status(), TDownload::StatusComplete);
    QCOMPARE(m_server->Requests().at(before).Header("Range"), std::string("bytes=40000-"));
    QCOMPARE(m_server->Requests().at(before).Header("If-Range"), std::string("\"e1\""));
    QVERIFY(TFileUtils::ReadWholeFile(Done() + "/run.mp3") == body);
}

void TestDownloadManager::damagedOrHostileListsLoseNothingElse() {
    const std::string list = Partial() + ".json";
    // A list that is no list is set aside, whole, and nothing is listed.
    QVERIFY(TFileUtils::WriteWholeFile(list, "{\"downloads\": [ {\"key\": cut off"));
    QCOMPARE(LoadDownloadList(*m_manager, list), 0);
    QCOMPARE(TFileUtils::ReadWholeFile(list + ".bad"), std::string("{\"downloads\": [ {\"key\": cut off"));
    QVERIFY(!fs::exists(list));
    // From a newer version: what this one knows is read, a broken entry is skipped, and a
    // part that is not in the incomplete folder is never the download's own to delete.
    const std::string victim = Done() + "/victim.mp3";
    QVERIFY(TFileUtils::WriteWholeFile(victim, "keep me"));
    const std::string entries =
        "{\"version\": 9, \"future\": true, \"downloads\": ["
        "{\"key\": \"k1\", \"url\": \"http://a.test/1.mp3\", \"fileName\": \"1.mp3\", \"size\": 10,"
        " \"received\": 4, \"state\": \"failed\", \"reason\": \"HTTP 500\", \"ownsFile\": true,"
        " \"filePath\": \"" + victim + "\", \"colour\": \"blue\"},"
        "{\"key\": \"k2\", \"state\": \"exploded\"}]}";
    QVERIFY(TFileUtils::WriteWholeFile(list, entries));
    QCOMPARE(LoadDownloadList(*m_manager, list), 1);
    QCOMPARE(m_manager->Items(0)->FailReason, std::string("HTTP 500"));
    QVERIFY(!m_manager->Items(0)->OwnsFile);
    QCOMPARE(m_manager->ClearFinished(), 1);
    QCOMPARE(TFileUtils::ReadWholeFile(victim), std::string("keep me"));
    // A stopped entry whose part lies elsewhere (absolute, or climbing out of the incomplete
    // folder) goes on from a new part named in the incomplete folder: nothing is written
    // where the list pointed.
    QTemporaryDir elsewhere;
    TScriptedResponse held = TScriptedResponse::Ok("content");
    held.GateAfter = 3;
    for (const std::string& part : {elsewhere.path().toStdString() + "/evil.desktop",
                                    Partial() + "/../" + QFileInfo(elsewhere.path()).fileName().toStdString() + "/evil.desktop"}) {
        QVERIFY(TFileUtils::WriteWholeFile(list, "{\"downloads\": [{\"key\": \"http://files.test/evil.mp3\","
                                                 " \"url\": \"http://files.test/evil.mp3\", \"fileName\": \"evil.mp3\","
                                                 " \"size\": 7, \"received\": 0, \"state\": \"stopped\","
                                                 " \"ownsFile\": true, \"filePath\": \"" + part + "\"}]}"));
        QCOMPARE(LoadDownloadList(*m_manager, list), 1);
        held.Gate = std::make_shared<TGate>();
        m_server->Serve("files.test/evil.mp3", held);
        QVERIFY(m_manager->RestartDownload("http://files.test/evil.mp3"));
        QTRY_COMPARE(m_manager->Items(0)->Received, int64_t(3)); // its part is written now
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        held.Gate->Open();
        QTRY_COMPARE(m_manager->Items(0)->Status(), TDownload::StatusComplete);
        QCOMPARE(m_manager->Items(0)->FilePath, Done() + "/evil.mp3");
        QCOMPARE(m_manager->ClearFinished(), 1);
        fs::remove(Done() + "/evil.mp3");
    }

    // On a full disk the list written before stays whole.
    const std::string folder = Done() + "/disk";
    fs::create_directories(folder);
    TScratchDisk disk(folder);
    if (!disk.Mounted())
        QSKIP(disk.Why().c_str());
    const std::string onDisk = folder + "/Downloads.json";
    m_manager->Keep(std::make_unique<TDownload>("http://a.test/kept.mp3", "kept.mp3", 5));
    QVERIFY(SaveDownloadList(*m_manager, onDisk));
    const std::string before = TFileUtils::ReadWholeFile(onDisk);
    const int filler = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
    const std::string block(1 << 16, 'x');
    for (size_t piece = block.size(); piece > 0; piece /= 2) { // to the last byte free
        while (::write(filler, block.data(), piece) == static_cast<ssize_t>(piece)) {
        }
    }
    ::close(filler);
    for (int i = 0; i < 50; ++i)
        m_manager->Keep(std::make_unique<TDownload>("http://a.test/" + std::to_string(i), "x.mp3", 5));
    QVERIFY(!SaveDownloadList(*m_manager, onDisk));
    QCOMPARE(TFileUtils::ReadWholeFile(onDisk), before);
}

void TestDownloadManager::restartTakesTheSameSongFromTheNextSite() {
    m_server->Serve("first.test/s.mp3", TScriptedResponse::Status(404));
    m_server->Serve("second.test/s.mp3", TScriptedResponse::Status(503));
    m_server->Serve("third.test/s.mp3", TScriptedResponse::Ok(std::string(3000, 't')));
    const std::string key = "http://first.test/s.mp3";
    TDownloadRequest result = Result(key, "s.mp3");
    result.Alternatives = {"http://second.test/s.mp3", "http://third.test/s.mp3"};
    m_manager->Download(result);
    for (const char* reason : {"HTTP 404", "HTTP 503"}) {
        QTRY_COMPARE(m_manager->Items(0)->Status(), TDownload::StatusFailed);
        QCOMPARE(m_manager->Items(0)->FailReason, std::string(reason));
        QVERIFY(m_manager->RestartDownload(key));
    }
    QTRY_COMPARE(m_manager->Items(0)->Status(), TDownload::StatusComplete);
    QCOMPARE(m_manager->Items(0)->Url, std::string("http://third.test/s.mp3"));
    QCOMPARE(TFileUtils::ReadWholeFile(Done() + "/s.mp3"), std::string(3000, 't'));
}

void TestDownloadManager::cancelEndsARunningDownloadAsFailed() {
    TScriptedResponse stalled = TScriptedResponse::Ok(std::string(80000, 'c'));
    stalled.StallAfter = 40000;
    m_server->Serve("files.test/c.mp3", stalled);
    m_manager->CancelDownload("http://files.test/c.mp3"); // not there: nothing
    m_manager->Download(Result("http://files.test/c.mp3", "c.mp3"));
    QTRY_VERIFY(m_events.progress > 0);
    m_manager->CancelAllDownloads();
    QTRY_COMPARE(m_events.log, QStringList{"error http://files.test/c.mp3"});
    QVERIFY(m_manager->Items(0)->Failed);
    QTRY_COMPARE(Running(*m_manager), 0);
    m_manager->CancelDownload("http://files.test/c.mp3"); // ended: nothing more
    QVERIFY(DrainHandOvers());
    QCOMPARE(m_events.log.size(), 1);
}

void TestDownloadManager::progressIsWholePercent() {
    m_manager->Keep(std::make_unique<TDownload>("k", "k.mp3", 0));
    m_manager->WorkerProgress("k", 1000000, 999999, 5);
    QCOMPARE(m_manager->Items(0)->Progress, 99);
    m_manager->WorkerProgress("k", 1000000, 1000000, 5);
    QCOMPARE(m_manager->Items(0)->Progress, 100);
    QCOMPARE(m_manager->Items(0)->Speed, int64_t(5));
    m_manager->WorkerProgress("unknown", 10, 5, 1); // ignored
    QCOMPARE(m_events.progress, 2);
}

void TestDownloadManager::everyListenerHearsAndClearTellsFirst() {
    Events second;
    second.Attach(*m_manager);
    QStringList added;
    connect(m_manager.get(), &TDownloadManager::Added, this,
            [&](const TDownload& download) { added << QString::fromStdString(download.Key); });
    m_server->Serve("files.test/one.mp3", TScriptedResponse::Ok("one"));
    m_server->Serve("files.test/none.mp3", TScriptedResponse::Status(404));
    m_manager->Download(Result("http://files.test/one.mp3", "one.mp3"));
    m_manager->Download(Result("http://files.test/none.mp3", "none.mp3"));
    QCOMPARE(added, (QStringList{"http://files.test/one.mp3", "http://files.test/none.mp3"}));
    QTRY_COMPARE(m_events.log.size(), 2);
    QCOMPARE(second.log, m_events.log);
    // The records that go are told while they can still be read.
    QStringList going;
    connect(m_manager.get(), &TDownloadManager::AboutToBeRemoved, this,
            [&](const std::vector<const TDownload*>& downloads) {
                for (const TDownload* download : downloads)
                    going << QString::fromStdString(download->FileName);
            });
    QCOMPARE(m_manager->ClearFinished(), 2);
    QCOMPARE(going, (QStringList{"one.mp3", "none.mp3"}));
    QCOMPARE(m_manager->Count(), 0);
    // A cleared link is fetched anew at once, under a fresh number.
    m_manager->Download(Result("http://files.test/none.mp3", "none.mp3"));
    QCOMPARE(m_manager->Items(0)->Serial, int64_t(2));
    QTRY_COMPARE(m_events.log.size(), 3);
}

void TestDownloadManager::failedCopyIsAFailure() {
    m_server->Serve("files.test/nocopy.mp3", TScriptedResponse::Ok("payload"));
    m_manager->SetFolders(Done() + "/gone", Partial());
    m_manager->Download(Result("http://files.test/nocopy.mp3", "nocopy.mp3"));
    QTRY_COMPARE(m_events.log, QStringList{"error http://files.test/nocopy.mp3"});
    const TDownload* download = m_manager->Items(0);
    QCOMPARE(download->Status(), TDownload::StatusFailed);
    QCOMPARE(download->FilePath, Partial() + "/nocopy.mp3"); // kept for a restart
    QCOMPARE(TFileUtils::ReadWholeFile(download->FilePath), std::string("payload"));
}

void TestDownloadManager::nameSearchGivesUp() {
    // The system sees this folder only up to the NUL, so every name in it "exists".
    m_manager->SetFolders(Done(), Partial() + std::string("\0x", 2));
    const size_t requests = m_server->RequestCount();
    m_manager->Download(Result("http://files.test/never.mp3", "never.mp3"));
    QTRY_COMPARE(m_events.log, QStringList{"error http://files.test/never.mp3"});
    QCOMPARE(m_server->RequestCount(), requests); // nothing was fetched
}

void TestDownloadManager::foldersCanChangeWhileRunning() {
    QTemporaryDir newDone, newPartial;
    m_server->Serve("files.test/moved.mp3", TScriptedResponse::Ok("moved"));
    m_manager->SetFolders(newDone.path().toStdString(), newPartial.path().toStdString());
    m_manager->Download(Result("http://files.test/moved.mp3", "moved.mp3"));
    QCOMPARE(m_manager->Items(0)->FilePath, newPartial.path().toStdString() + "/moved.mp3");
    QTRY_COMPARE(m_events.log.size(), 1);
    QCOMPARE(m_manager->Items(0)->FilePath, newDone.path().toStdString() + "/moved.mp3");
    QCOMPARE(TFileUtils::ReadWholeFile(m_manager->Items(0)->FilePath), std::string("moved"));
}

void TestDownloadManager::destroyingEndsTransfersWithoutEvents() {
    TScriptedResponse held = TScriptedResponse::Ok(std::string(80000, 'd'));
    held.Gate = std::make_shared<TGate>();
    held.GateAfter = 40000;
    m_server->Serve("files.test/d1.mp3", held);
    m_server->Serve("files.test/d2.mp3", held);
    m_manager->Download(Result("http://files.test/d1.mp3", "d1.mp3"));
    m_manager->Download(Result("http://files.test/d2.mp3", "d2.mp3"));
    QTRY_VERIFY(m_events.progress > 1);
    // Returns while the server holds both bodies back: the end never waits for the network.
    m_manager.reset();
    const int progress = m_events.progress;
    held.Gate->Open();
    // The transfers' threads have ended with the manager; what they handed over comes first.
    QVERIFY(DrainHandOvers());
    QVERIFY(m_events.log.isEmpty());
    QCOMPARE(m_events.progress, progress);
}

void TestDownloadManager::manyEndingAtOnceKeepEachDownloadsOrder() {
    // Many more transfers than engine threads, ending together, some of them cut short: each
    // download hears its progress, then exactly one end, and nothing after it.
    constexpr int kCount = 300;
    m_manager->SetLimits(kCount, kCount); // all of them at once, not a few at a time
    std::map<std::string, QStringList> byKey;
    std::map<std::string, int64_t> lastReceived;
    connect(m_manager.get(), &TDownloadManager::Changed, this, [&](const TDownload& download, TDownloadChange what) {
        const std::string& key = download.Key;
        if (what == TDownloadChange::Figures) {
            byKey[key] << "progress";
            QVERIFY(download.Received >= lastReceived[key]);
            lastReceived[key] = download.Received;
        } else if (download.Status() != TDownload::StatusDownloading) {
            byKey[key] << (download.Completed ? "complete" : "error");
        }
    });
    for (int i = 0; i < kCount; ++i) {
        TScriptedResponse response = TScriptedResponse::Ok(std::string(size_t(20000 + i * 100), 'm'));
        if (i % 10 == 0)
            response.CutAfter = 5000;
        const std::string address = "many.test/" + std::to_string(i) + ".mp3";
        m_server->Serve(address, response);
        m_manager->Download(Result("http://" + address, "song.mp3"));
    }
    const auto ended = [&] {
        return std::count_if(byKey.begin(), byKey.end(), [](const auto& entry) {
            return entry.second.contains("complete") || entry.second.contains("error");
        });
    };
    QTRY_COMPARE_WITH_TIMEOUT(ended(), long(kCount), 60000);
    QVERIFY(DrainHandOvers());
    for (int i = 0; i < kCount; ++i) {
        const std::string key = "http://many.test/" + std::to_string(i) + ".mp3";
        const QStringList& events = byKey[key];
        const QString end = i % 10 == 0 ? "error" : "complete";
        QCOMPARE(events.count(end), 1);
        QCOMPARE(events.last(), end); // nothing after the end
        QCOMPARE(events.size(), events.count("progress") + 1);
        const TDownload* download = m_manager->Find(key);
        // A cut transfer says how much of it came.
        if (i % 10 == 0)
            QVERIFY2(QString::fromStdString(download->FailReason).startsWith("cut short at "),
                     download->FailReason.c_str());
        if (i % 10 != 0) {
            QCOMPARE(lastReceived[key], int64_t(20000 + i * 100)); // the last figures came first
            QCOMPARE(download->Progress, 100);
            QCOMPARE(int64_t(fs::file_size(download->FilePath)), int64_t(20000 + i * 100));
        }
    }
    // Every download had a name of its own.
    std::set<std::string> paths;
    for (int i = 0; i < kCount; ++i)
        paths.insert(m_manager->Items(i)->FilePath);
    QCOMPARE(int(paths.size()), kCount);
}

void TestDownloadManager::cancelWhileTheEngineIsFull() {
    // Stalled transfers hold every engine thread busy: a cancel still ends its own download
    // at once, a new download still starts and finishes, and the others keep running.
    TScriptedResponse stalled = TScriptedResponse::Ok(std::string(50000, 's'));
    stalled.StallAfter = 20000;
    constexpr int kStalled = 40;
    m_manager->SetLimits(kStalled + 1, kStalled + 1);
    const size_t before = m_server->RequestCount();
    for (int i = 0; i < kStalled; ++i) {
        const std::string address = "full.test/" + std::to_string(i) + ".mp3";
        m_server->Serve(address, stalled);
        m_manager->Download(Result("http://" + address, "s.mp3"));
    }
    QVERIFY(m_server->WaitForRequests(before + kStalled, 60000));
    QTRY_COMPARE(int(m_manager->Items(kStalled - 1)->Received), 20000);
    m_manager->CancelDownload("http://full.test/7.mp3");
    QTRY_COMPARE(m_events.log, QStringList{"error http://full.test/7.mp3"});
    m_server->Serve("full.test/late.mp3", TScriptedResponse::Ok("late"));
    m_manager->Download(Result("http://full.test/late.mp3", "late.mp3"));
    QTRY_COMPARE(m_events.log.size(), 2);
    QCOMPARE(m_events.log.last(), QStringLiteral("complete http://full.test/late.mp3"));
    for (int i = 0; i < kStalled; ++i)
        QCOMPARE(m_manager->Items(i)->Status(), i == 7 ? TDownload::StatusFailed : TDownload::StatusDownloading);
    m_manager->CancelAllDownloads();
    QTRY_COMPARE(m_events.log.size(), kStalled + 1);
    QCOMPARE(m_events.log.count("error http://full.test/7.mp3"), 1);
    for (int i = 0; i < kStalled; ++i)
        QCOMPARE(m_manager->Items(i)->Status(), TDownload::StatusFailed);
}

void TestDownloadManager::aShortageGivesUpOnlyWhenNothingRuns() {
    // Out of descriptors while another download runs: wait, as often as it comes, for that
    // one will free its own. With nothing running, nothing will: after a few tries, give up;
    // a transfer that gets going again starts the count afresh.
    TDownload running("http://a.test/1", "1.mp3", 0);
    running.Url = running.Key;
    TDownloadQueue queue([&](const std::string& key) { return key == running.Key ? &running : nullptr; });
    queue.Enqueue(running, [](TDownload&) {});
    queue.Start();
    QCOMPARE(queue.RunningCount(), 1);
    for (int i = 0; i < 10; ++i)
        QVERIFY(queue.NoteShortage());
    QCOMPARE(queue.RunningLimit(), 1); // what runs is what the system holds for now
    queue.FreePlace(running.Key);
    for (int i = 0; i < TDownloadQueue::kLoneShortageTries; ++i)
        QVERIFY(queue.NoteShortage());
    QVERIFY(!queue.NoteShortage());
    queue.NoteProgress();
    QVERIFY(queue.NoteShortage());
}

QTEST_GUILESS_MAIN(TestDownloadManager)
void TestDownloadManager::aFileMovesUnderAFreeNameAndNeverReplacesOne() {
    const QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    QVERIFY(TFileUtils::WriteWholeFile(folder + "part", "new song"));
    QVERIFY(TFileUtils::WriteWholeFile(folder + "Song.mp3", "kept"));
    QCOMPARE(MoveFileNoReplace(folder + "part", folder + "Song.mp3", 5, nullptr), folder + "Song1.mp3");
    QCOMPARE(TFileUtils::ReadWholeFile(folder + "Song.mp3"), std::string("kept"));
    QCOMPARE(TFileUtils::ReadWholeFile(folder + "Song1.mp3"), std::string("new song"));
    QVERIFY(!std::filesystem::exists(folder + "part"));
    // A link put in the part's place is never moved, nor what it points at.
    std::filesystem::create_symlink(folder + "Song.mp3", folder + "part");
    QVERIFY(MoveFileNoReplace(folder + "part", folder + "Other.mp3", 5, nullptr).empty());
    QVERIFY(!std::filesystem::exists(folder + "Other.mp3"));
}

#include "tst_downloadmanager.moc"

void TestDownloadManager::queueKeepsItsLimitsAndOrder() {
    // Three at once, two per host: the third song of a host waits while another host's song
    // starts; a freed place goes to the earliest queued song its host allows; a queued song
    // cancelled is never asked for, and one restarted waits its turn again.
    m_manager->SetLimits(3, 2);
    TScriptedResponse stalled = TScriptedResponse::Ok(std::string(50000, 'q'));
    stalled.StallAfter = 10000;
    const size_t before = m_server->RequestCount();
    for (const char* address : {"a.test/1", "a.test/2", "a.test/3", "b.test/1", "b.test/2"}) {
        m_server->Serve(address, stalled);
        m_manager->Download(Result(std::string("http://") + address, "q.mp3"));
    }
    const auto queued = [this] {
        QStringList keys;
        for (int i = 0; i < m_manager->Count(); ++i) {
            if (m_manager->Items(i)->Waiting())
                keys << QString::fromStdString(m_manager->Items(i)->Key);
        }
        return keys;
    };
    const auto asked = [this, before] {
        QStringList addresses;
        const std::vector<TRecordedRequest> requests = m_server->Requests();
        for (size_t i = before; i < requests.size(); ++i)
            addresses << QString::fromStdString(requests[i].Address());
        addresses.sort(); // the engine's threads send them in any order
        return addresses;
    };
    QCOMPARE(queued(), (QStringList{"http://a.test/3", "http://b.test/2"}));
    QCOMPARE(m_manager->RunningCount(), 3);
    QVERIFY(m_server->WaitForRequests(before + 3, 60000));
    QCOMPARE(asked(), (QStringList{"a.test/1", "a.test/2", "b.test/1"}));

    m_manager->CancelDownload("http://b.test/2");
    QTRY_COMPARE(m_events.log, QStringList{"error http://b.test/2"});
    QVERIFY(m_manager->Find("http://b.test/2")->Cancelled);
    m_manager->CancelDownload("http://a.test/1");
    QTRY_COMPARE(queued(), QStringList());
    QVERIFY(m_server->WaitForRequests(before + 4, 60000));
    QCOMPARE(asked(), (QStringList{"a.test/1", "a.test/2", "a.test/3", "b.test/1"}));

    QVERIFY(m_manager->RestartDownload("http://b.test/2"));
    QCOMPARE(queued(), QStringList{"http://b.test/2"});
    QCOMPARE(m_manager->QueuedCount(), 1);
    m_manager->CancelAllDownloads();
    QTRY_COMPARE(m_events.log.size(), 6);
    QCOMPARE(m_manager->QueuedCount(), 0);
    QVERIFY(!asked().contains("b.test/2"));
    for (int i = 0; i < m_manager->Count(); ++i)
        QCOMPARE(m_manager->Items(i)->Status(), TDownload::StatusFailed);
    QTRY_COMPARE(m_manager->RunningCount(), 0);
}
