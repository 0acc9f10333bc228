#include "ui/uPlainText.h"

#include <QLabel>

QString PlainToolTip(const QString& text) {
    if (text.isEmpty())
        return text; // an empty tip shows no tip
    // Pre-formatted: line breaks and runs of spaces show as they stand.
    return QStringLiteral("<p style='white-space:pre-wrap'>%1</p>").arg(text.toHtmlEscaped());
}

QLabel* MakePlainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

std::unique_ptr<QMessageBox> MakeMessageBox(QMessageBox::Icon icon, const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(icon, QStringLiteral("Orvalo"), QString(), buttons,
                                             parent);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    return box;
}
