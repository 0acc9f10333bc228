#include "ui/models/uListModel.h"

#include <QCoreApplication>

QString ColumnCaption(const TColumnFormat& column) {
    return QCoreApplication::translate("Column", column.Header);
}

TListModel::TListModel(std::vector<TColumnFormat> columns, QObject* parent)
    : QAbstractTableModel(parent), m_columns(std::move(columns)) {
    // Zero interval: the changes of one turn of the event loop reach the view together.
    m_flush.setSingleShot(true);
    m_flush.setInterval(0);
    connect(&m_flush, &QTimer::timeout, this, &TListModel::Flush);
}

int TListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shown;
}

int TListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant TListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return ColumnCaption(m_columns[static_cast<size_t>(section)]);
    if (role == ColumnKindRole)
        return static_cast<int>(KindOf(section));
    return {};
}

bool TListModel::IsShown(const QModelIndex& index) const {
    return checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid);
}

void TListModel::ScheduleFlush() {
    if (!m_flush.isActive())
        m_flush.start();
}

void TListModel::RowsAdded() {
    ScheduleFlush();
}

void TListModel::RowChanged(int row) {
    // A row not shown yet shows its new values when it appears.
    if (row >= 0 && row < m_shown) {
        m_changed.Mark(row);
        ScheduleFlush();
    }
}

void TListModel::RowsReset() {
    beginResetModel();
    m_shown = RowsHeld();
    m_changed.Clear();
    m_flush.stop();
    endResetModel();
}

void TListModel::Removing(int first, int last) {
    Flush();
    beginRemoveRows({}, first, last);
}

void TListModel::Removed() {
    m_shown = RowsHeld();
    endRemoveRows();
}

void TListModel::Flush() {
    m_flush.stop();
    const int held = RowsHeld();
    if (held > m_shown) {
        beginInsertRows({}, m_shown, held - 1);
        m_shown = held;
        endInsertRows();
    }
    if (!m_changed.Empty()) {
        const int last = columnCount() - 1;
        m_changed.Flush([this, last](int first, int end) {
            emit dataChanged(index(first, 0), index(end, last));
        });
    }
}
