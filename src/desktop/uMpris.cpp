#include "desktop/uMpris.h"

#include <algorithm>
#include <cmath>

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QHash>
#include <QStringList>
#include <QUrl>

namespace {

const QString kService = QStringLiteral("org.mpris.MediaPlayer2.orvalo");
const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
// Outside /org/mpris, which the desktop reserves for its own meanings.
const QString kTrackPathPrefix = QStringLiteral("/org/example/Orvalo/Track/");

QString StatusName(TMprisPlayer::TStatus status) {
    switch (status) {
    case TMprisPlayer::TStatus::Playing:
        return QStringLiteral("Playing");
    case TMprisPlayer::TStatus::Paused:
        return QStringLiteral("Paused");
    case TMprisPlayer::TStatus::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

double VolumeOf(const TMprisPlayer& player) {
    return player.VolumePercent() / 100.0;
}

// The same file keeps its id while it stays loaded; another file gets another.
QDBusObjectPath TrackId(const QString& path) {
    return QDBusObjectPath(kTrackPathPrefix + QString::number(qHash(path), 16));
}

} // namespace

// org.mpris.MediaPlayer2: who we are. The program quits from its own window only.
class TMprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit TMprisRootAdaptor(TMpris* owner) : QDBusAbstractAdaptor(owner), m_owner(owner) {}

    bool CanQuit() const { return false; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Orvalo"); }
    // The name of data/org.example.Orvalo.desktop, without ".desktop".
    QString DesktopEntry() const { return QStringLiteral("org.example.Orvalo"); }
    // Nothing is opened from outside: files come from the play list.
    QStringList SupportedUriSchemes() const { return {}; }
    QStringList SupportedMimeTypes() const { return {QStringLiteral("audio/mpeg")}; }

public slots:
    void Raise() { emit m_owner->RaiseRequested(); }
    void Quit() {}

private:
    TMpris* m_owner;
};

// org.mpris.MediaPlayer2.Player: what plays, the transport commands and seeking. The
// position changes all the time and is never signalled (clients ask for it, and hear Seeked
// when it jumps): the introspection data says so, as the desktop's clients expect.
class TMprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_CLASSINFO("D-Bus Introspection",
                "  <interface name=\"org.mpris.MediaPlayer2.Player\">\n"
                "    <method name=\"Next\"/>\n"
                "    <method name=\"Previous\"/>\n"
                "    <method name=\"Pause\"/>\n"
                "    <method name=\"PlayPause\"/>\n"
                "    <method name=\"Stop\"/>\n"
                "    <method name=\"Play\"/>\n"
                "    <method name=\"Seek\"><arg name=\"Offset\" type=\"x\" direction=\"in\"/></method>\n"
                "    <method name=\"SetPosition\">\n"
                "      <arg name=\"TrackId\" type=\"o\" direction=\"in\"/>\n"
                "      <arg name=\"Position\" type=\"x\" direction=\"in\"/>\n"
                "    </method>\n"
                "    <method name=\"OpenUri\"><arg name=\"Uri\" type=\"s\" direction=\"in\"/></method>\n"
                "    <signal name=\"Seeked\"><arg name=\"Position\" type=\"x\"/></signal>\n"
                "    <property name=\"PlaybackStatus\" type=\"s\" access=\"read\"/>\n"
                "    <property name=\"Rate\" type=\"d\" access=\"read\"/>\n"
                "    <property name=\"Metadata\" type=\"a{sv}\" access=\"read\">\n"
                "      <annotation name=\"org.qtproject.QtDBus.QtTypeName\" value=\"QVariantMap\"/>\n"
                "    </property>\n"
                "    <property name=\"Volume\" type=\"d\" access=\"readwrite\"/>\n"
                "    <property name=\"Position\" type=\"x\" access=\"read\">\n"
                "      <annotation name=\"org.freedesktop.DBus.Property.EmitsChangedSignal\" value=\"false\"/>\n"
                "    </property>\n"
                "    <property name=\"MinimumRate\" type=\"d\" access=\"read\"/>\n"
                "    <property name=\"MaximumRate\" type=\"d\" access=\"read\"/>\n"
                "    <property name=\"CanGoNext\" type=\"b\" access=\"read\"/>\n"
                "    <property name=\"CanGoPrevious\" type=\"b\" access=\"read\"/>\n"
                "    <property name=\"CanPlay\" type=\"b\" access=\"read\"/>\n"
                "    <property name=\"CanPause\" type=\"b\" access=\"read\"/>\n"
                "    <property name=\"CanSeek\" type=\"b\" access=\"read\"/>\n"
                "    <property name=\"CanControl\" type=\"b\" access=\"read\">\n"
                "      <annotation name=\"org.freedesktop.DBus.Property.EmitsChangedSignal\" value=\"false\"/>\n"
                "    </property>\n"
                "  </interface>\n")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPlay)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    TMprisPlayerAdaptor(TMpris* owner, TMprisPlayer& player)
        : QDBusAbstractAdaptor(owner), m_owner(owner), m_player(player) {}

    QString PlaybackStatus() const { return m_owner->PlaybackStatus(); }
    double Rate() const { return 1.0; }
    QVariantMap Metadata() const { return m_owner->Metadata(); }
    double Volume() const { return VolumeOf(m_player); }
    void SetVolume(double volume) {
        m_player.SetVolumePercent(
            static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
        m_owner->Refresh();
    }
    qlonglong Position() const { return m_player.PositionMs() * 1000; }
    bool CanGoNext() const { return m_player.CanGoNext(); }
    bool CanGoPrevious() const { return m_player.CanGoPrevious(); }
    bool CanPlay() const { return m_owner->CanPlay(); }
    bool CanSeek() const { return m_owner->CanPlay(); }
    bool CanControl() const { return true; }

public slots:
    void Play() {
        if (CanPlay())
            m_player.Play();
    }
    void Pause() {
        if (CanPlay())
            m_player.Pause();
    }
    void PlayPause() { m_owner->PlayPause(); }
    void Stop() { m_player.Stop(); }
    void Next() {
        if (CanGoNext())
            m_player.Next();
    }
    void Previous() {
        if (CanGoPrevious())
            m_player.Previous();
    }
    void Seek(qlonglong offset) {
        if (const qint64 now = m_owner->Seek(offset); now >= 0)
            emit Seeked(now);
    }
    void SetPosition(const QDBusObjectPath& track, qlonglong position) {
        if (const qint64 now = m_owner->SetPosition(track.path(), position); now >= 0)
            emit Seeked(now);
    }
    void OpenUri(const QString&) {}

signals:
    void Seeked(qlonglong Position);

private:
    TMpris* m_owner;
    TMprisPlayer& m_player;
};

TMpris::TMpris(TMprisPlayer& player, QDBusConnection bus, QObject* parent)
    : QObject(parent), m_player(player), m_bus(std::move(bus)) {
    // Qt's adaptors are owned by the object they serve.
    new TMprisRootAdaptor(this);
    new TMprisPlayerAdaptor(this, m_player);
    m_lastSent = ChangingProperties();
    if (!m_bus.isConnected() ||
        !m_bus.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors))
        return;
    m_published = m_bus.registerService(kService);
    if (!m_published)
        m_bus.unregisterObject(kObjectPath);
}

TMpris::~TMpris() {
    if (!m_published)
        return;
    m_bus.unregisterService(kService);
    m_bus.unregisterObject(kObjectPath);
}

QString TMpris::PlaybackStatus() const {
    return StatusName(m_player.Status());
}

QVariantMap TMpris::Metadata() const {
    const TMprisPlayer::TTrack track = m_player.Track();
    if (track.Path.isEmpty())
        return {};
    QVariantMap metadata{
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackId(track.Path))},
        {QStringLiteral("xesam:title"), track.Title},
        {QStringLiteral("xesam:url"), QString::fromLatin1(QUrl::fromLocalFile(track.Path).toEncoded())},
    };
    if (!track.Artist.isEmpty())
        metadata.insert(QStringLiteral("xesam:artist"), QStringList{track.Artist});
    if (!track.Album.isEmpty())
        metadata.insert(QStringLiteral("xesam:album"), track.Album);
    if (track.LengthMs > 0)
        metadata.insert(QStringLiteral("mpris:length"), qlonglong(track.LengthMs * 1000));
    return metadata;
}

bool TMpris::CanPlay() const {
    return !m_player.Track().Path.isEmpty();
}

void TMpris::PlayPause() {
    if (CanPlay())
        m_player.PlayPause();
}

qint64 TMpris::Seek(qint64 offsetUs) {
    if (!CanPlay())
        return -1;
    const qint64 lengthMs = m_player.Track().LengthMs;
    const qint64 targetMs = std::max<qint64>(0, m_player.PositionMs() + offsetUs / 1000);
    if (lengthMs > 0 && targetMs >= lengthMs) {
        if (m_player.CanGoNext())
            m_player.Next();
        else
            m_player.Stop();
        return -1;
    }
    m_player.SetPositionMs(targetMs);
    return targetMs * 1000;
}

qint64 TMpris::SetPosition(const QString& trackId, qint64 positionUs) {
    const TMprisPlayer::TTrack track = m_player.Track();
    if (track.Path.isEmpty() || trackId != TrackId(track.Path).path() || positionUs < 0 ||
        (track.LengthMs > 0 && positionUs / 1000 > track.LengthMs))
        return -1;
    m_player.SetPositionMs(positionUs / 1000);
    return positionUs;
}

QVariantMap TMpris::ChangingProperties() const {
    return {
        {QStringLiteral("PlaybackStatus"), PlaybackStatus()},
        {QStringLiteral("Metadata"), Metadata()},
        {QStringLiteral("Volume"), VolumeOf(m_player)},
        {QStringLiteral("CanGoNext"), m_player.CanGoNext()},
        {QStringLiteral("CanGoPrevious"), m_player.CanGoPrevious()},
        {QStringLiteral("CanPlay"), CanPlay()},
        {QStringLiteral("CanPause"), CanPlay()},
        {QStringLiteral("CanSeek"), CanPlay()},
    };
}

void TMpris::Refresh() {
    if (m_changesDue)
        return;
    m_changesDue = true;
    QMetaObject::invokeMethod(this, &TMpris::SendChanges, Qt::QueuedConnection);
}

void TMpris::SendChanges() {
    m_changesDue = false;
    const QVariantMap now = ChangingProperties();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (m_lastSent.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    m_lastSent = now;
    if (!m_published || changed.isEmpty())
        return;
    QDBusMessage message =
        QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    message << kPlayerInterface << changed << QStringList();
    m_bus.send(message);
}

#include "uMpris.moc"
