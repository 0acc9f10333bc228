#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "download/uTDownloadRequest.h"
#include "ui/pages/uWholeVersion.h"
#include "ui/pages/uPage.h"
#include "ui/pages/uServices.h"

class QLabel;
class TStatusFilter;
class QTimer;
class TDownload;
class TDownloadsModel;
class TWishListPanel;
enum class TDownloadChange;

// The page that lists this run's downloads and lets the user preview, restart, cancel and
// clear them.
class TfraDownloads : public TPage {
    Q_OBJECT
public:
    explicit TfraDownloads(const TServices& services, QWidget* parent = nullptr);
    ~TfraDownloads() override;

    // Starts a download of `result` (the manager keeps one per link; an ended one is fetched
    // once more) and shows its row at once.
    void Download(const TDownloadRequest& request);
    // Fetches the whole copy found for the wished song `words` and takes the wish off the list;
    // nothing while none was found.
    void DownloadWish(const std::string& words);

    void PreviewFile();
    void RestartSelected();
    void CancelSelected();
    void CancelAll();
    void ClearDownloaded();
    // The pop-up's own commands: the selected rows' file in its folder, their links on the
    // clipboard, the finished ones off the list.
    void OpenContainingFolder();
    void CopyLinks();
    void RemoveSelected();
    void UpdateCommands() override;

    // Above the list: which rows it shows (All, Running, Queued, Failed, Complete), with counts.
    TStatusFilter* pnlShow;
    TPageList* lvwDownloads;
    // Under the list: how many downloads run, their speed together and the time left.
    QLabel* lblSummary;
    // The rows of the list: the download manager's records.
    TDownloadsModel* DownloadRows;
    // Under the list: the songs wanted whole.
    TWishListPanel* pnlWishes;

    // The page's commands.
    QAction* actPreviewFile = nullptr;
    QAction* actRestartDownload = nullptr;
    QAction* actCancelDownload = nullptr;
    QAction* actCancelAllDownloads = nullptr;
    QAction* actClearDownloaded = nullptr;
    QAction* actOpenFolder = nullptr;
    QAction* actCopyLink = nullptr;
    QAction* actRemoveFromList = nullptr;
    // Of a finished preview or cut file: searches for the whole song.
    QAction* actFindWholeVersion = nullptr;
    // Of a failed download, or a finished preview or cut file: keeps the song on the wish list.
    QAction* actAddToWishList = nullptr;

signals:
    // A download's file is to be played while (or after) it arrives: its full path.
    void PreviewRequested(const std::string& path);
    // The user wants a whole copy of a song fetched only as a preview or cut file.
    void WholeVersionWanted(const std::string& key, int longerThanMs);
    // A download ended, well (no failure) or not (why it failed).
    void DownloadEnded(const QString& title, const QString& failure);
    // How many downloads run or wait for their turn changed: their count, and in words
    // ("3 running, 11 queued").
    void UnderWayChanged(int count, const QString& words);

private:
    void BuildCommands();
    void KeepSelectionThrough(const std::function<void()>& removal);
    // The finished download selected, when it is a preview or cut file of the library.
    std::optional<TWholeVersionQuest> SelectedQuest() const;
    void FindWholeVersion();
    // The song of the selected row as a wish: a finished poor copy's quest, or a failed
    // download's name.
    std::optional<TWholeVersionQuest> SelectedWish() const;
    void AddToWishList();
    // The views of the list, in the order of their buttons.
    enum class TView { All, Running, Queued, Failed, Complete };
    static TView ViewOf(const TDownload& download);
    void ShowView(int view);
    // The pop-up menu: what a person does with a row, then the page's commands.
    void BuildPopup();
    void ShowSummary();
    std::pair<int, int> m_underWay{0, 0}; // running, queued: as last told
    // A download started, ended or was found to hold something: what follows from it.
    void DownloadChanged(const TDownload& download, TDownloadChange what);
    void Ended(const TDownload& download);
    // The keys of the selected rows that have ended (complete, failed or cancelled).
    std::vector<std::string> SelectedFinished() const;
    // The selected rows that failed (or did not).
    std::vector<int> SelectedWithStatus(bool failed) const;
    // The manager's record behind a row; nullptr when it has none.
    const TDownload* DownloadOf(int row) const;

    void ScrollToAsked();

    TServices m_services;
    std::string m_scrollTo; // the download asked for last, to bring in sight
    QTimer* m_summaryTimer = nullptr;
    bool m_summaryDue = false;
};
