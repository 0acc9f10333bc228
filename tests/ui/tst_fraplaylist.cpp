#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QLayout>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <sys/stat.h>

#include "ScratchDisk.h"
#include "UiFixture.h"
#include "uToneMaker.h"
#include "playlist/uTPlayListManager.h"
#include "ui/pages/uApplication.h"
#include "ui/pages/uFraPlayList.h"
#include "ui/models/uPlayListModel.h"
#include "ui/widgets/uPlayerBar.h"
#include "ui/widgets/uPlayerPanel.h"
#include "ui/look/uSystemIcons.h"

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Opened;
public slots:
    void open(const QUrl& url) { Opened << url; }
};

class TestFraPlayList : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listsPlainFilesOnly();
    void missingFolderListsNothing();
    void theListFollowsItsFolder();
    void sortByColumnClicks_data();
    void sortByColumnClicks();
    void refreshKeepsTheUsersSort();
    void placedFilesAppendOnce();
    void playSelectedLoadsThePath();
    void clearAndFullScreen();
    void deleteSelected_data();
    void deleteSelected();
    void renameSelected_data();
    void renameSelected();
    void sizePlayerToggles();
    void launchAndLocateOpenInShell();
    void popupMenuCarriesThePagesActions();
    void deleteAsksOnceAndTrashesEverySelectedFile();
    void deleteWithoutATrashAsksBeforeDeletingForGood();
    void theListPlaysOnFromFileToFile();
    void tagsFillInAndNameWhatPlays();

private:
    void MakeFile(const QString& name, int size);
    // A download was placed in the folder as `name` (bytes): the library lists it.
    void Place(const std::string& name, int64_t size) {
        m_program->PlayList->Place(m_folder.toStdString() + "/" + name, size);
        m_page->Model().Flush();
    }
    // The names in the order the list shows them.
    // Shows the page with its list made from the folder.
    void ShowPage() {
        m_page->InitPage(GetSystemImageList(false));
        QTRY_VERIFY(!m_program->PlayList->Listing());
    }
    QStringList Names() const { return ShownColumn(*m_page->lvwPlayList, TPlayListModel::ColName); }
    // The model's row of `name`.
    int RowOf(const QString& name) const;
    void Select(const QString& name) { SelectRows(*m_page->lvwPlayList, {RowOf(name)}); }
    QStringList FolderFiles() const;
    QString FilePath(const QString& name) const { return m_folder + QLatin1Char('/') + name; }

    std::unique_ptr<TTestProgram> m_program;
    QString m_folder;
    std::unique_ptr<TfraPlayList> m_page;
    TFakePlayer* m_player = nullptr;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

void TestFraPlayList::init() {
    m_program = std::make_unique<TTestProgram>();
    m_folder = QString::fromStdString(m_program->Options->DownloadDir);
    auto player = std::make_unique<TFakePlayer>();
    m_player = player.get();
    m_page = std::make_unique<TfraPlayList>(m_program->Services(), std::move(player));
    m_tester = std::make_unique<QAbstractItemModelTester>(
        &m_page->Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    m_page->resize(632, 381);
}

void TestFraPlayList::cleanup() {
    m_tester.reset();
    m_page.reset();
    m_program.reset();
}

void TestFraPlayList::MakeFile(const QString& name, int size) {
    QFile file(FilePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(size, 'x'));
}

int TestFraPlayList::RowOf(const QString& name) const {
    const TPlayListModel& model = m_page->Model();
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.index(row, TPlayListModel::ColName).data().toString() == name)
            return row;
    }
    return -1;
}

QStringList TestFraPlayList::FolderFiles() const {
    QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names;
}

void TestFraPlayList::theListFollowsItsFolder() {
    MakeFile(QStringLiteral("kept.mp3"), 5);
    MakeFile(QStringLiteral("old name.mp3"), 6);
    MakeFile(QStringLiteral("gone.mp3"), 7);
    ShowPage();
    SelectRows(*m_page->lvwPlayList, {RowOf(QStringLiteral("kept.mp3"))});
    // Changed by someone else: a file copied in, one renamed, one removed, one grown.
    MakeFile(QStringLiteral("new.mp3"), 8);
    QVERIFY(QFile::rename(FilePath(QStringLiteral("old name.mp3")), FilePath(QStringLiteral("new name.mp3"))));
    QVERIFY(QFile::remove(FilePath(QStringLiteral("gone.mp3"))));
    MakeFile(QStringLiteral("kept.mp3"), 50);
    const auto sorted = [this] {
        QStringList names = Names();
        names.sort();
        return names;
    };
    QTRY_COMPARE(sorted(), (QStringList{"kept.mp3", "new name.mp3", "new.mp3"}));
    const int kept = RowOf(QStringLiteral("kept.mp3"));
    QCOMPARE(m_page->Model().index(kept, TPlayListModel::ColSize).data().toString(), QStringLiteral("50"));
    // The row that stayed keeps its selection.
    QCOMPARE(m_page->lvwPlayList->SelectedRows(), std::vector<int>{kept});
}

void TestFraPlayList::listsPlainFilesOnly() {
    MakeFile(QStringLiteral("song.mp3"), 1234);
    MakeFile(QStringLiteral(".hidden.mp3"), 7);
    QVERIFY(QDir(m_folder).mkdir(QStringLiteral("subfolder")));
    QVERIFY(QFile::link(FilePath(QStringLiteral("subfolder")), FilePath(QStringLiteral("dirlink"))));
    // A pipe is no song: playing it could wait for ever.
    QCOMPARE(::mkfifo(QFile::encodeName(FilePath(QStringLiteral("pipe.mp3"))).constData(), 0600), 0);
    ShowPage();
    QCOMPARE(Names(), (QStringList{".hidden.mp3", "song.mp3"})); // by name after a refresh
    const TPlayListModel& model = m_page->Model();
    const int row = RowOf(QStringLiteral("song.mp3"));
    QCOMPARE(model.index(row, TPlayListModel::ColSize).data().toString(), QStringLiteral("1234"));
    QCOMPARE(model.index(row, TPlayListModel::ColSize).data(RawValueRole).toLongLong(), 1234);
    QVERIFY(!model.index(row, TPlayListModel::ColType)
                 .data(Qt::DecorationRole)
                 .value<QIcon>()
                 .isNull());
    QVERIFY(!model.index(row, TPlayListModel::ColType)
                 .data(Qt::AccessibleTextRole)
                 .toString()
                 .isEmpty());
    QVERIFY(model.index(row, TPlayListModel::ColType).data(Qt::DisplayRole).isNull());
}

void TestFraPlayList::missingFolderListsNothing() {
    // An empty list says it is being listed until the listing comes, then that it is empty.
    const auto says = [this](const QString& start) { return m_page->lvwPlayList->accessibleDescription().startsWith(start); };
    m_page->InitPage(GetSystemImageList(false));
    QVERIFY(says(QStringLiteral("Listing the songs in ")));
    QTRY_VERIFY(!m_program->PlayList->Listing());
    QVERIFY(says(QStringLiteral("No songs yet")));
    MakeFile(QStringLiteral("song.mp3"), 10);
    m_page->actRefresh->trigger();
    QTRY_VERIFY(!m_program->PlayList->Listing());
    QCOMPARE(m_page->Model().rowCount(), 1);
    m_program->Options->DownloadDir = FilePath(QStringLiteral("gone")).toStdString();
    m_page->actRefresh->trigger();
    QTRY_VERIFY(!m_program->PlayList->Listing());
    QCOMPARE(m_page->Model().rowCount(), 0);
    QVERIFY(says(QStringLiteral("No songs yet")));
}

void TestFraPlayList::sortByColumnClicks_data() {
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("size ascending is numeric")
        << QList<int>{2} << QStringList{"C.mp3", "a.wav", "b.mp3"};
    QTest::newRow("size twice reverses")
        << QList<int>{2, 2} << QStringList{"b.mp3", "a.wav", "C.mp3"};
    QTest::newRow("name folds case") << QList<int>{1} << QStringList{"a.wav", "b.mp3", "C.mp3"};
    QTest::newRow("name twice reverses")
        << QList<int>{1, 1} << QStringList{"C.mp3", "b.mp3", "a.wav"};
    QTest::newRow("another column sorts ascending")
        << QList<int>{1, 1, 2} << QStringList{"C.mp3", "a.wav", "b.mp3"};
}

void TestFraPlayList::sortByColumnClicks() {
    QFETCH(QList<int>, clicks);
    QFETCH(QStringList, order);
    Place("b.mp3", 100);
    Place("C.mp3", 5);
    Place("a.wav", 90);
    for (int column : clicks)
        emit m_page->lvwPlayList->header()->sectionClicked(column);
    QCOMPARE(Names(), order);
}

void TestFraPlayList::refreshKeepsTheUsersSort() {
    MakeFile(QStringLiteral("b.mp3"), 1);
    MakeFile(QStringLiteral("a.mp3"), 3);
    ShowPage();
    QCOMPARE(Names(), (QStringList{"a.mp3", "b.mp3"})); // by name at first
    emit m_page->lvwPlayList->header()->sectionClicked(TPlayListModel::ColSize);
    MakeFile(QStringLiteral("c.mp3"), 2);
    m_page->actRefresh->trigger();
    QTRY_VERIFY(!m_program->PlayList->Listing());
    QCOMPARE(Names(), (QStringList{"b.mp3", "c.mp3", "a.mp3"}));
}

void TestFraPlayList::placedFilesAppendOnce() {
    ShowPage();
    Place("first.mp3", 3);
    Place("first.mp3", 3); // a file listed already
    Place("caf\xe9.mp3", 4000000000LL);
    QCOMPARE(Names(), (QStringList{"first.mp3", QStringLiteral("caf\u00e9.mp3")}));
    QCOMPARE(m_page->Model().index(1, TPlayListModel::ColSize).data().toString(),
             QStringLiteral("4000000000"));
    QCOMPARE(m_page->Model().File(1).FileName, std::string("caf\xe9.mp3"));
}

void TestFraPlayList::playSelectedLoadsThePath() {
    Place("one.mp3", 1);
    QAction* play = m_page->actPlayFile;
    QVERIFY(!play->isEnabled()); // nothing selected: nothing to play
    play->trigger();
    m_page->actPlayFile->trigger();
    QVERIFY(m_player->Loads.empty());
    Select(QStringLiteral("one.mp3"));
    QVERIFY(play->isEnabled());
    play->trigger();
    const std::string path = m_folder.toStdString() + "/one.mp3";
    QCOMPARE(m_player->Loads, (std::vector<std::string>{"", path}));
    QCOMPARE(m_page->pnlPlayer->lblFileName->text(), QStringLiteral("one.mp3"));
    m_page->PlayMedia("/elsewhere/partial/two.mp3");
    QCOMPARE(m_player->Loads.back(), std::string("/elsewhere/partial/two.mp3"));
    QCOMPARE(m_page->pnlPlayer->lblFileName->text(), QStringLiteral("two.mp3"));
}

void TestFraPlayList::clearAndFullScreen() {
    TPlayerPanel& player = *m_page->pnlPlayer;
    QCOMPARE(player.lblFileName->text(), QStringLiteral("No media loaded"));
    QVERIFY(player.cmdFullScreen->isHidden()); // no picture to show on the whole screen
    player.cmdFullScreen->click(); // nothing loaded: no message
    QCOMPARE(m_player->FullScreenRequests, 1);
    m_page->PlayMedia("/music/x.mp3");
    player.cmdClearPlayer->click();
    QCOMPARE(m_player->Loads.back(), std::string());
    QCOMPARE(player.lblFileName->text(), QStringLiteral("No media loaded"));
    QVERIFY(m_program->Prompts.Told.isEmpty());
}

void TestFraPlayList::deleteSelected_data() {
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("goneBefore");
    QTest::addColumn<bool>("rowStays");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("warning");
    QTest::newRow("No keeps all") << false << false << true << QStringList{"keep.mp3", "victim.mp3"} << QString();
    QTest::newRow("Yes deletes") << true << false << false << QStringList{"keep.mp3"} << QString();
    QTest::newRow("failure warns") << true << true << true << QStringList{"keep.mp3"}
                                   << QStringLiteral("Unable to delete\nvictim.mp3");
}

void TestFraPlayList::deleteSelected() {
    QFETCH(bool, answer);
    QFETCH(bool, goneBefore);
    QFETCH(bool, rowStays);
    QFETCH(QStringList, files);
    QFETCH(QString, warning);
    MakeFile(QStringLiteral("keep.mp3"), 1);
    MakeFile(QStringLiteral("victim.mp3"), 2);
    ShowPage();
    Select(QStringLiteral("victim.mp3"));
    if (goneBefore)
        QVERIFY(QFile::remove(FilePath(QStringLiteral("victim.mp3"))));
    TTestPrompts& prompts = m_program->Prompts;
    prompts.Answer = answer;
    m_page->actDeleteFile->trigger();
    QCOMPARE(prompts.Asked, QStringList{"Move this file to the trash?\nvictim.mp3"});
    QCOMPARE(prompts.Told, warning.isEmpty() ? QStringList() : QStringList{warning});
    if (!warning.isEmpty())
        QCOMPARE(prompts.Icons.first(), QMessageBox::Warning);
    QCOMPARE(Names().contains(QStringLiteral("victim.mp3")), rowStays);
    QCOMPARE(FolderFiles(), files);
}

void TestFraPlayList::renameSelected_data() {
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QStringList>("files");
    const QStringList untouched{"old.mp3", "other.mp3"};
    QTest::newRow("cancel keeps the name") << true << QString() << false << untouched;
    QTest::newRow("unchanged") << false << QStringLiteral("old.mp3") << false << untouched;
    QTest::newRow("new name") << false << QStringLiteral("new.mp3") << false
                              << QStringList{"new.mp3", "other.mp3"};
    QTest::newRow("taken name never replaces")
        << false << QStringLiteral("other.mp3") << true << untouched;
    QTest::newRow("separator") << false << QStringLiteral("../out.mp3") << true << untouched;
    QTest::newRow("empty") << false << QString() << true << untouched;
    QTest::newRow("dot") << false << QStringLiteral(".") << true << untouched;
    QTest::newRow("dot dot") << false << QStringLiteral("..") << true << untouched;
    QTest::newRow("too long") << false << QString(300, QLatin1Char('n')) << true << untouched;
}

void TestFraPlayList::renameSelected() {
    QFETCH(bool, cancel);
    QFETCH(QString, typed);
    QFETCH(bool, refused);
    QFETCH(QStringList, files);
    MakeFile(QStringLiteral("old.mp3"), 11);
    MakeFile(QStringLiteral("other.mp3"), 22);
    ShowPage();
    Select(QStringLiteral("old.mp3"));
    const int row = RowOf(QStringLiteral("old.mp3"));
    TTestPrompts& prompts = m_program->Prompts;
    prompts.Text = cancel ? std::nullopt : std::optional<QString>(typed);
    m_page->actRenameFile->trigger();

    QCOMPARE(prompts.Asked, QStringList{"Rename File: Enter the new name for the file. [old.mp3]"});
    QCOMPARE(prompts.Told, refused ? QStringList{"Unable to rename the file."} : QStringList());
    QCOMPARE(FolderFiles(), files);
    QCOMPARE(QFileInfo(FilePath(QStringLiteral("other.mp3"))).size(), 22);
    const QString shown = files.first() == QStringLiteral("new.mp3") ? QStringLiteral("new.mp3")
                                                                     : QStringLiteral("old.mp3");
    QCOMPARE(m_page->Model().index(row, TPlayListModel::ColName).data().toString(), shown);
    QCOMPARE(m_page->Model().index(row, TPlayListModel::ColSize).data().toString(),
             QStringLiteral("11"));
}

void TestFraPlayList::sizePlayerToggles() {
    ShowPage();
    m_page->show();
    TPlayerPanel& player = *m_page->pnlPlayer;
    QCOMPARE(player.height(), TPlayerPanel::kLow);
    player.cmdSizePlayer->click();
    QTRY_COMPARE(player.height(), TPlayerPanel::kHigh);
    QCOMPARE(player.cmdSizePlayer->property("glyph").toString(), QStringLiteral("collapse"));
    // A song has no picture: no picture area, black or otherwise.
    QVERIFY(!player.pnlMediaPlayer->layout()->itemAt(0)->widget()->isVisible());
    player.cmdSizePlayer->click();
    QTRY_COMPARE(player.height(), TPlayerPanel::kLow);
    QCOMPARE(player.cmdSizePlayer->property("glyph").toString(), QStringLiteral("expand"));
    // The player stays centred.
    const QRect media = player.pnlMediaPlayer->geometry();
    QVERIFY(qAbs(media.left() - (player.width() - media.right() - 1)) <= 1);
}

void TestFraPlayList::launchAndLocateOpenInShell() {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    m_page->actLocate->trigger(); // even with an empty list
    Place("tune.mp3", 1);
    m_page->actLaunchFile->trigger(); // nothing selected
    Select(QStringLiteral("tune.mp3"));
    m_page->actLaunchFile->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(catcher.Opened.size(), 2);
    QCOMPARE(catcher.Opened[0].toLocalFile(), m_folder);
    QCOMPARE(catcher.Opened[1].toLocalFile(), FilePath(QStringLiteral("tune.mp3")));
}

void TestFraPlayList::popupMenuCarriesThePagesActions() {
    QStringList items;
    QAction* locateFile = nullptr;
    for (QAction* item : m_page->findChild<QMenu*>(QStringLiteral("popPlayList"))->actions()) {
        items << (item->isSeparator() ? QStringLiteral("-") : item->text());
        if (item->text() == QStringLiteral("Locate File..."))
            locateFile = item;
    }
    // Find a Whole Version shows only for a preview or a cut file.
    QCOMPARE(items, (QStringList{"Play File", "Launch File...", "Find a Whole Version", "-", "Delete File",
                                 "Rename File...", "Locate File...", "-", "Refresh"}));
    // The pop-up's own name for Locate runs the page's Locate command.
    QSignalSpy located(m_page->actLocate, &QAction::triggered);
    locateFile->trigger();
    QCOMPARE(located.count(), 1);
}

void TestFraPlayList::deleteAsksOnceAndTrashesEverySelectedFile() {
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        MakeFile(QString::fromLatin1(name), 5);
    ShowPage();
    SelectRows(*m_page->lvwPlayList, {RowOf(QStringLiteral("a.mp3")), RowOf(QStringLiteral("c.mp3"))});
    TTestPrompts& prompts = m_program->Prompts;
    prompts.Answer = true;
    m_page->actDeleteFile->trigger();
    QCOMPARE(prompts.Asked, QStringList{"Move these 2 files to the trash?"});
    QCOMPARE(prompts.NoByDefault, QList<bool>{true}); // nothing is lost by a hasty Enter
    QCOMPARE(Names(), QStringList{"b.mp3"});
    QCOMPARE(FolderFiles(), QStringList{"b.mp3"});
    // They went to the trash, not away for good.
    const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files";
    QVERIFY(QFile::exists(trash + "/a.mp3") && QFile::exists(trash + "/c.mp3"));
}

void TestFraPlayList::deleteWithoutATrashAsksBeforeDeletingForGood() {
    // The download folder is a disk of its own on which no trash can be made.
    const TScratchDisk disk(m_folder.toStdString());
    if (!disk.Mounted())
        QSKIP(disk.Why().c_str());
    MakeFile(QStringLiteral(".Trash-") + QString::number(::getuid()), 0);
    MakeFile(QStringLiteral("a.mp3"), 5);
    ShowPage();
    TTestPrompts& prompts = m_program->Prompts;
    const QString again = QStringLiteral("This file cannot be moved to the trash. Delete it permanently?\na.mp3");
    prompts.Answers = {true, false};
    Select(QStringLiteral("a.mp3"));
    m_page->actDeleteFile->trigger();
    QCOMPARE(prompts.Asked, (QStringList{"Move this file to the trash?\na.mp3", again}));
    QCOMPARE(prompts.NoByDefault, (QList<bool>{true, true}));
    QVERIFY(QFile::exists(FilePath(QStringLiteral("a.mp3"))));
    QVERIFY(Names().contains(QStringLiteral("a.mp3")));
    prompts.Answers = {true, true};
    Select(QStringLiteral("a.mp3"));
    m_page->actDeleteFile->trigger();
    QCOMPARE(prompts.Asked.last(), again);
    QVERIFY(!QFile::exists(FilePath(QStringLiteral("a.mp3"))));
    QVERIFY(!Names().contains(QStringLiteral("a.mp3")));
    QVERIFY(prompts.Told.isEmpty());
}

void TestFraPlayList::theListPlaysOnFromFileToFile() {
    for (const char* name : {"c.mp3", "a.mp3", "b.mp3"})
        MakeFile(QString::fromLatin1(name), 5);
    ShowPage(); // by name: a, b, c
    Select(QStringLiteral("a.mp3"));
    m_page->actPlayFile->trigger();
    const QModelIndex a = m_page->Model().index(RowOf(QStringLiteral("a.mp3")), TPlayListModel::ColName);
    QCOMPARE(a.data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("Playing: a.mp3"));
    emit m_player->Finished(); // a played to its end
    QCOMPARE(m_player->Loads.back(), m_folder.toStdString() + "/b.mp3");
    QVERIFY(a.data(Qt::AccessibleDescriptionRole).isNull());
    m_page->pnlPlayer->pnlTransport->cmdPrevious->click();
    QCOMPARE(m_player->Loads.back(), m_folder.toStdString() + "/a.mp3");
    m_page->pnlPlayer->pnlTransport->cmdNext->click();
    m_page->pnlPlayer->pnlTransport->cmdNext->click();
    QCOMPARE(m_player->Loads.back(), m_folder.toStdString() + "/c.mp3");
    // The order is the one shown: sorted by name descending, c is followed by b.
    emit m_page->lvwPlayList->header()->sectionClicked(TPlayListModel::ColName);
    emit m_page->lvwPlayList->header()->sectionClicked(TPlayListModel::ColName);
    emit m_player->Finished();
    QCOMPARE(m_player->Loads.back(), m_folder.toStdString() + "/b.mp3");
    emit m_player->Finished();
    emit m_player->Finished(); // a was the last: nothing more plays
    QCOMPARE(m_player->Loads.back(), m_folder.toStdString() + "/a.mp3");
    QVERIFY(m_page->Model().Playing().empty());
}

void TestFraPlayList::tagsFillInAndNameWhatPlays() {
    const std::string tone = MakeToneMp3(TTone{440.0, 3000});
    QVERIFY(!tone.empty());
    QVERIFY(TFileUtils::WriteWholeFile(m_folder.toStdString() + "/Amber Vale - Paper Comets.mp3", tone));
    // Tagged by an outside tagger: artist "Fictional Band", title "Song of Tests".
    QVERIFY(QFile::copy(QStringLiteral(ORVALO_MEDIA_FIXTURES "/picture-first.mp3"), FilePath(QStringLiteral("two.mp3"))));
    ShowPage();
    // The names show at once; the length comes from the file, in the background.
    QCOMPARE(m_page->Model().rowCount(), 2);
    const QModelIndex length = m_page->Model().index(RowOf(QStringLiteral("Amber Vale - Paper Comets.mp3")), TPlayListModel::ColLength);
    QTRY_COMPARE(length.data().toString(), QStringLiteral("0:03"));
    // A file whose tags name it is named so where it plays, and to the desktop.
    const QModelIndex artist = m_page->Model().index(RowOf(QStringLiteral("two.mp3")), TPlayListModel::ColArtist);
    QTRY_COMPARE(artist.data().toString(), QStringLiteral("Fictional Band"));
    Select(QStringLiteral("two.mp3"));
    m_page->actPlayFile->trigger();
    QCOMPARE(m_page->pnlPlayer->lblFileName->text(), QStringLiteral("Fictional Band - Song of Tests"));
    const TMprisPlayer::TTrack track = m_page->Track();
    QCOMPARE(track.Title, QStringLiteral("Song of Tests"));
    QCOMPARE(track.Artist, QStringLiteral("Fictional Band"));
    QVERIFY(!m_page->CanGoNext());
    QVERIFY(m_page->CanGoPrevious());
    m_page->Previous();
    QCOMPARE(m_player->Loads.back(), m_folder.toStdString() + "/Amber Vale - Paper Comets.mp3");
    // Without tags, a name of the form "Artist - Title" tells the desktop both.
    const TMprisPlayer::TTrack untagged = m_page->Track();
    QCOMPARE(untagged.Artist + QLatin1Char('|') + untagged.Title, QStringLiteral("Amber Vale|Paper Comets"));
}

int main(int argc, char** argv) {
    TOrvaloApplication app(argc, argv);
    TestFraPlayList test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fraplaylist.moc"
