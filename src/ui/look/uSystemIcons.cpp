#include "ui/look/uSystemIcons.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QStyle>

namespace {

// The icon theme when the desktop names none (no desktop session, a bare window manager).
void EnsureIconTheme() {
    if (!QIcon::themeName().isEmpty() && QIcon::themeName() != QLatin1String("hicolor"))
        return;
    QIcon::setThemeName(QStringLiteral("Adwaita"));
    if (QIcon::fromTheme(QStringLiteral("text-x-generic")).isNull())
        QIcon::setThemeName(QStringLiteral("hicolor"));
}

QIcon IconForMimeType(const QMimeType& type) {
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull()) {
        const bool folder = type.name() == QLatin1String("inode/directory");
        icon = QIcon::fromTheme(folder ? QStringLiteral("folder") : QStringLiteral("text-x-generic"));
    }
    if (icon.isNull() && qApp != nullptr)
        icon = qApp->style()->standardIcon(QStyle::SP_FileIcon);
    return icon;
}

// One icon per mime type, in the order the types were first asked for.
class SharedIconList {
public:
    static SharedIconList& Instance() {
        static SharedIconList list;
        return list;
    }
    const QList<QIcon>* Icons() const { return &m_icons; }
    int IndexOf(const QMimeType& type) {
        const auto found = m_indices.constFind(type.name());
        if (found != m_indices.constEnd())
            return *found;
        m_icons.append(IconForMimeType(type));
        const int index = static_cast<int>(m_icons.size()) - 1;
        m_indices.insert(type.name(), index);
        return index;
    }

private:
    SharedIconList() { EnsureIconTheme(); }
    QList<QIcon> m_icons;
    QHash<QString, int> m_indices;
};

} // namespace

QIcon TSystemImageList::Icon(int index) const {
    if (index < 0 || index >= Count())
        return {};
    return m_icons->at(index);
}

TSystemImageList GetSystemImageList(bool large) {
    return TSystemImageList(SharedIconList::Instance().Icons(), large ? QSize(32, 32) : QSize(16, 16));
}

int GetFileIconIndex(const QString& name, unsigned /*attributes*/) {
    static const QMimeDatabase database;
    const QFileInfo info(name);
    const QMimeType type = info.exists() ? database.mimeTypeForFile(info)
                                         : database.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    return SharedIconList::Instance().IndexOf(type);
}
