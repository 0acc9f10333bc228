#include "ui/uSearchModels.h"

#include <algorithm>
#include <utility>

#include <QApplication>
#include <QPainter>
#include <QStringDecoder>

#include "ui/uArtwork.h"

QString StatusText(int status) {
    switch (status) {
    case 1:
        return QStringLiteral("Verified");
    case 2:
        return QStringLiteral("Failed");
    default:
        return QStringLiteral("Found");
    }
}

namespace {
// Letter case folded byte by byte (ASCII only), compared as unsigned bytes.
int CompareIgnoringCase(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto fold = [](char c) {
            const auto u = static_cast<unsigned char>(c);
            return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
        };
        const int d = fold(a[i]) - fold(b[i]);
        if (d != 0)
            return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int Sign(qint64 value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

void InitFlushTimer(QTimer& timer) {
    // Zero interval: the changes of one turn of the event loop reach the view together.
    timer.setSingleShot(true);
    timer.setInterval(0);
}
} // namespace

// ---------------------------------------------------------------------------------------
// TResultListModel

TResultListModel::TResultListModel(std::vector<TColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), m_columns(std::move(columns)) {
    int texts = 0;
    int numbers = 0;
    for (const TColumn& column : m_columns) {
        if (column.Kind == TColumnKind::Text)
            m_slot.push_back(texts++);
        else if (column.Kind == TColumnKind::Number)
            m_slot.push_back(numbers++);
        else
            m_slot.push_back(-1);
    }
    m_textColumns = static_cast<size_t>(texts);
    m_numberColumns = static_cast<size_t>(numbers);
    InitFlushTimer(m_flush);
    connect(&m_flush, &QTimer::timeout, this, &TResultListModel::Flush);
}

int TResultListModel::AppendRow(int status, std::vector<std::string> texts,
                                std::vector<qint64> numbers) {
    const int key = RowsHeld();
    texts.resize(m_textColumns);
    numbers.resize(m_numberColumns);
    m_rows.push_back(TRow{key, status, std::move(texts), std::move(numbers)});
    m_positionOfKey.push_back(key);
    if (m_rows.size() > 1)
        CheckSortOrder(m_rows.size() - 2);
    ScheduleFlush();
    return key;
}

void TResultListModel::SetStatus(int key, int status) {
    if (key < 0 || key >= RowsHeld())
        return;
    m_rows[static_cast<size_t>(m_positionOfKey[static_cast<size_t>(key)])].Status = status;
    Changed(key);
}

void TResultListModel::SetNumber(int key, int column, qint64 value) {
    if (key < 0 || key >= RowsHeld() || column < 0 || column >= columnCount() ||
        m_columns[static_cast<size_t>(column)].Kind != TColumnKind::Number)
        return;
    TRow& row = m_rows[static_cast<size_t>(m_positionOfKey[static_cast<size_t>(key)])];
    row.Numbers[static_cast<size_t>(m_slot[static_cast<size_t>(column)])] = value;
    Changed(key);
}

bool TResultListModel::InSortOrder(size_t position) const {
    if (position + 1 >= m_rows.size())
        return true;
    const int order = Compare(m_rows[position], m_rows[position + 1], std::abs(m_sortedBy) - 1);
    return m_sortedBy > 0 ? order <= 0 : order >= 0;
}

void TResultListModel::CheckSortOrder(size_t position) {
    if (m_sortedBy == 0 || InSortOrder(position))
        return;
    m_sortedBy = 0;
    emit SortOrderLost();
}

void TResultListModel::Changed(int key) {
    const int position = m_positionOfKey[static_cast<size_t>(key)];
    if (position > 0)
        CheckSortOrder(static_cast<size_t>(position - 1));
    CheckSortOrder(static_cast<size_t>(position));
    // A row not shown yet shows its new values when it appears.
    if (position < m_shown) {
        m_changed.Mark(position);
        ScheduleFlush();
    }
}

void TResultListModel::Clear() {
    beginResetModel();
    m_rows.clear();
    m_positionOfKey.clear();
    m_shown = 0;
    if (std::exchange(m_sortedBy, 0) != 0)
        emit SortOrderLost();
    m_changed.Clear();
    m_flush.stop();
    endResetModel();
}

void TResultListModel::ScheduleFlush() {
    if (!m_flush.isActive())
        m_flush.start();
}

void TResultListModel::Flush() {
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

int TResultListModel::StatusOf(int key) const {
    if (key < 0 || key >= RowsHeld())
        return -1;
    return m_rows[static_cast<size_t>(m_positionOfKey[static_cast<size_t>(key)])].Status;
}

int TResultListModel::KeyAt(int row) const {
    return row >= 0 && row < m_shown ? m_rows[static_cast<size_t>(row)].Key : -1;
}

int TResultListModel::RowOfKey(int key) const {
    if (key < 0 || key >= RowsHeld())
        return -1;
    const int position = m_positionOfKey[static_cast<size_t>(key)];
    return position < m_shown ? position : -1;
}

qint64 TResultListModel::NumberOf(const TRow& row, int column) const {
    const TColumnKind kind = m_columns[static_cast<size_t>(column)].Kind;
    if (kind == TColumnKind::Key)
        return row.Key;
    if (kind == TColumnKind::Status)
        return row.Status;
    return row.Numbers[static_cast<size_t>(m_slot[static_cast<size_t>(column)])];
}

int TResultListModel::Compare(const TRow& a, const TRow& b, int column) const {
    if (column < 0 || column >= columnCount())
        return 0;
    if (m_columns[static_cast<size_t>(column)].Kind == TColumnKind::Text) {
        const size_t slot = static_cast<size_t>(m_slot[static_cast<size_t>(column)]);
        return CompareIgnoringCase(a.Texts[slot], b.Texts[slot]);
    }
    return Sign(NumberOf(a, column) - NumberOf(b, column));
}

void TResultListModel::SortBy(int tag) {
    Flush();
    const int column = std::abs(tag) - 1;
    const int direction = tag < 0 ? -1 : 1;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> keysBefore;
    keysBefore.reserve(static_cast<size_t>(before.size()));
    for (const QModelIndex& each : before)
        keysBefore.push_back(KeyAt(each.row()));
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [this, column, direction](const TRow& a, const TRow& b) {
                         return direction * Compare(a, b, column) < 0;
                     });
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_positionOfKey[static_cast<size_t>(m_rows[i].Key)] = static_cast<int>(i);
    m_sortedBy = column >= 0 && column < columnCount() ? tag : 0;
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after << index(RowOfKey(keysBefore[static_cast<size_t>(i)]), before[i].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int TResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shown;
}

int TResultListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant TResultListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const TRow& row = m_rows[static_cast<size_t>(index.row())];
    const int column = index.column();
    const TColumnKind kind = m_columns[static_cast<size_t>(column)].Kind;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        if (kind == TColumnKind::Status)
            return StatusText(row.Status);
        if (kind == TColumnKind::Text)
            return ShownText(row.Texts[static_cast<size_t>(m_slot[static_cast<size_t>(column)])]);
        return QString::number(NumberOf(row, column));
    case StatusRole:
        return row.Status;
    case SortValueRole:
        return kind == TColumnKind::Text ? QVariant() : QVariant(NumberOf(row, column));
    case KeyRole:
        return row.Key;
    case Qt::TextAlignmentRole:
        if (kind == TColumnKind::Number)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant TResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < columnCount())
        return m_columns[static_cast<size_t>(section)].Header;
    return QAbstractTableModel::headerData(section, orientation, role);
}

// ---------------------------------------------------------------------------------------
// TEngineListModel

TEngineListModel::TEngineListModel(QObject* parent) : QAbstractTableModel(parent) {
    InitFlushTimer(m_flush);
    connect(&m_flush, &QTimer::timeout, this, &TEngineListModel::Flush);
}

int TEngineListModel::IndexOf(const std::string& displayName) const {
    const auto found = m_indexOfName.find(displayName);
    return found == m_indexOfName.end() ? -1 : found->second;
}

void TEngineListModel::AddEngines(const std::vector<std::string>& displayNames) {
    // Only names not listed yet, each once; all of them in one insertion, since an engine list
    // may be long.
    std::vector<TEngine> fresh;
    for (const std::string& name : displayNames) {
        if (m_indexOfName.emplace(name, static_cast<int>(m_engines.size() + fresh.size())).second)
            fresh.push_back(TEngine{name, 0});
    }
    if (fresh.empty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + 2 * static_cast<int>(fresh.size()) - 1);
    m_engines.insert(m_engines.end(), std::make_move_iterator(fresh.begin()),
                     std::make_move_iterator(fresh.end()));
    endInsertRows();
}

void TEngineListModel::ResetCounters() {
    for (size_t i = 0; i < m_engines.size(); ++i) {
        if (m_engines[i].Files != 0) {
            m_engines[i].Files = 0;
            m_changed.Mark(static_cast<int>(2 * i + 1));
        }
    }
    Flush();
}

void TEngineListModel::CountResult(const std::string& displayName) {
    const int i = IndexOf(displayName);
    if (i < 0)
        return;
    ++m_engines[static_cast<size_t>(i)].Files;
    m_changed.Mark(2 * i + 1);
    if (!m_flush.isActive())
        m_flush.start();
}

int TEngineListModel::FilesOf(const std::string& displayName) const {
    const int i = IndexOf(displayName);
    return i < 0 ? -1 : m_engines[static_cast<size_t>(i)].Files;
}

void TEngineListModel::Flush() {
    m_flush.stop();
    m_changed.Flush(
        [this](int first, int last) { emit dataChanged(index(first, 0), index(last, 0)); });
}

int TEngineListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(2 * m_engines.size());
}

int TEngineListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant TEngineListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const TEngine& engine = m_engines[static_cast<size_t>(index.row() / 2)];
    const bool nameRow = index.row() % 2 == 0;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return nameRow ? ShownText(engine.Name) : QStringLiteral("Files: %1").arg(engine.Files);
    case Qt::BackgroundRole:
        return nameRow && NameRowBackground.isValid() ? QVariant(NameRowBackground) : QVariant();
    default:
        return {};
    }
}

QVariant TEngineListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section == 0)
        return QStringLiteral("Engines");
    return QAbstractTableModel::headerData(section, orientation, role);
}

// ---------------------------------------------------------------------------------------
// TStatusDelegate

const QPixmap& TStatusDelegate::Picture(int status) const {
    static const char* const names[] = {"status-found", "status-verified", "status-failed"};
    const size_t i = static_cast<size_t>(std::clamp(status, 0, 2));
    if (m_pictures[i].isNull())
        m_pictures[i] = ArtworkPixmap(QLatin1String(names[i]), QSize(41, 15));
    return m_pictures[i];
}

void TStatusDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    // The words are for screen readers; the cell shows the picture alone.
    background.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);
    const QPixmap& picture = Picture(index.data(StatusRole).toInt());
    const QSize size = picture.deviceIndependentSize().toSize();
    const QPoint at(option.rect.left() + 2,
                    option.rect.top() + (option.rect.height() - size.height()) / 2);
    painter->drawPixmap(at, picture);
}

QSize TStatusDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    return QStyledItemDelegate::sizeHint(option, index).expandedTo(QSize(45, 17));
}
