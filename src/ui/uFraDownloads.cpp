#include "ui/uFraDownloads.h"

#include <algorithm>
#include <filesystem>

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include "core/uTAppOptions.h"
#include "download/uTDownload.h"
#include "download/uTDownloadManager.h"
#include "media/uContentChecker.h"
#include "search/uTSearchResultManager.h"
#include "ui/uDownloadsModel.h"
#include "ui/uPageList.h"
#include "ui/uPlainText.h"
#include "ui/uPrompts.h"
#include "ui/uReadable.h"

TfraDownloads::TfraDownloads(const TServices& services, QWidget* parent)
    : TPage(parent), DownloadRows(new TDownloadsModel(this)), m_services(services) {
    setObjectName(QStringLiteral("fraDownloads1"));
    lvwDownloads = new TPageList(QStringLiteral("lvwDownloads"), QStringLiteral("Downloads"), DownloadRows, this);
    lvwDownloads->SetEmptyText(QStringLiteral("No downloads yet. Search for a song on the Searches page and "
                                              "double-click a result, or select it and press Enter."));
    lblSummary = MakePlainLabel(QString(), this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setAccessibleName(QStringLiteral("Downloads running"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(lvwDownloads, 1);
    layout->addWidget(lblSummary);
    BuildCommands();
    MakePopup(QStringLiteral("popDownloads"), lvwDownloads, MenuCommands());
    BindKey(m_preview, QKeySequence(Qt::Key_Return), {lvwDownloads});
    BindKey(m_cancel, QKeySequence(Qt::Key_Delete), {lvwDownloads});
    connect(lvwDownloads, &QAbstractItemView::doubleClicked, this, &TfraDownloads::PreviewFile);
    connect(lvwDownloads->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TfraDownloads::UpdateCommands);
    // Rows change by events: what the commands can do and the summary follow.
    const auto rowsChanged = [this] {
        UpdateCommands();
        ShowSummary();
    };
    connect(DownloadRows, &QAbstractItemModel::dataChanged, this, rowsChanged);
    connect(DownloadRows, &QAbstractItemModel::rowsInserted, this, rowsChanged);
    connect(DownloadRows, &QAbstractItemModel::rowsRemoved, this, rowsChanged);
    // While downloads run, the summary follows them twice a second.
    m_summaryTimer = new QTimer(this);
    m_summaryTimer->setInterval(500);
    connect(m_summaryTimer, &QTimer::timeout, this, &TfraDownloads::ShowSummary);
    rowsChanged();
    m_checker = std::make_unique<TContentChecker>(1);
    m_checker->OnChecked = [this](const std::string& path, const TContentVerdict& verdict) {
        ShowContent(path, verdict);
    };
}

TfraDownloads::~TfraDownloads() = default;

void TfraDownloads::ShowContent(const std::string& path, const TContentVerdict& verdict) {
    for (int row = 0; row < DownloadRows->RowsHeld(); ++row) {
        const TDownload* download = m_services.Downloads.Find(DownloadRows->Row(row).Key);
        if (download != nullptr && download->FilePath == path)
            DownloadRows->SetContent(row, QString::fromStdString(VerdictText(verdict)));
    }
}

void TfraDownloads::BuildCommands() {
    m_preview = AddCommand({3, "mnuActionsDownloadsPreviewFile", QStringLiteral("Preview File"), "tlbPreview",
                            QStringLiteral("Preview File"), "preview-file"},
                           [this] { PreviewFile(); });
    AddSeparator(QStringLiteral("mnuActionsSep02"));
    m_restart = AddCommand({4, "mnuActionsRestartDownload", QStringLiteral("Restart Download"), "tlbRestartDownload",
                            QStringLiteral("Restart Download"), "restart-download"},
                           [this] { RestartSelected(); });
    m_cancel = AddCommand({5, "mnuActionsCancelDownload", QStringLiteral("Cancel Download"), "tlbCancelDownload",
                           QStringLiteral("Cancel Download"), "cancel-download"},
                          [this] { CancelSelected(); });
    m_cancelAll = AddCommand({6, "mnuActionsCancelAllDownloads", QStringLiteral("Cancel All Downloads"),
                              "tlbCancelAllDownloads", QStringLiteral("Cancel All Downloads"), "cancel-all-downloads"},
                             [this] { CancelAll(); });
    AddSeparator(QStringLiteral("mnuActionsSep03"));
    m_clear = AddCommand({7, "mnuActionsClearDownloaded", QStringLiteral("Clear Downloaded"), "tlbClearDownloaded",
                          QStringLiteral("Clear Downloaded"), "clear-downloaded"},
                         [this] { ClearDownloaded(); });
}

void TfraDownloads::ShowSummary() {
    // The manager's own figures: the rows show theirs only every so many bytes.
    int running = 0;
    int64_t speed = 0;
    int64_t left = 0;
    const TDownloadManager& manager = m_services.Downloads;
    for (int i = 0; i < manager.Count(); ++i) {
        const TDownload& download = *manager.Items(i);
        if (download.Status() != TDownload::StatusDownloading)
            continue;
        ++running;
        speed += download.Speed;
        left += std::max<int64_t>(0, download.Size - download.Received);
    }
    if (running == 0)
        m_summaryTimer->stop();
    else if (!m_summaryTimer->isActive())
        m_summaryTimer->start();
    QString text;
    if (running > 0) {
        text = running == 1 ? QStringLiteral("1 download running") : QStringLiteral("%1 downloads running").arg(running);
        text += QStringLiteral(", ") + ReadableSize(speed) + QStringLiteral("/s");
        if (const QString time = TimeLeft(left, 0, speed); !time.isEmpty())
            text += QStringLiteral(", ") + time;
    }
    if (lblSummary->text() != text)
        lblSummary->setText(text);
}

std::vector<int> TfraDownloads::SelectedWithStatus(bool failed) const {
    std::vector<int> rows;
    for (const int row : lvwDownloads->SelectedRows()) {
        if ((DownloadRows->Row(row).Status == TDownload::StatusFailed) == failed)
            rows.push_back(row);
    }
    return rows;
}

void TfraDownloads::UpdateCommands() {
    m_preview->setEnabled(lvwDownloads->SelectedRow() >= 0);
    m_restart->setEnabled(!SelectedWithStatus(true).empty());
    // A complete row can be asked about too; the manager then does nothing.
    m_cancel->setEnabled(!SelectedWithStatus(false).empty());
    m_cancelAll->setEnabled(DownloadRows->RowsHeld() > 0);
    m_clear->setEnabled(DownloadRows->HasFinished());
}

void TfraDownloads::InitPage() {
    // The manager outlives the page at shutdown: an event that comes after the page is gone
    // finds no page and is dropped.
    TDownloadManager& manager = m_services.Downloads;
    const QPointer<TfraDownloads> page(this);
    manager.OnDownloadError = [page](const std::string& key) {
        if (page)
            page->HandleDownloadError(key);
    };
    manager.OnDownloadComplete = [page](const std::string& key) {
        if (page)
            page->HandleDownloadComplete(key);
    };
    manager.OnDownloadProgress = [page](const std::string& key, const TDownload& download) {
        if (page)
            page->HandleDownloadProgress(key, download);
    };
}

void TfraDownloads::Download(const TSearchResult& result) {
    // A link fetched before in this run and ended is fetched once more: the user asked for
    // it again (and was asked first when the song is in the play list).
    const bool again = m_services.Downloads.Find(result.Key) != nullptr &&
                       m_services.Downloads.DownloadAgain(result.Key);
    if (!again)
        m_services.Downloads.AddDownload(result);
    const TDownload* download = m_services.Downloads.Find(result.Key);
    if (download == nullptr)
        return;
    AddDownloadRow(*download);
    if (again)
        DownloadRows->Show(DownloadRows->RowOf(result.Key), *download);
}

void TfraDownloads::AddDownloadRow(const TDownload& download) {
    DownloadRows->List(download);
}

const TDownload* TfraDownloads::DownloadOf(int row) const {
    return row < 0 ? nullptr : m_services.Downloads.Find(DownloadRows->Row(row).Key);
}

void TfraDownloads::HandleDownloadProgress(const std::string& key, const TDownload& download) {
    const int row = DownloadRows->RowOf(key);
    if (row < 0)
        return;
    const int64_t shown = DownloadRows->Row(row).Received;
    if (download.Received - shown >= ProgressRefreshStep || download.Received == download.Size)
        DownloadRows->SetFigures(row, download.Size, download.Received, download.Speed, download.Progress);
}

void TfraDownloads::HandleDownloadError(const std::string& key) {
    const int row = DownloadRows->RowOf(key);
    const TDownload* download = m_services.Downloads.Find(key);
    if (row < 0)
        return;
    // The row shows what arrived before the end, not the last 32 KiB step, and no speed.
    if (download != nullptr)
        DownloadRows->SetFigures(row, download->Size, download->Received, 0, download->Progress);
    const QString reason = TDownloadsModel::DisplayText(download != nullptr ? download->FailReason : std::string());
    const bool cancelled = download != nullptr && download->Cancelled;
    DownloadRows->SetStatus(row, TDownload::StatusFailed, reason, cancelled);
    // The user's own cancel is no news to tell.
    if (!cancelled)
        emit DownloadEnded(DownloadRows->Row(row).Title, reason.isEmpty() ? QStringLiteral("failed") : reason);
}

void TfraDownloads::HandleDownloadComplete(const std::string& key) {
    const int row = DownloadRows->RowOf(key);
    if (row < 0)
        return;
    DownloadRows->SetStatus(row, TDownload::StatusComplete);
    // The play list names files of the download folder: the copy there may carry a number
    // or a cleaned name that the title lacks.
    if (const TDownload* download = m_services.Downloads.Find(key)) {
        m_checker->Check(download->FilePath);
        emit FileDownloaded(std::filesystem::path(download->FilePath).filename().string(), download->Size);
    }
    emit DownloadEnded(DownloadRows->Row(row).Title, {});
    if (m_services.Options.ClearDownloadsWhenComplete)
        ClearDownloaded();
}

void TfraDownloads::PreviewFile() {
    // The download's own file: the name in the incomplete folder may carry a number or a
    // cleaned name that the title lacks. Whether it exists is the player's concern.
    if (const TDownload* download = DownloadOf(lvwDownloads->SelectedRow()))
        emit PreviewRequested(download->FilePath);
}

void TfraDownloads::RestartSelected() {
    for (const int row : SelectedWithStatus(true))
        Restart(row);
}

void TfraDownloads::Restart(int row) {
    const TDownloadRow shown = DownloadRows->Row(row);
    DownloadRows->SetStatus(row, TDownload::StatusDownloading);
    DownloadRows->SetFigures(row, shown.Size, 0, shown.Speed, 0);
    m_services.Downloads.RestartDownload(shown.Key);
    // The manager refuses while the failed transfer's thread is still winding down: the row
    // must not then claim a download that never started.
    const TDownload* download = m_services.Downloads.Find(shown.Key);
    if (download == nullptr || download->Failed) {
        DownloadRows->SetStatus(row, TDownload::StatusFailed, shown.Reason, shown.Cancelled);
        DownloadRows->SetFigures(row, shown.Size, shown.Received, shown.Speed, shown.Progress);
    }
}

void TfraDownloads::CancelSelected() {
    const std::vector<int> rows = SelectedWithStatus(false);
    if (rows.empty())
        return;
    // One question for all of them.
    const QString question =
        rows.size() == 1 ? QStringLiteral("Do you really want to cancel this download ?\n") + DownloadRows->Row(rows[0]).Title
                         : QStringLiteral("Do you really want to cancel these %1 downloads ?").arg(rows.size());
    std::vector<std::string> keys;
    for (const int row : rows)
        keys.push_back(DownloadRows->Row(row).Key);
    if (!m_services.Prompts.Ask(this, question))
        return;
    for (const std::string& key : keys)
        m_services.Downloads.CancelDownload(key);
}

void TfraDownloads::CancelAll() {
    if (DownloadRows->RowsHeld() == 0)
        return;
    if (m_services.Prompts.Ask(this, QStringLiteral("Do you really want to cancel all downloads ?")))
        m_services.Downloads.CancelAllDownloads();
}

void TfraDownloads::ClearDownloaded() {
    const TPaintingSuspended suspended(lvwDownloads);
    DownloadRows->RemoveFinished();
}
