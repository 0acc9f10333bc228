#include "ui/uFraSearch.h"

#include <array>
#include <chrono>
#include <string_view>

#include <QAction>
#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCompleter>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/uPopularList.h"
#include "core/uTFileUtils.h"
#include "core/uTStringList.h"
#include "core/uTStringUtils.h"
#include "download/uTDownload.h"
#include "download/uTDownloadManager.h"
#include "search/uTMp3Search.h"
#include "search/uTSearchManager.h"
#include "search/uTSearchResultManager.h"
#include "search/uTVerificationManager.h"
#include "startup/uIncludes.h"
#include "ui/uArtwork.h"
#include "ui/uFraDownloads.h"
#include "ui/uPageList.h"
#include "ui/uPlainText.h"
#include "ui/uSearchModels.h"

namespace {
const QString kFindIt = QStringLiteral("Find It !");
const QString kCancel = QStringLiteral("Cancel");
constexpr int kSizeColumn = 2; // of both lists
constexpr int kEnginesWidth = 107;

// A link's extension: from its last dot to its end, dot included, unless a path or drive
// separator follows the dot (then it has none). "/" counts too: in a web address the dot of
// "host.test/get?id=7" is no extension.
std::string LinkExtension(const std::string& link) {
    const size_t dot = link.rfind('.');
    if (dot == std::string::npos || link.find_first_of(":\\/", dot) != std::string::npos)
        return {};
    return link.substr(dot);
}

std::string ReplaceColons(std::string title) {
    for (char& c : title) {
        if (c == ':')
            c = 'm';
    }
    return title;
}

// The first download whose Url is `url` exactly.
TDownload* FindDownloadByLink(const std::string& url) {
    TDownload* download = DownloadManager->Find(url);
    if (download != nullptr && download->Url == url)
        return download;
    for (int i = 0; i < DownloadManager->Count(); ++i) {
        if (DownloadManager->Items(i)->Url == url)
            return DownloadManager->Items(i);
    }
    return nullptr;
}
} // namespace

// ---------------------------------------------------------------------------------------
// TSearchKeysBox

TSearchKeysBox::TSearchKeysBox(QWidget* parent) : QComboBox(parent) {
    setObjectName(QStringLiteral("cmbSearchKeys"));
    setAccessibleName(QStringLiteral("Search keys"));
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(kMaxSearchKeys);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    lineEdit()->installEventFilter(this);
    // The history is offered below the box as the user types; the box keeps exactly what was
    // typed (filling in the rest of an earlier search would run that one on Enter).
    completer()->setCompletionMode(QCompleter::PopupCompletion);
    completer()->setFilterMode(Qt::MatchContains);
    completer()->popup()->installEventFilter(this);
    setEditText(QString::fromLatin1(kSearchPrompt));
}

std::string TSearchKeysBox::EditText() const {
    // A key from the history keeps its own bytes, also when they are not UTF-8.
    const QString text = currentText();
    const int item = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (item >= 0)
        return itemData(item).toByteArray().toStdString();
    return text.toUtf8().toStdString();
}

void TSearchKeysBox::SetEditText(const std::string& text) {
    setEditText(ShownText(text));
}

void TSearchKeysBox::ClearItems() {
    clear();
}

void TSearchKeysBox::AddItem(const std::string& text) {
    addItem(ShownText(text), QByteArray::fromStdString(text));
}

bool TSearchKeysBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter in the list of suggestions searches for the one picked, if any, else for
            // what was typed.
            if (watched == completer()->popup()) {
                const QModelIndex picked = completer()->popup()->currentIndex();
                if (picked.isValid())
                    setEditText(picked.data().toString());
                completer()->popup()->hide();
            }
            emit EnterPressed();
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void TSearchKeysBox::focusInEvent(QFocusEvent* event) {
    QComboBox::focusInEvent(event);
    // The prompt stands in the box as its text: once the box is entered it is selected, so
    // that what the user types replaces it instead of being added to it. Queued, because a
    // click places the cursor after the focus has arrived.
    if (currentText() == QLatin1String(kSearchPrompt))
        QTimer::singleShot(0, lineEdit(), &QLineEdit::selectAll);
}

void TSearchKeysBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit EnterPressed();
        return;
    }
    QComboBox::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------
// TfraSearch: row finders

void TfraSearch::TRowFinder::Add(int row, const std::string& link) {
    Rows->Add(std::to_string(row) + "*" + link);
    RowByLink.emplace(link, row);
}

void TfraSearch::TRowFinder::Clear() {
    Rows->Clear();
    RowByLink.clear();
}

int TfraSearch::TRowFinder::Find(const std::string& link) const {
    const auto found = RowByLink.find(link);
    return found == RowByLink.end() ? -1 : found->second;
}

// ---------------------------------------------------------------------------------------
// TfraSearch: controls

TfraSearch::TfraSearch(QWidget* parent)
    : QWidget(parent),
      lvwFiles(new TPageList(QStringLiteral("lvwFiles"), QStringLiteral("Search results"),
                             {QStringLiteral("Status"), QStringLiteral("Title"), QStringLiteral("Size"),
                              QStringLiteral("Engine"), QStringLiteral("File Name"), QStringLiteral("Key")},
                             this)),
      lvwPopular(new TPageList(QStringLiteral("lvwPopular"), QStringLiteral("Most popular"),
                               {QStringLiteral("Status"), QStringLiteral("Artist"), QStringLiteral("Title"),
                                QStringLiteral("Size"), QStringLiteral("Downloads"), QStringLiteral("Password"),
                                QStringLiteral("File Name"), QStringLiteral("Key")},
                               this)) {
    setObjectName(QStringLiteral("fraSearch1"));
    using K = TResultListModel::TColumnKind;
    FileRows = new TResultListModel({{QStringLiteral("Status"), K::Status},
                                     {QStringLiteral("Title"), K::Text},
                                     {QStringLiteral("Size"), K::Number},
                                     {QStringLiteral("Engine"), K::Text},
                                     {QStringLiteral("File Name"), K::Text},
                                     {QStringLiteral("Key"), K::Key}},
                                    this);
    PopularRows = new TResultListModel({{QStringLiteral("Status"), K::Status},
                                        {QStringLiteral("Artist"), K::Text},
                                        {QStringLiteral("Title"), K::Text},
                                        {QStringLiteral("Size"), K::Number},
                                        {QStringLiteral("Downloads"), K::Number},
                                        {QStringLiteral("Password"), K::Text},
                                        {QStringLiteral("File Name"), K::Text},
                                        {QStringLiteral("Key"), K::Key}},
                                       this);
    EngineRows = new TEngineListModel(this);
    BuildControls();
    ConnectControls();
}

TfraSearch::~TfraSearch() {
    if (SearchManager) {
        SearchManager->OnResultFound = nullptr;
        SearchManager->OnEngineDone = nullptr;
        SearchManager->OnSearchDone = nullptr;
    }
    if (VerificationManager) {
        VerificationManager->OnLinkFailed = nullptr;
        VerificationManager->OnLinkVerified = nullptr;
    }
}

void TfraSearch::BuildControls() {
    cmbSearchKeys = new TSearchKeysBox(this);
    cmdSearch = new QPushButton(kFindIt, this);
    cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    cmdSearch->setAutoDefault(false);

    auto makeTab = [this](const QString& name, const QString& caption, int tag) {
        auto* button = new QToolButton(this);
        button->setObjectName(name);
        button->setText(caption);
        button->setAccessibleName(caption);
        button->setCheckable(true);
        button->setProperty("Tag", tag);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setMinimumWidth(90);
        return button;
    };
    cmdTabSearch = makeTab(QStringLiteral("cmdTabSearch"), QStringLiteral("Search"), 1);
    cmdTabMostPopular =
        makeTab(QStringLiteral("cmdTabMostPopular"), QStringLiteral("Most Popular"), 2);
    m_tabs = new QButtonGroup(this);
    m_tabs->setExclusive(true);
    m_tabs->addButton(cmdTabSearch, 1);
    m_tabs->addButton(cmdTabMostPopular, 2);
    cmdTabSearch->setChecked(true);

    lvwEngines = new QTreeView(this);
    lvwEngines->setObjectName(QStringLiteral("lvwEngines"));
    lvwEngines->setAccessibleName(QStringLiteral("Engines"));
    lvwEngines->setRootIsDecorated(false);
    lvwEngines->setUniformRowHeights(true);
    lvwEngines->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwEngines->setSelectionMode(QAbstractItemView::NoSelection);
    lvwEngines->setFocusPolicy(Qt::NoFocus);
    lvwEngines->setModel(EngineRows);
    lvwEngines->setFixedWidth(kEnginesWidth);
    lvwEngines->header()->setSectionsClickable(false);
    lvwEngines->header()->resizeSection(0, 103);
    // The name rows carry the light row colour, unless the desktop is dark: then its own.
    const QPalette colours = lvwEngines->palette();
    EngineRows->NameRowBackground = colours.color(QPalette::Base).lightness() < 128
                                        ? colours.color(QPalette::AlternateBase)
                                        : kRowBackground;

    SetupList(lvwFiles, FileRows);
    SetupList(lvwPopular, PopularRows);

    pnlSearch = new QWidget(this);
    pnlSearch->setObjectName(QStringLiteral("pnlSearch"));
    auto* searchLayout = new QHBoxLayout(pnlSearch);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    searchLayout->setSpacing(2);
    searchLayout->addWidget(lvwEngines);
    searchLayout->addWidget(lvwFiles);
    pnlMostPopular = new QWidget(this);
    pnlMostPopular->setObjectName(QStringLiteral("pnlMostPopular"));
    auto* popularLayout = new QVBoxLayout(pnlMostPopular);
    popularLayout->setContentsMargins(0, 0, 0, 0);
    popularLayout->addWidget(lvwPopular);
    // The two panels lie in the same place; the one in front is shown. Both keep their size
    // while hidden, so the main window lays out the columns of both lists at once.
    pnlPanels = new QWidget(this);
    auto* panels = new QGridLayout(pnlPanels);
    panels->setContentsMargins(0, 0, 0, 0);
    for (QWidget* panel : {pnlSearch, pnlMostPopular}) {
        QSizePolicy policy = panel->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        panel->setSizePolicy(policy);
        panels->addWidget(panel, 0, 0);
    }
    pnlMostPopular->hide();

    prgSearch = new QProgressBar(this);
    prgSearch->setObjectName(QStringLiteral("prgSearch"));
    prgSearch->setAccessibleName(QStringLiteral("Search progress"));
    prgSearch->setRange(0, 100);
    prgSearch->setValue(0);
    imgCheckMark = new QLabel(this);
    imgCheckMark->setObjectName(QStringLiteral("imgCheckMark"));
    imgCheckMark->setAccessibleName(QStringLiteral("Verified"));
    imgCheckMark->setPixmap(ArtworkPixmap(QStringLiteral("check-mark"), QSize(16, 16)));
    auto makeLabel = [this](const QString& name, const QString& text) {
        auto* label = new QLabel(text, this);
        label->setObjectName(name);
        return label;
    };
    lblFilesVerified = makeLabel(QStringLiteral("lblFilesVerified"), QStringLiteral("0"));
    lblFilesFound = makeLabel(QStringLiteral("lblFilesFound"), QStringLiteral("0"));
    lblTime = makeLabel(QStringLiteral("lblTime"), QStringLiteral("00:00:00"));
    for (QLabel* number : {lblFilesVerified, lblFilesFound})
        number->setMinimumWidth(40);

    popFiles = new QMenu(this);
    popFiles->setObjectName(QStringLiteral("popFiles"));
    QAction* download = popFiles->addAction(QStringLiteral("Download"));
    download->setObjectName(QStringLiteral("popFilesDownload"));
    download->setProperty("Tag", 2);
    connect(download, &QAction::triggered, this, &TfraSearch::DownloadSelected);

    m_popularLoader = new QTimer(this);
    m_popularLoader->setSingleShot(true);
    m_popularLoader->setInterval(0);
    connect(m_popularLoader, &QTimer::timeout, this, &TfraSearch::LoadPopularSlice);

    tmrTime = new QTimer(this);
    tmrTime->setObjectName(QStringLiteral("tmrTime"));
    tmrTime->setInterval(1000);

    auto* top = new QHBoxLayout;
    top->addWidget(cmbSearchKeys, 1);
    top->addWidget(cmdSearch);
    top->addSpacing(12);
    top->addWidget(cmdTabSearch);
    top->addWidget(cmdTabMostPopular);
    auto* info = new QHBoxLayout;
    info->addWidget(prgSearch, 1);
    info->addSpacing(8);
    QLabel* filesCaption = makeLabel(QStringLiteral("lblInfo01"), QStringLiteral("Files:"));
    QLabel* timeCaption = makeLabel(QStringLiteral("lblInfo02"), QStringLiteral("Time:"));
    // A screen reader says which number it reads: each counter is labelled by its caption.
    imgCheckMark->setBuddy(lblFilesVerified);
    filesCaption->setBuddy(lblFilesFound);
    timeCaption->setBuddy(lblTime);
    info->addWidget(imgCheckMark);
    info->addWidget(lblFilesVerified);
    info->addWidget(filesCaption);
    info->addWidget(lblFilesFound);
    info->addWidget(timeCaption);
    info->addWidget(lblTime);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top);
    layout->addWidget(pnlPanels, 1);
    layout->addLayout(info);
}

void TfraSearch::SetupList(TPageList* list, TResultListModel* model) {
    list->UseModel(model);
    list->setItemDelegateForColumn(0, new TStatusDelegate(list));
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    QHeaderView* header = list->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setSectionHidden(model->columnCount() - 1, true);
}

void TfraSearch::ConnectControls() {
    connect(cmdSearch, &QPushButton::clicked, this, &TfraSearch::cmdSearchClick);
    connect(cmbSearchKeys, &TSearchKeysBox::EnterPressed, this, &TfraSearch::cmdSearchClick);
    connect(m_tabs, &QButtonGroup::idClicked, this, &TfraSearch::ShowTab);
    // A screen reader's Toggle action checks a tab without clicking it: the panel follows.
    connect(m_tabs, &QButtonGroup::idToggled, this, [this](int tag, bool checked) {
        if (checked)
            ShowTab(tag);
    });
    connect(tmrTime, &QTimer::timeout, this, &TfraSearch::tmrTimeTimer);
    for (const auto& [list, model] :
         {std::pair{lvwFiles, FileRows}, std::pair{lvwPopular, PopularRows}}) {
        connect(list, &QAbstractItemView::doubleClicked, this, &TfraSearch::DownloadSelected);
        connect(list, &QWidget::customContextMenuRequested, this,
                [this, list = list](const QPoint& at) {
                    popFiles->popup(list->viewport()->mapToGlobal(at));
                });
        connect(
            list->header(), &QHeaderView::sectionClicked, this,
            [this, list = list, model = model](int column) { ColumnClicked(list, model, column); });
        // The arrow says how the rows are ordered: rows that came or changed since, out of
        // that order, or a new search's rows, take it away.
        connect(model, &TResultListModel::SortOrderLost, list->header(),
                [header = list->header()] { header->setSortIndicatorShown(false); });
    }
}

// ---------------------------------------------------------------------------------------
// TfraSearch: operations

bool TfraSearch::CoreExists() {
    return SearchManager && VerificationManager && DownloadManager && SearchResults &&
           PopularResults && SearchKeys && EngineList && SearchResultRows && PopularResultRows;
}

void TfraSearch::InitPage() {
    // A window made without the program's instances (a test of the frame alone) has
    // nothing to search with.
    if (!CoreExists())
        return;
    m_fileRows.Rows = SearchResultRows.get();
    m_popularRows.Rows = PopularResultRows.get();
    FillSearchKeysBox(*SearchKeys, *cmbSearchKeys);
    LoadEngineRows();
    LoadMostPopular();
    SearchManager->OnResultFound = [this](const std::string& engineKey, const std::string& title,
                                          const std::string& link) {
        HandleResultFound(engineKey, title, link);
    };
    SearchManager->OnEngineDone = [this](const std::string& engineKey) {
        HandleEngineDone(engineKey);
    };
    SearchManager->OnSearchDone = [this] { HandleSearchDone(); };
    VerificationManager->OnLinkFailed = [this](const std::string& link) { HandleLinkFailed(link); };
    VerificationManager->OnLinkVerified = [this](const std::string& link, int64_t size) {
        HandleLinkVerified(link, size);
    };
}

void TfraSearch::LoadEngineRows() {
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(EngineList->Count()));
    for (int i = 0; i < EngineList->Count(); ++i)
        names.push_back(EngineList->ValueFromIndex(i));
    EngineRows->AddEngines(names);
}

void TfraSearch::LoadMostPopular() {
    m_popularText = Unscramble(TFileUtils::ReadWholeFile(DataFolder + "Orvalo.dat"));
    m_popularAt = 0;
    LoadPopularSlice();
}

void TfraSearch::LoadPopularSlice() {
    // A few milliseconds of lines at a time: a list of any length loads without holding up
    // the window; the usual short one loads in the first slice, before the window shows.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(PopularSliceMs);
    std::string_view rest = std::string_view(m_popularText).substr(m_popularAt);
    for (int lines = 1; !rest.empty(); ++lines) {
        AddPopularLine(TakeLine(rest));
        if (lines % 256 == 0 && std::chrono::steady_clock::now() >= deadline)
            break;
    }
    PopularRows->Flush();
    if (rest.empty()) {
        std::string().swap(m_popularText);
        m_popularAt = 0;
        m_popularLoader->stop();
    } else {
        m_popularAt = m_popularText.size() - rest.size();
        m_popularLoader->start();
    }
}

void TfraSearch::AddPopularLine(std::string_view line) {
    // A line the server's writer would never make is skipped.
    TPopularEntry entry;
    if (!ParsePopularLine(line, entry))
        return;
    const std::string link(entry.Link);
    std::string displayName =
        std::string(entry.Artist) + " - " + std::string(entry.Title) + LinkExtension(link);
    PopularResults->Add(link, TSearchResult::Verified, link, displayName, entry.Size);
    m_popularRows.Add(PopularRows->RowsHeld(), link);
    PopularRows->AppendRow(TSearchResult::Verified,
                           {std::string(entry.Artist), std::string(entry.Title),
                            std::string(entry.Password), std::move(displayName)},
                           {entry.Size, entry.Downloads});
}

void TfraSearch::SetSearchCaption(const QString& caption) {
    cmdSearch->setText(caption);
    if (FindItItem)
        FindItItem->setText(caption);
}

void TfraSearch::Notice(const QString& text) {
    if (ShowNotice)
        ShowNotice(text);
    else
        MakeMessageBox(QMessageBox::Information, text, QMessageBox::Ok, this)->exec();
}

void TfraSearch::cmdSearchClick() {
    if (!CoreExists())
        return;
    if (cmdSearch->text() != kFindIt) {
        SetSearchCaption(kFindIt);
        CancelSearch();
        return;
    }
    const std::string key = TrimSpacesAndControls(cmbSearchKeys->EditText());
    if (key.empty() || key == kSearchPrompt) {
        Notice(QStringLiteral("No search keys specified."));
        return;
    }
    SetSearchCaption(kCancel);
    StartSearch(key);
}

void TfraSearch::StartSearch(const std::string& key) {
    SearchManager->Stop();
    VerificationManager->Stop();
    SearchResults->Clear();
    m_fileRows.Clear();
    Cancelled = false;
    VerifiedCount = 0;
    ResetCounters();
    FileRows->Clear();
    prgSearch->setValue(prgSearch->minimum());
    lblFilesVerified->setText(QStringLiteral("0"));
    lblFilesFound->setText(QStringLiteral("0"));
    lblTime->setText(QStringLiteral("00:00:00"));
    ShowTab(1);
    AddSearchKey(*SearchKeys, *cmbSearchKeys, key);
    SearchManager->Search(key);
    StartTick = TickCount();
    tmrTime->start();
}

void TfraSearch::CancelSearch() {
    Cancelled = true;
    SearchManager->Stop();
    VerificationManager->Stop();
    tmrTime->stop();
}

void TfraSearch::ResetCounters() {
    EngineRows->ResetCounters();
}

void TfraSearch::CountEngineResult(const std::string& displayName) {
    EngineRows->CountResult(displayName);
}

void TfraSearch::ShowTab(int tag) {
    (tag == 1 ? cmdTabSearch : cmdTabMostPopular)->setChecked(true);
    pnlSearch->setVisible(tag == 1);
    pnlMostPopular->setVisible(tag != 1);
}

uint32_t TfraSearch::TickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void TfraSearch::tmrTimeTimer() {
    const uint32_t seconds = (TickCount() - StartTick) / 1000;
    const QString text = QString::fromStdString(FormatElapsed(seconds));
    if (lblTime->text() != text)
        lblTime->setText(text);
}

// ---------------------------------------------------------------------------------------
// TfraSearch: the managers' events. None lets the event loop run: the hand-over delivers
// them in slices, so input and painting get their turn between slices without a nested loop.

void TfraSearch::HandleResultFound(const std::string& engineKey, const std::string& title,
                                   const std::string& link) {
    const std::string cleanTitle = ReplaceColons(title);
    if (Cancelled || SearchResults->IndexOfKey(link) >= 0)
        return;
    const bool zip = AsciiLowerCopy(LinkExtension(link)) == ".zip";
    std::string fileName = cleanTitle + (zip ? ".zip" : ".mp3");
    SearchResults->Add(link, TSearchResult::NotVerified, link, fileName, 0);
    lblFilesFound->setText(QString::number(SearchResults->Count()));
    m_fileRows.Add(FileRows->RowsHeld(), link);
    std::string displayName = EngineList->Values(engineKey);
    CountEngineResult(displayName);
    FileRows->AppendRow(TSearchResult::NotVerified,
                        {cleanTitle, std::move(displayName), std::move(fileName)}, {0});
    VerificationManager->Add(link);
    VerificationManager->Activate();
}

void TfraSearch::HandleEngineDone(const std::string&) {
    const int engines = EngineList->Count();
    if (engines == 0)
        return;
    const int position = prgSearch->value() + 100 / engines;
    if (position >= prgSearch->minimum() && position <= prgSearch->maximum())
        prgSearch->setValue(position);
}

void TfraSearch::HandleSearchDone() {
    prgSearch->setValue(prgSearch->maximum());
    tmrTime->stop();
    SetSearchCaption(kFindIt);
}

void TfraSearch::HandleLinkFailed(const std::string& link) {
    const int index = SearchResults->IndexOfKey(link);
    if (index < 0 || Cancelled)
        return;
    SearchResults->Item(index)->Status = TSearchResult::Failed;
    FileRows->SetStatus(m_fileRows.Find(link), TSearchResult::Failed);
}

void TfraSearch::HandleLinkVerified(const std::string& link, int64_t size) {
    const int index = SearchResults->IndexOfKey(link);
    if (index < 0 || Cancelled)
        return;
    TSearchResult* result = SearchResults->Item(index);
    result->Status = TSearchResult::Verified;
    result->Size = size;
    ++VerifiedCount;
    lblFilesVerified->setText(QString::number(VerifiedCount));
    const int row = m_fileRows.Find(link);
    FileRows->SetStatus(row, TSearchResult::Verified);
    FileRows->SetNumber(row, kSizeColumn, size);
}

// ---------------------------------------------------------------------------------------
// TfraSearch: downloads and sorting

TSearchResult* TfraSearch::ResultOfRow(const TStringList& rows, const TSearchResultManager& results,
                                       int key) {
    const int entry = rows.IndexOfName(std::to_string(key));
    if (entry < 0)
        return nullptr;
    const std::string link = rows.ValueFromIndex(entry);
    // The store finds keys without regard to case; the row wants the first exact match.
    const int first = results.IndexOfKey(link);
    if (first < 0)
        return nullptr;
    for (int i = first; i < results.Count(); ++i) {
        if (results.Item(i)->Url == link)
            return results.Item(i);
    }
    return nullptr;
}

void TfraSearch::DownloadSelected() {
    if (!CoreExists())
        return;
    const bool searchTab = cmdTabSearch->isChecked();
    TPageList* list = searchTab ? lvwFiles : lvwPopular;
    TResultListModel* model = searchTab ? FileRows : PopularRows;
    const QModelIndexList selected = list->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    const TSearchResult* result = ResultOfRow(searchTab ? *SearchResultRows : *PopularResultRows,
                                              searchTab ? *SearchResults : *PopularResults,
                                              model->KeyAt(selected.first().row()));
    if (result == nullptr)
        return;
    const std::string url = result->Url;
    DownloadManager->AddDownload(*result);
    const TDownload* download = FindDownloadByLink(url);
    if (download == nullptr)
        return;
    if (ShowDownload)
        ShowDownload(*download);
    else if (Downloads)
        Downloads->AddDownloadRow(*download);
}

void TfraSearch::ColumnClicked(TPageList* list, TResultListModel* model, int column) {
    list->SortTag = NextSortTag(list->SortTag, column);
    model->SortBy(list->SortTag);
    list->header()->setSortIndicatorShown(true);
    list->header()->setSortIndicator(column,
                                     list->SortTag > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}
