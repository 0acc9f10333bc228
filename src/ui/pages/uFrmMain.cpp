#include "ui/pages/uFrmMain.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QLineEdit>
#include <QSettings>
#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QKeySequence>
#include <QMenuBar>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/uTAppOptions.h"
#include "download/uTDownload.h"
#include "download/uTDownloadManager.h"
#include "ui/look/uArtwork.h"
#include "ui/pages/uFraDownloads.h"
#include "ui/pages/uFraPlayList.h"
#include "ui/widgets/uPlayerBar.h"
#include "ui/widgets/uPlayerPanel.h"
#include "ui/pages/uFraSearch.h"
#include "ui/pages/uFrmOptions.h"
#include "ui/widgets/uFrmSplash.h"
#include "ui/widgets/uSearchKeysBox.h"
#include "ui/widgets/uMediaPlayer.h"
#include "ui/pages/uPage.h"
#include "ui/widgets/uPageList.h"
#include "ui/widgets/uPageSwitcher.h"
#include "ui/widgets/uPrompts.h"
#include "desktop/uShell.h"
#include "ui/widgets/uWindowMemory.h"

namespace {

// Lays out `widget` and everything inside it at once, from the outside in: a hidden window
// would otherwise leave its children at their first sizes until it is shown.
void ActivateLayouts(QWidget* widget) {
    if (QLayout* layout = widget->layout()) {
        // A layout that ran once already, at an earlier size, does not run again by itself.
        layout->invalidate();
        layout->activate();
    }
    for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        ActivateLayouts(child);
}

QAction* AddItem(QMenu* menu, const QString& name, const QString& caption) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    return item;
}

} // namespace

TfrmMain::TfrmMain(const TServices& services, std::unique_ptr<TMediaPlayer> player)
    : QMainWindow(nullptr), imlSystemIcons(GetSystemImageList(false)), tmrResize(new QTimer(this)),
      m_services(services) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Orvalo"));
    setWindowIcon(ArtworkIcon(QStringLiteral("orvalo")));
    setMinimumSize(kWidth, kHeight);
    resize(kWidth, kHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // A screen smaller than the window's usual least size (or a large scale factor) gets a
        // window that fits it all the same.
        // The free area less room for the title bar the window manager will add.
        const QSize available = screen->availableGeometry().size() - QSize(0, kTitleBarAllowance);
        setMinimumSize(minimumSize().boundedTo(available));
        resize(FirstRunSize(available, minimumSize()));
        move(screen->availableGeometry().center() - rect().center());
    }

    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    pnlToolbar = new QFrame(client);
    column->addWidget(pnlToolbar);
    column->addWidget(BuildPages(std::move(player)), 1);
    setCentralWidget(client);

    // The media keys run the player wherever the window has the keyboard, whatever page shows.
    const TPlayerBar& transport = *fraPlayList1->pnlPlayer->pnlTransport;
    addActions({transport.actPrevious, transport.actPlayPause, transport.actNext, transport.actStop});
    CreateMenu();
    CreateToolbar();
    ConnectPages();

    tmrResize->setObjectName(QStringLiteral("tmrResize"));
    tmrResize->setInterval(kResizeDelayMs);
    tmrResize->setSingleShot(true);
    connect(tmrResize, &QTimer::timeout, this, &TfrmMain::tmrResizeTimer);

    InitPages();
    tmrResizeTimer();
    RestoreWindow();
}

TfrmMain::~TfrmMain() = default;

QWidget* TfrmMain::BuildPages(std::unique_ptr<TMediaPlayer> player) {
    // The pages lie one above the other; visibility decides which one is seen.
    auto* host = new QWidget(this);
    auto* pages = new QGridLayout(host);
    pages->setContentsMargins(0, 0, 0, 0);
    fraSearch1 = new TfraSearch(m_services, host);
    fraDownloads1 = new TfraDownloads(m_services, host);
    fraPlayList1 = new TfraPlayList(m_services, std::move(player), host);
    m_pages = {fraSearch1, fraDownloads1, fraPlayList1};
    // Hidden pages keep their place in the layout: their lists take the client width too, so
    // that the columns laid out after a window-state change fit them when they are shown.
    for (TPage* page : m_pages) {
        QSizePolicy policy = page->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        page->setSizePolicy(policy);
        pages->addWidget(page, 0, 0);
    }
    return host;
}

void TfrmMain::ConnectPages() {
    connect(fraSearch1, &TfraSearch::DownloadRequested, fraDownloads1, &TfraDownloads::Download);
    connect(fraDownloads1, &TfraDownloads::PreviewRequested, fraPlayList1, &TfraPlayList::PlayMedia);
    // A preview or cut file in the library or the downloads: its whole song is searched for.
    connect(fraPlayList1, &TfraPlayList::WholeVersionWanted, this, &TfrmMain::FindWholeVersion);
    connect(fraDownloads1, &TfraDownloads::WholeVersionWanted, this, &TfrmMain::FindWholeVersion);
    // The Downloads button shows how many run and wait, whichever page is in front.
    QAction* downloads = m_viewActions[static_cast<size_t>(TPageId::Downloads)];
    connect(fraDownloads1, &TfraDownloads::UnderWayChanged, this,
            [this, downloads, icon = downloads->icon(), hint = downloads->toolTip()](int count, const QString& words) {
                ShowCountOnSwitcher(downloads, pnlToolbar->findChild<QAbstractButton*>(QStringLiteral("cmdViewDownloads")),
                                    icon, hint, count, words);
            });
}

void TfrmMain::FindWholeVersion(const std::string& key, int longerThanMs) {
    ShowPage(TPageId::Searches);
    fraSearch1->FindWholeVersion(key, longerThanMs);
}

void TfrmMain::BringForward() {
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void TfrmMain::CreateMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("mnuMain"));
    // The bar's own button for the menus that do not fit has neither a name nor a tool tip.
    if (auto* more = bar->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"))) {
        more->setAccessibleName(tr("More menus"));
        more->setAccessibleDescription(tr("Shows the menus that do not fit in the menu bar"));
    }
    QMenu* file = bar->addMenu(tr("&File"));
    QAction* exit = AddItem(file, QStringLiteral("mnuFileExit"), tr("Exit"));
    exit->setShortcut(QKeySequence::Quit);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    CreateViewMenu(bar->addMenu(tr("&View")));
    QMenu* actions = bar->addMenu(tr("&Actions"));
    for (const TPage* page : m_pages)
        actions->addActions(page->MenuCommands());
    //: The menu of the program's options and tools; its accelerator differs from the other menus'
    QMenu* extra = bar->addMenu(tr("E&xtra"));
    connect(AddItem(extra, QStringLiteral("mnuExtraOptions"), tr("Options...")),
            &QAction::triggered, this, &TfrmMain::mnuExtraOptionsClick);
    CreateHelpMenu(bar->addMenu(tr("&Help")));
}

void TfrmMain::CreateViewMenu(QMenu* view) {
    // One action per page, exclusive: the View menu's item and the tool bar's button are
    // the same action, so they cannot disagree.
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    struct TView {
        const char* Name;
        QString Caption;
        QString Hint;
        const char* Glyph;
        Qt::Key Key;
    };
    const std::array<TView, 3> views{{
        //: The page that searches the sites
        {"mnuViewSearch", tr("Searches"), tr("View Searches"), "view-searches", Qt::Key_1},
        //: The page of the downloads
        {"mnuViewDownloads", tr("Downloads"), tr("View Downloads"), "view-downloads", Qt::Key_2},
        //: The page of the downloaded songs
        {"mnuViewPlayList", tr("Play List"), tr("View Play List"), "view-playlist", Qt::Key_3},
    }};
    for (size_t i = 0; i < views.size(); ++i) {
        if (i == 2)
            view->addSeparator()->setObjectName(QStringLiteral("mnuViewSep01"));
        QAction* item = AddItem(view, QLatin1String(views[i].Name), views[i].Caption);
        item->setShortcut(QKeySequence(Qt::CTRL | views[i].Key));
        item->setToolTip(views[i].Hint);
        item->setIcon(ArtworkIcon(QLatin1String(views[i].Glyph)));
        item->setIconVisibleInMenu(false);
        item->setCheckable(true);
        item->setChecked(i == 0); // marks the page the window starts on; it is shown once active
        group->addAction(item);
        connect(item, &QAction::toggled, this, [this, i](bool checked) {
            if (checked)
                ShowPage(static_cast<TPageId>(i));
        });
        m_viewActions[i] = item;
    }
    view->addSeparator();
    QAction* searchBox = AddItem(view, QStringLiteral("mnuViewSearchBox"), tr("Search Box"));
    searchBox->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_L), QKeySequence::Find});
    connect(searchBox, &QAction::triggered, this, &TfrmMain::GoToSearchBox);
}

void TfrmMain::CreateHelpMenu(QMenu* help) {
    QAction* quickStart = AddItem(help, QStringLiteral("mnuHelpQuickStart"), tr("Quick Start..."));
    quickStart->setShortcut(QKeySequence::HelpContents);
    connect(quickStart, &QAction::triggered, this, [] { OpenQuickStart(); });
    help->addSeparator()->setObjectName(QStringLiteral("mnuHelpSep01"));
    connect(AddItem(help, QStringLiteral("mnuHelpHomePage"), tr("Home Page...")),
            &QAction::triggered, this, [] { OpenHomePage(); });
    connect(AddItem(help, QStringLiteral("mnuHelpFAQ"), tr("FAQ...")), &QAction::triggered, this,
            [] { OpenFaq(); });
    help->addSeparator()->setObjectName(QStringLiteral("mnuHelpSep02"));
    connect(AddItem(help, QStringLiteral("mnuHelpAbout"), tr("About...")), &QAction::triggered,
            this, &TfrmMain::mnuHelpAboutClick);
}

int TfrmMain::AddViewButton(const QString& name, QAction* view, int x) {
    auto* button = new QToolButton(pnlToolbar);
    button->setObjectName(name);
    MarkAsPageSwitcher(button);
    button->setDefaultAction(view);
    button->setAccessibleName(view->text());
    button->setAccessibleDescription(view->toolTip());
    button->setIconSize(QSize(24, 24));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setGeometry(x, 4, std::max(kViewButtonWidth, button->sizeHint().width()), 37);
    // A screen reader's Toggle checks the button without clicking it: the page follows.
    connect(button, &QToolButton::toggled, view, [view](bool checked) {
        if (checked)
            view->setChecked(true);
    });
    return button->geometry().right() + 3;
}

void TfrmMain::AddCommandButtons(TPage* page) {
    QList<QToolButton*>& buttons = m_buttons[static_cast<size_t>(std::find(m_pages.begin(), m_pages.end(), page) -
                                                                 m_pages.begin())];
    for (QAction* command : page->ToolCommands()) {
        auto* button = new QToolButton(pnlToolbar);
        button->setObjectName(ButtonNameOf(command));
        button->setDefaultAction(command);
        NameCommandButton(button, command);
        button->setAutoRaise(true);
        button->setFixedSize(37, 37);
        button->setIconSize(QSize(26, 26));
        button->move(m_firstSlotX + static_cast<int>(buttons.size()) * kSlotStep, 4);
        buttons << button;
    }
}

void TfrmMain::CreateToolbar() {
    pnlToolbar->setObjectName(QStringLiteral("pnlToolbar"));
    pnlToolbar->setFixedHeight(kToolbarHeight);
    pnlToolbar->setFrameShape(QFrame::Panel);
    pnlToolbar->setFrameShadow(QFrame::Sunken);
    pnlToolbar->setAccessibleName(tr("Tool bar"));
    // The tool bar paints its own background, not its parent's.
    pnlToolbar->setAutoFillBackground(true);

    int x = AddViewButton(QStringLiteral("cmdViewSearches"), m_viewActions[0], 4);
    x = AddViewButton(QStringLiteral("cmdViewDownloads"), m_viewActions[1], x);
    x = AddViewButton(QStringLiteral("cmdViewPlayList"), m_viewActions[2], x);

    auto* separator = new QFrame(pnlToolbar);
    separator->setObjectName(QStringLiteral("bvlToolbarSep01"));
    separator->setAccessibleName(tr("Separator"));
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);
    separator->setGeometry(x + 1, 7, 2, 31);
    m_firstSlotX = x + 7;
    for (TPage* page : m_pages)
        AddCommandButtons(page);
}

void TfrmMain::InitPages() {
    fraSearch1->InitPage();
    fraPlayList1->InitPage(imlSystemIcons);
}

void TfrmMain::ShowPage(TPageId page) {
    const TPaintingSuspended suspended(this);
    const size_t index = static_cast<size_t>(page);
    for (size_t i = 0; i < m_pages.size(); ++i) {
        const bool shown = i == index;
        m_pages[i]->setVisible(shown);
        for (QAction* command : m_pages[i]->MenuCommands())
            command->setVisible(shown);
        for (QToolButton* button : m_buttons[i])
            button->setVisible(shown);
    }
    m_viewActions[index]->setChecked(true);
}

void TfrmMain::GoToSearchBox() {
    ShowPage(TPageId::Searches);
    fraSearch1->cmbSearchKeys->setFocus(Qt::ShortcutFocusReason);
    fraSearch1->cmbSearchKeys->lineEdit()->selectAll();
}

int TfrmMain::RunningDownloads() const {
    int running = 0;
    for (int i = 0; i < m_services.Downloads.Count(); ++i) {
        if (m_services.Downloads.Items(i)->Status() == TDownload::StatusDownloading)
            ++running;
    }
    return running;
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    // Downloads still running stop with the program and go on at its next start: the user is
    // asked first, unless the program is told to end (a signal) and cannot ask.
    const int running = RunningDownloads();
    if (running > 0 && !m_ending) {
        const QString question =
            // English keeps its own words for one; a translation gives every count its form.
            running == 1
                ? tr("1 download is still running. Quit now and resume it at the next start?")
                : tr("%n downloads are still running. Quit now and resume them at the next start?",
                     nullptr, running);
        // A termination signal that came while the question was open ends the program anyway.
        if (!m_services.Prompts.Ask(this, question, {tr("Quit and Resume Later"), tr("Keep Running")}, true) &&
            !m_ending) {
            event->ignore();
            return;
        }
    }
    SaveWindow();
    // For the log on standard error, not for the user: English.
    m_closedBy = m_ending ? QStringLiteral("a termination signal closed the window")
                 : event->spontaneous()  ? QStringLiteral("the window was closed from the desktop")
                                         : QStringLiteral("the program closed its window (File, Exit)");
    QMainWindow::closeEvent(event);
}

void TfrmMain::SaveWindow() const {
    const auto settings = OpenOrvaloSettings();
    SaveWindowGeometry(*settings, *this);
    SavePage(*settings, ShownPage());
    for (const TPageList* list : Lists())
        SaveListLayout(*settings, *list);
}

void TfrmMain::RestoreWindow() {
    const auto settings = OpenOrvaloSettings();
    RestoreWindowGeometry(*settings, *this, kTitleBarAllowance);
    // The columns fit the size the window comes back with; widths the user set come after,
    // and stay while the window keeps its size.
    tmrResizeTimer();
    for (TPageList* list : Lists())
        RestoreListLayout(*settings, *list);
    m_restoredPage = RestoredPage(*settings);
}

TPageId TfrmMain::ShownPage() const {
    for (size_t i = 0; i < m_pages.size(); ++i) {
        if (m_pages[i]->isVisibleTo(this))
            return static_cast<TPageId>(i);
    }
    return TPageId::Searches;
}

std::array<TPageList*, 4> TfrmMain::Lists() const {
    return {fraSearch1->lvwFiles, fraSearch1->lvwPopular, fraDownloads1->lvwDownloads, fraPlayList1->lvwPlayList};
}

TfrmMain::TWindowState TfrmMain::CurrentWindowState() const {
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized)
        return TWindowState::Minimized;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return TWindowState::Maximized;
    return TWindowState::Normal;
}

void TfrmMain::tmrResizeTimer() {
    tmrResize->stop();
    const TWindowState state = CurrentWindowState();
    // Columns follow the window's width at every resize, a border drag as much as a
    // maximise; a minimised window has no width to follow.
    if (state != TWindowState::Minimized) {
        const TPaintingSuspended suspended(this);
        // The pages take the client width now, so the lists' outer widths are current, also
        // before the window is first shown.
        ActivateLayouts(this);
        for (TPageList* list : Lists())
            list->FollowWidth();
    }
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // One layout check 20 ms after the first resize of a burst.
    if (!tmrResize->isActive())
        tmrResize->start();
}

void TfrmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !tmrResize->isActive())
        tmrResize->start();
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // A desktop that prevents focus stealing may never activate a new window: being shown
    // counts as well, or the user would see every page at once.
    FormActivate();
}

void TfrmMain::FormActivate() {
    if (m_firstActivationDone)
        return;
    m_firstActivationDone = true;
    ShowPage(m_restoredPage.value_or(TPageId::Searches));
    // What the user types first goes to the search box.
    if (fraSearch1->isVisible())
        fraSearch1->cmbSearchKeys->setFocus(Qt::OtherFocusReason);
    emit FirstShown();
}

void TfrmMain::mnuExtraOptionsClick() {
    TfrmOptions options(this, m_services, [this] { fraPlayList1->RefreshList(); });
    options.exec();
}

void TfrmMain::mnuHelpAboutClick() {
    TfrmSplash about(this);
    about.AboutMode = true;
    about.exec();
}
