#include <sys/prctl.h>

#include <csignal>
#include <optional>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "desktop/uMpris.h"
#include "desktop/uNotifier.h"

Q_DECLARE_METATYPE(TMprisPlayer::TStatus)

namespace {

const QString kService = QStringLiteral("org.mpris.MediaPlayer2.orvalo");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// A bus of the test's own: no service files (nothing is started on demand) and no link to
// the user's session.
const char* const kBusConfig = R"(<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

class TFakePlayer : public TMprisPlayer {
public:
    TStatus CurrentStatus = TStatus::Stopped;
    TTrack CurrentTrack;
    int Volume = 50;
    qint64 Position = 1500;
    bool HasNext = false;
    bool HasPrevious = false;
    QStringList Given;

    TStatus Status() const override { return CurrentStatus; }
    TTrack Track() const override { return CurrentTrack; }
    qint64 PositionMs() const override { return Position; }
    int VolumePercent() const override { return Volume; }
    bool CanGoNext() const override { return HasNext; }
    bool CanGoPrevious() const override { return HasPrevious; }
    void Play() override { Given << QStringLiteral("Play"); }
    void Pause() override { Given << QStringLiteral("Pause"); }
    void PlayPause() override { Given << QStringLiteral("PlayPause"); }
    void Stop() override { Given << QStringLiteral("Stop"); }
    void Next() override { Given << QStringLiteral("Next"); }
    void Previous() override { Given << QStringLiteral("Previous"); }
    void SetVolumePercent(int percent) override { Volume = percent; }
    void SetPositionMs(qint64 ms) override { Position = ms; }
};

const TMprisPlayer::TTrack kSong{QStringLiteral("/music/Fictional Band - Song of Tests.mp3"),
                                 QStringLiteral("Song of Tests"), QStringLiteral("Fictional Band"),
                                 QStringLiteral("Tones"), 205'000};

QVariantMap AsMap(const QVariant& value) {
    return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
}

} // namespace

// Stands for the desktop's notification service.
class TFakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList Seen;
    QStringList Icons;
    QList<QStringList> Actions;
    QList<QVariantMap> Hints;
    QList<uint> Replaced;

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int) {
        Seen << app + '|' + summary + '|' + body;
        Icons << icon;
        Actions << actions;
        Hints << hints;
        Replaced << replaces;
        return uint(Seen.size());
    }
};

// Records the player's PropertiesChanged signals as a client of the bus sees them.
class TChangeListener : public QObject {
    Q_OBJECT
public:
    QList<QVariantMap> Changes;

public slots:
    void Changed(const QString& interface, const QVariantMap& changed, const QStringList&) {
        if (interface == kPlayer)
            Changes << changed;
    }
};

class TestDesktopBus : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void publishedUnderTheProgramsName();
    void commandsReachThePlayer_data();
    void commandsReachThePlayer();
    void statusAndMetadataReadBack();
    void changesAreSignalled();
    void seekingMovesThePositionAndIsSignalled();
    void notificationReachesTheService();
    void newsTakesTheShownNotificationsPlace();
    void withoutABusNothingIsSent();

signals:
    void SeekedHeard(qlonglong position);
    void ActionHeard(uint id, const QString& action);

private:
    QDBusMessage Call(const QString& interface, const QString& method,
                      const QVariantList& arguments = {});
    QVariant Get(const QString& interface, const QString& name);

    QTemporaryDir m_folder;
    QProcess m_daemon;
    // The program's side and the desktop's side: two clients, as in real life.
    std::optional<QDBusConnection> m_program;
    std::optional<QDBusConnection> m_desktop;
};

void TestDesktopBus::initTestCase() {
    const QString config = m_folder.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QString::fromLatin1(kBusConfig).arg(m_folder.path()).toUtf8());
    file.close();
    // The bus ends with the test, however the test ends.
    m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + config, QStringLiteral("--print-address"),
                    QStringLiteral("--nofork")});
    QVERIFY(m_daemon.waitForStarted());
    QVERIFY(m_daemon.waitForReadyRead(10000));
    const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    m_program = QDBusConnection::connectToBus(address, QStringLiteral("program"));
    m_desktop = QDBusConnection::connectToBus(address, QStringLiteral("desktop"));
    QVERIFY(m_program->isConnected());
    QVERIFY(m_desktop->isConnected());
}

void TestDesktopBus::cleanupTestCase() {
    m_program.reset();
    m_desktop.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("program"));
    QDBusConnection::disconnectFromBus(QStringLiteral("desktop"));
    m_daemon.terminate();
    m_daemon.waitForFinished();
}

// Both ends live on this thread: the call waits with the event loop running, so the
// program's side can answer.
QDBusMessage TestDesktopBus::Call(const QString& interface, const QString& method,
                                  const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, interface, method);
    call.setArguments(arguments);
    return m_desktop->call(call, QDBus::BlockWithGui);
}

QVariant TestDesktopBus::Get(const QString& interface, const QString& name) {
    const QDBusMessage reply = Call(kProperties, QStringLiteral("Get"), {interface, name});
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

void TestDesktopBus::publishedUnderTheProgramsName() {
    TFakePlayer player;
    TMpris mpris(player, *m_program);
    QVERIFY(mpris.IsPublished());
    QCOMPARE(Get(kRoot, QStringLiteral("Identity")).toString(), QStringLiteral("Orvalo"));
    QCOMPARE(Get(kRoot, QStringLiteral("CanQuit")), QVariant(false));
    QCOMPARE(Get(kRoot, QStringLiteral("CanRaise")), QVariant(true));
    // The desktop finds the program's name and icon through this file.
    const QString entry = Get(kRoot, QStringLiteral("DesktopEntry")).toString();
    QVERIFY2(QFile::exists(QStringLiteral(ORVALO_SOURCE_DIR "/data/") + entry + ".desktop"),
             qPrintable(entry));
    QSignalSpy raised(&mpris, &TMpris::RaiseRequested);
    Call(kRoot, QStringLiteral("Raise"));
    QCOMPARE(raised.count(), 1);
}

void TestDesktopBus::commandsReachThePlayer_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<TMprisPlayer::TStatus>("status");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("canGo");
    QTest::addColumn<QString>("given"); // empty: the player hears nothing
    using S = TMprisPlayer::TStatus;
    QTest::newRow("play") << "Play" << S::Stopped << true << false << "Play";
    QTest::newRow("play, nothing loaded") << "Play" << S::Stopped << false << false << "";
    QTest::newRow("pause") << "Pause" << S::Playing << true << false << "Pause";
    QTest::newRow("play-pause") << "PlayPause" << S::Playing << true << false << "PlayPause";
    QTest::newRow("play-pause, nothing loaded") << "PlayPause" << S::Paused << false << false << "";
    QTest::newRow("stop") << "Stop" << S::Playing << true << false << "Stop";
    QTest::newRow("next") << "Next" << S::Playing << true << true << "Next";
    QTest::newRow("next, at the end") << "Next" << S::Playing << true << false << "";
    QTest::newRow("previous") << "Previous" << S::Playing << true << true << "Previous";
    QTest::newRow("previous, at the start") << "Previous" << S::Playing << true << false << "";
}

void TestDesktopBus::commandsReachThePlayer() {
    QFETCH(QString, method);
    QFETCH(TMprisPlayer::TStatus, status);
    QFETCH(bool, loaded);
    QFETCH(bool, canGo);
    QFETCH(QString, given);
    TFakePlayer player;
    player.CurrentStatus = status;
    player.CurrentTrack = loaded ? kSong : TMprisPlayer::TTrack();
    player.HasNext = player.HasPrevious = canGo;
    TMpris mpris(player, *m_program);
    const QDBusMessage reply = Call(kPlayer, method);
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(player.Given, given.isEmpty() ? QStringList() : QStringList{given});
}

void TestDesktopBus::statusAndMetadataReadBack() {
    TFakePlayer player;
    TMpris mpris(player, *m_program);
    QCOMPARE(Get(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
    QVERIFY(AsMap(Get(kPlayer, QStringLiteral("Metadata"))).isEmpty());
    QCOMPARE(Get(kPlayer, QStringLiteral("CanPlay")), QVariant(false));

    player.CurrentStatus = TMprisPlayer::TStatus::Playing;
    player.CurrentTrack = kSong;
    QCOMPARE(Get(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Playing"));
    const QVariantMap metadata = AsMap(Get(kPlayer, QStringLiteral("Metadata")));
    const QString trackId = metadata.value("mpris:trackid").value<QDBusObjectPath>().path();
    QVERIFY2(!trackId.isEmpty() && !trackId.startsWith("/org/mpris/"), qPrintable(trackId));
    QCOMPARE(metadata.value("xesam:title").toString(), kSong.Title);
    // A list of artists and a 64-bit length: desktops ignore values of other types.
    QCOMPARE(metadata.value("xesam:artist"), QVariant(QStringList{kSong.Artist}));
    QCOMPARE(metadata.value("xesam:album").toString(), kSong.Album);
    QCOMPARE(metadata.value("mpris:length"), QVariant(205'000'000LL));
    QCOMPARE(Get(kPlayer, QStringLiteral("Position")).toLongLong(), 1'500'000LL);

    Call(kProperties, QStringLiteral("Set"),
         {kPlayer, QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(0.25))});
    QCOMPARE(player.Volume, 25);
}

void TestDesktopBus::changesAreSignalled() {
    TFakePlayer player;
    TMpris mpris(player, *m_program);
    TChangeListener listener;
    QVERIFY(m_desktop->connect(kService, kPath, kProperties, QStringLiteral("PropertiesChanged"),
                               &listener, SLOT(Changed(QString, QVariantMap, QStringList))));
    // What changed is told once the turn of the event loop is over.
    const auto turnEnds = [&] { QCoreApplication::sendPostedEvents(&mpris, QEvent::MetaCall); };
    player.CurrentStatus = TMprisPlayer::TStatus::Playing;
    player.CurrentTrack = kSong;
    mpris.Refresh();
    turnEnds();
    mpris.Refresh(); // nothing changed: nothing is sent
    turnEnds();
    player.CurrentStatus = TMprisPlayer::TStatus::Paused;
    mpris.Refresh();
    turnEnds();
    // A track change passes through a stopped player with nothing loaded, in one turn: the
    // desktop hears only the new track.
    player.CurrentStatus = TMprisPlayer::TStatus::Stopped;
    player.CurrentTrack = {};
    mpris.Refresh();
    player.CurrentTrack = kSong;
    player.CurrentTrack.Path = QStringLiteral("/music/another.mp3");
    player.CurrentTrack.Title = QStringLiteral("Another Song");
    mpris.Refresh();
    player.CurrentStatus = TMprisPlayer::TStatus::Playing;
    mpris.Refresh();
    turnEnds();
    QTRY_COMPARE(listener.Changes.size(), 3);

    QCOMPARE(listener.Changes[0].value("PlaybackStatus").toString(), QStringLiteral("Playing"));
    const QVariantMap first = AsMap(listener.Changes[0].value("Metadata"));
    QCOMPARE(first.value("xesam:title").toString(), kSong.Title);
    QCOMPARE(listener.Changes[1].keys(), QStringList{"PlaybackStatus"});
    QCOMPARE(listener.Changes[1].value("PlaybackStatus").toString(), QStringLiteral("Paused"));
    QCOMPARE(listener.Changes[2].keys(), (QStringList{"Metadata", "PlaybackStatus"}));
    const QVariantMap other = AsMap(listener.Changes[2].value("Metadata"));
    QCOMPARE(other.value("xesam:title").toString(), QStringLiteral("Another Song"));
    QCOMPARE(other.value("mpris:length"), QVariant(205'000'000LL));
    QVERIFY(other.value("mpris:trackid").value<QDBusObjectPath>() !=
            first.value("mpris:trackid").value<QDBusObjectPath>());
}

void TestDesktopBus::seekingMovesThePositionAndIsSignalled() {
    TFakePlayer player;
    player.CurrentStatus = TMprisPlayer::TStatus::Playing;
    player.CurrentTrack = kSong;
    TMpris mpris(player, *m_program);
    QCOMPARE(Get(kPlayer, QStringLiteral("CanSeek")), QVariant(true));
    QCOMPARE(AsMap(Get(kPlayer, QStringLiteral("Metadata"))).value("xesam:url").toString(),
             QStringLiteral("file:///music/Fictional%20Band%20-%20Song%20of%20Tests.mp3"));
    QSignalSpy heard(this, &TestDesktopBus::SeekedHeard);
    QVERIFY(m_desktop->connect(kService, kPath, kPlayer, QStringLiteral("Seeked"), this,
                               SIGNAL(SeekedHeard(qlonglong))));
    Call(kPlayer, QStringLiteral("Seek"), {QVariant::fromValue(qlonglong(10'000'000))});
    QCOMPARE(player.Position, 11'500);
    const QString track = AsMap(Get(kPlayer, QStringLiteral("Metadata"))).value("mpris:trackid").value<QDBusObjectPath>().path();
    Call(kPlayer, QStringLiteral("SetPosition"),
         {QVariant::fromValue(QDBusObjectPath(track)), QVariant::fromValue(qlonglong(30'000'000))});
    QCOMPARE(player.Position, 30'000);
    // Another track's id, or a place past the end: nothing moves.
    Call(kPlayer, QStringLiteral("SetPosition"),
         {QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/example/Orvalo/Track/0"))),
          QVariant::fromValue(qlonglong(5'000'000))});
    Call(kPlayer, QStringLiteral("SetPosition"),
         {QVariant::fromValue(QDBusObjectPath(track)), QVariant::fromValue(qlonglong(999'000'000))});
    QCOMPARE(player.Position, 30'000);
    // A seek past the end goes on to the next track.
    player.HasNext = true;
    Call(kPlayer, QStringLiteral("Seek"), {QVariant::fromValue(qlonglong(600'000'000))});
    QCOMPARE(player.Given, QStringList{"Next"});
    QTRY_COMPARE(heard.count(), 2);
    QCOMPARE(heard[0][0].toLongLong(), 11'500'000LL);
    QCOMPARE(heard[1][0].toLongLong(), 30'000'000LL);
}

void TestDesktopBus::notificationReachesTheService() {
    TFakeNotifications service;
    QVERIFY(m_desktop->registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                      QDBusConnection::ExportAllSlots));
    QVERIFY(m_desktop->registerService(QStringLiteral("org.freedesktop.Notifications")));
    TNotifier notifier(*m_program);
    QSignalSpy activated(&notifier, &TNotifier::Activated);
    QVERIFY(notifier.Notify(TNotifier::DownloadedText(QStringLiteral("Song of Tests"))));
    // A title holding what the texts are built with stays as it is.
    QVERIFY(notifier.Notify(
        TNotifier::DownloadFailedText(QStringLiteral("50% %2 <b>"), QStringLiteral("Not Found")),
        QStringLiteral("http://files.test/a.mp3")));
    QTRY_COMPARE(service.Seen.size(), 2);
    QCOMPARE(service.Seen[0], QStringLiteral("Orvalo|Downloaded: Song of Tests|"));
    QCOMPARE(service.Seen[1], QStringLiteral("Orvalo|Download failed: 50% %2 <b> (Not "
                                             "Found)|http://files.test/a.mp3"));
    // The program's entry and icon come along (run from the build, the icon is a file of its
    // own), and a click is an action the program hears.
    QCOMPARE(service.Hints[0].value("desktop-entry").toString(), QStringLiteral("org.example.Orvalo"));
    QVERIFY2(service.Icons[0] == "orvalo" || QFile::exists(service.Icons[0]), qPrintable(service.Icons[0]));
    QCOMPARE(service.Actions[0].value(0), QStringLiteral("default"));
    const auto invoke = [&](uint id, const QString& action) {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                         QStringLiteral("org.freedesktop.Notifications"),
                                                         QStringLiteral("ActionInvoked"));
        signal << id << action;
        QVERIFY(m_desktop->send(signal));
    };
    // The test hears each signal after the notifier, on the same connection.
    QSignalSpy arrived(this, &TestDesktopBus::ActionHeard);
    QVERIFY(m_program->connect(QString(), QStringLiteral("/org/freedesktop/Notifications"),
                               QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"), this,
                               SIGNAL(ActionHeard(uint, QString))));
    invoke(7, QStringLiteral("default")); // not ours
    invoke(2, QStringLiteral("default"));
    QTRY_COMPARE(arrived.count(), 2);
    QCOMPARE(activated.count(), 1);
    // Whole copies of wished songs come with a button of their own.
    QSignalSpy download(&notifier, &TNotifier::DownloadChosen);
    notifier.NotifyWholeCopiesFound({QStringLiteral("Band - Song")});
    QTRY_COMPARE(service.Seen.size(), 3);
    QCOMPARE(service.Seen[2], QStringLiteral("Orvalo|A whole copy was found: Band - Song|It waits on your wish list."));
    QCOMPARE(service.Actions[2].mid(2), (QStringList{"download", "Download"}));
    invoke(3, QStringLiteral("download"));
    QTRY_COMPARE(arrived.count(), 3);
    QCOMPARE(download.count(), 1);
    QCOMPARE(activated.count(), 1);
    m_desktop->unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    m_desktop->unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
}

void TestDesktopBus::newsTakesTheShownNotificationsPlace() {
    // News coming fast goes to the service one call at a time, the newest only, in place of
    // the notification still shown; once the service closed it, news gets one of its own.
    TFakeNotifications service;
    QVERIFY(m_desktop->registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                      QDBusConnection::ExportAllSlots));
    QVERIFY(m_desktop->registerService(QStringLiteral("org.freedesktop.Notifications")));
    TNotifier notifier(*m_program);
    for (const char* news : {"first", "second", "third"})
        QVERIFY(notifier.Notify(QString::fromLatin1(news)));
    QTRY_COMPARE(service.Seen, (QStringList{"Orvalo|first|", "Orvalo|third|"}));
    QCOMPARE(service.Replaced, (QList<uint>{0, 1}));
    QDBusMessage closed = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                     QStringLiteral("org.freedesktop.Notifications"),
                                                     QStringLiteral("NotificationClosed"));
    closed << 2u << 1u;
    QVERIFY(m_desktop->send(closed));
    QTRY_VERIFY(!notifier.Showing());
    QVERIFY(notifier.Notify(QStringLiteral("fourth")));
    QTRY_COMPARE(service.Seen.size(), 3);
    QCOMPARE(service.Replaced.last(), 0u);
    m_desktop->unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    m_desktop->unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
}

void TestDesktopBus::withoutABusNothingIsSent() {
    const QDBusConnection none = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=") + m_folder.filePath(QStringLiteral("no-bus")),
        QStringLiteral("none"));
    QVERIFY(!none.isConnected());
    TFakePlayer player;
    TMpris mpris(player, none);
    QVERIFY(!mpris.IsPublished());
    player.CurrentStatus = TMprisPlayer::TStatus::Playing;
    mpris.Refresh();
    QVERIFY(!TNotifier(none).Notify(QStringLiteral("Downloaded: Song of Tests")));
}

QTEST_GUILESS_MAIN(TestDesktopBus)
#include "tst_desktopbus.moc"
