#include <functional>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVideoWidget>
#include <QUrl>
#include <QWidget>

#include "ui/pages/uApplication.h"
#include "ui/widgets/uMediaPlayer.h"
#include "uToneMaker.h"

// Starting a media pipeline can take seconds on a loaded machine (the suite runs two tests
// at once, and the back end first tries for a sound server that is not there).
constexpr int kPlaybackTimeoutMs = 30000;

// Waits until the player has played past `ms`. On a loaded machine the back end may play a
// short file through between two looks at its position, so reaching the end counts too.
bool PlaysPast(TMediaPlayer& player, qint64 ms) {
    qint64 furthest = 0;
    bool ended = false;
    QObject guard;
    QObject::connect(&player, &TMediaPlayer::PositionChanged, &guard,
                     [&](qint64 at) { furthest = std::max(furthest, at); });
    QObject::connect(&player, &TMediaPlayer::Finished, &guard, [&] { ended = true; });
    return QTest::qWaitFor([&] { return ended || std::max(furthest, player.Position()) > ms; },
                           kPlaybackTimeoutMs);
}

// The real player on real files. No sound device is needed: without one the media back
// end plays into its clock-driven null sink, so the position advances as it would aloud.
class TestMediaPlayer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void loadStartsPlayback();
    void emptyPathUnloads();
    void unplayableFilePlaysNothing_data();
    void unplayableFilePlaysNothing();
    void partialDownloadPlaysWhatArrived();
    void nameOfAnyBytesReachesTheFile();
    void fullScreenAndBack();

private:
    std::string WriteFile(const std::string& name, const std::string& bytes);
    QTemporaryDir m_folder;
    std::string m_tone;
};

std::string TestMediaPlayer::WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = m_folder.path().toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

void TestMediaPlayer::initTestCase() {
    const std::string mp3 = MakeToneMp3(TTone{440.0, 3000});
    QVERIFY(!mp3.empty());
    m_tone = WriteFile("tone.mp3", mp3);
}

void TestMediaPlayer::loadStartsPlayback() {
    TQtMediaPlayer player;
    player.Load(m_tone);
    QTRY_COMPARE_WITH_TIMEOUT(player.PlaybackState(), TMediaPlayer::State::Playing, kPlaybackTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(player.Duration() > 2500, kPlaybackTimeoutMs);
    QVERIFY(PlaysPast(player, 300));
}

void TestMediaPlayer::emptyPathUnloads() {
    TQtMediaPlayer player;
    player.Load(m_tone);
    QVERIFY(PlaysPast(player, 0));
    player.Load(std::string());
    QCOMPARE(player.Source(), std::string());
    QTRY_COMPARE_WITH_TIMEOUT(player.PlaybackState(), TMediaPlayer::State::Stopped, kPlaybackTimeoutMs);
    player.Play(); // nothing loaded: nothing to play
    QCOMPARE(player.PlaybackState(), TMediaPlayer::State::Stopped);
}

void TestMediaPlayer::unplayableFilePlaysNothing_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("garbage") << QByteArray("garbage.mp3") << QByteArray(2000, '\x5a');
    QTest::newRow("zero bytes") << QByteArray("empty.mp3") << QByteArray();
    QTest::newRow("cut short") << QByteArray("cut.mp3") << QByteArray("\xff\xfb\x50\xc4", 4);
    QTest::newRow("missing") << QByteArray() << QByteArray();
    QTest::newRow("a pipe") << QByteArray("pipe.mp3") << QByteArray("pipe");
}

void TestMediaPlayer::unplayableFilePlaysNothing() {
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, bytes);
    std::string path = m_folder.path().toStdString() + "/" + (name.isEmpty() ? "missing.mp3" : name.toStdString());
    if (bytes == "pipe")
        QCOMPARE(::mkfifo(path.c_str(), 0600), 0); // no writer: reading it would wait for ever
    else if (!name.isEmpty())
        path = WriteFile(name.toStdString(), bytes.toStdString());
    TQtMediaPlayer player;
    player.Load(path);
    QTRY_COMPARE_WITH_TIMEOUT(player.PlaybackState(), TMediaPlayer::State::Stopped, kPlaybackTimeoutMs);
    QCOMPARE(player.Position(), 0);
    // The next file plays as if nothing had happened.
    player.Load(m_tone);
    QVERIFY(PlaysPast(player, 200));
}

void TestMediaPlayer::partialDownloadPlaysWhatArrived() {
    const std::string whole = MakeToneMp3(TTone{330.0, 3000});
    const std::string path = WriteFile("partial.mp3", whole.substr(0, whole.size() / 2));
    TQtMediaPlayer player;
    player.Load(path);
    QVERIFY(PlaysPast(player, 300));
}

void TestMediaPlayer::nameOfAnyBytesReachesTheFile() {
    const std::string path = WriteFile("caf\xe9 50%.mp3", MakeToneMp3(TTone{440.0, 3000}));
    {
        TQtMediaPlayer player;
        player.Load(path);
        QVERIFY(PlaysPast(player, 200));
    }
    std::remove(path.c_str()); // the temporary folder cannot name it
}

void TestMediaPlayer::fullScreenAndBack() {
    TQtMediaPlayer player;
    QWidget holder;
    player.VideoArea()->setParent(&holder);
    holder.show();
    QVERIFY(!player.ShowFullScreen());
    QVERIFY(!player.VideoArea()->isFullScreen());
    // A song has no picture: no black screen to hide the window behind.
    player.Load(m_tone);
    QVERIFY(!player.ShowFullScreen());
    QVERIFY(!player.VideoArea()->isFullScreen());
    // A picture on the whole screen leaves by Escape, F11 and a double-click.
    QSignalSpy changes(&player, &TMediaPlayer::FullScreenChanged);
    auto* picture = qobject_cast<QVideoWidget*>(player.VideoArea());
    QVERIFY(picture != nullptr);
    const auto leave = [&](const std::function<void()>& act) {
        picture->setFullScreen(true);
        QTRY_VERIFY(player.VideoArea()->isFullScreen());
        act();
        QTRY_VERIFY(!player.VideoArea()->isFullScreen());
    };
    leave([&] { QTest::keyClick(player.VideoArea(), Qt::Key_Escape); });
    leave([&] { QTest::keyClick(player.VideoArea(), Qt::Key_F11); });
    leave([&] { QTest::mouseDClick(player.VideoArea(), Qt::LeftButton); });
    QCOMPARE(changes.size(), 6);
}

int main(int argc, char** argv) {
    TOrvaloApplication app(argc, argv);
    TestMediaPlayer test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mediaplayer.moc"
