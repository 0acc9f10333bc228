#include "ui/uFraDownloads.h"

#include <filesystem>

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QVBoxLayout>

#include "download/uTDownload.h"
#include "download/uTDownloadManager.h"
#include "startup/uIncludes.h"
#include "ui/uArtwork.h"
#include "ui/uDownloadsDelegate.h"
#include "ui/uDownloadsModel.h"
#include "ui/uFraPlayList.h"
#include "ui/uPageList.h"
#include "ui/uPlainText.h"

namespace {
const char* const kTag = "Tag";
} // namespace

TfraDownloads::TfraDownloads(QWidget* parent)
    : QWidget(parent),
      lvwDownloads(
          new TPageList(QStringLiteral("lvwDownloads"), QStringLiteral("Downloads"),
                        {QStringLiteral("Status"), QStringLiteral("Title"), QStringLiteral("Size"),
                         QStringLiteral("Received"), QStringLiteral("Speed"),
                         QStringLiteral("Progress"), QStringLiteral("Key")},
                        this)),
      Rows(new TDownloadsModel(this)), popDownloads(new QMenu(this)) {
    setObjectName(QStringLiteral("fraDownloads1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(lvwDownloads);

    lvwDownloads->UseModel(Rows);
    lvwDownloads->setItemDelegate(new TDownloadsDelegate(lvwDownloads));
    lvwDownloads->header()->setSectionsClickable(true);
    connect(lvwDownloads->header(), &QHeaderView::sectionClicked, this,
            &TfraDownloads::ColumnClick);
    connect(lvwDownloads, &QAbstractItemView::doubleClicked, this, &TfraDownloads::PreviewFile);

    popDownloads->setObjectName(QStringLiteral("popDownloads"));
    AddMenuItem(QStringLiteral("popDownloadsPreviewFile"), QStringLiteral("Preview File"), 3,
                QStringLiteral("preview-file"));
    popDownloads->addSeparator()->setObjectName(QStringLiteral("popDownloadsSep01"));
    AddMenuItem(QStringLiteral("popDownloadsRestartDownload"), QStringLiteral("Restart Download"),
                4, QStringLiteral("restart-download"));
    AddMenuItem(QStringLiteral("popDownloadsCancelDownload"), QStringLiteral("Cancel Download"), 5,
                QStringLiteral("cancel-download"));
    AddMenuItem(QStringLiteral("popDownloadsCancelAllDownloads"),
                QStringLiteral("Cancel All Downloads"), 6, QStringLiteral("cancel-all-downloads"));
    popDownloads->addSeparator()->setObjectName(QStringLiteral("popDownloadsSep02"));
    AddMenuItem(QStringLiteral("popDownloadsClearDownloaded"), QStringLiteral("Clear Downloaded"),
                7, QStringLiteral("clear-downloaded"));
    lvwDownloads->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvwDownloads, &QWidget::customContextMenuRequested, this, &TfraDownloads::ShowMenu);

    AddFileToPlayList = [this](const std::string& name, int64_t size) {
        if (PlayList != nullptr)
            PlayList->AddFileRow(name, size);
    };
    PlayInPlayer = [this](const std::string& path) {
        if (PlayList != nullptr)
            PlayList->PlayMedia(path);
    };
    Confirm = [this](const QString& text) {
        return MakeMessageBox(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, this)
                   ->exec() == QMessageBox::Yes;
    };
}

QAction* TfraDownloads::AddMenuItem(const QString& name, const QString& caption, int tag,
                                    const QString& icon) {
    QAction* item = popDownloads->addAction(ArtworkIcon(icon), caption);
    item->setObjectName(name);
    item->setProperty(kTag, tag);
    connect(item, &QAction::triggered, this, [this, item] { MenuAction(item); });
    return item;
}

void TfraDownloads::ShowMenu(const QPoint& position) {
    popDownloads->popup(lvwDownloads->viewport()->mapToGlobal(position));
}

void TfraDownloads::InitPage() {
    if (!DownloadManager)
        return;
    // The manager outlives the page at shutdown: an event that comes after the page is gone
    // finds no page and is dropped.
    const QPointer<TfraDownloads> page(this);
    DownloadManager->OnDownloadError = [page](const std::string& key) {
        if (page)
            page->HandleDownloadError(key);
    };
    DownloadManager->OnDownloadComplete = [page](const std::string& key) {
        if (page)
            page->HandleDownloadComplete(key);
    };
    DownloadManager->OnDownloadProgress = [page](const std::string& key,
                                                 const TDownload& download) {
        if (page)
            page->HandleDownloadProgress(key, download);
    };
}

void TfraDownloads::AddDownloadRow(const TDownload& download) {
    int64_t rowKey = 0;
    if (const auto known = m_rowKeyOfKey.find(download.Url); known != m_rowKeyOfKey.end()) {
        if (Rows->RowOfKey(known->second) >= 0)
            return; // listed already: events would reach only the first row anyway
        rowKey = known->second;
    } else {
        rowKey = m_nextRowKey++;
        m_rowKeyOfKey.emplace(download.Url, rowKey);
        m_keyOfRowKey.emplace(rowKey, download.Url);
        if (DownloadRows)
            DownloadRows->Add(std::to_string(rowKey) + "*" + download.Url);
    }
    // A row that comes back shows the download as it stands (complete, failed ...): the
    // manager will send nothing more for a finished one.
    Rows->Append({rowKey, download.Status(), download.FileName, download.Size, download.Received,
                  download.Speed, download.Progress});
}

int TfraDownloads::FindDownloadRow(const std::string& key) const {
    const auto known = m_rowKeyOfKey.find(key);
    return known == m_rowKeyOfKey.end() ? -1 : Rows->RowOfKey(known->second);
}

std::string TfraDownloads::KeyOfRow(int row) const {
    const auto known = m_keyOfRowKey.find(Rows->Row(row).RowKey);
    return known == m_keyOfRowKey.end() ? std::string() : known->second;
}

int TfraDownloads::SelectedRow() const {
    const QModelIndexList selected = lvwDownloads->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void TfraDownloads::HandleDownloadProgress(const std::string& key, const TDownload& download) {
    const int row = FindDownloadRow(key);
    if (row < 0)
        return;
    const int64_t shown = Rows->Row(row).Received;
    if (download.Received - shown >= ProgressRefreshStep || download.Received == download.Size)
        Rows->SetFigures(row, download.Size, download.Received, download.Speed, download.Progress);
}

void TfraDownloads::HandleDownloadError(const std::string& key) {
    const int row = FindDownloadRow(key);
    if (row >= 0)
        Rows->SetStatus(row, TDownload::StatusFailed);
}

void TfraDownloads::HandleDownloadComplete(const std::string& key) {
    const int row = FindDownloadRow(key);
    if (row < 0)
        return;
    Rows->SetStatus(row, TDownload::StatusComplete);
    // The play list names files of the download folder: the copy there may carry a number
    // or a cleaned name that the title lacks.
    std::string name = Rows->Row(row).Title;
    int64_t size = Rows->Row(row).Size;
    if (const TDownload* download = DownloadManager ? DownloadManager->Find(key) : nullptr) {
        name = std::filesystem::path(download->FilePath).filename().string();
        size = download->Size;
    }
    if (AddFileToPlayList)
        AddFileToPlayList(name, size);
    if (AppOptions && AppOptions->ClearDownloadsWhenComplete)
        ClearDownloaded();
}

void TfraDownloads::MenuAction(QObject* sender) {
    switch (sender == nullptr ? 0 : sender->property(kTag).toInt()) {
    case 3:
        PreviewFile();
        break;
    case 4:
        RestartSelected();
        break;
    case 5:
        CancelSelected();
        break;
    case 6:
        CancelAll();
        break;
    case 7:
        ClearDownloaded();
        break;
    default:
        break;
    }
}

void TfraDownloads::PreviewFile() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    // The download's own file: the name in the incomplete folder may carry a number or a
    // cleaned name that the title lacks. Whether it exists is the player's concern.
    const std::string key = KeyOfRow(row);
    std::string path;
    if (const TDownload* download =
            DownloadManager && !key.empty() ? DownloadManager->Find(key) : nullptr)
        path = download->FilePath;
    else
        path = (AppOptions ? AppOptions->IncompleteDir : std::string()) + "/" +
               SafeFileName(Rows->Row(row).Title);
    if (PlayInPlayer)
        PlayInPlayer(path);
}

void TfraDownloads::RestartSelected() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    const std::string key = KeyOfRow(row);
    const TDownloadRow shown = Rows->Row(row);
    if (shown.Status != TDownload::StatusFailed || key.empty())
        return;
    Rows->SetStatus(row, TDownload::StatusDownloading);
    Rows->SetFigures(row, shown.Size, 0, shown.Speed, 0);
    if (DownloadManager)
        DownloadManager->RestartDownload(key);
    // The manager refuses while the failed transfer's thread is still winding down: the row
    // must not then claim a download that never started.
    const TDownload* download = DownloadManager ? DownloadManager->Find(key) : nullptr;
    if (download == nullptr || download->Failed) {
        Rows->SetStatus(row, TDownload::StatusFailed);
        Rows->SetFigures(row, shown.Size, shown.Received, shown.Speed, shown.Progress);
    }
}

void TfraDownloads::CancelSelected() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    const std::string key = KeyOfRow(row);
    if (Rows->Row(row).Status == TDownload::StatusFailed || key.empty())
        return;
    const QString question = QStringLiteral("Do you really want to cancel this download ?\n") +
                             TDownloadsModel::DisplayText(Rows->Row(row).Title);
    if (Confirm && Confirm(question) && DownloadManager)
        DownloadManager->CancelDownload(key);
}

void TfraDownloads::CancelAll() {
    if (Rows->rowCount() == 0)
        return;
    if (Confirm && Confirm(QStringLiteral("Do you really want to cancel all downloads ?")) &&
        DownloadManager)
        DownloadManager->CancelAllDownloads();
}

void TfraDownloads::ClearDownloaded() {
    // Only what was turned off here is turned on again.
    const bool wasEnabled = !lvwDownloads->testAttribute(Qt::WA_ForceUpdatesDisabled);
    lvwDownloads->setUpdatesEnabled(false);
    Rows->RemoveFinished();
    lvwDownloads->setUpdatesEnabled(wasEnabled);
}

void TfraDownloads::ColumnClick(int column) {
    lvwDownloads->SortTag = NextSortTag(lvwDownloads->SortTag, column);
    Rows->Sort(lvwDownloads->SortTag);
}
