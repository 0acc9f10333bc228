#include "app/uProgram.h"

#include <filesystem>
#include <system_error>

#include <QDate>

#include "core/uSearchKeys.h"
#include "core/uTAppOptions.h"
#include "core/uTFileUtils.h"
#include "core/uTStringList.h"
#include "download/uDownloadStore.h"
#include "download/uTDownloadManager.h"
#include "net/uTransferEngine.h"
#include "playlist/uTPlayListManager.h"
#include "search/uTMp3Search.h"
#include "search/uTSearchManager.h"
#include "search/uTSearchResultManager.h"
#include "search/uTVerificationManager.h"

struct TProgram::TQuietSearch {
    explicit TQuietSearch(TTransferEngine& transfers, const std::string& engineListFile)
        : Engines(kEnginesAtOnce, kEngineStartsPerTick, kSearchTickMs),
          Checks(transfers, kChecksAtOnce, kCheckStartsPerTick, kCheckTickMs),
          Session(Engines, Checks, Results, EngineList) {
        ::LoadEngines(engineListFile, EngineList, Engines, transfers);
        Session.LoadEngineNames();
    }

    TStringList EngineList{'*'};
    TSearchManager Engines;
    TSearchResultManager Results;
    TVerificationManager Checks;
    TSearchSession Session;
};

TProgram::TProgram(const std::string& appFolder)
    : AppFolder(WithTrailingSlash(appFolder)), Folders(ChooseProgramFolders(AppFolder)),
      DataFolder(Folders.DataFolder) {
    // A portable copy ships its data folder; an installed one makes the user's own.
    if (!Folders.Portable) {
        std::error_code ignored;
        std::filesystem::create_directories(DataFolder, ignored);
    }
    Transfers = std::make_unique<TTransferEngine>();
    Options = std::make_unique<TAppOptions>();
    Options->Load();
    SettleFolder(Options->DownloadDir, Folders.DownloadDir, !Folders.Portable);
    SettleFolder(Options->IncompleteDir, Folders.IncompleteDir, !Folders.Portable);
    Engines = std::make_unique<TSearchManager>(kEnginesAtOnce, kEngineStartsPerTick, kSearchTickMs);
    PlayList = std::make_unique<TPlayListManager>(Options->DownloadDir);
    Results = std::make_unique<TSearchResultManager>();
    Popular = std::make_unique<TSearchResultManager>();
    Checks = std::make_unique<TVerificationManager>(*Transfers, kChecksAtOnce, kCheckStartsPerTick,
                                                    kCheckTickMs);
    Downloads = std::make_unique<TDownloadManager>(*Transfers, Options->DownloadDir,
                                                   Options->IncompleteDir);
    Downloads->SetLimits(Options->DownloadsAtOnce);
    // A finished download joins the library, which looks into it once; the verdict is the
    // download's too.
    QObject::connect(Downloads.get(), &TDownloadManager::Placed, PlayList.get(), &TPlayListManager::Place);
    QObject::connect(PlayList.get(), &TPlayListManager::Checked, Downloads.get(),
                     [downloads = Downloads.get()](const std::string& path, const TContentVerdict& verdict) {
                         downloads->NoteContent(path, VerdictText(verdict));
                     });
    DownloadList = std::make_unique<TDownloadListKeeper>(*Downloads, DownloadListPath(DataFolder));
    SearchKeys = std::make_unique<TSearchHistory>();
    LoadSearchKeys(*SearchKeys, SearchKeysPath(DataFolder));
    EngineList = std::make_unique<TStringList>('*');
    m_engineListFile = Folders.EngineListPath();
    LoadEngines();
    Session = std::make_unique<TSearchSession>(*Engines, *Checks, *Results, *EngineList);
    PopularList = std::make_unique<TPopularList>(*Popular);
    Wishes = std::make_unique<TWishList>(WishListPath(DataFolder));
    WishSearch = std::make_unique<TWishSearch>(*Wishes, [this]() -> TSearchSession& { return QuietSession(); });
}

TSearchSession& TProgram::QuietSession() {
    if (!m_quiet)
        m_quiet = std::make_unique<TQuietSearch>(*Transfers, m_engineListFile);
    return m_quiet->Session;
}

void TProgram::StartWishRounds() {
    WishSearch->StartRounds(kWishFirstLookMs, kWishLookEveryMs);
}

TProgram::~TProgram() {
    SaveSearchKeys(*SearchKeys, SearchKeysPath(DataFolder));
    Options->Save();
    LiveData.reset();
    WishSearch.reset();
    m_quiet.reset();
    Wishes.reset();
    PopularList.reset();
    Session.reset();
    SearchKeys.reset();
    EngineList.reset();
    Engines.reset();
    PlayList.reset();
    Results.reset();
    Popular.reset();
    Checks.reset();
    DownloadList.reset(); // writes the list while the downloads are still there
    Downloads.reset();
    Options.reset();
    Transfers.reset();
}

int TProgram::LoadEngines() {
    const int loaded = ::LoadEngines(m_engineListFile, *EngineList, *Engines, *Transfers);
    if (Session)
        Session->LoadEngineNames();
    return loaded;
}

std::vector<std::string> TProgram::UnwritableFolders() const {
    std::vector<std::string> unwritable;
    for (const std::string& folder : {DataFolder, Options->DownloadDir, Options->IncompleteDir}) {
        if (!FolderIsWritable(folder))
            unwritable.push_back(folder);
    }
    return unwritable;
}

void TProgram::StartLiveData() {
    if (!LiveData)
        LiveData = StartLiveUpdate(*Transfers, QDate::currentDate(), DataFolder + "Orvalo.dat");
}

TServices TProgram::Services(TPrompts& prompts) {
    return TServices{*Options,    *Engines,    *Checks,     *Results,  *Popular, *Downloads, *PlayList,
                     *SearchKeys, *EngineList, DataFolder, prompts,   *Transfers, *Session,  *PopularList, *Wishes, *WishSearch};
}
