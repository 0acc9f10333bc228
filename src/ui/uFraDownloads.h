#pragma once

#include <QWidget>

class TDownload;
class TPageList;
class TfraPlayList;

// The page that lists this run's downloads and lets the user preview, restart, cancel and
// clear them.
class TfraDownloads : public QWidget {
    Q_OBJECT
public:
    explicit TfraDownloads(QWidget* parent = nullptr);

    void InitPage();
    void PreviewFile();     // Tag 3
    void RestartSelected(); // Tag 4
    void CancelSelected();  // Tag 5
    void CancelAll();       // Tag 6
    void ClearDownloaded(); // Tag 7
    void AddDownloadRow(const TDownload& download);

    TPageList* lvwDownloads;

    // Set by the main window before InitPage: the page whose player previews a download and
    // whose list takes each completed one.
    TfraPlayList* PlayList = nullptr;
};
