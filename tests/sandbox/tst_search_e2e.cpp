// The command-line search against the stand-in web: it must find, verify and fail exactly
// the links the catalogue says a search for the key yields.
#include <cstdlib>
#include <map>

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "core/uTStringUtils.h"
#include "uSandboxSite.h"

namespace {
struct SearchRun {
    int exitCode = -1;
    QMultiMap<QByteArray, QByteArray> results; // "engine\ttitle\tlink"
    std::map<std::string, std::string> checks; // link in lower case -> "verified\tsize" or "failed"
    QList<QByteArray> engineDone;
    int searchDone = 0;
};

SearchRun RunSearch(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(ORVALO_CLI), QStringList{"search"} + arguments);
    SearchRun run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields[0] == "result" && fields.size() == 4)
            run.results.insert(fields[1] + "\t" + fields[2] + "\t" + fields[3], {});
        else if (fields[0] == "engine-done")
            run.engineDone << fields.value(1);
        else if (fields[0] == "search-done")
            ++run.searchDone;
        else if (fields[0] == "verified" && fields.size() == 4)
            run.checks[AsciiLowerCopy(fields[1].toStdString())] = "verified\t" + fields[2].toStdString();
        else if (fields[0] == "failed" && fields.size() == 3 && !fields[2].isEmpty())
            run.checks[AsciiLowerCopy(fields[1].toStdString())] = "failed";
    }
    return run;
}
} // namespace

class TestSearchEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void searchFindsWhatTheCatalogueLists_data();
    void searchFindsWhatTheCatalogueLists();

private:
    QTemporaryDir m_authority;
    std::unique_ptr<TSandboxWeb> m_web;
};

void TestSearchEndToEnd::initTestCase() {
    m_web = std::make_unique<TSandboxWeb>(0);
    QVERIFY(m_web->Listening());
    QVERIFY(m_web->UseFromThisProcess(m_authority.filePath("ca.pem").toStdString()));
}

void TestSearchEndToEnd::searchFindsWhatTheCatalogueLists_data() {
    QTest::addColumn<QString>("key");
    QTest::newRow("one artist, every failing kind") << "velvet";
    QTest::newRow("words across artist and title") << "Blue Lantern";
    QTest::newRow("a stalling link ends by the check time-out") << "signal ashgrove";
    QTest::newRow("lying, cut, slow and huge files pass on their headers") << "quillmakers";
    QTest::newRow("nothing found") << "no such band anywhere";
}

void TestSearchEndToEnd::searchFindsWhatTheCatalogueLists() {
    QFETCH(QString, key);
    const std::vector<TExpectedResult> expected = ExpectedResults(key.toStdString());
    // The engines of the shipped engine list, from the data folder beside the program.
    const SearchRun run = RunSearch({"--check-timeout", "2", key});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.searchDone, 1);
    QCOMPARE(run.engineDone.size(), 3);

    QMultiMap<QByteArray, QByteArray> wanted;
    std::map<std::string, std::string> wantedChecks;
    for (const TExpectedResult& result : expected) {
        wanted.insert(QByteArray::fromStdString(result.Engine + "\t" + result.Title + "\t" + result.Link), {});
        wantedChecks[AsciiLowerCopy(result.Link)] = result.Check == TExpectedResult::Outcome::Verified
                                                        ? "verified\t" + std::to_string(result.Size)
                                                        : "failed";
    }
    QCOMPARE(run.results.keys(), wanted.keys());
    QCOMPARE(run.checks, wantedChecks);
    if (key != "no such band anywhere")
        QVERIFY(!expected.empty());
}

QTEST_GUILESS_MAIN(TestSearchEndToEnd)
#include "tst_search_e2e.moc"
