#include <memory>

#include <QTest>

#include "net/uTransferEngine.h"
#include "net/uPageFetch.h"
#include "search/uTMp3Search.h"
#include "search/uTSearchMp3Finder.h"
#include "search/uTSearchMp3Search.h"
#include "search/uTSearchMuzz.h"

namespace {
// What an engine reported, one "key: title | url" line per result.
struct Captured {
    QStringList results;
    void Attach(TMp3Search& engine) {
        engine.OnResultFound = [this](const std::string& key, const std::string& title, const std::string& url) {
            results << QString::fromStdString(key + ": " + title + " | " + url);
        };
    }
};

QStringList Items(const QByteArray& html) {
    const std::string page = html.toStdString();
    std::vector<std::string_view> list;
    TMp3Search::ExtractAnchors(page, list);
    QStringList items;
    for (const std::string_view item : list)
        items << QString::fromStdString(std::string(item));
    return items;
}
} // namespace

class TestParsers : public QObject {
    Q_OBJECT
private slots:
    void extractAnchors_data();
    void extractAnchors();
    void hostilePagesStayFastAndBounded_data();
    void hostilePagesStayFastAndBounded();
    void extractHref_data();
    void extractHref();
    void unscramble();
    void muzzTurnsPresendLinksIntoFileLinks();
    void muzzTitleWithEqualsIsEmpty();
    void siteRootFollowsTheEnginesOwnPrefix();
    void resultPagesFillPendingDetails();
    void detailPagesReportEachDownloadAnchor();
    void detailPageWithoutTitleMarker();
    void lateDetailPageOfAnEarlierSearchIsDropped();
    void everyRecordOfALongPageCounts_data();
    void everyRecordOfALongPageCounts();
    void overlappingLinksYieldNoMoreThanThePage();
    void hugeTitleIsCut_data();
    void hugeTitleIsCut();

private:
    std::unique_ptr<TTransferEngine> m_transfers = std::make_unique<TTransferEngine>();
};

void TestParsers::extractAnchors_data() {
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("plain") << QByteArray("x<a href=\"/x.mp3\">Song</a>y") << QStringList{"href=\"/x.mp3\">Song"};
    QTest::newRow("capitals keep their case") << QByteArray("<A HREF=\"/X\">Big</A>") << QStringList{"HREF=\"/X\">Big"};
    QTest::newRow("no closing") << QByteArray("<a href=\"/x\">open") << QStringList{};
    QTest::newRow("not an anchor") << QByteArray("<abbr>x</abbr><a\nhref=\"/x\">y</a>") << QStringList{};
    QTest::newRow("overlapping") << QByteArray("<a one <a two</a>") << QStringList{"one <a two", "two"};
    QTest::newRow("closes before it opens") << QByteArray("<a /a>") << QStringList{""};
    QTest::newRow("two anchors") << QByteArray("<a 1>A</a><a 2>B</a>") << QStringList{"1>A", "2>B"};
    QTest::newRow("empty page") << QByteArray() << QStringList{};
    QTest::newRow("NUL bytes") << QByteArray("<a h\0f>x</a>", 12) << QStringList{QString::fromLatin1("h\0f>x", 5)};
}

void TestParsers::extractAnchors() {
    QFETCH(QByteArray, html);
    QFETCH(QStringList, items);
    QCOMPARE(Items(html), items);
}

void TestParsers::hostilePagesStayFastAndBounded_data() {
    QTest::addColumn<QByteArray>("html");
    QTest::newRow("megabytes of openings, closed at the end") << QByteArray("<a ").repeated(1 << 20) + "/a>";
    QTest::newRow("megabytes of openings, never closed") << QByteArray("<a ").repeated(1 << 20);
    QTest::newRow("16 MB of nested anchors just under the length limit")
        << (QByteArray("<a ").repeated(2700) + "/a>").repeated(2048);
    QTest::newRow("many tiny anchors") << QByteArray("<a x/a>").repeated(500000);
}

void TestParsers::hostilePagesStayFastAndBounded() {
    QFETCH(QByteArray, html);
    // A scan that is not linear in the page never ends within the test's time-out; the
    // figures are bench_store's.
    const std::string page = html.toStdString();
    std::vector<std::string_view> list;
    TMp3Search::ExtractAnchors(page, list);
    // Memory bounded by the page: at most one item per opening, each a slice of the page.
    QVERIFY(list.size() <= page.size() / 3);
    for (const std::string_view item : list) {
        QVERIFY(item.size() <= TMp3Search::kMaxAnchorLength);
        QVERIFY(item.empty() || (item.data() >= page.data() &&
                                 item.data() + item.size() <= page.data() + page.size()));
    }
    // The engines still end normally on such a page.
    TSearchMuzz muzz("m", "http://www.muzz.test/s?q=", "", *m_transfers);
    Captured captured;
    captured.Attach(muzz);
    muzz.ParseResults(page);
    QVERIFY(captured.results.isEmpty());
}

void TestParsers::overlappingLinksYieldNoMoreThanThePage() {
    // Every opening shares one quoted value of nearly 8 KiB, so each of the thousands of
    // overlapping anchors would add a link of that size to the pending detail pages.
    const QByteArray group = QByteArray("<a dsong.aspx?id=1 href ").repeated(300) +
                             "<a dsong.aspx?id=2 href=\"" + QByteArray(7000, 'v') + "\">t/a>";
    const std::string page = group.repeated(64).toStdString();
    TSearchMp3Finder finder("f", "http://www.emp3finder.test/s?q=", "", *m_transfers);
    finder.ParseResults(page);
    size_t bytes = 0;
    for (const std::string& link : finder.PendingDetails.Lines())
        bytes += link.size() - finder.SiteRoot(true).size();
    QVERIFY(finder.PendingDetails.Count() > 0);
    QVERIFY2(bytes <= page.size(), qPrintable(QString::number(bytes)));
}

void TestParsers::extractHref_data() {
    QTest::addColumn<QByteArray>("item");
    QTest::addColumn<QByteArray>("href");
    QTest::newRow("double quotes") << QByteArray("href=\"/x.mp3\">Song") << QByteArray("/x.mp3");
    QTest::newRow("capitals") << QByteArray("HREF=\"/X.MP3\">SONG") << QByteArray("/X.MP3");
    QTest::newRow("other attribute first") << QByteArray("class=\"c\" href=\"/y\">t") << QByteArray("/y");
    QTest::newRow("single quotes") << QByteArray("href='/x.mp3'>Song") << QByteArray();
    QTest::newRow("no quotes") << QByteArray("href=/x.mp3>Song") << QByteArray();
    QTest::newRow("'>' before href") << QByteArray("title=\"a>b\" href=\"/x\">t") << QByteArray();
    QTest::newRow("no href") << QByteArray("name=\"top\">t") << QByteArray();
    QTest::newRow("no '>'") << QByteArray("href=\"/x\"") << QByteArray();
    QTest::newRow("one quote only") << QByteArray("href=\"/x>t") << QByteArray("/x");
}

void TestParsers::extractHref() {
    QFETCH(QByteArray, item);
    QFETCH(QByteArray, href);
    QCOMPARE(QByteArray::fromStdString(TMp3Search::ExtractHref(item.toStdString())), href);
}

void TestParsers::unscramble() {
    QCOMPARE(Unscramble(""), std::string());
    // Each byte loses its key byte: the key itself unscrambles to zeros.
    QCOMPARE(Unscramble("vitalis lorem"), std::string(13, '\0'));
    // A 14th byte uses the key's first character again.
    QCOMPARE(Unscramble("vitalis loremv"), std::string(14, '\0'));
    // Below zero wraps around.
    QCOMPARE(Unscramble(std::string("\x01", 1)), std::string(1, static_cast<char>(1 + 256 - 'v')));
    std::string everyByte;
    for (int i = 0; i < 600; ++i)
        everyByte += static_cast<char>(i % 256);
    QCOMPARE(Unscramble(Scramble(everyByte)), everyByte);
    QVERIFY(Scramble(everyByte) != everyByte);
}

void TestParsers::muzzTurnsPresendLinksIntoFileLinks() {
    TSearchMuzz muzz("muzz", "http://www.muzz.test/search?q=", "", *m_transfers);
    Captured captured;
    captured.Attach(muzz);
    muzz.ParseResults(
        "<a href=\"/mp3presend?id=123\">Artist - Song</a>"
        "<a href=\"/mp3presend?id=5&preview=1\">preview</a>"
        "<a href=\"/about\">About</a>"
        "<A HREF=\"/mp3presend?id=7\">LOUD</A>"
        "<a href='/mp3presend?id=8'>quoted</a>"
        "<a class=\"preview\" href=\"/mp3presend?id=9\">hidden</a>");
    QCOMPARE(captured.results,
             (QStringList{"muzz: Artist - Song | http://www.muzz.test/mp3send/Artist - Song.mp3?id=123",
                          "muzz: LOUD | http://www.muzz.test/mp3send/LOUD.mp3?id=7"}));
}

void TestParsers::muzzTitleWithEqualsIsEmpty() {
    QCOMPARE(TSearchMuzz::AnchorTitle("href=\"/mp3presend?id=1\">a = b"), std::string());
    QCOMPARE(TSearchMuzz::AnchorTitle("href=\"/mp3presend?id=1\">Title"), std::string("Title"));
    QCOMPARE(TSearchMuzz::AnchorTitle("href=/mp3presend?id=1>Title"), std::string());
    TSearchMuzz muzz("muzz", "http://www.muzz.test/search?q=", "", *m_transfers);
    Captured captured;
    captured.Attach(muzz);
    muzz.ParseResults("<a href=\"/mp3presend?id=1\">x=y</a>");
    QCOMPARE(captured.results, QStringList{"muzz:  | http://www.muzz.test/mp3send/.mp3?id=1"});
}

void TestParsers::siteRootFollowsTheEnginesOwnPrefix() {
    TSearchMuzz muzz("m", "HTTP://other-muzz.example.test:80/find.cgi?x=", "&y", *m_transfers);
    QCOMPARE(muzz.SiteRoot(false), std::string("http://other-muzz.example.test:80"));
    TSearchMp3Finder finder("f", "www.emp3finder.test/search.aspx?q=", "", *m_transfers);
    QCOMPARE(finder.SiteRoot(true), std::string("http://www.emp3finder.test/"));
    TSearchMp3Search secure("s", "HTTPS://www.mp3search.test/s.php?q=", "", *m_transfers);
    QCOMPARE(secure.SiteRoot(true), std::string("https://www.mp3search.test/"));
}

void TestParsers::resultPagesFillPendingDetails() {
    const std::string page = "<a href=\"dsong.aspx?id=1&amp;s=2\">One</a>"
                             "<a href=\"dsong.aspx?id=2&amp;preview=1\">x</a>"
                             "<a href=\"download.php?id=3&amp;k=1\">Three</a>"
                             "<a href='dsong.aspx?id=4'>single</a>";
    TSearchMp3Finder finder("f", "http://www.emp3finder.test/search.aspx?q=", "&page=1", *m_transfers);
    finder.ParseResults(page);
    QCOMPARE(finder.PendingDetails.Lines(), std::vector<std::string>{"http://www.emp3finder.test/dsong.aspx?id=1&s=2"});
    TSearchMp3Search search("s", "http://www.mp3search.test/search.php?q=", "", *m_transfers);
    search.ParseResults(page);
    QCOMPARE(search.PendingDetails.Lines(),
             std::vector<std::string>{"http://www.mp3search.test/download.php?id=3&amp;k=1"});
}

void TestParsers::detailPagesReportEachDownloadAnchor() {
    TSearchMp3Search search("s", "http://www.mp3search.test/search.php?q=", "", *m_transfers);
    Captured captured;
    captured.Attach(search);
    search.ParseDetailPage("<font style=\"color: #ffffff;\"><b>  Band - Tune \r\n</b></font>"
                           "<a href=\"http://files.test/1.mp3\">Download Now</a>"
                           "<a href=\"http://files.test/mirror/1.mp3\">Download Now (mirror)</a>"
                           "<a href=\"http://files.test/other\">Download later</a>");
    QCOMPARE(captured.results, (QStringList{"s: Band - Tune | http://files.test/1.mp3",
                                            "s: Band - Tune | http://files.test/mirror/1.mp3"}));
    TSearchMp3Finder finder("f", "http://www.emp3finder.test/", "", *m_transfers);
    Captured finderCaptured;
    finderCaptured.Attach(finder);
    finder.ParseDetailPage("<a href=\"#\"><b>Song:</b> Artist - Name</a>"
                           "<a href=\"http://dl.test/x y.mp3\">Right mouse click here</a>");
    QCOMPARE(finderCaptured.results, QStringList{"f: Artist - Name | http://dl.test/x y.mp3"});
}

void TestParsers::detailPageWithoutTitleMarker() {
    TSearchMp3Finder finder("f", "http://www.emp3finder.test/", "", *m_transfers);
    Captured captured;
    captured.Attach(finder);
    finder.ParseDetailPage("<b>Song:</b> no closing anchor here <a href=\"http://d.test/a.mp3\">Right mouse click here");
    QVERIFY(captured.results.isEmpty()); // the download anchor itself is never closed
    finder.ParseDetailPage("<a href=\"http://d.test/a.mp3\">Right mouse click here</a>");
    QCOMPARE(captured.results, QStringList{"f:  | http://d.test/a.mp3"});
}

void TestParsers::lateDetailPageOfAnEarlierSearchIsDropped() {
    TSearchMp3Finder finder("f", "http://www.emp3finder.test/search.aspx?q=", "", *m_transfers);
    Captured captured;
    captured.Attach(finder);
    int completions = 0;
    finder.OnEngineComplete = [&](const std::string&) { ++completions; };
    finder.Search("new");
    finder.Abort();
    // A detail page of the search before arrives first, from a getter this search has not:
    // neither its songs nor its end count for this search.
    TPageFetch oldDetailGetter(*m_transfers);
    finder.PageReceived(&oldDetailGetter, "<a href=\"#\"><b>Song:</b> Old - One</a>"
                                          "<a href=\"http://d.test/old.mp3\">Right mouse click here</a>");
    QVERIFY(captured.results.isEmpty());
    QCOMPARE(completions, 0);
    QVERIFY(!finder.DetailStage);
    // The new result page is still read as one.
    finder.PageReceived(finder.Getter.get(), "<a href=\"other.aspx\">no details</a>");
    QVERIFY(finder.DetailStage);
    QCOMPARE(completions, 1);
}

void TestParsers::everyRecordOfALongPageCounts_data() {
    // One record of the page, "%1" standing for its number; and whether it is a result page.
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("record");
    QTest::addColumn<bool>("resultPage");
    QTest::newRow("muzz results")
        << "muzz"
        << "<tr><td><a href=\"/mp3presend?id=%1\">Band - Song %1</a></td></tr>\n"
        << true;
    QTest::newRow("emp3finder results")
        << "emp3finder"
        << "<li><a href=\"dsong.aspx?id=%1&amp;s=1\">Song %1</a></li>\n"
        << true;
    QTest::newRow("emp3finder downloads")
        << "emp3finder"
        << "<a href=\"http://d.test/%1.mp3\">Right mouse click here</a>\n"
        << false;
    QTest::newRow("mp3search results") << "mp3search"
                                       << "<li><a href=\"download.php?id=%1\">Song %1</a></li>\n"
                                       << true;
    QTest::newRow("mp3search downloads") << "mp3search"
                                         << "<a href=\"http://d.test/%1.mp3\">Download Now</a>\n"
                                         << false;
}

void TestParsers::everyRecordOfALongPageCounts() {
    QFETCH(QString, engine);
    QFETCH(QString, record);
    QFETCH(bool, resultPage);
    constexpr int kRecords = 10000;
    std::string page = "<html><body><a href=\"/\">Home</a>\n";
    for (int i = 0; i < kRecords; ++i)
        page += record.arg(i).toStdString();
    page += "</body></html>";
    auto search = MakeEngine("e", "http://www." + engine.toStdString() + ".test/search?q=", "", *m_transfers);
    QVERIFY(search);
    Captured captured;
    captured.Attach(*search);
    auto* twoStage = dynamic_cast<TTwoStageSearch*>(search.get());
    if (!resultPage)
        twoStage->ParseDetailPage(page);
    else
        search->ParseResults(page);
    const int found = twoStage != nullptr && resultPage ? twoStage->PendingDetails.Count()
                                                        : static_cast<int>(captured.results.size());
    QCOMPARE(found, kRecords);
}

void TestParsers::hugeTitleIsCut_data() {
    // A title of `lead` ASCII bytes, then one character repeated: where does the cut fall?
    QTest::addColumn<int>("lead");
    QTest::addColumn<QByteArray>("character");
    QTest::addColumn<int>("kept");
    const int limit = static_cast<int>(TMp3Search::kMaxTitleLength);
    QTest::newRow("ASCII") << limit << QByteArray("t") << limit;
    QTest::newRow("two bytes, one would fit") << limit - 1 << QByteArray("\xC3\xA9") << limit - 1;
    QTest::newRow("two bytes, ending at the limit") << limit - 2 << QByteArray("\xC3\xA9") << limit;
    QTest::newRow("three bytes, one would fit")
        << limit - 1 << QByteArray("\xE2\x82\xAC") << limit - 1;
    QTest::newRow("three bytes, two would fit")
        << limit - 2 << QByteArray("\xE2\x82\xAC") << limit - 2;
    QTest::newRow("four bytes, three would fit")
        << limit - 3 << QByteArray("\xF0\x9F\x8E\xB5") << limit - 3;
    QTest::newRow("not UTF-8: cut at the limit") << 0 << QByteArray("\xA9") << limit;
}

void TestParsers::hugeTitleIsCut() {
    QFETCH(int, lead);
    QFETCH(QByteArray, character);
    QFETCH(int, kept);
    TSearchMp3Search search("s", "http://www.mp3search.test/search.php?q=", "", *m_transfers);
    const std::string title =
        std::string(static_cast<size_t>(lead), 't') + character.repeated(50000).toStdString();
    const std::string page = "<font style=\"color: #ffffff;\"><b>" + title + "</b>";
    QCOMPARE(search.DetailTitle(page), title.substr(0, static_cast<size_t>(kept)));
}

QTEST_GUILESS_MAIN(TestParsers)
#include "tst_parsers.moc"
