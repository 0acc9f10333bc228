#pragma once

#include <QDBusConnection>
#include <QString>

// Desktop notifications through the desktop's notification service on the session bus.
// Without a bus nothing is sent; without a service the message goes nowhere, and nothing
// waits for an answer. Used on the GUI thread.
class TNotifier {
public:
    explicit TNotifier(QDBusConnection bus = QDBusConnection::sessionBus());

    // Shows `summary` with `body` under the program's name and icon. Both are plain text to
    // us; the summary is never read as markup by the service, so words from outside (titles,
    // reasons) belong there. False when there is no bus to send on.
    bool Notify(const QString& summary, const QString& body = QString());

    // "Downloaded: <title>"
    static QString DownloadedText(const QString& title);
    // "Download failed: <title> (<reason>)"
    static QString DownloadFailedText(const QString& title, const QString& reason);

private:
    QDBusConnection m_bus;
};
