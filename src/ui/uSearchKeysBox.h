#pragma once

#include <string>

#include <QComboBox>

#include "core/uSearchKeys.h"

// The search key box: an editable combo whose drop-down list is the search history, which is
// also offered as suggestions while the user types. Enter in it is not the combo's own
// (which would add the text as an item): it is reported.
class TSearchKeysBox : public QComboBox, public ISearchKeysBox {
    Q_OBJECT
public:
    explicit TSearchKeysBox(QWidget* parent = nullptr);

    std::string EditText() const override;
    void SetEditText(const std::string& text) override;
    void ClearItems() override;
    void AddItem(const std::string& text) override;

signals:
    void EnterPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
