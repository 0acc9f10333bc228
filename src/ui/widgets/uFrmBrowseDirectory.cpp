#include "ui/widgets/uFrmBrowseDirectory.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/uTFileUtils.h"

namespace {
QString DecodePath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// The mounts a person picks folders on: the root, removable media and other disks mounted
// under the usual places. Kernel and runtime file systems are left out.
bool IsUserVolume(const QStorageInfo& volume) {
    if (!volume.isValid() || !volume.isReady())
        return false;
    const QString root = volume.rootPath();
    if (root == QStringLiteral("/"))
        return true;
    for (const char* place : {"/media/", "/mnt/", "/run/media/", "/home"}) {
        if (root.startsWith(QLatin1String(place)))
            return true;
    }
    return false;
}
} // namespace

TfrmBrowseDirectory::TfrmBrowseDirectory(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      drvDrive(new QComboBox(this)), dirDirectory(new QTreeView(this)),
      cmdOK(new QPushButton(tr("OK"), this)), cmdCancel(new QPushButton(tr("Cancel"), this)),
      m_folders(new QFileSystemModel(this)) {
    setObjectName(QStringLiteral("frmBrowseDirectory"));
    setWindowTitle(tr("Browse Directory"));
    setFixedSize(261, 261);

    drvDrive->setObjectName(QStringLiteral("drvDrive"));
    drvDrive->setAccessibleName(tr("Drive"));
    dirDirectory->setObjectName(QStringLiteral("dirDirectory"));
    dirDirectory->setAccessibleName(tr("Folders"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    m_folders->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_folders->setReadOnly(true);
    dirDirectory->setModel(m_folders);
    for (int column = 1; column < m_folders->columnCount(); ++column)
        dirDirectory->hideColumn(column);
    dirDirectory->header()->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(drvDrive);
    layout->addWidget(dirDirectory, 1);
    layout->addLayout(buttons);

    FillDrives();
    connect(drvDrive, &QComboBox::currentIndexChanged, this, &TfrmBrowseDirectory::drvDriveChange);
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        Accepted = true;
        close();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::close);
    cmdOK->setDefault(true);
}

void TfrmBrowseDirectory::FillDrives() {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (IsUserVolume(volume) && !roots.contains(volume.rootPath()))
            roots << volume.rootPath();
    }
    const QString home = QDir::homePath();
    if (!roots.contains(home))
        roots << home;
    std::sort(roots.begin(), roots.end());
    for (const QString& root : roots)
        drvDrive->addItem(root == home ? tr("Home (%1)").arg(root) : root, root);
}

std::string TfrmBrowseDirectory::CurrentFolder() const {
    const QModelIndex current = dirDirectory->currentIndex();
    if (!current.isValid())
        return {};
    return QFile::encodeName(m_folders->filePath(current)).toStdString();
}

void TfrmBrowseDirectory::ShowFolder(const QString& folder) {
    const QModelIndex index = m_folders->index(folder);
    if (!index.isValid())
        return;
    dirDirectory->setCurrentIndex(index);
    dirDirectory->expand(index);
    dirDirectory->scrollTo(index);
}

void TfrmBrowseDirectory::FormActivate() {
    if (!StartFolder.empty() && !DirectoryExists(StartFolder))
        CreateDir(StartFolder);
    const QString start = DecodePath(StartFolder);
    // The drive whose root holds the start folder; the longest root that does wins.
    int drive = -1;
    int longest = -1;
    for (int i = 0; i < drvDrive->count(); ++i) {
        const QString root = drvDrive->itemData(i).toString();
        const QString withSlash = root.endsWith('/') ? root : root + '/';
        if ((start == root || start.startsWith(withSlash)) && root.size() > longest) {
            drive = i;
            longest = static_cast<int>(root.size());
        }
    }
    {
        const QSignalBlocker quiet(drvDrive);
        if (drive >= 0)
            drvDrive->setCurrentIndex(drive);
    }
    drvDriveChange();
    if (DirectoryExists(StartFolder))
        ShowFolder(start);
}

void TfrmBrowseDirectory::drvDriveChange() {
    const QString root = drvDrive->currentData().toString();
    if (root.isEmpty())
        return;
    m_folders->setRootPath(root);
    const QModelIndex top = m_folders->index(root);
    dirDirectory->setRootIndex(top);
    dirDirectory->setCurrentIndex(top);
}

void TfrmBrowseDirectory::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Without a window manager a dialog may never become active: the first showing counts.
    if (!m_activated) {
        m_activated = true;
        FormActivate();
    }
}
