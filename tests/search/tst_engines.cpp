#include <QTemporaryDir>
#include <QTest>

#include "net/uTransferEngine.h"
#include "core/uSearchKeys.h"
#include "core/uTFileUtils.h"
#include "core/uTStringList.h"
#include "search/uTMp3Search.h"
#include "search/uTSearchManager.h"
#include "search/uTSearchMp3Finder.h"
#include "search/uTSearchMp3Search.h"
#include "search/uTSearchMuzz.h"
#include "search/uTSearchResultManager.h"

class TestEngines : public QObject {
    Q_OBJECT
private slots:
    void init();
    void kindIsChosenByPrefixInOrder_data();
    void kindIsChosenByPrefixInOrder();
    void engineListSkipsUnknownAndShortLines();
    void repeatedKeyKeepsListEntryButFirstEngine();
    void brokenEngineListsLoadNothing_data();
    void brokenEngineListsLoadNothing();
    void shippedEngineListHasOneEngineOfEachKind();
    void resultStoreKeysIgnoreCase();

private:
    std::string WriteList(const std::string& plain) {
        const std::string path = m_dir->path().toStdString() + "/Engines.dat";
        TFileUtils::WriteWholeFile(path, Scramble(plain));
        return path;
    }
    std::unique_ptr<TTransferEngine> m_transfers = std::make_unique<TTransferEngine>();
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TStringList> m_list;
    std::unique_ptr<TSearchManager> m_manager;
};

void TestEngines::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_list = std::make_unique<TStringList>('*');
    m_manager = std::make_unique<TSearchManager>(3, 1, 500);
}

void TestEngines::kindIsChosenByPrefixInOrder_data() {
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<int>("kind");
    QTest::newRow("muzz") << "http://www.muzz.test/q=" << int(TEngineKind::Muzz);
    QTest::newRow("finder") << "http://emp3finder.test/q=" << int(TEngineKind::Mp3Finder);
    QTest::newRow("mp3search") << "http://mp3search.test/q=" << int(TEngineKind::Mp3Search);
    QTest::newRow("muzz wins over the others") << "http://mp3search.test/muzz?q=" << int(TEngineKind::Muzz);
    QTest::newRow("finder wins over mp3search") << "http://emp3finder.test/mp3search?q=" << int(TEngineKind::Mp3Finder);
    QTest::newRow("case matters") << "http://MUZZ.test/q=" << int(TEngineKind::None);
    QTest::newRow("unknown") << "http://other.test/q=" << int(TEngineKind::None);
}

void TestEngines::kindIsChosenByPrefixInOrder() {
    QFETCH(QString, prefix);
    QFETCH(int, kind);
    QCOMPARE(int(EngineKindOf(prefix.toStdString())), kind);
    const auto engine = MakeEngine("k", prefix.toStdString(), "", *m_transfers);
    QCOMPARE(engine != nullptr, kind != int(TEngineKind::None));
    if (kind == int(TEngineKind::Mp3Finder))
        QVERIFY(dynamic_cast<TSearchMp3Finder*>(engine.get()));
}

void TestEngines::engineListSkipsUnknownAndShortLines() {
    const std::string path = WriteList("One*one*http://www.muzz.test/s?q=*\n"
                                       "Nothing*none*http://unknown.test/?q=*\r"
                                       "short line\r\n"
                                       "\r\n"
                                       "Two*two*http://www.mp3search.test/s.php?q=*&t=1*extra*fields\r\n");
    QCOMPARE(LoadEngines(path, *m_list, *m_manager, *m_transfers), 2);
    QCOMPARE(m_list->Lines(), (std::vector<std::string>{"one*One", "two*Two"}));
    QCOMPARE(m_manager->EngineCount(), 2);
    QCOMPARE(m_manager->Engine(1).UrlSuffix, std::string("&t=1"));
}

void TestEngines::repeatedKeyKeepsListEntryButFirstEngine() {
    const std::string path = WriteList("First*dup*http://www.muzz.test/a?q=*\r\n"
                                       "Second*DUP*http://www.emp3finder.test/b?q=*\r\n");
    LoadEngines(path, *m_list, *m_manager, *m_transfers);
    QCOMPARE(m_list->Count(), 2);
    QCOMPARE(m_manager->EngineCount(), 1);
    QVERIFY(dynamic_cast<const TSearchMuzz*>(&m_manager->Engine(0)));
}

void TestEngines::brokenEngineListsLoadNothing_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("empty") << QByteArray("");
    QByteArray binary;
    for (int i = 0; i < 5000; ++i)
        binary += char((i * 131) % 256);
    QTest::newRow("binary") << binary;
    QTest::newRow("not scrambled") << QByteArray("Muzz*muzz*http://www.muzz.test/?q=*\r\n");
}

void TestEngines::brokenEngineListsLoadNothing() {
    QFETCH(QByteArray, stored);
    const std::string path = m_dir->path().toStdString() + "/Engines.dat";
    if (!stored.isNull())
        QVERIFY(TFileUtils::WriteWholeFile(path, stored.toStdString()));
    LoadEngines(path, *m_list, *m_manager, *m_transfers);
    QCOMPARE(m_manager->EngineCount(), m_list->Count());
    QVERIFY(m_list->Count() <= 1); // random bytes may spell a kind by chance, never more
}

void TestEngines::shippedEngineListHasOneEngineOfEachKind() {
    const std::string path = std::string(ORVALO_SOURCE_DIR) + "/data/Engines.dat";
    QCOMPARE(LoadEngines(path, *m_list, *m_manager, *m_transfers), 3);
    QVERIFY(dynamic_cast<const TSearchMuzz*>(&m_manager->Engine(0)));
    QVERIFY(dynamic_cast<const TSearchMp3Finder*>(&m_manager->Engine(1)));
    QVERIFY(dynamic_cast<const TSearchMp3Search*>(&m_manager->Engine(2)));
    for (int i = 0; i < m_manager->EngineCount(); ++i) {
        const std::string host = m_manager->Engine(i).SiteRoot(false);
        QVERIFY2(host.size() > 5 && host.compare(host.size() - 5, 5, ".test") == 0, host.c_str());
    }
}

void TestEngines::resultStoreKeysIgnoreCase() {
    TSearchResultManager store;
    store.Clear(); // empty: nothing happens
    store.Add("http://a.test/Song.mp3", TSearchResult::NotVerified, "http://a.test/Song.mp3", "Song.mp3", 0);
    store.Add("http://a.test/x.mp3", TSearchResult::Verified, "http://a.test/x.mp3", "x.mp3", 10);
    store.Add("http://a.test/x.mp3", TSearchResult::Verified, "http://a.test/x.mp3", "x again.mp3", 20);
    QCOMPARE(store.IndexOfKey("HTTP://A.TEST/song.MP3"), 0);
    QCOMPARE(store.IndexOfKey("http://a.test/x.mp3"), 1);
    QCOMPARE(store.Item(2)->FileName, std::string("x again.mp3"));
    QVERIFY(store.Item(3) == nullptr);
    QVERIFY(store.Item(-1) == nullptr);
    store.Clear();
    QCOMPARE(store.Count(), 0);
    QCOMPARE(store.IndexOfKey("http://a.test/x.mp3"), -1);
}

QTEST_GUILESS_MAIN(TestEngines)
#include "tst_engines.moc"
