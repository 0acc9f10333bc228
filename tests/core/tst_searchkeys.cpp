#include <sys/resource.h>

#include <csignal>

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/uProgram.h"
#include "core/uTAppOptions.h"
#include "core/uTStringList.h"
#include "startup/uInstanceLock.h"
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
    // The program's own data folder: the test's application folder is a portable copy's.
    std::string History() const { return SearchKeysPath(m_app->path().toStdString() + "/data/"); }
    std::unique_ptr<QTemporaryDir> m_app;
    std::unique_ptr<TProgram> m_program;
    std::unique_ptr<QTemporaryDir> m_config;
};

void TestSearchKeys::init() {
    m_app = std::make_unique<QTemporaryDir>();
    m_config = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config->path());
    QVERIFY(CreateDir(m_app->path().toStdString() + "/data"));
    m_program = std::make_unique<TProgram>(m_app->path().toStdString());
}

void TestSearchKeys::cleanup() {
    m_program.reset();
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
    connect(m_program->SearchKeys.get(), &TSearchHistory::Inserting, this, [&](int row) { told << QString("insert %1").arg(row); });
    connect(m_program->SearchKeys.get(), &TSearchHistory::Removing, this,
            [&](int first, int last) { told << QString("remove %1-%2").arg(first).arg(last); });
    m_program->SearchKeys->Add("first");
    m_program->SearchKeys->Add("second");
    QCOMPARE(m_program->SearchKeys->Lines(), (std::vector<std::string>{"second", "first"}));
    for (const std::string& key : Numbered(18))
        m_program->SearchKeys->Add(key);
    told.clear();
    m_program->SearchKeys->Add("one too many");
    QCOMPARE(told, (QStringList{"insert 0", "remove 20-20"}));
    m_program->SearchKeys->Add("ONE TOO MANY"); // held already: nothing to tell
    QCOMPARE(told.size(), 2);
}

void TestSearchKeys::repeatInOtherCaseMovesNothing() {
    m_program->SearchKeys->Add("Blue Harbour");
    m_program->SearchKeys->Add("other");
    m_program->SearchKeys->Add("BLUE HARBOUR");
    QCOMPARE(m_program->SearchKeys->Lines(), (std::vector<std::string>{"other", "Blue Harbour"}));
}

void TestSearchKeys::twentyFirstEntryIsDropped() {
    for (const std::string& key : Numbered(20))
        m_program->SearchKeys->Add(key);
    QCOMPARE(m_program->SearchKeys->Count(), 20);
    m_program->SearchKeys->Add("new");
    QCOMPARE(m_program->SearchKeys->Count(), 20);
    QCOMPARE(m_program->SearchKeys->Strings(0), std::string("new"));
    QCOMPARE(m_program->SearchKeys->Strings(19), std::string("key1"));
    QCOMPARE(m_program->SearchKeys->IndexOf("key0"), -1);
}

void TestSearchKeys::longHistoryIsReadUpToTwentyKeys() {
    std::string file;
    for (const std::string& key : Numbered(30))
        file += key + "\r\n";
    QVERIFY(TFileUtils::WriteWholeFile(History(), file));
    LoadSearchKeys(*m_program->SearchKeys, History());
    QCOMPARE(m_program->SearchKeys->Lines(), Numbered(20));
    // A huge file is read only as far as the keys need: its first line is whole, the one
    // the read limit ran into is dropped.
    file = "first\n" + std::string(kMaxSearchKeysFileBytes, 'x') + "\nlast\n";
    QVERIFY(TFileUtils::WriteWholeFile(History(), file));
    LoadSearchKeys(*m_program->SearchKeys, History());
    QCOMPARE(m_program->SearchKeys->Lines(), std::vector<std::string>{"first"});
}

void TestSearchKeys::emptyLineIsAnEntry() {
    QVERIFY(TFileUtils::WriteWholeFile(History(), "a\r\n\r\nb\r\n"));
    LoadSearchKeys(*m_program->SearchKeys, History());
    QCOMPARE(m_program->SearchKeys->Lines(), (std::vector<std::string>{"a", "", "b"}));
}

void TestSearchKeys::saveWritesCrLfLines() {
    QVERIFY(TFileUtils::WriteWholeFile(History(), "x\ny\rz"));
    LoadSearchKeys(*m_program->SearchKeys, History());
    SaveSearchKeys(*m_program->SearchKeys, History());
    QCOMPARE(TFileUtils::ReadWholeFile(History()), std::string("x\r\ny\r\nz\r\n"));
    m_program->SearchKeys->Clear();
    SaveSearchKeys(*m_program->SearchKeys, History());
    QVERIFY(FileExists(History()));
    QCOMPARE(TFileUtils::ReadWholeFile(History()), std::string());
}

void TestSearchKeys::failedSaveKeepsTheOldHistory() {
    QVERIFY(TFileUtils::WriteWholeFile(History(), "old\r\n"));
    LoadSearchKeys(*m_program->SearchKeys, History());
    for (const std::string& key : Numbered(20, "a longer key than the file limit allows "))
        m_program->SearchKeys->Add(key);
    // The write runs into a file-size limit half-way, as it would on a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 100;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = SaveSearchKeys(*m_program->SearchKeys, History());
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
    QVERIFY(!written);
    QCOMPARE(TFileUtils::ReadWholeFile(History()), std::string("old\r\n"));
}

void TestSearchKeys::clearEmptiesHistoryAndDeletesFile() {
    m_program->SearchKeys->Add("one");
    SaveSearchKeys(*m_program->SearchKeys, History());
    QVERIFY(FileExists(History()));
    ClearSearchKeys(*m_program->SearchKeys, History());
    QCOMPARE(m_program->SearchKeys->Count(), 0);
    QVERIFY(!FileExists(History()));
    m_program.reset(); // written again, empty
    QVERIFY(FileExists(History()));
    QCOMPARE(TFileUtils::ReadWholeFile(History()), std::string());
    m_program = std::make_unique<TProgram>(m_app->path().toStdString());
}

void TestSearchKeys::binaryHistoryLoadsWithoutHarm() {
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 37) % 256);
    QVERIFY(TFileUtils::WriteWholeFile(History(), junk));
    LoadSearchKeys(*m_program->SearchKeys, History());
    QVERIFY(m_program->SearchKeys->Count() > 0);
    m_program->SearchKeys->Add("after junk");
    QCOMPARE(m_program->SearchKeys->Strings(0), std::string("after junk"));
    SaveSearchKeys(*m_program->SearchKeys, History());
    LoadSearchKeys(*m_program->SearchKeys, History());
    QCOMPARE(m_program->SearchKeys->Strings(0), std::string("after junk"));
}

QTEST_GUILESS_MAIN(TestSearchKeys)
#include "tst_searchkeys.moc"
