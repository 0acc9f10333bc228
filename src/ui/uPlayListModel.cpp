#include "ui/uPlayListModel.h"

#include <algorithm>

#include <QApplication>
#include <QMimeDatabase>
#include <QPainter>
#include <QStringDecoder>
#include <QStyle>

#include "ui/uPlainText.h"

namespace {
unsigned char FoldAscii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

int CompareFolded(const std::string& a, const std::string& b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const unsigned char x = FoldAscii(static_cast<unsigned char>(a[i]));
        const unsigned char y = FoldAscii(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareRows(const TPlayListRow& a, const TPlayListRow& b, int column) {
    switch (column) {
    case TPlayListModel::ColType:
        return a.IconIndex == b.IconIndex ? 0 : (a.IconIndex < b.IconIndex ? -1 : 1);
    case TPlayListModel::ColName:
        return CompareFolded(a.Name, b.Name);
    case TPlayListModel::ColSize:
        return a.Size == b.Size ? 0 : (a.Size < b.Size ? -1 : 1);
    default:
        return 0;
    }
}

// What a screen reader says for the Type column: the file type's description.
QString TypeDescription(const QString& name) {
    static const QMimeDatabase database;
    return database.mimeTypeForFile(name, QMimeDatabase::MatchExtension).comment();
}
} // namespace

TPlayListModel::TPlayListModel(QObject* parent) : QAbstractTableModel(parent) {}

void TPlayListModel::SetIcons(const TSystemImageList& icons) {
    m_icons = icons;
    if (!m_rows.empty())
        emit dataChanged(index(0, ColType), index(rowCount() - 1, ColType), {Qt::DecorationRole});
}

int TPlayListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TPlayListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TPlayListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const TPlayListRow& row = Row(index.row());
    switch (role) {
    case SizeRole:
        return QVariant::fromValue<qint64>(row.Size);
    case IconIndexRole:
        return row.IconIndex;
    default:
        break;
    }
    switch (index.column()) {
    case ColType:
        if (role == Qt::DecorationRole && m_icons)
            return m_icons->Icon(row.IconIndex);
        if (role == Qt::AccessibleTextRole || role == Qt::ToolTipRole)
            return role == Qt::ToolTipRole ? PlainToolTip(TypeDescription(ShownText(row.Name)))
                                           : TypeDescription(ShownText(row.Name));
        break;
    case ColName:
        if (role == Qt::DisplayRole)
            return ShownText(row.Name);
        break;
    case ColSize:
        if (role == Qt::DisplayRole)
            return QString::number(row.Size);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        break;
    default:
        break;
    }
    return {};
}

QVariant TPlayListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case ColType:
        return QStringLiteral("Type");
    case ColName:
        return QStringLiteral("File Name");
    case ColSize:
        return QStringLiteral("File Size");
    default:
        return {};
    }
}

void TPlayListModel::Clear() {
    Reset({});
}

void TPlayListModel::Append(TPlayListRow row) {
    const int at = rowCount();
    beginInsertRows({}, at, at);
    m_rows.push_back(std::move(row));
    endInsertRows();
}

void TPlayListModel::Reset(std::vector<TPlayListRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void TPlayListModel::RemoveRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void TPlayListModel::SetName(int row, std::string name) {
    if (row < 0 || row >= rowCount())
        return;
    m_rows[static_cast<size_t>(row)].Name = std::move(name);
    emit dataChanged(index(row, ColType), index(row, ColName));
}

void TPlayListModel::SortByTag(int tag) {
    const int column = std::abs(tag) - 1;
    if (tag == 0 || column >= ColumnCount)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> order(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int result =
            CompareRows(m_rows[static_cast<size_t>(a)], m_rows[static_cast<size_t>(b)], column);
        return tag > 0 ? result < 0 : result > 0;
    });
    std::vector<TPlayListRow> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newRowOf(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(std::move(m_rows[static_cast<size_t>(order[i])]));
        newRowOf[static_cast<size_t>(order[i])] = static_cast<int>(i);
    }
    m_rows = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after << index(newRowOf[static_cast<size_t>(old.row())], old.column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TPlayListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    if (index.column() != TPlayListModel::ColType) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The background and selection as for any cell, then the icon centred without text.
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QIcon icon = cell.icon;
    cell.icon = QIcon();
    cell.features &= ~QStyleOptionViewItem::HasDecoration;
    cell.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    if (icon.isNull())
        return;
    const QSize size = option.decorationSize.isValid() ? option.decorationSize : QSize(16, 16);
    const QRect target = QStyle::alignedRect(option.direction, Qt::AlignCenter, size, option.rect);
    const QIcon::Mode mode =
        (option.state & QStyle::State_Selected) ? QIcon::Selected : QIcon::Normal;
    icon.paint(painter, target, Qt::AlignCenter, mode);
}
