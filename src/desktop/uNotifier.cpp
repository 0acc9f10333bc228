#include "desktop/uNotifier.h"

#include <QCoreApplication>

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QStandardPaths>
#include <QStringList>
#include <QVariantMap>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// The desktop file's name without ".desktop": the service shows the program's name and icon
// from it, and groups our notifications under it.
const QString kDesktopEntry = QStringLiteral("org.example.Orvalo");
const QString kIconName = QStringLiteral("orvalo");
} // namespace

TNotifier::TNotifier(QDBusConnection bus, QObject* parent) : QObject(parent), m_bus(std::move(bus)) {
    if (!m_bus.isConnected())
        return;
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(ActionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(NotificationClosed(uint, uint)));
}

QString TNotifier::IconName() {
    if (QIcon::hasThemeIcon(kIconName))
        return kIconName;
    // Not installed: the icon compiled into the program, written once where the service can
    // read it.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const QString file = folder + QStringLiteral("/orvalo.svg");
    if (!QFile::exists(file) && QDir().mkpath(folder))
        QFile::copy(QStringLiteral(":/artwork/orvalo.svg"), file);
    return QFile::exists(file) ? file : kIconName;
}

bool TNotifier::Notify(const QString& summary, const QString& body, bool offerDownload) {
    if (!m_bus.isConnected())
        return false;
    if (m_sending) {
        m_haveNext = true;
        m_nextSummary = summary;
        m_nextBody = body;
        m_nextOffersDownload = offerDownload;
        return true;
    }
    Send(summary, body, offerDownload);
    return true;
}

void TNotifier::Send(const QString& summary, const QString& body, bool offerDownload) {
    m_sending = true;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    // Application name, the notification this one replaces (none: 0), the program's icon, the
    // texts, a default action (a click on the notification) and maybe a button, the desktop
    // entry, the service's own display time.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), kDesktopEntry}};
    QStringList actions{QStringLiteral("default"), tr("Show Downloads")};
    if (offerDownload)
        actions << QStringLiteral("download") << tr("Download");
    call << QStringLiteral("Orvalo") << (m_shown.contains(m_last) ? m_last : 0u) << IconName() << summary << body
         << actions << hints << -1;
    // Not waited for: a slow or missing service must never hold up the window. Its answer,
    // the notification's id, is noted when it comes.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        const QDBusPendingReply<uint> reply = *done;
        if (!reply.isError()) {
            m_last = reply.value();
            m_shown.insert(m_last);
        }
        done->deleteLater();
        m_sending = false;
        if (m_haveNext) {
            m_haveNext = false;
            Send(m_nextSummary, m_nextBody, m_nextOffersDownload);
        }
    });
}

void TNotifier::ActionInvoked(uint id, const QString& action) {
    if (!m_shown.contains(id))
        return;
    if (action == QLatin1String("default"))
        emit Activated();
    else if (action == QLatin1String("download"))
        emit DownloadChosen();
}

void TNotifier::NotifyWholeCopiesFound(const QStringList& songs) {
    if (songs.isEmpty())
        return;
    if (songs.size() == 1) {
        Notify(tr("A whole copy was found: %1").arg(songs.front()), tr("It waits on your wish list."), true);
        return;
    }
    Notify(tr("%n songs of your wish list were found whole", nullptr, static_cast<int>(songs.size())),
           tr("They wait on your wish list."), true);
}

void TNotifier::NotificationClosed(uint id, uint) {
    m_shown.remove(id);
}

QString TNotifier::DownloadedText(const QString& title) {
    return tr("Downloaded: %1").arg(title);
}

void TNotifier::NotifyDownloadEnded(const QString& title, const QString& failure) {
    if (!Showing())
        m_endedDone = m_endedFailed = 0;
    ++(failure.isEmpty() ? m_endedDone : m_endedFailed);
    if (m_endedDone + m_endedFailed == 1) {
        Notify(failure.isEmpty() ? DownloadedText(title) : DownloadFailedText(title, failure));
        return;
    }
    // The window's words, where a translator finds them beside its other texts.
    Notify(QCoreApplication::translate("TfrmMain", "%n downloads ended", nullptr, m_endedDone + m_endedFailed),
           QCoreApplication::translate("TfrmMain", "%1 downloaded, %2 failed").arg(m_endedDone).arg(m_endedFailed));
}

QString TNotifier::DownloadFailedText(const QString& title, const QString& reason) {
    //: The reason is the download's own ("timed out", "HTTP 404")
    return tr("Download failed: %1 (%2)").arg(title, reason);
}
