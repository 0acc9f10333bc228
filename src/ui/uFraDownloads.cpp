#include "ui/uFraDownloads.h"

#include <algorithm>
#include <filesystem>

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

#include "core/uTAppOptions.h"
#include "download/uTDownload.h"
#include "download/uTDownloadManager.h"
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
    rowsChanged();
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
    int running = 0;
    int64_t speed = 0;
    int64_t left = 0;
    for (int row = 0; row < DownloadRows->RowsHeld(); ++row) {
        const TDownloadRow& shown = DownloadRows->Row(row);
        if (shown.Status != TDownload::StatusDownloading)
            continue;
        ++running;
        speed += shown.Speed;
        left += std::max<int64_t>(0, shown.Size - shown.Received);
    }
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

void TfraDownloads::UpdateCommands() {
    const int row = lvwDownloads->SelectedRow();
    const int status = row < 0 ? -1 : DownloadRows->Row(row).Status;
    m_preview->setEnabled(row >= 0);
    m_restart->setEnabled(status == TDownload::StatusFailed);
    m_cancel->setEnabled(status == TDownload::StatusDownloading);
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
    const std::string url = result.Url;
    m_services.Downloads.AddDownload(result);
    // The download of that link, whether just made or made before.
    if (const TDownload* download = m_services.Downloads.Find(url); download != nullptr && download->Url == url)
        AddDownloadRow(*download);
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
    if (row >= 0)
        DownloadRows->SetStatus(row, TDownload::StatusFailed, download != nullptr ? download->FailReason : std::string());
}

void TfraDownloads::HandleDownloadComplete(const std::string& key) {
    const int row = DownloadRows->RowOf(key);
    if (row < 0)
        return;
    DownloadRows->SetStatus(row, TDownload::StatusComplete);
    // The play list names files of the download folder: the copy there may carry a number
    // or a cleaned name that the title lacks.
    if (const TDownload* download = m_services.Downloads.Find(key))
        emit FileDownloaded(std::filesystem::path(download->FilePath).filename().string(), download->Size);
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
    const int row = lvwDownloads->SelectedRow();
    if (row < 0 || DownloadRows->Row(row).Status != TDownload::StatusFailed)
        return;
    const TDownloadRow shown = DownloadRows->Row(row);
    DownloadRows->SetStatus(row, TDownload::StatusDownloading);
    DownloadRows->SetFigures(row, shown.Size, 0, shown.Speed, 0);
    m_services.Downloads.RestartDownload(shown.Key);
    // The manager refuses while the failed transfer's thread is still winding down: the row
    // must not then claim a download that never started.
    const TDownload* download = m_services.Downloads.Find(shown.Key);
    if (download == nullptr || download->Failed) {
        DownloadRows->SetStatus(row, TDownload::StatusFailed);
        DownloadRows->SetFigures(row, shown.Size, shown.Received, shown.Speed, shown.Progress);
    }
}

void TfraDownloads::CancelSelected() {
    const int row = lvwDownloads->SelectedRow();
    if (row < 0 || DownloadRows->Row(row).Status == TDownload::StatusFailed)
        return;
    const TDownloadRow& shown = DownloadRows->Row(row);
    const QString question = QStringLiteral("Do you really want to cancel this download ?\n") + shown.Title;
    const std::string key = shown.Key;
    if (m_services.Prompts.Ask(this, question))
        m_services.Downloads.CancelDownload(key);
}

void TfraDownloads::CancelAll() {
    if (DownloadRows->RowsHeld() == 0)
        return;
    if (m_services.Prompts.Ask(this, QStringLiteral("Do you really want to cancel all downloads ?")))
        m_services.Downloads.CancelAllDownloads();
}

void TfraDownloads::ClearDownloaded() {
    // Only what was turned off here is turned on again.
    const bool wasEnabled = !lvwDownloads->testAttribute(Qt::WA_ForceUpdatesDisabled);
    lvwDownloads->setUpdatesEnabled(false);
    DownloadRows->RemoveFinished();
    lvwDownloads->setUpdatesEnabled(wasEnabled);
}
