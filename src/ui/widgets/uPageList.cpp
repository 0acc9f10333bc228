#include "ui/widgets/uPageList.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QEvent>
#include <QHeaderView>
#include <QStyle>
#include <QMenu>
#include <QPainter>

#include "ui/widgets/uCellDelegate.h"
#include "ui/models/uListModel.h"
#include "ui/models/uListProxy.h"

TPageList::TPageList(const QString& name, const QString& accessibleName, TListModel* model,
                     QWidget* parent)
    : QTreeView(parent), m_model(model), m_proxy(new TListProxy(model, this)) {
    setObjectName(name);
    setAccessibleName(accessibleName);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // The keyboard's place shows across the whole row.
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setModel(m_proxy);
    setItemDelegate(new TCellDelegate(this));
    QHeaderView* columns = header();
    columns->setStretchLastSection(false);
    columns->setSectionsMovable(false);
    columns->setSectionsClickable(true);
    columns->setSortIndicatorShown(false);
    for (int column = 0; column < columns->count(); ++column) {
        const TColumnFormat& format = model->Columns()[static_cast<size_t>(column)];
        if (format.Width > 1 && format.Kind == TColumnKind::Picture) {
            columns->resizeSection(column, static_cast<int>(format.Width));
            columns->setSectionResizeMode(column, QHeaderView::Fixed);
        }
        if (format.Width == 0 || format.HiddenAtFirst)
            columns->setSectionHidden(column, true);
    }
    connect(columns, &QHeaderView::sectionClicked, this, [this](int column) {
        m_proxy->SortByColumn(column);
        ShowSortArrow();
    });
    connect(m_proxy, &TListProxy::SortOrderLost, this, [this] { header()->setSortIndicatorShown(false); });
    connect(this, &QWidget::customContextMenuRequested, this, &TPageList::ShowMenuAt);
    columns->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(columns, &QWidget::customContextMenuRequested, this, &TPageList::ShowColumnMenu);
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_proxy, signal, this, &TPageList::DescribeEmptiness);
    connect(m_proxy, &QAbstractItemModel::modelReset, this, &TPageList::DescribeEmptiness);
    ApplyRowBackground();
}

void TPageList::ShowMenuAt(const QPoint& position) {
    // The menu acts on the rows under the mouse: a row not selected yet becomes the
    // selection. Empty space offers nothing.
    const QModelIndex row = indexAt(position);
    if (!row.isValid())
        return;
    if (!selectionModel()->isRowSelected(row.row(), row.parent()))
        selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    emit MenuRequested(position);
}

void TPageList::ShowColumnMenu(const QPoint& position) {
    // Every column but the picture and those always shut can be shown or hidden.
    QMenu menu(this);
    const std::vector<TColumnFormat>& columns = m_model->Columns();
    for (int column = 1; column < header()->count(); ++column) {
        if (columns[static_cast<size_t>(column)].Width == 0)
            continue;
        QAction* item = menu.addAction(ColumnCaption(columns[static_cast<size_t>(column)]));
        item->setCheckable(true);
        item->setChecked(!header()->isSectionHidden(column));
        connect(item, &QAction::toggled, this, [this, column](bool shown) {
            header()->setSectionHidden(column, !shown);
            if (shown && header()->sectionSize(column) < 20)
                header()->resizeSection(column, 90);
        });
    }
    menu.exec(header()->viewport()->mapToGlobal(position));
}

void TPageList::focusInEvent(QFocusEvent* event) {
    QTreeView::focusInEvent(event);
    // Arriving by the keyboard shows where it is, also before anything was chosen.
    if (!currentIndex().isValid() && m_proxy->rowCount() > 0)
        selectionModel()->setCurrentIndex(m_proxy->index(0, 0), QItemSelectionModel::NoUpdate);
}

void TPageList::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (current.isValid()) {
        const std::vector<TColumnFormat>& columns = m_model->Columns();
        const auto kind = [&](int column) { return columns[static_cast<size_t>(column)].Kind; };
        if (kind(current.column()) == TColumnKind::Picture || kind(current.column()) == TColumnKind::Key) {
            for (int column = 0; column < static_cast<int>(columns.size()); ++column) {
                if (kind(column) == TColumnKind::Text && !header()->isSectionHidden(column)) {
                    selectionModel()->setCurrentIndex(current.siblingAtColumn(column), QItemSelectionModel::NoUpdate);
                    return; // told as the text cell it moved to
                }
            }
        }
    }
    QTreeView::currentChanged(current, previous);
}

void TPageList::RestoreSort(int tag) {
    m_proxy->SortByTag(tag);
    ShowSortArrow();
}

void TPageList::ShowSortArrow() {
    const int tag = m_proxy->SortTag();
    header()->setSortIndicatorShown(m_proxy->InSortOrder());
    header()->setSortIndicator(std::abs(tag) - 1, tag > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

TPaintingSuspended::TPaintingSuspended(QWidget* widget)
    : m_widget(widget), m_was(!widget->testAttribute(Qt::WA_ForceUpdatesDisabled)) {
    m_widget->setUpdatesEnabled(false);
}

TPaintingSuspended::~TPaintingSuspended() {
    m_widget->setUpdatesEnabled(m_was);
}

void TPageList::FollowWidth() {
    if (width() != m_laidOutWidth)
        LayOutColumns();
}

namespace {
// The width the header needs to show `caption` whole: the style keeps a margin between the
// section's border and its label, and the label's own box keeps one more inside.
int CaptionWidth(const QHeaderView& header, const QString& caption) {
    const int margin = header.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header);
    return header.fontMetrics().horizontalAdvance(caption) + 4 * margin + 2;
}
} // namespace

void TPageList::LayOutColumns() {
    const TPaintingSuspended suspended(this);
    m_laidOutWidth = width();
    QHeaderView* columns = header();
    const std::vector<TColumnFormat>& formats = m_model->Columns();
    const size_t shown = static_cast<size_t>(columns->count()); // the key column is not
    int fixed = 0;
    for (size_t i = 0; i < shown; ++i) {
        if (formats[i].Width > 1) {
            // A caption wider than the column's set width (a translation's may be) widens
            // it; a picture's column keeps the picture's width.
            int width = static_cast<int>(formats[i].Width);
            if (formats[i].Kind != TColumnKind::Picture)
                width = std::max(width, CaptionWidth(*columns, ColumnCaption(formats[i])));
            columns->resizeSection(static_cast<int>(i), width);
            fixed += columns->sectionSize(static_cast<int>(i));
        }
    }
    const int rest = std::max(0, width() - fixed);
    for (size_t i = 0; i < shown; ++i) {
        if (formats[i].Width > 1)
            continue;
        // In double precision from the 32-bit share: 0.49 of 100 pixels is 49, not 48.
        const int share = static_cast<int>(std::floor(static_cast<double>(rest) * static_cast<double>(formats[i].Width)));
        const int column = static_cast<int>(i);
        // A column the user hid stays hidden; one laid out at 0 is hidden for good.
        if (share == 0)
            columns->setSectionHidden(column, true);
        columns->resizeSection(column, share);
        // A column laid out at 0 stays shut: the user cannot drag it open.
        columns->setSectionResizeMode(column, share == 0 ? QHeaderView::Fixed : QHeaderView::Interactive);
    }
}

std::vector<int> TPageList::SelectedRows() const {
    return m_proxy->SourceRows(selectionModel()->selectedRows());
}

void TPageList::SelectRows(const std::vector<int>& rows) {
    QItemSelection selection;
    for (const int row : rows) {
        const QModelIndex shown = m_proxy->mapFromSource(m_model->index(row, 0));
        selection.select(shown, shown);
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int TPageList::SelectedRow() const {
    const std::vector<int> rows = SelectedRows();
    return rows.empty() ? -1 : rows.front();
}

void TPageList::SetEmptyText(const QString& text) {
    if (m_emptyText == text)
        return;
    m_emptyText = text;
    DescribeEmptiness();
    viewport()->update();
}

void TPageList::DescribeEmptiness() {
    setAccessibleDescription(m_proxy->rowCount() == 0 ? m_emptyText : QString());
}

void TPageList::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (m_emptyText.isEmpty() || m_proxy->rowCount() > 0)
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const QRect room = viewport()->rect().adjusted(16, 16, -16, -16);
    painter.drawText(room, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, m_emptyText);
}

void TPageList::ApplyRowBackground() {
    // On a dark desktop palette the light blue would leave light text unreadable: the
    // palette's own alternate colour serves there.
    QPalette colours = palette();
    if (colours.color(QPalette::Base).lightness() < 128)
        return;
    colours.setColor(QPalette::AlternateBase, kRowBackground);
    setPalette(colours);
}

void TPageList::changeEvent(QEvent* event) {
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !m_applyingPalette) {
        m_applyingPalette = true;
        ApplyRowBackground();
        m_applyingPalette = false;
    }
}
