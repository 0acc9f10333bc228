#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

#include "ui/uPageList.h"
#include "ui/uSystemIcons.h"

// One file of the play list: the name as the file system gives it (bytes), its size and
// the index of its type's icon in the shared icon list.
struct TPlayListRow {
    std::string Name;
    int64_t Size = 0;
    int IconIndex = -1;
};

// The rows of the play list page: Type (icon only), File Name, File Size.
class TPlayListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColType, ColName, ColSize, ColumnCount };
    // The raw values the sort works on: the size as qint64, the icon index as int.
    static constexpr int SizeRole = Qt::UserRole + 1;
    static constexpr int IconIndexRole = Qt::UserRole + 2;

    explicit TPlayListModel(QObject* parent = nullptr);

    void SetIcons(const TSystemImageList& icons);
    // The icon list the Type column draws from; none until the page is initialised.
    const std::optional<TSystemImageList>& Icons() const { return m_icons; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void Clear();
    void Append(TPlayListRow row);
    // Replaces every row at once (a folder of thousands of files lists in one step).
    void Reset(std::vector<TPlayListRow> rows);
    void RemoveRow(int row);
    void SetName(int row, std::string name);
    const TPlayListRow& Row(int row) const { return m_rows[static_cast<size_t>(row)]; }

    // Orders the rows by a sort state as NextSortTag keeps it: the 1-based column, negative
    // for descending. Type by icon index, File Name by the names folded to lower case
    // (ASCII, byte order), File Size by value; equal rows keep their order.
    void SortByTag(int tag);

private:
    std::vector<TPlayListRow> m_rows;
    std::optional<TSystemImageList> m_icons;
};

// Draws the Type column's icon centred in its cell.
class TPlayListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

