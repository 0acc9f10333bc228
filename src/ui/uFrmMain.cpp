#include "ui/uFrmMain.h"

#include <cmath>

#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QDate>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QMenuBar>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "livedata/uTLiveUpdate.h"
#include "startup/uIncludes.h"
#include "ui/uApplication.h"
#include "ui/uArtwork.h"
#include "ui/uFraDownloads.h"
#include "ui/uFraPlayList.h"
#include "ui/uFraSearch.h"
#include "ui/uPageList.h"
#include "ui/uFrmOptions.h"
#include "ui/uFrmSplash.h"
#include "ui/uShell.h"

namespace {

const char* const kTag = "Tag";

int TagOf(const QObject* sender) {
    return sender == nullptr ? 0 : sender->property(kTag).toInt();
}

// Everything ChangePage hides before it shows one page's share.
const QStringList kAllPageComponents{
    QStringLiteral("fraSearch1"),
    QStringLiteral("fraDownloads1"),
    QStringLiteral("fraPlayList1"),
    QStringLiteral("mnuActionsFindIt"),
    QStringLiteral("mnuActionsSep01"),
    QStringLiteral("mnuActionsDownload"),
    QStringLiteral("mnuActionsDownloadsPreviewFile"),
    QStringLiteral("mnuActionsSep02"),
    QStringLiteral("mnuActionsRestartDownload"),
    QStringLiteral("mnuActionsCancelDownload"),
    QStringLiteral("mnuActionsCancelAllDownloads"),
    QStringLiteral("mnuActionsSep03"),
    QStringLiteral("mnuActionsClearDownloaded"),
    QStringLiteral("mnuActionsPlayListPlayFile"),
    QStringLiteral("mnuActionsPlayListLaunchFile"),
    QStringLiteral("mnuActionsSep04"),
    QStringLiteral("mnuActionsDeleteFile"),
    QStringLiteral("mnuActionsRenameFile"),
    QStringLiteral("mnuActionsLocate"),
    QStringLiteral("mnuActionsSep05"),
    QStringLiteral("mnuActionsRefresh"),
    QStringLiteral("tlbDownload"),
    QStringLiteral("tlbPreview"),
    QStringLiteral("tlbRestartDownload"),
    QStringLiteral("tlbCancelDownload"),
    QStringLiteral("tlbCancelAllDownloads"),
    QStringLiteral("tlbClearDownloaded"),
    QStringLiteral("tlbPlayFile"),
    QStringLiteral("tlbLaunchFile"),
    QStringLiteral("tlbDeleteFile"),
    QStringLiteral("tlbRenameFile"),
    QStringLiteral("tlbLocate"),
    QStringLiteral("tlbRefresh"),
};

struct TPageShare {
    QStringList Components; // the page, its Actions items in menu order, its buttons
    const char* ViewButton;
    const char* ViewItem;
};

const TPageShare& PageShare(int tag) {
    static const TPageShare searches{{QStringLiteral("fraSearch1"), QStringLiteral("mnuActionsFindIt"),
                                      QStringLiteral("mnuActionsSep01"), QStringLiteral("mnuActionsDownload"),
                                      QStringLiteral("tlbDownload")},
                                     "cmdViewSearches",
                                     "mnuViewSearch"};
    static const TPageShare downloads{
        {QStringLiteral("fraDownloads1"), QStringLiteral("mnuActionsDownloadsPreviewFile"),
         QStringLiteral("mnuActionsSep02"), QStringLiteral("mnuActionsRestartDownload"),
         QStringLiteral("mnuActionsCancelDownload"), QStringLiteral("mnuActionsCancelAllDownloads"),
         QStringLiteral("mnuActionsSep03"), QStringLiteral("mnuActionsClearDownloaded"),
         QStringLiteral("tlbPreview"), QStringLiteral("tlbRestartDownload"), QStringLiteral("tlbCancelDownload"),
         QStringLiteral("tlbCancelAllDownloads"), QStringLiteral("tlbClearDownloaded")},
        "cmdViewDownloads",
        "mnuViewDownloads"};
    static const TPageShare playList{
        {QStringLiteral("fraPlayList1"), QStringLiteral("mnuActionsPlayListPlayFile"),
         QStringLiteral("mnuActionsPlayListLaunchFile"), QStringLiteral("mnuActionsSep04"),
         QStringLiteral("mnuActionsDeleteFile"), QStringLiteral("mnuActionsRenameFile"),
         QStringLiteral("mnuActionsLocate"), QStringLiteral("mnuActionsSep05"), QStringLiteral("mnuActionsRefresh"),
         QStringLiteral("tlbPlayFile"), QStringLiteral("tlbLaunchFile"), QStringLiteral("tlbDeleteFile"),
         QStringLiteral("tlbRenameFile"), QStringLiteral("tlbLocate"), QStringLiteral("tlbRefresh")},
        "cmdViewPlayList",
        "mnuViewPlayList"};
    return tag == 2 ? downloads : tag == 3 ? playList : searches;
}

// The column tables of the four lists: a value above 1 is pixels, 1 or less a share.
const std::vector<float> kFilesColumns{45, 0.49f, 90, 90, 0.49f, 0};
const std::vector<float> kPopularColumns{45, 0.31f, 0.31f, 90, 90, 90, 0.31f, 0};
const std::vector<float> kDownloadsColumns{45, 0.98f, 100, 100, 100, 100, 0};
const std::vector<float> kPlayListColumns{45, 0.99f, 90};

// Painting of a widget held off for a scope.
class TPaintingSuspended {
public:
    // Only what this scope turned off is turned on again: a widget inside another suspended
    // one reports no updates without having been told so itself.
    explicit TPaintingSuspended(QWidget* widget)
        : m_widget(widget), m_was(!widget->testAttribute(Qt::WA_ForceUpdatesDisabled)) {
        m_widget->setUpdatesEnabled(false);
    }
    TPaintingSuspended(const TPaintingSuspended&) = delete;
    TPaintingSuspended& operator=(const TPaintingSuspended&) = delete;
    ~TPaintingSuspended() { m_widget->setUpdatesEnabled(m_was); }

private:
    QWidget* m_widget;
    bool m_was;
};

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

} // namespace

TfrmMain::TfrmMain(QWidget* parent)
    : QMainWindow(parent), imlSystemIcons(GetSystemImageList(false)), tmrResize(new QTimer(this)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Orvalo"));
    setWindowIcon(ArtworkIcon(QStringLiteral("orvalo")));
    setMinimumSize(kWidth, kHeight);
    resize(kWidth, kHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    pnlToolbar = new QFrame(client);
    column->addWidget(pnlToolbar);
    // The pages lie one above the other; visibility decides which one is seen.
    auto* pageHost = new QWidget(client);
    auto* pages = new QGridLayout(pageHost);
    pages->setContentsMargins(0, 0, 0, 0);
    fraSearch1 = new TfraSearch(pageHost);
    fraDownloads1 = new TfraDownloads(pageHost);
    fraPlayList1 = new TfraPlayList(pageHost);
    // Hidden pages keep their place in the layout: their lists take the client width too, so
    // that the columns laid out after a window-state change fit them when they are shown.
    for (QWidget* page : {static_cast<QWidget*>(fraSearch1), static_cast<QWidget*>(fraDownloads1),
                          static_cast<QWidget*>(fraPlayList1)}) {
        QSizePolicy policy = page->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        page->setSizePolicy(policy);
        pages->addWidget(page, 0, 0);
    }
    column->addWidget(pageHost, 1);
    setCentralWidget(client);

    CreateMenu();
    CreateToolbar();

    tmrResize->setObjectName(QStringLiteral("tmrResize"));
    tmrResize->setInterval(kResizeDelayMs);
    tmrResize->setSingleShot(true);
    connect(tmrResize, &QTimer::timeout, this, &TfrmMain::tmrResizeTimer);

    // So that the first layout check below always finds a change.
    LastWindowState = CurrentWindowState() == TWindowState::Normal ? TWindowState::Maximized : TWindowState::Normal;
    InitPages();
    tmrResizeTimer();
}

TfrmMain::~TfrmMain() {
    try {
        LiveUpdate.reset();
    } catch (...) {
        // Freeing the fetcher at the end of the run may fail; nothing is left to tell.
    }
}

QAction* TfrmMain::AddMenuItem(QMenu* menu, const QString& name, const QString& caption, int tag) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    if (tag != 0)
        item->setProperty(kTag, tag);
    return item;
}

void TfrmMain::AddSeparator(QMenu* menu, const QString& name) {
    menu->addSeparator()->setObjectName(name);
}

void TfrmMain::CreateMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("mnuMain"));

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    QAction* exit = AddMenuItem(file, QStringLiteral("mnuFileExit"), QStringLiteral("Exit"), 0);
    exit->setShortcut(QKeySequence::Quit);
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    grpViewItems = new QActionGroup(this);
    grpViewItems->setExclusive(true);
    const auto addViewItem = [&](const QString& name, const QString& caption, int tag) {
        QAction* item = AddMenuItem(view, name, caption, tag);
        item->setCheckable(true);
        grpViewItems->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { ChangePage(item); });
        return item;
    };
    addViewItem(QStringLiteral("mnuViewSearch"), QStringLiteral("Searches"), 1)->setChecked(true);
    addViewItem(QStringLiteral("mnuViewDownloads"), QStringLiteral("Downloads"), 2);
    AddSeparator(view, QStringLiteral("mnuViewSep01"));
    addViewItem(QStringLiteral("mnuViewPlayList"), QStringLiteral("Play List"), 3);

    QMenu* actions = bar->addMenu(QStringLiteral("&Actions"));
    const auto addAction = [&](const QString& name, const QString& caption, int tag) {
        QAction* item = AddMenuItem(actions, name, caption, tag);
        connect(item, &QAction::triggered, this, [this, item] { HandleMenuAction(item); });
    };
    addAction(QStringLiteral("mnuActionsFindIt"), QStringLiteral("Find It !"), 1);
    AddSeparator(actions, QStringLiteral("mnuActionsSep01"));
    addAction(QStringLiteral("mnuActionsDownload"), QStringLiteral("Download"), 2);
    addAction(QStringLiteral("mnuActionsDownloadsPreviewFile"), QStringLiteral("Preview File"), 3);
    AddSeparator(actions, QStringLiteral("mnuActionsSep02"));
    addAction(QStringLiteral("mnuActionsRestartDownload"), QStringLiteral("Restart Download"), 4);
    addAction(QStringLiteral("mnuActionsCancelDownload"), QStringLiteral("Cancel Download"), 5);
    addAction(QStringLiteral("mnuActionsCancelAllDownloads"), QStringLiteral("Cancel All Downloads"), 6);
    AddSeparator(actions, QStringLiteral("mnuActionsSep03"));
    addAction(QStringLiteral("mnuActionsClearDownloaded"), QStringLiteral("Clear Downloaded"), 7);
    addAction(QStringLiteral("mnuActionsPlayListPlayFile"), QStringLiteral("Play File"), 8);
    addAction(QStringLiteral("mnuActionsPlayListLaunchFile"), QStringLiteral("Launch File..."), 9);
    AddSeparator(actions, QStringLiteral("mnuActionsSep04"));
    addAction(QStringLiteral("mnuActionsDeleteFile"), QStringLiteral("Delete File"), 10);
    addAction(QStringLiteral("mnuActionsRenameFile"), QStringLiteral("Rename File..."), 11);
    addAction(QStringLiteral("mnuActionsLocate"), QStringLiteral("Locate..."), 12);
    AddSeparator(actions, QStringLiteral("mnuActionsSep05"));
    addAction(QStringLiteral("mnuActionsRefresh"), QStringLiteral("Refresh"), 13);

    QMenu* extra = bar->addMenu(QStringLiteral("E&xtra"));
    connect(AddMenuItem(extra, QStringLiteral("mnuExtraOptions"), QStringLiteral("Options..."), 0),
            &QAction::triggered, this, &TfrmMain::mnuExtraOptionsClick);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    QAction* quickStart = AddMenuItem(help, QStringLiteral("mnuHelpQuickStart"), QStringLiteral("Quick Start..."), 0);
    quickStart->setShortcut(QKeySequence::HelpContents);
    connect(quickStart, &QAction::triggered, this, [] { OpenQuickStart(); });
    AddSeparator(help, QStringLiteral("mnuHelpSep01"));
    connect(AddMenuItem(help, QStringLiteral("mnuHelpHomePage"), QStringLiteral("Home Page..."), 0),
            &QAction::triggered, this, [] { OpenHomePage(); });
    connect(AddMenuItem(help, QStringLiteral("mnuHelpFAQ"), QStringLiteral("FAQ..."), 0), &QAction::triggered,
            this, [] { OpenFaq(); });
    AddSeparator(help, QStringLiteral("mnuHelpSep02"));
    connect(AddMenuItem(help, QStringLiteral("mnuHelpAbout"), QStringLiteral("About..."), 0), &QAction::triggered,
            this, &TfrmMain::mnuHelpAboutClick);
}

QToolButton* TfrmMain::AddViewButton(const QString& name, const QString& caption, const QString& hint, int tag,
                                     const QString& glyph, int x) {
    auto* button = new QToolButton(pnlToolbar);
    button->setObjectName(name);
    button->setProperty(kTag, tag);
    button->setText(caption);
    button->setToolTip(hint);
    button->setAccessibleName(caption);
    button->setAccessibleDescription(hint);
    button->setIcon(ArtworkIcon(glyph));
    button->setIconSize(QSize(24, 24));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setGeometry(x, 4, 101, 37);
    grpViews->addButton(button, tag);
    connect(button, &QToolButton::clicked, this, [this, button] { ChangePage(button); });
    return button;
}

void TfrmMain::AddActionButton(const QString& name, const QString& hint, int tag, const QString& glyph, int slot) {
    QToolButton* button = MakeGlyphButton(name, hint, glyph, 37, pnlToolbar);
    button->setProperty(kTag, tag);
    button->setIconSize(QSize(26, 26));
    button->move(kFirstSlotX + slot * kSlotStep, 4);
    connect(button, &QToolButton::clicked, this, [this, button] { HandleMenuAction(button); });
}

void TfrmMain::CreateToolbar() {
    pnlToolbar->setObjectName(QStringLiteral("pnlToolbar"));
    pnlToolbar->setFixedHeight(kToolbarHeight);
    pnlToolbar->setFrameShape(QFrame::Panel);
    pnlToolbar->setFrameShadow(QFrame::Sunken);
    pnlToolbar->setAccessibleName(QStringLiteral("Tool bar"));

    grpViews = new QButtonGroup(this);
    grpViews->setExclusive(true);
    AddViewButton(QStringLiteral("cmdViewSearches"), QStringLiteral("Searches"), QStringLiteral("View Searches"), 1,
                  QStringLiteral("view-searches"), 4)
        ->setChecked(true);
    AddViewButton(QStringLiteral("cmdViewDownloads"), QStringLiteral("Downloads"), QStringLiteral("View Downloads"), 2,
                  QStringLiteral("view-downloads"), 107);
    AddViewButton(QStringLiteral("cmdViewPlayList"), QStringLiteral("Play List"), QStringLiteral("View Play List"), 3,
                  QStringLiteral("view-playlist"), 210);
    // A screen reader's Toggle action checks a button without clicking it: the page follows.
    // Connected after the first check, which only marks the page the window starts on.
    for (QAbstractButton* button : grpViews->buttons())
        connect(button, &QAbstractButton::toggled, this, [this, button](bool checked) {
            if (checked)
                ChangePage(button);
        });

    auto* separator = new QFrame(pnlToolbar);
    separator->setObjectName(QStringLiteral("bvlToolbarSep01"));
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);
    separator->setGeometry(314, 7, 2, 31);

    AddActionButton(QStringLiteral("tlbDownload"), QStringLiteral("Download File"), 2, QStringLiteral("download-file"),
                    0);
    AddActionButton(QStringLiteral("tlbPreview"), QStringLiteral("Preview File"), 3, QStringLiteral("preview-file"), 0);
    AddActionButton(QStringLiteral("tlbRestartDownload"), QStringLiteral("Restart Download"), 4,
                    QStringLiteral("restart-download"), 1);
    AddActionButton(QStringLiteral("tlbCancelDownload"), QStringLiteral("Cancel Download"), 5,
                    QStringLiteral("cancel-download"), 2);
    AddActionButton(QStringLiteral("tlbCancelAllDownloads"), QStringLiteral("Cancel All Downloads"), 6,
                    QStringLiteral("cancel-all-downloads"), 3);
    AddActionButton(QStringLiteral("tlbClearDownloaded"), QStringLiteral("Clear Downloaded"), 7,
                    QStringLiteral("clear-downloaded"), 4);
    AddActionButton(QStringLiteral("tlbPlayFile"), QStringLiteral("Play File"), 8, QStringLiteral("play-file"), 0);
    AddActionButton(QStringLiteral("tlbLaunchFile"), QStringLiteral("Launch File"), 9, QStringLiteral("launch-file"),
                    1);
    AddActionButton(QStringLiteral("tlbDeleteFile"), QStringLiteral("Delete File"), 10, QStringLiteral("delete-file"),
                    2);
    AddActionButton(QStringLiteral("tlbRenameFile"), QStringLiteral("Rename File"), 11, QStringLiteral("rename-file"),
                    3);
    AddActionButton(QStringLiteral("tlbLocate"), QStringLiteral("Locate Media Folder"), 12,
                    QStringLiteral("locate-folder"), 4);
    AddActionButton(QStringLiteral("tlbRefresh"), QStringLiteral("Refresh"), 13, QStringLiteral("refresh"), 5);
}

void TfrmMain::PrepareToolbar() {
    // The tool bar paints its own background, not its parent's.
    pnlToolbar->setAutoFillBackground(true);
}

void TfrmMain::InitPages() {
    PrepareToolbar();
    fraSearch1->Downloads = fraDownloads1;
    fraSearch1->FindItItem = findChild<QAction*>(QStringLiteral("mnuActionsFindIt"));
    fraDownloads1->PlayList = fraPlayList1;
    fraSearch1->InitPage();
    fraDownloads1->InitPage();
    fraPlayList1->InitPage(imlSystemIcons);
}

void TfrmMain::SetComponentsVisible(const QStringList& names, bool visible) {
    for (const QString& name : names) {
        if (auto* item = findChild<QAction*>(name))
            item->setVisible(visible);
        else if (auto* control = findChild<QWidget*>(name))
            control->setVisible(visible);
    }
}

void TfrmMain::ChangePage(QObject* sender) {
    const int tag = TagOf(sender);
    if (tag < 1 || tag > 3)
        return;
    const TPaintingSuspended suspended(this);
    SetComponentsVisible(kAllPageComponents, false);
    for (QAction* item : grpViewItems->actions())
        item->setChecked(false);
    const TPageShare& share = PageShare(tag);
    SetComponentsVisible(share.Components, true);
    if (auto* button = findChild<QToolButton*>(QLatin1String(share.ViewButton))) {
        const QSignalBlocker alreadyChanging(button);
        button->setChecked(true);
    }
    if (auto* item = findChild<QAction*>(QLatin1String(share.ViewItem)))
        item->setChecked(true);
}

void TfrmMain::HandleMenuAction(QObject* sender) {
    switch (TagOf(sender)) {
    case 1:
        fraSearch1->cmdSearchClick();
        break;
    case 2:
        fraSearch1->DownloadSelected();
        break;
    case 3:
        fraDownloads1->PreviewFile();
        break;
    case 4:
        fraDownloads1->RestartSelected();
        break;
    case 5:
        fraDownloads1->CancelSelected();
        break;
    case 6:
        fraDownloads1->CancelAll();
        break;
    case 7:
        fraDownloads1->ClearDownloaded();
        break;
    case 8:
        fraPlayList1->PlaySelected();
        break;
    case 9:
        fraPlayList1->LaunchSelected();
        break;
    case 10:
        fraPlayList1->DeleteSelected();
        break;
    case 11:
        fraPlayList1->RenameSelected();
        break;
    case 12:
        fraPlayList1->LocateFolder();
        break;
    case 13:
        fraPlayList1->RefreshList();
        break;
    default:
        break;
    }
}

void TfrmMain::LayoutColumns(QTreeView* list, const std::vector<float>& values) {
    const TPaintingSuspended suspended(list);
    QHeaderView* header = list->header();
    const int columns = std::min(static_cast<int>(values.size()), header->count());
    int fixed = 0;
    for (int i = 0; i < columns; ++i) {
        if (values[i] > 1) {
            header->resizeSection(i, static_cast<int>(values[i]));
            fixed += header->sectionSize(i);
        }
    }
    const int rest = std::max(0, list->width() - fixed);
    for (int i = 0; i < columns; ++i) {
        if (values[i] > 1)
            continue;
        // In double precision from the 32-bit share: 0.49 of 100 pixels is 49, not 48.
        const int width = static_cast<int>(std::floor(static_cast<double>(rest) * static_cast<double>(values[i])));
        header->setSectionHidden(i, width == 0);
        header->resizeSection(i, width);
        // A column laid out at 0 stays shut: the user cannot drag it open.
        header->setSectionResizeMode(i, width == 0 ? QHeaderView::Fixed : QHeaderView::Interactive);
    }
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
    if (state != LastWindowState && state != TWindowState::Minimized) {
        const TPaintingSuspended suspended(this);
        // The pages take the client width now, so the lists' outer widths are current, also
        // before the window is first shown.
        ActivateLayouts(this);
        LayoutColumns(fraSearch1->lvwFiles, kFilesColumns);
        LayoutColumns(fraSearch1->lvwPopular, kPopularColumns);
        LayoutColumns(fraDownloads1->lvwDownloads, kDownloadsColumns);
        LayoutColumns(fraPlayList1->lvwPlayList, kPlayListColumns);
    }
    LastWindowState = state;
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
    ChangePage(findChild<QAction*>(QStringLiteral("mnuViewSearch")));
    if (!DataFolder.empty())
        LiveUpdate = StartLiveUpdate(QDate::currentDate(), DataFolder + "Orvalo.dat");
}

void TfrmMain::mnuExtraOptionsClick() {
    // The dialog works on the program's instances; a window made without them has none.
    if (!AppOptions)
        return;
    TfrmOptions options(this, *fraSearch1->cmbSearchKeys, [this] { fraPlayList1->RefreshList(); });
    options.exec();
}

void TfrmMain::mnuHelpAboutClick() {
    TfrmSplash about(this);
    about.AboutMode = true;
    about.exec();
}
