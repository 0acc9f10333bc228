#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "desktop/uMpris.h"
#include "ui/pages/uPage.h"
#include "ui/pages/uServices.h"

class TMediaPlayer;
class TPlayListModel;
class TPlayerPanel;
class TSystemImageList;

// The page that lists the files of the library (the download folder) and plays them. It
// answers for its player to the desktop's media controls, and says when what they show
// changed (PlayerChanged).
class TfraPlayList : public TPage, public TMprisPlayer {
    Q_OBJECT
public:
    // The page's commands.
    QAction* actPlayFile = nullptr;
    QAction* actLaunchFile = nullptr;
    QAction* actDeleteFile = nullptr;
    QAction* actRenameFile = nullptr;
    QAction* actLocate = nullptr;
    QAction* actRefresh = nullptr;
    // Plays with `player`: the real one, or a test's fake.
    TfraPlayList(const TServices& services, std::unique_ptr<TMediaPlayer> player, QWidget* parent = nullptr);
    ~TfraPlayList() override;

    // `systemIcons` is the window's shared list of file-type icons, drawn in the Type column.
    void InitPage(const TSystemImageList& systemIcons);
    void PlaySelected();
    void LaunchSelected();
    void DeleteSelected();
    void RenameSelected();
    void LocateFolder();
    void RefreshList();
    void UpdateCommands() override;

    // Loads the file at the full path `path` into the player, which starts playing it.
    void PlayMedia(const std::string& path);
    // The file after (or before) the one playing, in the order the list shows; at the end of
    // the list the player stops.
    void PlayNext();
    void PlayPrevious();

    TMediaPlayer& Player();
    TPlayListModel& Model() { return *m_model; }

    // The player as the desktop's media controls see and drive it.
    TStatus Status() const override;
    TTrack Track() const override;
    qint64 PositionMs() const override;
    int VolumePercent() const override;
    bool CanGoNext() const override;
    bool CanGoPrevious() const override;
    void Play() override;
    void Pause() override;
    void PlayPause() override;
    void Stop() override;
    void Next() override;
    void SetPositionMs(qint64 ms) override;
    void Previous() override;
    void SetVolumePercent(int percent) override;

    TPageList* lvwPlayList;
    TPlayerPanel* pnlPlayer;

    // Of a preview or cut file: searches for the whole song.
    QAction* actFindWholeVersion = nullptr;

signals:
    // What plays, its state, or its neighbours in the list may have changed.
    void PlayerChanged();
    // The user wants a whole copy of a song held only as a preview or cut file.
    void WholeVersionWanted(const std::string& key, int longerThanMs);

private:
    void BuildCommands();
    std::string DownloadFolder() const;
    QString ShownFolder() const;
    // The library was listed anew: its empty text and the user's order.
    void ListMadeAnew();
    std::string RowPath(int row) const;
    void PlayRow(int row);
    // Sends the row's file to the trash, or (where there is none, and the user agrees)
    // deletes it for good. Returns whether the file is gone; says why when it is not.
    bool RemoveFile(int row);
    // The file of the library at `index` changed: the caption follows the tags of the one
    // playing.
    void FileChanged(int index);
    // The model's row `step` rows from the file playing, as the list shows them; -1 when
    // there is none (or nothing of the list plays).
    int NeighbourOfPlaying(int step) const;

    TServices m_services;
    TPlayListModel* m_model;
};
