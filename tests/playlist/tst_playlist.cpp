#include <filesystem>

#include <QTemporaryDir>
#include <QTest>

#include "core/uTFileUtils.h"
#include "playlist/uTPlayListManager.h"

namespace {
QStringList Names(const TPlayListManager& manager) {
    QStringList names;
    for (int i = 0; i < manager.Count(); ++i)
        names << QString::fromStdString(manager.File(i).FileName);
    return names;
}
} // namespace

class TestPlayList : public QObject {
    Q_OBJECT
private slots:
    void init();
    void listsEveryPlainFileButNoFolders();
    void sortedByNameLetterCaseAside();
    void refreshTwiceGivesTheSameList();
    void missingFolderIsEmpty();
    void knowsTheSongsItHolds();

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
    manager.Refresh();
    QCOMPARE(Names(manager), (QStringList{".hidden.mp3", "song.mp3"}));
    const TPlayListFile* file = &manager.File(1);
    QCOMPARE(file->Folder, m_folder);
    QCOMPARE(file->FileSize, int64_t(10));
}

void TestPlayList::knowsTheSongsItHolds() {
    Write("Velvet Lanterns - Paper Comets.mp3", 300);
    TPlayListManager manager(m_folder);
    manager.Refresh();
    // By its exact name, or as the same song of the same size.
    QVERIFY(manager.Holds("Velvet Lanterns - Paper Comets.mp3", "", 0));
    QVERIFY(manager.Holds("other.mp3", "velvet lanterns: paper comets", 300));
    QVERIFY(!manager.Holds("other.mp3", "velvet lanterns: paper comets", 301));
    QVERIFY(!manager.Holds("velvet lanterns - paper comets.mp3", "", 0)); // another name here
    manager.RenameFile(0, "Renamed.mp3");
    QVERIFY(!manager.Holds("Velvet Lanterns - Paper Comets.mp3", "", 0));
    QVERIFY(manager.Holds("Renamed.mp3", "", 0));
    manager.RemoveFile(0);
    QVERIFY(!manager.Holds("Renamed.mp3", "renamed", 300));
}

void TestPlayList::sortedByNameLetterCaseAside() {
    Write("b.mp3", 500);
    Write("A.mp3", 300);
    Write("c.MP3", 100);
    Write("a.wma", 400);
    Write("b.avi", 200);
    TPlayListManager manager(m_folder);
    manager.Refresh();
    QCOMPARE(Names(manager), (QStringList{"A.mp3", "a.wma", "b.avi", "b.mp3", "c.MP3"}));
}

void TestPlayList::refreshTwiceGivesTheSameList() {
    Write("one.mp3", 1);
    Write("two.mp3", 2);
    TPlayListManager manager(m_folder);
    manager.Refresh();
    const QStringList first = Names(manager);
    manager.Refresh();
    QCOMPARE(Names(manager), first);
    QCOMPARE(manager.Count(), 2);
    manager.AddFile("added.mp3", 7);
    QCOMPARE(manager.File(2).Folder, m_folder);
    manager.Clear();
    QCOMPARE(manager.Count(), 0);
}

void TestPlayList::missingFolderIsEmpty() {
    TPlayListManager manager(m_folder + "nowhere/");
    manager.Refresh();
    QCOMPARE(manager.Count(), 0);
}

QTEST_APPLESS_MAIN(TestPlayList)
#include "tst_playlist.moc"
