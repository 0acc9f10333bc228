#pragma once

#include "desktop/uMpris.h"
#include "desktop/uNotifier.h"

class TfrmMain;
class TWishSearch;

// The window as the desktop sees it: the media controls drive the play list's player and
// follow it; a download that ends while the user looks elsewhere is told in a notification,
// whose click shows the downloads; whole copies of wished songs found by the quiet searches are
// told with a "Download" button that fetches them. Made once the window is, and ended before it.
class TDesktopBridges {
public:
    TDesktopBridges(TfrmMain& window, TWishSearch& wishSearch);
    TDesktopBridges(const TDesktopBridges&) = delete;
    TDesktopBridges& operator=(const TDesktopBridges&) = delete;

private:
    TMpris m_media;
    TNotifier m_notices;
    QStringList m_foundWishes; // told in the notification, fetched by its "Download"
};
