#include "ui/uPrompts.h"

#include <QInputDialog>

#include "ui/uFrmBrowseDirectory.h"
#include "ui/uPlainText.h"

void TDialogPrompts::Tell(QWidget* owner, QMessageBox::Icon icon, const QString& text) {
    MakeMessageBox(icon, text, QMessageBox::Ok, owner)->exec();
}

bool TDialogPrompts::Ask(QWidget* owner, const QString& question, bool noByDefault) {
    const auto box = MakeMessageBox(QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No, owner);
    box->setDefaultButton(noByDefault ? QMessageBox::No : QMessageBox::Yes);
    return box->exec() == QMessageBox::Yes;
}

std::optional<QString> TDialogPrompts::AskText(QWidget* owner, const QString& title,
                                               const QString& label, const QString& text) {
    QInputDialog box(owner);
    box.setWindowTitle(title);
    box.setLabelText(label);
    box.setTextValue(text);
    // Wide enough for a whole song title.
    box.resize(qMax(box.sizeHint().width(), 400), box.sizeHint().height());
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}

std::optional<std::string> TDialogPrompts::AskFolder(QWidget* owner, const std::string& start) {
    TfrmBrowseDirectory browse(owner);
    browse.StartFolder = start;
    browse.exec();
    if (!browse.Accepted)
        return std::nullopt;
    std::string chosen = browse.CurrentFolder();
    if (chosen.empty())
        return std::nullopt;
    return chosen;
}
