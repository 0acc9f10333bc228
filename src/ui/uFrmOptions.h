#pragma once

#include <functional>
#include <string>

#include <QDialog>

#include "core/uTAppOptions.h"

class ISearchKeysBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The settings dialog: the two folders, the clear-when-complete option, and two commands
// that act at once (clear the search history, empty the incomplete-files folder). It edits
// a private copy of the settings; the program's own change only on OK.
class TfrmOptions : public QDialog {
    Q_OBJECT
public:
    // `searchKeysBox` is the search page's box, emptied by Clear Last Searches;
    // `refreshPlayList` lists the download folder anew after OK.
    TfrmOptions(QWidget* owner, ISearchKeysBox& searchKeysBox, std::function<void()> refreshPlayList);

    TAppOptions WorkingOptions;

    QPushButton* cmdClearLastSearches;
    QLabel* lblOptionsInfo01;
    QLineEdit* txtDownloadDirectory;
    QPushButton* cmdBrowseDownloadDirectory;
    QLabel* lblOptionsInfo02;
    QLineEdit* txtIncompleteDirectory;
    QPushButton* cmdBrowseIncompleteDirectory;
    QPushButton* cmdClearIncompleteDir;
    QCheckBox* chkClearDownloadsWhenComplete;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    // Where the browse dialog is made: tests answer it without showing it.
    std::function<bool(std::string& folder)> BrowseForFolder;

    void ShowOptions();
    void ReadOptions();
    void cmdClearLastSearchesClick();
    void cmdClearIncompleteDirClick();
    void cmdOKClick();

private:
    void Browse(std::string& folder, QLineEdit* box);
    bool AskBrowseDialog(std::string& folder);
    static void ShowFolder(QLineEdit* box, const std::string& folder);

    ISearchKeysBox& m_searchKeysBox;
    std::function<void()> m_refreshPlayList;
};
