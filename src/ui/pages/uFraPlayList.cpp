#include "ui/pages/uFraPlayList.h"
#include "ui/pages/uWholeVersion.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <QAction>
#include <QMenu>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QVBoxLayout>

#include "core/uTAppOptions.h"
#include "core/uTFileUtils.h"
#include "core/uTrash.h"
#include "playlist/uTPlayListManager.h"
#include "ui/models/uListProxy.h"
#include "ui/widgets/uMediaPlayer.h"
#include "ui/widgets/uPageList.h"
#include "ui/models/uPlayListModel.h"
#include "ui/widgets/uPlayerBar.h"
#include "ui/widgets/uPlayerPanel.h"
#include "ui/widgets/uPrompts.h"
#include "desktop/uShell.h"

namespace {
// Deletes a plain file (or a link) for good; never a folder put in its place.
bool DeleteForGood(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode) && ::unlink(path.c_str()) == 0;
}
} // namespace

TfraPlayList::TfraPlayList(const TServices& services, std::unique_ptr<TMediaPlayer> player, QWidget* parent)
    : TPage(parent), m_services(services), m_model(new TPlayListModel(services.PlayList, this)) {
    setObjectName(QStringLiteral("fraPlayList1"));
    lvwPlayList = new TPageList(QStringLiteral("lvwPlayList"), tr("Play list"), m_model, this);
    pnlPlayer = new TPlayerPanel(std::move(player), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(lvwPlayList, 1);
    layout->addWidget(pnlPlayer);
    BuildCommands();
    connect(lvwPlayList, &QTreeView::doubleClicked, this, &TfraPlayList::PlaySelected);
    connect(lvwPlayList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TfraPlayList::UpdateCommands);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TfraPlayList::UpdateCommands);
    connect(&m_services.PlayList, &TPlayListManager::Reset, this, &TfraPlayList::ListMadeAnew);
    // Nothing loaded, nothing of the list plays.
    connect(&Player(), &TMediaPlayer::StateChanged, this, [this] {
        if (Player().Source().empty())
            m_model->SetPlaying({});
    });
    // A file played to its end is followed by the next one of the list.
    connect(&Player(), &TMediaPlayer::Finished, this, [this] {
        if (!m_model->Playing().empty())
            PlayNext();
    });
    connect(pnlPlayer->pnlTransport, &TPlayerBar::NextAsked, this, &TfraPlayList::PlayNext);
    connect(pnlPlayer->pnlTransport, &TPlayerBar::PreviousAsked, this, &TfraPlayList::PlayPrevious);
    connect(&services.PlayList, &TPlayListManager::Changed, this, &TfraPlayList::FileChanged);
    // The desktop's media controls follow the player and the list.
    connect(&Player(), &TMediaPlayer::StateChanged, this, &TfraPlayList::PlayerChanged);
    connect(&Player(), &TMediaPlayer::DurationChanged, this, &TfraPlayList::PlayerChanged);
    connect(lvwPlayList->Proxy(), &QAbstractItemModel::dataChanged, this, &TfraPlayList::PlayerChanged);
    connect(lvwPlayList->Proxy(), &QAbstractItemModel::layoutChanged, this, &TfraPlayList::PlayerChanged);
    UpdateCommands();
}

// The player lives in a child widget, which Qt destroys after this page's own
// members are gone; its last state change must not reach the page or its listeners.
TfraPlayList::~TfraPlayList() {
    disconnect(&Player(), nullptr, this, nullptr);
}

void TfraPlayList::FileChanged(int index) {
    const std::string& name = m_services.PlayList.File(index).FileName;
    if (name == m_model->Playing())
        pnlPlayer->SetCaption(m_model->DisplayName(index));
}

TfraPlayList::TStatus TfraPlayList::Status() const {
    switch (pnlPlayer->Player().PlaybackState()) {
    case TMediaPlayer::State::Playing:
        return TStatus::Playing;
    case TMediaPlayer::State::Paused:
        return TStatus::Paused;
    default:
        return TStatus::Stopped;
    }
}

TfraPlayList::TTrack TfraPlayList::Track() const {
    TTrack track;
    const std::string& source = pnlPlayer->Player().Source();
    track.Path = QFile::decodeName(QByteArray::fromStdString(source));
    if (source.empty())
        return track;
    const int row = m_model->Playing().empty() ? -1 : m_model->RowOfName(m_model->Playing());
    // A file without tags is named by its file name, without the extension; a name of the
    // form "Artist - Title" names both, as the sites name their songs.
    track.Title = QFileInfo(ShownText(LastPathSegment(source))).completeBaseName();
    if (track.Title.isEmpty())
        track.Title = ShownText(LastPathSegment(source));
    if (const int dash = track.Title.indexOf(QStringLiteral(" - ")); dash > 0) {
        track.Artist = track.Title.left(dash).trimmed();
        track.Title = track.Title.mid(dash + 3).trimmed();
    }
    track.LengthMs = pnlPlayer->Player().Duration();
    if (row >= 0) {
        const TContentVerdict& tags = m_model->File(row).Content;
        if (!tags.Title.empty())
            track.Title = ShownText(tags.Title);
        if (!tags.Artist.empty())
            track.Artist = ShownText(tags.Artist);
        track.Album = ShownText(tags.Album);
        if (track.LengthMs <= 0)
            track.LengthMs = tags.LengthMs;
    }
    return track;
}

qint64 TfraPlayList::PositionMs() const {
    return pnlPlayer->Player().Position();
}

int TfraPlayList::VolumePercent() const {
    return pnlPlayer->Player().Volume();
}

bool TfraPlayList::CanGoNext() const {
    return NeighbourOfPlaying(1) >= 0;
}

bool TfraPlayList::CanGoPrevious() const {
    return NeighbourOfPlaying(-1) >= 0;
}

// The desktop's commands run the player bar's own actions: one path for every control.
void TfraPlayList::Play() {
    if (Status() != TStatus::Playing)
        PlayPause();
}

void TfraPlayList::Pause() {
    if (Status() == TStatus::Playing)
        PlayPause();
}

void TfraPlayList::PlayPause() {
    pnlPlayer->pnlTransport->actPlayPause->trigger();
}

void TfraPlayList::Stop() {
    pnlPlayer->pnlTransport->actStop->trigger();
}

void TfraPlayList::Next() {
    pnlPlayer->pnlTransport->actNext->trigger();
}

void TfraPlayList::Previous() {
    pnlPlayer->pnlTransport->actPrevious->trigger();
}

void TfraPlayList::SetPositionMs(qint64 ms) {
    pnlPlayer->Player().SetPosition(ms);
}

void TfraPlayList::SetVolumePercent(int percent) {
    pnlPlayer->Player().SetVolume(percent);
    pnlPlayer->pnlTransport->ShowVolume();
}

void TfraPlayList::BuildCommands() {
    actPlayFile =
        AddCommand({"mnuActionsPlayListPlayFile", tr("Play File"), "tlbPlayFile", tr("Play File"),
                    "play-file", tr("Plays the selected file in the player")},
                   [this] { PlaySelected(); });
    actLaunchFile = AddCommand({"mnuActionsPlayListLaunchFile", tr("Launch File..."),
                                "tlbLaunchFile", tr("Launch File"), "launch-file",
                                tr("Opens the selected file in the desktop's program for it")},
                               [this] { LaunchSelected(); });
    AddSeparator(QStringLiteral("mnuActionsSep04"));
    actDeleteFile =
        AddCommand({"mnuActionsDeleteFile", tr("Delete File"), "tlbDeleteFile", tr("Delete File"),
                    "delete-file", tr("Moves the selected files to the trash")},
                   [this] { DeleteSelected(); });
    actRenameFile =
        AddCommand({"mnuActionsRenameFile", tr("Rename File..."), "tlbRenameFile",
                    tr("Rename File"), "rename-file", tr("Gives the selected file another name")},
                   [this] { RenameSelected(); });
    actLocate =
        AddCommand({"mnuActionsLocate", tr("Locate..."), "tlbLocate", tr("Locate Media Folder"),
                    "locate-folder", tr("Shows the download folder in the file manager")},
                   [this] { LocateFolder(); });
    AddSeparator(QStringLiteral("mnuActionsSep05"));
    actRefresh = AddCommand({"mnuActionsRefresh", tr("Refresh"), "tlbRefresh", tr("Refresh"),
                             "refresh", tr("Lists the download folder anew")},
                            [this] { RefreshList(); });
    // The pop-up menu names Locate for what it finds: the file's folder.
    auto* locateFile = new QAction(tr("Locate File..."), this);
    locateFile->setIcon(actLocate->icon());
    connect(locateFile, &QAction::triggered, actLocate, &QAction::trigger);
    QList<QAction*> items = MenuCommands();
    items.replace(items.indexOf(actLocate), locateFile);
    actFindWholeVersion = new QAction(tr("Find a Whole Version"), this);
    actFindWholeVersion->setObjectName(QStringLiteral("popFindWholeVersion"));
    connect(actFindWholeVersion, &QAction::triggered, this, [this] {
        if (const int row = lvwPlayList->SelectedRow(); row >= 0) {
            if (const auto quest = WholeVersionQuest(m_services.PlayList, RowPath(row)))
                emit WholeVersionWanted(quest->Key, quest->LongerThanMs);
        }
    });
    items.insert(2, actFindWholeVersion);
    QMenu* popup = MakePopup(QStringLiteral("popPlayList"), lvwPlayList, items);
    // Offered for a file the content check found a preview or cut short.
    connect(popup, &QMenu::aboutToShow, this, [this] {
        const int row = lvwPlayList->SelectedRow();
        actFindWholeVersion->setVisible(row >= 0 && WholeVersionQuest(m_services.PlayList, RowPath(row)).has_value());
    });
    BindKey(actPlayFile, QKeySequence(Qt::Key_Return), {lvwPlayList});
    BindKey(actDeleteFile, QKeySequence(Qt::Key_Delete), {lvwPlayList});
    BindKey(actRenameFile, QKeySequence(Qt::Key_F2), {lvwPlayList});
}

void TfraPlayList::UpdateCommands() {
    const bool selected = lvwPlayList->SelectedRow() >= 0;
    for (QAction* command : {actPlayFile, actLaunchFile, actDeleteFile, actRenameFile})
        command->setEnabled(selected);
}

TMediaPlayer& TfraPlayList::Player() {
    return pnlPlayer->Player();
}

void TfraPlayList::InitPage(const TSystemImageList& systemIcons) {
    m_model->SetIcons(systemIcons);
    lvwPlayList->setIconSize(systemIcons.IconSize());
    RefreshList();
}

std::string TfraPlayList::DownloadFolder() const {
    return m_services.Options.DownloadDir;
}

std::string TfraPlayList::RowPath(int row) const {
    return DownloadFolder() + "/" + m_model->File(row).FileName;
}

void TfraPlayList::RefreshList() {
    m_services.PlayList.SetFolder(DownloadFolder());
    m_services.PlayList.Refresh();
    if (m_services.PlayList.Count() == 0)
        lvwPlayList->SetEmptyText(tr("Listing the songs in %1...").arg(ShownFolder()));
}

QString TfraPlayList::ShownFolder() const {
    return QFile::decodeName(QByteArray::fromStdString(DownloadFolder()));
}

void TfraPlayList::ListMadeAnew() {
    lvwPlayList->SetEmptyText(
        tr("No songs yet: search for one and download it.\nSongs are kept in %1").arg(ShownFolder()));
    // By name, unless the user sorted the list otherwise: that order stays.
    if (const int tag = lvwPlayList->Proxy()->SortTag(); tag != 0)
        lvwPlayList->RestoreSort(tag);
}

void TfraPlayList::PlaySelected() {
    PlayRow(lvwPlayList->SelectedRow());
}

void TfraPlayList::PlayRow(int row) {
    if (row < 0)
        return;
    pnlPlayer->ClearMedia();
    pnlPlayer->PlayMedia(RowPath(row));
    pnlPlayer->SetCaption(m_model->DisplayName(row));
    m_model->SetPlaying(m_model->File(row).FileName);
    pnlPlayer->update();
    emit PlayerChanged();
}

void TfraPlayList::PlayMedia(const std::string& path) {
    // A file from elsewhere (a download still arriving): no row of the list plays.
    pnlPlayer->PlayMedia(path);
    m_model->SetPlaying({});
}

int TfraPlayList::NeighbourOfPlaying(int step) const {
    const int playing = m_model->Playing().empty() ? -1 : m_model->RowOfName(m_model->Playing());
    if (playing < 0)
        return -1;
    const TListProxy& shown = *lvwPlayList->Proxy();
    const int at = shown.mapFromSource(m_model->index(playing, 0)).row() + step;
    return at >= 0 && at < shown.rowCount() ? shown.SourceRow(at) : -1;
}

void TfraPlayList::PlayNext() {
    const int next = NeighbourOfPlaying(1);
    if (next >= 0)
        PlayRow(next);
    else
        m_model->SetPlaying({});
}

void TfraPlayList::PlayPrevious() {
    PlayRow(NeighbourOfPlaying(-1));
}

void TfraPlayList::LaunchSelected() {
    const int row = lvwPlayList->SelectedRow();
    if (row >= 0)
        OpenInShell(RowPath(row));
}

void TfraPlayList::LocateFolder() {
    OpenInShell(DownloadFolder());
}

void TfraPlayList::DeleteSelected() {
    std::vector<int> rows = lvwPlayList->SelectedRows();
    if (rows.empty())
        return;
    // One question for all of them, No by default; it says where the files go: the
    // desktop's trash (a disk without one is asked about again, file by file).
    const QString first = ShownText(m_model->File(rows.front()).FileName);
    const QString question = rows.size() == 1 ? tr("Move this file to the trash?\n%1").arg(first)
                                              : tr("Move these %n files to the trash?", nullptr,
                                                   static_cast<int>(rows.size()));
    if (!m_services.Prompts.Ask(this, question, {tr("Move to Trash"), tr("Keep")}, true))
        return;
    // From the last row up: a removed row does not move those still to go.
    std::sort(rows.rbegin(), rows.rend());
    for (const int row : rows) {
        if (RemoveFile(row))
            m_services.PlayList.Forget(row);
    }
    // The next file is not silently chosen for the next Delete.
    lvwPlayList->selectionModel()->clearSelection();
}

bool TfraPlayList::RemoveFile(int row) {
    const std::string path = RowPath(row);
    const QString name = ShownText(m_model->File(row).FileName);
    switch (MoveToTrash(path)) {
    case TTrashOutcome::Trashed:
        return true;
    case TTrashOutcome::NoTrash:
        // A disk without a trash: the file would be gone for good, which the user did not
        // agree to yet. No by default.
        if (!m_services.Prompts.Ask(
                this,
                tr("This file cannot be moved to the trash. Delete it permanently?\n%1").arg(name),
                {tr("Delete Permanently"), tr("Keep")}, true))
            return false;
        if (DeleteForGood(path))
            return true;
        break;
    case TTrashOutcome::Failed:
        break;
    }
    m_services.Prompts.Tell(this, QMessageBox::Warning, tr("Unable to delete\n%1").arg(name));
    return false;
}

void TfraPlayList::RenameSelected() {
    const int row = lvwPlayList->SelectedRow();
    if (row < 0)
        return;
    const std::string oldName = m_model->File(row).FileName;
    const QString shown = ShownText(oldName);
    const std::optional<QString> typed = m_services.Prompts.AskText(
        this, tr("Rename File"), tr("Enter the new name for the file."), shown);
    // Cancelled or unchanged: the file keeps its name (also a name that is not UTF-8,
    // which the box can only show approximately).
    if (!typed || *typed == shown)
        return;
    const QByteArray bytes = typed->toUtf8();
    const std::string newName(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (!m_services.PlayList.Rename(row, newName))
        m_services.Prompts.Tell(this, QMessageBox::Warning, tr("Unable to rename the file."));
}
