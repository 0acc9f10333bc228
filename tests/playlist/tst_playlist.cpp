#include <filesystem>

#include <QTemporaryDir>
#include <QTest>

#include "core/uTFileUtils.h"
#include "playlist/uTPlayListManager.h"

namespace {
QStringList Names(const TPlayListManager& manager) {
    QStringList names;
    for (const auto& entry : manager.Files.Entries())
        names << QString::fromStdString(entry.Object->FileName);
    return names;
}
} // namespace

class TestPlayList : public QObject {
    Q_OBJECT
private slots:
    void init();
    void listsEveryPlainFileButNoFolders();
    void sortOrders_data();
    void sortOrders();
    void unsortedKeepsListingOrder();
    void refreshTwiceGivesTheSameList();
    void missingFolderIsEmpty();
    void directionKeepsOnlyOneOrZero();
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
    QCOMPARE(manager.Files.Count(), 0); // construction does not scan
    manager.Refresh();
    QCOMPARE(Names(manager), (QStringList{".hidden.mp3", "song.mp3"}));
    const TPlayListFile* file = manager.Files.Objects(1);
    QCOMPARE(file->Path, m_folder);
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

void TestPlayList::sortOrders_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("name, the default") << 0 << 1 << QStringList{"A.mp3", "a.wma", "b.avi", "b.mp3", "c.MP3"};
    QTest::newRow("name descending") << 0 << 0 << QStringList{"c.MP3", "b.mp3", "b.avi", "a.wma", "A.mp3"};
    QTest::newRow("size") << 1 << 1 << QStringList{"c.MP3", "b.avi", "A.mp3", "a.wma", "b.mp3"};
    QTest::newRow("extension") << 2 << 1 << QStringList{"b.avi", "A.mp3", "b.mp3", "c.MP3", "a.wma"};
}

void TestPlayList::sortOrders() {
    QFETCH(int, type);
    QFETCH(int, direction);
    QFETCH(QStringList, names);
    Write("b.mp3", 500);
    Write("A.mp3", 300);
    Write("c.MP3", 100);
    Write("a.wma", 400);
    Write("b.avi", 200);
    TPlayListManager manager(m_folder);
    manager.SetSortType(type);
    manager.SetSortDirection(direction);
    manager.Refresh();
    QStringList got = Names(manager);
    if (type == 2) {
        // Equal extensions keep no defined order among themselves.
        QCOMPARE(got.first(), names.first());
        QCOMPARE(got.last(), names.last());
        got.sort(Qt::CaseInsensitive);
        names.sort(Qt::CaseInsensitive);
    }
    QCOMPARE(got, names);
    QCOMPARE(manager.Files.SortType(), type);
}

void TestPlayList::unsortedKeepsListingOrder() {
    for (const char* name : {"z.mp3", "a.mp3", "m.mp3"})
        Write(name, 1);
    TPlayListManager manager(m_folder);
    manager.SetSortType(TPlayListManager::SortUnsorted);
    manager.Refresh();
    QStringList listing;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder))
        listing << QString::fromStdString(entry.path().filename().string());
    QCOMPARE(Names(manager), listing);
}

void TestPlayList::refreshTwiceGivesTheSameList() {
    Write("one.mp3", 1);
    Write("two.mp3", 2);
    TPlayListManager manager(m_folder);
    manager.Refresh();
    const QStringList first = Names(manager);
    manager.Refresh();
    QCOMPARE(Names(manager), first);
    QCOMPARE(manager.Files.Count(), 2);
    manager.AddFile("added.mp3", 7);
    QCOMPARE(manager.Files.Objects(2)->Path, m_folder);
    manager.Clear();
    QCOMPARE(manager.Files.Count(), 0);
}

void TestPlayList::missingFolderIsEmpty() {
    TPlayListManager manager(m_folder + "nowhere/");
    manager.Refresh();
    QCOMPARE(manager.Files.Count(), 0);
}

void TestPlayList::directionKeepsOnlyOneOrZero() {
    TPlayListManager manager(m_folder);
    QCOMPARE(manager.SortType(), 0);
    QCOMPARE(manager.SortDirection(), 1);
    manager.SetSortDirection(7);
    QCOMPARE(manager.SortDirection(), 0);
    QCOMPARE(manager.Files.SortDirection(), 0);
    manager.SetSortType(42); // stored, means nothing: the order stays
    QCOMPARE(manager.SortType(), 42);
}

QTEST_APPLESS_MAIN(TestPlayList)
#include "tst_playlist.moc"
