#include "ui/uDownloadsDelegate.h"

#include <algorithm>

#include <QApplication>
#include <QPainter>

#include "ui/uArtwork.h"
#include "ui/uDownloadsModel.h"

namespace {
const QSize kStatusSize{41, 15};
} // namespace

int ProgressBarRight(int left, int width, int progress) {
    // A percent outside 0..100 would paint past the frame.
    const int64_t share = int64_t(std::clamp(progress, 0, 100)) * std::max(width, 0);
    int64_t whole = share / 100;
    const int64_t rest = share % 100;
    if (rest > 50 || (rest == 50 && whole % 2 != 0))
        ++whole;
    return left + static_cast<int>(whole);
}

void PaintProgressCell(QPainter& painter, const QRect& cell, const QColor& background,
                       const QColor& light, int progress) {
    painter.fillRect(cell, background);
    // One pixel in on every side, one more at top and bottom: the framed box.
    const QRect box = cell.adjusted(1, 2, -1, -2);
    if (box.width() < 2 || box.height() < 2)
        return;
    painter.fillRect(box, light);
    painter.fillRect(QRect(box.left(), box.top(), box.width(), 1), kProgressFrameColour);
    painter.fillRect(QRect(box.left(), box.bottom(), box.width(), 1), kProgressFrameColour);
    painter.fillRect(QRect(box.left(), box.top(), 1, box.height()), kProgressFrameColour);
    painter.fillRect(QRect(box.right(), box.top(), 1, box.height()), kProgressFrameColour);
    // Two more pixels in: the bar's room, one pixel of light left round it.
    const QRect inner = box.adjusted(2, 2, -2, -2);
    if (inner.width() <= 0 || inner.height() <= 0)
        return;
    const int right = ProgressBarRight(inner.left(), inner.width(), progress);
    painter.fillRect(QRect(inner.left(), inner.top(), right - inner.left(), inner.height()),
                     kProgressBarColour);
}

TDownloadsDelegate::TDownloadsDelegate(QObject* parent) : QStyledItemDelegate(parent) {
    m_status[0] = ArtworkPixmap(QStringLiteral("status-downloading"), kStatusSize);
    m_status[1] = ArtworkPixmap(QStringLiteral("status-complete"), kStatusSize);
    m_status[2] = ArtworkPixmap(QStringLiteral("status-failed"), kStatusSize);
}

void TDownloadsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    if (index.column() == TDownloadsModel::ColStatus)
        PaintStatus(painter, option, index);
    else if (index.column() == TDownloadsModel::ColProgress)
        PaintProgress(painter, option, index);
    else
        QStyledItemDelegate::paint(painter, option, index);
}

void TDownloadsDelegate::PaintStatus(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    // The usual cell background and selection, with no text, then the picture.
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    const int status = static_cast<int>(index.data(TDownloadsModel::SortRole).toLongLong());
    const QPixmap& picture = m_status[std::clamp(status, 0, 2)];
    const QRect target(
        QPoint(option.rect.left() + 2,
               option.rect.top() + (option.rect.height() - kStatusSize.height()) / 2),
        kStatusSize);
    // The blue arrow would vanish into the selection colour: a selected row shows its
    // picture on the list's own background.
    if (option.state.testFlag(QStyle::State_Selected))
        painter->fillRect(target, option.palette.color(QPalette::Base));
    painter->drawPixmap(target, picture);
}

void TDownloadsDelegate::PaintProgress(QPainter* painter, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const {
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    QColor background;
    if (selected && !option.state.testFlag(QStyle::State_Enabled))
        background = Qt::red;
    else if (selected)
        background = option.palette.color(QPalette::Active, QPalette::Highlight);
    else if (index.row() % 2 != 0)
        background = option.palette.color(QPalette::AlternateBase);
    else
        background = option.palette.color(QPalette::Base);
    const int progress = static_cast<int>(index.data(TDownloadsModel::SortRole).toLongLong());
    painter->save();
    PaintProgressCell(*painter, option.rect, background, option.palette.color(QPalette::Light),
                      progress);
    painter->restore();
}
