#pragma once

#include <functional>

#include <QList>
#include <QWidget>

class QAction;
class QMenu;
class TPageList;

// What a page's command is called and how it shows: its menu item's name and caption, and,
// for a command of the tool bar, its button's name, hint and glyph.
struct TCommandInfo {
    const char* MenuName;
    QString Caption;
    const char* ButtonName = nullptr;
    QString Hint = {};
    const char* Glyph = nullptr;
    // What the command does, in a few more words than its hint: what a screen reader says
    // after the button's name.
    QString Purpose = {};
};

// A page of the main window. Its commands are QActions, one member each: the main window
// shows them in its Actions menu and its tool bar while the page is shown, and the page's
// pop-up menu holds them too. A command is enabled only while it can act.
class TPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // The page's commands in the Actions menu's order, separators included.
    const QList<QAction*>& MenuCommands() const { return m_menu; }
    // The commands of the tool bar's buttons, in the order of their slots.
    const QList<QAction*>& ToolCommands() const { return m_tools; }
    // Enables each command as what the page shows allows it.
    virtual void UpdateCommands() = 0;

protected:
    // A command as `info` describes it; `run` carries it out.
    QAction* AddCommand(const TCommandInfo& info, std::function<void()> run);
    void AddSeparator(const QString& name);
    // The page's pop-up menu for `list`: shown where the user asked, with these items.
    QMenu* MakePopup(const QString& name, TPageList* list, const QList<QAction*>& items);
    // `key` runs `command` while the keyboard is in `widget` (menus show the key).
    static void BindKey(QAction* command, const QKeySequence& key, const QList<QWidget*>& widgets);

private:
    QList<QAction*> m_menu;
    QList<QAction*> m_tools;
};

// The name of a command's tool bar button; empty for a command of the menu alone.
QString ButtonNameOf(const QAction* command);
