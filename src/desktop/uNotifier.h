#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

// Desktop notifications through the desktop's notification service on the session bus.
// Without a bus nothing is sent; without a service the message goes nowhere, and nothing
// waits for an answer. Each notification carries the program's desktop entry and icon, and a
// default action: clicking it is reported as Activated. Used on the GUI thread.
class TNotifier : public QObject {
    Q_OBJECT
public:
    explicit TNotifier(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    // Shows `summary` with `body` under the program's name and icon. Both are plain text to
    // us; the summary is never read as markup by the service, so words from outside (titles,
    // reasons) belong there. While our last notification is still shown, this one takes its
    // place: one notification follows many downloads, not a pile of them. One call at a
    // time goes to the service; what comes meanwhile waits, the newest only. False when
    // there is no bus to send on.
    // With `offerDownload` it carries a "Download" button, reported as DownloadChosen.
    bool Notify(const QString& summary, const QString& body = QString(), bool offerDownload = false);
    // Whether our last notification is still shown (or on its way).
    bool Showing() const { return m_sending || m_shown.contains(m_last); }

    // Tells of a download that ended: "Downloaded: <title>" (or that it failed) for the first;
    // while that notification is still shown, the next ones take its place as one that keeps
    // count ("12 downloads ended", "10 downloaded, 2 failed"), not a pile of them.
    void NotifyDownloadEnded(const QString& title, const QString& failure);

    // Tells that whole copies of the wished songs `songs` were found, with a "Download"
    // button for them.
    void NotifyWholeCopiesFound(const QStringList& songs);

    // "Downloaded: <title>"
    static QString DownloadedText(const QString& title);
    // "Download failed: <title> (<reason>)"
    static QString DownloadFailedText(const QString& title, const QString& reason);
    // The icon the service is given: the installed theme icon's name, or, when the program
    // runs from its build, a file of the program's own icon.
    static QString IconName();

signals:
    // The user clicked one of our notifications.
    void Activated();
    // The user pressed "Download" on our notification of whole copies found.
    void DownloadChosen();

private slots:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

private:
    void Send(const QString& summary, const QString& body, bool offerDownload);

    QDBusConnection m_bus;
    QSet<uint> m_shown; // the service's ids of our notifications still shown
    uint m_last = 0;    // the id of the last one
    bool m_sending = false;
    bool m_haveNext = false; // news that came while a call was on its way
    QString m_nextSummary;
    QString m_nextBody;
    bool m_nextOffersDownload = false;
    // Downloads told of since the notification that is still shown came.
    int m_endedDone = 0;
    int m_endedFailed = 0;
};
