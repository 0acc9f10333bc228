#pragma once

#include <memory>
#include <vector>

#include <QMainWindow>
#include <QStringList>

#include "ui/uSystemIcons.h"

class QAction;
class QActionGroup;
class QButtonGroup;
class QFrame;
class QTimer;
class QToolButton;
class QTreeView;
class TLiveUpdate;
class TfraDownloads;
class TfraPlayList;
class TfraSearch;

// The program's main window: a frame around the search, downloads and play list pages with
// a menu and a tool bar whose actions follow the page shown. Every action carries a number
// (its "Tag" property) by which one function dispatches it.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    enum class TWindowState { Normal, Minimized, Maximized };
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;
    static constexpr int kToolbarHeight = 45;
    static constexpr int kFirstSlotX = 320;
    static constexpr int kSlotStep = 40;
    static constexpr int kResizeDelayMs = 20;

    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The page of the sender's Tag (1 Searches, 2 Downloads, 3 Play List) becomes the one
    // shown, with its actions; everything else of the other pages is hidden.
    void ChangePage(QObject* sender);
    // Runs the page operation of the sender's Tag (1 to 13); any other Tag does nothing.
    void HandleMenuAction(QObject* sender);
    // Sets the widths of `list`'s columns: a value above 1 is pixels, one of 1 or less a
    // share of what the fixed columns leave of the list's outer width.
    static void LayoutColumns(QTreeView* list, const std::vector<float>& values);
    void SetComponentsVisible(const QStringList& names, bool visible);

    // The first time the window becomes active or is shown: the Searches page is shown and
    // the live data fetched. Once a window; later calls do nothing.
    void FormActivate();
    void tmrResizeTimer();
    void mnuExtraOptionsClick();
    void mnuHelpAboutClick();

    TWindowState LastWindowState = TWindowState::Normal;
    std::unique_ptr<TLiveUpdate> LiveUpdate;
    TSystemImageList imlSystemIcons;

    TfraSearch* fraSearch1;
    TfraDownloads* fraDownloads1;
    TfraPlayList* fraPlayList1;
    QFrame* pnlToolbar;
    QButtonGroup* grpViews;
    QActionGroup* grpViewItems;
    QTimer* tmrResize;

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateMenu();
    void CreateToolbar();
    void InitPages();
    void PrepareToolbar();
    QAction* AddMenuItem(QMenu* menu, const QString& name, const QString& caption, int tag);
    void AddSeparator(QMenu* menu, const QString& name);
    QToolButton* AddViewButton(const QString& name, const QString& caption, const QString& hint, int tag,
                               const QString& glyph, int x);
    void AddActionButton(const QString& name, const QString& hint, int tag, const QString& glyph, int slot);
    TWindowState CurrentWindowState() const;

    bool m_firstActivationDone = false;
};
