#include "desktop/uInstanceDoor.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace {
// One request, one answer, each a line.
const QByteArray kShow = "show ";
const QByteArray kShown = "shown\n";
constexpr int kLongestRequest = 64;

// What stands at `place`: nothing (0), a socket of this user's (1), or something else (-1).
int WhatStandsAt(const QString& place) {
    struct stat info {};
    if (::lstat(QFile::encodeName(place).constData(), &info) != 0)
        return 0;
    return S_ISSOCK(info.st_mode) && info.st_uid == ::getuid() ? 1 : -1;
}
} // namespace

TInstanceDoor::TInstanceDoor(const QStringList& places, QObject* parent)
    : QObject(parent), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    for (const QString& place : places) {
        if (ListenAt(place))
            break;
    }
    if (m_server->isListening())
        connect(m_server, &QLocalServer::newConnection, this, &TInstanceDoor::Answer);
}

bool TInstanceDoor::ListenAt(const QString& place) {
    const int standing = WhatStandsAt(place);
    if (standing < 0) {
        std::fprintf(
            stderr, "orvalo: cannot listen for a second start at %s: something else stands there\n",
            qPrintable(place));
        return false;
    }
    if (standing > 0)
        QLocalServer::removeServer(place);
    if (m_server->listen(place))
        return true;
    std::fprintf(stderr, "orvalo: cannot listen for a second start at %s: %s\n", qPrintable(place),
                 qPrintable(m_server->errorString()));
    return false;
}

bool TInstanceDoor::Listening() const {
    return m_server->isListening();
}

QString TInstanceDoor::Place() const {
    return m_server->isListening() ? m_server->fullServerName() : QString();
}

void TInstanceDoor::Answer() {
    while (QLocalSocket* caller = m_server->nextPendingConnection()) {
        connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
        // A caller that keeps the door open without asking holds nothing for long.
        QTimer::singleShot(kIdleMs, caller, [caller] { caller->abort(); });
        connect(caller, &QLocalSocket::readyRead, this, [this, caller] {
            if (!caller->canReadLine()) {
                // A caller that sends no line within reason is not one of ours.
                if (caller->bytesAvailable() > kLongestRequest)
                    caller->abort();
                return;
            }
            const QByteArray line = caller->readLine(kLongestRequest).trimmed();
            if (line.startsWith(kShow)) {
                bool number = false;
                const int page = line.mid(kShow.size()).trimmed().toInt(&number);
                emit ShowRequested(number && page >= 1 && page <= 3 ? page : 1);
                caller->write(kShown);
                caller->flush();
            }
            caller->disconnectFromServer();
        });
    }
}

bool TInstanceDoor::AskToShow(const QStringList& places, int page, int connectMs, int answerMs) {
    for (const QString& place : places) {
        if (WhatStandsAt(place) <= 0)
            continue;
        QLocalSocket socket;
        socket.connectToServer(place);
        if (!socket.waitForConnected(connectMs))
            continue;
        socket.write(kShow + QByteArray::number(page) + '\n');
        if (!socket.waitForBytesWritten(answerMs))
            continue;
        while (!socket.canReadLine()) {
            if (!socket.waitForReadyRead(answerMs))
                break;
        }
        if (socket.readLine() == kShown)
            return true;
    }
    return false;
}
