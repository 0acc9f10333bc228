#pragma once

#include <QWidget>

class TPageList;
class TSystemImageList;

// The page that lists the files of the download folder and plays them.
class TfraPlayList : public QWidget {
    Q_OBJECT
public:
    explicit TfraPlayList(QWidget* parent = nullptr);

    // `systemIcons` is the window's shared list of file-type icons, drawn in the Type column.
    void InitPage(const TSystemImageList& systemIcons);
    void PlaySelected();   // Tag 8
    void LaunchSelected(); // Tag 9
    void DeleteSelected(); // Tag 10
    void RenameSelected(); // Tag 11
    void LocateFolder();   // Tag 12
    void RefreshList();    // Tag 13

    TPageList* lvwPlayList;
};
