#include <sys/stat.h>

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "startup/uIncludes.h"
#include "core/uSearchKeys.h"
#include "core/uTFileUtils.h"

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
    // Runs before the process takes the lock itself in the case after it.
    void lockOfCrashedRunIsTakenOver();
    void secondInstanceIsRefused();
    void executableFolderEndsWithSlash();

private:
    std::string App() const { return m_app->path().toStdString() + "/"; }
    QByteArray SettingsText() const {
        return QByteArray::fromStdString(
            TFileUtils::ReadWholeFile(OpenOrvaloSettings()->fileName().toStdString()));
    }
    int RunProbe(const QStringList& arguments = {}) {
        QProcess probe;
        probe.start(QStringLiteral(INSTANCE_PROBE), arguments);
        if (!probe.waitForFinished(20000))
            return -1;
        return probe.exitCode();
    }
    std::unique_ptr<QTemporaryDir> m_app;
    std::unique_ptr<QTemporaryDir> m_config;
};

void TestStartUp::init() {
    m_app = std::make_unique<QTemporaryDir>();
    m_config = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config->path());
    QVERIFY(CreateDir(App() + "data"));
}

void TestStartUp::cleanup() {
    ShutDown();
}

void TestStartUp::firstRunCreatesAndStoresBothDefaultFolders() {
    StartUp(App());
    QCOMPARE(AppFolder, App());
    QCOMPARE(AppOptions->DownloadDir, App() + "Downloads");
    QCOMPARE(AppOptions->IncompleteDir, App() + "Incomplete");
    QVERIFY(DirectoryExists(App() + "Downloads"));
    QVERIFY(DirectoryExists(App() + "Incomplete"));
    QVERIFY(SearchKeys && EngineList && SearchResultRows && PopularResultRows && DownloadRows);
    QCOMPARE(EngineList->NameValueSeparator(), '*');
    QCOMPARE(DownloadRows->NameValueSeparator(), '*');
    ShutDown();
    QVERIFY(!AppOptions && !SearchKeys && !EngineList && !DownloadRows);
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
    StartUp(App());
    QCOMPARE(AppOptions->DownloadDir, App() + "Downloads");
    QCOMPARE(AppOptions->IncompleteDir, elsewhere.path().toStdString());
    QVERIFY(!DirectoryExists(App() + "Incomplete"));
    ShutDown();
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
    StartUp(App());
    QCOMPARE(AppOptions->DownloadDir, downloads.path().toStdString());
    QCOMPARE(AppOptions->IncompleteDir, incomplete.path().toStdString());
    QVERIFY(AppOptions->ClearDownloadsWhenComplete);
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
    StartUp(App());
    QCOMPARE(AppOptions->DownloadDir, App() + "Downloads");
    QCOMPARE(AppOptions->IncompleteDir, App() + "Incomplete");
    QVERIFY(DirectoryExists(App() + "Incomplete"));
}

void TestStartUp::historyIsLoadedAndSavedAroundTheRun() {
    QVERIFY(TFileUtils::WriteWholeFile(App() + "data/SearchKeys.txt", "newest\r\nolder\r\n"));
    StartUp(App());
    QCOMPARE(SearchKeys->Lines(), (std::vector<std::string>{"newest", "older"}));
    SearchKeys->Insert(0, "latest");
    ShutDown();
    QCOMPARE(TFileUtils::ReadWholeFile(App() + "data/SearchKeys.txt"),
             std::string("latest\r\nnewest\r\nolder\r\n"));
}

void TestStartUp::missingDataFolderStillSavesSettings() {
    QVERIFY(QDir(m_app->path() + "/data").removeRecursively());
    StartUp(App());
    SearchKeys->Add("lost");
    ShutDown();
    QVERIFY(!FileExists(App() + "data/SearchKeys.txt"));
    QVERIFY(!DirectoryExists(App() + "data"));
    QVERIFY(SettingsText().contains("DownloadDir="));
}

void TestStartUp::unusableAppFolderStillStartsAndStops() {
    // Nothing can be created below a plain file: every folder step fails quietly.
    const std::string blocked = App() + "plain-file/";
    QVERIFY(TFileUtils::WriteWholeFile(App() + "plain-file", "x"));
    StartUp(blocked);
    QCOMPARE(AppOptions->DownloadDir, blocked + "Downloads");
    QVERIFY(!DirectoryExists(AppOptions->DownloadDir));
    QCOMPARE(SearchKeys->Count(), 0);
    ShutDown();
    QVERIFY(SettingsText().contains("plain-file/Downloads"));
}

void TestStartUp::secondInstanceIsRefused() {
    QCOMPARE(RunProbe(), 0); // nobody holds the lock yet
    QVERIFY(!IsAlreadyRunning());
    QVERIFY(FileExists(InstanceLockPath()));
    QCOMPARE(RunProbe(), 3);
    QVERIFY(!IsAlreadyRunning()); // the holder asking again is not a second instance
}

void TestStartUp::lockOfCrashedRunIsTakenOver() {
    QProcess holder;
    holder.start(QStringLiteral(INSTANCE_PROBE), {QStringLiteral("hold")});
    QVERIFY(holder.waitForReadyRead(20000));
    QCOMPARE(holder.readAll().trimmed(), QByteArray("held"));
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

QTEST_GUILESS_MAIN(TestStartUp)
#include "tst_startup.moc"
