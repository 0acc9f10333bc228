#pragma once

#include <memory>
#include <string>

#include <QObject>
#include <QPointer>

class QAudioOutput;
class QMediaPlayer;
class QWidget;
class TVideoArea;

// The media player as the play list page sees it: load a file by its path and it plays,
// load nothing and it unloads. The page never talks to the multimedia library itself, so
// its tests run on a fake player.
class TMediaPlayer : public QObject {
    Q_OBJECT
public:
    enum class State { Stopped, Playing, Paused };

    using QObject::QObject;

    // Loads the file at `path` (bytes, as the file system names it) and starts playing it.
    // An empty path unloads. A file that cannot be played plays nothing and reports nothing.
    virtual void Load(const std::string& path) = 0;
    virtual std::string Source() const = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    virtual State PlaybackState() const = 0;
    virtual qint64 Position() const = 0; // milliseconds
    virtual qint64 Duration() const = 0; // milliseconds, 0 while unknown
    virtual void SetPosition(qint64 ms) = 0;
    virtual int Volume() const = 0; // percent
    virtual void SetVolume(int percent) = 0;
    // The picture area for the page to place; the page's widget tree takes it over.
    virtual QWidget* VideoArea() = 0;
    // Shows the picture area over the whole screen; false when nothing is loaded.
    virtual bool ShowFullScreen() = 0;
    // Whether what is loaded has pictures (a song has none).
    virtual bool HasVideo() const { return false; }

signals:
    void StateChanged(TMediaPlayer::State state);
    void PositionChanged(qint64 ms);
    void DurationChanged(qint64 ms);
    void FullScreenChanged(bool fullScreen);
    void VideoAvailableChanged(bool available);
    // The file played to its end (not stopped by the user).
    void Finished();
};

// The real player: Qt Multimedia with a sound output at half volume and a video widget.
// Without a sound device the media back end plays into a clock-driven null sink, so the
// position still advances (what the tests rely on). A file that cannot be played counts as
// stopped.
class TQtMediaPlayer : public TMediaPlayer {
    Q_OBJECT
public:
    explicit TQtMediaPlayer(QObject* parent = nullptr);
    ~TQtMediaPlayer() override;

    void Load(const std::string& path) override;
    std::string Source() const override { return m_source; }
    void Play() override;
    void Pause() override;
    void Stop() override;
    State PlaybackState() const override;
    qint64 Position() const override;
    qint64 Duration() const override;
    void SetPosition(qint64 ms) override;
    int Volume() const override;
    void SetVolume(int percent) override;
    QWidget* VideoArea() override;
    bool ShowFullScreen() override;
    bool HasVideo() const override;

private:
    void OpenSource(const std::string& path);
    void CloseHeldFile();
    void ReportState();

    QMediaPlayer* m_player;
    QAudioOutput* m_audio;
    QPointer<TVideoArea> m_video;
    std::string m_source;
    int m_heldFile = -1; // see OpenSource
};
