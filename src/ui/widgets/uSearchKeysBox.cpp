#include "ui/widgets/uSearchKeysBox.h"

#include <QAbstractItemView>
#include <QAbstractListModel>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

#include "ui/widgets/uPageList.h"

namespace {
// The history as the box's list: one row per key, shown as text, its bytes as the item data.
class THistoryModel : public QAbstractListModel {
public:
    THistoryModel(TSearchHistory& history, QObject* parent) : QAbstractListModel(parent), m_history(history) {
        connect(&history, &TSearchHistory::Inserting, this, [this](int row) { beginInsertRows({}, row, row); });
        connect(&history, &TSearchHistory::Inserted, this, [this] { endInsertRows(); });
        connect(&history, &TSearchHistory::Removing, this,
                [this](int first, int last) { beginRemoveRows({}, first, last); });
        connect(&history, &TSearchHistory::Removed, this, [this] { endRemoveRows(); });
        connect(&history, &TSearchHistory::Resetting, this, [this] { beginResetModel(); });
        connect(&history, &TSearchHistory::Reset, this, [this] { endResetModel(); });
    }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_history.Count(); }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= m_history.Count())
            return {};
        const std::string& key = m_history.Strings(index.row());
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return ShownText(key);
        if (role == Qt::UserRole)
            return QByteArray::fromStdString(key);
        return {};
    }

private:
    const TSearchHistory& m_history;
};
} // namespace

TSearchKeysBox::TSearchKeysBox(TSearchHistory& history, QWidget* parent) : QComboBox(parent) {
    setObjectName(QStringLiteral("cmbSearchKeys"));
    setAccessibleName(tr("Search keys"));
    setEditable(true);
    setModel(new THistoryModel(history, this));
    setCurrentIndex(-1);
    // The prompt is no text of the box: nothing to select or delete before typing.
    setPlaceholderText(tr(kSearchPrompt));
    lineEdit()->setPlaceholderText(placeholderText());
    // The oldest key leaving the list leaves what the user typed in the box; a history
    // cleared as a whole takes the box's text with it, and the prompt shows again.
    connect(model(), &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { m_kept = currentText(); });
    connect(model(), &QAbstractItemModel::rowsRemoved, this, [this] {
        const QSignalBlocker quiet(this);
        setCurrentIndex(-1);
        setEditText(count() == 0 ? QString() : m_kept);
    });
    // On Linux a screen reader reads an editable box's name as its text: the text field
    // inside carries the name as well.
    lineEdit()->setAccessibleName(accessibleName());
    lineEdit()->setAccessibleDescription(tr("Type an artist or a song title, then press Enter"));
    view()->setAccessibleName(tr("Earlier searches"));
    view()->setAccessibleDescription(tr("The searches made before, the newest first"));
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(kMaxSearchKeys);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    lineEdit()->installEventFilter(this);
    // The history is offered below the box as the user types; the box keeps exactly what was
    // typed (filling in the rest of an earlier search would run that one on Enter).
    completer()->setCompletionMode(QCompleter::PopupCompletion);
    completer()->setFilterMode(Qt::MatchContains);
    completer()->popup()->installEventFilter(this);
}

std::string TSearchKeysBox::EditText() const {
    // A key from the history keeps its own bytes, also when they are not UTF-8.
    const QString text = currentText();
    const int item = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (item >= 0)
        return itemData(item).toByteArray().toStdString();
    return text.toUtf8().toStdString();
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

void TSearchKeysBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit EnterPressed();
        return;
    }
    QComboBox::keyPressEvent(event);
}
