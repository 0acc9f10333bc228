#pragma once

#include <string>
#include <vector>

#include <QWidget>

class QLabel;
class QPushButton;
class QTreeWidget;
class TWishList;
class TWishSearch;

// The wish list under the downloads: each wished song with where its search stands, and what
// the user does with them (fetch a whole copy found, search again now, remove). Hidden while
// the list is empty.
class TWishListPanel : public QWidget {
    Q_OBJECT
public:
    TWishListPanel(TWishList& wishes, TWishSearch& search, QWidget* parent = nullptr);

    QLabel* lblWishes;
    QTreeWidget* lvwWishes;
    QPushButton* btnDownloadWish;
    QPushButton* btnLookNow;
    QPushButton* btnRemoveWish;

    // Where a wish stands, in words: found (with its quality and site), being searched for,
    // or since when it is wished for and when it was last searched for.
    QString StateOf(int index) const;

signals:
    // The user wants the whole copy found for the wished song `words` fetched.
    void DownloadWanted(const std::string& words);

private:
    void Refill();
    void UpdateButtons();
    std::vector<std::string> SelectedWords() const;

    TWishList& m_wishes;
    TWishSearch& m_search;
};
