#include "ui/pages/uPage.h"

#include <QAction>
#include <QMenu>

#include "ui/look/uArtwork.h"
#include "ui/widgets/uPageList.h"

namespace {
const char* const kButtonName = "buttonName";
} // namespace

QString ButtonNameOf(const QAction* command) {
    return command->property(kButtonName).toString();
}

QAction* TPage::AddCommand(const TCommandInfo& info, std::function<void()> run) {
    auto* command = new QAction(info.Caption, this);
    command->setObjectName(QLatin1String(info.MenuName));
    connect(command, &QAction::triggered, this, [run = std::move(run)] { run(); });
    m_menu << command;
    if (info.ButtonName != nullptr) {
        command->setProperty(kButtonName, QLatin1String(info.ButtonName));
        command->setToolTip(info.Hint);
        command->setWhatsThis(info.Purpose);
        command->setIcon(ArtworkIcon(QLatin1String(info.Glyph)));
        m_tools << command;
    }
    return command;
}

void TPage::AddSeparator(const QString& name) {
    auto* separator = new QAction(this);
    separator->setObjectName(name);
    separator->setSeparator(true);
    m_menu << separator;
}

void TPage::BindKey(QAction* command, const QKeySequence& key, const QList<QWidget*>& widgets) {
    command->setShortcut(key);
    command->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    for (QWidget* widget : widgets)
        widget->addAction(command);
}

QMenu* TPage::MakePopup(const QString& name, TPageList* list, const QList<QAction*>& items) {
    auto* popup = new QMenu(this);
    popup->setObjectName(name);
    popup->addActions(items);
    connect(list, &TPageList::MenuRequested, popup, [popup, list](const QPoint& at) {
        popup->popup(list->viewport()->mapToGlobal(at));
    });
    return popup;
}
