#pragma once

#include "desktop/uMpris.h"
#include "desktop/uNotifier.h"

class TfrmMain;

// The window as the desktop sees it: the media controls drive the play list's player and
// follow it; a download that ends while the user looks elsewhere is told in a notification,
// whose click shows the downloads. Made once the window is, and ended before it.
class TDesktopBridges {
public:
    explicit TDesktopBridges(TfrmMain& window);
    TDesktopBridges(const TDesktopBridges&) = delete;
    TDesktopBridges& operator=(const TDesktopBridges&) = delete;

private:
    TMpris m_media;
    TNotifier m_notices;
};
