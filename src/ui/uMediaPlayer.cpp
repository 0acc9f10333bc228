#include "ui/uMediaPlayer.h"

#include <QAudioOutput>
#include <QKeyEvent>
#include <QMediaPlayer>
#include <QMouseEvent>
#include <QUrl>
#include <QVideoWidget>

// The video widget, which also leaves full screen by Escape or a double-click, as a
// person who went there by mistake expects.
class TVideoArea : public QVideoWidget {
public:
    using QVideoWidget::QVideoWidget;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape && isFullScreen()) {
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

QUrl MediaUrlForPath(const std::string& path) {
    if (path.empty())
        return {};
    const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"), QUrl::StrictMode);
}

TQtMediaPlayer::TQtMediaPlayer(QObject* parent)
    : TMediaPlayer(parent), m_player(new QMediaPlayer(this)), m_audio(new QAudioOutput(this)),
      m_video(new TVideoArea) {
    m_audio->setVolume(0.5f);
    m_player->setAudioOutput(m_audio);
    m_player->setVideoOutput(m_video.data());
    m_video->setAccessibleName(QStringLiteral("Video"));
    connect(m_player, &QMediaPlayer::playbackStateChanged, this,
            [this](QMediaPlayer::PlaybackState state) { emit StateChanged(ToState(state)); });
    connect(m_player, &QMediaPlayer::positionChanged, this, &TMediaPlayer::PositionChanged);
    connect(m_player, &QMediaPlayer::durationChanged, this, &TMediaPlayer::DurationChanged);
    connect(m_video.data(), &QVideoWidget::fullScreenChanged, this, &TMediaPlayer::FullScreenChanged);
    // A file that cannot be played is left loaded but stopped: nothing is shown, and the
    // next file loads afresh.
    connect(m_player, &QMediaPlayer::errorOccurred, m_player, &QMediaPlayer::stop);
}

TQtMediaPlayer::~TQtMediaPlayer() {
    m_player->stop();
    m_player->setVideoOutput(nullptr);
    if (m_video && m_video->parent() == nullptr)
        delete m_video.data();
}

void TQtMediaPlayer::Load(const std::string& path) {
    m_source = path;
    m_player->stop();
    m_player->setSource(MediaUrlForPath(path));
    if (!path.empty())
        m_player->play();
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
    if (m_source.empty() || !m_video)
        return false;
    m_video->setFullScreen(true);
    return true;
}
