#include "app/uDesktopBridges.h"

#include <utility>

#include "ui/pages/uFraDownloads.h"
#include "ui/pages/uFraPlayList.h"
#include "ui/pages/uFrmMain.h"
#include "search/uWishSearch.h"

TDesktopBridges::TDesktopBridges(TfrmMain& window, TWishSearch& wishSearch) : m_media(*window.fraPlayList1) {
    QObject::connect(window.fraPlayList1, &TfraPlayList::PlayerChanged, &m_media, &TMpris::Refresh);
    QObject::connect(&m_media, &TMpris::RaiseRequested, &window, &TfrmMain::BringForward);
    // A queue ending one download after another is told in one notification that keeps count.
    QObject::connect(window.fraDownloads1, &TfraDownloads::DownloadEnded, &m_notices,
                     [this, &window](const QString& title, const QString& failure) {
                         if (!window.isActiveWindow())
                             m_notices.NotifyDownloadEnded(title, failure);
                     });
    QObject::connect(&m_notices, &TNotifier::Activated, &window, [&window] {
        window.ShowPage(TPageId::Downloads);
        window.BringForward();
    });
    QObject::connect(&wishSearch, &TWishSearch::WholeCopyFound, &m_notices,
                     [this](const std::string& words) { m_foundWishes << QString::fromStdString(words); });
    QObject::connect(&wishSearch, &TWishSearch::RoundDone, &m_notices, [this](int found) {
        if (found > 0)
            m_notices.NotifyWholeCopiesFound(m_foundWishes);
    });
    QObject::connect(&m_notices, &TNotifier::DownloadChosen, &window, [this, &window] {
        for (const QString& words : std::exchange(m_foundWishes, {}))
            window.fraDownloads1->DownloadWish(words.toStdString());
    });
}
