#include "ui/widgets/uCellDelegate.h"

#include <algorithm>
#include <utility>

#include <QApplication>
#include <QPainter>

#include "ui/models/uListModel.h"

namespace {
TColumnKind KindOf(const QModelIndex& index) {
    return static_cast<TColumnKind>(
        index.model()->headerData(index.column(), Qt::Horizontal, ColumnKindRole).toInt());
}

QStyle* StyleOf(const QStyleOptionViewItem& option) {
    return option.widget != nullptr ? option.widget->style() : QApplication::style();
}

// A cell the text cache can draw: one line of text with nothing beside it.
bool IsOneLineOfText(const QStyleOptionViewItem& cell) {
    constexpr auto besideText = QStyleOptionViewItem::HasDecoration |
                                QStyleOptionViewItem::HasCheckIndicator |
                                QStyleOptionViewItem::WrapText;
    return (cell.features & besideText) == 0 && !cell.state.testFlag(QStyle::State_Editing) &&
           !cell.text.contains(QChar::LineSeparator) && !cell.text.contains(QLatin1Char('\n'));
}

// The colour the style gives an item's text: its palette's, in the row's state.
QColor TextColour(const QStyleOptionViewItem& cell) {
    QPalette::ColorGroup group =
        cell.state.testFlag(QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !cell.state.testFlag(QStyle::State_Active))
        group = QPalette::Inactive;
    return cell.palette.color(group, cell.state.testFlag(QStyle::State_Selected)
                                         ? QPalette::HighlightedText
                                         : QPalette::Text);
}
} // namespace

void TCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    switch (KindOf(index)) {
    case TColumnKind::Picture:
        PaintPicture(painter, option, index);
        break;
    case TColumnKind::Progress:
        PaintProgress(painter, option, index);
        break;
    default:
        PaintText(painter, option, index);
        break;
    }
}

QSize TCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    // Room for a 41 x 15 status picture with a pixel above and below.
    return QStyledItemDelegate::sizeHint(option, index).expandedTo(QSize(0, 17));
}

void TCellDelegate::PaintBackground(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text.clear();
    cell.icon = QIcon();
    cell.features &= ~QStyleOptionViewItem::HasDecoration;
    StyleOf(option)->drawControl(QStyle::CE_ItemViewItem, &cell, painter, option.widget);
}

void TCellDelegate::PaintPicture(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    PaintBackground(painter, option, index);
    const QVariant decoration = index.data(Qt::DecorationRole);
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    if (decoration.typeId() == QMetaType::QPixmap) {
        const QPixmap picture = decoration.value<QPixmap>();
        const QRect target =
            QStyle::alignedRect(option.direction, Qt::AlignCenter,
                                picture.deviceIndependentSize().toSize(), option.rect);
        if (selected)
            painter->fillRect(target, option.palette.color(QPalette::Base));
        painter->drawPixmap(target, picture);
        return;
    }
    const QIcon icon = decoration.value<QIcon>();
    if (icon.isNull())
        return;
    const QSize size = option.decorationSize.isValid() ? option.decorationSize : QSize(16, 16);
    const QRect target = QStyle::alignedRect(option.direction, Qt::AlignCenter, size, option.rect);
    icon.paint(painter, target, Qt::AlignCenter, selected ? QIcon::Selected : QIcon::Normal);
}

void TCellDelegate::PaintProgress(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    PaintBackground(painter, option, index);
    QStyleOptionProgressBar bar;
    bar.palette = option.palette;
    bar.direction = option.direction;
    bar.fontMetrics = option.fontMetrics;
    bar.rect = option.rect.adjusted(1, 2, -1, -2);
    bar.state = (option.state & QStyle::State_Enabled) | QStyle::State_Horizontal;
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = std::clamp(static_cast<int>(index.data(RawValueRole).toLongLong()), 0, 100);
    // The bar's own words, where its model gives some ("0:35 left").
    bar.text = index.data(Qt::DisplayRole).toString();
    bar.textVisible = !bar.text.isEmpty();
    bar.textAlignment = Qt::AlignCenter;
    StyleOf(option)->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
}

void TCellDelegate::PaintText(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    if (!IsOneLineOfText(cell)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The style draws the row's background and focus; the text comes laid out already, in
    // the place and with the margins the style gives one line of an item's text.
    const QString text = std::exchange(cell.text, QString());
    QStyle* style = StyleOf(option);
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, option.widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
    const QRect area = option.rect.adjusted(margin, 0, -margin, 0);
    if (text.isEmpty() || area.width() <= 0)
        return;
    const QStaticText& fitted = m_texts.Fitted(text, cell.font, area.width(), cell.textElideMode);
    const QRect place =
        QStyle::alignedRect(cell.direction, cell.displayAlignment, fitted.size().toSize(), area);
    painter->save();
    painter->setClipRect(option.rect);
    painter->setFont(cell.font);
    painter->setPen(TextColour(cell));
    painter->drawStaticText(place.topLeft(), fitted);
    painter->restore();
}
