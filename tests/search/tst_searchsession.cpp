#include <memory>
#include <tuple>

#include <QFile>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "net/uTransferEngine.h"
#include "FakeEngine.h"
#include "TestServer.h"
#include "core/uScramble.h"
#include "core/uTFileUtils.h"
#include "core/uTStringList.h"
#include "search/uTMp3Search.h"
#include "search/uTPopularList.h"
#include "search/uTSearchManager.h"
#include "search/uTSearchResultManager.h"
#include "search/uDownloadChoice.h"
#include "search/uTSearchSession.h"
#include "search/uTVerificationManager.h"
#include "search/uWishList.h"
#include "search/uWishSearch.h"

namespace {
// The most-popular file: two good lines among lines its writer would never make.
const char* const kPopularFile = "Artist<field>Song<field>3000000<field>42<field>pw<field>http://pop.test/y.mp3\r\n"
                                 "\r\n"
                                 "Short<field>line<field>1<field>2<field>no link field\r\n"
                                 "Bad<field>Size<field>12a<field>3<field><field>http://pop.test/bad.mp3\r\n"
                                 "Artist<field>Song<field>7<field>9<field><field>http://pop.test/get\n"
                                 "Bad<field>Downloads<field>5<field>-1<field><field>http://pop.test/neg.mp3";
// What a link check says of a whole MP3 of that rate and length.
TContentVerdict Mp3(int kbps, int ms) {
    TContentVerdict verdict;
    verdict.Kind = TContentKind::Mp3;
    verdict.Layer = 3;
    verdict.BitrateKbps = kbps;
    verdict.LengthMs = ms;
    return verdict;
}
} // namespace

class TestSearchSession : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void titleAndFileName_data();
    void titleAndFileName();
    void progressStepsPerEngineThenFull();
    void linkFromTwoEnginesCountedOnce();
    void cancelIgnoresWhatComesLater();
    void newSearchStartsFromNothing();
    void linksVerifyAndFailThroughTheServer();
    void oneSongFromSeveralSitesBestCopyFirst();
    void wishesAreSearchedAgainAndKept();
    void popularLinesBecomeVerifiedResults();
    void longPopularFileLoadsInSlices();

private:
    void Start(const std::string& key);

    std::unique_ptr<TTestServer> m_server;
    std::unique_ptr<TTransferEngine> m_transfers = std::make_unique<TTransferEngine>();
    std::unique_ptr<TSearchManager> m_engines;
    std::unique_ptr<TVerificationManager> m_checks;
    std::unique_ptr<TSearchResultManager> m_results;
    std::unique_ptr<TStringList> m_engineList;
    std::unique_ptr<TSearchSession> m_session;
    std::vector<FakeEngine*> m_fakes;
};

void TestSearchSession::initTestCase() {
    m_server = std::make_unique<TTestServer>();
    m_server->UseAsProxy();
    m_server->Serve("check.test/small.mp3", TScriptedResponse::Ok(std::string(1234, 'x')));
    m_server->Serve("check.test/gone.mp3", TScriptedResponse::Status(404, "gone"));
}

void TestSearchSession::init() {
    m_engines = std::make_unique<TSearchManager>(3, 1, 500);
    // Quick ticks: checks start at once; engines are started by hand.
    m_checks = std::make_unique<TVerificationManager>(*m_transfers, 5, 1, 1);
    m_results = std::make_unique<TSearchResultManager>();
    m_engineList = std::make_unique<TStringList>('*');
    m_fakes.clear();
    for (const std::string key : {"one", "two", "three"}) {
        auto engine = std::make_unique<FakeEngine>(key, *m_transfers);
        m_fakes.push_back(engine.get());
        m_engines->AddEngine(key, std::move(engine));
        m_engineList->Add(key + "*Engine " + key);
    }
    m_session = std::make_unique<TSearchSession>(*m_engines, *m_checks, *m_results, *m_engineList);
}

void TestSearchSession::cleanup() {
    m_session.reset();
    m_checks.reset();
    m_engines.reset();
}

void TestSearchSession::Start(const std::string& key) {
    m_session->Start(key);
    for (int i = 0; i < 3; ++i)
        m_engines->StartNext();
}

void TestSearchSession::titleAndFileName_data() {
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<QByteArray>("link");
    QTest::addColumn<QByteArray>("shownTitle");
    QTest::addColumn<QByteArray>("fileName");
    QTest::newRow("colon, page link") << QByteArray("Song: Remix 4:05") << QByteArray("http://a.test/x.php?id=7")
                                      << QByteArray("Song: Remix 4:05") << QByteArray("Song: Remix 4:05.mp3");
    QTest::newRow("upper-case zip") << QByteArray("Song 4:05") << QByteArray("http://a.test/x.ZIP")
                                    << QByteArray("Song 4:05") << QByteArray("Song 4:05.zip");
    QTest::newRow("references") << QByteArray("Tom &amp; Jerry &#8211; Don&#39;t") << QByteArray("http://a.test/t.mp3")
                                << QByteArray("Tom & Jerry \xE2\x80\x93 Don't") << QByteArray("Tom & Jerry \xE2\x80\x93 Don't.mp3");
    QTest::newRow("dot only in the host") << QByteArray("Tune") << QByteArray("http://zip.test/get")
                                          << QByteArray("Tune") << QByteArray("Tune.mp3");
    QTest::newRow("Latin-1 bytes") << QByteArray("Caf\xe9") << QByteArray("http://a.test/c.mp3")
                                   << QByteArray("Caf\xe9") << QByteArray("Caf\xe9.mp3");
}

void TestSearchSession::titleAndFileName() {
    QFETCH(QByteArray, title);
    QFETCH(QByteArray, link);
    QFETCH(QByteArray, shownTitle);
    QFETCH(QByteArray, fileName);
    QSignalSpy added(m_session.get(), &TSearchSession::ResultAdded);
    Start("song");
    m_fakes[0]->Found(title.toStdString(), link.toStdString());
    QCOMPARE(added.count(), 1);
    const TSearchResult& result = *m_results->Item(0);
    QCOMPARE(result.Title, shownTitle.toStdString());
    QCOMPARE(result.FileName, fileName.toStdString());
    QCOMPARE(result.Engine, std::string("Engine one"));
    QCOMPARE(result.Status, int(TSearchResult::NotVerified));
    QCOMPARE(m_session->Found(), 1);
}

void TestSearchSession::progressStepsPerEngineThenFull() {
    QSignalSpy progress(m_session.get(), &TSearchSession::ProgressChanged);
    Start("song");
    for (FakeEngine* engine : m_fakes)
        engine->Finish();
    QList<int> steps;
    for (const QList<QVariant>& each : progress)
        steps << each.at(0).toInt();
    QCOMPARE(steps, (QList<int>{0, 33, 66, 99, 100}));
    QVERIFY(!m_session->Searching());
}

void TestSearchSession::linkFromTwoEnginesCountedOnce() {
    Start("song");
    m_fakes[0]->Found("Song", "http://s.test/same.mp3");
    m_fakes[1]->Found("Song", "HTTP://S.TEST/SAME.MP3");
    m_fakes[2]->Found("Other", "http://s.test/other.mp3");
    QCOMPARE(m_session->Found(), 2);
    QCOMPARE(m_session->FilesOf("Engine one"), 1);
    QCOMPARE(m_session->FilesOf("Engine two"), 0);
    QCOMPARE(m_session->FilesOf("Engine three"), 1);
    QCOMPARE(m_checks->Waiting().Count() + m_checks->HeldCount(), 2);
}

void TestSearchSession::cancelIgnoresWhatComesLater() {
    Start("first");
    m_fakes[0]->Found("kept", "http://s.test/kept.mp3");
    emit m_checks->LinkVerified("http://s.test/kept.mp3", 10);
    m_session->Cancel();
    QSignalSpy changed(m_session.get(), &TSearchSession::ResultChanged);
    emit m_checks->LinkFailed("http://s.test/kept.mp3", "HTTP 404");
    m_fakes[1]->Found("late", "http://s.test/late.mp3");
    QCOMPARE(m_session->Found(), 1);
    QCOMPARE(m_results->Item(0)->Status, int(TSearchResult::Verified));
    QCOMPARE(m_results->Item(0)->Size, int64_t(10));
    QCOMPARE(m_session->Verified(), 1);
    QCOMPARE(changed.count(), 0);
}

void TestSearchSession::newSearchStartsFromNothing() {
    Start("first");
    m_fakes[0]->Found("old", "http://s.test/old.mp3");
    emit m_checks->LinkVerified("http://s.test/old.mp3", 10);
    QSignalSpy started(m_session.get(), &TSearchSession::Started);
    Start("second");
    QCOMPARE(started.count(), 1);
    QCOMPARE(m_session->Found(), 0);
    QCOMPARE(m_session->Verified(), 0);
    QCOMPARE(m_session->Progress(), 0);
    QCOMPARE(m_session->FilesOf("Engine one"), 0);
    // An outcome for a link of the old search is no result of this one.
    emit m_checks->LinkVerified("http://s.test/old.mp3", 10);
    QCOMPARE(m_session->Verified(), 0);
}

void TestSearchSession::linksVerifyAndFailThroughTheServer() {
    Start("song");
    m_fakes[0]->Found("Small", "http://check.test/small.mp3");
    m_fakes[0]->Found("Gone", "http://check.test/gone.mp3");
    QTRY_COMPARE_WITH_TIMEOUT(m_results->Item(0)->Status, int(TSearchResult::Verified), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(m_results->Item(1)->Status, int(TSearchResult::Failed), 10000);
    QCOMPARE(m_results->Item(0)->Size, int64_t(1234));
    QCOMPARE(m_results->Item(1)->Size, int64_t(0));
    QCOMPARE(m_session->Verified(), 1);
}

void TestSearchSession::oneSongFromSeveralSitesBestCopyFirst() {
    Start("comets");
    TContentVerdict page;
    page.Kind = TContentKind::HtmlPage;
    const std::vector<std::pair<std::string, TContentVerdict>> sites{
        {"http://a.test/1.mp3", Mp3(128, 240000)}, {"http://b.test/2.mp3", Mp3(192, 240000)},
        {"http://c.test/3.mp3", Mp3(192, 25000)},  {"http://d.test/4.mp3", page},
        {"http://f.test/6.mp3", TContentVerdict()}, // not judged
        {"http://g.test/7.mp3", Mp3(192, 250000)}};
    for (const auto& [link, verdict] : sites)
        m_fakes[0]->Found("Velvet Lanterns - Paper Comets", link);
    m_fakes[1]->Found("velvet lanterns  paper comets!", "http://e.test/5.mp3");
    m_fakes[1]->Found("Only a Preview", "http://p.test/8.mp3");
    for (const auto& [link, verdict] : sites) {
        emit m_checks->LinkJudged(link, verdict);
        emit m_checks->LinkVerified(link, 1000 + static_cast<int64_t>(link.size()));
    }
    emit m_checks->LinkFailed("http://e.test/5.mp3", "HTTP 404");
    emit m_checks->LinkJudged("http://p.test/8.mp3", Mp3(320, 20000));
    emit m_checks->LinkVerified("http://p.test/8.mp3", 800000);
    // Whole before preview, MP3 before anything else, the higher rate, then the longer.
    QCOMPARE(m_session->SourcesOf(3), (std::vector<int>{5, 1, 0, 4, 2, 3}));
    QCOMPARE(m_results->Item(2)->Sources, 6);
    // The song keeps the row of its first link, which shows its best one.
    QCOMPARE(m_session->Songs(), 3);
    QVERIFY(m_session->StandsForSong(0) && !m_session->StandsForSong(5) && m_session->StandsForSong(6));
    QCOMPARE(m_session->BestSourceOf(0), 5);
    // A batch fetches each song once, from its best link, the others as fall-backs in order;
    // a site chosen by hand goes first.
    QStringList fetched;
    for (const TSearchResult& download : m_session->DownloadsFor({6, 2, 0, 7, 4}))
        fetched << QString::fromStdString(download.Url + " " + std::to_string(download.Alternatives.size()));
    QCOMPARE(fetched, (QStringList{"http://e.test/5.mp3 0", "http://g.test/7.mp3 5", "http://p.test/8.mp3 0"}));
    const TSearchResult chosen = m_session->DownloadFrom(2);
    QCOMPARE(chosen.Url, std::string("http://c.test/3.mp3"));
    QCOMPARE(chosen.Alternatives.front(), std::string("http://g.test/7.mp3"));
    // A song found only as a preview is said to be one before it is fetched.
    const TDownloadChoice choice = ChooseDownloads(m_session->DownloadsFor({0, 7}));
    QCOMPARE(choice.PoorOnly, std::vector<size_t>{1});
    // Dead links of one title are one dead song.
    m_fakes[2]->Found("Velvet Lanterns - Paper Comets", "http://h.test/9.mp3");
    emit m_checks->LinkFailed("http://h.test/9.mp3", "timed out");
    QVERIFY(!m_session->StandsForSong(8));
    QCOMPARE(m_session->SourcesOf(8), (std::vector<int>{6, 8}));
}

void TestSearchSession::wishesAreSearchedAgainAndKept() {
    const QTemporaryDir folder;
    const std::string path = WishListPath(folder.path().toStdString());
    TWishList wishes(path);
    QVERIFY(wishes.Add("Velvet Lanterns - Paper Comets", 25000));
    QVERIFY(!wishes.Add("velvet lanterns  paper comets!")); // the same song
    QVERIFY(wishes.Add("Slow Carousel"));
    TWishSearch search(wishes, [this]() -> TSearchSession& { return *m_session; });
    QSignalSpy started(m_session.get(), &TSearchSession::Started);
    QSignalSpy rounds(&search, &TWishSearch::RoundDone);
    const auto answer = [this](const std::vector<std::tuple<std::string, std::string, TContentVerdict>>& links) {
        for (int i = 0; i < 3; ++i)
            m_engines->StartNext();
        for (const auto& [title, link, verdict] : links)
            m_fakes[0]->Found(title, link);
        for (const auto& [title, link, verdict] : links) {
            emit m_checks->LinkJudged(link, verdict);
            emit m_checks->LinkVerified(link, 100000);
        }
        for (FakeEngine* engine : m_fakes)
            engine->Finish();
    };
    search.LookNow();
    QCOMPARE(started.count(), 1);
    // Only a copy with every word of the wish counts, whole and longer than the one the user has.
    answer({{"Velvet Lanterns - Paper Comets", "http://a.test/p.mp3", Mp3(320, 20000)},
            {"Paper Comets", "http://a.test/other.mp3", Mp3(320, 240000)},
            {"Velvet Lanterns - Paper Comets", "http://b.test/whole.mp3", Mp3(192, 240000)}});
    QTRY_COMPARE(started.count(), 2);
    QCOMPARE(wishes.At(0).Found.Url, std::string("http://b.test/whole.mp3"));
    QCOMPARE(wishes.At(0).FoundQuality, std::string("192 kbps, 4:00"));
    answer({{"Slow Carousel", "http://c.test/s.mp3", Mp3(128, 30000)}});
    QTRY_COMPARE(rounds.count(), 1);
    QCOMPARE(rounds.first().first().toInt(), 1);
    QVERIFY(!wishes.At(1).HasFound() && !wishes.At(1).LastLook.empty());
    // A second round looks only for what is still missing.
    search.LookNow();
    QCOMPARE(started.count(), 3);
    QCOMPARE(m_engines->Key(), std::string("Slow Carousel"));
    search.LookNow(); // a round runs: nothing more
    QCOMPARE(started.count(), 3);

    // The list comes back as it was left, the found copy ready to fetch with its fall-back.
    const TWishList again(path);
    QCOMPARE(again.Count(), 2);
    QCOMPARE(again.At(0).Found.Url, std::string("http://b.test/whole.mp3"));
    QCOMPARE(again.At(0).Found.Alternatives, std::vector<std::string>{"http://a.test/p.mp3"});
    QCOMPARE(again.At(0).LongerThanMs, 25000);
    QCOMPARE(again.At(1).LastLook, wishes.At(1).LastLook);
    // A file that holds no list is set aside, not read as one.
    QVERIFY(TFileUtils::WriteWholeFile(path, "{\"wishes\": 3"));
    const TWishList broken(path);
    QCOMPARE(broken.Count(), 0);
    QVERIFY(QFile::exists(QString::fromStdString(path + ".bad")));
}

void TestSearchSession::popularLinesBecomeVerifiedResults() {
    const QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/Orvalo.dat";
    QVERIFY(TFileUtils::WriteWholeFile(path, Scramble(kPopularFile)));
    TSearchResultManager store;
    TPopularList popular(store);
    popular.Load(path);
    QCOMPARE(store.Count(), 2); // the malformed lines are skipped
    const TSearchResult& first = *store.Item(0);
    QCOMPARE(first.Url, std::string("http://pop.test/y.mp3"));
    QCOMPARE(first.FileName, std::string("Artist - Song.mp3"));
    QCOMPARE(first.Size, int64_t(3000000));
    QCOMPARE(first.Downloads, int64_t(42));
    QCOMPARE(first.Password, std::string("pw"));
    QCOMPARE(first.Status, int(TSearchResult::Verified));
    QCOMPARE(store.Item(1)->FileName, std::string("Artist - Song")); // a link without extension
}

void TestSearchSession::longPopularFileLoadsInSlices() {
    const QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/Orvalo.dat";
    std::string text;
    for (int i = 0; i < 1500; ++i)
        text += "A<field>T" + std::to_string(i) + "<field>" + std::to_string(i) + "<field>1<field><field>http://p.test/" +
                std::to_string(i) + ".mp3\r\n" + (i % 100 == 0 ? "broken line\n" : "");
    QVERIFY(TFileUtils::WriteWholeFile(path, Scramble(text)));
    TSearchResultManager store;
    TPopularList popular(store);
    popular.SliceMs = 0; // 256 lines a slice
    QSignalSpy added(&popular, &TPopularList::EntriesAdded);
    popular.Load(path);
    QCOMPARE(store.Count(), 256 - 3); // the first slice, without its broken lines
    QTRY_COMPARE(store.Count(), 1500);
    QCOMPARE(added.count(), 6); // 1,515 lines, 256 a slice
    QCOMPARE(store.Item(1499)->Title, std::string("T1499"));
    QCOMPARE(store.Item(1499)->Size, int64_t(1499));
}

QTEST_GUILESS_MAIN(TestSearchSession)
#include "tst_searchsession.moc"
