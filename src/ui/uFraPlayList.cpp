#include "ui/uFraPlayList.h"

#include <unistd.h>

#include <QAction>
#include <QFile>
#include <QItemSelectionModel>
#include <QVBoxLayout>

#include "core/uTAppOptions.h"
#include "core/uTFileUtils.h"
#include "playlist/uTPlayListManager.h"
#include "ui/uListProxy.h"
#include "ui/uMediaPlayer.h"
#include "ui/uPageList.h"
#include "ui/uPlayListModel.h"
#include "ui/uPlayerPanel.h"
#include "ui/uPrompts.h"
#include "ui/uShell.h"

TfraPlayList::TfraPlayList(const TServices& services, QWidget* parent)
    : TfraPlayList(services, std::make_unique<TQtMediaPlayer>(), parent) {}

TfraPlayList::TfraPlayList(const TServices& services, std::unique_ptr<TMediaPlayer> player, QWidget* parent)
    : TPage(parent), m_services(services), m_model(new TPlayListModel(services.PlayList, this)) {
    setObjectName(QStringLiteral("fraPlayList1"));
    lvwPlayList = new TPageList(QStringLiteral("lvwPlayList"), QStringLiteral("Play list"), m_model, this);
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
    UpdateCommands();
}

void TfraPlayList::BuildCommands() {
    m_play = AddCommand({8, "mnuActionsPlayListPlayFile", QStringLiteral("Play File"), "tlbPlayFile",
                         QStringLiteral("Play File"), "play-file"},
                        [this] { PlaySelected(); });
    m_launch = AddCommand({9, "mnuActionsPlayListLaunchFile", QStringLiteral("Launch File..."), "tlbLaunchFile",
                           QStringLiteral("Launch File"), "launch-file"},
                          [this] { LaunchSelected(); });
    AddSeparator(QStringLiteral("mnuActionsSep04"));
    m_delete = AddCommand({10, "mnuActionsDeleteFile", QStringLiteral("Delete File"), "tlbDeleteFile",
                           QStringLiteral("Delete File"), "delete-file"},
                          [this] { DeleteSelected(); });
    m_rename = AddCommand({11, "mnuActionsRenameFile", QStringLiteral("Rename File..."), "tlbRenameFile",
                           QStringLiteral("Rename File"), "rename-file"},
                          [this] { RenameSelected(); });
    QAction* locate = AddCommand({12, "mnuActionsLocate", QStringLiteral("Locate..."), "tlbLocate",
                                  QStringLiteral("Locate Media Folder"), "locate-folder"},
                                 [this] { LocateFolder(); });
    AddSeparator(QStringLiteral("mnuActionsSep05"));
    AddCommand({13, "mnuActionsRefresh", QStringLiteral("Refresh"), "tlbRefresh", QStringLiteral("Refresh"), "refresh"},
               [this] { RefreshList(); });
    // The pop-up menu names Locate for what it finds: the file's folder.
    auto* locateFile = new QAction(QStringLiteral("Locate File..."), this);
    locateFile->setData(locate->data());
    locateFile->setIcon(locate->icon());
    connect(locateFile, &QAction::triggered, locate, &QAction::trigger);
    QList<QAction*> items = MenuCommands();
    items.replace(items.indexOf(locate), locateFile);
    MakePopup(QStringLiteral("popPlayList"), lvwPlayList, items);
}

void TfraPlayList::UpdateCommands() {
    const bool selected = lvwPlayList->SelectedRow() >= 0;
    for (QAction* command : {m_play, m_launch, m_delete, m_rename})
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
    m_services.PlayList.Folder = DownloadFolder() + "/";
    m_model->Refresh();
    lvwPlayList->SetEmptyText(QStringLiteral("No songs yet: search for one and download it.\nSongs are kept in %1")
                                  .arg(QFile::decodeName(QByteArray::fromStdString(DownloadFolder()))));
    // A previous sort does not carry over.
    lvwPlayList->Proxy()->ForgetSort();
}

void TfraPlayList::AddFileRow(const std::string& name, int64_t size) {
    m_model->Append(name, size);
}

void TfraPlayList::PlaySelected() {
    const int row = lvwPlayList->SelectedRow();
    if (row < 0)
        return;
    pnlPlayer->ClearMedia();
    PlayMedia(RowPath(row));
    pnlPlayer->update();
}

void TfraPlayList::PlayMedia(const std::string& path) {
    pnlPlayer->PlayMedia(path);
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
    const int row = lvwPlayList->SelectedRow();
    if (row < 0)
        return;
    const QString name = ShownText(m_model->File(row).FileName);
    if (!m_services.Prompts.Ask(this, QStringLiteral("Do you really want to delete this file ?\n") + name))
        return;
    // unlink, not a general remove: a folder put in the file's place is never deleted.
    if (::unlink(RowPath(row).c_str()) == 0) {
        m_model->Remove(row);
        // The next file is not silently chosen for the next Delete.
        lvwPlayList->selectionModel()->clearSelection();
    } else {
        m_services.Prompts.Tell(this, QMessageBox::Warning, QStringLiteral("Unable to delete\n") + name);
    }
}

void TfraPlayList::RenameSelected() {
    const int row = lvwPlayList->SelectedRow();
    if (row < 0)
        return;
    const std::string oldName = m_model->File(row).FileName;
    const QString shown = ShownText(oldName);
    const std::optional<QString> typed = m_services.Prompts.AskText(
        this, QStringLiteral("Rename File"), QStringLiteral("Enter the new name for the file."), shown);
    // Cancelled or unchanged: the file keeps its name (also a name that is not UTF-8,
    // which the box can only show approximately).
    if (!typed || *typed == shown)
        return;
    const QByteArray bytes = typed->toUtf8();
    const std::string newName(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (RenameInFolder(DownloadFolder(), oldName, newName))
        m_model->Rename(row, newName);
    else
        m_services.Prompts.Tell(this, QMessageBox::Warning, QStringLiteral("Unable to rename the file."));
}
