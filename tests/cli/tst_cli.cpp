#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "TestServer.h"
#include "cli/uCliDownload.h"
#include "core/uTFileUtils.h"
#include "search/uTMp3Search.h"
#include "uToneMaker.h"

namespace fs = std::filesystem;

namespace {
struct Result {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Result RunCli(const QStringList& arguments, int timeoutMs = 60000) {
    QProcess process;
    process.start(QStringLiteral(ORVALO_CLI), arguments);
    Result result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}
} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void usageErrors_data();
    void usageErrors();
    void helpSaysWhatItDoes();
    void scrambleRoundTrip();
    void searchWithoutEnginesFails();
    void searchPrintsEventsAndVerifiesDistinctLinks();
    void searchWhereNoSiteAnswersSaysSo();
    void searchThatNeverEndsTimesOut();
    void downloadReportsEachFile();
    void downloadNamesStayInsideTheFolders();
    void foldersGivenAreMadeWithTheirParents();
    void oneFileFromWhicheverAddressAnswers();
    void cutFileIsContinued();
    void twoProcessesNeverShareAFile();
    void downloadPastAFileSizeLimitFails();
    void downloadsWaitForDescriptorsInsteadOfFailing();
    void foldersGivenAreTheOnlyOnesTouched();
    void checkTellsWhatEachFileHolds();
    void fileNamesFromAddresses_data();
    void fileNamesFromAddresses();

private:
    std::string WriteEngines(const std::string& plain) {
        const std::string dir = m_dir.path().toStdString();
        TFileUtils::WriteWholeFile(dir + "/Engines.dat", Scramble(plain));
        return dir;
    }
    QTemporaryDir m_dir;
    std::unique_ptr<TTestServer> m_server;
};

void TestCli::initTestCase() {
    m_server = std::make_unique<TTestServer>();
    m_server->UseAsProxy(); // inherited by the processes started here
}

void TestCli::usageErrors_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("nothing") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"fly"};
    QTest::newRow("search without key") << QStringList{"search"};
    QTest::newRow("two keys") << QStringList{"search", "a", "b"};
    QTest::newRow("timeout not a number") << QStringList{"search", "--timeout", "soon", "a"};
    QTest::newRow("timeout without value") << QStringList{"search", "a", "--timeout"};
    QTest::newRow("unknown option") << QStringList{"search", "--fast", "a"};
    QTest::newRow("scramble without file") << QStringList{"scramble"};
}

void TestCli::usageErrors() {
    QFETCH(QStringList, arguments);
    const Result result = RunCli(arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.isEmpty());
    QVERIFY(result.err.startsWith("orvalo-cli: "));
}

void TestCli::helpSaysWhatItDoes() {
    const Result result = RunCli({"--help"});
    QCOMPARE(result.exitCode, 0);
    for (const char* text : {"search [--data DIR] [--timeout S]", "scramble FILE", "unscramble FILE",
                             "verified<TAB>link<TAB>size", "engine-done<TAB>engine key"})
        QVERIFY2(result.out.contains(text), text);
}

void TestCli::scrambleRoundTrip() {
    std::string plain;
    for (int i = 0; i < 1000; ++i)
        plain += static_cast<char>(i % 256);
    const QString plainPath = m_dir.filePath("plain.bin");
    QVERIFY(TFileUtils::WriteWholeFile(plainPath.toStdString(), plain));
    const Result scrambled = RunCli({"scramble", plainPath});
    QCOMPARE(scrambled.exitCode, 0);
    QVERIFY(scrambled.out.toStdString() != plain);
    const QString scrambledPath = m_dir.filePath("scrambled.bin");
    QVERIFY(TFileUtils::WriteWholeFile(scrambledPath.toStdString(), scrambled.out.toStdString()));
    const Result back = RunCli({"unscramble", scrambledPath});
    QCOMPARE(back.exitCode, 0);
    QVERIFY(back.out.toStdString() == plain);
    QCOMPARE(RunCli({"unscramble", m_dir.filePath("missing")}).exitCode, 1);
}

void TestCli::searchWithoutEnginesFails() {
    QTemporaryDir empty;
    const Result result = RunCli({"search", "--data", empty.path(), "key"});
    QCOMPARE(result.exitCode, 1);
    QVERIFY(result.err.contains("no engine could be loaded"));
}

void TestCli::searchPrintsEventsAndVerifiesDistinctLinks() {
    const std::string data = WriteEngines("Muzz*m*http://www.muzz.test/s?q=*&x=1\r\n");
    m_server->Serve("www.muzz.test/s?q=tide&x=1",
                    TScriptedResponse::Ok("<a href=\"/mp3presend?id=1\">Band - Tide</a>"
                                          "<a href=\"/mp3presend?id=2\">Band - Low\tTide &amp; &#39;Live&#39;</a>"
                                          "<A HREF=\"/MP3PRESEND?id=1\">x</A>" // no marker: case matters
                                          "<a href=\"/mp3presend?id=1\">BAND - TIDE</a>"));
    m_server->Serve("www.muzz.test/mp3send/Band%20-%20Tide.mp3?id=1", TScriptedResponse::Ok("12345"));
    const Result result = RunCli({"search", "--data", QString::fromStdString(data), "tide"});
    QCOMPARE(result.exitCode, 0);
    QList<QByteArray> lines = result.out.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    const QByteArray link1 = "http://www.muzz.test/mp3send/Band - Tide.mp3?id=1";
    const QByteArray link2 = "http://www.muzz.test/mp3send/Band - Low Tide &amp; &#39;Live&#39;.mp3?id=2";
    const QByteArray link3 = "http://www.muzz.test/mp3send/BAND - TIDE.mp3?id=1";
    QCOMPARE(lines.mid(0, 5), (QList<QByteArray>{"result\tm\tBand - Tide\t" + link1,
                                                 // the title as the window shows it
                                                 "result\tm\tBand - Low Tide & 'Live'\t" + link2,
                                                 "result\tm\tBAND - TIDE\t" + link3, "engine-done\tm", "search-done"}));
    // Two distinct links (the third differs in letter case only), each checked once.
    QList<QByteArray> checks = lines.mid(5);
    std::sort(checks.begin(), checks.end());
    // Five bytes are no song: the check says so.
    QCOMPARE(checks, (QList<QByteArray>{"failed\t" + link2 + "\tHTTP 404", "verified\t" + link1 + "\t5\tNot an MP3"}));
}

void TestCli::searchWhereNoSiteAnswersSaysSo() {
    const std::string data = WriteEngines("Muzz*m*http://www.muzz.test/down?q=*\r\n"
                                          "Finder*f*http://www.emp3finder.test/down?q=*\r\n");
    m_server->Serve("www.muzz.test/down?q=x", TScriptedResponse::Status(503, "busy"));
    m_server->Serve("www.emp3finder.test/down?q=x", TScriptedResponse::Status(503, "busy"));
    const Result result = RunCli({"search", "--data", QString::fromStdString(data), "x"});
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.contains("engine-done\tm\tHTTP 503\n"));
    QVERIFY(result.err.contains("no site could be reached"));
}

void TestCli::searchThatNeverEndsTimesOut() {
    const std::string data = WriteEngines("Muzz*m*http://www.muzz.test/stall?q=*\r\n");
    TScriptedResponse stalled = TScriptedResponse::Ok("never");
    stalled.StallBeforeAnswer = true;
    m_server->Serve("www.muzz.test/stall?q=x", stalled);
    const Result result = RunCli({"search", "--data", QString::fromStdString(data), "--timeout", "2", "x"});
    QCOMPARE(result.exitCode, 1);
    QVERIFY(result.err.contains("did not end within 2 s"));
}

void TestCli::downloadReportsEachFile() {
    QTemporaryDir done, partial;
    const std::string body = TTestServer::SyntheticBody(70000);
    m_server->Serve("dl.test/files/Good%20Song.mp3", TScriptedResponse::Ok(body));
    m_server->Serve("dl.test/files/gone.mp3", TScriptedResponse::Status(404, "no"));
    const Result result = RunCli({"download", "--to", done.path(), "--incomplete", partial.path(),
                                  "http://dl.test/files/Good%20Song.mp3", "http://dl.test/files/gone.mp3",
                                  "http://dl.test/files/Good%20Song.mp3"});
    QCOMPARE(result.exitCode, 1);
    QList<QByteArray> lines = result.out.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    std::sort(lines.begin(), lines.end());
    const QByteArray path = (done.path() + "/Good Song.mp3").toUtf8();
    QCOMPARE(lines, (QList<QByteArray>{"complete\thttp://dl.test/files/Good%20Song.mp3\t" + path,
                                       "failed\thttp://dl.test/files/gone.mp3\tHTTP 404"}));
    QVERIFY(TFileUtils::ReadWholeFile(path.toStdString()) == body);
    QVERIFY(result.err.isEmpty()); // no terminal: no progress bars
    const Result good = RunCli({"download", "--to", done.path(), "--incomplete", partial.path(),
                                "http://dl.test/files/Good%20Song.mp3"});
    QCOMPARE(good.exitCode, 0);
    QVERIFY(good.out.endsWith("/Good Song1.mp3\n")); // the first name is taken now
}

void TestCli::cutFileIsContinued() {
    // As wget -c: a cut run leaves its part, and --continue asks only for the rest.
    QTemporaryDir done, partial;
    const std::string body = TTestServer::SyntheticBody(90000);
    TScriptedResponse cut = TScriptedResponse::Ok(body);
    cut.CutAfter = 70000;
    cut.HonoursRange = true;
    m_server->Serve("dl.test/long.mp3", cut);
    const QStringList arguments{"download", "--to", done.path(), "--incomplete", partial.path(),
                                "--continue", "--retries", "0", "http://dl.test/long.mp3"};
    QCOMPARE(RunCli(arguments).exitCode, 1);
    QCOMPARE(fs::file_size(partial.filePath("long.mp3").toStdString()), uintmax_t(70000));
    const size_t before = m_server->RequestCount();
    const Result resumed = RunCli(arguments);
    QCOMPARE(resumed.exitCode, 0);
    QCOMPARE(m_server->Requests().at(before).Header("Range"), std::string("bytes=70000-"));
    QVERIFY(TFileUtils::ReadWholeFile(done.filePath("long.mp3").toStdString()) == body);
    QVERIFY(!fs::exists(partial.filePath("long.mp3").toStdString()));
}

void TestCli::downloadNamesStayInsideTheFolders() {
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath("a/done"));
    QVERIFY(QDir(root.path()).mkpath("a/partial"));
    m_server->Serve("dl.test/x.mp3", TScriptedResponse::Ok("inside"));
    const Result result = RunCli({"download", "--to", root.path() + "/a/done", "--incomplete",
                                  root.path() + "/a/partial", "--name", "../../escaped", "http://dl.test/x.mp3"});
    QCOMPARE(result.exitCode, 0);
    QVERIFY(!QFile::exists(root.path() + "/escaped"));
    QVERIFY(QFile::exists(root.path() + "/a/done/.._.._escaped"));
}

void TestCli::foldersGivenAreMadeWithTheirParents() {
    QTemporaryDir root;
    m_server->Serve("dl.test/made.mp3", TScriptedResponse::Ok("made"));
    const Result made = RunCli({"download", "--to", root.path() + "/songs/new", "--incomplete",
                                root.path() + "/partial/new", "http://dl.test/made.mp3"});
    QCOMPARE(made.exitCode, 0);
    QVERIFY(QFile::exists(root.path() + "/songs/new/made.mp3"));
    QVERIFY(QFile(root.path() + "/file").open(QIODevice::WriteOnly));
    const Result refused = RunCli({"download", "--to", root.path() + "/file/songs", "--incomplete",
                                   root.path() + "/partial/new", "http://dl.test/made.mp3"});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY(refused.err.contains("cannot make the folder"));
}

void TestCli::oneFileFromWhicheverAddressAnswers() {
    QTemporaryDir done, partial;
    m_server->Serve("one.test/song.mp3", TScriptedResponse::Status(404));
    m_server->Serve("two.test/song.mp3", TScriptedResponse::Status(503));
    m_server->Serve("three.test/song.mp3", TScriptedResponse::Ok("third time"));
    const Result result = RunCli({"download", "--to", done.path(), "--incomplete", partial.path(),
                                  "http://one.test/song.mp3", "--or", "http://two.test/song.mp3", "--or",
                                  "http://three.test/song.mp3"});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, "complete\thttp://one.test/song.mp3\t" + QFile::encodeName(done.path()) + "/song.mp3\n");
    QCOMPARE(TFileUtils::ReadWholeFile(done.path().toStdString() + "/song.mp3"), std::string("third time"));
    QCOMPARE(RunCli({"download", "--or", "http://one.test/song.mp3"}).exitCode, 2);
}

void TestCli::twoProcessesNeverShareAFile() {
    // Two runs start the same name at once; the bodies are held back until both have asked
    // for theirs, so both are under way before either writes its first block.
    QTemporaryDir done, partial;
    const std::string bodies[] = {std::string(60000, '1'), std::string(60000, '2')};
    const auto bothAsked = std::make_shared<TGate>();
    QList<QProcess*> runs;
    for (int i = 0; i < 2; ++i) {
        TScriptedResponse held = TScriptedResponse::Ok(bodies[i]);
        held.Gate = bothAsked;
        held.GateAfter = 0;
        const std::string address = "p" + std::to_string(i) + ".test/song.mp3";
        m_server->Serve(address, held);
        auto* run = new QProcess(this);
        run->start(QStringLiteral(ORVALO_CLI),
                   {"download", "--to", done.path(), "--incomplete", partial.path(),
                    QString::fromStdString("http://" + address)});
        runs << run;
    }
    QVERIFY(bothAsked->WaitForArrivals(2, 60000));
    bothAsked->Open();
    for (QProcess* run : runs) {
        QVERIFY(run->waitForFinished(60000));
        QCOMPARE(run->exitCode(), 0);
        const QList<QByteArray> fields = run->readAllStandardOutput().trimmed().split('\t');
        QCOMPARE(fields.size(), 3);
        const int i = fields[1].contains("p0.test") ? 0 : 1;
        QVERIFY(TFileUtils::ReadWholeFile(fields[2].toStdString()) == bodies[i]);
        delete run;
    }
    QCOMPARE(QDir(done.path()).entryList(QDir::Files).size(), 2);
    QCOMPARE(QDir(partial.path()).entryList(QDir::Files | QDir::Hidden).size(), 0); // moved, not copied
}

void TestCli::downloadsWaitForDescriptorsInsteadOfFailing() {
    // Far more files at once than the process has descriptors for: each one that finds none
    // left waits its turn again while others run, and every file arrives whole.
#ifdef __SANITIZE_ADDRESS__
    // The undefined-behaviour checks open a pipe to read an object's type: with no descriptor
    // left they take every object for a stranger and end the run.
    QSKIP("the sanitizers need the descriptors this test takes away");
#endif
    QTemporaryDir done, partial;
    constexpr int kDescriptors = 40;
    QStringList command{QStringLiteral("ulimit -n %1; done=$1 partial=$2; shift 2; exec \"$0\" download --parallel 50 "
                                       "--retries 0 --to \"$done\" --incomplete \"$partial\" \"$@\"")
                            .arg(kDescriptors)};
    command << QStringLiteral(ORVALO_CLI) << done.path() << partial.path();
    constexpr int kFiles = 60;
    for (int i = 0; i < kFiles; ++i) {
        // Hosts of their own, so that only the descriptors hold them back.
        const std::string address = "fd" + std::to_string(i) + ".test/song.mp3";
        m_server->Serve(address, TScriptedResponse::Ok(TTestServer::SyntheticBody(40000 + i)));
        command << QString::fromStdString("http://" + address);
    }
    QProcess run;
    run.start("/bin/sh", QStringList{"-c"} + command);
    QVERIFY(run.waitForFinished(120000));
    const QByteArray out = run.readAllStandardOutput();
    QVERIFY2(run.exitCode() == 0, (out + run.readAllStandardError()).left(3000).constData());
    QCOMPARE(out.count("complete\t"), kFiles);
    QCOMPARE(int(QDir(done.path()).entryList(QDir::Files).size()), kFiles);

    // So few descriptors that not one transfer can run: nothing could free one, and after a
    // few tries each download gives up instead of waiting for ever.
    QProcess starved;
    starved.start("/bin/sh", QStringList{"-c", "ulimit -n 9; exec \"$0\" download --to \"$1\" --incomplete \"$2\" \"$3\" \"$4\"",
                                         QStringLiteral(ORVALO_CLI), done.path(), partial.path(),
                                         "http://fd0.test/song.mp3", "http://fd1.test/song.mp3"});
    QVERIFY(starved.waitForFinished(120000));
    QCOMPARE(starved.exitCode(), 1);
    QCOMPARE(starved.readAllStandardOutput().count("\ttoo many open files\n"), 2);
}

void TestCli::downloadPastAFileSizeLimitFails() {
    QTemporaryDir done, partial;
    m_server->Serve("dl.test/big.mp3", TScriptedResponse::Ok(TTestServer::SyntheticBody(1 << 20)));
    // The limit is in blocks of 512 bytes (1024 in some shells): far below the body.
    const QString command =
        QStringLiteral("ulimit -f 64; exec \"$0\" download --to \"$1\" --incomplete \"$2\" "
                       "http://dl.test/big.mp3");
    QProcess run;
    run.start("/bin/sh", {"-c", command, QStringLiteral(ORVALO_CLI), done.path(), partial.path()});
    QVERIFY(run.waitForFinished(60000));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 1);
    QCOMPARE(run.readAllStandardOutput(), QByteArray("failed\thttp://dl.test/big.mp3\tfile too large for the disk\n"));
    QVERIFY(QDir(done.path()).isEmpty());
}

void TestCli::foldersGivenAreTheOnlyOnesTouched() {
    // A copy of the program in a folder of its own shows what it makes beside itself.
    QTemporaryDir bin, config, done, partial;
    const QString program = bin.filePath("orvalo-cli");
    QVERIFY(QFile::copy(QStringLiteral(ORVALO_CLI), program));
    m_server->Serve("dl.test/here.mp3", TScriptedResponse::Ok("here"));
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", config.path());
    run.setProcessEnvironment(environment);
    run.start(program, {"download", "--to", done.path(), "--incomplete", partial.path(),
                        "http://dl.test/here.mp3"});
    QVERIFY(run.waitForFinished(60000));
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(QDir(bin.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"orvalo-cli"});
    QVERIFY(QFile::exists(done.filePath("here.mp3")));
}

void TestCli::checkTellsWhatEachFileHolds() {
    QTemporaryDir folder;
    const std::string root = folder.path().toStdString();
    const std::string song = MakeToneMp3({.DurationMs = 70000, .InfoFrame = true});
    QVERIFY(CreateDir(root + "/songs"));
    QVERIFY(TFileUtils::WriteWholeFile(root + "/songs/b.mp3", song));
    QVERIFY(TFileUtils::WriteWholeFile(root + "/songs/a.mp3", song));
    // A name cannot forge a line or a field of the output.
    QVERIFY(TFileUtils::WriteWholeFile(root + "/songs/c\nd\te\x1b.mp3", song));
    Result result = RunCli({"check", folder.path() + "/songs"});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, QByteArray::fromStdString(root + "/songs/a.mp3\tmp3\tMP3, 64 kbps, 1:10\n" + root +
                                                   "/songs/b.mp3\tmp3\tMP3, 64 kbps, 1:10\n" + root +
                                                   "/songs/c d e .mp3\tmp3\tMP3, 64 kbps, 1:10\n"));
    // A folder below that cannot be listed (its path is longer than the system takes) is said.
    std::vector<int> levels{::open((root + "/songs").c_str(), O_DIRECTORY)};
    const std::string level(250, 'x');
    for (int i = 0; i < 20 && levels.back() >= 0; ++i) {
        ::mkdirat(levels.back(), level.c_str(), 0700);
        levels.push_back(::openat(levels.back(), level.c_str(), O_DIRECTORY));
    }
    result = RunCli({"check", folder.path() + "/songs"});
    for (size_t i = levels.size() - 1; i > 0; --i) {
        ::close(levels[i]);
        ::unlinkat(levels[i - 1], level.c_str(), AT_REMOVEDIR);
    }
    ::close(levels.front());
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(result.out.count('\n'), 3);
    QVERIFY2(result.err.startsWith("orvalo-cli: cannot list " + folder.path().toUtf8() + "/songs/xxx"), result.err);
    QVERIFY(TFileUtils::WriteWholeFile(root + "/cut.mp3", song.substr(0, song.size() / 2)));
    QVERIFY(TFileUtils::WriteWholeFile(root + "/page.mp3", "<html><body>gone</body></html>"));
    result = RunCli({"check", folder.path() + "/cut.mp3", folder.path() + "/page.mp3"});
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(result.out, QByteArray::fromStdString(root + "/cut.mp3\tcut\tCut short: 0:35 of 1:10\n" + root +
                                                   "/page.mp3\thtml\tNot an MP3 file: an HTML page\n"));
    result = RunCli({"check", folder.path() + "/songs/a.mp3", folder.path() + "/gone.mp3"});
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.endsWith("/gone.mp3\tunreadable\tCannot read the file\n"));
}

void TestCli::fileNamesFromAddresses_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "http://h.test/a/b/song.mp3" << "song.mp3";
    QTest::newRow("query dropped") << "http://h.test/mp3send/Band - Song.mp3?id=4" << "Band - Song.mp3";
    QTest::newRow("encoded") << "http://h.test/My%20Song.mp3" << "My Song.mp3";
    QTest::newRow("encoded slash") << "http://h.test/a%2F..%2Fb.mp3" << "a_.._b.mp3";
    QTest::newRow("no path") << "http://h.test" << "download";
    QTest::newRow("ends in slash") << "http://h.test/dir/" << "download";
}

void TestCli::fileNamesFromAddresses() {
    QFETCH(QString, url);
    QFETCH(QString, name);
    QCOMPARE(QString::fromStdString(FileNameFromUrl(url.toStdString())), name);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
