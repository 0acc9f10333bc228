#include <filesystem>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "core/uTFileUtils.h"
#include "playlist/uFolderWatch.h"
#include "playlist/uTPlayListManager.h"

namespace {
QStringList Names(const TPlayListManager& manager) {
    QStringList names;
    for (int i = 0; i < manager.Count(); ++i)
        names << QString::fromStdString(manager.File(i).FileName);
    return names;
}
// Lists the folder anew and waits for the list made from it.
void RefreshAndWait(TPlayListManager& manager) {
    manager.Refresh();
    QTRY_VERIFY(!manager.Listing());
}
} // namespace

class TestPlayList : public QObject {
    Q_OBJECT
private slots:
    void init();
    void listsEveryPlainFileButNoFolders();
    void sortedByNameLetterCaseAside();
    void aListingAnewReplacesWhatTheListKnows();
    void onlyAListingAskedForIsPrepared();
    void refreshTwiceGivesTheSameList();
    void missingFolderIsEmpty();
    void knowsTheSongsItHolds();
    void aPlacedFileIsListedAndCheckedOnce_data();
    void aPlacedFileIsListedAndCheckedOnce();
    void listingAnewKeepsTheCheckOfAFilePlacedElsewhere();

private:
    void Write(const std::string& name, size_t size) {
        QVERIFY(TFileUtils::WriteWholeFile(m_folder + name, std::string(size, 'x')));
    }
    std::unique_ptr<QTemporaryDir> m_dir;
    std::string m_folder;
};

void TestPlayList::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_folder = m_dir->path().toStdString() + "/";
}

void TestPlayList::listsEveryPlainFileButNoFolders() {
    Write("song.mp3", 10);
    Write(".hidden.mp3", 20);
    std::filesystem::create_directory(m_folder + "sub");
    Write("sub/inner.mp3", 5);
    TPlayListManager manager(m_folder);
    QCOMPARE(manager.Count(), 0); // construction does not scan
    RefreshAndWait(manager);
    QCOMPARE(Names(manager), (QStringList{".hidden.mp3", "song.mp3"}));
    const TPlayListFile* file = &manager.File(1);
    QCOMPARE(file->Folder, m_folder);
    QCOMPARE(file->FileSize, int64_t(10));
}

void TestPlayList::knowsTheSongsItHolds() {
    Write("Velvet Lanterns - Paper Comets.mp3", 300);
    TPlayListManager manager(m_folder);
    RefreshAndWait(manager);
    // By its exact name, or as the same song of the same size.
    QVERIFY(manager.Holds("Velvet Lanterns - Paper Comets.mp3", "", 0));
    QVERIFY(manager.Holds("other.mp3", "velvet lanterns: paper comets", 300));
    QVERIFY(!manager.Holds("other.mp3", "velvet lanterns: paper comets", 301));
    QVERIFY(!manager.Holds("velvet lanterns - paper comets.mp3", "", 0)); // another name here
    QVERIFY(manager.Rename(0, "Renamed.mp3"));
    QVERIFY(!manager.Holds("Velvet Lanterns - Paper Comets.mp3", "", 0));
    QVERIFY(manager.Holds("Renamed.mp3", "", 0));
    QVERIFY(std::filesystem::exists(m_folder + "Renamed.mp3"));
    QVERIFY(!manager.Rename(0, "sub/x.mp3")); // never out of the folder
    manager.Forget(0);
    QVERIFY(!manager.Holds("Renamed.mp3", "renamed", 300));
}

void TestPlayList::aListingAnewReplacesWhatTheListKnows() {
    Write("Old Song.mp3", 300);
    TPlayListManager manager(m_folder);
    RefreshAndWait(manager);
    std::filesystem::remove(m_folder + "Old Song.mp3");
    Write("New Song.mp3", 500);
    RefreshAndWait(manager);
    QCOMPARE(Names(manager), QStringList{"New Song.mp3"});
    QVERIFY(manager.Holds("New Song.mp3", "", 0) && manager.Holds("x.mp3", "new song", 500));
    QVERIFY(!manager.Holds("Old Song.mp3", "", 0) && !manager.Holds("x.mp3", "old song", 300));
    QCOMPARE(manager.File(manager.IndexOf("New Song.mp3")).FileSize, 500);
}

void TestPlayList::onlyAListingAskedForIsPrepared() {
    // The owner's work is done on the listing's thread for a listing it asked for, and not
    // again for every change the watch follows.
    std::vector<bool> came; // whether each listing came with the work
    TFolderWatch watch([](const std::string&, const std::vector<TListedFile>& files) {
        return files.empty() ? nullptr : std::make_unique<TListingWork>();
    });
    QObject::connect(&watch, &TFolderWatch::Listed,
                     [&came](const std::vector<TListedFile>&, const std::shared_ptr<TListingWork>& work) {
                         came.push_back(work != nullptr);
                     });
    Write("one.mp3", 1);
    watch.Watch(m_folder.substr(0, m_folder.size() - 1));
    watch.ListNow();
    QTRY_COMPARE(came.size(), size_t{1});
    Write("two.mp3", 2);
    QTRY_COMPARE(came.size(), size_t{2});
    QCOMPARE(came, (std::vector<bool>{true, false}));
}

void TestPlayList::sortedByNameLetterCaseAside() {
    Write("b.mp3", 500);
    Write("A.mp3", 300);
    Write("c.MP3", 100);
    Write("a.wma", 400);
    Write("b.avi", 200);
    TPlayListManager manager(m_folder);
    RefreshAndWait(manager);
    QCOMPARE(Names(manager), (QStringList{"A.mp3", "a.wma", "b.avi", "b.mp3", "c.MP3"}));
}

void TestPlayList::refreshTwiceGivesTheSameList() {
    Write("one.mp3", 1);
    Write("two.mp3", 2);
    TPlayListManager manager(m_folder);
    RefreshAndWait(manager);
    const QStringList first = Names(manager);
    RefreshAndWait(manager);
    QCOMPARE(Names(manager), first);
    QCOMPARE(manager.Count(), 2);
}

void TestPlayList::missingFolderIsEmpty() {
    TPlayListManager manager(m_folder + "nowhere/");
    RefreshAndWait(manager);
    QCOMPARE(manager.Count(), 0);
}

void TestPlayList::aPlacedFileIsListedAndCheckedOnce_data() {
    QTest::addColumn<bool>("listedFirst");
    QTest::newRow("placed, then seen in the folder") << false;
    QTest::newRow("seen in the folder, then placed") << true;
}

void TestPlayList::aPlacedFileIsListedAndCheckedOnce() {
    QFETCH(bool, listedFirst);
    // One checker: files are looked into in the order asked.
    TPlayListManager library(m_folder, 1);
    RefreshAndWait(library);
    QSignalSpy followed(&library, &TPlayListManager::Followed);
    QSignalSpy added(&library, &TPlayListManager::Added);
    QSignalSpy changed(&library, &TPlayListManager::Changed); // a check's verdict, or a new size
    std::vector<std::string> checked;
    connect(&library, &TPlayListManager::Checked, this,
            [&checked](const std::string& path, const TContentVerdict&) { checked.push_back(path); });
    Write("song.mp3", 10);
    if (listedFirst)
        QVERIFY(followed.wait(60000));
    library.Place(m_folder + "song.mp3", 10);
    if (!listedFirst)
        QVERIFY(followed.wait(60000));
    QCOMPARE(added.count(), 1);
    QCOMPARE(Names(library), QStringList{"song.mp3"});
    // A file placed outside the folder is looked into (its download wants the verdict) but
    // not listed; its verdict comes after every check asked before it.
    const QTemporaryDir elsewhere;
    const std::string gate = elsewhere.path().toStdString() + "/gate.mp3";
    library.Place(gate, 0);
    QTRY_VERIFY_WITH_TIMEOUT(std::count(checked.begin(), checked.end(), gate) == 1, 60000);
    QCOMPARE(changed.count(), 1); // looked into once
    QCOMPARE(library.Count(), 1);
    QVERIFY(library.File(0).Checked);
    // Placed once it was looked into (the folder showed it first): its verdict is told again.
    const auto told = std::count(checked.begin(), checked.end(), m_folder + "song.mp3");
    QVERIFY(told >= 1);
    library.Place(m_folder + "song.mp3", 10);
    QCOMPARE(std::count(checked.begin(), checked.end(), m_folder + "song.mp3"), told + 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(added.count(), 1);
}

void TestPlayList::listingAnewKeepsTheCheckOfAFilePlacedElsewhere() {
    // A download placed in the folder the user just left still wants its verdict, though the
    // list is made anew (and its queued checks dropped) before that file's turn comes.
    Write("here.mp3", 10);
    TPlayListManager library(m_folder, 1);
    const QTemporaryDir elsewhere;
    const std::string placed = elsewhere.path().toStdString() + "/placed.mp3";
    QVERIFY(TFileUtils::WriteWholeFile(placed, "<html>a page</html>"));
    std::vector<std::string> checked;
    connect(&library, &TPlayListManager::Checked, this,
            [&checked](const std::string& path, const TContentVerdict&) { checked.push_back(path); });
    RefreshAndWait(library);
    library.Place(placed, 19);
    RefreshAndWait(library);
    QTRY_VERIFY_WITH_TIMEOUT(std::count(checked.begin(), checked.end(), placed) == 1, 60000);
    QCOMPARE(library.Count(), 1);

    // A download placed while the folder is being listed anew: listed once, whether the
    // listing saw it or not.
    library.Refresh();
    Write("arrived.mp3", 12);
    library.Place(m_folder + "arrived.mp3", 12);
    const auto sortedNames = [&library] {
        QStringList names = Names(library);
        names.sort();
        return names;
    };
    QTRY_VERIFY(!library.Listing());
    QTRY_COMPARE(sortedNames(), (QStringList{"arrived.mp3", "here.mp3"}));
}

QTEST_GUILESS_MAIN(TestPlayList)
#include "tst_playlist.moc"
