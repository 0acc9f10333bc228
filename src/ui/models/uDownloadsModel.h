#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/models/uListModel.h"

class TDownload;
class TDownloadManager;
enum class TDownloadChange;

// The downloads list: a view over the download manager's records, in the order they were
// listed. It follows the manager by itself; a key leads to its row.
class TDownloadsModel : public TListModel {
    Q_OBJECT
public:
    // Columns added later come after the hidden Key, so that the stored sort of a list keeps
    // meaning the column it meant.
    enum TColumn { ColStatus, ColTitle, ColSize, ColReceived, ColSpeed, ColProgress, ColCheck, ColKey };
    static const std::vector<TColumnFormat>& Columns();

    explicit TDownloadsModel(TDownloadManager& manager, QObject* parent = nullptr);

    int RowsHeld() const override { return static_cast<int>(m_rows.size()); }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The row showing the download `key`; -1 when none does.
    int RowOf(const std::string& key) const;
    const TDownload& Record(int row) const { return *m_rows.at(static_cast<size_t>(row)).Record; }
    const QString& Title(int row) const { return m_rows.at(static_cast<size_t>(row)).Title; }
    bool HasFinished() const;

    // Bytes as the list shows them, control characters as spaces so that a title stays on
    // its one line.
    static QString DisplayText(const std::string& bytes);
    // The state in a word: "Queued", "Downloading", "Complete", "Failed", "Cancelled".
    static QString StatusWords(const TDownload& download);
    // The state as its row says it, with the reason where there is one: "Failed: HTTP 404",
    // "Retrying in 8 s (connection cut)".
    static QString StatusLine(const TDownload& download);
    // The status in a sentence, with the reason of a failure: the tool tip and accessible
    // description of the Status cell.
    static QString StatusDescription(const TDownload& download);

private:
    // A running download that left its first link for another: "Downloading from the next
    // site (the last stalled)".
    static QString FromOtherSite(const QString& words, const TDownload& download);
    struct TRow {
        const TDownload* Record;
        QString Title; // the file name as shown, made once
        bool Finished = false; // as last told: what HasFinished counts
    };
    // Counts the row as finished or not, as its download is now.
    void Count(TRow& row);
    void Append(const TDownload& download);
    void Update(const TDownload& download, TDownloadChange what);
    void Remove(const std::vector<const TDownload*>& going);
    QVariant Shown(const TRow& row, int column) const;
    QVariant Raw(const TRow& row, int column) const;
    // What a cell's tool tip says: the exact figures behind the readable ones.
    QString Readable(const TRow& row, int column) const;
    void Reindex(size_t from);

    std::vector<TRow> m_rows;
    std::unordered_map<const TDownload*, int> m_rowOf;
    int m_finishedRows = 0; // asked after every change of the list: not a walk over it
    const TDownloadManager& m_manager;
};
