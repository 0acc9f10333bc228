#include "ui/models/uDownloadsModel.h"

#include <algorithm>

#include <QPainter>
#include <QPixmapCache>

#include "core/uTFileUtils.h"
#include "download/uTDownload.h"
#include "download/uTDownloadManager.h"
#include "ui/look/uArtwork.h"
#include "ui/look/uPlainText.h"
#include "ui/look/uReadable.h"

namespace {
// More separate runs of rows than this are taken off in one reset.
constexpr int kMostRangeRemovals = 8;
using K = TColumnKind;

// A transfer under way now: not waiting for its turn or for a try again.
bool Running(const TDownload& download) {
    return download.Status() == TDownload::StatusDownloading && !download.Waiting() && download.RetryNote.empty();
}

QPixmap StatusPicture(const TDownload& download) {
    static const char* const names[] = {"status-downloading", "status-complete", "status-failed"};
    // The user's own cancel is no failure, and does not look like one.
    const bool cancelled = download.Status() == TDownload::StatusFailed && (download.Cancelled || download.Stopped);
    const QPixmap picture =
        cancelled ? ArtworkPixmap(QStringLiteral("cancel-download"), QSize(15, 15))
                  : ArtworkPixmap(QLatin1String(names[std::clamp(download.Status(), 0, 2)]), QSize(41, 15));
    if (!download.Waiting() || picture.isNull())
        return picture;
    // A download waiting its turn shows the running one's picture, faded.
    static const QString kFadedKey = QStringLiteral("orvalo-downloads:queued");
    QPixmap faded;
    if (QPixmapCache::find(kFadedKey, &faded) && faded.size() == picture.size())
        return faded;
    faded = QPixmap(picture.size());
    faded.setDevicePixelRatio(picture.devicePixelRatio());
    faded.fill(Qt::transparent);
    QPainter painter(&faded);
    painter.setOpacity(0.35);
    painter.drawPixmap(0, 0, picture);
    painter.end();
    QPixmapCache::insert(kFadedKey, faded);
    return faded;
}
} // namespace

const std::vector<TColumnFormat>& TDownloadsModel::Columns() {
    static const std::vector<TColumnFormat> columns{
        {QT_TRANSLATE_NOOP("Column", "Status"), K::Text, 125},
        {QT_TRANSLATE_NOOP("Column", "Title"), K::Text, 0.98f},
        {QT_TRANSLATE_NOOP("Column", "Size"), K::Size, 80},
        {QT_TRANSLATE_NOOP("Column", "Received"), K::Size, 80},
        {QT_TRANSLATE_NOOP("Column", "Speed"), K::Number, 80},
        {QT_TRANSLATE_NOOP("Column", "Progress"), K::Progress, 100},
        {QT_TRANSLATE_NOOP("Column", "Check"), K::Text, 110},
        {QT_TRANSLATE_NOOP("Column", "Key"), K::Key, 0},
    };
    return columns;
}

TDownloadsModel::TDownloadsModel(TDownloadManager& manager, QObject* parent)
    : TListModel(Columns(), parent), m_manager(manager) {
    for (int i = 0; i < manager.Count(); ++i)
        Append(*manager.Items(i));
    connect(&manager, &TDownloadManager::Added, this, &TDownloadsModel::Append);
    connect(&manager, &TDownloadManager::Changed, this, &TDownloadsModel::Update);
    connect(&manager, &TDownloadManager::AboutToBeRemoved, this, &TDownloadsModel::Remove);
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

QString TDownloadsModel::StatusWords(const TDownload& download) {
    switch (download.Status()) {
    case TDownload::StatusComplete:
        //: A download's state
        return tr("Complete");
    case TDownload::StatusFailed:
        //: A download's state: the end of the program stopped it (it goes on at the next start)
        return download.Stopped     ? tr("Stopped")
               : download.Cancelled ? tr("Cancelled")
                                    : tr("Failed");
    default:
        //: A download's state: it waits for its turn to run
        return download.Waiting() ? tr("Queued") : tr("Downloading");
    }
}

QString TDownloadsModel::FromOtherSite(const QString& words, const TDownload& download) {
    //: A download's state, then which site it comes from: "Downloading from the next site (the last stalled)"
    return tr("%1 %2").arg(words, DisplayText(download.SourceNote));
}

QString TDownloadsModel::StatusLine(const TDownload& download) {
    if (!download.RetryNote.empty()) {
        QString note = DisplayText(download.RetryNote);
        note[0] = note[0].toUpper();
        return note;
    }
    const QString words = StatusWords(download);
    if (download.Status() == TDownload::StatusDownloading && !download.SourceNote.empty())
        return FromOtherSite(words, download);
    if (download.Status() != TDownload::StatusFailed || download.Cancelled || download.Stopped ||
        download.FailReason.empty())
        return words;
    //: A download's state, then why: "Failed: HTTP 404"
    return tr("%1: %2").arg(words, DisplayText(download.FailReason));
}

QString TDownloadsModel::StatusDescription(const TDownload& download) {
    // A finished file says what it really is: an MP3 and how good, or what it looks like (the
    // content check's words, English like the other reasons the lower layers give).
    if (download.Status() == TDownload::StatusComplete && !download.Content.empty())
        return QString::fromStdString(download.Content);
    const QString words = StatusWords(download);
    //: A download's state, then why: "Failed: HTTP 404"
    const QString because = tr("%1: %2");
    if (!download.RetryNote.empty())
        return because.arg(words, DisplayText(download.RetryNote));
    if (download.Status() == TDownload::StatusDownloading && !download.SourceNote.empty())
        return FromOtherSite(words, download);
    return download.Status() == TDownload::StatusFailed && !download.Cancelled &&
                   !download.FailReason.empty()
               ? because.arg(words, DisplayText(download.FailReason))
               : words;
}

QString TDownloadsModel::Readable(const TRow& row, int column) const {
    const TDownload& download = *row.Record;
    switch (column) {
    case ColStatus:
        return StatusDescription(download);
    case ColTitle:
        return row.Title; // long titles are cut in the column
    case ColSize:
        return download.Size > 0 ? ExactBytes(download.Size) : QString();
    case ColReceived:
        //: Bytes received of the file's size: "1,203,456 bytes of 3,400,000"
        return download.Size > 0 ? tr("%1 of %2").arg(ExactBytes(download.Received), ReadableCount(download.Size))
                                 : ExactBytes(download.Received);
    case ColCheck:
        return QString::fromStdString(download.Content);
    case ColProgress: {
        const QString left = !download.RetryNote.empty() ? DisplayText(download.RetryNote)
                             : Running(download) ? TimeLeft(download.Size, download.Received, download.Speed)
                                                 : QString();
        return QString::number(download.Progress) + QLatin1Char('%') +
               (left.isEmpty() ? QString() : QStringLiteral(", ") + left);
    }
    case ColSpeed:
        return Shown(row, column).toString();
    default:
        return {};
    }
}

QVariant TDownloadsModel::Shown(const TRow& row, int column) const {
    const TDownload& download = *row.Record;
    switch (column) {
    case ColStatus:
        return StatusLine(download);
    case ColTitle:
        return row.Title;
    case ColSize:
        // A size the server did not tell is no size of 0.
        return download.Size > 0 ? ReadableSize(download.Size) : QString();
    case ColReceived:
        return ReadableSize(download.Received);
    case ColSpeed:
        return Running(download) ? ReadableSpeed(download.Speed) : QString();
    case ColProgress:
        return QString::number(download.Progress) + QLatin1Char('%');
    case ColCheck:
        return QString::fromStdString(download.Content);
    default:
        return QString::number(download.Serial);
    }
}

QVariant TDownloadsModel::Raw(const TRow& row, int column) const {
    const TDownload& download = *row.Record;
    switch (column) {
    case ColStatus:
        return qint64(download.Status());
    case ColTitle:
        return row.Title.toUtf8();
    case ColSize:
        return qint64(download.Size);
    case ColReceived:
        return qint64(download.Received);
    case ColSpeed:
        return qint64(Running(download) ? download.Speed : 0);
    case ColProgress:
        return qint64(download.Progress);
    case ColCheck:
        return QByteArray::fromStdString(download.Content);
    default:
        return qint64(download.Serial);
    }
}

QVariant TDownloadsModel::data(const QModelIndex& index, int role) const {
    if (!IsShown(index))
        return {};
    const TRow& row = m_rows[static_cast<size_t>(index.row())];
    const int column = index.column();
    const TColumnKind kind = KindOf(column);
    switch (role) {
    case Qt::DisplayRole:
        // The bar is painted, with the time a running download still needs on it; what it
        // shows is told to screen readers.
        if (kind == K::Progress)
            return Running(*row.Record) ? TimeLeft(row.Record->Size, row.Record->Received, row.Record->Speed) : QString();
        return kind == K::Picture ? QVariant() : Shown(row, column);
    case Qt::AccessibleTextRole:
        return Shown(row, column);
    case Qt::DecorationRole:
        return column == ColStatus ? QVariant(StatusPicture(*row.Record)) : QVariant();
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

void TDownloadsModel::Append(const TDownload& download) {
    m_rowOf.emplace(&download, RowsHeld());
    m_rows.push_back(TRow{&download, DisplayText(download.FileName)});
    Count(m_rows.back());
    RowsAdded();
}

int TDownloadsModel::RowOf(const std::string& key) const {
    const TDownload* download = m_manager.Find(key);
    const auto found = download == nullptr ? m_rowOf.end() : m_rowOf.find(download);
    return found == m_rowOf.end() ? -1 : found->second;
}

void TDownloadsModel::Update(const TDownload& download, TDownloadChange what) {
    const auto found = m_rowOf.find(&download);
    if (found == m_rowOf.end())
        return;
    // A song fetched again lands under a free name ("Song1.mp3"): its row names the file
    // the download folder holds.
    if (what == TDownloadChange::Status && download.Completed)
        m_rows[static_cast<size_t>(found->second)].Title = DisplayText(LastPathSegment(download.FilePath));
    Count(m_rows[static_cast<size_t>(found->second)]);
    RowChanged(found->second);
}

void TDownloadsModel::Count(TRow& row) {
    const bool finished = row.Record->Status() != TDownload::StatusDownloading;
    m_finishedRows += (finished ? 1 : 0) - (row.Finished ? 1 : 0);
    row.Finished = finished;
}

bool TDownloadsModel::HasFinished() const {
    return m_finishedRows > 0;
}

void TDownloadsModel::Reindex(size_t from) {
    for (size_t i = from; i < m_rows.size(); ++i)
        m_rowOf[m_rows[i].Record] = static_cast<int>(i);
}

void TDownloadsModel::Remove(const std::vector<const TDownload*>& going) {
    std::vector<char> goes(m_rows.size(), 0);
    for (const TDownload* download : going) {
        if (const auto found = m_rowOf.find(download); found != m_rowOf.end())
            goes[static_cast<size_t>(found->second)] = 1;
    }
    // Rows taken from many places at once go in one reset: a view and its proxy handle each
    // removal on its own, at the cost of the whole list each time.
    int runs = 0;
    for (size_t i = 0; i < goes.size(); ++i)
        runs += goes[i] && (i == 0 || !goes[i - 1]) ? 1 : 0;
    if (runs > kMostRangeRemovals) {
        std::vector<TRow> kept;
        kept.reserve(m_rows.size());
        for (size_t i = 0; i < m_rows.size(); ++i) {
            if (goes[i]) {
                m_rowOf.erase(m_rows[i].Record);
                m_finishedRows -= m_rows[i].Finished ? 1 : 0;
            } else {
                kept.push_back(std::move(m_rows[i]));
            }
        }
        m_rows = std::move(kept);
        Reindex(0);
        RowsReset();
        return;
    }
    // From the last row up, one removal per run of neighbouring rows that go.
    size_t lowest = m_rows.size();
    for (int last = RowsHeld() - 1; last >= 0; --last) {
        if (!goes[static_cast<size_t>(last)])
            continue;
        int first = last;
        while (first > 0 && goes[static_cast<size_t>(first - 1)])
            --first;
        Removing(first, last);
        for (int i = first; i <= last; ++i) {
            m_rowOf.erase(m_rows[static_cast<size_t>(i)].Record);
            m_finishedRows -= m_rows[static_cast<size_t>(i)].Finished ? 1 : 0;
        }
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
        Removed();
        lowest = static_cast<size_t>(first);
        last = first;
    }
    Reindex(lowest);
}
