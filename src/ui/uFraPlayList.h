#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ui/uPage.h"
#include "ui/uServices.h"

class TMediaPlayer;
class TPlayListModel;
class TPlayerPanel;
class TSystemImageList;

// The page that lists the files of the download folder and plays them.
class TfraPlayList : public TPage {
    Q_OBJECT
public:
    // With the real player, or one of the caller's choice (the tests' fake).
    explicit TfraPlayList(const TServices& services, QWidget* parent = nullptr);
    TfraPlayList(const TServices& services, std::unique_ptr<TMediaPlayer> player, QWidget* parent = nullptr);

    // `systemIcons` is the window's shared list of file-type icons, drawn in the Type column.
    void InitPage(const TSystemImageList& systemIcons);
    void PlaySelected();   // Tag 8
    void LaunchSelected(); // Tag 9
    void DeleteSelected(); // Tag 10
    void RenameSelected(); // Tag 11
    void LocateFolder();   // Tag 12
    void RefreshList();    // Tag 13
    void UpdateCommands() override;

    // Appends a row for a file of the download folder; `name` is the bare file name.
    void AddFileRow(const std::string& name, int64_t size);
    // Loads the file at the full path `path` into the player, which starts playing it.
    void PlayMedia(const std::string& path);
    // The file after (or before) the one playing, in the order the list shows; at the end of
    // the list the player stops.
    void PlayNext();
    void PlayPrevious();

    TMediaPlayer& Player();
    TPlayListModel& Model() { return *m_model; }

    TPageList* lvwPlayList;
    TPlayerPanel* pnlPlayer;

private:
    void BuildCommands();
    std::string DownloadFolder() const;
    std::string RowPath(int row) const;
    void PlayRow(int row);
    // The model's row `step` rows from the file playing, as the list shows them; -1 when
    // there is none (or nothing of the list plays).
    int NeighbourOfPlaying(int step) const;

    TServices m_services;
    TPlayListModel* m_model;
    QAction* m_play = nullptr;
    QAction* m_launch = nullptr;
    QAction* m_delete = nullptr;
    QAction* m_rename = nullptr;
};
