#include "ui/widgets/uPageSwitcher.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QAction>
#include <QIcon>

#include "ui/look/uArtwork.h"

namespace {
const char* const kSwitcher = "orvaloPageSwitcher";

class TPageSwitcherAccessible : public QAccessibleWidget {
public:
    explicit TPageSwitcherAccessible(QAbstractButton* button) : QAccessibleWidget(button, QAccessible::PageTab) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && Button()->accessibleName().isEmpty())
            return Button()->text();
        return QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = Button()->isChecked();
        state.checkable = true;
        state.checked = Button()->isChecked();
        return state;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction())
            Button()->click();
    }

private:
    QAbstractButton* Button() const { return static_cast<QAbstractButton*>(widget()); }
};

QAccessibleInterface* PageSwitcherFactory(const QString&, QObject* object) {
    if (object == nullptr || !object->property(kSwitcher).toBool())
        return nullptr;
    if (auto* button = qobject_cast<QAbstractButton*>(object))
        return new TPageSwitcherAccessible(button);
    return nullptr;
}
} // namespace

void MarkAsPageSwitcher(QAbstractButton* button) {
    static const bool installed = [] {
        QAccessible::installFactory(PageSwitcherFactory);
        return true;
    }();
    (void)installed;
    button->setProperty(kSwitcher, true);
    // The button may have been described already while it was made (as a check box): that
    // description goes, and the next one asked for is the page tab.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(button);
        made != nullptr && made->role() != QAccessible::PageTab)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void ShowCountOnSwitcher(QAction* view, QAbstractButton* button, const QIcon& icon, const QString& hint, int count,
                         const QString& words) {
    view->setIcon(WithCountBadge(icon, count, QSize(24, 24)));
    const QString described = count > 0 ? hint + QStringLiteral(": ") + words : hint;
    view->setToolTip(described);
    if (button != nullptr)
        button->setAccessibleDescription(described);
}
