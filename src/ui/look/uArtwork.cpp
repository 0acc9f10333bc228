#include "ui/look/uArtwork.h"

#include <QAction>
#include <QToolButton>
#include "ui/look/uSystemIcons.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPalette>
#include <QPixmapCache>
#include <QtDebug>

#include <algorithm>
#include <utility>

// orvalo_ui is a static library, so nothing registers its resources unless asked to; the
// macro must stand outside any namespace.
static void InitArtworkResource() {
    Q_INIT_RESOURCE(artwork);
}

namespace {

void EnsureArtwork() {
    static const bool registered = (InitArtworkResource(), true);
    Q_UNUSED(registered);
}

// Buttons whose meaning the freedesktop icon naming has a standard icon for, and whose
// standard look reads well on a tool bar. The default theme draws its playback, refresh
// and delete icons in a pale grey that looks disabled (and its delete icon like our cancel
// buttons), so those, like everything that is the program's own idea, use our pictures.
constexpr std::pair<const char*, const char*> kThemeNames[] = {
    {"locate-folder", "folder-open"},
};

QString ThemeNameFor(const QString& name) {
    for (const auto& [artwork, theme] : kThemeNames) {
        if (name == QLatin1String(artwork))
            return QLatin1String(theme);
    }
    return {};
}

// The resource path of a known name, or empty.
QString ArtworkPath(const QString& name) {
    EnsureArtwork();
    const QString path = QStringLiteral(":/artwork/") + name + QStringLiteral(".svg");
    if (!QFile::exists(path)) {
        qWarning() << "No artwork named" << name;
        return {};
    }
    return path;
}

} // namespace

QIcon ArtworkIcon(const QString& name) {
    const QString path = ArtworkPath(name);
    if (path.isEmpty())
        return {};
    const QIcon own(path);
    const QString theme = ThemeNameFor(name);
    if (theme.isEmpty())
        return own;
    // The shared file icon list settles the icon theme on a desktop that names none; without
    // it, buttons made before the list would get our pictures and later ones the theme's.
    GetSystemImageList(false);
    return QIcon::fromTheme(theme, own);
}

QIcon WithCountBadge(const QIcon& icon, int count, QSize size) {
    if (count <= 0)
        return icon;
    const qreal ratio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap picture = icon.pixmap(size, ratio);
    if (picture.isNull()) {
        picture = QPixmap(size * ratio);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
    }
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(std::max(8, size.height() * 5 / 12));
    painter.setFont(font);
    const QString text = count > 99 ? QStringLiteral("99+") : QString::number(count);
    const QFontMetrics metrics(font);
    const int height = metrics.height();
    const int width = std::max(height, metrics.horizontalAdvance(text) + height / 2);
    const QRect badge(size.width() - width, size.height() - height, width, height);
    const QPalette palette = qGuiApp != nullptr ? QGuiApplication::palette() : QPalette();
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette.color(QPalette::Highlight));
    painter.drawRoundedRect(badge, height / 2.0, height / 2.0);
    painter.setPen(palette.color(QPalette::HighlightedText));
    painter.drawText(badge, Qt::AlignCenter, text);
    painter.end();
    return QIcon(picture);
}

QPixmap ArtworkPixmap(const QString& name, QSize size) {
    const qreal ratio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
    const QString key = QStringLiteral("orvalo-artwork:%1:%2x%3@%4")
                            .arg(name)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(ratio);
    // List views ask for the same status picture for every row they paint.
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    const QString path = ArtworkPath(name);
    if (path.isEmpty() || size.isEmpty())
        return {};
    QImageReader reader(path);
    reader.setScaledSize(size * ratio);
    const QImage image = reader.read();
    if (image.isNull()) {
        qWarning() << "Cannot draw artwork" << name << reader.errorString();
        return {};
    }
    pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QToolButton* MakeGlyphButton(const QString& name, const QString& hint, const QString& purpose, const QString& glyph,
                             int size, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setAccessibleDescription(purpose);
    button->setIcon(ArtworkIcon(glyph));
    button->setAutoRaise(true);
    button->setFixedSize(size, size);
    return button;
}

void NameCommandButton(QAbstractButton* button, const QAction* command) {
    button->setAccessibleName(command->toolTip());
    button->setAccessibleDescription(command->whatsThis());
}
