#include <sys/resource.h>

#include <csignal>

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "startup/uIncludes.h"
#include "core/uSearchKeys.h"
#include "core/uTFileUtils.h"

namespace {
std::vector<std::string> Numbered(int count, const char* prefix = "key") {
    std::vector<std::string> keys;
    for (int i = 0; i < count; ++i)
        keys.push_back(prefix + std::to_string(i));
    return keys;
}
} // namespace

class TestSearchKeys : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void splitLines_data();
    void splitLines();
    void newKeyGoesOnTopAndListenersHearEachRow();
    void repeatInOtherCaseMovesNothing();
    void twentyFirstEntryIsDropped();
    void longHistoryIsReadUpToTwentyKeys();
    void emptyLineIsAnEntry();
    void saveWritesCrLfLines();
    void failedSaveKeepsTheOldHistory();
    void clearEmptiesHistoryAndDeletesFile();
    void binaryHistoryLoadsWithoutHarm();

private:
    std::string History() const { return SearchKeysPath(DataFolder); }
    std::unique_ptr<QTemporaryDir> m_app;
    std::unique_ptr<QTemporaryDir> m_config;
};

void TestSearchKeys::init() {
    m_app = std::make_unique<QTemporaryDir>();
    m_config = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config->path());
    QVERIFY(CreateDir(m_app->path().toStdString() + "/data"));
    StartUp(m_app->path().toStdString());
}

void TestSearchKeys::cleanup() {
    ShutDown();
}

void TestSearchKeys::splitLines_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lone lf and cr") << QByteArray("a\nb\rc") << QStringList{"a", "b", "c"};
    QTest::newRow("lf cr is two breaks") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
    QTest::newRow("empty lines") << QByteArray("\r\n\r\nx") << QStringList{"", "", "x"};
    QTest::newRow("no final break") << QByteArray("only") << QStringList{"only"};
    QTest::newRow("empty") << QByteArray() << QStringList{};
    QTest::newRow("single break") << QByteArray("\r\n") << QStringList{""};
}

void TestSearchKeys::splitLines() {
    QFETCH(QByteArray, text);
    QFETCH(QStringList, lines);
    QStringList got;
    for (const std::string& line : SplitLines(text.toStdString()))
        got << QString::fromStdString(line);
    QCOMPARE(got, lines);
}

void TestSearchKeys::newKeyGoesOnTopAndListenersHearEachRow() {
    QStringList told;
    connect(SearchKeys.get(), &TSearchHistory::Inserting, this, [&](int row) { told << QString("insert %1").arg(row); });
    connect(SearchKeys.get(), &TSearchHistory::Removing, this,
            [&](int first, int last) { told << QString("remove %1-%2").arg(first).arg(last); });
    SearchKeys->Add("first");
    SearchKeys->Add("second");
    QCOMPARE(SearchKeys->Lines(), (std::vector<std::string>{"second", "first"}));
    for (const std::string& key : Numbered(18))
        SearchKeys->Add(key);
    told.clear();
    SearchKeys->Add("one too many");
    QCOMPARE(told, (QStringList{"insert 0", "remove 20-20"}));
    SearchKeys->Add("ONE TOO MANY"); // held already: nothing to tell
    QCOMPARE(told.size(), 2);
}

void TestSearchKeys::repeatInOtherCaseMovesNothing() {
    SearchKeys->Add("Blue Harbour");
    SearchKeys->Add("other");
    SearchKeys->Add("BLUE HARBOUR");
    QCOMPARE(SearchKeys->Lines(), (std::vector<std::string>{"other", "Blue Harbour"}));
}

void TestSearchKeys::twentyFirstEntryIsDropped() {
    for (const std::string& key : Numbered(20))
        SearchKeys->Add(key);
    QCOMPARE(SearchKeys->Count(), 20);
    SearchKeys->Add("new");
    QCOMPARE(SearchKeys->Count(), 20);
    QCOMPARE(SearchKeys->Strings(0), std::string("new"));
    QCOMPARE(SearchKeys->Strings(19), std::string("key1"));
    QCOMPARE(SearchKeys->IndexOf("key0"), -1);
}

void TestSearchKeys::longHistoryIsReadUpToTwentyKeys() {
    std::string file;
    for (const std::string& key : Numbered(30))
        file += key + "\r\n";
    QVERIFY(TFileUtils::WriteWholeFile(History(), file));
    LoadSearchKeys(*SearchKeys, History());
    QCOMPARE(SearchKeys->Lines(), Numbered(20));
    // A huge file is read only as far as the keys need: its first line is whole, the one
    // the read limit ran into is dropped.
    file = "first\n" + std::string(kMaxSearchKeysFileBytes, 'x') + "\nlast\n";
    QVERIFY(TFileUtils::WriteWholeFile(History(), file));
    LoadSearchKeys(*SearchKeys, History());
    QCOMPARE(SearchKeys->Lines(), std::vector<std::string>{"first"});
}

void TestSearchKeys::emptyLineIsAnEntry() {
    QVERIFY(TFileUtils::WriteWholeFile(History(), "a\r\n\r\nb\r\n"));
    LoadSearchKeys(*SearchKeys, History());
    QCOMPARE(SearchKeys->Lines(), (std::vector<std::string>{"a", "", "b"}));
}

void TestSearchKeys::saveWritesCrLfLines() {
    QVERIFY(TFileUtils::WriteWholeFile(History(), "x\ny\rz"));
    LoadSearchKeys(*SearchKeys, History());
    SaveSearchKeys(*SearchKeys, History());
    QCOMPARE(TFileUtils::ReadWholeFile(History()), std::string("x\r\ny\r\nz\r\n"));
    SearchKeys->Clear();
    SaveSearchKeys(*SearchKeys, History());
    QVERIFY(FileExists(History()));
    QCOMPARE(TFileUtils::ReadWholeFile(History()), std::string());
}

void TestSearchKeys::failedSaveKeepsTheOldHistory() {
    QVERIFY(TFileUtils::WriteWholeFile(History(), "old\r\n"));
    LoadSearchKeys(*SearchKeys, History());
    for (const std::string& key : Numbered(20, "a longer key than the file limit allows "))
        SearchKeys->Add(key);
    // The write runs into a file-size limit half-way, as it would on a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 100;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = SaveSearchKeys(*SearchKeys, History());
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
    QVERIFY(!written);
    QCOMPARE(TFileUtils::ReadWholeFile(History()), std::string("old\r\n"));
}

void TestSearchKeys::clearEmptiesHistoryAndDeletesFile() {
    SearchKeys->Add("one");
    SaveSearchKeys(*SearchKeys, History());
    QVERIFY(FileExists(History()));
    ClearSearchKeys(*SearchKeys, History());
    QCOMPARE(SearchKeys->Count(), 0);
    QVERIFY(!FileExists(History()));
    ShutDown(); // written again, empty
    QVERIFY(FileExists(History()));
    QCOMPARE(TFileUtils::ReadWholeFile(History()), std::string());
    StartUp(m_app->path().toStdString());
}

void TestSearchKeys::binaryHistoryLoadsWithoutHarm() {
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 37) % 256);
    QVERIFY(TFileUtils::WriteWholeFile(History(), junk));
    LoadSearchKeys(*SearchKeys, History());
    QVERIFY(SearchKeys->Count() > 0);
    SearchKeys->Add("after junk");
    QCOMPARE(SearchKeys->Strings(0), std::string("after junk"));
    SaveSearchKeys(*SearchKeys, History());
    LoadSearchKeys(*SearchKeys, History());
    QCOMPARE(SearchKeys->Strings(0), std::string("after junk"));
}

QTEST_GUILESS_MAIN(TestSearchKeys)
#include "tst_searchkeys.moc"
