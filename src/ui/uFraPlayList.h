#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QWidget>

class QLabel;
class QMenu;
class QToolButton;
class TMediaPlayer;
class TPageList;
class TPlayListModel;
class TPlayerBar;
class TSystemImageList;

// The page that lists the files of the download folder and plays them.
class TfraPlayList : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPlayerLow = 68;
    static constexpr int kPlayerHigh = 187;

    explicit TfraPlayList(QWidget* parent = nullptr);
    // With a player of the caller's choice (the tests' fake).
    TfraPlayList(std::unique_ptr<TMediaPlayer> player, QWidget* parent = nullptr);
    ~TfraPlayList() override;

    // `systemIcons` is the window's shared list of file-type icons, drawn in the Type column.
    void InitPage(const TSystemImageList& systemIcons);
    void PlaySelected();   // Tag 8
    void LaunchSelected(); // Tag 9
    void DeleteSelected(); // Tag 10
    void RenameSelected(); // Tag 11
    void LocateFolder();   // Tag 12
    void RefreshList();    // Tag 13

    // Appends a row for a file of the download folder; `name` is the bare file name.
    void AddFileRow(const std::string& name, int64_t size);
    // Loads the file at the full path `path` into the player, which starts playing it.
    void PlayMedia(const std::string& path);
    void ClearMedia();
    void ShowFullScreen();
    // The pop-up menu's items and the main window's Tags 8 to 13; any other Tag does nothing.
    void MediaAction(int tag);

    TMediaPlayer& Player() { return *m_player; }
    TPlayListModel& Model() { return *m_model; }

    TPageList* lvwPlayList;
    QWidget* pnlPlayer;
    QWidget* pnlMediaPlayer;
    TPlayerBar* pnlTransport;
    QWidget* pnlButtons;
    QToolButton* cmdClearPlayer;
    QToolButton* cmdFullScreen;
    QToolButton* cmdSizePlayer;
    QLabel* lblFileName;
    QMenu* popPlayList;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPlayer();
    void BuildMenu();
    void SizePlayer();
    void SetPlayerHeight(int height);
    void LayOutPlayer();
    void ShowVideoArea();
    void SortBy(int column);
    int SelectedRow() const;
    std::string DownloadFolder() const;
    std::string RowPath(int row) const;

    std::unique_ptr<TMediaPlayer> m_player;
    TPlayListModel* m_model;
    QWidget* m_video = nullptr;
};

// Renames `from` to `to` inside `folder` (bytes, no trailing "/"), never replacing a file
// that already has the new name and never leaving the folder: a new name that is empty,
// "." or "..", or holds "/" or a NUL, fails. Returns whether the file now has the new name.
bool RenameInFolder(const std::string& folder, const std::string& from, const std::string& to);
