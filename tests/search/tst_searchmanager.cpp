#include <QTest>
#include <QTimer>

#include "net/uTransferEngine.h"
#include "search/uTSearchManager.h"

namespace {
// An engine that only records what the manager asks of it; the test decides when it ends.
class FakeEngine : public TMp3Search {
public:
    FakeEngine(const std::string& key, QStringList& log, TTransferEngine& transfers)
        : TMp3Search(key, "http://fake.test/?q=", "", transfers), m_log(log) {}
    void Search(const std::string& key) override {
        m_log << QString::fromStdString("search " + EngineKey + " " + key);
    }
    void Finish() { ReportComplete(); }
    void Fail() { FetchFailed(nullptr); }
    void Found(const std::string& title) { ReportResult(title, "http://f.test/" + title); }

private:
    QStringList& m_log;
};

// The manager's events, in order.
struct Receiver {
    QStringList events;
    void Attach(TSearchManager& manager) {
        QObject::connect(&manager, &TSearchManager::ResultFound,
                         [this](const std::string& engine, const std::string& title, const std::string&) {
                             events << QString::fromStdString("result " + engine + " " + title);
                         });
        QObject::connect(&manager, &TSearchManager::EngineDone,
                         [this](const std::string& engine) { events << QString::fromStdString("done " + engine); });
        QObject::connect(&manager, &TSearchManager::SearchDone, [this] { events << "search done"; });
    }
};
} // namespace

class TestSearchManager : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void repeatedKeyKeepsTheFirstEngine();
    void withoutEnginesNothingStartsOrEnds();
    void enginesStartOnePerTickUpToTheLimit();
    void resultsDoneAndSearchDoneInOrder();
    void failureCountsAsTheEnginesEnd();
    void stopDropsEveryLaterReport();
    void lateReportAfterANewSearchCountsForIt();
    void stopInsideAHandlerSuppressesSearchDone();

private:
    FakeEngine* Add(const std::string& key);
    std::unique_ptr<TTransferEngine> m_transfers = std::make_unique<TTransferEngine>();
    std::unique_ptr<TSearchManager> m_manager;
    QStringList m_log;
    Receiver m_receiver;
};

void TestSearchManager::init() {
    m_manager = std::make_unique<TSearchManager>(3, 1, 20);
    m_log.clear();
    m_receiver = Receiver{};
    m_receiver.Attach(*m_manager);
}

void TestSearchManager::cleanup() {
    m_manager.reset();
}

FakeEngine* TestSearchManager::Add(const std::string& key) {
    auto engine = std::make_unique<FakeEngine>(key, m_log, *m_transfers);
    FakeEngine* raw = engine.get();
    return m_manager->AddEngine(key, std::move(engine)) ? raw : nullptr;
}

void TestSearchManager::repeatedKeyKeepsTheFirstEngine() {
    QVERIFY(Add("one"));
    QVERIFY(!Add("ONE"));
    QCOMPARE(m_manager->EngineCount(), 1);
}

void TestSearchManager::withoutEnginesNothingStartsOrEnds() {
    m_manager->Search("anything");
    for (int tick = 0; tick < 3; ++tick)
        m_manager->StartNext(); // what the timer's ticks do
    QVERIFY(m_log.isEmpty());
    QVERIFY(m_receiver.events.isEmpty());
    m_manager->Stop();
    QVERIFY(!m_manager->Ticking());
}

void TestSearchManager::enginesStartOnePerTickUpToTheLimit() {
    // Ticks driven by hand: the timer's own interval never passes during the test.
    m_manager = std::make_unique<TSearchManager>(3, 1, 3600 * 1000);
    m_receiver.Attach(*m_manager);
    FakeEngine* a = Add("a");
    Add("b");
    Add("c");
    Add("d");
    m_manager->Search("blue");
    QVERIFY(m_log.isEmpty()); // nothing starts at once: the first start waits for a tick
    QVERIFY(m_manager->Ticking());
    QList<int> startedAfterTick;
    for (int tick = 0; tick < 5; ++tick) {
        m_manager->StartNext();
        startedAfterTick << static_cast<int>(m_log.size());
    }
    QCOMPARE(startedAfterTick,
             (QList<int>{1, 2, 3, 3, 3})); // one a tick; the fourth waits for a place
    QCOMPARE(m_log, (QStringList{"search a blue", "search b blue", "search c blue"}));
    a->Finish();
    QCOMPARE(m_log.size(), 3); // the freed place is taken on the next tick
    QVERIFY(m_manager->Ticking()); // "d" still waits for its start
    m_manager->StartNext();
    QCOMPARE(m_log.last(), QStringLiteral("search d blue"));
    m_manager->StartNext();
    QVERIFY(!m_manager->Ticking()); // nothing left to start: the timer rests
}

void TestSearchManager::resultsDoneAndSearchDoneInOrder() {
    FakeEngine* a = Add("a");
    FakeEngine* b = Add("b");
    m_manager->Search("k");
    QTRY_COMPARE(m_log.size(), 2);
    a->Found("x");
    b->Found("y");
    a->Finish();
    a->Finish(); // a repeated end is ignored
    b->Finish();
    QCOMPARE(m_receiver.events, (QStringList{"result a x", "result b y", "done a", "done b", "search done"}));
    QTRY_VERIFY(!m_manager->Ticking()); // then idle: no wake-ups
}

void TestSearchManager::failureCountsAsTheEnginesEnd() {
    FakeEngine* a = Add("a");
    m_manager->Search("k");
    QTRY_COMPARE(m_log.size(), 1);
    a->Fail();
    QCOMPARE(m_receiver.events, (QStringList{"done a", "search done"}));
}

void TestSearchManager::stopDropsEveryLaterReport() {
    m_manager = std::make_unique<TSearchManager>(1, 1, 20);
    m_receiver.Attach(*m_manager);
    FakeEngine* a = Add("a");
    Add("b");
    m_manager->Search("k");
    QTRY_COMPARE(m_log.size(), 1);
    m_manager->Stop();
    a->Found("late");
    a->Fail();
    for (int tick = 0; tick < 3; ++tick)
        m_manager->StartNext(); // a tick that was under way when the search stopped
    QVERIFY(m_receiver.events.isEmpty());
    QCOMPARE(m_log.size(), 1); // b never started: it waited for a place, then was dropped
    QVERIFY(m_manager->Stopped());
}

void TestSearchManager::lateReportAfterANewSearchCountsForIt() {
    FakeEngine* a = Add("a");
    m_manager->Search("old");
    QTRY_COMPARE(m_log.size(), 1);
    m_manager->Search("new");
    QTRY_COMPARE(m_log.size(), 2);
    // The old fetch's failure arrives while "a" runs for the new search: it ends it.
    a->Fail();
    QCOMPARE(m_receiver.events, (QStringList{"done a", "search done"}));
}

void TestSearchManager::stopInsideAHandlerSuppressesSearchDone() {
    FakeEngine* a = Add("a");
    connect(m_manager.get(), &TSearchManager::EngineDone, [this] { m_manager->Stop(); });
    m_manager->Search("k");
    QTRY_COMPARE(m_log.size(), 1);
    a->Finish();
    QCOMPARE(m_receiver.events, QStringList{"done a"});
}

QTEST_GUILESS_MAIN(TestSearchManager)
#include "tst_searchmanager.moc"
