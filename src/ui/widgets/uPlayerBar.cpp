#include "ui/widgets/uPlayerBar.h"

#include <limits>

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolButton>

#include "ui/look/uArtwork.h"
#include "ui/look/uReadable.h"
#include "ui/widgets/uMediaPlayer.h"


namespace {
// A position bar that jumps to where it is clicked (and follows a drag from there), rather
// than stepping towards the click a page at a time.
class TSeekSlider : public QSlider {
public:
    using QSlider::QSlider;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && maximum() > minimum()) {
            QStyleOptionSlider option;
            initStyleOption(&option);
            const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
            const int x = event->position().toPoint().x() - handle.width() / 2;
            const int at = QStyle::sliderValueFromPosition(minimum(), maximum(), x, width() - handle.width(),
                                                           option.upsideDown);
            setSliderDown(true);
            setSliderPosition(at); // raised as sliderMoved: the player seeks there
        }
        QSlider::mousePressEvent(event);
    }
};

QToolButton* MakePlayerBarButton(const QString& name, QAction* command, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setDefaultAction(command);
    NameCommandButton(button, command);
    button->setAutoRaise(true);
    button->setFixedSize(24, 24);
    return button;
}
} // namespace

TPlayerBar::TPlayerBar(TMediaPlayer& player, QWidget* parent)
    : QWidget(parent),
      actPrevious(MakeTransport(tr("Previous"), QStringLiteral("player-previous"),
                                Qt::Key_MediaPrevious,
                                tr("Plays the song before this one in the play list"))),
      actPlayPause(MakeTransport(tr("Play"), QStringLiteral("player-play"),
                                 Qt::Key_MediaTogglePlayPause,
                                 tr("Plays or pauses the song in the player"))),
      actNext(MakeTransport(tr("Next"), QStringLiteral("player-next"), Qt::Key_MediaNext,
                            tr("Plays the song after this one in the play list"))),
      actStop(MakeTransport(tr("Stop"), QStringLiteral("player-stop"), Qt::Key_MediaStop,
                            tr("Stops playing and goes back to the start of the song"))),
      cmdPrevious(MakePlayerBarButton(QStringLiteral("cmdPrevious"), actPrevious, this)),
      cmdPlayPause(MakePlayerBarButton(QStringLiteral("cmdPlayPause"), actPlayPause, this)),
      cmdNext(MakePlayerBarButton(QStringLiteral("cmdNext"), actNext, this)),
      cmdStop(MakePlayerBarButton(QStringLiteral("cmdStop"), actStop, this)),
      lblElapsed(new QLabel(ReadableDuration(0), this)),
      sldPosition(new TSeekSlider(Qt::Horizontal, this)),
      lblTotal(new QLabel(ReadableDuration(0), this)), sldVolume(new QSlider(Qt::Horizontal, this)),
      m_player(player) {
    setObjectName(QStringLiteral("pnlTransport"));
    lblElapsed->setAccessibleDescription(tr("Elapsed time"));
    lblTotal->setAccessibleDescription(tr("Total time"));
    sldPosition->setObjectName(QStringLiteral("sldPosition"));
    //: Where in the song the player is
    sldPosition->setAccessibleName(tr("Position"));
    sldPosition->setRange(0, 0);
    sldVolume->setObjectName(QStringLiteral("sldVolume"));
    sldVolume->setAccessibleName(tr("Volume"));
    sldVolume->setAccessibleDescription(tr("How loud the player plays"));
    sldVolume->setToolTip(tr("Volume"));
    sldVolume->setRange(0, 100);
    sldVolume->setValue(m_player.Volume());
    sldVolume->setFixedWidth(64);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(4);
    layout->addWidget(cmdPrevious);
    layout->addWidget(cmdPlayPause);
    layout->addWidget(cmdNext);
    layout->addWidget(cmdStop);
    layout->addWidget(lblElapsed);
    layout->addWidget(sldPosition, 1);
    layout->addWidget(lblTotal);
    layout->addWidget(sldVolume);

    connect(actPlayPause, &QAction::triggered, this, &TPlayerBar::TogglePlay);
    connect(actStop, &QAction::triggered, this, [this] { m_player.Stop(); });
    connect(actPrevious, &QAction::triggered, this, &TPlayerBar::PreviousAsked);
    connect(actNext, &QAction::triggered, this, &TPlayerBar::NextAsked);
    connect(sldPosition, &QSlider::sliderMoved, this, [this](int ms) { m_player.SetPosition(ms); });
    connect(sldVolume, &QSlider::valueChanged, this,
            [this](int percent) { m_player.SetVolume(percent); });
    connect(&m_player, &TMediaPlayer::StateChanged, this, &TPlayerBar::ShowState);
    connect(&m_player, &TMediaPlayer::PositionChanged, this, &TPlayerBar::ShowPosition);
    connect(&m_player, &TMediaPlayer::DurationChanged, this, &TPlayerBar::ShowDuration);
    ShowState();
}

void TPlayerBar::ShowVolume() {
    const QSignalBlocker quiet(sldVolume);
    sldVolume->setValue(m_player.Volume());
}

QAction* TPlayerBar::MakeTransport(const QString& hint, const QString& glyph, Qt::Key key, const QString& purpose) {
    auto* command = new QAction(ArtworkIcon(glyph), hint, this);
    command->setToolTip(hint);
    command->setWhatsThis(purpose);
    // The media keys work wherever the window has the keyboard.
    command->setShortcut(QKeySequence(key));
    command->setShortcutContext(Qt::WindowShortcut);
    return command;
}

void TPlayerBar::TogglePlay() {
    if (m_player.PlaybackState() == TMediaPlayer::State::Playing)
        m_player.Pause();
    else
        m_player.Play();
}

void TPlayerBar::ShowState() {
    const bool playing = m_player.PlaybackState() == TMediaPlayer::State::Playing;
    const QString hint = playing ? tr("Pause") : tr("Play");
    actPlayPause->setIcon(
        ArtworkIcon(playing ? QStringLiteral("player-pause") : QStringLiteral("player-play")));
    actPlayPause->setText(hint);
    actPlayPause->setToolTip(hint);
    cmdPlayPause->setAccessibleName(hint);
    if (m_player.Source().empty()) {
        ShowDuration(0);
        ShowPosition(0);
    }
}

void TPlayerBar::ShowPosition(qint64 ms) {
    lblElapsed->setText(ReadableDuration(ms / 1000));
    // The slider follows the playback only while the user is not dragging it.
    if (!sldPosition->isSliderDown())
        sldPosition->setValue(static_cast<int>(qMin<qint64>(ms, sldPosition->maximum())));
}

void TPlayerBar::ShowDuration(qint64 ms) {
    sldPosition->setRange(
        0, static_cast<int>(qBound(qint64{0}, ms, qint64{std::numeric_limits<int>::max()})));
    lblTotal->setText(ReadableDuration(ms / 1000));
}
