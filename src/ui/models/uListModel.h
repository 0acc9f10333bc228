#pragma once

#include <algorithm>
#include <vector>

#include <QAbstractTableModel>
#include <QTimer>

// The roles the pages' lists answer beyond Qt's own.
enum TListRole {
    // What a cell sorts by: a number (qint64) for numbers, pictures and bars, the bytes
    // (QByteArray) for text.
    RawValueRole = Qt::UserRole + 1,
    // Asked of the header: the column's TColumnKind, as an int.
    ColumnKindRole,
};

// How a column shows its cells.
enum class TColumnKind {
    Picture,  // a picture alone (Qt::DecorationRole), centred; its words for screen readers
    Text,     // text from outside the program
    Number,   // right-aligned
    Size,     // a number of bytes: right-aligned, its tool tip in KB or MB
    Progress, // a bar painted by the style; a percent for screen readers
    Key,      // the row's number, kept through every sort; never shown
};

inline bool IsNumeric(TColumnKind kind) {
    return kind == TColumnKind::Number || kind == TColumnKind::Size;
}

// One column of a list: its caption, how it shows, and its width: above 1 a width in pixels,
// 1 or less a share of what the fixed columns leave of the list's width (0 keeps it shut).
// The caption is the English text, marked for translation in the "Column" context; it is
// translated where it shows (ColumnCaption), so every table can stay a static one built before
// the user's language is known.
struct TColumnFormat {
    const char* Header;
    TColumnKind Kind;
    float Width;
    bool HiddenAtFirst = false; // shown only once the user asks for it
};

// The column's caption in the user's language.
QString ColumnCaption(const TColumnFormat& column);

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

// The base of the pages' list models: the columns come from a table, and the rows from the
// records of the model's owner. Rows added to the owner, and rows changed, during one turn
// of the event loop reach the view at its end, in one insert and one change per run of rows:
// a flood of results costs the view one update a turn.
class TListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TListModel(std::vector<TColumnFormat> columns, QObject* parent);

    const std::vector<TColumnFormat>& Columns() const { return m_columns; }
    TColumnKind KindOf(int column) const { return m_columns[static_cast<size_t>(column)].Kind; }
    // The rows the owner holds, also those not shown yet.
    virtual int RowsHeld() const = 0;
    // Shows at once what changed since the last turn of the event loop.
    void Flush();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

protected:
    // The owner added rows at its end: they show at the end of this turn.
    void RowsAdded();
    // The row's cells changed: they show at the end of this turn.
    void RowChanged(int row);
    // The owner's rows were replaced or cleared.
    void RowsReset();
    // The owner is about to remove the rows `first` to `last`; call Removed() after.
    void Removing(int first, int last);
    void Removed();
    bool IsShown(const QModelIndex& index) const;

private:
    void ScheduleFlush();

    std::vector<TColumnFormat> m_columns;
    int m_shown = 0;
    TChangedRows m_changed;
    QTimer m_flush;
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
