#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/uListModel.h"

class TDownload;

// What the downloads list shows of one download: its status picture and the figures of its
// last refresh (a row is refreshed only every so many bytes, not at every block).
struct TDownloadRow {
    int64_t RowKey = 0;
    std::string Key; // the download's key in the download manager
    int Status = 0;  // the picture: 0 downloading, 1 complete, 2 failed
    int64_t Size = 0;
    int64_t Received = 0;
    int64_t Speed = 0; // bytes per second
    int Progress = 0;  // whole percent
    QString Title;     // the download's file name as shown
    QString Reason;    // why it failed; empty otherwise
    bool Cancelled = false; // ended by the user's cancel: no failure
    QString Content;   // what the finished file really holds ("MP3, 128 kbps, 3:25"); empty until checked
};

// The rows of the downloads list. One hash leads from a download's key to its listing: the
// row key it was first listed under (kept when its row is cleared, so that a row that comes
// back has its old key) and the row that shows it now.
class TDownloadsModel : public TListModel {
    Q_OBJECT
public:
    enum TColumn { ColStatus, ColTitle, ColSize, ColReceived, ColSpeed, ColProgress, ColKey };
    static const std::vector<TColumnFormat>& Columns();

    explicit TDownloadsModel(QObject* parent = nullptr);

    int RowsHeld() const override { return static_cast<int>(m_rows.size()); }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Lists `download` as it stands, unless a row shows it already.
    void List(const TDownload& download);
    // The row showing the download `key`; -1 when none does.
    int RowOf(const std::string& key) const;
    const TDownloadRow& Row(int row) const { return *m_rows.at(static_cast<size_t>(row)); }

    // The row shows the download as it stands now (it starts anew).
    void Show(int row, const TDownload& download);
    void SetStatus(int row, int status, const QString& reason = {}, bool cancelled = false);
    void SetFigures(int row, int64_t size, int64_t received, int64_t speed, int progress);
    // What the content check found in the finished file of `row`.
    void SetContent(int row, const QString& content);
    // Removes every complete and failed row; how many went.
    int RemoveFinished();
    bool HasFinished() const;

    // The text shown for a speed in bytes per second.
    static QString SpeedText(int64_t bytesPerSecond);
    // Bytes as the list shows them, control characters as spaces so that a title stays on
    // its one line.
    static QString DisplayText(const std::string& bytes);
    // The words a screen reader says for a status picture.
    static QString StatusWords(const TDownloadRow& row);
    // The status in a sentence, with the reason of a failure: the tool tip and accessible
    // description of the Status cell.
    static QString StatusDescription(const TDownloadRow& row);

private:
    struct TListing {
        int64_t RowKey = 0;
        int Row = -1; // -1 while cleared
    };
    QVariant Shown(const TDownloadRow& row, int column) const;
    QVariant Raw(const TDownloadRow& row, int column) const;
    // The figures of a cell in a person's units ("4.3 MB", "0:35 left").
    QString Readable(const TDownloadRow& row, int column) const;
    void Reindex(size_t from);

    std::vector<std::unique_ptr<TDownloadRow>> m_rows;
    std::unordered_map<std::string, TListing> m_listings;
    // Never repeats in a run, also after rows were cleared.
    int64_t m_nextRowKey = 0;
};
