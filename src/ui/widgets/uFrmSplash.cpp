#include "ui/widgets/uFrmSplash.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QMouseEvent>
#include <QTimer>

#include "ui/look/uArtwork.h"
#include "desktop/uShell.h"

namespace {
// Translated where they are shown: these tables are made before any translation is loaded.
// The number stays out of the text to translate: a new version needs no new translation.
const char* const kVersionNumber = "8.7.8";
//: The program's motto on its start and About boxes
const char* const kBannerText = QT_TRANSLATE_NOOP("TfrmSplash", "Find it. Fetch it. Play it.");
const char* const kVisitSiteText = QT_TRANSLATE_NOOP("TfrmSplash", "Visit the Orvalo Website");
constexpr int kLogoWidth = 190;
constexpr int kLogoHeight = 102;
} // namespace

TfrmSplash::TfrmSplash(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint), pnlBack(new QFrame(this)), imgLogo(new QLabel(pnlBack)),
      tmrSplash(new QTimer(this)) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Orvalo"));
    setFixedSize(kWidth, kSplashHeight);

    pnlBack->setObjectName(QStringLiteral("pnlBack"));
    pnlBack->setAccessibleName(QStringLiteral("Orvalo"));
    pnlBack->setFrameShape(QFrame::Box);
    pnlBack->setLineWidth(1);
    pnlBack->setGeometry(0, 0, kWidth, kSplashHeight);
    pnlBack->installEventFilter(this);

    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setGeometry((kWidth - kLogoWidth) / 2, 6, kLogoWidth, kLogoHeight);
    imgLogo->setAlignment(Qt::AlignCenter);
    imgLogo->setPixmap(ArtworkPixmap(QStringLiteral("logo"), QSize(kLogoWidth, kLogoHeight)));
    imgLogo->setAccessibleName(tr("Orvalo logo"));
    imgLogo->installEventFilter(this);

    lblBanner = MakeLabel(QStringLiteral("lblBanner"), 112, 22);
    QFont banner = lblBanner->font();
    banner.setBold(true);
    banner.setPixelSize(16);
    lblBanner->setFont(banner);
    // Maroon on the desktop's own background.
    lblBanner->setStyleSheet(QStringLiteral("color: #800000;"));

    lblVersion = MakeLabel(QStringLiteral("lblVersion"), 137, 18);
    QFont version = lblVersion->font();
    version.setBold(true);
    lblVersion->setFont(version);

    lblVisitSite = MakeLabel(QStringLiteral("lblVisitSite"), 164, 20);
    lblVisitSite->setText(tr(kVisitSiteText));
    QFont link = lblVisitSite->font();
    link.setBold(true);
    link.setUnderline(true);
    link.setPixelSize(13);
    lblVisitSite->setFont(link);
    lblVisitSite->setStyleSheet(QStringLiteral("color: #0000ff;"));
    lblVisitSite->setCursor(Qt::PointingHandCursor);
    lblVisitSite->setFocusPolicy(Qt::StrongFocus);
    lblVisitSite->setVisible(false);

    cmdClose = new QPushButton(tr("Close"), pnlBack);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry((kWidth - 88) / 2, kAboutHeight + 2, 88, 28);
    cmdClose->setVisible(false);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);

    tmrSplash->setObjectName(QStringLiteral("tmrSplash"));
    tmrSplash->setInterval(kSplashMs);
    tmrSplash->setSingleShot(true);
    connect(tmrSplash, &QTimer::timeout, this, &QDialog::close);
}

QLabel* TfrmSplash::MakeLabel(const QString& name, int top, int height) {
    auto* label = new QLabel(pnlBack);
    label->setObjectName(name);
    label->setGeometry(1, top, kWidth - 2, height);
    label->setAlignment(Qt::AlignCenter);
    label->installEventFilter(this);
    return label;
}

void TfrmSplash::FormActivate() {
    lblVersion->setText(tr("Version %1").arg(QLatin1String(kVersionNumber)));
    lblBanner->setText(tr(kBannerText));
    lblVisitSite->setVisible(AboutMode);
    cmdClose->setVisible(AboutMode);
    setWindowTitle(AboutMode ? tr("About Orvalo") : QStringLiteral("Orvalo"));
    // The border runs round the whole window, whichever height it has.
    const int height = AboutMode ? kAboutHeight + kCloseRowHeight : kSplashHeight;
    setFixedSize(kWidth, height);
    pnlBack->resize(kWidth, height);
    if (AboutMode) {
        cmdClose->setDefault(true);
        tmrSplash->stop();
    } else {
        // Enabling a running timer leaves it running: the five seconds count from the first.
        if (!tmrSplash->isActive())
            tmrSplash->start();
    }
}

void TfrmSplash::showEvent(QShowEvent* event) {
    // Without a window manager a window may never become active: showing counts as well.
    FormActivate();
    QDialog::showEvent(event);
}

void TfrmSplash::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    QDialog::changeEvent(event);
}

bool TfrmSplash::eventFilter(QObject* watched, QEvent* event) {
    const bool clicked = event->type() == QEvent::MouseButtonRelease &&
                         static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    const bool pressedKey = event->type() == QEvent::KeyPress &&
                            (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                             static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space);
    if (watched == lblVisitSite && (clicked || pressedKey)) {
        OpenHomePage();
        return true;
    }
    if (clicked && (watched == pnlBack || watched == imgLogo || watched == lblBanner || watched == lblVersion)) {
        close();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
