#include <QDate>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "core/uGeneralKey.h"
#include "core/uTAppOptions.h"
#include "core/uTFileUtils.h"

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void init();
    void absentSettingsKeepDefaults();
    void saveWritesEveryValue();
    void nonZeroFlagReadsTrueAndIsWrittenAsOne();
    void malformedValuesReadAsAbsent_data();
    void malformedValuesReadAsAbsent();
    void folderBytesSurviveRoundTrip_data();
    void folderBytesSurviveRoundTrip();
    void firstRunMarker();
    void popularDate();
    void malformedDateReadsAsZero();
    void dayNumbers();

private:
    QString SettingsFile() const { return OpenOrvaloSettings()->fileName(); }
    void WriteSettingsFile(const QByteArray& content) {
        QVERIFY(TFileUtils::WriteWholeFile(SettingsFile().toStdString(), content.toStdString()));
    }
    QByteArray ReadSettingsFile() const {
        return QByteArray::fromStdString(TFileUtils::ReadWholeFile(SettingsFile().toStdString()));
    }
    std::unique_ptr<QTemporaryDir> m_config;
};

void TestSettings::init() {
    // A settings folder of its own for each case, so no cached file leaks between cases.
    m_config = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config->path());
    QVERIFY(SettingsFile().startsWith(m_config->path()));
    QVERIFY(QDir().mkpath(m_config->path() + "/Orvalo"));
}

void TestSettings::absentSettingsKeepDefaults() {
    // Nothing stored: what the options held stays.
    TAppOptions options;
    options.DownloadDir = "d";
    options.IncompleteDir = "i";
    options.ClearDownloadsWhenComplete = true;
    options.Load();
    QCOMPARE(options.DownloadDir, std::string("d"));
    QCOMPARE(options.IncompleteDir, std::string("i"));
    QCOMPARE(options.ClearDownloadsWhenComplete, true);
}

void TestSettings::saveWritesEveryValue() {
    TAppOptions options;
    options.DownloadDir = "/music/done";
    options.IncompleteDir = "/music/part";
    options.DownloadsAtOnce = 3;
    options.Save();
    const QByteArray file = ReadSettingsFile();
    QVERIFY2(file.contains("[Options]"), file);
    QVERIFY2(file.contains("DownloadDir=/music/done"), file);
    QVERIFY2(file.contains("IncompleteDir=/music/part"), file);
    QVERIFY2(file.contains("ClearDownloadsWhenComplete=0"), file);
    TAppOptions loaded;
    loaded.ClearDownloadsWhenComplete = true;
    loaded.Load();
    QCOMPARE(loaded.DownloadDir, options.DownloadDir);
    QCOMPARE(loaded.IncompleteDir, options.IncompleteDir);
    QCOMPARE(loaded.ClearDownloadsWhenComplete, false);
    QCOMPARE(loaded.DownloadsAtOnce, 3);
}

void TestSettings::nonZeroFlagReadsTrueAndIsWrittenAsOne() {
    // Any 32-bit value but 0, signed or unsigned, is set.
    for (const char* stored : {"5", "2147483648", "4294967295", "-1"}) {
        WriteSettingsFile(QByteArray("[Options]\nClearDownloadsWhenComplete=") + stored + "\n");
        TAppOptions options;
        options.Load();
        QVERIFY2(options.ClearDownloadsWhenComplete, stored);
        options.Save();
        QVERIFY2(ReadSettingsFile().contains("ClearDownloadsWhenComplete=1"), ReadSettingsFile());
    }
}

void TestSettings::malformedValuesReadAsAbsent_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("keepsDownloadDir");
    QTest::newRow("flag is text") << QByteArray("[Options]\nClearDownloadsWhenComplete=yes please\n") << true;
    QTest::newRow("folder is a list") << QByteArray("[Options]\nDownloadDir=a, b\nClearDownloadsWhenComplete=1, 2\n") << true;
    QTest::newRow("folder is a variant blob") << QByteArray("[Options]\nDownloadDir=@Variant(\\0\\0\\0\\x7f)\n") << true;
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe[Opt\x01ions\n=\n==\x80\x81", 16) << true;
    QTest::newRow("broken group") << QByteArray("[Options\nClearDownloadsWhenComplete=\n") << true;
    QTest::newRow("flag out of range") << QByteArray("[Options]\nClearDownloadsWhenComplete=99999999999999\n") << true;
    QTest::newRow("none at once") << QByteArray("[Options]\nDownloadsAtOnce=0\n") << true;
    QTest::newRow("too many at once") << QByteArray("[Options]\nDownloadsAtOnce=51\n") << true;
}

void TestSettings::malformedValuesReadAsAbsent() {
    QFETCH(QByteArray, content);
    QFETCH(bool, keepsDownloadDir);
    WriteSettingsFile(content);
    TAppOptions options;
    options.DownloadDir = "kept";
    options.Load();
    QCOMPARE(options.ClearDownloadsWhenComplete, false);
    QCOMPARE(options.DownloadsAtOnce, 6);
    if (keepsDownloadDir)
        QCOMPARE(options.DownloadDir, std::string("kept"));
    // Saving over the broken file gives a sound one again.
    options.Save();
    TAppOptions again;
    again.Load();
    QCOMPARE(again.DownloadDir, std::string("kept"));
}

void TestSettings::folderBytesSurviveRoundTrip_data() {
    QTest::addColumn<QByteArray>("folder");
    QTest::newRow("utf-8") << QByteArray("/home/u/M\xC3\xBCsik");
    QTest::newRow("latin-1 bytes") << QByteArray("/home/u/M\xFCsik");
    QTest::newRow("spaces, equals and commas") << QByteArray("/a b=c, d;e\\f");
}

void TestSettings::folderBytesSurviveRoundTrip() {
    QFETCH(QByteArray, folder);
    TAppOptions options;
    options.DownloadDir = folder.toStdString();
    options.Save();
    TAppOptions loaded;
    loaded.Load();
    QCOMPARE(QByteArray::fromStdString(loaded.DownloadDir), folder);
}

void TestSettings::firstRunMarker() {
    QVERIFY(IsFirstRun());
    MarkFirstRunDone();
    QVERIFY(!IsFirstRun());
    QVERIFY2(ReadSettingsFile().contains("FirstRun=1"), ReadSettingsFile());
}

void TestSettings::popularDate() {
    QCOMPARE(ReadPopularDate(), 0);
    WritePopularDate(QDate(2000, 1, 1));
    QCOMPARE(ReadPopularDate(), 36526);
    QVERIFY2(ReadSettingsFile().contains("Date=36526"), ReadSettingsFile());
    // The Options values are left alone by General writes.
    TAppOptions options;
    options.Load();
    QCOMPARE(options.DownloadDir, std::string());
}

void TestSettings::malformedDateReadsAsZero() {
    // QSettings keeps a group named General as "[%General]": a plain [General] section
    // holds keys of the top level.
    WriteSettingsFile("[%General]\nDate=tomorrow\nFirstRun=not a number\n");
    QCOMPARE(ReadPopularDate(), 0);
    // Only the presence of the first-run value counts, whatever it holds.
    QVERIFY(!IsFirstRun());
}

void TestSettings::dayNumbers() {
    QCOMPARE(DayNumber(QDate(1899, 12, 30)), 0);
    QCOMPARE(DayNumber(QDate(1899, 12, 31)), 1);
    QCOMPARE(DayNumber(QDate(2000, 1, 1)), 36526);
    QCOMPARE(DayNumber(QDate(2026, 12, 7)), 46363);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
