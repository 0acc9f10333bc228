#pragma once

#include <QWidget>

class QAction;
class TPageList;
class TfraDownloads;

// The page on which the user searches, watches results arrive and be verified, browses
// the most-popular list and asks for downloads.
class TfraSearch : public QWidget {
    Q_OBJECT
public:
    explicit TfraSearch(QWidget* parent = nullptr);

    void InitPage();
    // Tag 1: starts a search with the key in the box, or cancels the running one.
    void cmdSearchClick();
    // Tag 2: queues the selected entry of the list shown.
    void DownloadSelected();

    TPageList* lvwFiles;
    TPageList* lvwPopular;

    // Set by the main window before InitPage: the page that takes the downloads asked for
    // here, and the Actions item whose caption turns with the search button's.
    TfraDownloads* Downloads = nullptr;
    QAction* FindItItem = nullptr;
};
