#include "ui/pages/uFraSearch.h"

#include <chrono>

#include <QAction>
#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/uSearchKeys.h"
#include "core/uTStringUtils.h"
#include "search/uTPopularList.h"
#include "search/uTSearchResultManager.h"
#include "search/uTSearchSession.h"
#include "ui/look/uArtwork.h"
#include "ui/widgets/uEngineList.h"
#include "ui/models/uListProxy.h"
#include "ui/widgets/uPageList.h"
#include "ui/widgets/uPageSwitcher.h"
#include "ui/look/uPlainText.h"
#include "ui/widgets/uPrompts.h"
#include "ui/models/uResultsModel.h"
#include "ui/widgets/uSearchKeysBox.h"

namespace {
// The search button's two captions, translated where they are shown.
const char* const kFindIt = QT_TRANSLATE_NOOP("TfraSearch", "Find It !");
//: The search button while a search runs: stops it
const char* const kCancel = QT_TRANSLATE_NOOP("TfraSearch", "Cancel");

QToolButton* MakeTab(const QString& name, const QString& caption, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    button->setAccessibleName(caption);
    button->setCheckable(true);
    MarkAsPageSwitcher(button);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Flat until chosen: a tab of the lists below, not a command.
    button->setAutoRaise(true);
    button->setMinimumWidth(90);
    return button;
}

// Panels that lie in the same place keep their size while hidden, so that the main window
// lays out the columns of every list at once.
void KeepSizeWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}
} // namespace

TfraSearch::TfraSearch(const TServices& services, QWidget* parent)
    : TPage(parent), m_services(services),
      m_session(&services.Session), m_popular(&services.PopularList) {
    setObjectName(QStringLiteral("fraSearch1"));
    SearchResultRows = new TResultsModel(services.Results, FileColumns(), this);
    PopularResultRows = new TResultsModel(services.Popular, PopularColumns(), this);
    EngineRows = new TEnginesModel(*m_session, this);
    BuildCommands();
    // Made from top to bottom, as the page reads: Tab follows the order widgets are made in.
    QLayout* top = BuildTopRow();
    txtFilter = new QLineEdit(this);
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setPlaceholderText(tr("Filter results"));
    txtFilter->setAccessibleName(tr("Filter results"));
    txtFilter->setAccessibleDescription(tr("Shows only the results that hold this text"));
    txtFilter->setClearButtonEnabled(true);
    // The clear button is a nameless tool button of the line edit's own: it gets a name.
    for (QToolButton* clear : txtFilter->findChildren<QToolButton*>()) {
        clear->setAccessibleName(tr("Clear filter"));
        clear->setAccessibleDescription(tr("Empties the filter: every result shows again"));
        clear->setToolTip(tr("Clear filter"));
    }
    txtFilter->setMaxLength(kMaxFilterLength);
    connect(txtFilter, &QLineEdit::textChanged, this, &TfraSearch::ApplyFilter);
    auto* panels = new QWidget(this);
    auto* stack = new QGridLayout(panels);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(BuildSearchPanel(), 0, 0);
    stack->addWidget(BuildPopularPanel(), 0, 0);
    pnlMostPopular->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top);
    auto* views = new QHBoxLayout;
    views->setSpacing(2);
    views->addWidget(cmdTabSearch);
    views->addWidget(cmdTabMostPopular);
    views->addSpacing(12);
    views->addWidget(txtFilter, 1);
    layout->addLayout(views);
    layout->addWidget(panels, 1);
    layout->addLayout(BuildInfoRow());
    tmrTime = new QTimer(this);
    tmrTime->setObjectName(QStringLiteral("tmrTime"));
    tmrTime->setInterval(1000);
    connect(tmrTime, &QTimer::timeout, this, &TfraSearch::tmrTimeTimer);
    // A slice of the most-popular list shows at once: the first, before the window does.
    connect(m_popular, &TPopularList::EntriesAdded, PopularResultRows, [this] {
        PopularResultRows->Added();
        PopularResultRows->Flush();
    });
    for (TResultsModel* rows : {SearchResultRows, PopularResultRows})
        rows->InPlayList = [this](const TSearchResult& result) { return InPlayList(result); };
    // One row per song: the search's rows list the sites of their song.
    SearchResultRows->SongSources = [this](int row) { return m_session->SourcesOf(row); };
    SearchResultRows->BestSource = [this](int row) { return m_session->BestSourceOf(row); };
    // Rows a filter lets through are counted once they show.
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(lvwFiles->Proxy(), signal, this, &TfraSearch::ShowCounters);
    ConnectSession();
    ApplyFilter();
    ShowStatus();
    UpdateCommands();
}

void TfraSearch::BuildCommands() {
    actFindIt = AddCommand({"mnuActionsFindIt", tr(kFindIt)}, [this] { cmdSearchClick(); });
    AddSeparator(QStringLiteral("mnuActionsSep01"));
    actDownload =
        AddCommand({"mnuActionsDownload", tr("Download"), "tlbDownload", tr("Download File"),
                    "download-file", tr("Downloads the selected songs into the download folder")},
                   [this] { DownloadSelected(); });
    actCopyLink = new QAction(tr("Copy Link"), this);
    actCopyLink->setObjectName(QStringLiteral("popFilesCopyLink"));
    connect(actCopyLink, &QAction::triggered, this, &TfraSearch::CopyLinks);
}

QWidget* TfraSearch::BuildSearchPanel() {
    lvwEngines = new TEngineList(EngineRows, this);
    lvwFiles =
        new TPageList(QStringLiteral("lvwFiles"), tr("Search results"), SearchResultRows, this);
    pnlSearch = new QWidget(this);
    pnlSearch->setObjectName(QStringLiteral("pnlSearch"));
    auto* layout = new QHBoxLayout(pnlSearch);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(lvwEngines);
    layout->addWidget(lvwFiles);
    KeepSizeWhenHidden(pnlSearch);
    BuildSourcesMenu(MakePopup(QStringLiteral("popFiles"), lvwFiles, {actDownload, actCopyLink}));
    connect(lvwFiles, &QAbstractItemView::doubleClicked, this, &TfraSearch::DownloadSelected);
    connect(lvwFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TfraSearch::UpdateCommands);
    return pnlSearch;
}

QWidget* TfraSearch::BuildPopularPanel() {
    lvwPopular =
        new TPageList(QStringLiteral("lvwPopular"), tr("Most popular"), PopularResultRows, this);
    pnlMostPopular = new QWidget(this);
    pnlMostPopular->setObjectName(QStringLiteral("pnlMostPopular"));
    auto* layout = new QVBoxLayout(pnlMostPopular);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lvwPopular);
    KeepSizeWhenHidden(pnlMostPopular);
    lvwPopular->SetEmptyText(
        tr("The most popular songs show here once the maker's site has sent them."));
    MakePopup(QStringLiteral("popPopular"), lvwPopular, {actDownload, actCopyLink});
    BindKey(actDownload, QKeySequence(Qt::Key_Return), {lvwFiles, lvwPopular});
    BindKey(actCopyLink, QKeySequence::Copy, {lvwFiles, lvwPopular});
    connect(lvwPopular, &QAbstractItemView::doubleClicked, this, &TfraSearch::DownloadSelected);
    connect(lvwPopular->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TfraSearch::UpdateCommands);
    return pnlMostPopular;
}

QLayout* TfraSearch::BuildTopRow() {
    cmbSearchKeys = new TSearchKeysBox(m_services.SearchKeys, this);
    cmdSearch = new QPushButton(tr(kFindIt), this);
    cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    cmdSearch->setAutoDefault(false);
    cmdTabSearch = MakeTab(QStringLiteral("cmdTabSearch"), tr("Search"), this);
    cmdTabMostPopular = MakeTab(QStringLiteral("cmdTabMostPopular"), tr("Most Popular"), this);
    m_tabs = new QButtonGroup(this);
    m_tabs->setExclusive(true);
    m_tabs->addButton(cmdTabSearch, static_cast<int>(TTab::Search));
    m_tabs->addButton(cmdTabMostPopular, static_cast<int>(TTab::MostPopular));
    cmdTabSearch->setChecked(true);
    connect(cmdSearch, &QPushButton::clicked, actFindIt, &QAction::trigger);
    connect(cmbSearchKeys, &TSearchKeysBox::EnterPressed, this, &TfraSearch::cmdSearchClick);
    connect(m_tabs, &QButtonGroup::idClicked, this, [this](int tab) { ShowTab(static_cast<TTab>(tab)); });
    // A screen reader's Toggle action checks a tab without clicking it: the panel follows.
    connect(m_tabs, &QButtonGroup::idToggled, this, [this](int tab, bool checked) {
        if (checked)
            ShowTab(static_cast<TTab>(tab));
    });
    // The command alone beside the box: the two views of the results are tabs above the lists.
    auto* row = new QHBoxLayout;
    row->addWidget(cmbSearchKeys, 1);
    row->addWidget(cmdSearch);
    return row;
}

QLayout* TfraSearch::BuildInfoRow() {
    prgSearch = new QProgressBar(this);
    prgSearch->setObjectName(QStringLiteral("prgSearch"));
    prgSearch->setAccessibleName(tr("Search progress"));
    prgSearch->setRange(0, 100);
    prgSearch->setValue(0);
    imgCheckMark = new QLabel(this);
    imgCheckMark->setObjectName(QStringLiteral("imgCheckMark"));
    //: How many results have a link that answers
    imgCheckMark->setAccessibleName(tr("Verified"));
    imgCheckMark->setPixmap(ArtworkPixmap(QStringLiteral("check-mark"), QSize(16, 16)));
    const auto label = [this](const char* name, const QString& text) {
        QLabel* made = MakePlainLabel(text, this);
        made->setObjectName(QLatin1String(name));
        return made;
    };
    lblFilesVerified = label("lblFilesVerified", QStringLiteral("0"));
    lblFilesFound = label("lblFilesFound", QStringLiteral("0"));
    lblTime = label("lblTime", QStringLiteral("00:00:00"));
    lblStatus = label("lblStatus", QString());
    lblStatus->setAccessibleName(tr("Search status"));
    // A long status takes no width from the progress bar: the two share the row as set.
    lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    for (QLabel* number : {lblFilesVerified, lblFilesFound})
        number->setMinimumWidth(40);
    QLabel* filesCaption = label("lblInfo01", tr("Files:"));
    QLabel* timeCaption = label("lblInfo02", tr("Time:"));
    // A screen reader says which number it reads: each counter is labelled by its caption.
    imgCheckMark->setBuddy(lblFilesVerified);
    filesCaption->setBuddy(lblFilesFound);
    timeCaption->setBuddy(lblTime);
    auto* row = new QHBoxLayout;
    row->addWidget(prgSearch, 2);
    row->addSpacing(8);
    row->addWidget(lblStatus, 3);
    for (QWidget* each : {static_cast<QWidget*>(imgCheckMark), static_cast<QWidget*>(lblFilesVerified),
                          static_cast<QWidget*>(filesCaption), static_cast<QWidget*>(lblFilesFound),
                          static_cast<QWidget*>(timeCaption), static_cast<QWidget*>(lblTime)})
        row->addWidget(each);
    return row;
}

void TfraSearch::ConnectSession() {
    connect(m_session, &TSearchSession::Started, SearchResultRows, &TResultsModel::Reset);
    connect(m_session, &TSearchSession::ResultAdded, SearchResultRows, &TResultsModel::Added);
    connect(m_session, &TSearchSession::ResultChanged, SearchResultRows, &TResultsModel::Changed);
    // A link that joined a song found before leaves the list: the song's row stands for it.
    connect(m_session, &TSearchSession::SongJoined, lvwFiles->Proxy(), &TListProxy::RefilterSoon);
    connect(m_session, &TSearchSession::ResultAdded, this, &TfraSearch::ShowCounters);
    connect(m_session, &TSearchSession::ResultChanged, this, &TfraSearch::ShowCounters);
    connect(m_session, &TSearchSession::ProgressChanged, prgSearch, &QProgressBar::setValue);
    for (const auto signal : {&TSearchSession::SearchDone, &TSearchSession::SearchCancelled})
        connect(m_session, signal, this, [this] { tmrTime->stop(); });
    for (const auto signal : {&TSearchSession::Started, &TSearchSession::SearchDone, &TSearchSession::SearchCancelled})
        connect(m_session, signal, this, &TfraSearch::ShowSearchState);
    for (const auto signal : {&TSearchSession::ResultAdded, &TSearchSession::ResultChanged, &TSearchSession::EngineChanged})
        connect(m_session, signal, this, &TfraSearch::ShowStatus);
    for (const auto signal : {&TSearchSession::Started, &TSearchSession::SearchDone, &TSearchSession::SearchCancelled})
        connect(m_session, signal, this, &TfraSearch::ShowStatus);
}

void TfraSearch::InitPage() {
    if (!m_services.DataFolder.empty())
        m_popular->Load(m_services.DataFolder + "Orvalo.dat");
}

void TfraSearch::UpdateCommands() {
    const bool selected = !ShownList()->selectionModel()->selectedRows().isEmpty();
    actDownload->setEnabled(selected);
    actCopyLink->setEnabled(selected);
}

TPageList* TfraSearch::ShownList() const {
    return cmdTabSearch->isChecked() ? lvwFiles : lvwPopular;
}

void TfraSearch::ShowSearchState() {
    const QString caption = tr(m_session->Searching() ? kCancel : kFindIt);
    cmdSearch->setText(caption);
    actFindIt->setText(caption);
}

void TfraSearch::cmdSearchClick() {
    if (m_session->Searching()) {
        m_session->Cancel();
        return;
    }
    const std::string key = TrimSpacesAndControls(cmbSearchKeys->EditText());
    if (key.empty()) {
        m_services.Prompts.Tell(this, QMessageBox::Information, tr("No search keys specified."));
        return;
    }
    SearchResultRows->LongerThanMs = 0;
    StartSearch(key);
}

void TfraSearch::FindWholeVersion(const std::string& key, int longerThanMs) {
    if (m_session->Searching())
        m_session->Cancel();
    cmbSearchKeys->setEditText(QString::fromStdString(key));
    SearchResultRows->LongerThanMs = longerThanMs;
    StartSearch(key);
}

void TfraSearch::StartSearch(const std::string& key) {
    m_key = key;
    m_notice.clear();
    m_session->Start(key);
    ShowCounters();
    lblTime->setText(QStringLiteral("00:00:00"));
    ShowTab(TTab::Search);
    m_services.SearchKeys.Add(key);
    StartTick = TickCount();
    tmrTime->start();
}

void TfraSearch::ShowCounters() {
    // While a filter narrows the list, the counter says how far.
    const int shown = lvwFiles->Proxy()->rowCount();
    const QString found = m_filterWords.isEmpty()
                              ? QString::number(m_session->Found())
                              : tr("showing %1 of %2").arg(shown).arg(m_session->Songs());
    if (lblFilesFound->text() != found)
        lblFilesFound->setText(found);
    // The list shows a song once, however many links it has.
    const QString songs = tr("Links found: %1, songs: %2").arg(m_session->Found()).arg(m_session->Songs());
    if (lblFilesFound->toolTip() != songs) {
        lblFilesFound->setToolTip(songs);
        lblFilesFound->setAccessibleDescription(songs);
    }
    const QString verified = QString::number(m_session->Verified());
    if (lblFilesVerified->text() != verified)
        lblFilesVerified->setText(verified);
}

void TfraSearch::ShowStatus() {
    QString status;
    if (m_session->Searching())
        status = tr("Searching");
    else if (m_session->EveryEngineFailed())
        status = tr("No site could be reached");
    else if (!m_session->Cancelled() && m_session->Unchecked() > 0)
        // English keeps its own words for one; a translation gives every count its form.
        status = m_session->Unchecked() == 1
                     ? tr("Checking 1 link")
                     : tr("Checking %n links", nullptr, m_session->Unchecked());
    // What the last download did stays beside it until the next search.
    if (!m_notice.isEmpty())
        status = status.isEmpty() ? m_notice : status + QStringLiteral(" \u00b7 ") + m_notice;
    if (lblStatus->text() != status)
        lblStatus->setText(status);
    // The empty list says why it is empty: nothing asked yet, or nothing found.
    if (m_key.empty())
        lvwFiles->SetEmptyText(tr("Type an artist or a song title above and press Enter."));
    else if (m_session->Searching())
        lvwFiles->SetEmptyText({});
    else if (m_session->EveryEngineFailed())
        lvwFiles->SetEmptyText(tr("No site could be reached. Try again in a while."));
    else
        lvwFiles->SetEmptyText(tr("No results for \"%1\"").arg(ShownText(m_key)));
}

void TfraSearch::ShowTab(TTab tab) {
    const bool search = tab == TTab::Search;
    (search ? cmdTabSearch : cmdTabMostPopular)->setChecked(true);
    pnlSearch->setVisible(search);
    pnlMostPopular->setVisible(!search);
    UpdateCommands();
}

uint32_t TfraSearch::TickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void TfraSearch::tmrTimeTimer() {
    const uint32_t seconds = (TickCount() - StartTick) / 1000;
    const QString text = QString::fromStdString(FormatElapsed(seconds));
    if (lblTime->text() != text)
        lblTime->setText(text);
}

void TfraSearch::ApplyFilter() {
    // Words longer than any title cannot match: a pasted page of text is cut to a few of them.
    m_filterWords = txtFilter->text().left(kMaxFilterLength).toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const auto holdsWords = [this](const TResultsModel* model, int row) {
        return m_filterWords.isEmpty() || model->HoldsEveryWord(row, m_filterWords);
    };
    lvwFiles->Proxy()->SetRowFilter([this, holdsWords](int row) {
        return m_session->StandsForSong(row) && holdsWords(SearchResultRows, row);
    });
    lvwPopular->Proxy()->SetRowFilter(m_filterWords.isEmpty() ? std::function<bool(int)>()
                                                              : [this, holdsWords](int row) { return holdsWords(PopularResultRows, row); });
    ShowCounters();
}
