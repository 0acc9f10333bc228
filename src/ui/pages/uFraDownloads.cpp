#include "ui/pages/uFraDownloads.h"
#include "ui/pages/uWholeVersion.h"

#include <algorithm>
#include <filesystem>
#include <functional>

#include <QAction>
#include <QMenu>
#include <QGuiApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include "core/uTAppOptions.h"
#include "desktop/uShell.h"
#include "download/uTDownload.h"
#include "download/uTDownloadManager.h"
#include "search/uDownloadChoice.h"
#include "search/uTSearchResultManager.h"
#include "search/uWishList.h"
#include "ui/models/uDownloadsModel.h"
#include "ui/models/uListProxy.h"
#include "ui/widgets/uPageList.h"
#include "ui/widgets/uStatusFilter.h"
#include "ui/look/uPlainText.h"
#include "ui/widgets/uPrompts.h"
#include "ui/look/uReadable.h"
#include "ui/pages/uWishListPanel.h"

TfraDownloads::TfraDownloads(const TServices& services, QWidget* parent)
    : TPage(parent), DownloadRows(new TDownloadsModel(services.Downloads, this)), m_services(services) {
    setObjectName(QStringLiteral("fraDownloads1"));
    lvwDownloads =
        new TPageList(QStringLiteral("lvwDownloads"), tr("Downloads"), DownloadRows, this);
    lvwDownloads->SetEmptyText(tr("No downloads yet. Search for a song on the Searches page and "
                                  "double-click a result, or select it and press Enter."));
    lblSummary = MakePlainLabel(QString(), this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setAccessibleName(tr("Downloads running"));
    pnlShow = new TStatusFilter({tr("All"), tr("Running"), tr("Queued"), tr("Failed"), tr("Complete")},
                                lvwDownloads->accessibleName(), this);
    pnlShow->setObjectName(QStringLiteral("pnlShow"));
    connect(pnlShow, &TStatusFilter::Changed, this, &TfraDownloads::ShowView);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(pnlShow);
    layout->addWidget(lvwDownloads, 1);
    pnlWishes = new TWishListPanel(services.Wishes, services.WishSearch, this);
    connect(pnlWishes, &TWishListPanel::DownloadWanted, this, &TfraDownloads::DownloadWish);
    layout->addWidget(pnlWishes);
    layout->addWidget(lblSummary);
    BuildCommands();
    BuildPopup();
    BindKey(actPreviewFile, QKeySequence(Qt::Key_Return), {lvwDownloads});
    BindKey(actCancelDownload, QKeySequence(Qt::Key_Delete), {lvwDownloads});
    connect(lvwDownloads, &QAbstractItemView::doubleClicked, this, &TfraDownloads::PreviewFile);
    connect(lvwDownloads->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TfraDownloads::UpdateCommands);
    // Rows change by events: what the commands can do follows at once, the summary (a walk
    // over every download) once a turn, however many rows changed.
    const auto rowsChanged = [this] {
        UpdateCommands();
        if (!m_summaryDue) {
            m_summaryDue = true;
            QMetaObject::invokeMethod(this, &TfraDownloads::ShowSummary, Qt::QueuedConnection);
        }
    };
    connect(DownloadRows, &QAbstractItemModel::dataChanged, this, rowsChanged);
    connect(DownloadRows, &QAbstractItemModel::rowsInserted, this, rowsChanged);
    connect(DownloadRows, &QAbstractItemModel::rowsRemoved, this, rowsChanged);
    // While downloads run, the summary follows them twice a second.
    m_summaryTimer = new QTimer(this);
    m_summaryTimer->setInterval(500);
    connect(m_summaryTimer, &QTimer::timeout, this, &TfraDownloads::ShowSummary);
    rowsChanged();
    connect(&m_services.Downloads, &TDownloadManager::Changed, this, &TfraDownloads::DownloadChanged);
}

TfraDownloads::~TfraDownloads() = default;

void TfraDownloads::BuildCommands() {
    actPreviewFile = AddCommand({"mnuActionsDownloadsPreviewFile", tr("Preview File"), "tlbPreview",
                                 tr("Preview File"), "preview-file",
                                 tr("Plays what has arrived of the selected download")},
                                [this] { PreviewFile(); });
    AddSeparator(QStringLiteral("mnuActionsSep02"));
    actRestartDownload =
        AddCommand({"mnuActionsRestartDownload", tr("Restart Download"), "tlbRestartDownload",
                    tr("Restart Download"), "restart-download",
                    tr("Downloads the selected failed or cancelled songs again")},
                   [this] { RestartSelected(); });
    actCancelDownload =
        AddCommand({"mnuActionsCancelDownload", tr("Cancel Download"), "tlbCancelDownload",
                    tr("Cancel Download"), "cancel-download", tr("Stops the selected downloads")},
                   [this] { CancelSelected(); });
    actCancelAllDownloads =
        AddCommand({"mnuActionsCancelAllDownloads", tr("Cancel All Downloads"),
                    "tlbCancelAllDownloads", tr("Cancel All Downloads"), "cancel-all-downloads",
                    tr("Stops every download that is still running")},
                   [this] { CancelAll(); });
    AddSeparator(QStringLiteral("mnuActionsSep03"));
    actClearDownloaded =
        AddCommand({"mnuActionsClearDownloaded", tr("Clear Downloaded"), "tlbClearDownloaded",
                    tr("Clear Downloaded: takes complete, failed and cancelled rows off the list"),
                    "clear-downloaded",
                    tr("Takes the finished downloads off the list; their files stay")},
                   [this] { ClearDownloaded(); });
}

TfraDownloads::TView TfraDownloads::ViewOf(const TDownload& download) {
    switch (download.Status()) {
    case TDownload::StatusComplete:
        return TView::Complete;
    case TDownload::StatusFailed:
        return TView::Failed;
    default:
        return download.Waiting() ? TView::Queued : TView::Running;
    }
}

void TfraDownloads::ShowView(int view) {
    if (view == static_cast<int>(TView::All)) {
        lvwDownloads->Proxy()->SetRowFilter({});
        return;
    }
    lvwDownloads->Proxy()->SetRowFilter(
        [this, view](int row) { return ViewOf(DownloadRows->Record(row)) == static_cast<TView>(view); });
}

void TfraDownloads::ShowSummary() {
    m_summaryDue = false;
    // The manager's own figures: the rows show theirs only every so many bytes.
    int running = 0;
    int queued = 0;
    int64_t speed = 0;
    int64_t left = 0;
    QList<int> views(5, 0);
    const TDownloadManager& manager = m_services.Downloads;
    for (int i = 0; i < manager.Count(); ++i) {
        const TDownload& download = *manager.Items(i);
        ++views[static_cast<int>(ViewOf(download))];
        if (download.Status() != TDownload::StatusDownloading)
            continue;
        if (download.Waiting()) {
            ++queued;
            continue;
        }
        ++running;
        speed += download.Speed;
        left += std::max<int64_t>(0, download.Size - download.Received);
    }
    views[static_cast<int>(TView::All)] = manager.Count();
    if (const std::pair underWay{views[static_cast<int>(TView::Running)], views[static_cast<int>(TView::Queued)]};
        underWay != m_underWay) {
        m_underWay = underWay;
        const auto [running, waiting] = underWay;
        emit UnderWayChanged(running + waiting,
                             waiting > 0 ? tr("%1 running, %2 queued").arg(ReadableCount(running), ReadableCount(waiting))
                             : running == 1 ? tr("1 download running")
                                            : tr("%n downloads running", nullptr, running));
    }
    // A row that changed its state leaves or joins the view shown (the list does not filter
    // as rows change: that would cost every change a look at the filter).
    if (pnlShow->SetCounts(views) && pnlShow->Current() != static_cast<int>(TView::All))
        ShowView(pnlShow->Current());
    if (running == 0)
        m_summaryTimer->stop();
    else if (!m_summaryTimer->isActive())
        m_summaryTimer->start();
    QString text;
    if (queued > 0) {
        // How long the queue takes cannot be told from the running few.
        //: The line under the downloads: "3 running, 1,997 queued"
        text = tr("%1 running, %2 queued").arg(ReadableCount(running), ReadableCount(queued));
        if (speed > 0)
            text += QStringLiteral(", ") + ReadableSpeed(speed);
    } else if (running > 0) {
        // English keeps its own words for one; a translation gives every count its form.
        text =
            running == 1 ? tr("1 download running") : tr("%n downloads running", nullptr, running);
        text += QStringLiteral(", ") + ReadableSpeed(speed);
        if (const QString time = TimeLeft(left, 0, speed); !time.isEmpty())
            text += QStringLiteral(", ") + time;
    }
    if (lblSummary->text() != text) {
        lblSummary->setText(text);
        // The label's name says what it is; a screen reader finds the figures here.
        lblSummary->setAccessibleDescription(text);
    }
}

std::vector<int> TfraDownloads::SelectedWithStatus(bool failed) const {
    std::vector<int> rows;
    for (const int row : lvwDownloads->SelectedRows()) {
        if ((DownloadRows->Record(row).Status() == TDownload::StatusFailed) == failed)
            rows.push_back(row);
    }
    return rows;
}

void TfraDownloads::BuildPopup() {
    const auto make = [this](const QString& caption, const char* name, void (TfraDownloads::*run)()) {
        auto* command = new QAction(caption, this);
        command->setObjectName(QLatin1String(name));
        connect(command, &QAction::triggered, this, run);
        return command;
    };
    // Play names what a person does with a finished song; it is the page's Preview.
    auto* play = new QAction(actPreviewFile->icon(), tr("Play"), this);
    connect(play, &QAction::triggered, actPreviewFile, &QAction::trigger);
    connect(actPreviewFile, &QAction::changed, play, [play, this] { play->setEnabled(actPreviewFile->isEnabled()); });
    actOpenFolder = make(tr("Open Containing Folder"), "popOpenFolder", &TfraDownloads::OpenContainingFolder);
    actCopyLink = make(tr("Copy Link"), "popCopyLink", &TfraDownloads::CopyLinks);
    actRemoveFromList = make(tr("Remove from List"), "popRemoveFromList", &TfraDownloads::RemoveSelected);
    actFindWholeVersion = make(tr("Find a Whole Version"), "popFindWholeVersion", &TfraDownloads::FindWholeVersion);
    actAddToWishList = make(tr("Add to Wish List"), "popAddToWishList", &TfraDownloads::AddToWishList);
    auto* gap = new QAction(this);
    gap->setSeparator(true);
    auto* gap2 = new QAction(this);
    gap2->setSeparator(true);
    QMenu* popup = MakePopup(QStringLiteral("popDownloads"), lvwDownloads,
              {play, actFindWholeVersion, actAddToWishList, actOpenFolder, actCopyLink, gap, actRestartDownload, actCancelDownload, actRemoveFromList, gap2,
               actCancelAllDownloads, actClearDownloaded});
    // Offered for a finished file the content check found a preview or cut short.
    connect(popup, &QMenu::aboutToShow, this, [this] {
        actFindWholeVersion->setVisible(SelectedQuest().has_value());
        const auto wish = SelectedWish();
        actAddToWishList->setVisible(wish.has_value());
        actAddToWishList->setEnabled(wish && m_services.Wishes.IndexOf(wish->Key) < 0);
    });
}

void TfraDownloads::OpenContainingFolder() {
    if (const TDownload* download = DownloadOf(lvwDownloads->SelectedRow()))
        ShowInFolder(download->FilePath);
}

void TfraDownloads::CopyLinks() {
    QStringList links;
    for (const int row : lvwDownloads->SelectedRows())
        links << QString::fromStdString(DownloadRows->Record(row).Url);
    if (!links.isEmpty())
        QGuiApplication::clipboard()->setText(links.join(QLatin1Char('\n')));
}

std::vector<std::string> TfraDownloads::SelectedFinished() const {
    std::vector<std::string> keys;
    for (const int row : lvwDownloads->SelectedRows()) {
        if (const TDownload& download = DownloadRows->Record(row); download.Status() != TDownload::StatusDownloading)
            keys.push_back(download.Key);
    }
    return keys;
}

void TfraDownloads::RemoveSelected() {
    KeepSelectionThrough([this] { m_services.Downloads.RemoveFinished(SelectedFinished()); });
}

void TfraDownloads::UpdateCommands() {
    actPreviewFile->setEnabled(lvwDownloads->SelectedRow() >= 0);
    actRestartDownload->setEnabled(!SelectedWithStatus(true).empty());
    // A complete row can be asked about too; the manager then does nothing.
    actCancelDownload->setEnabled(!SelectedWithStatus(false).empty());
    actCancelAllDownloads->setEnabled(DownloadRows->RowsHeld() > 0);
    actClearDownloaded->setEnabled(DownloadRows->HasFinished());
    const bool selected = lvwDownloads->SelectedRow() >= 0;
    actOpenFolder->setEnabled(selected);
    actCopyLink->setEnabled(selected);
    // Running rows stay: they are cancelled first.
    actRemoveFromList->setEnabled(!SelectedFinished().empty());
}

void TfraDownloads::Download(const TDownloadRequest& request) {
    // A link fetched before in this run and ended is fetched once more: the user asked for
    // it again (and was asked first when the song is in the play list).
    // Its row shows at the end of the turn, with the others asked for in it: one insertion.
    m_services.Downloads.Download(request);
    // The row the user asked for last is brought in sight at the end of the turn: scrolling
    // lays the list out, once for a thousand rows asked for at once, not once for each.
    const bool due = !m_scrollTo.empty();
    m_scrollTo = request.Key;
    if (!due)
        QMetaObject::invokeMethod(this, &TfraDownloads::ScrollToAsked, Qt::QueuedConnection);
}

void TfraDownloads::ScrollToAsked() {
    if (const int row = DownloadRows->RowOf(std::exchange(m_scrollTo, {})); row >= 0)
        lvwDownloads->scrollTo(lvwDownloads->Proxy()->mapFromSource(DownloadRows->index(row, 0)));
}

const TDownload* TfraDownloads::DownloadOf(int row) const {
    return row < 0 ? nullptr : &DownloadRows->Record(row);
}

void TfraDownloads::DownloadChanged(const TDownload& download, TDownloadChange what) {
    if (what == TDownloadChange::Status && download.Status() != TDownload::StatusDownloading)
        Ended(download);
}

void TfraDownloads::Ended(const TDownload& download) {
    const QString title = TDownloadsModel::DisplayText(download.FileName);
    if (download.Status() == TDownload::StatusFailed) {
        // The user's own cancel is no news to tell.
        if (!download.Cancelled) {
            const QString reason = TDownloadsModel::DisplayText(download.FailReason);
            emit DownloadEnded(title, reason.isEmpty() ? tr("failed") : reason);
        }
        return;
    }
    emit DownloadEnded(title, {});
    // Not while the manager is still telling others of this end: the record would go
    // from under them.
    if (m_services.Options.ClearDownloadsWhenComplete)
        QMetaObject::invokeMethod(this, &TfraDownloads::ClearDownloaded, Qt::QueuedConnection);
}

void TfraDownloads::PreviewFile() {
    // The download's own file: the name in the incomplete folder may carry a number or a
    // cleaned name that the title lacks. Whether it exists is the player's concern.
    if (const TDownload* download = DownloadOf(lvwDownloads->SelectedRow()))
        emit PreviewRequested(download->FilePath);
}

void TfraDownloads::RestartSelected() {
    // A row whose failed transfer is still winding down stays failed; its command stays on
    // for another try.
    for (const int row : SelectedWithStatus(true))
        m_services.Downloads.RestartDownload(DownloadRows->Record(row).Key);
}

void TfraDownloads::CancelSelected() {
    const std::vector<int> rows = SelectedWithStatus(false);
    if (rows.empty())
        return;
    // One question for all of them.
    const QString question = rows.size() == 1
                                 ? tr("Do you really want to cancel this download ?\n%1")
                                       .arg(DownloadRows->Title(rows[0]))
                                 : tr("Do you really want to cancel these %n downloads ?", nullptr,
                                      static_cast<int>(rows.size()));
    std::vector<std::string> keys;
    for (const int row : rows)
        keys.push_back(DownloadRows->Record(row).Key);
    if (!m_services.Prompts.Ask(this, question, {tr("Cancel Download"), tr("Keep Downloading")}))
        return;
    for (const std::string& key : keys)
        m_services.Downloads.CancelDownload(key);
}

void TfraDownloads::CancelAll() {
    if (DownloadRows->RowsHeld() == 0)
        return;
    if (m_services.Prompts.Ask(this, tr("Do you really want to cancel all downloads ?"),
                               {tr("Cancel All"), tr("Keep Downloading")}))
        m_services.Downloads.CancelAllDownloads();
}

void TfraDownloads::ClearDownloaded() {
    const TPaintingSuspended suspended(lvwDownloads);
    KeepSelectionThrough([this] {
        if (m_services.Downloads.ClearFinished() > 0)
            lvwDownloads->SetEmptyText(tr("The finished downloads were cleared; their songs are on the Play List page."));
    });
}

void TfraDownloads::KeepSelectionThrough(const std::function<void()>& removal) {
    // Rows taken off in many places at once go in one reset of the list, which forgets the
    // selection: the selected rows that stay are selected again.
    std::vector<std::string> selected;
    for (const int row : lvwDownloads->SelectedRows())
        selected.push_back(DownloadRows->Record(row).Key);
    removal();
    std::vector<int> rows;
    for (const std::string& key : selected) {
        if (const int row = DownloadRows->RowOf(key); row >= 0)
            rows.push_back(row);
    }
    lvwDownloads->SelectRows(rows);
}

std::optional<TWholeVersionQuest> TfraDownloads::SelectedQuest() const {
    const int row = lvwDownloads->SelectedRow();
    if (row < 0 || DownloadRows->Record(row).Status() != TDownload::StatusComplete)
        return std::nullopt;
    return WholeVersionQuest(m_services.PlayList, DownloadRows->Record(row).FilePath);
}

void TfraDownloads::FindWholeVersion() {
    if (const auto quest = SelectedQuest())
        emit WholeVersionWanted(quest->Key, quest->LongerThanMs);
}

std::optional<TWholeVersionQuest> TfraDownloads::SelectedWish() const {
    const int row = lvwDownloads->SelectedRow();
    if (row >= 0 && DownloadRows->Record(row).Status() == TDownload::StatusFailed)
        return TWholeVersionQuest{SongOfFileName(DownloadRows->Record(row).FileName), 0};
    return SelectedQuest();
}

void TfraDownloads::AddToWishList() {
    if (const auto wish = SelectedWish())
        m_services.Wishes.Add(wish->Key, wish->LongerThanMs);
}

void TfraDownloads::DownloadWish(const std::string& words) {
    const int index = m_services.Wishes.IndexOf(words);
    if (index < 0 || !m_services.Wishes.At(index).HasFound())
        return;
    Download(DownloadRequestFor(m_services.Wishes.At(index).Found));
    m_services.Wishes.Remove(words);
}
