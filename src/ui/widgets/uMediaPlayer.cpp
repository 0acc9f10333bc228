#include "ui/widgets/uMediaPlayer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAudioOutput>
#include <QKeyEvent>
#include <QMediaPlayer>
#include <QMouseEvent>
#include <QScreen>
#include <QUrl>
#include <QVideoWidget>

// The video widget, which also leaves full screen by Escape, F11 or a double-click, as a
// person who went there by mistake expects.
class TVideoArea : public QVideoWidget {
public:
    using QVideoWidget::QVideoWidget;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if ((event->key() == Qt::Key_Escape || event->key() == Qt::Key_F11) && isFullScreen()) {
            setFullScreen(false);
            event->accept();
            return;
        }
        QVideoWidget::keyPressEvent(event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (isFullScreen()) {
            setFullScreen(false);
            event->accept();
            return;
        }
        QVideoWidget::mouseDoubleClickEvent(event);
    }
};

namespace {
TMediaPlayer::State ToState(QMediaPlayer::PlaybackState state) {
    switch (state) {
    case QMediaPlayer::PlayingState:
        return TMediaPlayer::State::Playing;
    case QMediaPlayer::PausedState:
        return TMediaPlayer::State::Paused;
    case QMediaPlayer::StoppedState:
        break;
    }
    return TMediaPlayer::State::Stopped;
}
} // namespace

TQtMediaPlayer::TQtMediaPlayer(QObject* parent)
    : TMediaPlayer(parent), m_player(new QMediaPlayer(this)), m_audio(new QAudioOutput(this)),
      m_video(new TVideoArea) {
    m_audio->setVolume(0.5f);
    m_player->setAudioOutput(m_audio);
    m_player->setVideoOutput(m_video.data());
    m_video->setAccessibleName(tr("Video"));
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, &TQtMediaPlayer::ReportState);
    // A file that cannot be played ends as invalid media; the player is not stopped then,
    // because the error of one file can arrive after the next one has started, and a stop
    // would silence that one.
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &TQtMediaPlayer::ReportState);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia)
            emit Finished();
    });
    connect(m_player, &QMediaPlayer::positionChanged, this, &TMediaPlayer::PositionChanged);
    connect(m_player, &QMediaPlayer::durationChanged, this, &TMediaPlayer::DurationChanged);
    connect(m_player, &QMediaPlayer::hasVideoChanged, this, &TMediaPlayer::VideoAvailableChanged);
    connect(m_video.data(), &QVideoWidget::fullScreenChanged, this,
            &TMediaPlayer::FullScreenChanged);
}

TQtMediaPlayer::~TQtMediaPlayer() {
    m_player->stop();
    m_player->setVideoOutput(nullptr);
    if (m_video && m_video->parent() == nullptr)
        delete m_video.data();
    CloseHeldFile();
}

void TQtMediaPlayer::ReportState() {
    emit StateChanged(PlaybackState());
}

void TQtMediaPlayer::Load(const std::string& path) {
    // A file gone, an empty one, or no plain file (a pipe would hold the media back end for
    // ever) is never handed over: nothing is loaded, nothing plays. (An empty file has nothing
    // to play, and the back end, given one, can hang in its state change.)
    struct stat info {};
    const bool playable = !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                          info.st_size > 0 && ::access(path.c_str(), R_OK) == 0;
    m_source = playable ? path : std::string();
    m_player->stop();
    OpenSource(m_source);
    if (playable)
        m_player->play();
}

// The media back end takes a file by its name as text, which cannot carry a name that is
// not valid UTF-8: such a file is opened here by its bytes and handed over by its
// descriptor's name, which is plain ASCII.
void TQtMediaPlayer::OpenSource(const std::string& path) {
    const QString name = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
    QUrl url = path.empty() ? QUrl() : QUrl::fromLocalFile(name);
    m_player->setSource(QUrl());
    CloseHeldFile();
    if (!path.empty() &&
        name.toUtf8() != QByteArray(path.data(), static_cast<qsizetype>(path.size()))) {
        m_heldFile = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_heldFile >= 0)
            url = QUrl::fromLocalFile(QStringLiteral("/proc/self/fd/%1").arg(m_heldFile));
    }
    m_player->setSource(url);
}

void TQtMediaPlayer::CloseHeldFile() {
    if (m_heldFile >= 0)
        ::close(m_heldFile);
    m_heldFile = -1;
}

void TQtMediaPlayer::Play() {
    if (!m_source.empty())
        m_player->play();
}

void TQtMediaPlayer::Pause() {
    m_player->pause();
}

void TQtMediaPlayer::Stop() {
    m_player->stop();
}

TMediaPlayer::State TQtMediaPlayer::PlaybackState() const {
    if (m_player->mediaStatus() == QMediaPlayer::InvalidMedia)
        return State::Stopped;
    return ToState(m_player->playbackState());
}

qint64 TQtMediaPlayer::Position() const {
    return m_player->position();
}

qint64 TQtMediaPlayer::Duration() const {
    return m_player->duration();
}

void TQtMediaPlayer::SetPosition(qint64 ms) {
    m_player->setPosition(ms);
}

int TQtMediaPlayer::Volume() const {
    return qRound(m_audio->volume() * 100.0f);
}

void TQtMediaPlayer::SetVolume(int percent) {
    m_audio->setVolume(static_cast<float>(qBound(0, percent, 100)) / 100.0f);
}

QWidget* TQtMediaPlayer::VideoArea() {
    return m_video.data();
}

bool TQtMediaPlayer::ShowFullScreen() {
    // A song has no picture: a screen of black would only hide the window.
    if (m_source.empty() || !m_video || !m_player->hasVideo())
        return false;
    QScreen* screen = m_video->window()->screen();
    m_video->setFullScreen(true);
    // Without a window manager nobody honours the full-screen request: the window covers
    // its screen by its own geometry then, and takes the keyboard so that Escape leaves.
    if (screen != nullptr)
        m_video->setGeometry(screen->geometry());
    m_video->activateWindow();
    m_video->setFocus(Qt::OtherFocusReason);
    return true;
}

bool TQtMediaPlayer::HasVideo() const {
    return m_player->hasVideo();
}
