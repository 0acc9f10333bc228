#pragma once

#include <functional>
#include <vector>

#include <QSortFilterProxyModel>

class TListModel;

// The one sort and filter path of the pages' lists. A click on a column header sorts the
// rows once by that column (again on the same column: the other way round); rows added
// later come after them in the order they arrive, until the next sort. Cells compare by
// their raw value: numbers as numbers, text with A-Z folded, byte by byte. The key column,
// which the lists keep last, is not passed on: the view's columns are the first columns of
// the list.
class TListProxy : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit TListProxy(TListModel* source, QObject* parent = nullptr);

    TListModel* Source() const { return m_source; }
    // The list's sort state: the 1-based column sorted by, negative when descending; 0 when
    // never sorted (or the sort was forgotten).
    int SortTag() const { return m_sortTag; }
    // Sorts as a click on the header of `column` does.
    void SortByColumn(int column);
    // Sorts by a sort tag as SortTag gives it.
    void SortByTag(int tag);
    // Whether the rows shown are still in the order of the last sort.
    bool InSortOrder() const { return m_sortTag != 0 && m_inOrder; }

    // Rows for which `accepts(sourceRow)` is false are not shown; an empty function shows all.
    void SetRowFilter(std::function<bool(int sourceRow)> accepts);
    // The filter's answer changed for some rows: every row is put to it again at the end of
    // this turn of the event loop, once however often asked.
    void RefilterSoon();

    int SourceRow(int row) const;
    // The source rows of `rows` (indexes of this model), each once, in the order shown.
    std::vector<int> SourceRows(const QModelIndexList& rows) const;

signals:
    // The rows stopped being in the order of the last sort: a row came or changed out of it,
    // or the rows were replaced.
    void SortOrderLost();

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    // The row keys are for sorting only: the view (and so a screen reader) never sees them.
    bool filterAcceptsColumn(int sourceColumn, const QModelIndex& sourceParent) const override;

private:
    int Compare(int leftRow, int rightRow) const;
    void CheckOrder(int first, int last);
    void LoseOrder();
    // Sorts the rows by the sort tag's column, each cell read once.
    void SortRows();

    TListModel* m_source;
    // Each source row's place in the last sort (equal values share one), so that every
    // comparison, the sort's and those that place a row the filter lets in again, is one of
    // two numbers. Rows that came after the sort rank after all of them, in the order they
    // came.
    qint64 RankOf(int sourceRow) const;
    void ForgetRanks(int first, int last);
    std::vector<int> m_rank;
    int m_rankCeiling = 0;
    int m_sortTag = 0;
    bool m_inOrder = false;
    bool m_sortedAtReset = false; // the rows shown were in order when the reset began
    std::function<bool(int)> m_accepts;
    bool m_refilterDue = false;
};

// The sort state after a click on `column` (0-based) when the state was `tag`: the same
// column reverses the order, another column sorts by it ascending.
int NextSortTag(int tag, int column);
