// Downloads and live data against the stand-in web: every kind of file host ends as the
// catalogue says, a completed file is byte-identical to what the host sent, and the maker's
// files register the first run and store the most-popular list as it was sent.
#include <map>

#include <QDate>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "core/uGeneralKey.h"
#include "core/uTFileUtils.h"
#include "core/uTStringUtils.h"
#include "livedata/uTLiveUpdate.h"
#include "net/uTransferEngine.h"
#include "search/uTMp3Search.h"
#include "uMakerSite.h"
#include "uSandboxSite.h"

namespace {
bool SameAsServed(const std::string& file, const TExpectedDownload& expected) {
    if (static_cast<int64_t>(file.size()) != expected.Size)
        return false;
    if (!expected.Bytes.empty())
        return file == expected.Bytes;
    // A large file is one piece over and over.
    for (size_t at = 0; at < file.size(); at += expected.Piece.size()) {
        if (std::string_view(file).substr(at, expected.Piece.size()) != expected.Piece)
            return false;
    }
    return expected.Repeats * static_cast<int64_t>(expected.Piece.size()) == expected.Size;
}
} // namespace

class TestDownloadEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everyKindOfHostEndsAsTheCatalogueSays();
    void liveDataRegistersFirstRunAndStoresTheList();

private:
    QTemporaryDir m_authority;
    std::unique_ptr<TSandboxWeb> m_web;
    TTransferEngine m_transfers;
};

void TestDownloadEndToEnd::initTestCase() {
    m_web = std::make_unique<TSandboxWeb>(0);
    QVERIFY(m_web->Listening());
    QVERIFY(m_web->UseFromThisProcess(m_authority.filePath("ca.pem").toStdString()));
}

void TestDownloadEndToEnd::everyKindOfHostEndsAsTheCatalogueSays() {
    const TSandboxCatalogue& catalogue = SandboxCatalogue();
    // One song of every behaviour but the host that never answers.
    std::map<TLinkBehaviour, const TSandboxSong*> picked;
    for (const TSandboxSong& song : catalogue.Songs()) {
        if (song.Link != TLinkBehaviour::Stall)
            picked.emplace(song.Link, &song);
    }
    QCOMPARE(int(picked.size()), 9);
    QStringList arguments;
    QTemporaryDir done, partial;
    // Each host's first answer is what is judged: no second try after a cut.
    arguments << "download" << "--retries" << "0" << "--to" << done.path() << "--incomplete" << partial.path();
    std::map<std::string, int> idOfLink;
    for (const auto& [behaviour, song] : picked) {
        // The muzz form puts the title, spaces and all, into the address.
        const std::string link = TSandboxCatalogue::ResultLink(*song, TSandboxEngine::Muzz);
        idOfLink[link] = song->Id;
        arguments << QString::fromStdString(link);
    }
    QProcess cli;
    cli.start(QStringLiteral(ORVALO_CLI), arguments);
    QVERIFY(cli.waitForFinished(120000));
    QCOMPARE(cli.exitCode(), 1); // some hosts fail, as they should
    int completed = 0;
    for (const QByteArray& line : cli.readAllStandardOutput().split('\n')) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> fields = line.split('\t');
        const std::string link = fields.value(1).toStdString();
        QVERIFY2(idOfLink.count(link) == 1, line.constData());
        const TExpectedDownload expected = catalogue.ExpectedDownload(idOfLink[link]);
        QCOMPARE(fields[0] == "complete", expected.Completes);
        // A failure says why; the moved song's mirror shows a certificate for another host.
        if (!expected.Completes && catalogue.Find(idOfLink[link])->Link == TLinkBehaviour::OtherHostCertificate)
            QCOMPARE(fields.value(2), QByteArray("certificate for another host"));
        else if (!expected.Completes)
            QVERIFY2(!fields.value(2).isEmpty(), line.constData());
        if (expected.Completes) {
            const std::string path = fields.value(2).toStdString();
            QVERIFY2(path.rfind(done.path().toStdString() + "/", 0) == 0, path.c_str());
            QVERIFY2(SameAsServed(TFileUtils::ReadWholeFile(path), expected), link.c_str());
            ++completed;
        }
        idOfLink.erase(link);
    }
    QVERIFY(idOfLink.empty()); // every address reported once
    QCOMPARE(completed, 3); // Ok, Slow and Large
}

void TestDownloadEndToEnd::liveDataRegistersFirstRunAndStoresTheList() {
    QTemporaryDir config, app;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    QVERIFY(CreateDir(app.path().toStdString() + "/data"));
    const std::string dat = app.path().toStdString() + "/data/Orvalo.dat";
    QVERIFY(IsFirstRun());
    const auto fetcher = StartLiveUpdate(m_transfers, QDate::currentDate(), dat);
    QTRY_VERIFY(!IsFirstRun());
    QTRY_VERIFY(TFileUtils::ReadWholeFile(dat) == MostPopularScrambled());
    QCOMPARE(ReadPopularDate(), DayNumber(QDate::currentDate()));
    // The stored list reads back as the program's own six-field lines.
    const std::string plain = Unscramble(TFileUtils::ReadWholeFile(dat));
    QCOMPARE(plain, MostPopularPlain());
    const std::string first = plain.substr(0, plain.find("\r\n"));
    QVERIFY(!TStringUtils::GetField(first, "<field>", 6).empty());
    QVERIFY(TStringUtils::GetField(first, "<field>", 6).rfind("http://", 0) == 0);
}

QTEST_GUILESS_MAIN(TestDownloadEndToEnd)
#include "tst_download_e2e.moc"
