#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "playlist/uFolderWatch.h"
#include "desktop/uMpris.h"
#include "ui/uPage.h"
#include "ui/uServices.h"

class TContentChecker;
class TMediaPlayer;
class TMpris;
struct TContentVerdict;
class TPlayListModel;
class TPlayerPanel;
class TSystemImageList;

// The page that lists the files of the download folder and plays them. The desktop's media
// controls drive its player too: it answers for the player on the session bus.
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
    // With the real player, or one of the caller's choice (the tests' fake).
    explicit TfraPlayList(const TServices& services, QWidget* parent = nullptr);
    TfraPlayList(const TServices& services, std::unique_ptr<TMediaPlayer> player, QWidget* parent = nullptr);
    ~TfraPlayList() override;

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

    // The player as the desktop's media controls see and drive it.
    TStatus Status() const override;
    TTrack Track() const override;
    qint64 PositionMs() const override;
    int VolumePercent() const override;
    bool CanGoNext() const override;
    bool CanGoPrevious() const override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void Next() override;
    void SetPositionMs(qint64 ms) override;
    void Previous() override;
    void SetVolumePercent(int percent) override;

    TPageList* lvwPlayList;
    TPlayerPanel* pnlPlayer;

signals:
    // The desktop asked for the window to come to the front.
    void RaiseRequested();

private:
    void BuildCommands();
    std::string DownloadFolder() const;
    std::string RowPath(int row) const;
    void PlayRow(int row);
    // Sends the row's file to the trash, or (where there is none, and the user agrees)
    // deletes it for good. Returns whether the file is gone; says why when it is not.
    bool RemoveFile(int row);
    void CheckFiles();
    void ShowTags(const std::string& path, const TContentVerdict& verdict);
    // The model's row `step` rows from the file playing, as the list shows them; -1 when
    // there is none (or nothing of the list plays).
    int NeighbourOfPlaying(int step) const;

    TServices m_services;
    TPlayListModel* m_model;
    // Reads each file's tags and length in the background.
    std::unique_ptr<TContentChecker> m_checker;
    TFolderWatch m_watch;
    // Last: it goes first, while the player and the list it asks about still exist.
    std::unique_ptr<TMpris> m_mpris;
};
