#include "ui/uSearchKeysBox.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include "ui/uPageList.h"

TSearchKeysBox::TSearchKeysBox(QWidget* parent) : QComboBox(parent) {
    setObjectName(QStringLiteral("cmbSearchKeys"));
    setAccessibleName(QStringLiteral("Search keys"));
    setEditable(true);
    // On Linux a screen reader reads an editable box's name as its text: the text field
    // inside carries the name as well.
    lineEdit()->setAccessibleName(accessibleName());
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(kMaxSearchKeys);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    lineEdit()->installEventFilter(this);
    // The history is offered below the box as the user types; the box keeps exactly what was
    // typed (filling in the rest of an earlier search would run that one on Enter).
    completer()->setCompletionMode(QCompleter::PopupCompletion);
    completer()->setFilterMode(Qt::MatchContains);
    completer()->popup()->installEventFilter(this);
    setEditText(QString::fromLatin1(kSearchPrompt));
}

std::string TSearchKeysBox::EditText() const {
    // A key from the history keeps its own bytes, also when they are not UTF-8.
    const QString text = currentText();
    const int item = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (item >= 0)
        return itemData(item).toByteArray().toStdString();
    return text.toUtf8().toStdString();
}

void TSearchKeysBox::SetEditText(const std::string& text) {
    setEditText(ShownText(text));
}

void TSearchKeysBox::ClearItems() {
    clear();
}

void TSearchKeysBox::AddItem(const std::string& text) {
    addItem(ShownText(text), QByteArray::fromStdString(text));
}

bool TSearchKeysBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter in the list of suggestions searches for the one picked, if any, else for
            // what was typed.
            if (watched == completer()->popup()) {
                const QModelIndex picked = completer()->popup()->currentIndex();
                if (picked.isValid())
                    setEditText(picked.data().toString());
                completer()->popup()->hide();
            }
            emit EnterPressed();
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void TSearchKeysBox::focusInEvent(QFocusEvent* event) {
    QComboBox::focusInEvent(event);
    // The prompt stands in the box as its text: once the box is entered it is selected, so
    // that what the user types replaces it instead of being added to it. Queued, because a
    // click places the cursor after the focus has arrived.
    if (currentText() == QLatin1String(kSearchPrompt))
        QTimer::singleShot(0, lineEdit(), &QLineEdit::selectAll);
}

void TSearchKeysBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit EnterPressed();
        return;
    }
    QComboBox::keyPressEvent(event);
}
