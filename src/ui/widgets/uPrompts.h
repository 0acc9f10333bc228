#pragma once

#include <optional>
#include <memory>
#include <string>
#include <vector>

#include <QMessageBox>
#include <QString>

class QWidget;

// The two answers to a question, each named for what it does ("Move to Trash", "Keep"), so
// that a person (and a screen reader) knows what a button does without the question.
struct TAnswers {
    QString Yes;
    QString No;
};

// The one way the window asks the user something or tells them something: message boxes
// titled "Orvalo", the input box and the folder browser. Pages and dialogs are given one;
// tests give their own, which answers at once.
class TPrompts {
public:
    virtual ~TPrompts() = default;

    // A notice (information) or a failed operation (warning), with an OK button.
    virtual void Tell(QWidget* owner, QMessageBox::Icon icon, const QString& text) = 0;
    // A question with two buttons named by `answers`; true on the first. `noByDefault` makes
    // the second the default button (before something that cannot be undone); Escape is the
    // second.
    virtual bool Ask(QWidget* owner, const QString& question, const TAnswers& answers, bool noByDefault = false) = 0;
    // An input box titled `title` with `label` above `text`; nothing when cancelled.
    virtual std::optional<QString> AskText(QWidget* owner, const QString& title,
                                           const QString& label, const QString& text) = 0;
    // The folder browser opened at `start` (bytes); nothing when cancelled.
    virtual std::optional<std::string> AskFolder(QWidget* owner, const std::string& start) = 0;
};

// The real dialogs. Every text is shown as plain text.
class TDialogPrompts : public TPrompts {
public:
    void Tell(QWidget* owner, QMessageBox::Icon icon, const QString& text) override;
    bool Ask(QWidget* owner, const QString& question, const TAnswers& answers, bool noByDefault) override;
    std::optional<QString> AskText(QWidget* owner, const QString& title, const QString& label,
                                   const QString& text) override;
    std::optional<std::string> AskFolder(QWidget* owner, const std::string& start) override;
};

// The notice a second instance shows before it ends.
std::unique_ptr<QMessageBox> MakeAlreadyRunningBox();

// The warning shown at start when folders the program writes to cannot be written.
std::unique_ptr<QMessageBox> MakeUnwritableFoldersBox(const std::vector<std::string>& folders);
