#include "ui/pages/uFraSearch.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

#include "core/uTStringUtils.h"
#include "download/uFileNames.h"
#include "playlist/uTPlayListManager.h"
#include "search/uDownloadChoice.h"
#include "search/uTSearchResultManager.h"
#include "search/uTSearchSession.h"
#include "search/uWishList.h"
#include "ui/look/uPlainText.h"
#include "ui/models/uResultsModel.h"
#include "ui/widgets/uPageList.h"
#include "ui/widgets/uPrompts.h"

// What the search page sends to the downloads, and what it copies.

void TfraSearch::DownloadSelected() {
    // The list of the tab in front, whichever list was clicked; every row selected there.
    TPageList* list = ShownList();
    const auto* model = static_cast<const TResultsModel*>(list->Model());
    const std::vector<int> rows = list->SelectedRows();
    // The same song from several sites is fetched once, the other sites kept for a restart
    // should the first fail.
    std::vector<TSearchResult> downloads;
    if (list == lvwFiles) {
        downloads = m_session->DownloadsFor(rows);
    } else {
        for (const int row : rows)
            downloads.push_back(model->Result(row));
    }
    SendToDownloads(std::move(downloads));
}

void TfraSearch::SendToDownloads(std::vector<TSearchResult> downloads) {
    TDownloadChoice choice = ChooseDownloads(std::move(downloads));
    if (choice.DeadAlone &&
        !m_services.Prompts.Ask(this, tr("This link did not answer when it was checked. Try it anyway?"),
                                {tr("Try Anyway"), tr("Skip")}, true))
        return;
    if (!choice.PoorOnly.empty() && !PoorCopiesAsWell(choice)) {
        for (auto poor = choice.PoorOnly.rbegin(); poor != choice.PoorOnly.rend(); ++poor)
            choice.Downloads.erase(choice.Downloads.begin() + static_cast<std::ptrdiff_t>(*poor));
    }
    std::vector<const TSearchResult*> owned;
    for (const TSearchResult& result : choice.Downloads) {
        if (InPlayList(result))
            owned.push_back(&result);
    }
    const bool again = owned.empty() || AgainAsWell(owned);
    int added = 0;
    for (const TSearchResult& result : choice.Downloads) {
        if (!again && InPlayList(result))
            continue;
        emit DownloadRequested(DownloadRequestFor(result));
        ++added;
    }
    TellDownloadsAdded(added, choice.Skipped);
}

void TfraSearch::TellDownloadsAdded(int added, int skipped) {
    // English keeps its own words for one; a translation gives every count its form.
    m_notice = added == 1 ? tr("1 song added to Downloads") : tr("%n songs added to Downloads", nullptr, added);
    if (skipped > 0)
        m_notice += QStringLiteral("; ") + (skipped == 1 ? tr("1 with no working link skipped")
                                                         : tr("%n with no working link skipped", nullptr, skipped));
    ShowStatus();
}

bool TfraSearch::PoorCopiesAsWell(const TDownloadChoice& choice) {
    // Said before the wait, not after it: the link checks read what these links hold.
    const QString question =
        choice.PoorOnly.size() == 1
            ? tr("\"%1\" was found only as a preview, a cut file or no MP3 at all (%2). Download it anyway?")
                  .arg(ShownText(choice.Downloads[choice.PoorOnly[0]].Title),
                       QString::fromStdString(VerdictText(choice.Downloads[choice.PoorOnly[0]].Content)))
            : tr("%n of these songs were found only as previews, cut files or no MP3 at all. Download them anyway?",
                 nullptr, static_cast<int>(choice.PoorOnly.size()));
    return m_services.Prompts.Ask(this, question, {tr("Download Anyway"), tr("Skip")}, true);
}

bool TfraSearch::AgainAsWell(const std::vector<const TSearchResult*>& owned) {
    const QString question =
        owned.size() == 1
            ? tr("\"%1\" is already in your play list. Download it again?")
                  .arg(ShownText(owned[0]->FileName))
            : tr("%n of these songs are already in your play list. Download them again?", nullptr,
                 static_cast<int>(owned.size()));
    return m_services.Prompts.Ask(this, question, {tr("Download Again"), tr("Skip")}, true);
}

bool TfraSearch::InPlayList(const TSearchResult& result) const {
    return m_services.PlayList.Holds(SafeFileName(result.FileName), ArtistAndTitle(result.Artist, result.Title),
                                     result.Size);
}

void TfraSearch::CopyLinks() {
    TPageList* list = ShownList();
    const auto* model = static_cast<const TResultsModel*>(list->Model());
    QStringList links;
    // A song's row stands for its best link.
    for (const int row : list->SelectedRows())
        links << ShownText(model->Result(list == lvwFiles ? m_session->BestSourceOf(row) : row).Url);
    if (!links.isEmpty())
        QGuiApplication::clipboard()->setText(links.join(QLatin1Char('\n')));
}

void TfraSearch::BuildSourcesMenu(QMenu* popup) {
    mnuDownloadFrom = popup->addMenu(tr("Download From"));
    mnuDownloadFrom->setObjectName(QStringLiteral("popFilesDownloadFrom"));
    mnuDownloadFrom->setToolTipsVisible(true);
    // A song found dead or only as a preview can be kept on the wish list.
    actAddToWishList = popup->addAction(tr("Add to Wish List"));
    actAddToWishList->setObjectName(QStringLiteral("popFilesAddToWishList"));
    connect(actAddToWishList, &QAction::triggered, this, [this] {
        if (const int row = lvwFiles->SelectedRow(); row >= 0)
            m_services.Wishes.Add(SongWish(row).Key, SongWish(row).LongerThanMs);
    });
    connect(popup, &QMenu::aboutToShow, this, &TfraSearch::FillSourcesMenu);
}

TWholeVersionQuest TfraSearch::SongWish(int row) const {
    const TSearchResult& best = SearchResultRows->Result(m_session->BestSourceOf(row));
    if (best.Status != TSearchResult::Failed && !PoorCopy(best))
        return {};
    return {best.Title, best.Content.IsAudio() ? best.Content.LengthMs : 0};
}

void TfraSearch::FillSourcesMenu() {
    mnuDownloadFrom->clear();
    const int row = lvwFiles->SelectedRow();
    const std::vector<int> sources = row < 0 ? std::vector<int>{} : m_session->SourcesOf(row);
    // A song found on one site has no choice to offer.
    mnuDownloadFrom->menuAction()->setVisible(sources.size() > 1 && lvwFiles->SelectedRows().size() == 1);
    const std::string wish = row < 0 ? std::string() : SongWish(row).Key;
    actAddToWishList->setVisible(!wish.empty());
    actAddToWishList->setEnabled(m_services.Wishes.IndexOf(wish) < 0);
    for (const int source : sources) {
        const TSearchResult& result = SearchResultRows->Result(source);
        // A site's name is shown as it is: an ampersand in it is no shortcut mark.
        QAction* site = mnuDownloadFrom->addAction(ShownText(result.Engine).replace(QLatin1Char('&'), QLatin1String("&&")));
        site->setToolTip(PlainToolTip(ShownText(result.Url)));
        connect(site, &QAction::triggered, this,
                [this, source] { SendToDownloads({m_session->DownloadFrom(source)}); });
    }
}
