#include "ui/look/uPlainText.h"

#include <QCoreApplication>
#include <QLabel>
#include <QStringDecoder>

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

namespace {
// A screen reader announces the box's picture too: it says what kind of message this is.
void NameIcon(QMessageBox& box, QMessageBox::Icon icon) {
    auto* picture = box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"));
    if (picture == nullptr)
        return;
    switch (icon) {
    case QMessageBox::Information:
        picture->setAccessibleName(QCoreApplication::translate("MessageBox", "Information"));
        break;
    case QMessageBox::Warning:
        picture->setAccessibleName(QCoreApplication::translate("MessageBox", "Warning"));
        break;
    case QMessageBox::Critical:
        picture->setAccessibleName(QCoreApplication::translate("MessageBox", "Error"));
        break;
    case QMessageBox::Question:
        picture->setAccessibleName(QCoreApplication::translate("MessageBox", "Question"));
        break;
    case QMessageBox::NoIcon:
        break;
    }
}
} // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(QMessageBox::Icon icon, const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(icon, QStringLiteral("Orvalo"), QString(), buttons,
                                             parent);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    NameIcon(*box, icon);
    return box;
}

QString ShownText(std::string_view bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString text = utf8.decode(view);
    if (utf8.hasError())
        return QString::fromLatin1(view);
    return text;
}
