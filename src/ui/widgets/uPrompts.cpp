#include "ui/widgets/uPrompts.h"

#include <QCoreApplication>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "ui/widgets/uFrmBrowseDirectory.h"
#include "ui/look/uPlainText.h"

void TDialogPrompts::Tell(QWidget* owner, QMessageBox::Icon icon, const QString& text) {
    MakeMessageBox(icon, text, QMessageBox::Ok, owner)->exec();
}

bool TDialogPrompts::Ask(QWidget* owner, const QString& question, const TAnswers& answers, bool noByDefault) {
    const auto box = MakeMessageBox(QMessageBox::Question, question, QMessageBox::NoButton, owner);
    QPushButton* yes = box->addButton(answers.Yes, QMessageBox::YesRole);
    QPushButton* no = box->addButton(answers.No, QMessageBox::NoRole);
    box->setDefaultButton(noByDefault ? no : yes);
    box->setEscapeButton(no);
    box->exec();
    return box->clickedButton() == yes;
}

std::optional<QString> TDialogPrompts::AskText(QWidget* owner, const QString& title,
                                               const QString& label, const QString& text) {
    QInputDialog box(owner);
    box.setWindowTitle(title);
    box.setLabelText(label);
    box.setTextValue(text);
    // Wide enough for a whole song title.
    box.resize(qMax(box.sizeHint().width(), 400), box.sizeHint().height());
    // A file's name is selected without its extension, as file managers do: typing replaces
    // the name and keeps the type. Once shown, when the dialog has made its own selection.
    if (auto* edit = box.findChild<QLineEdit*>(); edit != nullptr && text.lastIndexOf(QLatin1Char('.')) > 0) {
        const int nameLength = static_cast<int>(text.lastIndexOf(QLatin1Char('.')));
        QTimer::singleShot(0, edit, [edit, nameLength] { edit->setSelection(0, nameLength); });
    }
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

std::unique_ptr<QMessageBox> MakeAlreadyRunningBox() {
    return MakeMessageBox(QMessageBox::Information,
                          QCoreApplication::translate("Prompts", "Orvalo is already running."),
                          QMessageBox::Ok);
}

std::unique_ptr<QMessageBox> MakeUnwritableFoldersBox(const std::vector<std::string>& folders) {
    QStringList names;
    for (const std::string& folder : folders)
        names << QFile::decodeName(QByteArray::fromStdString(folder));
    const QString text = QCoreApplication::translate(
                             "Prompts", "Orvalo cannot write to these folders:\n\n%1\n\n"
                                        "Downloads and the search history cannot be kept until "
                                        "they can be written. Other folders for the downloads "
                                        "can be chosen under Extra, Options.")
                             .arg(names.join(QLatin1Char('\n')));
    return MakeMessageBox(QMessageBox::Warning, text, QMessageBox::Ok);
}
