#include "ui/uDownloadsModel.h"

#include <algorithm>

#include "download/uTDownload.h"
#include "ui/uArtwork.h"
#include "ui/uPageList.h"
#include "ui/uPlainText.h"
#include "ui/uReadable.h"

namespace {
using K = TColumnKind;

QPixmap StatusPicture(int status) {
    static const char* const names[] = {"status-downloading", "status-complete", "status-failed"};
    return ArtworkPixmap(QLatin1String(names[std::clamp(status, 0, 2)]), QSize(41, 15));
}
} // namespace

const std::vector<TColumnFormat>& TDownloadsModel::Columns() {
    static const std::vector<TColumnFormat> columns{
        {QStringLiteral("Status"), K::Picture, 45},   {QStringLiteral("Title"), K::Text, 0.98f},
        {QStringLiteral("Size"), K::Size, 100},       {QStringLiteral("Received"), K::Size, 100},
        {QStringLiteral("Speed"), K::Number, 100},    {QStringLiteral("Progress"), K::Progress, 100},
        {QStringLiteral("Key"), K::Key, 0},
    };
    return columns;
}

TDownloadsModel::TDownloadsModel(QObject* parent) : TListModel(Columns(), parent) {}

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

QString TDownloadsModel::StatusWords(const TDownloadRow& row) {
    if (row.Cancelled)
        return QStringLiteral("Cancelled");
    switch (row.Status) {
    case TDownload::StatusComplete:
        return QStringLiteral("Complete");
    case TDownload::StatusFailed:
        return QStringLiteral("Failed");
    default:
        return QStringLiteral("Downloading");
    }
}

QString TDownloadsModel::StatusDescription(const TDownloadRow& row) {
    // A finished file says what it really is: an MP3 and how good, or what it looks like.
    if (row.Status == TDownload::StatusComplete && !row.Content.isEmpty())
        return row.Content;
    const QString words = StatusWords(row);
    return row.Status == TDownload::StatusFailed && !row.Cancelled && !row.Reason.isEmpty()
               ? words + QStringLiteral(": ") + row.Reason
               : words;
}

QString TDownloadsModel::Readable(const TDownloadRow& row, int column) const {
    switch (column) {
    case ColStatus:
        return StatusDescription(row);
    case ColTitle:
        return row.Title; // long titles are cut in the column
    case ColSize:
        return ReadableSize(row.Size);
    case ColReceived:
        return ReadableSize(row.Received) + QStringLiteral(" of ") + ReadableSize(row.Size);
    case ColSpeed:
        return ReadableSize(row.Speed) + QStringLiteral("/s");
    case ColProgress: {
        const QString left = row.Status == TDownload::StatusDownloading ? TimeLeft(row.Size, row.Received, row.Speed)
                                                                         : QString();
        return QString::number(row.Progress) + QLatin1Char('%') + (left.isEmpty() ? QString() : QStringLiteral(", ") + left);
    }
    default:
        return {};
    }
}

QVariant TDownloadsModel::Shown(const TDownloadRow& row, int column) const {
    switch (column) {
    case ColStatus:
        return StatusWords(row);
    case ColTitle:
        return row.Title;
    case ColSize:
        return QString::number(row.Size);
    case ColReceived:
        return QString::number(row.Received);
    case ColSpeed:
        return SpeedText(row.Speed);
    case ColProgress:
        return QString::number(row.Progress) + QLatin1Char('%');
    default:
        return QString::number(row.RowKey);
    }
}

QVariant TDownloadsModel::Raw(const TDownloadRow& row, int column) const {
    switch (column) {
    case ColStatus:
        return qint64(row.Status);
    case ColTitle:
        return row.Title.toUtf8();
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

QVariant TDownloadsModel::data(const QModelIndex& index, int role) const {
    if (!IsShown(index))
        return {};
    const TDownloadRow& row = Row(index.row());
    const int column = index.column();
    const TColumnKind kind = KindOf(column);
    switch (role) {
    case Qt::DisplayRole:
        // The picture and the bar are painted; what they show is told to screen readers.
        return kind == K::Picture || kind == K::Progress ? QVariant() : Shown(row, column);
    case Qt::AccessibleTextRole:
        return Shown(row, column);
    case Qt::DecorationRole:
        return kind == K::Picture ? QVariant(StatusPicture(row.Status)) : QVariant();
    case RawValueRole:
        return Raw(row, column);
    case Qt::ToolTipRole:
        return column == ColKey ? QVariant() : QVariant(PlainToolTip(Readable(row, column)));
    case Qt::AccessibleDescriptionRole:
        return column == ColStatus || column == ColProgress ? QVariant(Readable(row, column)) : QVariant();
    case Qt::TextAlignmentRole:
        return IsNumeric(kind) ? QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
        return {};
    }
}

void TDownloadsModel::List(const TDownload& download) {
    auto [listing, fresh] = m_listings.try_emplace(download.Key);
    if (fresh)
        listing->second.RowKey = m_nextRowKey++;
    else if (listing->second.Row >= 0)
        return; // listed already: events would reach only the first row anyway
    listing->second.Row = RowsHeld();
    // A row that comes back shows the download as it stands (complete, failed ...): the
    // manager will send nothing more for a finished one.
    m_rows.push_back(std::make_unique<TDownloadRow>(
        TDownloadRow{listing->second.RowKey, download.Key, download.Status(), download.Size, download.Received,
                     download.Speed, download.Progress, DisplayText(download.FileName),
                     DisplayText(download.FailReason), download.Cancelled, QString()}));
    RowsAdded();
    Flush();
}

int TDownloadsModel::RowOf(const std::string& key) const {
    const auto found = m_listings.find(key);
    return found == m_listings.end() ? -1 : found->second.Row;
}

void TDownloadsModel::Show(int row, const TDownload& download) {
    TDownloadRow& shown = *m_rows.at(static_cast<size_t>(row));
    shown.Status = download.Status();
    shown.Reason = DisplayText(download.FailReason);
    shown.Cancelled = download.Cancelled;
    shown.Content.clear();
    shown.Size = download.Size;
    shown.Received = download.Received;
    shown.Speed = download.Speed;
    shown.Progress = download.Progress;
    RowChanged(row);
}

void TDownloadsModel::SetStatus(int row, int status, const QString& reason, bool cancelled) {
    TDownloadRow& shown = *m_rows.at(static_cast<size_t>(row));
    if (shown.Status == status && shown.Reason == reason && shown.Cancelled == cancelled)
        return;
    shown.Status = status;
    shown.Reason = reason;
    shown.Cancelled = cancelled;
    RowChanged(row);
}

void TDownloadsModel::SetFigures(int row, int64_t size, int64_t received, int64_t speed, int progress) {
    TDownloadRow& shown = *m_rows.at(static_cast<size_t>(row));
    shown.Size = size;
    shown.Received = received;
    shown.Speed = speed;
    shown.Progress = progress;
    RowChanged(row);
}

void TDownloadsModel::SetContent(int row, const QString& content) {
    m_rows.at(static_cast<size_t>(row))->Content = content;
    RowChanged(row);
}

bool TDownloadsModel::HasFinished() const {
    return std::any_of(m_rows.begin(), m_rows.end(),
                       [](const auto& row) { return row->Status != TDownload::StatusDownloading; });
}

void TDownloadsModel::Reindex(size_t from) {
    for (size_t i = from; i < m_rows.size(); ++i)
        m_listings[m_rows[i]->Key].Row = static_cast<int>(i);
}

int TDownloadsModel::RemoveFinished() {
    // From the last row up, one removal per run of neighbouring finished rows.
    int removed = 0;
    size_t lowest = m_rows.size();
    const auto finished = [this](int row) {
        return m_rows[static_cast<size_t>(row)]->Status != TDownload::StatusDownloading;
    };
    for (int last = RowsHeld() - 1; last >= 0; --last) {
        if (!finished(last))
            continue;
        int first = last;
        while (first > 0 && finished(first - 1))
            --first;
        Removing(first, last);
        for (int i = first; i <= last; ++i)
            m_listings[m_rows[static_cast<size_t>(i)]->Key].Row = -1;
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
        Removed();
        removed += last - first + 1;
        lowest = static_cast<size_t>(first);
        last = first;
    }
    Reindex(lowest);
    return removed;
}
