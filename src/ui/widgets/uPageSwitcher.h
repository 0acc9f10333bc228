#pragma once

class QAbstractButton;

// Marks a checkable button that switches pages (the window's view buttons, the search page's
// two panels) as what it is for a screen reader: a page tab, selected while its page shows,
// pressed to show it. Left alone, a checkable button reads as a check box.
void MarkAsPageSwitcher(QAbstractButton* button);
