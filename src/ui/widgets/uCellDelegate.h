#pragma once

#include <QStyledItemDelegate>

#include "ui/widgets/uFittedTexts.h"

// Draws the cells of the pages' lists by their column's kind: a picture alone, centred on
// the row's own background (a status picture keeps the list's base colour behind it on a
// selected row, where the selection colour would swallow it); a progress bar painted by the
// style, so that dark themes and high contrast follow; anything else as usual. Pictures and
// bars are never drawn as text: their words are for screen readers. A line of plain text is
// drawn from the texts already laid out, so that repainting a long list stays cheap.
class TCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void PaintBackground(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const;
    void PaintPicture(QPainter* painter, const QStyleOptionViewItem& option,
                      const QModelIndex& index) const;
    void PaintProgress(QPainter* painter, const QStyleOptionViewItem& option,
                       const QModelIndex& index) const;
    void PaintText(QPainter* painter, const QStyleOptionViewItem& option,
                   const QModelIndex& index) const;

    mutable TFittedTexts m_texts;
};
