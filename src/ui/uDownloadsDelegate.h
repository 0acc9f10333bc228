#pragma once

#include <QColor>
#include <QPixmap>
#include <QStyledItemDelegate>

class QPainter;

// The colour of the bar in the downloads list's Progress column.
inline const QColor kProgressBarColour{122, 150, 223};
// The frame around the bar.
inline const QColor kProgressFrameColour{128, 128, 128};

// The right edge of a bar that fills `progress` percent of an inner box `left` + `width`,
// rounded to the nearest pixel, halves to the even one.
int ProgressBarRight(int left, int width, int progress);

// Paints one Progress cell: `background` over the whole cell, then a framed box on `light`
// with the bar inside it.
void PaintProgressCell(QPainter& painter, const QRect& cell, const QColor& background,
                       const QColor& light, int progress);

// Paints the status pictures and the progress bars of the downloads list; the other cells
// are drawn as usual. Neither the picture nor the percent is ever drawn as text.
class TDownloadsDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TDownloadsDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    void PaintStatus(QPainter* painter, const QStyleOptionViewItem& option,
                     const QModelIndex& index) const;
    void PaintProgress(QPainter* painter, const QStyleOptionViewItem& option,
                       const QModelIndex& index) const;
    QPixmap m_status[3]; // downloading, complete, failed: drawn once
};
