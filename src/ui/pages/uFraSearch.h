#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QStringList>

#include "download/uTDownloadRequest.h"
#include "ui/pages/uPage.h"
#include "ui/pages/uWholeVersion.h"
#include "ui/pages/uServices.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;
class QTreeView;
class TEnginesModel;
class TPopularList;
class TResultsModel;
class TSearchKeysBox;
class TSearchResult;
struct TDownloadChoice;
class TSearchSession;

// The page on which the user searches, watches results arrive and be verified, browses
// the most-popular list and asks for downloads. The search itself is its session's.
class TfraSearch : public TPage {
    Q_OBJECT
public:
    // The page's commands. Find It becomes Cancel while a search runs.
    QAction* actFindIt = nullptr;
    QAction* actDownload = nullptr;
    QAction* actCopyLink = nullptr;
    // The results' pop-up: the sites of the song under the mouse, to download from one.
    QMenu* mnuDownloadFrom = nullptr;
    // Of a song found dead or only as a preview: keeps it on the wish list.
    QAction* actAddToWishList = nullptr;
    explicit TfraSearch(const TServices& services, QWidget* parent = nullptr);

    // Fills the history box and loads the stored most-popular list.
    void InitPage();
    // Starts a search with the key in the box, or cancels the running one.
    void cmdSearchClick();
    // Searches for `key` to replace a preview or cut file: the songs found longer than
    // `longerThanMs` are marked.
    void FindWholeVersion(const std::string& key, int longerThanMs);
    // Asks for a download of every selected entry of the list shown.
    void DownloadSelected();
    // Puts the links of the selected entries of the list shown on the clipboard.
    void CopyLinks();
    // The two views of the results.
    enum class TTab { Search, MostPopular };
    // Brings the tab's panel to the front with its tab button.
    void ShowTab(TTab tab);
    // Shows the time since the search started (every second while it runs).
    void tmrTimeTimer();
    void UpdateCommands() override;

    TSearchSession& Session() { return *m_session; }
    // The system's millisecond tick count, truncated to 32 bits.
    static uint32_t TickCount();

    TSearchKeysBox* cmbSearchKeys;
    // Narrows both lists to the rows whose Title or File Name holds every word typed.
    QLineEdit* txtFilter;
    QPushButton* cmdSearch;
    QToolButton* cmdTabSearch;
    QToolButton* cmdTabMostPopular;
    QWidget* pnlSearch;
    QWidget* pnlMostPopular;
    QTreeView* lvwEngines;
    TPageList* lvwFiles;
    TPageList* lvwPopular;
    QProgressBar* prgSearch;
    QLabel* imgCheckMark;
    QLabel* lblFilesVerified;
    QLabel* lblFilesFound;
    QLabel* lblTime;
    // What the search is doing, or why it found nothing.
    QLabel* lblStatus;
    QTimer* tmrTime;

    // The rows of the two lists: each is its store read in order, a row's number its place.
    TResultsModel* SearchResultRows;
    TResultsModel* PopularResultRows;
    TEnginesModel* EngineRows;

    uint32_t StartTick = 0;

signals:
    // The user asked for `result` to be downloaded.
    void DownloadRequested(const TDownloadRequest& request);

private:
    void BuildCommands();
    QWidget* BuildSearchPanel();
    QWidget* BuildPopularPanel();
    QLayout* BuildTopRow();
    QLayout* BuildInfoRow();
    void ConnectSession();
    void StartSearch(const std::string& key);
    // Find It, or Cancel while a search runs, on the button and the command alike.
    void ShowSearchState();
    void ShowCounters();
    void ShowStatus();
    // Narrows the lists to the rows the filter's words let through; the search's list shows
    // one row per song.
    void ApplyFilter();
    // Sends the chosen results to the downloads, leaving out or asking about dead links.
    void SendToDownloads(std::vector<TSearchResult> downloads);
    // The results' pop-up menu offers each site of a song found on several.
    void BuildSourcesMenu(QMenu* popup);
    void FillSourcesMenu();
    // The song of the results' row as a wish: its title, and the length its copy found has;
    // no words when the song was found whole or not judged.
    TWholeVersionQuest SongWish(int row) const;
    // The most of the filter box's text that counts: no title is longer.
    static constexpr int kMaxFilterLength = 256;
    bool InPlayList(const TSearchResult& result) const;
    // Says on the status line how many songs went to the downloads, and how many were not
    // queued for want of a working link.
    void TellDownloadsAdded(int added, int skipped);
    // Whether the user wants the selected results that are in the play list already fetched
    // again: asked once for all of them.
    bool AgainAsWell(const std::vector<const TSearchResult*>& owned);
    // Whether the user wants the chosen songs found only as previews, cut files or no MP3
    // fetched all the same: asked once for all of them.
    bool PoorCopiesAsWell(const TDownloadChoice& choice);
    TPageList* ShownList() const;

    TServices m_services;
    TSearchSession* m_session;
    TPopularList* m_popular;
    QButtonGroup* m_tabs = nullptr;
    std::string m_key; // of the search shown
    QString m_notice;  // what the last download asked for did
    QStringList m_filterWords;
};
