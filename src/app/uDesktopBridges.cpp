#include "app/uDesktopBridges.h"

#include "ui/pages/uFraDownloads.h"
#include "ui/pages/uFraPlayList.h"
#include "ui/pages/uFrmMain.h"

TDesktopBridges::TDesktopBridges(TfrmMain& window) : m_media(*window.fraPlayList1) {
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
}
