#include "ui/widgets/uPlayerPanel.h"

#include <QLabel>
#include <QToolButton>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/uTFileUtils.h"
#include "ui/look/uArtwork.h"
#include "ui/widgets/uMediaPlayer.h"
#include "ui/widgets/uPageList.h"
#include "ui/widgets/uPlayerBar.h"

namespace {
constexpr int kButtonSize = 22;
constexpr int kMediaWidth = 480; // wide enough for the transport bar's time labels and sliders
// Translated where it is shown: this is made before any translation is loaded.
const char* const kNoMedia = QT_TRANSLATE_NOOP("TPlayerPanel", "No media loaded");

QToolButton* MakePlayerButton(const QString& name, const QString& hint, const QString& purpose, const QString& glyph,
                              QWidget* parent) {
    QToolButton* button = MakeGlyphButton(name, hint, purpose, glyph, kButtonSize, parent);
    button->setIconSize(QSize(16, 16));
    return button;
}

// A panel that paints its own background rather than showing its parent's.
QWidget* MakePanel(const QString& name, QWidget* parent) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setAutoFillBackground(true);
    return panel;
}
} // namespace

TPlayerPanel::TPlayerPanel(std::unique_ptr<TMediaPlayer> player, QWidget* parent)
    : QWidget(parent), m_player(std::move(player)) {
    setObjectName(QStringLiteral("pnlPlayer"));
    setAutoFillBackground(true);
    pnlMediaPlayer = MakePanel(QStringLiteral("pnlMediaPlayer"), this);
    pnlTransport = new TPlayerBar(*m_player, pnlMediaPlayer);
    m_video = m_player->VideoArea();
    auto* media = new QVBoxLayout(pnlMediaPlayer);
    media->setContentsMargins(0, 0, 0, 0);
    media->setSpacing(2);
    if (m_video != nullptr)
        media->addWidget(m_video, 1);
    media->addStretch(0);
    media->addWidget(pnlTransport);
    // Queued: the picture finishes its own way back from full screen (it shows itself)
    // before the panel decides whether the low area hides it again.
    connect(
        m_player.get(), &TMediaPlayer::FullScreenChanged, this,
        [this](bool fullScreen) {
            if (!fullScreen)
                ShowVideoArea();
        },
        Qt::QueuedConnection);
    BuildButtons();
    // A song has no picture: the high area then shows no black rectangle, only the panel,
    // and there is no full screen to go to.
    connect(m_player.get(), &TMediaPlayer::VideoAvailableChanged, this, &TPlayerPanel::ShowVideoArea);
    cmdFullScreen->setVisible(m_player->HasVideo());
    connect(m_player.get(), &TMediaPlayer::VideoAvailableChanged, cmdFullScreen, &QWidget::setVisible);
    lblFileName = new QLabel(this);
    lblFileName->setObjectName(QStringLiteral("lblFileName"));
    lblFileName->setAlignment(Qt::AlignCenter);
    lblFileName->setTextFormat(Qt::PlainText);
    lblFileName->setText(tr(kNoMedia));
    SetHeight(kLow);
}

TPlayerPanel::~TPlayerPanel() = default;

void TPlayerPanel::BuildButtons() {
    pnlButtons = MakePanel(QStringLiteral("pnlButtons"), this);
    cmdClearPlayer = MakePlayerButton(QStringLiteral("cmdClearPlayer"), tr("Clear Media"),
                                      tr("Closes the song or video in the player"),
                                      QStringLiteral("clear-media"), pnlButtons);
    cmdFullScreen = MakePlayerButton(QStringLiteral("cmdFullScreen"), tr("Full Screen"),
                                     tr("Shows the video on the whole screen"),
                                     QStringLiteral("full-screen"), pnlButtons);
    cmdSizePlayer = MakePlayerButton(QStringLiteral("cmdSizePlayer"), tr("Size Player"),
                                     tr("Makes the player area higher or lower"),
                                     QStringLiteral("expand"), pnlButtons);
    cmdSizePlayer->setProperty("glyph", QStringLiteral("expand"));
    auto* buttons = new QHBoxLayout(pnlButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(0);
    buttons->addWidget(cmdClearPlayer);
    buttons->addWidget(cmdFullScreen);
    buttons->addWidget(cmdSizePlayer);
    connect(cmdClearPlayer, &QToolButton::clicked, this, &TPlayerPanel::ClearMedia);
    connect(cmdFullScreen, &QToolButton::clicked, this, &TPlayerPanel::ShowFullScreen);
    connect(cmdSizePlayer, &QToolButton::clicked, this, &TPlayerPanel::SizePlayer);
}

void TPlayerPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

void TPlayerPanel::LayOut() {
    const int labelHeight = lblFileName->sizeHint().height();
    const int buttonsWidth = 3 * kButtonSize;
    pnlButtons->setGeometry(width() - buttonsWidth - 2, 2, buttonsWidth, kButtonSize);
    lblFileName->setGeometry(0, height() - labelHeight - 2, width(), labelHeight);
    // The player stays centred and clear of the buttons on a narrow page.
    const int mediaWidth = qMax(0, qMin(kMediaWidth, width() - 2 * (buttonsWidth + 8)));
    pnlMediaPlayer->setGeometry((width() - mediaWidth) / 2, 2, mediaWidth, qMax(0, height() - labelHeight - 6));
}

void TPlayerPanel::SetHeight(int height) {
    setFixedHeight(height);
    ShowVideoArea();
}

// The picture shows only in the high area, and only when there is one; the low area holds
// just the transport bar.
void TPlayerPanel::ShowVideoArea() {
    if (m_video == nullptr || m_video->isWindow())
        return;
    m_video->setVisible(height() == kHigh && m_player->HasVideo());
    LayOut();
    // Back from full screen the picture is a child again: place it anew.
    pnlMediaPlayer->layout()->activate();
}

void TPlayerPanel::SizePlayer() {
    const bool high = height() == kHigh;
    const QString glyph = high ? QStringLiteral("expand") : QStringLiteral("collapse");
    cmdSizePlayer->setIcon(ArtworkIcon(glyph));
    cmdSizePlayer->setProperty("glyph", glyph);
    SetHeight(high ? kLow : kHigh);
    pnlMediaPlayer->update();
}

void TPlayerPanel::PlayMedia(const std::string& path) {
    m_player->Load(path);
    lblFileName->setText(ShownText(LastPathSegment(path)));
}

void TPlayerPanel::SetCaption(const QString& caption) {
    lblFileName->setText(caption);
}

void TPlayerPanel::ClearMedia() {
    m_player->Load(std::string());
    lblFileName->setText(tr(kNoMedia));
}

void TPlayerPanel::ShowFullScreen() {
    // Nothing loaded: nothing to show, and no message about it.
    m_player->ShowFullScreen();
}
