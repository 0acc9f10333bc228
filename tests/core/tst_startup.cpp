#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/uProgram.h"
#include "core/uTAppOptions.h"
#include "core/uTStringList.h"
#include "startup/uInstanceLock.h"
#include "core/uSearchKeys.h"
#include "core/uTFileUtils.h"
#include "TestServer.h"
#include "livedata/uTLiveUpdate.h"
#include "search/uTMp3Search.h"
#include "startup/uProgramFolders.h"

class TestStartUp : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstRunCreatesAndStoresBothDefaultFolders();
    void missingConfiguredFolderIsReplacedForGood();
    void existingFoldersAreKept();
    void folderSettingWithControlByteFallsBack_data();
    void folderSettingWithControlByteFallsBack();
    void historyIsLoadedAndSavedAroundTheRun();
    void missingDataFolderStillSavesSettings();
    void unusableAppFolderStillStartsAndStops();
    void programFoldersFollowTheExecutableFolder_data();
    void programFoldersFollowTheExecutableFolder();
    void installedCopyKeepsItsFilesInTheUsersFolders();
    // Runs before the process takes the lock itself in the case after it.
    void lockOfCrashedRunIsTakenOver();
    void secondInstanceIsRefused();
    void aLockThatCannotBeOneNeverBlocksTheStart();
    void aLockPlaceOthersCanWriteIsNeverUsed();
    void executableFolderEndsWithSlash();
    void programEndsWithEveryKindOfTransferRunning();

private:
    std::string App() const { return m_app->path().toStdString() + "/"; }
    // The user's home and data folder (XDG_DATA_HOME apart from it, to show it is honoured).
    std::string Home() const { return m_home->path().toStdString(); }
    std::string UserData() const { return Home() + "/xdg-data"; }
    // A copy installed under App() + "prefix": the programs in bin, the engine list in share.
    std::string MakeInstalledLayout(const std::string& engines) const {
        const std::string prefix = App() + "prefix/";
        std::filesystem::create_directories(prefix + "bin");
        std::filesystem::create_directories(prefix + "share/orvalo/data");
        TFileUtils::WriteWholeFile(prefix + "share/orvalo/data/Engines.dat", Scramble(engines));
        return prefix;
    }
    QByteArray SettingsText() const {
        return QByteArray::fromStdString(
            TFileUtils::ReadWholeFile(OpenOrvaloSettings()->fileName().toStdString()));
    }
    int RunProbe(const QStringList& arguments = {},
                 const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
        QProcess probe;
        probe.setProcessEnvironment(environment);
        probe.start(QStringLiteral(INSTANCE_PROBE), arguments);
        if (!probe.waitForFinished(20000))
            return -1;
        return probe.exitCode();
    }
    // Starts a probe that takes the lock and holds it; what it said on standard error once it
    // holds it, nothing when it never did.
    std::optional<QByteArray> Hold(QProcess& holder,
                                   const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
        holder.setProcessEnvironment(environment);
        holder.start(QStringLiteral(INSTANCE_PROBE), {QStringLiteral("hold")});
        if (!holder.waitForReadyRead(20000) || holder.readAllStandardOutput().trimmed() != "held")
            return std::nullopt;
        return holder.readAllStandardError();
    }
    std::unique_ptr<QTemporaryDir> m_app;
    std::unique_ptr<TProgram> m_program;
    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_home;
};

void TestStartUp::init() {
    m_app = std::make_unique<QTemporaryDir>();
    m_config = std::make_unique<QTemporaryDir>();
    m_home = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config->path());
    qputenv("HOME", m_home->path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(UserData()));
    QVERIFY(CreateDir(App() + "data"));
}

void TestStartUp::cleanup() {
    m_program.reset();
}

void TestStartUp::firstRunCreatesAndStoresBothDefaultFolders() {
    m_program = std::make_unique<TProgram>(App());
    QCOMPARE(m_program->AppFolder, App());
    QCOMPARE(m_program->Options->DownloadDir, App() + "Downloads");
    QCOMPARE(m_program->Options->IncompleteDir, App() + "Incomplete");
    QVERIFY(DirectoryExists(App() + "Downloads"));
    QVERIFY(DirectoryExists(App() + "Incomplete"));
    QVERIFY(m_program->SearchKeys && m_program->EngineList);
    m_program.reset();
    const QByteArray settings = SettingsText();
    QVERIFY2(settings.contains(QByteArray::fromStdString("DownloadDir=" + App() + "Downloads")), settings);
    QVERIFY2(settings.contains(QByteArray::fromStdString("IncompleteDir=" + App() + "Incomplete")), settings);
    QVERIFY2(settings.contains("ClearDownloadsWhenComplete=0"), settings);
}

void TestStartUp::missingConfiguredFolderIsReplacedForGood() {
    QTemporaryDir elsewhere;
    const std::string gone = elsewhere.path().toStdString() + "/deleted-between-runs";
    {
        TAppOptions options;
        options.DownloadDir = gone;
        options.IncompleteDir = elsewhere.path().toStdString();
        options.Save();
    }
    m_program = std::make_unique<TProgram>(App());
    QCOMPARE(m_program->Options->DownloadDir, App() + "Downloads");
    QCOMPARE(m_program->Options->IncompleteDir, elsewhere.path().toStdString());
    QVERIFY(!DirectoryExists(App() + "Incomplete"));
    m_program.reset();
    TAppOptions saved;
    saved.Load();
    QCOMPARE(saved.DownloadDir, App() + "Downloads");
    QCOMPARE(saved.IncompleteDir, elsewhere.path().toStdString());
}

void TestStartUp::existingFoldersAreKept() {
    QTemporaryDir downloads, incomplete;
    {
        TAppOptions options;
        options.DownloadDir = downloads.path().toStdString();
        options.IncompleteDir = incomplete.path().toStdString();
        options.ClearDownloadsWhenComplete = true;
        options.Save();
    }
    m_program = std::make_unique<TProgram>(App());
    QCOMPARE(m_program->Options->DownloadDir, downloads.path().toStdString());
    QCOMPARE(m_program->Options->IncompleteDir, incomplete.path().toStdString());
    QVERIFY(m_program->Options->ClearDownloadsWhenComplete);
    QVERIFY(!DirectoryExists(App() + "Downloads"));
    QVERIFY(!DirectoryExists(App() + "Incomplete"));
}

void TestStartUp::folderSettingWithControlByteFallsBack_data() {
    QTest::addColumn<QByteArray>("suffix");
    QTest::newRow("NUL") << QByteArray("\0x", 2);
    QTest::newRow("line break") << QByteArray("\nx");
}

void TestStartUp::folderSettingWithControlByteFallsBack() {
    // With a NUL the system would see the folder only up to it, where a real folder is; the
    // folder with a line break in its name is real too.
    QFETCH(QByteArray, suffix);
    const std::string folder = m_app->path().toStdString() + suffix.toStdString();
    ::mkdir(folder.c_str(), 0755);
    {
        TAppOptions options;
        options.DownloadDir = folder;
        options.IncompleteDir = folder;
        options.Save();
    }
    TAppOptions stored;
    stored.Load();
    QCOMPARE(stored.DownloadDir, folder); // the config file holds the byte
    m_program = std::make_unique<TProgram>(App());
    QCOMPARE(m_program->Options->DownloadDir, App() + "Downloads");
    QCOMPARE(m_program->Options->IncompleteDir, App() + "Incomplete");
    QVERIFY(DirectoryExists(App() + "Incomplete"));
}

void TestStartUp::historyIsLoadedAndSavedAroundTheRun() {
    QVERIFY(TFileUtils::WriteWholeFile(App() + "data/SearchKeys.txt", "newest\r\nolder\r\n"));
    m_program = std::make_unique<TProgram>(App());
    QCOMPARE(m_program->SearchKeys->Lines(), (std::vector<std::string>{"newest", "older"}));
    m_program->SearchKeys->Add("latest");
    m_program.reset();
    QCOMPARE(TFileUtils::ReadWholeFile(App() + "data/SearchKeys.txt"),
             std::string("latest\r\nnewest\r\nolder\r\n"));
}

void TestStartUp::missingDataFolderStillSavesSettings() {
    QVERIFY(QDir(m_app->path() + "/data").removeRecursively());
    m_program = std::make_unique<TProgram>(App());
    m_program->SearchKeys->Add("lost");
    m_program.reset();
    QVERIFY(!FileExists(App() + "data/SearchKeys.txt"));
    QVERIFY(!DirectoryExists(App() + "data"));
    QVERIFY(SettingsText().contains("DownloadDir="));
}

void TestStartUp::unusableAppFolderStillStartsAndStops() {
    // Nothing can be created below a plain file, neither beside the program nor in the user's
    // folders: every folder step fails quietly and the start names all three folders.
    const std::string blocked = App() + "plain-file/";
    QVERIFY(TFileUtils::WriteWholeFile(App() + "plain-file", "x"));
    qputenv("HOME", QByteArray::fromStdString(blocked + "home"));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(blocked + "data"));
    m_program = std::make_unique<TProgram>(blocked);
    QCOMPARE(m_program->Options->DownloadDir, blocked + "home/Music/Orvalo");
    QVERIFY(!DirectoryExists(m_program->Options->DownloadDir));
    QCOMPARE(m_program->UnwritableFolders(),
             (std::vector<std::string>{blocked + "data/Orvalo/data/", m_program->Options->DownloadDir,
                                       m_program->Options->IncompleteDir}));
    QCOMPARE(m_program->SearchKeys->Count(), 0);
    m_program.reset();
    QVERIFY(SettingsText().contains("plain-file/home/Music/Orvalo"));
}

void TestStartUp::programFoldersFollowTheExecutableFolder_data() {
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("installedLayout");
    QTest::addColumn<bool>("portable");
    QTest::newRow("writable folder") << false << false << true;
    QTest::newRow("read-only folder") << true << false << false;
    QTest::newRow("writable bin of an installed layout") << false << true << false;
}

void TestStartUp::programFoldersFollowTheExecutableFolder() {
    QFETCH(bool, readOnly);
    QFETCH(bool, installedLayout);
    QFETCH(bool, portable);
    const std::string prefix = installedLayout ? MakeInstalledLayout("") : App() + "prefix/";
    const std::string bin = prefix + "bin/";
    std::filesystem::create_directories(bin);
    // Root writes anyway: the folder's write bits go, and for root the answer is given.
    TFolderWritable writable = FolderIsWritable;
    if (readOnly && ::geteuid() == 0)
        writable = [](const std::string&) { return false; };
    if (readOnly)
        QCOMPARE(::chmod(bin.c_str(), 0555), 0);
    const TProgramFolders folders = ChooseProgramFolders(bin, writable);
    ::chmod(bin.c_str(), 0755);
    QCOMPARE(folders.Portable, portable);
    if (portable) {
        QCOMPARE(folders.DataFolder, bin + "data/");
        QCOMPARE(folders.EngineListPath(), bin + "data/Engines.dat");
        QCOMPARE(folders.DownloadDir, bin + "Downloads");
        QCOMPARE(folders.IncompleteDir, bin + "Incomplete");
    } else {
        QCOMPARE(folders.DataFolder, UserData() + "/Orvalo/data/");
        QCOMPARE(folders.EngineListPath(), prefix + "share/orvalo/data/Engines.dat");
        QCOMPARE(folders.DownloadDir, Home() + "/Music/Orvalo");
        QCOMPARE(folders.IncompleteDir, UserData() + "/Orvalo/Incomplete");
    }
}

void TestStartUp::installedCopyKeepsItsFilesInTheUsersFolders() {
    // A home without a music folder; the shipped list has two engines, the user's own one.
    const std::string prefix =
        MakeInstalledLayout("A*a*http://muzz.test/?q=*\r\nB*b*http://mp3search.test/?q=*\r\n");
    m_program = std::make_unique<TProgram>(prefix + "bin");
    QCOMPARE(m_program->AppFolder, prefix + "bin/");
    QCOMPARE(m_program->DataFolder, UserData() + "/Orvalo/data/");
    QVERIFY(DirectoryExists(m_program->DataFolder));
    QCOMPARE(m_program->Options->DownloadDir, Home() + "/Music/Orvalo");
    QCOMPARE(m_program->Options->IncompleteDir, UserData() + "/Orvalo/Incomplete");
    QVERIFY(DirectoryExists(m_program->Options->DownloadDir) && DirectoryExists(m_program->Options->IncompleteDir));
    QVERIFY(m_program->UnwritableFolders().empty());
    QCOMPARE(m_program->EngineList->Count(), 2);
    m_program->SearchKeys->Add("kept");
    const std::string data = m_program->DataFolder;
    m_program.reset();
    QVERIFY(FileExists(data + "SearchKeys.txt"));
    QVERIFY(!DirectoryExists(prefix + "bin/data") && !DirectoryExists(prefix + "bin/Downloads"));

    QVERIFY(TFileUtils::WriteWholeFile(data + "Engines.dat",
                                       Scramble("Own*own*http://muzz.test/?q=*\r\n")));
    m_program = std::make_unique<TProgram>(prefix + "bin");
    QCOMPARE(m_program->EngineList->Count(), 1);
}

void TestStartUp::secondInstanceIsRefused() {
    QCOMPARE(RunProbe(), 0); // nobody holds the lock yet
    QVERIFY(!IsAlreadyRunning());
    QVERIFY(FileExists(InstanceLockPath()));
    QCOMPARE(RunProbe(), 3);
    QVERIFY(!IsAlreadyRunning()); // the holder asking again is not a second instance
}

void TestStartUp::aLockThatCannotBeOneNeverBlocksTheStart() {
    // In the probes' own runtime folder, a folder where the lock would be.
    QTemporaryDir runtime;
    QVERIFY(QDir(runtime.path()).mkdir(QStringLiteral("Orvalo.lock")));
    QTemporaryDir temp; // where the next place is made
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.insert(QStringLiteral("TMPDIR"), temp.path());
    QProcess holder;
    QVERIFY(Hold(holder, environment).value_or("").contains("Orvalo.lock: it is a folder")); // it started
    // A second start still finds the first: the lock went elsewhere.
    QCOMPARE(RunProbe({}, environment), 3);
    holder.kill();
    QVERIFY(holder.waitForFinished(20000));
}

void TestStartUp::aLockPlaceOthersCanWriteIsNeverUsed() {
    // Without a runtime folder the lock goes to a folder of our own in the shared temporary
    // folder. One planted there that others can write into, holding a lock that names a live
    // process, is passed over: nobody else can stop the program from starting.
    QTemporaryDir temp;
    const QString planted = temp.filePath("orvalo-" + QString::number(::getuid()));
    QVERIFY(QDir().mkdir(planted));
    QVERIFY(::chmod(QFile::encodeName(planted).constData(), 0777) == 0);
    QVERIFY(TFileUtils::WriteWholeFile(QFile::encodeName(planted).toStdString() + "/Orvalo.lock",
                                       std::to_string(QCoreApplication::applicationPid()) + "\n" +
                                           QCoreApplication::applicationName().toStdString() + "\n\n"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.insert(QStringLiteral("TMPDIR"), temp.path());
    QProcess holder;
    QVERIFY(Hold(holder, environment).value_or("").contains("others can write into it"));
    QVERIFY(QFileInfo::exists(planted + "-2/Orvalo.lock"));
    QCOMPARE(QFileInfo(planted + "-2").permissions() & (QFileDevice::WriteGroup | QFileDevice::WriteOther),
             QFileDevice::Permissions());
    QCOMPARE(RunProbe({}, environment), 3);
    holder.kill();
    QVERIFY(holder.waitForFinished(20000));
}

void TestStartUp::lockOfCrashedRunIsTakenOver() {
    QProcess holder;
    QVERIFY(Hold(holder));
    QCOMPARE(RunProbe(), 3);
    holder.kill(); // SIGKILL: no chance to remove the lock file
    QVERIFY(holder.waitForFinished(20000));
    QVERIFY(FileExists(InstanceLockPath()));
    QCOMPARE(RunProbe(), 0);
}

void TestStartUp::executableFolderEndsWithSlash() {
    const std::string folder = ExecutableFolder();
    QVERIFY(!folder.empty());
    QCOMPARE(folder.back(), '/');
    QVERIFY(FileExists(folder + QCoreApplication::applicationName().toStdString()));
}

void TestStartUp::programEndsWithEveryKindOfTransferRunning() {
    // A search page, a link check, a live-data file and a download, each held by a server that
    // never answers: the program's end ends them all and joins every lane of its engine.
    TTestServer server;
    server.UseAsProxy();
    TScriptedResponse silent;
    silent.StallBeforeAnswer = true;
    for (const char* address : {"www.muzz.test/s?q=x", "check.test/a.mp3", "live.test/a.txt", "dl.test/a.mp3"})
        server.Serve(address, silent);
    QVERIFY(TFileUtils::WriteWholeFile(App() + "data/Engines.dat", Scramble("Muzz*m*http://www.muzz.test/s?q=*\r\n")));
    const auto lanes = [] {
        int named = 0;
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
            std::string name;
            std::getline(std::ifstream(task.path() / "comm"), name);
            named += name == TTransferEngine::kLaneThreadName;
        }
        return named;
    };
    const int before = lanes();
    m_program = std::make_unique<TProgram>(App());
    m_program->Engines->Search("x");
    m_program->Engines->StartNext();
    m_program->Checks->Add("http://check.test/a.mp3");
    m_program->Checks->TimerTick();
    m_program->Downloads->Download(TDownloadRequest::ForLink("http://dl.test/a.mp3", "a.mp3"));
    {
        TLiveUpdate live(*m_program->Transfers); // the window's, which goes before the program
        live.Fetch("a", "http://live.test/a.txt");
        QVERIFY(server.WaitForRequests(4, 60000));
        QVERIFY(lanes() > before);
    }
    m_program.reset();
    QCOMPARE(lanes(), before);
}

QTEST_GUILESS_MAIN(TestStartUp)
#include "tst_startup.moc"
