#include "ui/models/uListProxy.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <utility>

#include "core/uTStringUtils.h"
#include "ui/models/uListModel.h"

int NextSortTag(int tag, int column) {
    return std::abs(tag) == column + 1 ? -tag : column + 1;
}

namespace {
int CompareValues(const QVariant& a, const QVariant& b) {
    if (a.typeId() == QMetaType::QByteArray || b.typeId() == QMetaType::QByteArray) {
        const QByteArray x = a.toByteArray();
        const QByteArray y = b.toByteArray();
        return CompareIgnoringCase({x.constData(), static_cast<size_t>(x.size())},
                                   {y.constData(), static_cast<size_t>(y.size())});
    }
    const qint64 x = a.toLongLong();
    const qint64 y = b.toLongLong();
    return x < y ? -1 : (x > y ? 1 : 0);
}
// Each row's place among `keys` sorted (equal keys keep their order and share one).
template <typename Key> std::vector<int> RanksBy(const std::vector<Key>& keys) {
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
        return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
    });
    std::vector<int> rank(keys.size(), 0);
    for (size_t i = 1; i < order.size(); ++i) {
        const auto row = static_cast<size_t>(order[i]);
        const auto before = static_cast<size_t>(order[i - 1]);
        rank[row] = keys[before] == keys[row] ? rank[before] : static_cast<int>(i);
    }
    return rank;
}

// The ranks of a column's values, in the order CompareValues gives. Each value is made a
// key once (a number, or its text with A-Z folded), so that the sort compares plain keys.
std::vector<int> Ranks(const std::vector<QVariant>& values) {
    const bool asText = std::any_of(values.begin(), values.end(), [](const QVariant& value) {
        return value.typeId() == QMetaType::QByteArray;
    });
    if (asText) {
        std::vector<std::string> keys;
        keys.reserve(values.size());
        for (const QVariant& value : values) {
            const QByteArray text = value.toByteArray();
            keys.push_back(AsciiLowerCopy({text.constData(), static_cast<size_t>(text.size())}));
        }
        return RanksBy(keys);
    }
    std::vector<qint64> keys;
    keys.reserve(values.size());
    for (const QVariant& value : values)
        keys.push_back(value.toLongLong());
    return RanksBy(keys);
}
} // namespace

TListProxy::TListProxy(TListModel* source, QObject* parent)
    : QSortFilterProxyModel(parent), m_source(source) {
    // Rows are sorted once per click, never by themselves: new rows come after the sorted ones.
    setDynamicSortFilter(false);
    setSortRole(RawValueRole);
    setSourceModel(source);
    connect(this, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { CheckOrder(first - 1, last); });
    connect(this, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                CheckOrder(topLeft.row() - 1, bottomRight.row() + 1);
            });
    // A reset that leaves rows (many taken off at once) keeps the order the user chose; rows
    // replaced by none lose it.
    connect(this, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { m_sortedAtReset = InSortOrder(); });
    connect(this, &QAbstractItemModel::modelReset, this, [this] {
        // The ranks belonged to the rows before: made anew before anything asks for a row.
        m_rank.clear();
        const bool rows = m_source->rowCount() > 0;
        if (m_sortTag != 0 && rows)
            SortRows();
        if (!(m_sortedAtReset && rows))
            LoseOrder();
    });
    connect(source, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) { ForgetRanks(first, last); });
}

void TListProxy::SortByColumn(int column) {
    if (column >= 0 && column < columnCount())
        SortByTag(NextSortTag(m_sortTag, column));
}

void TListProxy::SortByTag(int tag) {
    const int column = std::abs(tag) - 1;
    if (column < 0 || column >= columnCount())
        return;
    m_source->Flush();
    m_sortTag = tag;
    SortRows();
    m_inOrder = true;
}

void TListProxy::SortRows() {
    const int column = std::abs(m_sortTag) - 1;
    const int rows = m_source->rowCount();
    std::vector<QVariant> values(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row)
        values[static_cast<size_t>(row)] = m_source->index(row, column).data(RawValueRole);
    m_rank = Ranks(values);
    m_rankCeiling = rows;
    sort(column, m_sortTag > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TListProxy::ForgetRanks(int first, int last) {
    const auto size = static_cast<int>(m_rank.size());
    if (first < size)
        m_rank.erase(m_rank.begin() + first, m_rank.begin() + std::min(last + 1, size));
}

qint64 TListProxy::RankOf(int sourceRow) const {
    const auto row = static_cast<size_t>(sourceRow);
    return row < m_rank.size() ? m_rank[row] : qint64{m_rankCeiling} + sourceRow;
}

void TListProxy::SetRowFilter(std::function<bool(int)> accepts) {
    m_accepts = std::move(accepts);
    invalidateFilter();
}

void TListProxy::RefilterSoon() {
    if (std::exchange(m_refilterDue, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_refilterDue = false;
            invalidateRowsFilter();
        },
        Qt::QueuedConnection);
}

bool TListProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    return !m_accepts || m_accepts(sourceRow);
}

bool TListProxy::filterAcceptsColumn(int sourceColumn, const QModelIndex&) const {
    return m_source->Columns()[static_cast<size_t>(sourceColumn)].Kind != TColumnKind::Key;
}

int TListProxy::SourceRow(int row) const {
    return mapToSource(index(row, 0)).row();
}

std::vector<int> TListProxy::SourceRows(const QModelIndexList& rows) const {
    std::vector<std::pair<int, int>> shown; // row shown, source row
    for (const QModelIndex& row : rows) {
        const QModelIndex source = mapToSource(row);
        if (source.isValid())
            shown.emplace_back(row.row(), source.row());
    }
    std::sort(shown.begin(), shown.end());
    shown.erase(std::unique(shown.begin(), shown.end()), shown.end());
    std::vector<int> sourceRows;
    for (const auto& [row, source] : shown)
        sourceRows.push_back(source);
    return sourceRows;
}

int TListProxy::Compare(int leftRow, int rightRow) const {
    const int column = std::abs(m_sortTag) - 1;
    return CompareValues(index(leftRow, column).data(RawValueRole),
                         index(rightRow, column).data(RawValueRole));
}

bool TListProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    return RankOf(left.row()) < RankOf(right.row());
}

void TListProxy::CheckOrder(int first, int last) {
    if (!InSortOrder())
        return;
    const int rows = rowCount();
    for (int row = std::max(first, 0); row < std::min(last, rows - 1); ++row) {
        const int order = Compare(row, row + 1);
        if (m_sortTag > 0 ? order > 0 : order < 0) {
            LoseOrder();
            return;
        }
    }
}

void TListProxy::LoseOrder() {
    if (!m_inOrder)
        return;
    m_inOrder = false;
    emit SortOrderLost();
}
