#include "ui/uDownloadsModel.h"

#include <algorithm>
#include <cstdlib>

#include "core/uTStringUtils.h"
#include "ui/uPageList.h"
#include "ui/uPlainText.h"

namespace {

const QString kHeaders[] = {QStringLiteral("Status"), QStringLiteral("Title"),
                            QStringLiteral("Size"),   QStringLiteral("Received"),
                            QStringLiteral("Speed"),  QStringLiteral("Progress"),
                            QStringLiteral("Key")};
} // namespace

TDownloadsModel::TDownloadsModel(QObject* parent) : QAbstractTableModel(parent) {}

int TDownloadsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TDownloadsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString TDownloadsModel::SpeedText(int64_t bytesPerSecond) {
    return QString::number(bytesPerSecond / 1024) + QStringLiteral(" kb/s");
}

QString TDownloadsModel::DisplayText(const std::string& bytes) {
    QString text = ShownText(bytes);
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return text;
}

QString TDownloadsModel::StatusWords(int status) {
    switch (status) {
    case 1:
        return QStringLiteral("Complete");
    case 2:
        return QStringLiteral("Failed");
    default:
        return QStringLiteral("Downloading");
    }
}

QVariant TDownloadsModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const TEntry& entry = *m_rows[static_cast<size_t>(index.row())];
    const TDownloadRow& row = entry.Row;
    const auto column = static_cast<TColumn>(index.column());
    if (role == SortRole) {
        switch (column) {
        case ColStatus:
            return qint64(row.Status);
        case ColTitle:
            return QByteArray::fromStdString(entry.Folded);
        case ColSize:
            return qint64(row.Size);
        case ColReceived:
            return qint64(row.Received);
        case ColSpeed:
            return qint64(row.Speed / 1024);
        case ColProgress:
            return qint64(row.Progress);
        default:
            return qint64(row.RowKey);
        }
    }
    // The picture and the bar are painted; what they show is told in words to screen readers.
    if (role == Qt::AccessibleTextRole) {
        if (column == ColStatus)
            return StatusWords(row.Status);
        if (column == ColProgress)
            return QString::number(row.Progress) + QLatin1Char('%');
        return {};
    }
    if (role == Qt::DisplayRole) {
        switch (column) {
        case ColTitle:
            return entry.Title;
        case ColSize:
            return QString::number(row.Size);
        case ColReceived:
            return QString::number(row.Received);
        case ColSpeed:
            return SpeedText(row.Speed);
        case ColKey:
            return QString::number(row.RowKey);
        default:
            return {};
        }
    }
    if (role == Qt::ToolTipRole && column == ColTitle)
        return PlainToolTip(entry.Title); // long titles are cut in the column
    return {};
}

QVariant TDownloadsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < ColumnCount)
        return kHeaders[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

void TDownloadsModel::Append(TDownloadRow row) {
    const int at = static_cast<int>(m_rows.size());
    beginInsertRows({}, at, at);
    auto entry = std::make_unique<TEntry>(TEntry{std::move(row), {}, {}});
    entry->Title = DisplayText(entry->Row.Title);
    entry->Folded = AsciiLowerCopy(entry->Row.Title);
    m_rowOfKey.emplace(entry->Row.RowKey, at);
    m_rows.push_back(std::move(entry));
    endInsertRows();
}

int TDownloadsModel::RowOfKey(int64_t rowKey) const {
    const auto found = m_rowOfKey.find(rowKey);
    return found == m_rowOfKey.end() ? -1 : found->second;
}

void TDownloadsModel::RowChanged(int row, TColumn first, TColumn last) {
    emit dataChanged(index(row, first), index(row, last));
}

void TDownloadsModel::SetStatus(int row, int status) {
    TDownloadRow& shown = m_rows.at(static_cast<size_t>(row))->Row;
    if (shown.Status == status)
        return;
    shown.Status = status;
    RowChanged(row, ColStatus, ColStatus);
}

void TDownloadsModel::SetFigures(int row, int64_t size, int64_t received, int64_t speed,
                                 int progress) {
    TDownloadRow& shown = m_rows.at(static_cast<size_t>(row))->Row;
    shown.Size = size;
    shown.Received = received;
    shown.Speed = speed;
    shown.Progress = progress;
    RowChanged(row, ColSize, ColProgress);
}

void TDownloadsModel::Reindex(size_t from) {
    for (size_t i = from; i < m_rows.size(); ++i)
        m_rowOfKey[m_rows[i]->Row.RowKey] = static_cast<int>(i);
}

int TDownloadsModel::RemoveFinished() {
    // From the last row up, one removal per run of neighbouring finished rows.
    int removed = 0;
    size_t lowest = m_rows.size();
    for (int last = static_cast<int>(m_rows.size()) - 1; last >= 0; --last) {
        if (m_rows[static_cast<size_t>(last)]->Row.Status == 0)
            continue;
        int first = last;
        while (first > 0 && m_rows[static_cast<size_t>(first - 1)]->Row.Status != 0)
            --first;
        beginRemoveRows({}, first, last);
        for (int i = first; i <= last; ++i)
            m_rowOfKey.erase(m_rows[static_cast<size_t>(i)]->Row.RowKey);
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
        endRemoveRows();
        removed += last - first + 1;
        lowest = static_cast<size_t>(first);
        last = first;
    }
    Reindex(lowest);
    return removed;
}

int64_t TDownloadsModel::Compare(const TEntry& a, const TEntry& b, int column) {
    switch (column) {
    case ColStatus:
        return a.Row.Status - b.Row.Status;
    case ColTitle:
        return a.Folded.compare(b.Folded);
    case ColSize:
        return a.Row.Size - b.Row.Size;
    case ColReceived:
        return a.Row.Received - b.Row.Received;
    case ColSpeed:
        return a.Row.Speed / 1024 - b.Row.Speed / 1024;
    case ColProgress:
        return a.Row.Progress - b.Row.Progress;
    case ColKey:
        return a.Row.RowKey - b.Row.RowKey;
    default:
        return 0;
    }
}

void TDownloadsModel::Sort(int tag) {
    const int column = std::abs(tag) - 1;
    if (column < 0 || column >= ColumnCount)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int64_t> keysBefore;
    keysBefore.reserve(static_cast<size_t>(before.size()));
    for (const QModelIndex& index : before)
        keysBefore.push_back(m_rows[static_cast<size_t>(index.row())]->Row.RowKey);
    std::stable_sort(
        m_rows.begin(), m_rows.end(),
        [column, tag](const std::unique_ptr<TEntry>& a, const std::unique_ptr<TEntry>& b) {
            const int64_t order = Compare(*a, *b, column);
            return tag < 0 ? order > 0 : order < 0;
        });
    Reindex(0);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after << index(RowOfKey(keysBefore[static_cast<size_t>(i)]), before[i].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
