#pragma once

#include <optional>

#include <array>
#include <memory>

#include <QMainWindow>

#include "ui/pages/uServices.h"
#include "ui/look/uSystemIcons.h"
#include "ui/widgets/uWindowMemory.h"

class QAction;
class QActionGroup;
class QFrame;
class QMenu;
class QTimer;
class QToolButton;
class TMediaPlayer;
class TPage;
class TPageList;
class TfraDownloads;
class TfraPlayList;
class TfraSearch;

// The program's main window: a frame around the search, downloads and play list pages with
// a menu and a tool bar that show the commands of the page shown. The pages ask each other
// for what they need through signals the window connects.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    enum class TWindowState { Normal, Minimized, Maximized };
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;
    static constexpr int kToolbarHeight = 45;
    // The page buttons' width, unless their captions need more (a translation may).
    static constexpr int kViewButtonWidth = 101;
    static constexpr int kSlotStep = 40;
    static constexpr int kResizeDelayMs = 20;
    // The height a window manager's title bar may take, kept free on a first start.
    static constexpr int kTitleBarAllowance = 30;

    // Its play list plays with `player`: the real one, or a test's fake.
    TfrmMain(const TServices& services, std::unique_ptr<TMediaPlayer> player);
    ~TfrmMain() override;

    // The page becomes the one shown, with its commands; the other pages and their commands
    // are hidden.
    void ShowPage(TPageId page);
    // The page shown first, in place of the one shown at the last close.
    void StartOnPage(TPageId page) { m_restoredPage = page; }
    // The window comes to the front, out of its minimised state, with the keyboard.
    void BringForward();

    // The first time the window becomes active or is shown: the Searches page is shown and
    // the live data fetched. Once a window; later calls do nothing.
    void FormActivate();
    void tmrResizeTimer();
    void mnuExtraOptionsClick();
    void mnuHelpAboutClick();
    // Shows the Searches page with the keyboard in the search box, its text selected.
    void GoToSearchBox();
    // The downloads of this run still transferring.
    int RunningDownloads() const;
    // What closed the window, in words for the log; empty while it was never closed.
    QString ClosedBy() const { return m_closedBy; }
    // The program was told to end (a termination signal): the window closes without asking.
    void EndWithoutAsking() { m_ending = true; }

    TSystemImageList imlSystemIcons;

    TfraSearch* fraSearch1;
    TfraDownloads* fraDownloads1;
    TfraPlayList* fraPlayList1;
    QFrame* pnlToolbar;
    QTimer* tmrResize;

signals:
    // The window was shown (or activated) for the first time: what waits for the user to
    // see it (the maker's live data) may start.
    void FirstShown();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Asks before downloads still running are cancelled by quitting; keeps how the window looks.
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* BuildPages(std::unique_ptr<TMediaPlayer> player);
    void CreateMenu();
    void CreateViewMenu(QMenu* view);
    void CreateHelpMenu(QMenu* help);
    void CreateToolbar();
    // The page button at `x`; returns where the next one goes.
    int AddViewButton(const QString& name, QAction* view, int x);
    void AddCommandButtons(TPage* page);
    // Shows the search page searching for a whole copy of a song held only in part.
    void FindWholeVersion(const std::string& key, int longerThanMs);
    void ConnectPages();
    void InitPages();
    TWindowState CurrentWindowState() const;
    void SaveWindow() const;
    void RestoreWindow();
    TPageId ShownPage() const;
    std::array<TPageList*, 4> Lists() const;

    TServices m_services;
    std::array<TPage*, kPageCount> m_pages{};
    // Per page (by its number - 1), the tool bar's buttons of its commands.
    std::array<QList<QToolButton*>, 3> m_buttons;
    // Where the first command button of a page sits: after the page buttons.
    int m_firstSlotX = 0;
    // The View menu's page items, shared by the tool bar's view buttons.
    std::array<QAction*, 3> m_viewActions{};
    bool m_firstActivationDone = false;
    std::optional<TPageId> m_restoredPage; // the page shown at the last close
    QString m_closedBy;
    bool m_ending = false;
};
