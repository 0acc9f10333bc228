#pragma once

#include <string>

#include <QComboBox>

#include "core/uSearchKeys.h"

// The search key box: an editable combo whose drop-down list is the search history (a view
// of it: the box follows its changes by itself), which is also offered as suggestions while
// the user types. What the user typed stays as the history changes. Enter in it is not the
// combo's own (which would add the text as an item): it is reported.
class TSearchKeysBox : public QComboBox {
    Q_OBJECT
public:
    explicit TSearchKeysBox(TSearchHistory& history, QWidget* parent = nullptr);

    // The text in the box; a key picked from the history keeps its own bytes.
    std::string EditText() const;

signals:
    void EnterPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_kept; // the box's text while keys leave the list
};
