#include "ui/uFraPlayList.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <QEvent>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "startup/uIncludes.h"
#include "ui/uArtwork.h"
#include "ui/uMediaPlayer.h"
#include "ui/uPageList.h"
#include "ui/uPlayListModel.h"
#include "ui/uPlainText.h"
#include "ui/uPlayerBar.h"
#include "ui/uShell.h"
#include "ui/uSystemIcons.h"

namespace {
constexpr int kButtonSize = 22;
constexpr int kMediaWidth = 420; // wide enough for the transport bar's time labels and sliders

QToolButton* MakePlayerButton(const QString& name, const QString& hint, const QString& glyph,
                              QWidget* parent) {
    QToolButton* button = MakeGlyphButton(name, hint, glyph, kButtonSize, parent);
    button->setIconSize(QSize(16, 16));
    return button;
}

// A panel that paints its own background rather than showing its parent's.
QWidget* MakePanel(const QString& name, QWidget* parent) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setAutoFillBackground(true);
    return panel;
}

int ShowMessage(QWidget* owner, QMessageBox::Icon icon, const QString& text,
                QMessageBox::StandardButtons buttons) {
    return MakeMessageBox(icon, text, buttons, owner)->exec();
}

std::string BareName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

TPlayListRow MakeRow(const std::string& name, int64_t size) {
    return TPlayListRow{name, size, GetFileIconIndex(ShownText(name))};
}

// Every plain file of `folder` (hidden ones and links to files included; no folders), in
// the order the file system lists them. A missing or unreadable folder lists nothing.
std::vector<TPlayListRow> ListFolder(const std::string& folder) {
    std::vector<TPlayListRow> rows;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        struct stat info {};
        if (::stat(it->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        rows.push_back(MakeRow(it->path().filename().string(), static_cast<int64_t>(info.st_size)));
    }
    return rows;
}

bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}
} // namespace

bool RenameInFolder(const std::string& folder, const std::string& from, const std::string& to) {
    if (!IsPlainName(from) || !IsPlainName(to))
        return false;
    const std::string source = folder + "/" + from;
    const std::string target = folder + "/" + to;
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the no-replace rename: a hard link fails just as surely when
    // the name is taken.
    if (::link(source.c_str(), target.c_str()) != 0)
        return false;
    if (::unlink(source.c_str()) != 0) {
        ::unlink(target.c_str());
        return false;
    }
    return true;
}

TfraPlayList::TfraPlayList(QWidget* parent)
    : TfraPlayList(std::make_unique<TQtMediaPlayer>(), parent) {}

TfraPlayList::TfraPlayList(std::unique_ptr<TMediaPlayer> player, QWidget* parent)
    : QWidget(parent),
      lvwPlayList(new TPageList(
          QStringLiteral("lvwPlayList"), QStringLiteral("Play list"),
          {QStringLiteral("Type"), QStringLiteral("File Name"), QStringLiteral("File Size")},
          this)),
      m_player(std::move(player)), m_model(new TPlayListModel(this)) {
    setObjectName(QStringLiteral("fraPlayList1"));
    lvwPlayList->UseModel(m_model);
    lvwPlayList->setItemDelegate(new TPlayListDelegate(lvwPlayList));
    lvwPlayList->setContextMenuPolicy(Qt::CustomContextMenu);
    lvwPlayList->header()->setSectionsClickable(true);
    connect(lvwPlayList->header(), &QHeaderView::sectionClicked, this, &TfraPlayList::SortBy);
    connect(lvwPlayList, &QTreeView::doubleClicked, this, [this] { PlaySelected(); });
    connect(lvwPlayList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        popPlayList->popup(lvwPlayList->viewport()->mapToGlobal(at));
    });

    BuildPlayer();
    BuildMenu();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(lvwPlayList, 1);
    layout->addWidget(pnlPlayer);
}

// The player goes before the widgets that show its picture.
TfraPlayList::~TfraPlayList() = default;

void TfraPlayList::BuildPlayer() {
    pnlPlayer = MakePanel(QStringLiteral("pnlPlayer"), this);
    pnlPlayer->installEventFilter(this);
    pnlMediaPlayer = MakePanel(QStringLiteral("pnlMediaPlayer"), pnlPlayer);
    pnlTransport = new TPlayerBar(*m_player, pnlMediaPlayer);
    m_video = m_player->VideoArea();
    auto* media = new QVBoxLayout(pnlMediaPlayer);
    media->setContentsMargins(0, 0, 0, 0);
    media->setSpacing(2);
    if (m_video != nullptr)
        media->addWidget(m_video, 1);
    media->addStretch(0);
    media->addWidget(pnlTransport);
    // Queued: the picture finishes its own way back from full screen (it shows itself)
    // before the page decides whether the low player hides it again.
    connect(
        m_player.get(), &TMediaPlayer::FullScreenChanged, this,
        [this](bool fullScreen) {
            if (!fullScreen)
                ShowVideoArea();
        },
        Qt::QueuedConnection);

    pnlButtons = MakePanel(QStringLiteral("pnlButtons"), pnlPlayer);
    cmdClearPlayer =
        MakePlayerButton(QStringLiteral("cmdClearPlayer"), QStringLiteral("Clear Media"),
                         QStringLiteral("clear-media"), pnlButtons);
    cmdFullScreen = MakePlayerButton(QStringLiteral("cmdFullScreen"), QStringLiteral("Full Screen"),
                                     QStringLiteral("full-screen"), pnlButtons);
    cmdSizePlayer = MakePlayerButton(QStringLiteral("cmdSizePlayer"), QStringLiteral("Size Player"),
                                     QStringLiteral("expand"), pnlButtons);
    cmdSizePlayer->setProperty("glyph", QStringLiteral("expand"));
    auto* buttons = new QHBoxLayout(pnlButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(0);
    buttons->addWidget(cmdClearPlayer);
    buttons->addWidget(cmdFullScreen);
    buttons->addWidget(cmdSizePlayer);
    connect(cmdClearPlayer, &QToolButton::clicked, this, &TfraPlayList::ClearMedia);
    connect(cmdFullScreen, &QToolButton::clicked, this, &TfraPlayList::ShowFullScreen);
    connect(cmdSizePlayer, &QToolButton::clicked, this, &TfraPlayList::SizePlayer);

    lblFileName = new QLabel(QStringLiteral("No media loaded"), pnlPlayer);
    lblFileName->setObjectName(QStringLiteral("lblFileName"));
    lblFileName->setAlignment(Qt::AlignCenter);
    lblFileName->setTextFormat(Qt::PlainText);
    SetPlayerHeight(kPlayerLow);
}

void TfraPlayList::BuildMenu() {
    popPlayList = new QMenu(this);
    popPlayList->setObjectName(QStringLiteral("popPlayList"));
    const auto addItem = [this](const QString& caption, int tag) {
        QAction* item = popPlayList->addAction(caption);
        item->setData(tag);
        connect(item, &QAction::triggered, this, [this, tag] { MediaAction(tag); });
    };
    addItem(QStringLiteral("Play File"), 8);
    addItem(QStringLiteral("Launch File..."), 9);
    popPlayList->addSeparator();
    addItem(QStringLiteral("Delete File"), 10);
    addItem(QStringLiteral("Rename File..."), 11);
    addItem(QStringLiteral("Locate File..."), 12);
    popPlayList->addSeparator();
    addItem(QStringLiteral("Refresh"), 13);
}

void TfraPlayList::MediaAction(int tag) {
    switch (tag) {
    case 8:
        PlaySelected();
        break;
    case 9:
        LaunchSelected();
        break;
    case 10:
        DeleteSelected();
        break;
    case 11:
        RenameSelected();
        break;
    case 12:
        LocateFolder();
        break;
    case 13:
        RefreshList();
        break;
    default:
        break;
    }
}

bool TfraPlayList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pnlPlayer && event->type() == QEvent::Resize)
        LayOutPlayer();
    return QWidget::eventFilter(watched, event);
}

void TfraPlayList::LayOutPlayer() {
    const int width = pnlPlayer->width();
    const int height = pnlPlayer->height();
    const int labelHeight = lblFileName->sizeHint().height();
    const int buttonsWidth = 3 * kButtonSize;
    pnlButtons->setGeometry(width - buttonsWidth - 2, 2, buttonsWidth, kButtonSize);
    lblFileName->setGeometry(0, height - labelHeight - 2, width, labelHeight);
    // The player stays centred and clear of the buttons on a narrow page.
    const int mediaWidth = qMax(0, qMin(kMediaWidth, width - 2 * (buttonsWidth + 8)));
    pnlMediaPlayer->setGeometry((width - mediaWidth) / 2, 2, mediaWidth,
                                qMax(0, height - labelHeight - 6));
}

void TfraPlayList::SetPlayerHeight(int height) {
    pnlPlayer->setFixedHeight(height);
    ShowVideoArea();
}

// The picture shows only in the high player; the low one holds just the transport bar.
void TfraPlayList::ShowVideoArea() {
    if (m_video == nullptr || m_video->isWindow())
        return;
    m_video->setVisible(pnlPlayer->height() == kPlayerHigh);
    LayOutPlayer();
    // Back from full screen the picture is a child again: place it anew.
    pnlMediaPlayer->layout()->activate();
}

void TfraPlayList::SizePlayer() {
    const bool high = pnlPlayer->height() == kPlayerHigh;
    const QString glyph = high ? QStringLiteral("expand") : QStringLiteral("collapse");
    cmdSizePlayer->setIcon(ArtworkIcon(glyph));
    cmdSizePlayer->setProperty("glyph", glyph);
    SetPlayerHeight(high ? kPlayerLow : kPlayerHigh);
    pnlMediaPlayer->update();
}

void TfraPlayList::InitPage(const TSystemImageList& systemIcons) {
    m_model->SetIcons(systemIcons);
    lvwPlayList->setIconSize(systemIcons.IconSize());
    RefreshList();
}

std::string TfraPlayList::DownloadFolder() const {
    return AppOptions ? AppOptions->DownloadDir : std::string();
}

std::string TfraPlayList::RowPath(int row) const {
    return DownloadFolder() + "/" + m_model->Row(row).Name;
}

int TfraPlayList::SelectedRow() const {
    const QModelIndexList rows = lvwPlayList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TfraPlayList::RefreshList() {
    const std::string folder = DownloadFolder();
    m_model->Reset(folder.empty() ? std::vector<TPlayListRow>{} : ListFolder(folder));
    lvwPlayList->SortTag = 0;
    lvwPlayList->header()->setSortIndicatorShown(false);
}

void TfraPlayList::AddFileRow(const std::string& name, int64_t size) {
    m_model->Append(MakeRow(name, size));
}

void TfraPlayList::SortBy(int column) {
    lvwPlayList->SortTag = NextSortTag(lvwPlayList->SortTag, column);
    m_model->SortByTag(lvwPlayList->SortTag);
    lvwPlayList->header()->setSortIndicatorShown(true);
    lvwPlayList->header()->setSortIndicator(column, lvwPlayList->SortTag > 0 ? Qt::AscendingOrder
                                                                             : Qt::DescendingOrder);
}

void TfraPlayList::PlaySelected() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    ClearMedia();
    PlayMedia(RowPath(row));
    pnlPlayer->update();
}

void TfraPlayList::PlayMedia(const std::string& path) {
    m_player->Load(path);
    lblFileName->setText(ShownText(BareName(path)));
}

void TfraPlayList::ClearMedia() {
    m_player->Load(std::string());
    lblFileName->setText(QStringLiteral("No media loaded"));
}

void TfraPlayList::ShowFullScreen() {
    // Nothing loaded: nothing to show, and no message about it.
    m_player->ShowFullScreen();
}

void TfraPlayList::LaunchSelected() {
    const int row = SelectedRow();
    if (row >= 0)
        OpenInShell(RowPath(row));
}

void TfraPlayList::LocateFolder() {
    OpenInShell(DownloadFolder());
}

void TfraPlayList::DeleteSelected() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    const QString name = ShownText(m_model->Row(row).Name);
    if (ShowMessage(this, QMessageBox::Question,
                    QStringLiteral("Do you really want to delete this file ?\n") + name,
                    QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    // unlink, not a general remove: a folder put in the file's place is never deleted.
    if (::unlink(RowPath(row).c_str()) == 0) {
        m_model->RemoveRow(row);
        // The next file is not silently chosen for the next Delete.
        lvwPlayList->selectionModel()->clearSelection();
    } else
        ShowMessage(this, QMessageBox::Warning, QStringLiteral("Unable to delete\n") + name,
                    QMessageBox::Ok);
}

void TfraPlayList::RenameSelected() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    const std::string oldName = m_model->Row(row).Name;
    const QString shown = ShownText(oldName);
    QInputDialog box(this);
    box.setWindowTitle(QStringLiteral("Rename File"));
    box.setLabelText(QStringLiteral("Enter the new name for the file."));
    box.setTextValue(shown);
    // Wide enough for a whole song title.
    box.resize(qMax(box.sizeHint().width(), 400), box.sizeHint().height());
    const bool accepted = box.exec() == QDialog::Accepted;
    const QString typed = box.textValue();
    // Cancelled or unchanged: the file keeps its name (also a name that is not UTF-8,
    // which the box can only show approximately).
    if (!accepted || typed == shown)
        return;
    const QByteArray bytes = typed.toUtf8();
    const std::string newName(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (RenameInFolder(DownloadFolder(), oldName, newName))
        m_model->SetName(row, newName);
    else
        ShowMessage(this, QMessageBox::Warning, QStringLiteral("Unable to rename the file."),
                    QMessageBox::Ok);
}
