#pragma once

#include <functional>
#include <string>

#include <QDialog>

#include "core/uTAppOptions.h"
#include "ui/pages/uServices.h"

class QCheckBox;
class QSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The settings dialog: the two folders, the clear-when-complete option, and two commands
// that act at once (clear the search history, empty the incomplete-files folder). It edits
// a private copy of the settings; the program's own change only on OK.
class TfrmOptions : public QDialog {
    Q_OBJECT
public:
    // `refreshPlayList` lists the download folder anew after OK.
    TfrmOptions(QWidget* owner, const TServices& services, std::function<void()> refreshPlayList);

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
    QLabel* lblDownloadsAtOnce;
    QSpinBox* spnDownloadsAtOnce;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void ShowOptions();
    void ReadOptions();
    void cmdClearLastSearchesClick();
    void cmdClearIncompleteDirClick();
    void cmdOKClick();

private:
    void Browse(std::string& folder, QLineEdit* box);
    static void ShowFolder(QLineEdit* box, const std::string& folder);

    TServices m_services;
    std::function<void()> m_refreshPlayList;
};
