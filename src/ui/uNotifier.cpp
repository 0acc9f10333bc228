#include "ui/uNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QStringList>
#include <QVariantMap>

TNotifier::TNotifier(QDBusConnection bus) : m_bus(std::move(bus)) {}

bool TNotifier::Notify(const QString& summary, const QString& body) {
    if (!m_bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Application name, no notification to replace, the program's icon, the texts, no
    // actions, no hints, the service's own display time.
    call << QStringLiteral("Orvalo") << 0u << QStringLiteral("orvalo") << summary << body
         << QStringList() << QVariantMap() << -1;
    // Not waited for: a slow or missing service must never hold up the window.
    m_bus.asyncCall(call);
    return true;
}

QString TNotifier::DownloadedText(const QString& title) {
    return QStringLiteral("Downloaded: ") + title;
}

QString TNotifier::DownloadFailedText(const QString& title, const QString& reason) {
    return QStringLiteral("Download failed: %1 (%2)").arg(title, reason);
}
