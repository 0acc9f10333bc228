#include "ui/models/uPlayListModel.h"

#include <QFileInfo>
#include <QFont>
#include <QMimeDatabase>

#include "core/uTStringUtils.h"
#include "media/uContentCheck.h"
#include "playlist/uTPlayListManager.h"
#include "ui/look/uArtwork.h"
#include "ui/look/uPlainText.h"
#include "ui/look/uReadable.h"

namespace {
using K = TColumnKind;

// What a screen reader says for the Type column: the file type's description.
QString TypeDescription(const QString& name) {
    static const QMimeDatabase database;
    return database.mimeTypeForFile(name, QMimeDatabase::MatchExtension).comment();
}
} // namespace

const std::vector<TColumnFormat>& TPlayListModel::Columns() {
    static const std::vector<TColumnFormat> columns{
        {QT_TRANSLATE_NOOP("Column", "Type"), K::Picture, 45},
        {QT_TRANSLATE_NOOP("Column", "File Name"), K::Text, 0.99f},
        {QT_TRANSLATE_NOOP("Column", "File Size"), K::Size, 90},
        {QT_TRANSLATE_NOOP("Column", "Length"), K::Number, 60},
        {QT_TRANSLATE_NOOP("Column", "Artist"), K::Text, 140, true},
        {QT_TRANSLATE_NOOP("Column", "Title"), K::Text, 160, true},
        {QT_TRANSLATE_NOOP("Column", "Album"), K::Text, 140, true},
        {QT_TRANSLATE_NOOP("Column", "Bitrate"), K::Number, 70, true},
    };
    return columns;
}

TPlayListModel::TPlayListModel(TPlayListManager& files, QObject* parent)
    : TListModel(Columns(), parent), m_files(files) {
    RowsReset();
    connect(&files, &TPlayListManager::Reset, this, &TPlayListModel::RowsReset);
    connect(&files, &TPlayListManager::Added, this, &TPlayListModel::RowsAdded);
    connect(&files, &TPlayListManager::Changed, this, &TPlayListModel::RowChanged);
    connect(&files, &TPlayListManager::AboutToBeRemoved, this, [this](int index) { Removing(index, index); });
    connect(&files, &TPlayListManager::Removed, this, &TPlayListModel::Removed);
}

void TPlayListModel::SetIcons(const TSystemImageList& icons) {
    m_icons = icons;
    if (rowCount() > 0)
        emit dataChanged(index(0, ColType), index(rowCount() - 1, ColType), {Qt::DecorationRole});
}

int TPlayListModel::RowsHeld() const {
    return m_files.Count();
}

const TPlayListFile& TPlayListModel::File(int row) const {
    return m_files.File(row);
}

int TPlayListModel::IconIndexOf(const std::string& name) const {
    // The icon follows the extension alone: one look-up per extension, not per row painted.
    const QString shown = ShownText(name);
    const QString extension = QFileInfo(shown).suffix().toLower();
    auto known = m_iconOfExtension.constFind(extension);
    if (known == m_iconOfExtension.constEnd())
        known = m_iconOfExtension.insert(extension, GetFileIconIndex(shown));
    return known.value();
}

QVariant TPlayListModel::data(const QModelIndex& index, int role) const {
    if (!IsShown(index))
        return {};
    const TPlayListFile& file = File(index.row());
    switch (index.column()) {
    case ColType:
        if (role == Qt::DecorationRole && m_icons)
            return m_icons->Icon(IconIndexOf(file.FileName));
        if (role == Qt::AccessibleTextRole)
            return TypeDescription(ShownText(file.FileName));
        if (role == Qt::ToolTipRole)
            return PlainToolTip(TypeDescription(ShownText(file.FileName)));
        if (role == RawValueRole)
            return qint64(IconIndexOf(file.FileName));
        break;
    case ColName:
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return ShownText(file.FileName);
        if (role == Qt::AccessibleDescriptionRole && IsPlaying(index.row()))
            return tr("Playing: %1").arg(DisplayName(index.row()));
        if (role == RawValueRole)
            return QByteArray::fromStdString(file.FileName);
        if (role == Qt::DecorationRole && IsPlaying(index.row()))
            return ArtworkIcon(QStringLiteral("player-play"));
        if (role == Qt::FontRole && IsPlaying(index.row())) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        break;
    case ColSize:
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return QString::number(file.FileSize);
        if (role == RawValueRole)
            return qint64(file.FileSize);
        if (role == Qt::ToolTipRole)
            return ReadableSize(file.FileSize);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        break;
    default:
        return TagData(file, index.column(), role);
    }
    return {};
}

QVariant TPlayListModel::TagData(const TPlayListFile& file, int column, int role) const {
    if (role == RawValueRole) {
        switch (column) {
        case ColLength:
            return qint64(file.Content.LengthMs);
        case ColBitrate:
            return qint64(file.Content.BitrateKbps);
        default:
            return QByteArray::fromStdString(column == ColArtist ? file.Content.Artist : column == ColTitle ? file.Content.Title : file.Content.Album);
        }
    }
    if (role == Qt::TextAlignmentRole && (column == ColLength || column == ColBitrate))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    switch (column) {
    case ColLength:
        return file.Content.LengthMs > 0 ? ReadableDuration(file.Content.LengthMs / 1000) : QString();
    case ColBitrate:
        return file.Content.BitrateKbps > 0 ? tr("%1 kbps").arg(file.Content.BitrateKbps) : QString();
    case ColArtist:
        return ShownText(file.Content.Artist);
    case ColTitle:
        return ShownText(file.Content.Title);
    default:
        return ShownText(file.Content.Album);
    }
}

QString TPlayListModel::DisplayName(int row) const {
    const TPlayListFile& file = File(row);
    if (!file.Content.Artist.empty() && !file.Content.Title.empty())
        return ShownText(ArtistAndTitle(file.Content.Artist, file.Content.Title));
    return ShownText(file.FileName);
}

bool TPlayListModel::IsPlaying(int row) const {
    return !m_playing.empty() && File(row).FileName == m_playing;
}

int TPlayListModel::RowOfName(const std::string& name) const {
    return m_files.IndexOf(name);
}

void TPlayListModel::SetPlaying(const std::string& name) {
    const int before = m_playing.empty() ? -1 : RowOfName(m_playing);
    m_playing = name;
    for (const int row : {before, name.empty() ? -1 : RowOfName(name)}) {
        if (row >= 0)
            RowChanged(row);
    }
}

