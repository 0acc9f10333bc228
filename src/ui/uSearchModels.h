#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <QAbstractTableModel>
#include <QColor>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTimer>

#include "ui/uPageList.h"

// The roles the search page's lists answer beyond Qt's own.
enum TSearchListRole {
    StatusRole = Qt::UserRole + 1, // the status picture's index (0 found, 1 verified, 2 failed)
    SortValueRole,                 // a number column's raw value (qint64)
    KeyRole,                       // the row's number, kept through every sort
};

// The words a status cell answers with, for screen readers: "Found", "Verified", "Failed".
QString StatusText(int status);

// Coalesces the rows changed during one turn of the event loop into one dataChanged per run
// of adjacent rows.
class TChangedRows {
public:
    void Mark(int row) { m_rows.push_back(row); }
    void Clear() { m_rows.clear(); }
    bool Empty() const { return m_rows.empty(); }
    // Calls emitRange(first, last) for every run of adjacent changed rows, then forgets them.
    template <typename EmitRange> void Flush(EmitRange emitRange);

private:
    std::vector<int> m_rows;
};

// A results list (the search's files or the most-popular list): a status picture, text
// columns, number columns and the hidden Key column holding each row's number. Rows are
// appended and changed by their number; what changes within one turn of the event loop
// reaches the view at its end in one insert and one change per run of rows. The model sorts
// itself by the lists' sort tag.
class TResultListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class TColumnKind { Status, Text, Number, Key };
    struct TColumn {
        QString Header;
        TColumnKind Kind;
    };

    TResultListModel(std::vector<TColumn> columns, QObject* parent = nullptr);

    // Appends a row and returns its number (the rows held before it). `texts` and `numbers`
    // give the text and number columns, each in column order.
    int AppendRow(int status, std::vector<std::string> texts, std::vector<qint64> numbers);
    void SetStatus(int key, int status);
    // Sets the number column `column` (0-based among all columns) of the row `key`.
    void SetNumber(int key, int column, qint64 value);
    void Clear();
    // Re-sorts every row by the sort tag (1-based column, negative for descending). Rows
    // appended later come after them, unsorted.
    void SortBy(int tag);

    // Rows held, also those not yet shown.
    int RowsHeld() const { return static_cast<int>(m_rows.size()); }
    int StatusOf(int key) const;
    // The number of the row shown at `row`, or -1.
    int KeyAt(int row) const;
    // Where the row `key` is shown, or -1.
    int RowOfKey(int key) const;
    // Shows what changed since the last turn of the event loop at once.
    void Flush();
    // The sort tag the rows are in order of, or 0 once a row added or changed since the last
    // sort broke that order (or the rows were cleared).
    int SortedBy() const { return m_sortedBy; }

signals:
    // The rows stopped being in the order of the last sort.
    void SortOrderLost();

public:

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct TRow {
        int Key = 0;
        int Status = 0;
        std::vector<std::string> Texts;
        std::vector<qint64> Numbers;
    };

    qint64 NumberOf(const TRow& row, int column) const;
    int Compare(const TRow& a, const TRow& b, int column) const;
    void Changed(int key);
    void ScheduleFlush();
    // Whether the rows at `position` and after it are in the order of the last sort.
    bool InSortOrder(size_t position) const;
    void CheckSortOrder(size_t position);

    std::vector<TColumn> m_columns;
    std::vector<int> m_slot; // column -> index into a row's Texts or Numbers
    size_t m_textColumns = 0;
    size_t m_numberColumns = 0;
    std::vector<TRow> m_rows;
    std::vector<int> m_positionOfKey; // row numbers run from 0 without gaps
    int m_shown = 0;
    int m_sortedBy = 0;
    TChangedRows m_changed;
    QTimer m_flush;
};

// The engine list: per display name a name row and a "Files: N" row below it.
class TEngineListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TEngineListModel(QObject* parent = nullptr);

    // Adds the pair of rows for each display name not yet listed, in order.
    void AddEngines(const std::vector<std::string>& displayNames);
    void ResetCounters();
    // Counts one file for the engines shown under `displayName`.
    void CountResult(const std::string& displayName);
    int FilesOf(const std::string& displayName) const;
    void Flush();

    // The name rows' background; the page picks it to suit the palette.
    QColor NameRowBackground;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct TEngine {
        std::string Name;
        int Files = 0;
    };
    int IndexOf(const std::string& displayName) const;

    std::vector<TEngine> m_engines;
    std::unordered_map<std::string, int> m_indexOfName;
    TChangedRows m_changed;
    QTimer m_flush;
};

// Paints a status cell's picture (41 x 15) over the row's own background.
class TStatusDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const QPixmap& Picture(int status) const;
    mutable std::array<QPixmap, 3> m_pictures;
};

template <typename EmitRange> void TChangedRows::Flush(EmitRange emitRange) {
    std::sort(m_rows.begin(), m_rows.end());
    m_rows.erase(std::unique(m_rows.begin(), m_rows.end()), m_rows.end());
    size_t i = 0;
    while (i < m_rows.size()) {
        size_t j = i;
        while (j + 1 < m_rows.size() && m_rows[j + 1] == m_rows[j] + 1)
            ++j;
        emitRange(m_rows[i], m_rows[j]);
        i = j + 1;
    }
    m_rows.clear();
}
