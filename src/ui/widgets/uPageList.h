#pragma once

#include <string_view>
#include <vector>

#include <QColor>
#include <QTreeView>

#include "ui/look/uPlainText.h"

class TListModel;
class TListProxy;

// Painting of a widget held off for a scope.
class TPaintingSuspended {
public:
    // Only what this scope turned off is turned on again: a widget inside another suspended
    // one reports no updates without having been told so itself.
    explicit TPaintingSuspended(QWidget* widget);
    TPaintingSuspended(const TPaintingSuspended&) = delete;
    TPaintingSuspended& operator=(const TPaintingSuspended&) = delete;
    ~TPaintingSuspended();

private:
    QWidget* m_widget;
    bool m_was;
};

// The background of every other row of the pages' lists (a light blue).
inline const QColor kRowBackground{240, 248, 255};

// A report-style list of a page: whole-row selection, no editing, no tree decoration, odd
// rows on kRowBackground. It shows its model through a sort proxy: a click on a column
// header sorts by that column, and the header's arrow shows while the rows are in that
// order. Its model's column table gives the captions, how cells are drawn and the widths.
class TPageList : public QTreeView {
    Q_OBJECT
public:
    TPageList(const QString& name, const QString& accessibleName, TListModel* model, QWidget* parent);

    TListModel* Model() const { return m_model; }
    TListProxy* Proxy() const { return m_proxy; }
    // Sets the column widths from the model's table against the list's width: fixed columns
    // their pixels, the others their share of what is left; a column of width 0 is hidden and
    // cannot be dragged open.
    void LayOutColumns();
    // Lays the columns out anew when the list is wider or narrower than at the last layout:
    // widths set since (by the user, or restored) stay while the width does.
    void FollowWidth();
    // The model's rows of the selection, in the order shown.
    std::vector<int> SelectedRows() const;
    // The model's row shown first of the selection; -1 when none.
    int SelectedRow() const;
    // Selects the rows that show the model's rows `rows`, and no others.
    void SelectRows(const std::vector<int>& rows);
    // What the list says while it has no rows: what to do to fill it. It is also the list's
    // accessible description then.
    void SetEmptyText(const QString& text);

    // Sorts as a stored sort tag says (the 1-based column, negative for descending).
    void RestoreSort(int tag);

signals:
    // The user asked for the pop-up menu at `position` (the viewport's coordinates), on a
    // row: the rows it acts on are selected by then.
    void MenuRequested(const QPoint& position);

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    // A row is entered at its first text (a title), not at its picture: a screen reader
    // says what the row is before what state it is in.
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void ApplyRowBackground();
    void ShowSortArrow();
    void DescribeEmptiness();
    void ShowMenuAt(const QPoint& position);
    void ShowColumnMenu(const QPoint& position);

    TListModel* m_model;
    TListProxy* m_proxy;
    int m_laidOutWidth = -1; // the list's width at the last layout
    bool m_applyingPalette = false;
    QString m_emptyText;
};
