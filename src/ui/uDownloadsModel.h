#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <QAbstractTableModel>

// What the downloads list shows of one download.
struct TDownloadRow {
    int64_t RowKey = 0;
    int Status = 0;    // 0 downloading, 1 complete, 2 failed
    std::string Title; // the download's file name, as bytes
    int64_t Size = 0;
    int64_t Received = 0;
    int64_t Speed = 0; // bytes per second
    int Progress = 0;  // whole percent
};

// The rows of the downloads list. Rows are found by their row key through a hash kept right
// through appends, sorts and removals, so a progress event costs the same for the first
// row as for the ten-thousandth.
class TDownloadsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn {
        ColStatus,
        ColTitle,
        ColSize,
        ColReceived,
        ColSpeed,
        ColProgress,
        ColKey,
        ColumnCount
    };
    // The cell's raw value: a number as qint64, the title as case-folded bytes.
    static constexpr int SortRole = Qt::UserRole + 1;

    explicit TDownloadsModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void Append(TDownloadRow row);
    // The row showing `rowKey`, or -1.
    int RowOfKey(int64_t rowKey) const;
    const TDownloadRow& Row(int row) const { return m_rows.at(static_cast<size_t>(row))->Row; }

    void SetStatus(int row, int status);
    void SetFigures(int row, int64_t size, int64_t received, int64_t speed, int progress);
    // Removes every complete and failed row; how many went.
    int RemoveFinished();
    // Orders the rows once by a sort state (1-based column, negative for descending).
    void Sort(int tag);

    // The text shown for a speed in bytes per second.
    static QString SpeedText(int64_t bytesPerSecond);
    // Bytes as the list shows them: UTF-8, or Latin-1 when they are not valid UTF-8; control
    // characters shown as spaces so that a title stays on its one line.
    static QString DisplayText(const std::string& bytes);
    // The words a screen reader says for a status picture.
    static QString StatusWords(int status);

private:
    struct TEntry {
        TDownloadRow Row;
        QString Title;      // DisplayText of the title, made once
        std::string Folded; // the title with A-Z lower-cased, for sorting
    };
    void Reindex(size_t from);
    void RowChanged(int row, TColumn first, TColumn last);
    static int64_t Compare(const TEntry& a, const TEntry& b, int column);

    // Rows by pointer: removing rows from a long list moves pointers, not whole rows.
    std::vector<std::unique_ptr<TEntry>> m_rows;
    std::unordered_map<int64_t, int> m_rowOfKey;
};
