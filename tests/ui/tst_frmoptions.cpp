#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#include "core/uSearchKeys.h"
#include "core/uTFileUtils.h"
#include "download/uTDownloadManager.h"
#include "playlist/uTPlayListManager.h"
#include "app/uProgram.h"
#include "ui/pages/uApplication.h"
#include "ui/widgets/uFrmBrowseDirectory.h"
#include "ui/pages/uFrmOptions.h"
#include "ui/widgets/uSearchKeysBox.h"
#include "UiFixture.h"


class TestFrmOptions : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void cancelAfterBrowsingChangesNothing();
    void clearLastSearchesActsAtOnce();
    void clearIncompleteEmptiesTheFolderInEffect();
    void foldersHoldingTheUsersFilesAreNeverCleared_data();
    void foldersHoldingTheUsersFilesAreNeverCleared();
    void okSavesHandsOverAndRefreshes();
    void browseCreatesAMissingStartFolder();

private:
    std::string Folder(const char* name) const { return m_app->path().toStdString() + "/" + name; }
    std::string SettingsFile() const { return m_config->path().toStdString() + "/Orvalo/Orvalo.conf"; }
    std::unique_ptr<QTemporaryDir> m_app;
    std::unique_ptr<TProgram> m_program;
    std::unique_ptr<QTemporaryDir> m_config;
    TServices Services() { return m_program->Services(m_prompts); }
    TTestPrompts m_prompts;
    int m_refreshed = 0;
};

void TestFrmOptions::init() {
    m_app = std::make_unique<QTemporaryDir>();
    m_config = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config->path());
    QVERIFY(CreateDir(Folder("data")));
    m_program = std::make_unique<TProgram>(m_app->path().toStdString());
    m_prompts = TTestPrompts();
    m_refreshed = 0;
}

void TestFrmOptions::cleanup() {
    m_program.reset();
}

void TestFrmOptions::cancelAfterBrowsingChangesNothing() {
    const std::string before = m_program->Options->DownloadDir;
    QVERIFY(CreateDir(Folder("elsewhere")));
    TfrmOptions options(nullptr, Services(), [this] { ++m_refreshed; });
    m_prompts.Folder = Folder("elsewhere");
    options.cmdBrowseDownloadDirectory->click();
    QCOMPARE(options.txtDownloadDirectory->text().toStdString(), Folder("elsewhere"));
    options.chkClearDownloadsWhenComplete->click();
    options.cmdCancel->click();
    QCOMPARE(m_program->Options->DownloadDir, before);
    QVERIFY(!m_program->Options->ClearDownloadsWhenComplete);
    QCOMPARE(m_program->Downloads->DownloadFolder(), before);
    QCOMPARE(m_program->PlayList->Folder(), before + "/");
    QVERIFY(!FileExists(SettingsFile()));
    QCOMPARE(m_refreshed, 0);
}

void TestFrmOptions::clearLastSearchesActsAtOnce() {
    // The search page's box follows the history: emptied, it shows the prompt.
    TSearchKeysBox box(*m_program->SearchKeys);
    m_program->SearchKeys->Add("blue harbour");
    box.setEditText(QStringLiteral("blue harbour"));
    QVERIFY(SaveSearchKeys(*m_program->SearchKeys, SearchKeysPath(m_program->DataFolder)));
    TfrmOptions options(nullptr, Services(), {});
    options.cmdClearLastSearches->click();
    options.cmdCancel->click();
    QCOMPARE(m_program->SearchKeys->Count(), 0);
    QCOMPARE(box.count(), 0);
    QCOMPARE(box.currentText(), QString());
    QCOMPARE(box.lineEdit()->placeholderText(), QString::fromLatin1(kSearchPrompt));
    QVERIFY(!FileExists(SearchKeysPath(m_program->DataFolder)));
}

void TestFrmOptions::clearIncompleteEmptiesTheFolderInEffect() {
    const std::string inEffect = m_program->Options->IncompleteDir;
    QVERIFY(TFileUtils::WriteWholeFile(inEffect + "/part.mp3", "x"));
    // A download still running keeps the file it writes, named here under another spelling.
    QVERIFY(TFileUtils::WriteWholeFile(inEffect + "/running.mp3", "x"));
    auto running = std::make_unique<TDownload>("http://a.test/r.mp3", "running.mp3", 10);
    running->FilePath = inEffect + "/./running.mp3";
    running->OwnsFile = true;
    m_program->Downloads->Keep(std::move(running));
    // So does the part a failed download continues at its restart.
    QVERIFY(TFileUtils::WriteWholeFile(inEffect + "/cut.mp3", "x"));
    auto cut = std::make_unique<TDownload>("http://a.test/c.mp3", "cut.mp3", 10);
    cut->FilePath = inEffect + "/cut.mp3";
    cut->OwnsFile = true;
    cut->Failed = true;
    cut->Received = 1;
    m_program->Downloads->Keep(std::move(cut));
    QVERIFY(CreateDir(Folder("picked")));
    QVERIFY(TFileUtils::WriteWholeFile(Folder("picked") + "/keep.mp3", "x"));
    TfrmOptions options(nullptr, Services(), {});
    m_prompts.Folder = Folder("picked");
    options.cmdBrowseIncompleteDirectory->click();
    // Asked first, naming the folder and what goes; No by default, and No keeps everything.
    options.cmdClearIncompleteDir->click();
    QCOMPARE(m_prompts.Asked.last(), QString::fromStdString("Delete 1 file in " + inEffect + "?"));
    QCOMPARE(m_prompts.NoByDefault.last(), true);
    QVERIFY(FileExists(inEffect + "/part.mp3"));
    m_prompts.Answer = true;
    options.cmdClearIncompleteDir->click();
    QVERIFY(!FileExists(inEffect + "/part.mp3"));
    QVERIFY(FileExists(inEffect + "/running.mp3"));
    QVERIFY(FileExists(inEffect + "/cut.mp3"));
    QVERIFY(FileExists(Folder("picked") + "/keep.mp3"));
}

void TestFrmOptions::foldersHoldingTheUsersFilesAreNeverCleared_data() {
    QTest::addColumn<QString>("incomplete"); // "home", or below the download folder
    QTest::addColumn<QString>("why");
    QTest::newRow("the download folder, spelt otherwise") << "/." << "is also the download folder";
    QTest::newRow("a folder holding it") << "/.." << "holds the download folder";
    QTest::newRow("the home folder") << "home" << "is your home folder";
}

void TestFrmOptions::foldersHoldingTheUsersFilesAreNeverCleared() {
    QFETCH(QString, incomplete);
    QFETCH(QString, why);
    const QTemporaryDir homeFolder;
    const std::string home = homeFolder.path().toStdString();
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(home));
    const auto restore = qScopeGuard([&] { qputenv("HOME", oldHome); });
    m_program->Options->IncompleteDir = incomplete == "home" ? home : m_program->Options->DownloadDir + incomplete.toStdString();
    QVERIFY(TFileUtils::WriteWholeFile(m_program->Options->IncompleteDir + "/mine.mp3", "song"));
    m_prompts.Answer = true;
    TfrmOptions options(nullptr, Services(), {});
    options.cmdClearIncompleteDir->click();
    QCOMPARE(m_prompts.Icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
    QVERIFY2(m_prompts.Told.last().contains(why), qPrintable(m_prompts.Told.last()));
    QVERIFY(m_prompts.Asked.isEmpty());
    QVERIFY(FileExists(m_program->Options->IncompleteDir + "/mine.mp3"));
}

void TestFrmOptions::okSavesHandsOverAndRefreshes() {
    {
        TfrmOptions unchanged(nullptr, Services(), [this] { ++m_refreshed; });
        unchanged.cmdOK->click();
    }
    QVERIFY(FileExists(SettingsFile()));
    QCOMPARE(m_refreshed, 1);

    QVERIFY(CreateDir(Folder("songs")));
    TfrmOptions options(nullptr, Services(), [this] { ++m_refreshed; });
    m_prompts.Folder = Folder("songs");
    options.cmdBrowseDownloadDirectory->click();
    options.chkClearDownloadsWhenComplete->click();
    options.cmdOK->click();
    QCOMPARE(m_program->Options->DownloadDir, Folder("songs"));
    QVERIFY(m_program->Options->ClearDownloadsWhenComplete);
    QCOMPARE(m_program->Downloads->DownloadFolder(), Folder("songs"));
    QCOMPARE(m_refreshed, 2);
    TAppOptions saved;
    saved.Load();
    QCOMPARE(saved.DownloadDir, Folder("songs"));
}

void TestFrmOptions::browseCreatesAMissingStartFolder() {
    TfrmBrowseDirectory browse;
    browse.StartFolder = Folder("new music");
    browse.show();
    QVERIFY(DirectoryExists(Folder("new music")));
    QCOMPARE(browse.CurrentFolder(), Folder("new music"));
    browse.cmdOK->click();
    QVERIFY(browse.Accepted);
}

int main(int argc, char** argv) {
    TOrvaloApplication app(argc, argv);
    TestFrmOptions test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_frmoptions.moc"
