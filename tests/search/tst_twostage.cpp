#include <QTest>

#include "net/uTransferEngine.h"
#include "TestServer.h"
#include "search/uTSearchMp3Finder.h"
#include "search/uTSearchMuzz.h"

namespace {
struct Outcome {
    QStringList events;
    void Attach(TMp3Search& engine) {
        engine.OnResultFound = [this](const std::string&, const std::string& title, const std::string& url) {
            events << QString::fromStdString("result " + title + " " + url);
        };
        engine.OnEngineComplete = [this](const std::string&) { events << "complete"; };
        engine.OnEngineError = [this](const std::string&) { events << "error"; };
    }
    bool Ended() const { return events.contains("complete") || events.contains("error"); }
};

std::string Detail(const std::string& title, const std::string& link) {
    return "<a href=\"#\"><b>Song:</b> " + title + "</a><a href=\"" + link + "\">Right mouse click here</a>";
}
} // namespace

class TestTwoStage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void detailPagesAreFetchedOneByOneInPageOrder();
    void resultPageWithoutDetailsCompletesAtOnce();
    void failedDetailEndsTheSearch();
    void aCancelledSearchsDetailsNeverReachTheNext();
    void abortEndsTheResultPageFetch();
    void oneStageEngineReportsAndCompletes();
    void keyGoesOnTheWireEncoded();

private:
    std::unique_ptr<TTestServer> m_server;
    std::unique_ptr<TTransferEngine> m_transfers = std::make_unique<TTransferEngine>();
};

void TestTwoStage::initTestCase() {
    m_server = std::make_unique<TTestServer>();
    m_server->UseAsProxy();
}

void TestTwoStage::detailPagesAreFetchedOneByOneInPageOrder() {
    m_server->Serve("f1.test/emp3finder?q=a",
                    TScriptedResponse::Ok("<a href=\"other.aspx?id=1\">1</a>" // no detail marker: skipped
                                          "<a href=\"d.aspx?id=1&dsong.aspx?id=\">1</a>"
                                          "<a href=\"d.aspx?id=2&amp;s=x&dsong.aspx?id=\">2</a>"));
    // The marker sits in the query here so that the test server's addresses stay short.
    m_server->Serve("f1.test/d.aspx?id=1&dsong.aspx?id=", TScriptedResponse::Ok(Detail("A - One", "http://dl.test/1.mp3")));
    m_server->Serve("f1.test/d.aspx?id=2&s=x&dsong.aspx?id=", TScriptedResponse::Ok(Detail("A - Two", "http://dl.test/2.mp3")));
    TSearchMp3Finder finder("f", "http://f1.test/emp3finder?q=", "", *m_transfers);
    Outcome outcome;
    outcome.Attach(finder);
    finder.Search("a");
    QTRY_VERIFY(outcome.Ended());
    QCOMPARE(outcome.events, (QStringList{"result A - One http://dl.test/1.mp3", "result A - Two http://dl.test/2.mp3",
                                          "complete"}));
    QVERIFY(finder.DetailStage);
    QCOMPARE(finder.PendingDetails.Count(), 0);
}

void TestTwoStage::resultPageWithoutDetailsCompletesAtOnce() {
    m_server->Serve("f2.test/emp3finder?q=none", TScriptedResponse::Ok("<html>nothing found</html>"));
    TSearchMp3Finder finder("f", "http://f2.test/emp3finder?q=", "", *m_transfers);
    Outcome outcome;
    outcome.Attach(finder);
    const size_t before = m_server->RequestCount();
    finder.Search("none");
    QTRY_VERIFY(outcome.Ended());
    QCOMPARE(outcome.events, QStringList{"complete"});
    QCOMPARE(m_server->RequestCount(), before + 1);
}

void TestTwoStage::failedDetailEndsTheSearch() {
    TSearchMp3Finder finder("f", "http://f3.test/emp3finder?q=", "", *m_transfers);
    Outcome outcome;
    outcome.Attach(finder);
    m_server->Serve("f3.test/emp3finder?q=first",
                    TScriptedResponse::Ok("<a href=\"ok1?dsong.aspx?id=\">1</a><a href=\"gone?dsong.aspx?id=\">2</a>"
                                          "<a href=\"ok3?dsong.aspx?id=\">3</a>"));
    m_server->Serve("f3.test/ok1?dsong.aspx?id=", TScriptedResponse::Ok(Detail("One", "http://dl.test/1.mp3")));
    TScriptedResponse refused;
    refused.RawOnly = true; // not HTTP at all: the fetch fails
    m_server->Serve("f3.test/gone?dsong.aspx?id=", refused);
    m_server->Serve("f3.test/ok3?dsong.aspx?id=", TScriptedResponse::Ok(Detail("Three", "http://dl.test/3.mp3")));
    finder.Search("first");
    QTRY_VERIFY(outcome.Ended());
    QCOMPARE(outcome.events, (QStringList{"result One http://dl.test/1.mp3", "error"}));

    // The next search is its own: what the first left is not fetched for it.
    m_server->Serve("f3.test/emp3finder?q=second", TScriptedResponse::Ok("<html>no links</html>"));
    outcome.events.clear();
    const size_t before = m_server->RequestCount();
    finder.Search("second");
    QTRY_VERIFY(outcome.Ended());
    QCOMPARE(outcome.events, QStringList{"complete"});
    QCOMPARE(m_server->RequestCount(), before + 1);
}

void TestTwoStage::aCancelledSearchsDetailsNeverReachTheNext() {
    // The first search's detail page is held by the server until the second search runs.
    TSearchMp3Finder finder("f", "http://f5.test/emp3finder?q=", "", *m_transfers);
    Outcome outcome;
    outcome.Attach(finder);
    m_server->Serve("f5.test/emp3finder?q=old", TScriptedResponse::Ok("<a href=\"old1?dsong.aspx?id=\">1</a>"
                                                                       "<a href=\"old2?dsong.aspx?id=\">2</a>"));
    TScriptedResponse held = TScriptedResponse::Ok(Detail("Old - One", "http://dl.test/old1.mp3"));
    held.Gate = std::make_shared<TGate>();
    m_server->Serve("f5.test/old1?dsong.aspx?id=", held);
    m_server->Serve("f5.test/old2?dsong.aspx?id=", TScriptedResponse::Ok(Detail("Old - Two", "http://dl.test/old2.mp3")));
    TScriptedResponse newPage = TScriptedResponse::Ok("<a href=\"new1?dsong.aspx?id=\">1</a>");
    newPage.Gate = std::make_shared<TGate>();
    m_server->Serve("f5.test/emp3finder?q=new", newPage);
    m_server->Serve("f5.test/new1?dsong.aspx?id=", TScriptedResponse::Ok(Detail("New - One", "http://dl.test/new1.mp3")));
    finder.Search("old");
    QTRY_COMPARE(held.Gate->Arrivals(), size_t(1)); // the result page was read, its first detail asked for
    finder.Abort();
    finder.Search("new");
    QTRY_COMPARE(newPage.Gate->Arrivals(), size_t(1));
    // The old detail page answers before the new result page does.
    held.Gate->Open();
    QTRY_COMPARE(m_server->AnswersSent(), m_server->RequestCount() - 1);
    newPage.Gate->Open();
    QTRY_VERIFY(outcome.events.contains("complete"));
    QCOMPARE(outcome.events, (QStringList{"result New - One http://dl.test/new1.mp3", "complete"}));
    QCOMPARE(finder.PendingDetails.Count(), 0);
}

void TestTwoStage::abortEndsTheResultPageFetch() {
    TScriptedResponse stalled = TScriptedResponse::Ok("late");
    stalled.StallBeforeAnswer = true;
    m_server->Serve("f4.test/emp3finder?q=s", stalled);
    TSearchMp3Finder finder("f", "http://f4.test/emp3finder?q=", "", *m_transfers);
    Outcome outcome;
    outcome.Attach(finder);
    finder.Search("s");
    QVERIFY(finder.Getter->Busy());
    finder.Abort();
    QTRY_COMPARE(outcome.events, QStringList{"error"});
}

void TestTwoStage::oneStageEngineReportsAndCompletes() {
    m_server->Serve("www.muzz.test/s?q=band", TScriptedResponse::Ok("<a href=\"/mp3presend?id=4\">Band - Song</a>"));
    TSearchMuzz muzz("m", "http://www.muzz.test/s?q=", "", *m_transfers);
    Outcome outcome;
    outcome.Attach(muzz);
    muzz.Search("band");
    QTRY_VERIFY(outcome.Ended());
    QCOMPARE(outcome.events, (QStringList{"result Band - Song http://www.muzz.test/mp3send/Band - Song.mp3?id=4",
                                          "complete"}));
}

void TestTwoStage::keyGoesOnTheWireEncoded() {
    TSearchMuzz muzz("m", "http://www.muzz.test/find?q=", "&x=1", *m_transfers);
    Outcome outcome;
    outcome.Attach(muzz);
    const size_t before = m_server->RequestCount();
    // The key's own "&", "#", "+", "=", "%" and "/" reach the site as the key's, not the
    // query's; the prefix and suffix stay as they are.
    muzz.Search("Simon & Garfunkel #1 C++ a=b 100% AC/DC \xE9t\xE9");
    QTRY_VERIFY(outcome.Ended());
    const TRecordedRequest request = m_server->Requests().at(before);
    QVERIFY2(request.RequestLine.find("/find?q=Simon%20%26%20Garfunkel%20%231%20C%2B%2B%20a%3Db%20100%25%20AC%2FDC%20"
                                      "%E9t%E9&x=1 HTTP/1.0") != std::string::npos,
             request.RequestLine.c_str());
    QCOMPARE(outcome.events, QStringList{"complete"}); // a 404 page is a page without results
}

QTEST_GUILESS_MAIN(TestTwoStage)
#include "tst_twostage.moc"
