#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

// The player as the desktop's media controls (media keys, sound menus, lock-screen widgets)
// see it: what plays, how far, and the commands they may give. The play list page answers
// for it; everything is asked and called on the GUI thread.
class TMprisPlayer {
public:
    enum class TStatus { Stopped, Playing, Paused };
    struct TTrack {
        QString Path;   // the file loaded; empty when nothing is
        QString Title;  // the tag's title, or the file's name when the tags have none
        QString Artist; // the tag's artist; may be empty
        QString Album;
        qint64 LengthMs = 0; // 0 while unknown
    };

    virtual ~TMprisPlayer() = default;

    virtual TStatus Status() const = 0;
    virtual TTrack Track() const = 0;
    virtual qint64 PositionMs() const = 0;
    virtual int VolumePercent() const = 0;
    virtual bool CanGoNext() const = 0;
    virtual bool CanGoPrevious() const = 0;

    // Commands from the desktop. Each is given only when it can act: Play and Pause with a
    // track loaded, Next and Previous when CanGoNext and CanGoPrevious say so.
    virtual void Play() = 0;
    virtual void Pause() = 0;
    // Pauses what plays, plays what does not.
    virtual void PlayPause() = 0;
    virtual void Stop() = 0;
    virtual void Next() = 0;
    virtual void Previous() = 0;
    virtual void SetVolumePercent(int percent) = 0;
    // Moves the playing position; `ms` lies within the track.
    virtual void SetPositionMs(qint64 ms) = 0;
};

// Publishes the player on the session bus as org.mpris.MediaPlayer2.orvalo, so the desktop's
// media controls drive it. Without a bus, or when the name is taken, nothing is published
// and nothing fails. The player must outlive this object.
class TMpris : public QObject {
    Q_OBJECT
public:
    explicit TMpris(TMprisPlayer& player, QDBusConnection bus = QDBusConnection::sessionBus(),
                    QObject* parent = nullptr);
    ~TMpris() override;

    bool IsPublished() const { return m_published; }
    // Tells the desktop what changed, once this turn of the event loop is over: call it
    // whenever the player's state, track, volume or neighbours may have changed (calling too
    // often costs nothing, and the steps of a track change reach the desktop as one change).
    void Refresh();

    // What the published interfaces answer beyond the player's own figures.
    QString PlaybackStatus() const;
    QVariantMap Metadata() const;
    bool CanPlay() const;
    void PlayPause();
    // Moves the position by `offsetUs` (past the end: the next track); the new position in
    // microseconds, or -1 when nothing moved.
    qint64 Seek(qint64 offsetUs);
    // Moves to `positionUs` of the track `trackId` when that is the one loaded and the
    // position lies within it; the new position, or -1.
    qint64 SetPosition(const QString& trackId, qint64 positionUs);

signals:
    // The desktop asks for the window to be brought to the front.
    void RaiseRequested();

private:
    QVariantMap ChangingProperties() const;
    void SendChanges();

    TMprisPlayer& m_player;
    QDBusConnection m_bus;
    bool m_published = false;
    QVariantMap m_lastSent; // the player's changing properties as the desktop knows them
    bool m_changesDue = false;
};
