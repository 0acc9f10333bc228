#include "ui/pages/uFrmOptions.h"


#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/uClearIncomplete.h"
#include "core/uSearchKeys.h"
#include "core/uTFileUtils.h"
#include "download/uTDownloadManager.h"
#include "ui/widgets/uPageList.h"
#include "ui/widgets/uPrompts.h"

namespace {
const char* const kFolderBytes = "folderBytes";

QString ClearRefusalText(TClearRefusal refusal) {
    switch (refusal) {
    case TClearRefusal::IsDownloadFolder:
        return TfrmOptions::tr(
            "The incomplete folder is also the download folder. Clearing it would delete your "
            "finished downloads, so nothing was deleted.");
    case TClearRefusal::HoldsDownloadFolder:
        return TfrmOptions::tr(
            "The incomplete folder holds the download folder. Clearing it would delete your "
            "finished downloads, so nothing was deleted.");
    case TClearRefusal::IsHomeFolder:
        return TfrmOptions::tr(
            "The incomplete folder is your home folder. Clearing it would delete your own "
            "files, so nothing was deleted.");
    case TClearRefusal::None:
        break;
    }
    return {};
}
} // namespace

TfrmOptions::TfrmOptions(QWidget* owner, const TServices& services,
                         std::function<void()> refreshPlayList)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      cmdClearLastSearches(new QPushButton(tr("Clear Last Searches"), this)),
      lblOptionsInfo01(new QLabel(tr("Download Folder"), this)),
      txtDownloadDirectory(new QLineEdit(this)),
      cmdBrowseDownloadDirectory(new QPushButton(QStringLiteral("..."), this)),
      lblOptionsInfo02(new QLabel(tr("Incomplete Folder"), this)),
      txtIncompleteDirectory(new QLineEdit(this)),
      cmdBrowseIncompleteDirectory(new QPushButton(QStringLiteral("..."), this)),
      cmdClearIncompleteDir(new QPushButton(tr("Clear Incomplete Folder"), this)),
      chkClearDownloadsWhenComplete(new QCheckBox(tr("Clear Downloads When Complete"), this)),
      lblDownloadsAtOnce(new QLabel(tr("Downloads at once"), this)), spnDownloadsAtOnce(new QSpinBox(this)),
      cmdOK(new QPushButton(tr("OK"), this)), cmdCancel(new QPushButton(tr("Cancel"), this)),
      m_services(services), m_refreshPlayList(std::move(refreshPlayList)) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(tr("Options"));

    const auto name = [](QWidget* widget, const char* objectName) { widget->setObjectName(objectName); };
    name(cmdClearLastSearches, "cmdClearLastSearches");
    name(lblOptionsInfo01, "lblOptionsInfo01");
    name(txtDownloadDirectory, "txtDownloadDirectory");
    name(cmdBrowseDownloadDirectory, "cmdBrowseDownloadDirectory");
    name(lblOptionsInfo02, "lblOptionsInfo02");
    name(txtIncompleteDirectory, "txtIncompleteDirectory");
    name(cmdBrowseIncompleteDirectory, "cmdBrowseIncompleteDirectory");
    name(cmdClearIncompleteDir, "cmdClearIncompleteDir");
    name(chkClearDownloadsWhenComplete, "chkClearDownloadsWhenComplete");
    name(lblDownloadsAtOnce, "lblDownloadsAtOnce");
    name(spnDownloadsAtOnce, "spnDownloadsAtOnce");
    name(cmdOK, "cmdOK");
    name(cmdCancel, "cmdCancel");

    // Folders change only through the browse buttons.
    for (QLineEdit* box : {txtDownloadDirectory, txtIncompleteDirectory})
        box->setReadOnly(true);
    lblOptionsInfo01->setBuddy(txtDownloadDirectory);
    lblOptionsInfo02->setBuddy(txtIncompleteDirectory);
    lblDownloadsAtOnce->setBuddy(spnDownloadsAtOnce);
    spnDownloadsAtOnce->setRange(1, TAppOptions::kMostDownloadsAtOnce);
    spnDownloadsAtOnce->setAccessibleName(tr("Downloads at once"));
    spnDownloadsAtOnce->setAccessibleDescription(
        tr("How many downloads run at the same time; the others wait their turn"));
    txtDownloadDirectory->setAccessibleName(tr("Download Folder"));
    txtIncompleteDirectory->setAccessibleName(tr("Incomplete Folder"));
    cmdBrowseDownloadDirectory->setAccessibleName(tr("Browse for the Download Folder"));
    cmdBrowseIncompleteDirectory->setAccessibleName(tr("Browse for the Incomplete Folder"));
    for (QPushButton* browse : {cmdBrowseDownloadDirectory, cmdBrowseIncompleteDirectory}) {
        browse->setToolTip(browse->accessibleName());
        browse->setFixedWidth(30);
    }

    auto* folders = new QGridLayout;
    folders->setHorizontalSpacing(4);
    folders->addWidget(lblOptionsInfo01, 0, 0, 1, 2);
    folders->addWidget(txtDownloadDirectory, 1, 0);
    folders->addWidget(cmdBrowseDownloadDirectory, 1, 1);
    folders->addWidget(lblOptionsInfo02, 2, 0, 1, 2);
    folders->addWidget(txtIncompleteDirectory, 3, 0);
    folders->addWidget(cmdBrowseIncompleteDirectory, 3, 1);
    auto* commands = new QHBoxLayout;
    commands->addWidget(cmdClearLastSearches);
    commands->addWidget(cmdClearIncompleteDir);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(commands);
    layout->addLayout(folders);
    layout->addWidget(chkClearDownloadsWhenComplete);
    auto* atOnce = new QHBoxLayout;
    atOnce->addWidget(lblDownloadsAtOnce);
    atOnce->addWidget(spnDownloadsAtOnce);
    atOnce->addStretch();
    layout->addLayout(atOnce);
    layout->addStretch();
    layout->addLayout(buttons);
    cmdOK->setDefault(true);
    // Its size is fixed, but never smaller than its words need: a translation may be longer.
    setFixedSize(QSize(322, 255).expandedTo(layout->sizeHint()));

    connect(cmdClearLastSearches, &QPushButton::clicked, this, &TfrmOptions::cmdClearLastSearchesClick);
    connect(cmdClearIncompleteDir, &QPushButton::clicked, this, &TfrmOptions::cmdClearIncompleteDirClick);
    connect(cmdBrowseDownloadDirectory, &QPushButton::clicked, this,
            [this] { Browse(WorkingOptions.DownloadDir, txtDownloadDirectory); });
    connect(cmdBrowseIncompleteDirectory, &QPushButton::clicked, this,
            [this] { Browse(WorkingOptions.IncompleteDir, txtIncompleteDirectory); });
    connect(chkClearDownloadsWhenComplete, &QCheckBox::toggled, this,
            [this](bool checked) { WorkingOptions.ClearDownloadsWhenComplete = checked; });
    connect(cmdOK, &QPushButton::clicked, this, &TfrmOptions::cmdOKClick);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    WorkingOptions.Assign(m_services.Options);
    ShowOptions();
}

void TfrmOptions::ShowFolder(QLineEdit* box, const std::string& folder) {
    // The box shows the name; the bytes stay with it, so a name that is not UTF-8 survives.
    box->setText(QFile::decodeName(QByteArray::fromStdString(folder)));
    box->setProperty(kFolderBytes, QByteArray::fromStdString(folder));
    box->setCursorPosition(0);
}

void TfrmOptions::ShowOptions() {
    ShowFolder(txtDownloadDirectory, WorkingOptions.DownloadDir);
    ShowFolder(txtIncompleteDirectory, WorkingOptions.IncompleteDir);
    chkClearDownloadsWhenComplete->setChecked(WorkingOptions.ClearDownloadsWhenComplete);
    spnDownloadsAtOnce->setValue(WorkingOptions.DownloadsAtOnce);
}

void TfrmOptions::ReadOptions() {
    WorkingOptions.DownloadDir = txtDownloadDirectory->property(kFolderBytes).toByteArray().toStdString();
    WorkingOptions.IncompleteDir = txtIncompleteDirectory->property(kFolderBytes).toByteArray().toStdString();
    WorkingOptions.ClearDownloadsWhenComplete = chkClearDownloadsWhenComplete->isChecked();
    WorkingOptions.DownloadsAtOnce = spnDownloadsAtOnce->value();
}

void TfrmOptions::Browse(std::string& folder, QLineEdit* box) {
    if (const std::optional<std::string> chosen = m_services.Prompts.AskFolder(this, folder)) {
        folder = *chosen;
        ShowFolder(box, folder);
    }
}

void TfrmOptions::cmdClearLastSearchesClick() {
    // The search page's box follows the history by itself.
    ClearSearchKeys(m_services.SearchKeys, SearchKeysPath(m_services.DataFolder));
}

void TfrmOptions::cmdClearIncompleteDirClick() {
    // A folder that holds finished downloads or the user's own files is never emptied:
    // refuse, say why, delete nothing.
    const TAppOptions& options = m_services.Options;
    const QString refusal = ClearRefusalText(
        WhyNotClearIncomplete(options.IncompleteDir, options.DownloadDir, QDir::homePath().toStdString()));
    if (!refusal.isEmpty()) {
        m_services.Prompts.Tell(this, QMessageBox::Warning, refusal);
        return;
    }
    // On this system a file held open can be deleted: a running download would go on writing
    // into a file without a name and fail at its end. Its file stays, and so does the part a
    // listed download continues at its restart (clearing its row deletes that).
    const std::vector<std::string> files =
        IncompleteFilesToClear(options.IncompleteDir, m_services.Downloads.FilesInUse());
    if (files.empty())
        return;
    const QString folder = ShownText(options.IncompleteDir);
    // English keeps its own words for one; a translation gives every count its form.
    const QString question =
        files.size() == 1
            ? tr("Delete 1 file in %1?").arg(folder)
            : tr("Delete %n files in %1?", nullptr, static_cast<int>(files.size())).arg(folder);
    if (m_services.Prompts.Ask(this, question, {tr("Delete"), tr("Keep")}, true))
        ClearIncompleteFiles(files);
}

void TfrmOptions::cmdOKClick() {
    ReadOptions();
    TAppOptions& options = m_services.Options;
    options.Assign(WorkingOptions);
    options.Save();
    m_services.Downloads.SetFolders(options.DownloadDir, options.IncompleteDir);
    m_services.Downloads.SetLimits(options.DownloadsAtOnce);
    // The play list follows the download folder when it lists it anew.
    if (m_refreshPlayList)
        m_refreshPlayList();
    accept();
}
