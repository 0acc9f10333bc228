#pragma once

class QAbstractButton;
class QAction;
class QIcon;
class QString;

// Marks a checkable button that switches pages (the window's view buttons, the search page's
// two panels) as what it is for a screen reader: a page tab, selected while its page shows,
// pressed to show it. Left alone, a checkable button reads as a check box.
void MarkAsPageSwitcher(QAbstractButton* button);

// Shows on a page's view action (its menu item and its tool bar button) how many things of
// the page are under way: `count` in a badge on `icon`, and `words` after the action's hint
// in its tool tip and in the button's description for a screen reader. A count of 0 shows
// the icon and the hint alone.
void ShowCountOnSwitcher(QAction* view, QAbstractButton* button, const QIcon& icon, const QString& hint, int count,
                         const QString& words);
